#!/bin/sh
# Brings the shared settings folder to its policy (run as root):
#   system group "telvane";
#   /var/lib/Kelvor          root:root    0755
#   /var/lib/Kelvor/Telvane  root:telvane 2775 (setgid: files made there get the group)
# Operators join the group and may change the settings; everyone else may read
# them. Files already in the folder are left as they are.
# Used by scripts/run.sh and by the package's postinst.
set -e
parent=/var/lib/Kelvor
folder=$parent/Telvane
group=telvane

getent group "$group" >/dev/null || groupadd --system "$group"

# An older install made both folders writable by everyone (0777), so another
# user may have put a symbolic link or a file where a folder belongs: nothing
# here follows one. The parent is fixed first; once it is root's and 0755,
# nobody else can swap the entry for the folder below it.
require_folder() {
  if [ -L "$1" ] || { [ -e "$1" ] && [ ! -d "$1" ]; }; then
    echo "telvane: $1 is not a folder but a link or a file; remove it, then run this again" >&2
    exit 1
  fi
  [ -d "$1" ] || mkdir "$1"
}
require_folder "$parent"
chown root:root "$parent"
chmod 0755 "$parent"
require_folder "$folder"
chown root:"$group" "$folder"
chmod 2775 "$folder"
