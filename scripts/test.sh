#!/usr/bin/env bash
# Builds and runs every test: the Release build, then the whole suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$jobs"

cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DWIPER_SANITIZE=ON >/dev/null
cmake --build "$root/build-sanitize" -j"$jobs"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
(cd "$root/build-sanitize" && ctest --output-on-failure -j"$jobs")
echo "== tests of the Release build"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")
