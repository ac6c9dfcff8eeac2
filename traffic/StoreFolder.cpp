#include "traffic/StoreFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

#include "core/Descriptor.h"
#include "core/StringTable.h"

namespace {

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool OwnedByUserOrRoot(const struct stat& info) { return info.st_uid == ::geteuid() || info.st_uid == 0; }

// Appends the components of `path` in front of `pending`, in order.
void PushFront(const std::string& path, std::deque<std::string>& pending) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  pending.insert(pending.begin(), names.begin(), names.end());
}

// The target of the link `name` in `folder`, if the link may be followed;
// the refusal's text otherwise.
bool ReadTrustedLink(int folder, const std::string& name, std::string* target, std::string* why) {
  const Descriptor link(::openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (link.Get() < 0 || ::fstat(link.Get(), &info) != 0) {
    *why = std::strerror(errno);
    return false;
  }
  if (!S_ISLNK(info.st_mode)) {
    *why = std::strerror(ENOTDIR);
    return false;
  }
  if (!OwnedByUserOrRoot(info)) {
    *why = fkt_LoadResText(8102);
    return false;
  }
  std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
  const ssize_t length = ::readlinkat(link.Get(), "", buffer.data(), buffer.size());
  if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
    // A link that changed its length since the fstat is read again next time.
    *why = std::strerror(length < 0 ? errno : EAGAIN);
    return false;
  }
  target->assign(buffer.data(), static_cast<std::size_t>(length));
  return true;
}

}  // namespace

int OpenStoreFolder(const std::string& path, std::string* reason) {
  if (path.empty() || path.front() != '/') {
    *reason = path + ": " + fkt_LoadResText(8104);
    return -1;
  }
  // The folders opened so far, "/" first, and their names for messages.
  std::vector<Descriptor> chain;
  std::vector<std::string> names;
  const auto refuse = [&](const std::string& last, const std::string& why) {
    std::string walked;
    for (const std::string& name : names) walked += "/" + name;
    if (!last.empty() || walked.empty()) walked += "/" + last;
    *reason = walked + ": " + why;
    return -1;
  };
  chain.emplace_back(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (chain.back().Get() < 0) return refuse("", std::strerror(errno));

  std::deque<std::string> pending;
  PushFront(path, pending);
  int links = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.front());
    pending.pop_front();
    if (name == ".") continue;
    if (name == "..") {
      // The parent of the folder actually reached, as the kernel takes it.
      if (chain.size() > 1) {
        chain.pop_back();
        names.pop_back();
      }
      continue;
    }
    const int parent = chain.back().Get();
    Descriptor folder(::openat(parent, name.c_str(), kFolderFlags));
    if (folder.Get() < 0 && errno == ENOENT) {
      if (::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) return refuse(name, std::strerror(errno));
      folder = Descriptor(::openat(parent, name.c_str(), kFolderFlags));
    }
    if (folder.Get() < 0 && (errno == ELOOP || errno == ENOTDIR)) {
      std::string target;
      std::string why;
      if (!ReadTrustedLink(parent, name, &target, &why)) return refuse(name, why);
      if (++links > kMaxLinks) return refuse(name, std::strerror(ELOOP));
      if (target.starts_with('/')) {
        chain.erase(chain.begin() + 1, chain.end());
        names.clear();
      }
      PushFront(target, pending);
      continue;
    }
    struct stat info {};
    if (folder.Get() < 0 || ::fstat(folder.Get(), &info) != 0) return refuse(name, std::strerror(errno));
    if (!OwnedByUserOrRoot(info)) return refuse(name, fkt_LoadResText(8101));
    chain.push_back(std::move(folder));
    names.push_back(name);
  }

  struct stat info {};
  if (::fstat(chain.back().Get(), &info) != 0) return refuse("", std::strerror(errno));
  const bool own = info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
  const bool sharedSticky = (info.st_mode & S_ISVTX) != 0 && OwnedByUserOrRoot(info);
  if (!own && !sharedSticky) return refuse("", fkt_LoadResText(info.st_uid == ::geteuid() ? 8103 : 8101));
  return chain.back().Release();
}
