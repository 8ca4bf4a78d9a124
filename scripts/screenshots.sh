#!/usr/bin/env bash
# Draws the README's pictures again with keyloom-designer --screenshot, with
# the built-in class lists rather than the user's own.
# Usage: scripts/screenshots.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
designer=$dir/src/gui/keyloom-designer
if [ ! -x "$designer" ]; then
  echo "No $designer: build it first (scripts/build.sh $dir)" >&2
  exit 2
fi
out=$root/docs/screenshots
mkdir -p "$out"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME=$config
form=$root/examples/forms/dialog.lfm
"$designer" --screenshot "$out/designed-form.png" "$form"
for page in tree setup about; do
  "$designer" --screenshot "$out/editor-$page.png" --editor "$page" "$form"
done
