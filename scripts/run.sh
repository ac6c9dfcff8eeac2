#!/usr/bin/env bash
# Installs what is missing, sets up the shared settings folder, builds the
# console and starts it beside the instrument stand-in on loopback.
#
# A first run (no Settings.ini in the settings folder yet) gets the loopback
# template from build/bin/Settings.ini, so the console talks to the stand-in on
# this machine. Existing settings are never touched; the stand-in runs and F1
# is pressed only when those settings name loopback addresses.
#
# With a display the console stays open for the operator and the stand-in
# stops when it ends. Without one, the console runs under Xvfb: the script
# presses F1 (command slot 1), waits for the stand-in's answer to be listed,
# saves a screenshot, says where, and quits the console with Esc.
set -euo pipefail
cd "$(dirname "$0")/.."

settings_folder=/var/lib/Kelvor/Telvane
group=telvane

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
  if ! command -v sudo >/dev/null; then
    echo "Setting up needs root: run this as root, or install sudo and give yourself the right to use it." >&2
    exit 1
  fi
fi

scripts/install-deps.sh

# The settings folder and its group (the policy is in the README). The user
# who runs this (directly or through sudo) becomes an operator.
$SUDO sh packaging/settings-folder.sh
operator=${SUDO_USER:-$(id -un)}
if [ "$operator" != root ] && ! id -nG -- "$operator" | tr ' ' '\n' | grep -qx "$group"; then
  $SUDO usermod -a -G "$group" -- "$operator"
  echo "Added $operator to the group $group (the operators of this machine)."
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTELVANE_WERROR=ON
cmake --build build -j"$(nproc)" --target telvane telvane-sim

# settings_value, is_loopback, settings_file, loopback_settings
. scripts/loopback-settings.sh

work=$(mktemp -d)
standin_pid=""
cleanup() {
  [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Run as root, the stand-in drops to the user who called sudo (or to nobody):
# it needs no privilege, and it answers whatever reaches its port.
standin_user=()
if [ "$(id -u)" -eq 0 ]; then
  if [[ "${SUDO_UID:-}" =~ ^[1-9][0-9]*$ && "${SUDO_GID:-}" =~ ^[0-9]+$ ]]; then
    standin_user=(setpriv --reuid="$SUDO_UID" --regid="$SUDO_GID" --init-groups --)
  else
    standin_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  fi
fi

exchange_possible=false
settings=$(settings_file "$settings_folder")
if loopback_settings "$settings" && listen=$(standin_listen "$settings"); then
  local_port=$(settings_value UdpPortLocale "$settings")
  [[ "$local_port" =~ ^[0-9]{1,5}$ ]] && local_port=$((10#$local_port))
  if [ "$listen" = "$(settings_value LocaleIpAddress "$settings"):${local_port:-8364}" ]; then
    echo "$settings sends to its own local address and port; the instrument stand-in is not started."
  else
    # One argument per value, never split on blanks.
    "${standin_user[@]}" build/bin/telvane-sim --listen="$listen" >"$work/standin.log" 2>&1 &
    standin_pid=$!
    # The stand-in prints a line once it listens.
    for _ in $(seq 50); do [ -s "$work/standin.log" ] || ! kill -0 "$standin_pid" 2>/dev/null && break; sleep 0.1; done
    if kill -0 "$standin_pid" 2>/dev/null; then
      echo "Instrument stand-in: $(head -n 1 "$work/standin.log")"
      exchange_possible=true
    else
      echo "The instrument stand-in did not start (is $listen in use?):"
      cat "$work/standin.log"
      standin_pid=""
    fi
  fi
fi

# A new member of the group gets it only in a new login session; sg starts
# the console with it now, so a newcomer's first run can save its settings.
console=(build/bin/telvane)
if [ "$(id -u)" -ne 0 ] && ! id -nG | tr ' ' '\n' | grep -qx "$group"; then
  console=(sg "$group" -c "exec $(printf '%q' "$PWD/build/bin/telvane")")
fi

if [ -n "${DISPLAY:-}" ]; then
  "${console[@]}" || true
  exit 0
fi

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"${console[@]}" &
app_pid=$!
# The main window, once it is shown (at most 10 s).
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Telvane$' 2>/dev/null | head -n 1 || true)
# Give the link supervision time to bind the socket (it ticks every 10 ms).
sleep 1

if [ -z "$window" ]; then
  echo "The console's window did not appear."
elif $exchange_possible && loopback_settings "$settings_folder/Settings.ini"; then
  # F1 sends command slot 1; the stand-in prints a line for every datagram
  # it receives ([IN]) and sends ([OUT]).
  xdotool windowfocus --sync "$window" key F1
  for _ in $(seq 100); do grep -q '\[OUT\]' "$work/standin.log" && break; sleep 0.1; done
  if grep -q '\[OUT\]' "$work/standin.log"; then
    echo "F1 pressed; the stand-in answered: $(grep -m 1 '\[OUT\]' "$work/standin.log")"
  else
    echo "F1 pressed, but the stand-in answered nothing within 10 s."
  fi
  # Let the console list the answer and paint it.
  sleep 1
fi
shot="$PWD/build/telvane-screenshot.png"
import -window root "$shot"
echo "The console ran under Xvfb ($DISPLAY); screenshot of its window: $shot"

# Quit the way an operator would (Esc), so the settings are saved. (sg stays
# the console's parent, so a stuck console is found through its window.)
if [ -z "$window" ] || ! xdotool windowfocus --sync "$window" key Escape 2>/dev/null; then
  kill "$( [ -n "$window" ] && xdotool getwindowpid "$window" 2>/dev/null || echo "$app_pid")" 2>/dev/null || true
fi
wait "$app_pid" || true
