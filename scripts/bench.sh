#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them, then measures the command
# line end to end: `keyloom check` over 1,000 generated forms of two kinds,
# and over the first 1,000 forms of the shared corpus, against `cat` reading the same
# files, and its peak memory on a generated form of 100,000 components.
# Usage: scripts/bench.sh [build-dir] [Google Benchmark options...]
#   KEYLOOM_BENCH_E2E=0   skips the end-to-end part
#   KEYLOOM_BENCH_ONLY_E2E=1   skips the Google benchmarks
#   KEYLOOM_BENCH_RATIOS=0   skips the 100,000 / 10,000 pipeline ratios
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-bench}; shift || true
"$root/scripts/deps.sh"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEYLOOM_BUILD_BENCH=ON -DKEYLOOM_BUILD_TESTS=OFF >/dev/null
targets=(keyloom_bench keyloom-make-forms)
[ -f "$root/src/cli/CMakeLists.txt" ] && targets+=(keyloom-cli)
cmake --build "$dir" --target "${targets[@]}"

if [ "${KEYLOOM_BENCH_ONLY_E2E:-0}" != 1 ]; then
  if [ $# -gt 0 ]; then
    "$dir/bench/keyloom_bench" "$@"
  else
    # Reading and writing form files run in a process of their own: after the
    # pipeline benchmarks, whose forms stay in memory to the end, the heap
    # they would parse into is not the one a command starts with.
    "$dir/bench/keyloom_bench" --benchmark_filter='-^FormFile'
    "$dir/bench/keyloom_bench" --benchmark_filter='^FormFile'
  fi
fi

# The growth goal: the whole pipeline at 100,000 components against 10,000,
# five runs of each: the ratio of the medians, so that one slow run on a
# shared machine does not decide it, and of the fastest runs, which only
# noise can slow down.
if [ "${KEYLOOM_BENCH_RATIOS:-1}" != 0 ] && [ "${KEYLOOM_BENCH_ONLY_E2E:-0}" != 1 ]; then
  "$dir/bench/keyloom_bench" --benchmark_filter='^Pipeline/[a-z]+/(10000|100000)$' \
    --benchmark_repetitions=5 --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR > 1 && $1 !~ /_(mean|median|stddev|cv)"$/ {
        name = $1; gsub(/"/, "", name); split(name, Part, "/")
        key = Part[2] "/" Part[3]; runs[key] = runs[key] " " $4; shapes[Part[2]] = 1
      }
      function stat(key, which,   n, x, i, j, t) {
        n = split(runs[key], x, " ")
        for (i = 2; i <= n; i++) for (j = i; j > 1 && x[j - 1] + 0 > x[j] + 0; j--) { t = x[j]; x[j] = x[j - 1]; x[j - 1] = t }
        return which == "min" ? x[1] : (n % 2 ? x[(n + 1) / 2] : (x[n / 2] + x[n / 2 + 1]) / 2)
      }
      END {
        for (shape in shapes) {
          small = stat(shape "/10000", "median"); large = stat(shape "/100000", "median")
          printf "Pipeline %s: 10,000 components %.1f ms, 100,000 components %.1f ms (medians of 5); ratio %.1f; of the fastest runs %.1f\n",
            shape, small / 1000, large / 1000, large / small, stat(shape "/100000", "min") / stat(shape "/10000", "min")
        }
      }' | sort
fi
[ "${KEYLOOM_BENCH_E2E:-1}" = 0 ] && exit 0

keyloom="$dir/src/cli/keyloom"
if [ ! -x "$keyloom" ]; then
  echo "bench: no keyloom command in $dir; end-to-end measurements skipped" >&2
  exit 0
fi
forms=$(mktemp -d)
trap 'rm -rf "$forms"' EXIT
# Typical forms are drawn to the corpus's own figures (objects a form,
# properties an object, images); dense dialogs pack some 65 objects, most
# of them captioned, into 6.5 KB: there the work per object outweighs
# reading the most.
"$dir/bench/keyloom-make-forms" typical 12 1000 "$forms/typical"
"$dir/bench/keyloom-make-forms" dialog 50 1000 "$forms/dialog"
"$dir/bench/keyloom-make-forms" panels 100000 1 "$forms/large"

seconds() {  # wall-clock seconds of a command, its output discarded
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
# keyloom check over FILES against cat reading them, best of three each.
against_cat() {
  local what=$1 best_cat=999 best_check=999 t bytes
  shift
  # Warm the page cache first, so that both read from memory.
  cat "$@" >/dev/null
  for _ in 1 2 3; do
    t=$(seconds cat "$@")
    if smaller "$t" "$best_cat"; then best_cat=$t; fi
    t=$(seconds "$keyloom" check "$@")
    if smaller "$t" "$best_check"; then best_check=$t; fi
  done
  bytes=$(cat "$@" | wc -c)
  awk -v w="$what" -v n="$#" -v b="$bytes" -v k="$best_check" -v c="$best_cat" \
    'BEGIN { printf "keyloom check, %d %s (%d bytes): %.3f s; cat: %.3f s; ratio %.1f\n", n, w, b, k, c, k / c }'
}
against_cat "typical generated forms" "$forms"/typical/*.dfm
against_cat "dense generated dialogs" "$forms"/dialog/*.dfm

# The real forms: the first 1,000 of the shared corpus, when it is there
# (KEYLOOM_BENCH_CORPUS names another folder).
corpus=${KEYLOOM_BENCH_CORPUS:-$root/../shared/corpus}
if [ -d "$corpus" ]; then
  mapfile -d '' real < <(find "$corpus" -type f -print0 | sort -z | head -z -n 1000)
  against_cat "real forms of the corpus" "${real[@]}"
fi

large="$forms/large/Form1.dfm"
size=$(wc -c < "$large")
if [ -x /usr/bin/time ]; then
  # check exits with 1 when it finds problems, which it does here.
  peak=$( (/usr/bin/time -f '%M' "$keyloom" check "$large" 2>&1 >/dev/null || true) | tail -1)
  awk -v s="$size" -v p="$peak" \
    'BEGIN { printf "keyloom check, 100,000 components (%d bytes): peak %d KB, %.1f times the file\n", s, p, p * 1024 / s }'
else
  echo "bench: /usr/bin/time is missing; peak memory not measured" >&2
fi

# Every command end to end, reading and freeing included, at 100,000
# components against 10,000 in every shape (best of three each): the pipeline
# benchmarks keep their forms and write nothing, so only this sees what
# tearing a form down, rewriting it or measuring it costs as forms grow.
for shape in flat deep panels menu radiogroups; do
  for n in 10000 100000; do
    "$dir/bench/keyloom-make-forms" "$shape" "$n" 1 "$forms/$shape$n"
    cat "$forms/$shape$n/Form1.dfm" >/dev/null
  done
  for command in check "assign --stdout" tree stats; do
    best=(999 999)
    for i in 0 1; do
      n=$(( i == 0 ? 10000 : 100000 ))
      for _ in 1 2 3; do
        # shellcheck disable=SC2086 # the command's words split on purpose
        t=$(seconds "$keyloom" $command "$forms/$shape$n/Form1.dfm")
        if smaller "$t" "${best[$i]}"; then best[$i]=$t; fi
      done
    done
    awk -v s="$shape" -v c="$command" -v a="${best[0]}" -v b="${best[1]}" \
      'BEGIN { printf "keyloom %s, %s: 10,000 components %.3f s, 100,000 components %.3f s; ratio %.1f\n", c, s, a, b, b / a }'
  done
done
