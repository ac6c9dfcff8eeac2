#include "core/ModFile.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/Platform.h"
#include "core/StringTable.h"

bool fkt_FileExists(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  return !S_ISDIR(info.st_mode);
}

bool fkt_FolderExists(const std::string& path) {
  CurrentPlatform().DoEvents();
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  CurrentPlatform().DoEvents();
  return exists;
}

namespace {
void ShowCreateError() {
  CurrentPlatform().ShowMessage(fkt_LoadResText(7422) + "\r\n", fkt_LoadResText(7420), MessageIcon::Error);
}
}  // namespace

bool fkt_CreatePath(const std::string& path, bool showMessages) {
  if (fkt_FolderExists(path)) return true;

  std::string rest = path;
  std::string prefix;
  while (!rest.empty()) {
    // A leading separator belongs to the prefix ("/" at the root, or the one
    // between two components); then one component up to the next separator.
    if (rest.front() == '/') {
      prefix += '/';
      rest.erase(0, 1);
    }
    std::size_t next = rest.find('/');
    std::size_t take = next == std::string::npos ? rest.size() : next;
    prefix += rest.substr(0, take);
    rest.erase(0, take);
    if (prefix.empty() || prefix == "/") continue;
    if (!fkt_FolderExists(prefix) && ::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      if (showMessages) {
        ShowCreateError();
        break;
      }
    }
  }

  CurrentPlatform().DoEvents();
  if (fkt_FolderExists(path)) return true;
  if (showMessages) ShowCreateError();
  return false;
}
