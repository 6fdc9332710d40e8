#!/usr/bin/env bash
# Renders the example scene in a scratch folder and makes docs/wiper.gif, the
# animation at the top of the README, from its frames (needs ImageMagick:
# scripts/install-deps.sh build test). Usage: make-readme-gif.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --build "$build" --target wiper-render >/dev/null
cp -r "$root/examples/wiper" "$scratch/scene"
rm -f "$scratch/scene/buffer/"*.bmp
"$build/wiper-render" --headless --quiet "$scratch/scene"

# The frames in numeric order (a plain *.bmp sorts 1, 10, 11, ...), out and
# back again, in two colours: about 160 KB at full size.
frames=$(ls "$scratch/scene/buffer/"wiper_*.bmp | wc -l)
list=()
for n in $(seq 1 "$frames") $(seq $((frames - 1)) -1 2); do list+=("$scratch/scene/buffer/wiper_$n.bmp"); done
convert -delay 5 -loop 0 "${list[@]}" -colors 2 -layers Optimize "$root/docs/wiper.gif"
echo "$root/docs/wiper.gif: $frames frames, $(stat -c %s "$root/docs/wiper.gif") bytes"
