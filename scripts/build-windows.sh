#!/usr/bin/env bash
# Cross-builds the native Windows program, build-windows/wiper-render.exe, with
# MinGW-w64 (statically linked: it runs alone, no DLL beside it), and with
# --package also the ZIP to hand out, build-windows/wiper-render-<version>-win64.zip.
#
#     scripts/build-windows.sh [--package] [extra cmake -D options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WIPER_WINDOWS_BUILD:-$root/build-windows}

package=0
if [[ ${1:-} == --package ]]; then
  package=1
  shift
fi

"$root/scripts/install-deps.sh" windows

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64-x86_64.cmake" -DWIPER_BUILD_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)" --target wiper-render
echo "built $build/wiper-render.exe"
if ((package)); then
  (cd "$build" && cpack -G ZIP >/dev/null)
  echo "packaged $(ls "$build"/wiper-render-*-win64.zip)"
fi
