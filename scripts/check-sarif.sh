#!/usr/bin/env bash
# Holds what `keyloom check --format sarif` writes for some corpus forms to the
# SARIF 2.1.0 schema, and its results to the text output's findings.
# Usage: scripts/check-sarif.sh KEYLOOM [CORPUS] [COUNT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
keyloom=$(realpath "$1")
corpus=${2:-$root/../shared/corpus}
count=${3:-40}
if [ ! -d "$corpus" ]; then
  echo "check-sarif: SKIPPED: no corpus at $corpus"
  exit 0
fi
"$root/scripts/deps.sh" python3-jsonschema
schema=$("$root/scripts/sarif-schema.sh")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$corpus"
mapfile -t forms < <(find . -type f \( -name '*.dfm' -o -name '*.lfm' \) | LC_ALL=C sort | head -n "$count")
# Exit 1 (findings) and 2 (a form that cannot be read) still write the log.
status=0
"$keyloom" check -q --format sarif "${forms[@]}" >"$work/check.sarif" 2>"$work/check.err" || status=$?
[ "$status" -le 2 ] || { echo "check-sarif: keyloom check exited with $status" >&2; exit 1; }
"$keyloom" check -q "${forms[@]}" >"$work/check.txt" 2>/dev/null || true
python3 - "$schema" "$work/check.sarif" "$work/check.txt" <<'PY'
import json, sys
import jsonschema

schema, log = (json.load(open(p, encoding="utf-8")) for p in sys.argv[1:3])
findings = sum(1 for _ in open(sys.argv[3], encoding="utf-8", errors="replace"))
validator = jsonschema.validators.validator_for(schema)(schema)
errors = sorted(validator.iter_errors(log), key=lambda e: list(e.path))
for error in errors[:10]:
    print("check-sarif: %s: %s" % ("/".join(map(str, error.path)), error.message), file=sys.stderr)
results = log["runs"][0]["results"]
if len(results) != findings:
    print("check-sarif: %d results, but the text output has %d findings" % (len(results), findings), file=sys.stderr)
    sys.exit(1)
if errors:
    sys.exit(1)
print("check-sarif: the log of %d results is valid SARIF 2.1.0" % len(results))
PY
