#pragma once
// The folder that holds the traffic list's unnamed files, opened so that no
// other user can choose where they go.
//
// The cache path comes from the environment, which root may have inherited
// from another user (sudo -E, su -m). The path is therefore walked one
// component at a time from "/", each opened relative to the folder before it
// without following links, and the folder actually opened is checked, so that
// nothing can be swapped between the check and the use:
//  - every folder on the way belongs to the current user or to root;
//  - a symbolic link is followed only when it belongs to the current user or
//    to root (anyone else could point it anywhere);
//  - missing folders are created for the current user alone (0700), so a new
//    folder only ever appears inside one the current user or root owns;
//  - the folder reached belongs to the current user and no one else may
//    write to it, or it is a shared folder with the sticky bit (a temporary
//    folder) of the current user or root, where no user can touch another's
//    entries.
// The files are then created relative to the returned descriptor.
#include <string>

// A descriptor of the folder (O_PATH), or -1 with the reason in *reason: the
// component that was refused and why.
int OpenStoreFolder(const std::string& path, std::string* reason);
