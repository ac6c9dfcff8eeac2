#pragma once
// File-system helpers. Paths are bytes; the separator is "/".
#include <string>

// True for an existing file; a folder is not a file.
bool fkt_FileExists(const std::string& path);
// Lets pending window events run before and after the check.
bool fkt_FolderExists(const std::string& path);
// Creates every missing folder of `path`, from the left. A component that
// cannot be created is reported (error box) only with `showMessages`, which
// also stops the walk; without it the walk goes on. True when the folder
// exists afterwards.
bool fkt_CreatePath(const std::string& path, bool showMessages);
