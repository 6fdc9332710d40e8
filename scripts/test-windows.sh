#!/usr/bin/env bash
# The native Windows program, cross-built with MinGW-w64 and tested under Wine:
#  1. GoogleTest for MinGW, built once from Debian's sources into the build tree;
#  2. the program and its tests, cross-built (build-windows-test/);
#  3. the unit and end-to-end tests, through ctest with Wine as the emulator;
#  4. the exe's frames, wiped fields (BMP and SVG) and reports against the Linux build's, byte for byte,
#     and its --json documents key for key apart from paths and line ends, on the example and on
#     random folders (seed printed; WIPER_SCENE_SEED picks another);
#  5. Ctrl-C stops a run between whole frames with status 30;
#  6. Form1 under Xvfb, in a Wine prefix of its own: a 753 x 394 client area
#     showing the frame at (0,0) and the window colour beside it, and a key
#     (a modifier alone too) that stops the run with status 30.
#
#     scripts/test-windows.sh [LINUX_BUILD]   (default build/, built if it lacks wiper-render)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WIPER_WINDOWS_TEST_BUILD:-$root/build-windows-test}
linux_build=${1:-$root/build}
jobs=$(nproc)
started_at=$SECONDS

"$root/scripts/install-deps.sh" windows windows-test

mkdir -p "$build"
tmp="$build/tmp"
rm -rf "$tmp"
mkdir -p "$tmp"

# Wine itself: quiet, no Mono or Gecko installers, and a prefix per use kept
# in the build tree (booting one takes seconds).
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
headless_prefix="$build/wine/headless"
window_prefix="$build/wine/window"

pids=() # every program started in the background, so none outlives the script
cleanup() {
  local p
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  for p in "$headless_prefix" "$window_prefix"; do
    if [[ -d $p ]]; then WINEPREFIX=$p wineserver -k 2>/dev/null || true; fi
  done
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

source "$root/tests/e2e/checks.sh"
stage() { echo "== [$((SECONDS - started_at)) s] $*"; }

# Starts Wine in a prefix before its first test: Wine's background services,
# started by the first program, would otherwise keep that program's output
# pipe open and hang test discovery.
boot_prefix() {
  local prefix=$1
  if [[ ! -f $prefix/system.reg ]]; then
    mkdir -p "$prefix"
    WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
  fi
}

# The Windows name of a path here: the machine's root is drive Z:.
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

# Both prefixes boot in the background while the code builds. The window
# test's prefix boots on a display: one first booted without a display never
# shows windows.
boot_prefix "$headless_prefix" >/dev/null 2>&1 &
boots=($!)
xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash -c "$(declare -f boot_prefix); boot_prefix '$window_prefix'; WINEPREFIX='$window_prefix' wineserver -k" \
  >/dev/null 2>&1 &
boots+=($!)
pids+=("${boots[@]}")

stage "GoogleTest for MinGW"
gtest_src=/usr/src/googletest
gtest_prefix="$build/googletest/install"
gtest_stamp="$gtest_prefix/.source-version"
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
if [[ ! -f $gtest_stamp || $(cat "$gtest_stamp") != "$gtest_version" ]]; then
  rm -rf "$build/googletest"
  cmake -S "$gtest_src" -B "$build/googletest/build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DBUILD_GMOCK=OFF >/dev/null
  cmake --build "$build/googletest/build" -j"$jobs" >/dev/null
  cmake --install "$build/googletest/build" >/dev/null
  echo "$gtest_version" >"$gtest_stamp"
fi

stage "cross-building the program and its tests"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64-x86_64.cmake" \
  -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" >/dev/null
cmake --build "$build" -j"$jobs" 2>&1 | { grep -E "warning|error" || true; }
exe="$build/wiper-render.exe"
[[ -x $exe ]] || { echo "FAIL: no $exe"; exit 1; }

if [[ ! -x $linux_build/wiper-render ]]; then
  stage "building the Linux program to compare with"
  cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$linux_build" -j"$jobs" --target wiper-render >/dev/null
fi

stage "unit and end-to-end tests under Wine"
wait "${boots[@]}" || true
boot_prefix "$headless_prefix"
# Tests wait on Wine more than on the processors.
if ! (cd "$build" && env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$headless_prefix" \
      ctest --output-on-failure -j$((jobs * 2)) --timeout 300 >"$tmp/ctest.log" 2>&1); then
  grep -E "^[0-9]+% tests passed|Failed|\(Failed\)|Timeout" "$tmp/ctest.log" | grep -v "^ *[0-9]*/[0-9]* Test" || true
  sed -n '/The following tests FAILED/,$p' "$tmp/ctest.log"
  fail "ctest (full log: keep it with WIPER_KEEP_LOG=1)"
  [[ -n ${WIPER_KEEP_LOG:-} ]] && cp "$tmp/ctest.log" "$build/ctest-wine.log"
else
  grep -E "^[0-9]+% tests passed" "$tmp/ctest.log"
fi

# same_json LINUX_DOC LINUX_FOLDER WINDOWS_DOC WINDOWS_FOLDER: the two --json
# documents say the same, once each names its folder alike, with / for \ (as
# the reports are compared) and its own line ends. Prints the first difference.
same_json() {
  python3 - "$@" <<'PY'
import json, sys
def load(doc, folder):
    with open(doc, encoding="utf-8") as f:
        text = f.read()
    def same_paths(v):
        if isinstance(v, str): return v.replace(folder, "FOLDER").replace("\\", "/")
        if isinstance(v, list): return [same_paths(x) for x in v]
        if isinstance(v, dict): return {k: same_paths(x) for k, x in v.items()}
        return v
    return same_paths(json.loads(text)), list(json.loads(text))
try:
    (linux, linux_keys), (win, win_keys) = load(sys.argv[1], sys.argv[2]), load(sys.argv[3], sys.argv[4])
except ValueError as e:
    sys.exit(f"not one JSON document: {e}")
if linux_keys != win_keys: sys.exit(f"keys {win_keys} on Windows, {linux_keys} on Linux")
for key in linux:
    if linux[key] != win[key]: sys.exit(f"{key}: {json.dumps(win[key])[:300]} on Windows, {json.dumps(linux[key])[:300]} on Linux")
PY
}

stage "frames and wiped fields of the exe against the Linux build's"
seed=${WIPER_SCENE_SEED:-20261207}
python3 "$root/tests/e2e/random_scenes.py" "$tmp/scenes" 40 "$seed"
cp -r "$root/examples/wiper" "$tmp/scenes/example"
python3 "$root/benchmarks/make_workload.py" "$tmp/scenes/workload" 640 360 30
rm -f "$tmp/scenes/example/buffer/"*.bmp
compared=0
differing=0
for scene in "$tmp/scenes"/*/; do
  name=$(basename "$scene")
  cp -r "$scene" "$tmp/linux-$name"
  cp -r "$scene" "$tmp/win-$name"
  set +e
  "$linux_build/wiper-render" --headless --wiped "$tmp/linux-$name" >"$tmp/linux-$name.out" 2>"$tmp/linux-$name.err"
  linux_status=$?
  WINEPREFIX=$headless_prefix wine "$exe" --headless --wiped "$(windows_path "$tmp/win-$name")" \
    >"$tmp/win-$name.out" 2>"$tmp/win-$name.err" </dev/null
  win_status=$?
  set -e
  compared=$((compared + 1))
  linux_kind=$(cut -d: -f2 <"$tmp/linux-$name.err")
  win_kind=$(cut -d: -f2 <"$tmp/win-$name.err")
  if [[ $linux_status != "$win_status" || $linux_kind != "$win_kind" ]]; then
    fail "$name: status $win_status ($win_kind) on Windows, $linux_status ($linux_kind) on Linux (seed $seed)"
    differing=$((differing + 1))
  elif [[ -n $(find "$tmp/linux-$name/buffer" -name '*_wiped.svg') &&
          -z $(find "$tmp/win-$name/buffer" -name '*_wiped.svg') ]]; then
    fail "$name: the Linux build wrote the field's SVG picture and the exe did not (seed $seed)"
    differing=$((differing + 1))
  elif ! diff -r "$tmp/linux-$name/buffer" "$tmp/win-$name/buffer" >"$tmp/diff-$name"; then
    fail "$name: frames or wiped fields differ (seed $seed): $(head -3 "$tmp/diff-$name")"
    differing=$((differing + 1))
  elif ! diff "$tmp/linux-$name.out" <(tr -d '\r' <"$tmp/win-$name.out" | tr '\\' /) >"$tmp/diff-$name"; then
    # The reports differ only in the path separator and the line ends.
    fail "$name: reports differ (seed $seed): $(head -3 "$tmp/diff-$name")"
    differing=$((differing + 1))
  else
    # The same run again with --json, over what the first left: its document.
    set +e
    "$linux_build/wiper-render" --headless --wiped --json "$tmp/linux-$name" >"$tmp/linux-$name.json" 2>/dev/null
    linux_status=$?
    WINEPREFIX=$headless_prefix wine "$exe" --headless --wiped --json "$(windows_path "$tmp/win-$name")" \
      >"$tmp/win-$name.json" 2>/dev/null </dev/null
    win_status=$?
    set -e
    if [[ $linux_status != "$win_status" ]]; then
      fail "$name: with --json, status $win_status on Windows, $linux_status on Linux (seed $seed)"
      differing=$((differing + 1))
    elif ! why=$(same_json "$tmp/linux-$name.json" "$tmp/linux-$name" "$tmp/win-$name.json" \
                   "$(windows_path "$tmp/win-$name")" 2>&1); then
      fail "$name: JSON documents differ (seed $seed): $why"
      differing=$((differing + 1))
    fi
  fi
done
frames=$(find "$tmp"/linux-*/buffer -name '*.bmp' ! -name '*_wiped.bmp' | wc -l)
fields=$(find "$tmp"/linux-*/buffer -name '*_wiped.bmp' | wc -l)
vectors=$(find "$tmp"/linux-*/buffer -name '*_wiped.svg' | wc -l)
if ((differing == 0)); then
  pass "$compared folders, $frames frames, $fields wiped fields and $vectors SVG pictures with their reports, byte for byte the same, and their JSON documents (seed $seed)"
fi

stage "Ctrl-C"
ctrl_c=$tmp/ctrl-c
mkdir -p "$ctrl_c/buffer"
printf '"w",1920,1080\n' >"$ctrl_c/immagini.txt"
printf '30,30\n' >"$ctrl_c/rotazione_spazzole.txt"
printf '3000,170,960,540\n960,540\n1700,500\n1720,560\n960,600\n' >"$ctrl_c/coordinate.txt"
WINEPREFIX=$headless_prefix wine "$exe" --headless "$(windows_path "$ctrl_c")" 2>"$tmp/ctrl-c.err" </dev/null &
pid=$!
pids+=("$pid")
if ! wait_until 60 test -e "$ctrl_c/buffer/w_3.bmp"; then
  fail "Ctrl-C: no third frame within 60 s"
else
  # Wine turns SIGINT into the console's Ctrl-C event.
  kill -INT "$pid"
  if ! wait_until 20 bash -c "! kill -0 $pid 2>/dev/null"; then
    fail "Ctrl-C: still running 20 s later"
  else
    set +e
    wait "$pid"
    status=$?
    set -e
    sizes=$(find "$ctrl_c/buffer" -type f -printf '%s\n' | sort -u)
    if [[ $status == 30 && $(head -c 22 "$tmp/ctrl-c.err") == "wiper-render: stopped:" &&
          $sizes == "$((54 + 5760 * 1080))" ]]; then
      pass "Ctrl-C stops the run with status 30, every frame file whole"
    else
      fail "Ctrl-C: status $status, stderr '$(cat "$tmp/ctrl-c.err")', frame sizes $sizes"
    fi
  fi
fi

stage "Form1 under Xvfb"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash "$root/tests/e2e/win32_window_test.sh" "$exe" "$window_prefix" "$tmp/window" || fail "Form1"

echo "== the Windows part took $((SECONDS - started_at)) s"
if ((failures)); then
  echo "$failures Windows check(s) failed"
  exit 1
fi
echo "all Windows checks passed"
