#pragma once
// Profile (INI) files: Settings.ini and the command files.
//
// Reading follows the classic profile rules: section and key names match
// without regard to case, blanks around a value and one pair of enclosing
// quotes (single or double) are dropped, a value is cut to 254 characters,
// and a missing file, section or key reads as the caller's default.
//
// Writing replaces an existing key in place, appends a missing key at the end
// of its section and a missing section at the end of the file, and keeps every
// other byte of the file as it was. Lines it writes end with CR LF. The new
// content is written to a temporary file in the same folder, flushed and
// renamed over the old file, so a crash or a full disk never leaves a
// half-written profile.
#include <string>
#include <utility>
#include <vector>

inline constexpr std::size_t kProfileValueMax = 254;

class ProfileFile {
 public:
  // Loads a file; a missing or unreadable file gives an empty profile.
  static ProfileFile Load(const std::string& path);
  static ProfileFile FromText(std::string text);
  // Whether a file exists and can be read; otherwise the reason.
  static bool CanRead(const std::string& path, std::string* reason);

  // The value of the first matching key of the first matching section.
  std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue) const;
  // Sets one key the way a single profile write would.
  void Set(const std::string& section, const std::string& key, const std::string& value);

  std::string Text() const;
  // Writes atomically; on failure returns false and puts the reason in *reason.
  bool Save(const std::string& path, std::string* reason) const;

 private:
  struct Line {
    std::string content;     // without its line end
    std::string terminator;  // "\r\n", "\n", "\r" or "" on the last line
  };
  std::vector<Line> lines_;
};

// Convenience for one value, as the platform's profile reader gives it.
std::string ProfileGetString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             const std::string& path);
