#include "core/ProfileSave.h"

#include <exception>

#include "core/FileErrorMessage.h"
#include "core/ProfileFile.h"

namespace {

bool Save(const std::string& path, const std::vector<ProfileSectionKeys>& sections) {
  FileStatus status;
  ProfileFile file = ProfileFile::Load(path, &status);
  if (!status.OkOrMissing()) {
    ShowFileError(FileError::NotReplaced, path, status);
    return false;
  }
  std::string refused;
  for (const ProfileSectionKeys& section : sections) {
    for (const auto& [key, value] : section.keys) {
      if (value == section.omittedValue && !file.Has(section.section, key)) continue;
      if (!file.Set(section.section, key, value)) refused += (refused.empty() ? "" : ", ") + key;
    }
  }
  const bool existed = status.Ok();
  status = file.Save(path);
  if (!status.Ok()) {
    // A failed write never touches the old content: say so where there was one.
    ShowFileError(existed ? FileError::NotReplaced : FileError::CannotWrite, path, status);
    return false;
  }
  if (!refused.empty()) ShowFileError(FileError::LineBreakRefused, path, refused);
  return refused.empty();
}

}  // namespace

bool SaveProfileKeys(const std::string& path, const std::string& section, const ProfileKeys& keys) noexcept {
  try {
    return SaveProfileSections(path, {{section, keys, std::nullopt}});
  } catch (...) {
    return false;  // no memory left for the copy of the keys
  }
}

bool SaveProfileSections(const std::string& path, const std::vector<ProfileSectionKeys>& sections) noexcept {
  try {
    return Save(path, sections);
  } catch (const std::exception& failure) {
    try {
      ShowFileError(FileError::UnexpectedSaveFailure, path, failure.what());
    } catch (...) {
      // Nothing left to report with; the next file is still saved.
    }
  }
  return false;
}
