#include "core/FileErrorMessage.h"

#include "core/AppSettings.h"
#include "core/Platform.h"
#include "core/StringTable.h"

std::string FileErrorText(FileError kind, const std::string& path, const std::string& reason) {
  const bool german = AppSettings.Language == 0;
  const char* lead = "";
  switch (kind) {
    case FileError::CannotWrite:
      lead = german ? "Die Datei konnte nicht geschrieben werden:" : "The file could not be written:";
      break;
    case FileError::CannotRead:
      lead = german ? "Die Datei kann nicht gelesen werden:" : "The file cannot be read:";
      break;
    case FileError::LogCannotOpen:
      lead = german ? "Die Datenlog-Datei kann nicht ge\xF6" "ffnet werden:" : "The data log file cannot be opened:";
      break;
    case FileError::LogCannotWrite:
      lead = german ? "Die Datenlog-Datei konnte nicht geschrieben werden:" : "The data log file could not be written:";
      break;
  }
  return std::string(lead) + "\r\n" + path + "\r\n" + reason;
}

void ShowFileError(FileError kind, const std::string& path, const std::string& reason) {
  CurrentPlatform().ShowMessage(FileErrorText(kind, path, reason), fkt_LoadResText(7420), MessageIcon::Error);
}
