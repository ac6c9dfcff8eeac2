#!/usr/bin/env bash
# Builds the Debian package from a built Release folder and checks it: lists
# its contents, runs lintian, validates the desktop entry and the AppStream
# metainfo, and starts the packaged program from an unpacked copy through
# the desktop entry's Exec line under Xvfb, then quits it with Esc.
#
# That start runs in private mount and network namespaces with a temporary
# folder in place of /var/lib/Kelvor, so the machine's real settings folder
# and its loopback ports are never touched; it needs root and is skipped
# with a message otherwise.
#
#   scripts/check-package.sh [BUILD_FOLDER]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
app_id=de.kelvor.telvane

rm -f "$build"/telvane_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/telvane_*.deb)
echo "== $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

# Errors and warnings fail the check. Tags at the "info" level that are
# accepted (shown, not failing):
# - binary-has-unneeded-section .comment: the compiler's version note, harmless;
# - hardening-no-fortify-functions, if it appears: a program whose buffers
#   the compiler cannot size gets no fortified calls (TELVANE_HARDEN builds
#   with _FORTIFY_SOURCE=2, stack protection and full RELRO, as Debian does);
# - spelling-error-in-binary "Programm", "occured": the German word for
#   program, and a text of the string table kept as the program shows it.
echo "== lintian"
lintian --fail-on error,warning --display-info "$deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
echo "== desktop entry and AppStream metainfo"
desktop-file-validate "$work/root/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml"

echo "== the packaged program"
version=$("$work/root/usr/bin/telvane" --version)
[ "$version" = "Telvane V2018.1.0" ] || { echo "telvane --version printed '$version'"; exit 1; }
echo "telvane --version: $version"

if [ "$(id -u)" -ne 0 ]; then
  echo "Skipped starting the packaged program: it needs root for a private settings folder (unshare, mount)."
  exit 0
fi

# The settings folder the program will find: loopback settings, so that
# nothing is ever sent anywhere else.
mkdir -p "$work/varlib/Kelvor/Telvane"
printf '[SETTINGS]\r\nUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\nUdpPort=8364\r\nUdpPortLocale=8365\r\n' \
  >"$work/varlib/Kelvor/Telvane/Settings.ini"
exec_line=$(sed -n 's/^Exec=//p' "$work/root/usr/share/applications/$app_id.desktop")

# A bind mount needs an existing mount point: /var/lib/Kelvor where the
# machine has one, otherwise /var/lib itself (inside the namespace only).
unshare --mount --net --propagation private bash -euo pipefail -s "$work" "$exec_line" <<'IN_NAMESPACE'
work=$1
exec_line=$2
ip link set lo up
if [ -d /var/lib/Kelvor ] && [ ! -L /var/lib/Kelvor ]; then
  mount --bind "$work/varlib/Kelvor" /var/lib/Kelvor
else
  mount --bind "$work/varlib" /var/lib
fi

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# The Exec line as the menu would run it, finding the unpacked program first.
PATH="$work/root/usr/bin:$PATH" $exec_line &
app_pid=$!
# The main window, once it is shown (at most 10 s).
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Telvane$' 2>/dev/null | head -n 1 || true)
if [ -z "$window" ]; then
  echo "The packaged program showed no window."
  kill "$app_pid" 2>/dev/null || true
  exit 1
fi
sleep 0.5
xdotool windowfocus --sync "$window" key Escape
if ! timeout 10 tail --pid="$app_pid" -f /dev/null; then
  echo "The packaged program did not quit on Esc."
  kill "$app_pid"
  exit 1
fi
wait "$app_pid" || { echo "The packaged program ended with status $?."; exit 1; }
# Esc saves the settings: all eleven keys are in the file now.
grep -q '^DeleteSendChars=' "$work/varlib/Kelvor/Telvane/Settings.ini" ||
  { echo "The packaged program did not save its settings."; exit 1; }
echo "The packaged program started from its menu entry's Exec line ($exec_line), showed its window, quit on Esc and saved its settings."
IN_NAMESPACE
