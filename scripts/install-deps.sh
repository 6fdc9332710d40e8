#!/usr/bin/env bash
# Installs the Debian packages a job needs that this machine lacks.
#   install-deps.sh build        compiler, CMake, SDL2's development files and
#                                the JSON library: enough to build and render
#   install-deps.sh build test   also GoogleTest, Google Benchmark, clang and
#                                the X and picture tools the tests use
#   install-deps.sh windows      the MinGW-w64 cross compiler for the Windows
#                                program; with windows-test, also Wine and the
#                                tools its tests use
# Without root and without sudo it prints the apt-get command to run as root.
set -euo pipefail
declare -A sets=(
  [build]="g++ cmake make libsdl2-dev nlohmann-json3-dev"
  [test]="googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth xdotool x11-utils imagemagick"
  [windows]="cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools nlohmann-json3-dev"
  [windows-test]="python3 googletest wine wine64 xvfb xauth xdotool x11-utils imagemagick"
)
(($#)) || set -- build
packages=()
for s in "$@"; do
  [[ -n ${sets[$s]:-} ]] || { echo "install-deps.sh: unknown set '$s' (known: build, test, windows, windows-test)" >&2; exit 2; }
  read -ra more <<<"${sets[$s]}"
  packages+=("${more[@]}")
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]})) || exit 0

command=(apt-get install -y --no-install-recommends "${missing[@]}")
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "Installing them needs root. As root, run:" >&2
  echo "  apt-get update && ${command[*]}" >&2
  echo "then run this script again." >&2
  exit 1
fi
echo "Installing ${#missing[@]} Debian packages and what they need: ${missing[*]}"
echo "Downloading and unpacking takes a while (minutes on a fresh machine); apt's progress follows."
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${command[@]}"
