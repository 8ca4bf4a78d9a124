#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
# Usage: scripts/test.sh [build-dir] [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}; shift || true
"$root/scripts/build.sh" "$dir" "$@"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
