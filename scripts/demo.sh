#!/usr/bin/env bash
# Builds the project and runs the main job on an example form.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build
"$root/scripts/build.sh" "$dir" >/dev/null
if [ -x "$dir/src/cli/keyloom" ]; then
  "$dir/src/cli/keyloom" tree --find "$root/examples/forms/typical.dfm"
else
  "$dir/keyloom-example"
fi
