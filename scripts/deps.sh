#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when some are missing.
# Usage: scripts/deps.sh [extra-package...]
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  # The keyloom command's allocator (see src/cli/CMakeLists.txt).
  libjemalloc-dev
  # keyloom-designer: Qt 6 Widgets and Qt Test, the offscreen platform its tests
  # and screenshots run on, a default font, faces with the widths of the
  # classic form fonts (so that captions fit the sizes stored in forms), and a
  # face with Chinese, Japanese and Korean characters, which the others lack,
  # and one with the symbols forms use on buttons (#9207, a drop-down arrow).
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core fonts-liberation2 fonts-wqy-microhei fonts-symbola
  # The designer's test on a real X server: a virtual one, and the user's
  # clicks and keys sent to it.
  xvfb xdotool
  # JSON and SARIF output are built with a JSON library rather than by hand.
  nlohmann-json3-dev
  # The manual pages are made from the programs' own --help at build time.
  help2man
  "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
