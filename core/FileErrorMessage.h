#pragma once
// Error boxes for files the program could not open, read or write. These
// texts are the program's own (the string table has none for them); they
// follow the selected language like every other text.
#include <string>

enum class FileError { CannotWrite, CannotRead, LogCannotOpen, LogCannotWrite };

std::string FileErrorText(FileError kind, const std::string& path, const std::string& reason);
// Shows the text in an error box captioned "Fehler" / "Error".
void ShowFileError(FileError kind, const std::string& path, const std::string& reason);
