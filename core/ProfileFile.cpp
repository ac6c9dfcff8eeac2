#include "core/ProfileFile.h"

#include <optional>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
    if (ca != cb) return false;
  }
  return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string> SectionName(const std::string& line) {
  std::string trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  std::size_t close = trimmed.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(trimmed.substr(1, close - 1));
}

// Splits "key=value"; lines without "=" hold no key.
bool SplitKeyLine(const std::string& line, std::string* key, std::string* value) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(line.substr(0, eq));
  *value = line.substr(eq + 1);
  return true;
}

std::string CleanValue(const std::string& raw) {
  std::string value = Trim(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kProfileValueMax) value.resize(kProfileValueMax);
  return value;
}

// A last line without LF (no line end, or only the CRs at the end of the
// file) gets one, so that a line written behind it starts a line of its own.
void EndWithLineFeed(std::string& terminator) {
  if (terminator.find('\n') != std::string::npos) return;
  terminator.append(terminator.empty() ? "\r\n" : "\n");
}

}  // namespace

ProfileFile ProfileFile::FromText(std::string text) {
  // Only LF ends a line. The CRs right before it (CR LF, or CR CR LF from a
  // file converted twice) and those at the very end of the file belong to the
  // line end; any other CR is part of the line. A file edited elsewhere with
  // a lone CR inside a value thus keeps that value whole, and no key or
  // section can begin behind the CR.
  ProfileFile file;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t lf = text.find('\n', pos);
    const std::size_t next = lf == std::string::npos ? text.size() : lf + 1;
    std::size_t contentEnd = lf == std::string::npos ? text.size() : lf;
    while (contentEnd > pos && text[contentEnd - 1] == '\r') --contentEnd;
    file.lines_.push_back({text.substr(pos, contentEnd - pos), text.substr(contentEnd, next - contentEnd)});
    pos = next;
  }
  return file;
}

ProfileFile ProfileFile::Load(const std::string& path, FileStatus* status) {
  FileContent content = SafeRead(path);
  *status = content.status;
  return content.status.Ok() ? FromText(std::move(content.bytes)) : ProfileFile();
}

std::optional<std::string> ProfileFile::Find(const std::string& section, const std::string& key) const {
  bool inSection = false;
  bool sectionSeen = false;
  for (const Line& line : lines_) {
    if (auto name = SectionName(line.content)) {
      if (sectionSeen && inSection) break;  // only the first matching section counts
      inSection = EqualsIgnoreCase(*name, section);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    std::string lineKey;
    std::string value;
    if (inSection && SplitKeyLine(line.content, &lineKey, &value) && EqualsIgnoreCase(lineKey, key)) {
      return CleanValue(value);
    }
  }
  return std::nullopt;
}

std::string ProfileFile::Get(const std::string& section, const std::string& key,
                             const std::string& defaultValue) const {
  if (std::optional<std::string> value = Find(section, key)) return *value;
  std::string fallback = Trim(defaultValue);
  if (fallback.size() > kProfileValueMax) fallback.resize(kProfileValueMax);
  return fallback;
}

bool ProfileFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  const std::string keyLine = key + "=" + value;
  if ((section + key).find_first_of("\r\n") != std::string::npos) return false;
  const bool valueHasLineBreak = value.find_first_of("\r\n") != std::string::npos;
  // Locate the first matching section: its header and the last line holding content.
  std::optional<std::size_t> header;
  std::size_t lastContent = 0;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (auto name = SectionName(lines_[i].content)) {
      if (header) break;
      if (EqualsIgnoreCase(*name, section)) {
        header = i;
        lastContent = i;
      }
      continue;
    }
    if (!header) continue;
    std::string lineKey;
    std::string oldValue;
    if (SplitKeyLine(lines_[i].content, &lineKey, &oldValue) && EqualsIgnoreCase(lineKey, key)) {
      // A value that cannot be written as one line is accepted only where
      // the file holds it already (a lone CR read from a file edited
      // elsewhere): its line stays as it is.
      if (valueHasLineBreak) return CleanValue(oldValue) == value;
      lines_[i].content = keyLine;
      lines_[i].terminator = "\r\n";
      return true;
    }
    if (!Trim(lines_[i].content).empty()) lastContent = i;
  }

  if (valueHasLineBreak) return false;
  if (!lines_.empty()) EndWithLineFeed(lines_.back().terminator);
  if (!header) {
    lines_.push_back({"[" + section + "]", "\r\n"});
    lines_.push_back({keyLine, "\r\n"});
    return true;
  }
  EndWithLineFeed(lines_[lastContent].terminator);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent) + 1, Line{keyLine, "\r\n"});
  return true;
}

std::string ProfileFile::Text() const {
  std::string text;
  for (const Line& line : lines_) {
    text += line.content;
    text += line.terminator;
  }
  return text;
}
