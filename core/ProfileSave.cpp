#include "core/ProfileSave.h"

#include <exception>

#include "core/FileErrorMessage.h"
#include "core/ProfileFile.h"

namespace {

bool Save(const std::string& path, const std::string& section, const ProfileKeys& keys) {
  FileStatus status;
  ProfileFile file = ProfileFile::Load(path, &status);
  if (!status.OkOrMissing()) {
    ShowFileError(FileError::NotReplaced, path, status);
    return false;
  }
  std::string refused;
  for (const auto& [key, value] : keys) {
    if (!file.Set(section, key, value)) refused += (refused.empty() ? "" : ", ") + key;
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
    return Save(path, section, keys);
  } catch (const std::exception& failure) {
    try {
      ShowFileError(FileError::UnexpectedSaveFailure, path, failure.what());
    } catch (...) {
      // Nothing left to report with; the next file is still saved.
    }
  }
  return false;
}
