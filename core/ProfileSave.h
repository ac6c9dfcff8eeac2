#pragma once
// Writing keys into a profile file (Settings.ini, the command files).
//
// The file is read first, so its other sections and keys are kept; the keys
// are set; the file is written back through SafeFile. Every failure is shown
// in an error box naming the file, and nothing is thrown, so a failure with
// one file never keeps the next one from being saved. A file that exists but
// cannot be read is left exactly as it was, and a value holding a line break
// is left out (the file keeps that key's old line).
#include <optional>
#include <string>
#include <utility>
#include <vector>

using ProfileKeys = std::vector<std::pair<std::string, std::string>>;

struct ProfileSectionKeys {
  std::string section;
  ProfileKeys keys;
  // A key holding this value is left out unless the file holds the key
  // already: a file gains no keys for what was never changed.
  std::optional<std::string> omittedValue;
};

// True when every key was written.
bool SaveProfileKeys(const std::string& path, const std::string& section, const ProfileKeys& keys) noexcept;
// The same for several sections, written in one go.
bool SaveProfileSections(const std::string& path, const std::vector<ProfileSectionKeys>& sections) noexcept;
