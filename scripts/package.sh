#!/usr/bin/env bash
# Makes the Debian package keyloom_VERSION_ARCH.deb with CPack and leaves it
# in the current folder. Usage: scripts/package.sh [BUILD-DIR]
# Given a build folder of this tree (as .ci/run's), it packages what that
# folder built, building only what is out of date; without one, it makes a
# Release build without tests into build-package/ first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(pwd)
# CPack reads the programs' libraries with dpkg-shlibdeps to list the package's dependencies.
"$root/scripts/deps.sh" dpkg-dev >&2
if [ $# -ge 1 ]; then
  dir=$(cd "$1" && pwd)
  cmake --build "$dir" >&2
else
  dir="$root/build-package"
  "$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Release -DKEYLOOM_BUILD_TESTS=OFF >&2
fi
rm -rf "$dir/package"
(cd "$dir" && cpack -G DEB -B "$dir/package" >/dev/null)
for deb in "$dir"/package/keyloom_*.deb; do
  mv -f "$deb" "$out/"
  echo "$out/$(basename "$deb")"
done
