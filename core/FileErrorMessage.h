#pragma once
// Error boxes for files the program could not open, read or write, in the
// selected language: a lead line, the file's path, the reason and, where the
// program goes on differently, what it does instead.
#include <string>

#include "core/SafeFile.h"

enum class FileError {
  CannotRead,          // a command file chosen from the menu
  SettingsUnreadable,  // Settings.ini at start: the defaults apply
  CommandsUnreadable,  // the default command file at start: slots 3..8 stay empty
  CannotWrite,
  NotReplaced,  // at exit: a file that cannot be read is left as it was
  LogCannotOpen,
  LogCannotWrite,
  UnexpectedSaveFailure,
  LineBreakRefused,  // the reason names the keys left out
};

// The reason for a refusal, or the system's own text for its error number.
std::string FileStatusText(const FileStatus& status);
std::string FileErrorText(FileError kind, const std::string& path, const std::string& reason);
// Shows the text in an error box captioned "Fehler" / "Error".
void ShowFileError(FileError kind, const std::string& path, const std::string& reason);
void ShowFileError(FileError kind, const std::string& path, const FileStatus& status);
