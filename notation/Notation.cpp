#include "notation/Notation.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "notation/NumericTokens.h"

namespace {

struct NamedToken {
  std::string_view name;
  char byte;
};

// In the order in which they are replaced.
constexpr std::array<NamedToken, 8> kNamedTokens{{
    {"<STX>", '\x02'},
    {"<ETX>", '\x03'},
    {"<EOT>", '\x04'},
    {"<ENQ>", '\x05'},
    {"<ACK>", '\x06'},
    {"<LF>", '\x0A'},
    {"<CR>", '\x0D'},
    {"<NAK>", '\x15'},
}};

// Replacing the names one after the other equals one pass from the left: two
// names cannot overlap (each holds its only "<" at the start), and the
// control byte that replaces a name cannot be part of another name, so every
// name finds the same occurrences in either order.
std::string ReplaceNamedTokens(const std::string& notation) {
  std::string replaced;
  replaced.reserve(notation.size());
  const std::string_view text = notation;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::string_view rest = text.substr(pos);
    const auto* const match = std::find_if(kNamedTokens.begin(), kNamedTokens.end(),
                                           [rest](const NamedToken& token) { return rest.starts_with(token.name); });
    if (match != kNamedTokens.end()) {
      replaced += match->byte;
      pos += match->name.size();
    } else {
      replaced += rest.front();
      ++pos;
    }
  }
  return replaced;
}

bool StandsForItself(unsigned char byte) {
  constexpr std::string_view kMarks = " !.,?";
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
         kMarks.find(static_cast<char>(byte)) != std::string_view::npos;
}

// Each byte's display form, worked out once: a find or an export converts
// millions of entries.
struct DisplayForm {
  std::array<char, 8> chars;  // the form, then filler up to a whole word
  std::uint8_t length;
};
using DisplayForms = std::array<DisplayForm, 256>;

DisplayForms MakeDisplayForms(bool lowerCase) {
  DisplayForms forms{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    DisplayForm& form = forms[byte];
    if (StandsForItself(static_cast<unsigned char>(byte))) {
      const bool capital = byte >= 'A' && byte <= 'Z';
      form.chars[0] = static_cast<char>(lowerCase && capital ? byte + ('a' - 'A') : byte);
      form.length = 1;
      continue;
    }
    form.chars[0] = '<';
    char* end = std::to_chars(form.chars.data() + 1, form.chars.data() + 4, byte).ptr;
    *end++ = '>';
    form.length = static_cast<std::uint8_t>(end - form.chars.data());
  }
  return forms;
}

// Sixteen bytes at once (GCC's and Clang's vector extension): the bytes of
// plain text stand for themselves, so a run of them is copied sixteen at a
// time instead of looked up one by one.
using Bytes16 = unsigned char __attribute__((vector_size(16)));
constexpr std::ptrdiff_t kVectorBytes = 16;

// Whether all sixteen stand for themselves; if so, writes them to out, in
// lower case where asked.
bool WritePlain16(const char* in, char* out, bool lowerCase) {
  Bytes16 v;
  std::memcpy(&v, in, sizeof v);
  const auto plain =
      (((v | 0x20) - 'a') < 26) | ((v - '0') < 10) | (v == ' ') | (v == '!') | (v == '.') | (v == ',') | (v == '?');
  std::uint64_t halves[2];
  std::memcpy(halves, &plain, sizeof halves);
  if ((halves[0] & halves[1]) != ~std::uint64_t{0}) return false;
  if (lowerCase) v += ((v - 'A') < 26) & 0x20;
  std::memcpy(out, &v, sizeof v);
  return true;
}

}  // namespace

std::string fkt_SpecialCharsToRaw(const std::string& notation) {
  return ReplaceNumericTokens(ReplaceNamedTokens(notation));
}

std::string fkt_RawToSpecialChars(const std::string& raw) {
  std::string display(raw.size() * kDisplayRoomPerByte + kDisplayRoomExtra, '\0');
  display.resize(static_cast<std::size_t>(WriteRawToSpecialChars(raw, display.data()) - display.data()));
  return display;
}

char* WriteRawToSpecialChars(std::string_view raw, char* out, bool lowerCase) {
  static const DisplayForms kForms = MakeDisplayForms(false);
  static const DisplayForms kLowerForms = MakeDisplayForms(true);
  const DisplayForms& forms = lowerCase ? kLowerForms : kForms;
  const char* in = raw.data();
  const char* const end = in + raw.size();
  while (in != end) {
    while (end - in >= kVectorBytes && WritePlain16(in, out, lowerCase)) {
      in += kVectorBytes;
      out += kVectorBytes;
    }
    // Byte by byte up to sixteen before the vector is tried again. Each
    // form is written whole as one 8-byte word, and the output moves on by
    // its length: no branch per byte.
    const char* const stop = in + std::min<std::ptrdiff_t>(end - in, kVectorBytes);
    for (; in != stop; ++in) {
      const DisplayForm& form = forms[static_cast<unsigned char>(*in)];
      std::memcpy(out, form.chars.data(), sizeof form.chars);
      out += form.length;
    }
  }
  return out;
}
