#!/usr/bin/env bash
# Computes the wiped field of the example scene in a scratch folder and makes
# docs/wiped-field.png, the picture in the README's "The wiped field", from
# its buffer/wiper_wiped.bmp (needs ImageMagick: scripts/install-deps.sh build
# test). Usage: make-readme-field.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --build "$build" --target wiper-render >/dev/null
cp -r "$root/examples/wiper" "$scratch/scene"
rm -f "$scratch/scene/buffer/"*.bmp
# The example's zone B is short of its share: status 40 is the expected answer.
status=0
"$build/wiper-render" --wiped-only "$scratch/scene" || status=$?
if ((status != 0 && status != 40)); then exit "$status"; fi
convert "$scratch/scene/buffer/wiper_wiped.bmp" -strip "$root/docs/wiped-field.png"
echo "$root/docs/wiped-field.png: $(stat -c %s "$root/docs/wiped-field.png") bytes"
