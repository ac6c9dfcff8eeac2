// libFuzzer target for the profile reader and writer: arbitrary bytes are
// parsed as a file, the program's keys are set to arbitrary values (line
// breaks included) or to the values read, and the result is written out and
// parsed again. A crash,
// a sanitizer report, a hang or a broken invariant is a finding:
// - the file read and written back untouched is the same bytes;
// - a value, key or section holding CR or LF changes nothing, and is refused
//   unless it is the value the key holds already (a lone CR read from a file);
// - every accepted key reads back as set (blanks around it and one pair of
//   quotes dropped, cut to 254 characters);
// - every line of the original file that is not a replaced key line is still
//   there, unchanged and in order.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/ProfileFile.h"

namespace {

constexpr const char* kSection = "SETTINGS";
constexpr const char* kKeys[] = {
    "UdpPort",        "UdpPortLocale", "UdpAddress",    "LocaleIpAddress", "Peculiar", "Language", "PrefixOption",
    "ReadjustOption", "PrefixChars",   "ReadjustChars", "DeleteSendChars", "Param1",   "Param3",   "Param8"};

void Check(bool holds) {
  if (!holds) std::abort();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// What a value reads back as.
std::string Cleaned(const std::string& value) {
  std::string v = Trim(value);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  if (v.size() > kProfileValueMax) v.resize(kProfileValueMax);
  return v;
}

// The lines of a text without their ends: only LF ends a line, and the CRs
// right before it, or at the end of the text, belong to the line end.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    while (end > pos && text[end - 1] == '\r') --end;
    lines.push_back(text.substr(pos, end - pos));
    pos = next;
  }
  return lines;
}

// The lines a write may replace: the first line of each set key inside the
// first section of that name.
std::vector<bool> ReplaceableLines(const std::vector<std::string>& lines,
                                   const std::map<std::string, std::string>& set) {
  std::vector<bool> replaceable(lines.size(), false);
  std::map<std::string, bool> seen;
  bool inSection = false;
  bool sectionSeen = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string trimmed = Trim(lines[i]);
    const std::size_t close = trimmed.find(']');
    if (!trimmed.empty() && trimmed.front() == '[' && close != std::string::npos) {
      if (sectionSeen && inSection) break;
      inSection = Lower(Trim(trimmed.substr(1, close - 1))) == Lower(kSection);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    const std::size_t eq = lines[i].find('=');
    if (!inSection || eq == std::string::npos) continue;
    const std::string key = Lower(Trim(lines[i].substr(0, eq)));
    if (set.contains(key) && !seen[key]) {
      seen[key] = true;
      replaceable[i] = true;
    }
  }
  return replaceable;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string original = input.ConsumeRandomLengthString(2048);
  ProfileFile file = ProfileFile::FromText(original);
  Check(file.Text() == original);

  std::map<std::string, std::string> expected;  // lower-case key -> value read back
  while (input.remaining_bytes() > 0) {
    const std::string key = kKeys[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kKeys) - 1)];
    // Some keys are written back as read, as a save does with settings no
    // one changed.
    const std::string value = input.ConsumeBool() ? file.Get(kSection, key, "") : input.ConsumeRandomLengthString(300);
    if (value.find_first_of("\r\n") != std::string::npos) {
      const std::string before = file.Text();
      const std::string current = file.Get(kSection, key, "x");
      const bool present = current == file.Get(kSection, key, "y");  // not a default
      const bool held = present && current == value;
      Check(file.Set(kSection, key, value) == held);
      Check(file.Text() == before);
      if (held) expected[Lower(key)] = value;
      continue;
    }
    Check(file.Set(kSection, key, value));
    expected[Lower(key)] = Cleaned(value);
  }

  const std::string written = file.Text();
  const ProfileFile reread = ProfileFile::FromText(written);
  for (const char* key : kKeys) {
    const auto it = expected.find(Lower(key));
    if (it != expected.end()) Check(reread.Get(kSection, key, "\x01") == it->second);
  }

  // Every line that no write replaced is kept, in order.
  const std::vector<std::string> before = Lines(original);
  const std::vector<bool> replaceable = ReplaceableLines(before, expected);
  const std::vector<std::string> after = Lines(written);
  std::size_t next = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (replaceable[i]) continue;
    while (next < after.size() && after[next] != before[i]) ++next;
    Check(next < after.size());
    ++next;
  }
  return 0;
}
