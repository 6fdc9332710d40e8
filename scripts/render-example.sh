#!/usr/bin/env bash
# Installs what is missing, builds in Release and renders the example scene.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" build
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target wiper-render
"$root/build/wiper-render" "$root/examples/wiper"
echo "frames written to $root/examples/wiper/buffer/"
