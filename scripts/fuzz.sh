#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer, LeakSanitizer) and runs each one for a bounded
# time, two at a time, at low priority. Fails on the first finding; the input
# that caused it is left in BUILD/artifacts/. The working corpora in
# BUILD/corpus/ grow from run to run.
# Usage: scripts/fuzz.sh [seconds-per-target] [build-dir] [target...]
#   KEYLOOM_FUZZ_SEED=N   a fixed random seed, so that a run from the same
#                         corpus takes the same path (CI uses one)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
dir=${2:-$root/build-fuzz}
shift $(( $# < 2 ? $# : 2 ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(form_file binary_form store markup pipeline)

"$root/scripts/deps.sh" clang libclang-rt-14-dev
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKEYLOOM_BUILD_FUZZ=ON -DKEYLOOM_BUILD_TESTS=OFF -DKEYLOOM_BUILD_CLI=OFF >/dev/null
cmake --build "$dir" -j2 $(printf -- '--target fuzz_%s ' "${targets[@]}")

# Seeds: the example forms for the form reader, the rest from fuzz/corpus.
mkdir -p "$dir/artifacts"
for t in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$t"
  cp -n "$root"/fuzz/corpus/"$t"/* "$dir/corpus/$t/" 2>/dev/null || true
done
[[ " ${targets[*]} " == *" form_file "* ]] && cp -n "$root"/examples/forms/* "$dir/corpus/form_file/"

run() {
  local t=$1 opts=() rc=0
  [ -f "$root/fuzz/$t.dict" ] && opts=(-dict="$root/fuzz/$t.dict")
  [ -n "${KEYLOOM_FUZZ_SEED:-}" ] && opts+=(-seed="$KEYLOOM_FUZZ_SEED")
  nice -n 19 "$dir/fuzz/fuzz_$t" "$dir/corpus/$t" "${opts[@]}" -max_total_time="$seconds" -timeout=25 \
    -rss_limit_mb=2560 -max_len=16384 -print_final_stats=1 -artifact_prefix="$dir/artifacts/$t-" \
    >"$dir/fuzz_$t.log" 2>&1 || rc=$?
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$dir/fuzz_$t.log" | tail -1 | awk '{print $2}')
  echo "fuzz_$t: ${runs:-?} executions in ${seconds}s, exit $rc"
  [ $rc -eq 0 ] || tail -n 40 "$dir/fuzz_$t.log"
  return $rc
}

export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1"
failed=0
for (( i = 0; i < ${#targets[@]}; i += 2 )); do
  pids=()
  for t in "${targets[@]:i:2}"; do
    run "$t" & pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p" || failed=1; done
done
exit $failed
