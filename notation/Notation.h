#pragma once
// Special-character notation: the printable form in which the operator writes
// the lines to send, with control characters and any other byte written
// between angle brackets ("<STX>", "<CR>", "<179>"), and the display form in
// which received bytes are shown and logged.
//
// Data flow: every line that is sent goes notation -> fkt_SpecialCharsToRaw ->
// raw bytes on the wire; every datagram received goes raw bytes ->
// fkt_RawToSpecialChars -> traffic list and data log. The block check
// (BlockCheck.h) is computed over the raw form of the send line.
//
// Text is bytes: all 256 byte values may occur on either side.
#include <string>
#include <string_view>

// Notation to raw bytes. The names <STX> <ETX> <EOT> <ENQ> <ACK> <LF> <CR>
// <NAK> (upper case only) are replaced first; then, again and again, the
// token from the first "<" to the first ">" after it is read as a decimal
// code and every occurrence of that exact token is replaced by its byte,
// until no "<" with a later ">" is left. A "<" without a later ">" stays a
// literal character.
// Throws RunTimeError 13 (type mismatch) when such a token is not a decimal
// number (empty, letters, or a literal "<" before a later ">"), and 5 when
// its number is below 0 or above 255. Nothing is returned on failure.
std::string fkt_SpecialCharsToRaw(const std::string& notation);

// Raw bytes to the display form: letters, digits, blank and "!" "." "," "?"
// stand as themselves; every other byte becomes "<" + its code in decimal +
// ">" (never a name: STX is shown as <2>). Converting the display form back
// gives the original bytes whenever they hold no "<" and no ">".
std::string fkt_RawToSpecialChars(const std::string& raw);
// The same, written to `out`, which has room for kDisplayRoomPerByte bytes
// per raw byte and kDisplayRoomExtra more; returns the end of what was
// written. With lowerCase, letters come in lower case (the display form holds
// no other letters), for searching without regard to case. For callers that
// convert millions of entries into one buffer.
inline constexpr std::size_t kDisplayRoomPerByte = 5;  // "<255>"
inline constexpr std::size_t kDisplayRoomExtra = 3;
char* WriteRawToSpecialChars(std::string_view raw, char* out, bool lowerCase = false);
