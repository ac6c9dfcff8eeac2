#!/usr/bin/env bash
# shellcheck disable=SC2016 # set-up commands run inside the namespace
# The settings-folder policy script (run by scripts/run.sh and the package's
# postinst) on the states a machine may be in. Each case runs in a private
# mount namespace with a temporary folder in place of /var/lib; the group
# "telvane" is created on the machine if it is missing, as an install would.
# Needs root; ctest counts exit 77 as skipped.
set -uo pipefail
[ "$(id -u)" -eq 0 ] || { echo "needs root (unshare, mount, chown)"; exit 77; }
policy=$(cd "$(dirname "$0")/../.." && pwd)/packaging/settings-folder.sh

failures=0
checks=0
# description, expected exit (0|fail), set-up commands, expected `stat` lines
check() {
  checks=$((checks + 1))
  local root
  root=$(mktemp -d)
  mkdir -p "$root/varlib" "$root/outside"
  chmod 0755 "$root/outside"
  local result
  result=$(unshare --mount --propagation private bash -c '
    mount --bind "$1/varlib" /var/lib || exit 99
    cd /var/lib && eval "$2" || exit 98
    if sh "$3" >/dev/null 2>&1; then echo exit=0; else echo exit=fail; fi
    stat -c "%n %U:%G %a" Kelvor Kelvor/* Kelvor/Telvane/* "$1/outside" "$1/outside"/* 2>/dev/null | sed "s#$1#ROOT#"' \
    _ "$root" "$3" "$policy")
  local expected
  expected=$(printf 'exit=%s\n%s' "$2" "$4")
  if [ "$result" != "$expected" ]; then
    echo "FAIL: $1"; diff <(echo "$expected") <(echo "$result"); failures=$((failures + 1))
  fi
  rm -rf "$root"
}

check "fresh machine" 0 ':' \
'Kelvor root:root 755
Kelvor/Telvane root:telvane 2775
ROOT/outside root:root 755'

check "older install (0777) with a colleague's files: folder fixed, files left alone" 0 \
'mkdir -p Kelvor/Telvane && chmod 0777 Kelvor Kelvor/Telvane && touch Kelvor/Telvane/Settings.ini &&
 chown -R 4242:4242 Kelvor/Telvane && chmod 0666 Kelvor/Telvane/Settings.ini' \
'Kelvor root:root 755
Kelvor/Telvane root:telvane 2775
Kelvor/Telvane/Settings.ini UNKNOWN:UNKNOWN 666
ROOT/outside root:root 755'

check "a planted link to another folder is refused, not followed" fail \
'mkdir Kelvor && chmod 0777 Kelvor && ln -s "$(dirname "$PWD")/outside" Kelvor/Telvane' \
'Kelvor root:root 755
Kelvor/Telvane root:root 777
ROOT/outside root:root 755'

check "a file where the parent folder belongs is refused" fail \
'touch Kelvor && chmod 0644 Kelvor' \
'Kelvor root:root 644
ROOT/outside root:root 755'

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
