#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for the given number
# of seconds (default 60) on a scratch copy of its seed corpus, so the committed
# corpus never grows. A crash stops the script with the fuzzer's report; the
# crashing input is left in build-fuzz/findings/<harness>/.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [seconds]" >&2; exit 2; }
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWIPER_BUILD_FUZZERS=ON -DWIPER_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_field_reader fuzz_part_file fuzz_bmp_reader

summary=()
for harness in fuzz_field_reader fuzz_part_file fuzz_bmp_reader; do
  work="$build/work/$harness"
  findings="$build/findings/$harness"
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  cp "$root/fuzz/corpus/$harness/"* "$work/"
  echo "== $harness for ${seconds}s"
  log="$build/$harness.log"
  status=0
  "$build/fuzz/$harness" "$work" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if ((status != 0)); then
    tail -60 "$log"
    echo "== $harness FAILED (status $status) after ${execs:-?} executions; input in $findings/" >&2
    exit 1
  fi
  summary+=("$harness: ${execs:-?} executions in ${seconds}s")
done
echo "== fuzzing summary"
printf '%s\n' "${summary[@]}"
