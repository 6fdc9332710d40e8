#!/usr/bin/env bash
# Builds and runs every test: the fuzzers for a bounded time (in CI, or when
# WIPER_FUZZ_SECONDS is set), the whole suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the whole suite on the Release build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/install-deps.sh" build test

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$jobs"

cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DWIPER_SANITIZE=ON >/dev/null
cmake --build "$root/build-sanitize" -j"$jobs"

if [[ -n ${WIPER_FUZZ_SECONDS:-} || -n ${CI:-} ]]; then
  echo "== fuzzing"
  "$root/scripts/fuzz.sh" "${WIPER_FUZZ_SECONDS:-60}"
fi

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
(cd "$root/build-sanitize" && ctest --output-on-failure -j"$jobs")
echo "== tests of the Release build"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")

echo "== the Windows program, cross-built and tested under Wine"
"$root/scripts/test-windows.sh" "$root/build"
