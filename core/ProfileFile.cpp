#include "core/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

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

ProfileFile ProfileFile::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return FromText(std::move(text));
}

bool ProfileFile::CanRead(const std::string& path, std::string* reason) {
  std::ifstream in(path, std::ios::binary);
  if (in) return true;
  if (reason != nullptr) *reason = std::strerror(errno);
  return false;
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

void ProfileFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  const std::string keyLine = key + "=" + value;
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
      return;
    }
    if (!Trim(lines_[i].content).empty()) lastContent = i;
  }

  if (!lines_.empty() && lines_.back().terminator.empty()) lines_.back().terminator = "\r\n";
  if (!header) {
    lines_.push_back({"[" + section + "]", "\r\n"});
    lines_.push_back({keyLine, "\r\n"});
    return;
  }
  if (lines_[lastContent].terminator.empty()) lines_[lastContent].terminator = "\r\n";
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent) + 1, Line{keyLine, "\r\n"});
}

std::string ProfileFile::Text() const {
  std::string text;
  for (const Line& line : lines_) {
    text += line.content;
    text += line.terminator;
  }
  return text;
}

bool ProfileFile::Save(const std::string& path, std::string* reason) const {
  auto fail = [&](const std::string& what, int error) {
    if (reason != nullptr) *reason = what + ": " + std::strerror(error);
    return false;
  };

  // Keep the permissions of an existing file; one without any write bit is
  // read-only and stays untouched (checked on the bits, so it holds for root too).
  mode_t mode = 0666;
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) return fail("cannot write", EISDIR);
    if ((existing.st_mode & 0222) == 0) return fail("cannot write", EACCES);
    mode = existing.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return fail("cannot create a file in its folder", errno);

  const std::string text = Text();
  std::size_t written = 0;
  while (written < text.size()) {
    ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      return fail("cannot write", error);
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
    int error = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return fail("cannot write", error);
  }
  if (::close(fd) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    return fail("cannot write", error);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    return fail("cannot replace the file", error);
  }
  return true;
}

std::string ProfileGetString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             const std::string& path) {
  return ProfileFile::Load(path).Get(section, key, defaultValue);
}
