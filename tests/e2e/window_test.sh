#!/usr/bin/env bash
# The preview window of the real binary on a virtual X display:
#  1. the example scene gives the same frame files with the window as headless;
#  2. during a long run a "Form1" window with a fixed 753 x 394 client area
#     shows the top-left corner of the frame being drawn, and a key sent to it
#     stops the run at once (status 30, one "stopped" line, every frame file
#     whole);
#  3. a frame smaller than the client area leaves the rest in the window
#     colour, all of it painted again after the window was hidden and shown; a
#     modifier key alone also stops the run, and so does SIGTERM;
#  4. without a display to open (none named, or one that is not there) the
#     run goes on headless by itself.
#
#     window_test.sh BINARY EXAMPLE_FOLDER
#
# Exits 77 (skipped) where the X tools are missing.

# Checks read "condition && pass ... || fail ...": pass cannot fail.
# shellcheck disable=SC2015
set -euo pipefail

binary=$1
example=$2

for tool in xvfb-run xdotool xwininfo xprop import convert cmp; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is missing (Debian packages xvfb, xdotool, x11-utils, imagemagick)"
    exit 77
  fi
done
if [[ -z ${WIPER_WINDOW_TEST_DISPLAY:-} ]]; then
  WIPER_WINDOW_TEST_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/wiper-window-test.XXXXXX")
pid=        # the run being checked
started=()  # every run started in the background, so none outlives the test
cleanup() {
  local p
  for p in "${started[@]}"; do
    if kill -0 "$p" 2>/dev/null; then
      kill -CONT "$p" 2>/dev/null || true
      kill -KILL "$p" 2>/dev/null || true
      wait "$p" 2>/dev/null || true
    fi
  done
  rm -rf "$tmp"
}
trap cleanup EXIT

# Starts the binary on folder $1 in the background, stderr to file $2.
start_run() {
  "$binary" "$1" 2>"$2" &
  pid=$!
  started+=("$pid")
}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

count_files() { find "$1" -mindepth 1 -maxdepth 1 | wc -l; }

# A copy of the example scene with an empty buffer/.
example_copy() {
  mkdir -p "$1"
  cp "$example"/*.txt "$1"/
  mkdir "$1/buffer"
}

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

# Waits up to 10 s for the Form1 window of process $pid; prints its id.
find_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --all --pid "$pid" --name '^Form1$' 2>/dev/null | head -n 1 || true)
    if [[ -n $id ]]; then
      echo "$id"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits up to 10 s for the first frame file in folder $1.
wait_first_frame() {
  for _ in $(seq 100); do
    compgen -G "$1/*.bmp" >/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# Sends key $2 to window $1 and waits for process $pid to end, at most 3 s.
# Sets stop_status (-1 if it did not end) and stop_seconds.
stop_with_key() {
  local id=$1 key=$2 start
  start=$EPOCHREALTIME
  # The press alone stops the run; the window may be gone before the release
  # is sent, which xdotool reports as an error.
  xdotool key --window "$id" "$key" 2>/dev/null || true
  for _ in $(seq 60); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  stop_seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
  if kill -0 "$pid" 2>/dev/null; then
    stop_status=-1
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
    return
  fi
  stop_status=0
  wait "$pid" || stop_status=$?
  pid=
}

# Every file in buffer/ $1 is a whole frame file of width $2, height $3.
all_whole() {
  local dir=$1 w=$2 h=$3 f size
  size=$((54 + (w * 3 + 3) / 4 * 4 * h))
  for f in "$dir"/*; do
    [[ $(stat -c %s "$f") -eq $size && $(head -c 2 "$f") == BM ]] || {
      echo "not a whole frame file: $f ($(stat -c %s "$f") bytes)"
      return 1
    }
  done
}

# After stop_with_key: status 30 within the 3 s, one "stopped" line on stderr
# (file $2), every frame file in buffer/ $3 whole (width $4, height $5).
check_stopped_run() {
  local what=$1 err=$2 buffer=$3 w=$4 h=$5
  if [[ $stop_status -eq 30 ]]; then
    pass "$what: the key stopped the run in $stop_seconds s with status 30"
  elif [[ $stop_status -eq -1 ]]; then
    fail "$what: still running $stop_seconds s after the key"
  else
    fail "$what: status $stop_status after the key, want 30"
  fi
  if [[ $(wc -l <"$err") -eq 1 ]] && grep -q stopped "$err"; then
    pass "$what: one stderr line: $(cat "$err")"
  else
    fail "$what: stderr should be one line saying stopped, was: $(cat "$err")"
  fi
  if all_whole "$buffer" "$w" "$h"; then
    pass "$what: all $(count_files "$buffer") frame files are whole"
  else
    fail "$what: a frame file is not whole"
  fi
}

# --- 1. the window changes nothing in the frame files --------------------------
example_copy "$tmp/with"
example_copy "$tmp/without"
"$binary" "$tmp/with" && "$binary" --headless "$tmp/without" && pass "example rendered with and without the window" ||
  fail "example run failed"
[[ $(count_files "$tmp/with/buffer") -eq 40 ]] && same_frames "$tmp/with/buffer" "$tmp/without/buffer" &&
  pass "example frames are identical with the window and headless" ||
  fail "example frames differ between the window and headless runs"

# --- 2. the window during a long run, and a key stopping it --------------------
scene "$tmp/big" big 1920 1080 2000 300 200
start_run "$tmp/big" "$tmp/big.err"
if id=$(find_window); then
  pass "window Form1 is up"
  [[ $(xdotool getwindowname "$id") == Form1 ]] && pass "caption is Form1" || fail "caption is $(xdotool getwindowname "$id")"
  geometry=$(xwininfo -id "$id")
  grep -q 'Width: 753$' <<<"$geometry" && grep -q 'Height: 394$' <<<"$geometry" &&
    pass "client area is 753 x 394" || fail "client area is not 753 x 394: $geometry"
  hints=$(xprop -id "$id" WM_NORMAL_HINTS)
  grep -q 'minimum size: 753 by 394' <<<"$hints" && grep -q 'maximum size: 753 by 394' <<<"$hints" &&
    pass "the window cannot be resized" || fail "the window is resizable: $hints"

  wait_first_frame "$tmp/big/buffer" || fail "no frame saved within 10 s"
  saved_before=$(count_files "$tmp/big/buffer")
  import -window "$id" -depth 8 rgb:"$tmp/shot.rgb"
  black=$(tr -cd '\000' <"$tmp/shot.rgb" | wc -c)
  white=$(tr -cd '\377' <"$tmp/shot.rgb" | wc -c)
  others=$(tr -d '\000\377' <"$tmp/shot.rgb" | wc -c)
  ((black > 3000 && white > 3000 && others == 0)) && pass "screenshot shows the frame: $((black / 3)) black pixels" ||
    fail "screenshot is not a black-on-white frame: $black black, $white white, $others other bytes"
  # The frame on screen when the screenshot was taken is at most one past the
  # last saved then: let it be saved too before stopping the run.
  shown_last=$(($(count_files "$tmp/big/buffer") + 1))
  for _ in $(seq 100); do
    [[ -e $tmp/big/buffer/big_$shown_last.bmp ]] && break
    sleep 0.1
  done

  stop_with_key "$id" a
  check_stopped_run "long run" "$tmp/big.err" "$tmp/big/buffer" 1920 1080
  saved=$(count_files "$tmp/big/buffer")
  ((saved < 2000)) && pass "the run stopped after $saved of 2000 frames" || fail "the run did not stop early"

  # The screenshot is the top-left 753 x 394 of one of the frames shown while
  # it was taken (the one on screen is saved just after it is shown), unscaled
  # and the right way up.
  matched=
  for ((n = saved_before; n <= shown_last; n++)); do
    convert "$tmp/big/buffer/big_$n.bmp" -crop 753x394+0+0 +repage -depth 8 rgb:"$tmp/crop.rgb"
    if cmp -s "$tmp/crop.rgb" "$tmp/shot.rgb"; then
      matched=$n
      break
    fi
  done
  [[ -n $matched ]] && pass "the window showed the top-left corner of frame $matched" ||
    fail "the screenshot matches none of frames $saved_before to $shown_last"
else
  fail "no window named Form1 appeared"
fi

# --- 3. a small frame, a repaint, a modifier key; a signal ---------------------
# Checks screenshot $1 of the small scene: inside the 400 x 300 frame black or
# white only, outside it the window colour, 240 grey.
small_shows_right() {
  local verdict rows black white bad
  verdict=$(od -An -v -tu1 -w2259 "$1" | awk '
    { y = NR - 1
      for (i = 1; i <= NF; i++) {
        x = int((i - 1) / 3)
        if (x < 400 && y < 300) { if ($i == 0) black++; else if ($i == 255) white++; else bad++ }
        else if ($i != 240) bad++
      } }
    END { printf "%d %d %d %d", NR, black / 3, white / 3, bad }')
  read -r rows black white bad <<<"$verdict"
  ((rows == 394 && black > 100 && white > 1000 && bad == 0)) || {
    echo "$rows rows, $black black, $white white, $bad bytes out of place"
    return 1
  }
}

scene "$tmp/small" small 400 300 30000 200 150
start_run "$tmp/small" "$tmp/small.err"
if id=$(find_window); then
  wait_first_frame "$tmp/small/buffer" || fail "no frame saved within 10 s"
  import -window "$id" -depth 8 rgb:"$tmp/small.rgb"
  why=$(small_shows_right "$tmp/small.rgb") && pass "a 400 x 300 frame shows at the top left, the rest in the window colour" ||
    fail "small frame screenshot: $why"

  # Hidden and shown again while the program cannot draw: the window's content
  # is gone, and only repainting it on the exposure brings back the parts no
  # later frame changes (the window colour above all).
  kill -STOP "$pid"
  xdotool windowunmap --sync "$id"
  xdotool windowmap --sync "$id"
  kill -CONT "$pid"
  sleep 0.5
  import -window "$id" -depth 8 rgb:"$tmp/exposed.rgb"
  why=$(small_shows_right "$tmp/exposed.rgb") && pass "the whole client area is repainted after being hidden" ||
    fail "after being hidden and shown: $why"

  stop_with_key "$id" shift
  check_stopped_run "modifier key" "$tmp/small.err" "$tmp/small/buffer" 400 300
else
  fail "no window for the small frame"
fi

# Ctrl-C and SIGTERM still stop a run that has a window.
rm -rf "$tmp/small/buffer"
mkdir "$tmp/small/buffer"
start_run "$tmp/small" "$tmp/signal.err"
if find_window >/dev/null && wait_first_frame "$tmp/small/buffer"; then
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  pid=
  [[ $status -eq 30 && $(wc -l <"$tmp/signal.err") -eq 1 ]] && grep -q stopped "$tmp/signal.err" &&
    all_whole "$tmp/small/buffer" 400 300 && pass "SIGTERM stops a run with a window: status 30, frames whole" ||
    fail "SIGTERM with a window: status $status, stderr: $(cat "$tmp/signal.err")"
else
  fail "no window or no frame for the signal run"
fi

# --- 4. no display: headless by itself ------------------------------------------
example_copy "$tmp/nodisplay"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$binary" "$tmp/nodisplay" || status=$?
[[ $status -eq 0 ]] && same_frames "$tmp/nodisplay/buffer" "$tmp/without/buffer" &&
  pass "without DISPLAY and WAYLAND_DISPLAY the run goes on headless" ||
  fail "without a display: status $status, or frames differ"

example_copy "$tmp/baddisplay"
status=0
env -u WAYLAND_DISPLAY DISPLAY=:31999 "$binary" "$tmp/baddisplay" || status=$?
[[ $status -eq 0 ]] && same_frames "$tmp/baddisplay/buffer" "$tmp/without/buffer" &&
  pass "with a display that cannot be opened the run goes on headless" ||
  fail "with a display that cannot be opened: status $status, or frames differ"

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all window checks passed"
