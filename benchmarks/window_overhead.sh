#!/usr/bin/env bash
# What the preview window costs a run: the 1080p workload (two swept arms, two
# carried blades, 240 frames each) rendered alternately headless and with the
# window on a virtual X display, each run on an empty buffer/, then the median
# wall times and their ratio. The window should stay within 1.15 x headless.
#
#     benchmarks/window_overhead.sh BINARY [RUNS]      (RUNS of each, default 3)
#
# Builds nothing: pass the wiper-render to measure (a Release build).
set -euo pipefail

if (($# < 1 || $# > 2)); then
  sed -n '2,9p' "$0" >&2
  exit 2
fi
binary=$(realpath "$1")
runs=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
[[ -x $binary ]] || { echo "not an executable: $binary" >&2; exit 2; }

# Everything runs under one virtual display, so starting it is not timed.
if [[ -z ${WIPER_BENCH_IN_XVFB:-} ]]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (Debian package xvfb)" >&2; exit 2; }
  WIPER_BENCH_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$binary" "$runs"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/wiper-window-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$here/make_workload.py" "$work" 1920 1080 240

# Wall seconds of one run on an empty buffer/.
time_run() {
  rm -rf "$work/buffer"
  mkdir "$work/buffer"
  local start=$EPOCHREALTIME
  "$binary" "$@" "$work" || { echo "wiper-render $* failed with status $?" >&2; exit 1; }
  local end=$EPOCHREALTIME
  echo "$start $end" | awk '{printf "%.3f\n", $2 - $1}'
}

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

headless=()
window=()
for ((i = 1; i <= runs; i++)); do
  headless+=("$(time_run --headless)")
  window+=("$(time_run)")
  echo "run $i: headless ${headless[-1]} s, window ${window[-1]} s"
done

h=$(median "${headless[@]}")
w=$(median "${window[@]}")
awk -v h="$h" -v w="$w" 'BEGIN {
  printf "median headless %.3f s, window %.3f s, window / headless %.3f (target 1.15 or less)\n", h, w, w / h
}'
