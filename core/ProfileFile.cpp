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

}  // namespace

ProfileFile ProfileFile::FromText(std::string text) {
  ProfileFile file;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    Line line;
    if (end == std::string::npos) {
      line.content = text.substr(pos);
      pos = text.size();
    } else {
      line.content = text.substr(pos, end - pos);
      std::size_t termLength = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
      line.terminator = text.substr(end, termLength);
      pos = end + termLength;
    }
    file.lines_.push_back(std::move(line));
  }
  return file;
}

ProfileFile ProfileFile::Load(const std::string& path, FileStatus* status) {
  FileContent content = SafeRead(path);
  *status = content.status;
  return content.status.Ok() ? FromText(std::move(content.bytes)) : ProfileFile();
}

std::string ProfileFile::Get(const std::string& section, const std::string& key,
                             const std::string& defaultValue) const {
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
  std::string fallback = Trim(defaultValue);
  if (fallback.size() > kProfileValueMax) fallback.resize(kProfileValueMax);
  return fallback;
}

bool ProfileFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  const std::string keyLine = key + "=" + value;
  if ((section + keyLine).find_first_of("\r\n") != std::string::npos) return false;
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
      lines_[i].content = keyLine;
      lines_[i].terminator = "\r\n";
      return true;
    }
    if (!Trim(lines_[i].content).empty()) lastContent = i;
  }

  if (!lines_.empty() && lines_.back().terminator.empty()) lines_.back().terminator = "\r\n";
  if (!header) {
    lines_.push_back({"[" + section + "]", "\r\n"});
    lines_.push_back({keyLine, "\r\n"});
    return true;
  }
  if (lines_[lastContent].terminator.empty()) lines_[lastContent].terminator = "\r\n";
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
