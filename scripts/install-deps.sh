#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# skipping those already present. Runs as root, or through sudo.
#   install-deps.sh          what building and running need
#   install-deps.sh --test   and what the test command needs besides
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev
  fonts-dejavu-core fonts-dejavu-extra
  xvfb xauth x11-utils imagemagick xdotool
)

# The second compiler, the format and lint checks, and the tools that build
# and check the Debian package.
test_packages=(
  clang clang-format clang-tidy
  dpkg-dev file
  lintian desktop-file-utils appstream
)
[ "${1:-}" = --test ] && packages+=("${test_packages[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
