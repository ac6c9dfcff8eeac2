#include "core/FileErrorMessage.h"

#include <cstring>

#include "core/Platform.h"
#include "core/StringTable.h"

std::string FileStatusText(const FileStatus& status) {
  switch (status.refusal) {
    case FileRefusal::None: return {};
    case FileRefusal::ForeignLink: return fkt_LoadResText(8010);
    case FileRefusal::LinkChain: return fkt_LoadResText(8011);
    case FileRefusal::NotRegular: return fkt_LoadResText(8012);
    case FileRefusal::HardLinked: return fkt_LoadResText(8013);
    case FileRefusal::TooLarge: return fkt_LoadResText(8014);
    case FileRefusal::ReadOnly: return fkt_LoadResText(8015);
    case FileRefusal::Missing:
    case FileRefusal::SystemError: break;
  }
  return std::strerror(status.error);
}

std::string FileErrorText(FileError kind, const std::string& path, const std::string& reason) {
  struct Texts {
    int lead;
    int consequence;  // 0: none
  };
  Texts texts{8001, 0};
  switch (kind) {
    case FileError::CannotRead: texts = {8000, 0}; break;
    case FileError::SettingsUnreadable: texts = {8000, 8004}; break;
    case FileError::CommandsUnreadable: texts = {8000, 8005}; break;
    case FileError::CannotWrite: texts = {8001, 0}; break;
    case FileError::NotReplaced: texts = {8001, 8006}; break;
    case FileError::LogCannotOpen: texts = {8002, 0}; break;
    case FileError::LogCannotWrite: texts = {8003, 0}; break;
    case FileError::UnexpectedSaveFailure: texts = {8007, 0}; break;
    case FileError::LineBreakRefused: texts = {8016, 0}; break;
  }
  std::string text = fkt_LoadResText(texts.lead) + "\r\n" + path + "\r\n" + reason;
  if (texts.consequence != 0) text += "\r\n" + fkt_LoadResText(texts.consequence);
  return text;
}

void ShowFileError(FileError kind, const std::string& path, const std::string& reason) {
  CurrentPlatform().ShowMessage(FileErrorText(kind, path, reason), fkt_LoadResText(7420), MessageIcon::Error);
}

void ShowFileError(FileError kind, const std::string& path, const FileStatus& status) {
  ShowFileError(kind, path, FileStatusText(status));
}
