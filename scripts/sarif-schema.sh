#!/usr/bin/env bash
# Prints the path of the SARIF 2.1.0 JSON schema, fetched once into DIR
# (default build/sarif-schema). Debian does not package it; the npm package
# @microsoft/jest-sarif (MIT) ships the final 2.1.0 schema (2.1.0-rtm.5),
# taken with npm and checked against its known digest.
# Usage: scripts/sarif-schema.sh [DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/sarif-schema}
schema="$dir/sarif-2.1.0-rtm.5.json"
digest=2d99159ae54a3eea97f81781cff48780548657c35949f4b7f25e99a2ba4de4f8
if [ ! -s "$schema" ]; then
  command -v npm >/dev/null || "$root/scripts/deps.sh" npm
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  (cd "$tmp" && npm pack --silent @microsoft/jest-sarif@1.0.0-beta.0 >/dev/null)
  tar -xzf "$tmp"/microsoft-jest-sarif-1.0.0-beta.0.tgz -C "$tmp" package/lib/schemas/sarif-2.1.0-rtm.5.json
  echo "$digest  $tmp/package/lib/schemas/sarif-2.1.0-rtm.5.json" | sha256sum --check --quiet
  mkdir -p "$dir"
  mv "$tmp/package/lib/schemas/sarif-2.1.0-rtm.5.json" "$schema"
fi
echo "$schema"
