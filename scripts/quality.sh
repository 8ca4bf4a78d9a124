#!/usr/bin/env bash
# Quality benchmark: how well the accelerators of real users' forms serve them,
# as they stand, after a run with the default settings, and after one that
# judges the whole window and chooses for the best coverage, each also with the
# files' own markers stripped first. Builds keyloom in
# Release, runs `keyloom stats --format json` over the corpus for each, and prints the
# figures with the wall time of each run.
# Usage: scripts/quality.sh [build-dir] [corpus-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-quality}
corpus=${2:-$root/../shared/corpus}
if [ ! -d "$corpus" ]; then
  echo "quality: no corpus at $corpus" >&2
  exit 2
fi
command -v python3 >/dev/null || { echo "quality: python3 is needed to read the figures" >&2; exit 2; }
"$root/scripts/deps.sh"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEYLOOM_BUILD_TESTS=OFF -DKEYLOOM_BUILD_GUI=OFF \
  >/dev/null
cmake --build "$dir" --target keyloom-cli
keyloom="$dir/src/cli/keyloom"

files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$corpus" -type f \( -iname '*.dfm' -o -iname '*.lfm' \) -print0 | sort -z)
echo "quality: ${#files[@]} form files in $corpus"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# The last two also strip the files' own markers first (--reassign), which is
# how a clash the file already holds goes away.
runs=("as-is|--as-is" "default|" "window+best|--scope window --strategy best"
      "reassigned|--reassign" "reassigned+wb|--reassign --scope window --strategy best")
for run in "${runs[@]}"; do
  name=${run%%|*}
  read -r -a args <<< "${run#*|}"
  start=$(date +%s%N)
  # Binary and malformed files are reported on stderr and counted as errors.
  "$keyloom" stats --format json -q ${args[@]+"${args[@]}"} "${files[@]}" > "$out/$name.json" 2> "$out/$name.err" || true
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", (b - a) / 1e9 }' > "$out/$name.time"
done

python3 - "$out" <<'EOF'
import json, sys
out = sys.argv[1]
names = ["as-is", "default", "window+best", "reassigned", "reassigned+wb"]
def pct(a, b):
    return "-" if not b else "%.1f%%" % (100.0 * a / b)
print("%-14s %6s %8s %9s %8s %13s %13s %9s %9s" % ("run", "files", "errors", "eligible", "coverage", "clashes", "first-letter", "maximum", "unproven") + "  wall time")
times = {}
for name in names:
    total = None
    for line in open(f"{out}/{name}.json"):
        obj = json.loads(line)
        if obj.get("kind") == "total":
            total = obj
    times[name] = float(open(f"{out}/{name}.time").read())
    if total is None:
        print("%-14s no total: the command failed (%s.err)" % (name, name))
        continue
    print("%-14s %6d %8d %9d %8s %13d %13s %9s %9d  %.2f s" % (
        name, total["files"], total["errors"], total["eligible"], pct(total["covered"], total["eligible"]),
        total["clashes"], pct(total["first_letters"], total["marked"]), pct(total["maximum"], total["eligible"]),
        total.get("unproven", 0), times[name]))
if times.get("default"):
    print("time ratio window+best / default: %.2f" % (times["window+best"] / times["default"]))
if times.get("reassigned"):
    print("time ratio reassigned+wb / reassigned: %.2f" % (times["reassigned+wb"] / times["reassigned"]))
EOF
