#!/usr/bin/env bash
# Installs what is missing, creates the settings folder, builds the console
# and starts it. Without a display the console runs under Xvfb: the script
# saves a screenshot of the window, says where, and quits the console.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# The settings folder is shared by every local user of the machine.
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO mkdir -p /var/lib/Kelvor/Telvane
$SUDO chmod 0777 /var/lib/Kelvor /var/lib/Kelvor/Telvane

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target telvane

if [ -n "${DISPLAY:-}" ]; then
  exec build/bin/telvane
fi

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

build/bin/telvane &
app_pid=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --sync --onlyvisible --name '^Telvane$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
sleep 1
shot="$PWD/build/telvane-screenshot.png"
import -window root "$shot"
echo "The console is running under Xvfb ($DISPLAY); screenshot of its window: $shot"

# Quit the way an operator would (Esc), so the settings are saved.
[ -n "$window" ] && xdotool windowactivate --sync "$window" key Escape 2>/dev/null || kill "$app_pid"
wait "$app_pid" || true
