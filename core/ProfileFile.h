#pragma once
// Profile (INI) files: Settings.ini and the command files.
//
// Reading follows the classic profile rules: section and key names match
// without regard to case, blanks around a value and one pair of enclosing
// quotes (single or double) are dropped, a value is cut to 254 characters,
// and a missing file, section or key reads as the caller's default.
//
// Only LF ends a line; the CRs right before it, or at the end of the file,
// belong to the line end, and any other CR is part of the line (a value may
// hold one in a file edited elsewhere).
//
// Writing replaces an existing key in place, appends a missing key at the end
// of its section and a missing section at the end of the file, and keeps every
// other byte of the file as it was. Lines it writes end with CR LF. A value
// holding a line break is refused: it would split the file into other keys
// and sections. Files are read and written through SafeFile, so a write is
// atomic and nothing planted in the shared folder is followed or trusted.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/SafeFile.h"

inline constexpr std::size_t kProfileValueMax = 254;

class ProfileFile {
 public:
  // Loads a file; a missing or refused file gives an empty profile, and
  // *status says which.
  static ProfileFile Load(const std::string& path, FileStatus* status);
  static ProfileFile FromText(std::string text);

  // The value of the first matching key of the first matching section.
  std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue) const;
  bool Has(const std::string& section, const std::string& key) const { return Find(section, key).has_value(); }
  // Sets one key the way a single profile write would. A line break (CR or
  // LF) in any of the three is refused: false, and nothing changes. Only a
  // value that the key holds already, as read (a lone CR in a file edited
  // elsewhere), is accepted with its line left as it stands.
  [[nodiscard]] bool Set(const std::string& section, const std::string& key, const std::string& value);

  std::string Text() const;
  FileStatus Save(const std::string& path) const { return SafeWrite(path, Text()); }

 private:
  std::optional<std::string> Find(const std::string& section, const std::string& key) const;

  struct Line {
    std::string content;     // without its line end
    std::string terminator;  // the CRs and the LF that end it; no LF on the last line
  };
  std::vector<Line> lines_;
};
