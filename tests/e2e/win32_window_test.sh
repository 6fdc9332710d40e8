#!/usr/bin/env bash
# Form1 of the Windows program under Wine, on the X display this runs on (a
# virtual one: scripts/test-windows.sh starts it under xvfb-run):
#  1. a window captioned "Form1" whose client area is 753 x 394;
#  2. a 600 x 300 frame shown unscaled at (0,0), the window colour
#     (240,240,240) beside and below it;
#  3. a key, and a modifier key alone, each stop the run with status 30 and
#     one "stopped" line, leaving every frame file whole;
#  4. while the frame moves, only the rows that changed are sent to the
#     screen: what Form1 shows is still, pixel for pixel, a saved frame;
#  5. started on a console of its own (as from Explorer), a failing run also
#     shows its report in a message box, and ends once it is dismissed.
#
#     win32_window_test.sh EXE WINE_PREFIX WORK_FOLDER
#
# A Wine prefix first booted without a display never shows windows, so this
# one is booted here, on the display.
# Checks read "condition && pass ... || fail ...": pass cannot fail.
# shellcheck disable=SC2015
set -euo pipefail
exe=$1
export WINEPREFIX=$2
work=$3
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

mkdir -p "$work"
pid=
cleanup() {
  [[ -n $pid ]] && kill -KILL "$pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 143' TERM

check_prefix="Form1: "
source "$(dirname "$0")/checks.sh"

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi

# Every frame the same triangle (a sweep of $2, 0 by default), so any
# screenshot of the run shows frame 1; 3000 frames, so the run outlasts the test.
scene() {
  local folder=$1
  rm -rf "$folder"
  mkdir -p "$folder/buffer"
  printf '"f",600,300\n' >"$folder/immagini.txt"
  printf '30,30\n' >"$folder/rotazione_spazzole.txt"
  printf '3000,%d,300,150\n100,40\n560,120\n240,290\n' "${2:-0}" >"$folder/coordinate.txt"
}

form1_window() { xdotool search --name '^Form1$' 2>/dev/null | head -1; }
has_form1() { [[ -n $(form1_window) ]]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }

window_or_ended() { has_form1 || ended; }

# Starts a run on folder $1 (sweep $2) and waits until its window shows frame 2.
start_run() {
  scene "$1" "${2:-0}"
  wine "$exe" "Z:${1//\//\\}" 2>"$1.err" </dev/null &
  pid=$!
  wait_until 60 window_or_ended && has_form1 && wait_until 60 test -e "$1/buffer/f_2.bmp"
}

# Wine brings up its desktop on a display when a prefix first shows a window
# there, and a window opened while that happens may never be mapped. So a
# run that fails at once (its folder does not exist) opens Form1 first.
timeout -k 5 60 wine "$exe" 'Z:\nonexistent-wiper-folder' >/dev/null 2>&1 </dev/null || true

# Sends key $2 to the window and checks the run on folder $1 stopped.
stop_with_key() {
  local folder=$1 key=$2 window status
  window=$(form1_window)
  xdotool key --window "$window" "$key"
  if ! wait_until 20 ended; then
    fail "still running 20 s after the key $key"
    return
  fi
  set +e
  wait "$pid"
  status=$?
  set -e
  pid=
  local sizes
  sizes=$(find "$folder/buffer" -type f -printf '%s\n' | sort -u)
  [[ $status == 30 && $(head -c 22 "$folder.err") == "wiper-render: stopped:" && $(wc -l <"$folder.err") == 1 &&
     $sizes == "$((54 + 1800 * 300))" ]] &&
    pass "the key $key stops the run with status 30, every frame file whole" ||
    fail "after the key $key: status $status, stderr '$(cat "$folder.err")', frame sizes $sizes"
}

# How many colours a region of picture $1 holds, and the first: "1:240,240,240".
colours_of() {
  convert "$1" -crop "$2" +repage -unique-colors \
    -format '%w:%[fx:int(255*r+.5)],%[fx:int(255*g+.5)],%[fx:int(255*b+.5)]' info:
}

# The screenshot $1 shows frame file $2 at (0,0).
shows_file() {
  [[ -e $2 ]] && convert "$1" -crop 600x300+0+0 +repage "$work/shown.png" 2>/dev/null &&
    [[ $(compare -metric AE "$work/shown.png" "$2" null: 2>&1) == 0 ]]
}

# Paused between frames, a moving run shows the last frame it saved, or the
# one it is about to save.
shows_a_saved_frame() {
  local folder=$1 window last
  window=$(form1_window)
  kill -STOP "$pid"
  last=$(find "$folder/buffer" -name 'f_*.bmp' | sed 's/.*f_\([0-9]*\)\.bmp$/\1/' | sort -n | tail -1)
  import -window "$window" "$work/moving.png" 2>/dev/null
  kill -CONT "$pid"
  wait_until 20 test -e "$folder/buffer/f_$((last + 1)).bmp" || return 1
  shows_file "$work/moving.png" "$folder/buffer/f_$last.bmp" ||
    shows_file "$work/moving.png" "$folder/buffer/f_$((last + 1)).bmp"
}

# The screenshot matches: frame 1 at (0,0), the window colour right of it and below it.
shows_frame() {
  import -window "$1" "$work/form1.png" 2>/dev/null && shows_file "$work/form1.png" "$work/run1/buffer/f_1.bmp" &&
    [[ $(colours_of "$work/form1.png" 153x300+600+0) == "1:240,240,240" &&
       $(colours_of "$work/form1.png" 753x94+0+300) == "1:240,240,240" ]]
}

if ! start_run "$work/run1"; then
  fail "no window, or no second frame, within 60 s: $(cat "$work/run1.err")"
else
  window=$(form1_window)
  geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  [[ $geometry == 753x394 ]] && pass "client area 753 x 394" || fail "client area $geometry, not 753x394"
  if wait_until 20 shows_frame "$window"; then
    pass "shows the frame unscaled at (0,0), the window colour around it"
  else
    cp "$work/form1.png" "${WIPER_FORM1_SHOT:-/dev/null}" 2>/dev/null || true
    fail "the screenshot does not show frame 1 at (0,0) and the window colour beside it"
  fi
  stop_with_key "$work/run1" a
fi

if ! start_run "$work/run2"; then
  fail "no window for the second run within 60 s: $(cat "$work/run2.err")"
else
  stop_with_key "$work/run2" Shift_L
fi

if ! start_run "$work/run3" 3000; then
  fail "no window for the moving run within 60 s: $(cat "$work/run3.err")"
else
  moved=0
  for _ in 1 2 3; do shows_a_saved_frame "$work/run3" && moved=$((moved + 1)); done
  ((moved == 3)) && pass "a moving frame shows as saved, rows sent as they change" ||
    fail "a moving frame differs from the saved one in $((3 - moved)) of 3 screenshots"
  stop_with_key "$work/run3" space
fi

box_window() { xdotool search --name '^wiper-render$' 2>/dev/null | head -1; }
has_box() { [[ -n $(box_window) ]]; }
no_box() { [[ -z $(box_window) ]]; }
mkdir -p "$work/empty"
# "start" gives the program a new console, which only it uses.
exe_abs=$(realpath "$exe")
if ! wine start "Z:${exe_abs//\//\\}" "Z:${work//\//\\}\\empty" </dev/null >"$work/start.log" 2>&1; then
  fail "wine start: $(cat "$work/start.log")"
elif wait_until 30 has_box; then
  xdotool key --window "$(box_window)" Return || true
  wait_until 20 no_box && pass "a failure on a console of its own shows a message box" ||
    fail "the message box stays after Return"
else
  fail "no message box for a failure on a console of its own"
fi

exit $((failures > 0))
