#!/usr/bin/env bash
# The preview window of the real binary on a virtual X display:
#  1. the example scene gives the same frame files with the window as headless;
#  2. a "Form1" window with a fixed 753 x 394 client area shows the top-left
#     corner of the frame being drawn, and a key sent to it stops the run at
#     once (status 30, one "stopped" line, every frame file whole);
#  3. a frame smaller than the client area leaves the rest in the window
#     colour, all of it painted again after the window was hidden and shown; a
#     modifier key alone also stops the run, and so does SIGTERM;
#  4. without a display to open (none named, or one that is not there) the
#     run goes on headless by itself.
#
#     window_test.sh BINARY EXAMPLE_FOLDER WORK_FOLDER
#
# WORK_FOLDER (inside the build tree) holds the Xvfb log and every scene; it is
# emptied however the test ends. Exits 77 (skipped) where the X tools are missing.
#
# Nothing here is timed and nothing is random, so there is no seed: the run
# under test is paused (SIGSTOP) whenever the test looks at the window, so a
# screenshot, a key or a signal always lands between two known frames, and
# every wait polls a condition up to a deadline. Each run has a small picture
# and at most 100 frames (90 MB at most), so even a stop that went unseen ends
# the run by itself within seconds.

# Checks read "condition && pass ... || fail ...": pass cannot fail.
# shellcheck disable=SC2015
set -euo pipefail

binary=$1
example=$2
work=$3

for tool in Xvfb xdotool xwininfo xprop import convert cmp timeout; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is missing (Debian packages xvfb, xdotool, x11-utils, imagemagick)"
    exit 77
  fi
done

tmp=$work/run.$$
rm -rf "$tmp"
mkdir -p "$tmp"
export TMPDIR=$tmp # ImageMagick's scratch files too

# Every process started in the background is listed in $tmp/pids. If this
# shell is killed outright (ctest's timeout sends SIGKILL, which no trap sees),
# the guard reads the end of its pipe and ends them, Xvfb politely so that it
# removes its lock. Long-lived children close the pipe (guard>&-), so only this
# shell holds it open.
exec {guard}> >(
  exec >/dev/null 2>&1
  read -r _ || true
  while read -r what p; do
    if [[ $what == xvfb && $(cat "/proc/$p/comm" 2>/dev/null) == Xvfb ]]; then
      kill -TERM "$p"
    elif [[ $what == run && $(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null) == *"$tmp"* ]]; then
      kill -KILL "$p"
    fi
  done <"$tmp/pids"
  rm -rf "$tmp"
)

mkfifo "$tmp/never"
exec {never}<>"$tmp/never" # nothing is ever written: a wait without a process

xvfb=       # the virtual display's server
started=()  # every run started in the background, so none outlives the test
cleanup() {
  local p
  for p in "${started[@]}"; do
    kill -CONT "$p" 2>/dev/null || true
    kill -KILL "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
  if [[ -n $xvfb ]]; then
    # Asked to end, the server removes its lock and socket.
    kill -TERM "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

source "$(dirname "$0")/checks.sh"
# A run in the foreground, ended if it hangs.
bounded() { timeout -k 5 30 "$@"; }

# --- the virtual display ----------------------------------------------------------
# Xvfb picks a free display itself and writes its number once it accepts clients.
: >"$tmp/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$tmp/display" 2>"$tmp/xvfb.log" {guard}>&- {never}>&- &
xvfb=$!
echo "xvfb $xvfb" >>"$tmp/pids"
# read succeeds only on a whole line.
display_ready() { read -r _ <"$tmp/display" || ! kill -0 "$xvfb" 2>/dev/null; }
if ! wait_until 20 display_ready || ! kill -0 "$xvfb" 2>/dev/null; then
  echo "FAIL: Xvfb did not start: $(cat "$tmp/xvfb.log")"
  exit 1
fi
DISPLAY=:$(head -n 1 "$tmp/display")
export DISPLAY
unset WAYLAND_DISPLAY

# --- scenes and runs ---------------------------------------------------------------
count_files() { find "$1" -mindepth 1 -maxdepth 1 | wc -l; }

# A scene of one swept triangle turning a full circle about (cx, cy):
# scene FOLDER PREFIX WIDTH HEIGHT FRAMES CX CY
scene() {
  local dir=$1 prefix=$2 w=$3 h=$4 frames=$5 cx=$6 cy=$7
  mkdir -p "$dir/buffer"
  printf '"%s",%d,%d\n' "$prefix" "$w" "$h" >"$dir/immagini.txt"
  printf '30\n30\n' >"$dir/rotazione_spazzole.txt"
  printf '%d,360,%d,%d\n%d,%d\n%d,%d\n%d,%d\n' "$frames" "$cx" "$cy" \
    "$cx" "$cy" $((cx + 180)) $((cy - 40)) $((cx + 180)) $((cy + 40)) >"$dir/coordinate_arm.txt"
}

# Every file of two buffer/ folders is byte for byte the same.
same_frames() {
  local a=$1 b=$2 f
  [[ $(cd "$a" && find . | sort) == $(cd "$b" && find . | sort) ]] || return 1
  for f in "$a"/*; do cmp -s "$f" "$b/$(basename "$f")" || return 1; done
}

pid= # the run being checked
# Starts the binary on folder $1 in the background, stderr to file $2.
start_run() {
  "$binary" "$1" 2>"$2" {guard}>&- {never}>&- &
  pid=$!
  started+=("$pid")
  echo "run $pid" >>"$tmp/pids"
}
running() { kill -0 "$pid" 2>/dev/null; }
ended() { ! running; }

# Polls until frame file $1 exists or the run has ended, at most 20 s. Frames
# come every few milliseconds, and the poll starts no process: it looks again
# at once, or with a second argument "rest", after a millisecond's rest (a read
# that times out on a pipe nobody writes), which leaves the CPU to a run that
# is still starting. Either way the run is paused within a frame or two of $1.
poll_until_saved() {
  local end=$((${EPOCHREALTIME/./} + 20000000))
  until [[ -e $1 ]]; do
    running || return 1
    ((${EPOCHREALTIME/./} < end)) || return 1
    [[ -z ${2:-} ]] || read -r -t 0.001 -u "$never" _ || true
  done
}

# Lets the paused run go on until frame file $1 exists, then pauses it again.
run_until() {
  kill -CONT "$pid" 2>/dev/null || true
  poll_until_saved "$1" || true
  kill -STOP "$pid" 2>/dev/null || true
  [[ -e $1 ]]
}

# Starts the scene in folder $1 (prefix $2), pauses it once frame 1 is saved and
# finds its window. Sets id.
find_window() { id=$(xdotool search --all --pid "$pid" --name '^Form1$' 2>/dev/null | head -n 1) && [[ -n $id ]]; }
start_paused() {
  id=
  start_run "$1" "$1.err"
  poll_until_saved "$1/buffer/$2_1.bmp" rest || true
  kill -STOP "$pid" 2>/dev/null || true
  [[ -e $1/buffer/$2_1.bmp ]] && wait_until 10 find_window
}

# Screenshot of the paused run into $1.rgb. The window shows the frame last
# drawn: the last saved, c, or c + 1, drawn but not yet saved. The run goes on
# until c + 1 is saved too, so both can be compared. Sets first_shown.
shoot() {
  import -window "$id" -depth 8 rgb:"$1.rgb"
  first_shown=$(count_files "$2")
  run_until "$2/$3_$((first_shown + 1)).bmp"
}

# Waits for the run to end once it is let go; sets status (-1 if it did not).
finish() {
  kill -CONT "$pid" 2>/dev/null || true
  status=-1
  if wait_until 20 ended; then
    status=0
    wait "$pid" || status=$?
  fi
}

# Every file in buffer/ $1 is a whole frame file of width $2, height $3: the
# right size and the bitmap signature.
all_whole() {
  local dir=$1 size=$((54 + ($2 * 3 + 3) / 4 * 4 * $3)) f sig
  for f in "$dir"/*; do
    read -r -n 2 sig <"$f" || true
    [[ $(stat -c %s "$f") -eq $size && $sig == BM ]] || {
      echo "not a whole frame file: $f ($(stat -c %s "$f") bytes)"
      return 1
    }
  done
}

# After finish: status 30, one "stopped" line on stderr (file $2), every frame
# file in buffer/ $3 whole (width $4, height $5), and no frame after frame $6.
check_stopped_run() {
  local what=$1 err=$2 buffer=$3 w=$4 h=$5 last=$6 saved
  [[ $status -eq 30 ]] && pass "$what: status 30" || fail "$what: status $status, want 30 (-1: still running)"
  [[ $(wc -l <"$err") -eq 1 ]] && grep -q '^wiper-render: stopped: ' "$err" && pass "$what: one line: $(cat "$err")" ||
    fail "$what: stderr should be one line saying stopped, was: $(cat "$err")"
  all_whole "$buffer" "$w" "$h" && pass "$what: every frame file is whole" || fail "$what: a frame file is not whole"
  saved=$(count_files "$buffer")
  ((saved <= last)) && pass "$what: stopped at once, after $saved of 100 frames" ||
    fail "$what: $saved frames saved, the stop came after frame $last"
}

# stop_by_key KEY LABEL SCENE WIDTH HEIGHT: sends KEY to the window of the run on
# scene SCENE and checks it stopped at once. The press alone stops the run; the
# release may find the window gone.
stop_by_key() {
  local last
  last=$(count_files "$tmp/$3/buffer")
  xdotool key --window "$id" "$1" 2>/dev/null || true
  finish
  check_stopped_run "$2" "$tmp/$3.err" "$tmp/$3/buffer" "$4" "$5" $((last + 1))
}

# --- 1. the window changes nothing in the frame files ------------------------------
for d in with without; do
  mkdir -p "$tmp/$d/buffer"
  cp "$example"/*.txt "$tmp/$d/"
done
bounded "$binary" "$tmp/with" && bounded "$binary" --headless "$tmp/without" &&
  pass "example rendered with and without the window" || fail "example run failed"
[[ $(count_files "$tmp/with/buffer") -eq 40 ]] && same_frames "$tmp/with/buffer" "$tmp/without/buffer" &&
  pass "example frames are identical with the window and headless" ||
  fail "example frames differ between the window and headless runs"
rm -rf "$tmp/with" "$tmp/without"

# --- 2. a frame larger than the window, and a key stopping the run ------------------
scene "$tmp/big" big 760 400 100 300 200
if start_paused "$tmp/big" big; then
  pass "window Form1 is up"
  caption=$(xdotool getwindowname "$id")
  [[ $caption == Form1 ]] && pass "caption is Form1" || fail "caption is $caption"
  geometry=$(xwininfo -id "$id")
  grep -q 'Width: 753$' <<<"$geometry" && grep -q 'Height: 394$' <<<"$geometry" &&
    pass "client area is 753 x 394" || fail "client area is not 753 x 394: $geometry"
  hints=$(xprop -id "$id" WM_NORMAL_HINTS)
  grep -q 'minimum size: 753 by 394' <<<"$hints" && grep -q 'maximum size: 753 by 394' <<<"$hints" &&
    pass "the window cannot be resized" || fail "the window is resizable: $hints"

  if shoot "$tmp/shot" "$tmp/big/buffer" big; then
    # The top-left 753 x 394 of the frame shown, unscaled and the right way up.
    matched=
    for n in "$first_shown" $((first_shown + 1)); do
      convert "$tmp/big/buffer/big_$n.bmp" -crop 753x394+0+0 +repage -depth 8 rgb:"$tmp/crop.rgb"
      if cmp -s "$tmp/crop.rgb" "$tmp/shot.rgb"; then matched=$n; fi
    done
    [[ -n $matched ]] && pass "the window showed the top-left corner of frame $matched" ||
      fail "the screenshot matches neither frame $first_shown nor $((first_shown + 1))"
  else
    fail "the run did not go on to frame $((first_shown + 1))"
  fi
  stop_by_key a "a key" big 760 400
else
  fail "no window named Form1, or no frame saved: $(cat "$tmp/big.err")"
fi
rm -rf "$tmp/big"

# --- 3. a small frame, a repaint, a modifier key; a signal -------------------------
# The client area as it should be while frame $1 of the small scene is shown:
# the 400 x 300 frame at the top left, the rest in the window colour.
small_expected() {
  convert -size 753x394 'xc:rgb(240,240,240)' "$tmp/small/buffer/small_$1.bmp" -composite -depth 8 rgb:"$2"
}
# The screenshot $1.rgb shows frame first_shown or the one after it.
shows_small_frame() {
  local n
  for n in "$first_shown" $((first_shown + 1)); do
    small_expected "$n" "$tmp/expected.rgb"
    cmp -s "$tmp/expected.rgb" "$1.rgb" && return 0
  done
  return 1
}

scene "$tmp/small" small 400 300 100 200 150
if start_paused "$tmp/small" small; then
  shoot "$tmp/small-shot" "$tmp/small/buffer" small && shows_small_frame "$tmp/small-shot" &&
    pass "a 400 x 300 frame shows at the top left, the rest in the window colour" ||
    fail "the small frame is not shown as it should be (see $tmp/small-shot.rgb)"

  # Hidden and shown again while the program cannot draw: the window's content
  # is gone, and only repainting it on the exposure brings back the parts no
  # later frame changes (the window colour above all). Two more frames make
  # sure the run has polled its events since.
  xdotool windowunmap --sync "$id"
  xdotool windowmap --sync "$id"
  shown=$(count_files "$tmp/small/buffer")
  if run_until "$tmp/small/buffer/small_$((shown + 2)).bmp" && shoot "$tmp/exposed" "$tmp/small/buffer" small &&
    shows_small_frame "$tmp/exposed"; then
    pass "the whole client area is repainted after being hidden"
  else
    fail "after being hidden and shown the client area is not the frame and the window colour"
  fi

  stop_by_key shift "a modifier key" small 400 300
else
  fail "no window for the small frame: $(cat "$tmp/small.err")"
fi

# SIGTERM stops a run that has a window as it does one without.
rm -rf "$tmp/small/buffer"
mkdir "$tmp/small/buffer"
if start_paused "$tmp/small" small; then
  last=$(count_files "$tmp/small/buffer")
  kill -TERM "$pid"
  finish
  check_stopped_run "SIGTERM" "$tmp/small.err" "$tmp/small/buffer" 400 300 $((last + 1))
else
  fail "no window or no frame for the signal run: $(cat "$tmp/small.err")"
fi
rm -rf "$tmp/small"

# --- 4. no display: headless by itself ---------------------------------------------
scene "$tmp/reference" w 60 40 5 30 20
bounded "$binary" --headless "$tmp/reference" || fail "headless reference run failed"
# No display named, then one that cannot be opened.
for display in "-u DISPLAY" DISPLAY=:31999; do
  scene "$tmp/nodisplay" w 60 40 5 30 20
  status=0
  # shellcheck disable=SC2086 # the word is split into env's arguments
  bounded env -u WAYLAND_DISPLAY $display "$binary" "$tmp/nodisplay" || status=$?
  [[ $status -eq 0 ]] && same_frames "$tmp/nodisplay/buffer" "$tmp/reference/buffer" &&
    pass "env $display: the run goes on headless" ||
    fail "env $display: status $status, or the frames differ from a headless run"
  rm -rf "$tmp/nodisplay"
done

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all window checks passed"
