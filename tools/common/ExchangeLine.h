#pragma once
// The lines in which the tools print what they send and receive, laid out
// like the console's traffic list, with its time format and tags
// (traffic/TimeOfDay.h, traffic/EntryTags.h): UTC time of day, a tag, then
// the datagram (optionally after the peer's address), and a note in
// parentheses. The display form never holds "(" (it shows it as <40>), so a
// note cannot be mistaken for data.
//
//   14:03:27.045  [IN]   127.0.0.1:8365  <2>0,1,INFO?<3><179>  (rule Info)
#include <cstdio>
#include <string>
#include <string_view>

#include "traffic/EntryTags.h"

// The console's own tags, kInTag and kOutTag, and two of the tools' own.
inline constexpr std::string_view kTagDrop = "  [DROP] ";        // a reply held back on purpose
inline constexpr std::string_view kTagNotPrinted = "  [...]  ";  // how many lines a flood left out

// One line, without its line end. `peer` and `note` are left out when empty.
std::string ExchangeLine(std::string_view tag, const std::string& peer, std::string_view text, const std::string& note);

// The note for a framed datagram whose block check is wrong,
// "bad block check <178>, expected <179>" (with " in frame 2 of 2" when the
// datagram holds several frames); empty for any other datagram.
std::string BadBlockCheckNote(std::string_view datagram);

// Joins two notes with ", ", leaving out an empty one.
std::string JoinNotes(const std::string& first, const std::string& second);

// Writes the line and a line end, and flushes, so that a script reading the
// output sees every exchange as it happens.
void PrintLine(std::FILE* stream, const std::string& line);
