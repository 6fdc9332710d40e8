#!/usr/bin/env bash
# scripts/compare-builds.sh OLD NEW [--wine OLD_EXE NEW_EXE] [--seed S] [--scenes N]
#     [--wine-scenes N] [--no-workload] [--workloads DIR] [--keep] [--only REGEX]
#
# Does a new build show a user anything the old one did not? Runs two builds
# of wiper-render (OLD and NEW, Linux) on identical fresh copies of many program
# folders and compares, byte for byte, everything a user sees: every entry of
# the folder after the run, recursively and without following links (type,
# permission bits, size, name, link target, the content of every file: frames,
# *_wiped.bmp, a left-over hidden .tmp, a file written outside buffer/), and
# the stdout, stderr and exit status of every run. With --wine, the same with
# two Windows exes under Wine, then NEW against NEW_EXE (files without
# permission bits; output with CRLF, '\' and 'Z:/' normalised).
#
# It prints one line per case, `same` or `DIFFERS: what`, the time of each
# pass, and last `N cases compared, M differ`. Exit status: 0 all same,
# 1 something differs, 2 a usage error.
#
# The folders: the example (examples/wiper) under each option and in
# multi-step cases (a rerun, leftover frames, a read-only or linked frame),
# --help, --version and usage errors; broken copies of the example, each run
# with --headless and with --headless --wiped; random scenes
# (tests/e2e/random_scenes.py --zones), each run with --headless and
# --wiped-only; the 1080p workload (benchmarks/make_workload.py) with
# --headless --quiet and --wiped-only, Linux only. The example and both
# generators come from the checkout this script sits in, whichever builds are
# compared. Each side runs on a fresh copy at the same path, so messages
# that name the folder match as they are; only the program's own path is
# replaced by <PROG> in stdout and stderr. Runs get stdin from /dev/null,
# no DISPLAY or WAYLAND_DISPLAY, and a timeout. A Wine run whose stderr shows
# Wine's own crash (`wine: Unhandled ...`) is made again, twice at most, on a
# fresh copy, and its line says so.
#
# Options and their defaults:
#   --wine OLD_EXE NEW_EXE  also compare two Windows builds under Wine (default: Linux only)
#   --seed S         seed of the random scenes (default: a random one, always printed)
#   --scenes N       random scenes on Linux (default 10)
#   --wine-scenes N  random scenes under Wine, the first of the same set (default min(N, 5))
#   --no-workload    skip the 1080p workload (about 5 to 10 s on Linux)
#   --workloads DIR  keep the generated workload in DIR/1080p and reuse it
#                    (default: $COMPARE_WORKLOADS, else generated in the work folder)
#   --keep           keep the work folder (printed) with every run's folder and
#                    stdout/stderr/status; without it the folder is removed at the
#                    end, also on Ctrl-C or SIGTERM
#   --only REGEX     run only the cases whose name matches (a bash regex),
#                    e.g. 'example/|broken/no-'
# Environment:
#   TMPDIR               where the work folder is made (mktemp -d; default /tmp)
#   COMPARE_WORKLOADS    as --workloads
#   COMPARE_WINEPREFIX   the Wine prefix (default
#                        ${XDG_CACHE_HOME:-$HOME/.cache}/wiper-render/compare-wineprefix,
#                        booted with wineboot -i the first time)
#   COMPARE_TIMEOUT      seconds a run may take (default 300)
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WORKLOADS=${COMPARE_WORKLOADS:-}
WINEPREFIX_DIR=${COMPARE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/wiper-render/compare-wineprefix}
TIMEOUT=${COMPARE_TIMEOUT:-300}

usage() { sed -n '2,3p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

OLD='' NEW='' OLD_EXE='' NEW_EXE='' SEED='' SCENES=10 WINE_SCENES='' WORKLOAD=1 KEEP=0 ONLY=''
pos=()
while (($#)); do
  case $1 in
    --wine) (($# >= 3)) || usage; OLD_EXE=$2; NEW_EXE=$3; shift 3 ;;
    --seed) (($# >= 2)) || usage; SEED=$2; shift 2 ;;
    --scenes) (($# >= 2)) || usage; SCENES=$2; shift 2 ;;
    --wine-scenes) (($# >= 2)) || usage; WINE_SCENES=$2; shift 2 ;;
    --no-workload) WORKLOAD=0; shift ;;
    --workloads) (($# >= 2)) || usage; WORKLOADS=$2; shift 2 ;;
    --keep) KEEP=1; shift ;;
    --only) (($# >= 2)) || usage; ONLY=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "compare-builds.sh: unknown option $1" >&2; usage ;;
    *) pos+=("$1"); shift ;;
  esac
done
((${#pos[@]} == 2)) || usage
OLD=$(realpath -e "${pos[0]}") || exit 2
NEW=$(realpath -e "${pos[1]}") || exit 2
if [[ -n $OLD_EXE ]]; then
  OLD_EXE=$(realpath -e "$OLD_EXE") || exit 2
  NEW_EXE=$(realpath -e "$NEW_EXE") || exit 2
fi
[[ $SEED =~ ^[0-9]+$ ]] || SEED=$(( RANDOM << 15 | RANDOM ))
[[ $SCENES =~ ^[0-9]+$ ]] || usage
[[ -z $WINE_SCENES ]] && WINE_SCENES=$(( SCENES < 5 ? SCENES : 5 ))
[[ $WINE_SCENES =~ ^[0-9]+$ ]] || usage

T0=$(date +%s.%N)
elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f s", b - a }'; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/compare-builds.XXXXXX") || exit 2
WORK=$(realpath "$WORK")
cleanup() {
  if ((KEEP)); then echo "kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# Runs write frames, and --keep leaves them: never into the checkout.
if [[ $WORK/ == "$ROOT"/* ]]; then
  echo "compare-builds.sh: the work folder $WORK is inside the checkout $ROOT; set TMPDIR elsewhere" >&2
  exit 2
fi
[[ -z $WORKLOADS ]] && WORKLOADS=$WORK/workloads
TPL=$WORK/tpl    # one template folder per scene
RUN=$WORK/run    # every run happens at the same path, so messages naming it match
RES=$WORK/res    # res/<side>/<case>/{folder,io}
mkdir -p "$TPL" "$RUN" "$RES"

echo "compare-builds.sh: OLD=$OLD"
echo "                   NEW=$NEW"
[[ -n $OLD_EXE ]] && echo "                   OLD_EXE=$OLD_EXE" && echo "                   NEW_EXE=$NEW_EXE"
echo "random scenes: seed $SEED, $SCENES scenes (Wine: $WINE_SCENES); work dir $WORK"

# ---------------------------------------------------------------- templates
EX=$ROOT/examples/wiper
[[ -f $EX/immagini.txt ]] || { echo "compare-builds.sh: no example at $EX" >&2; exit 2; }

set_frames() { sed -i "1s/^[^,]*,/$2,/" "$1"; }   # FILE FRAME_COUNT
mk() {  # mk NAME: a fresh copy of the example as template NAME, echoes its path
  local d=$TPL/$1; cp -a "$EX" "$d"; echo "$d"
}
make_templates() {
  local d
  mk ex >/dev/null
  d=$(mk no-immagini); rm "$d/immagini.txt"
  d=$(mk no-rotazione); rm "$d/rotazione_spazzole.txt"
  d=$(mk no-parts); rm "$d"/coordinate*
  d=$(mk no-buffer); rm -r "$d/buffer"
  d=$(mk buffer-is-a-file); rm -r "$d/buffer"; echo x >"$d/buffer"
  d=$(mk buffer-self-link); rm -r "$d/buffer"; ln -s . "$d/buffer"
  d=$(mk bad-third-part); sed -i '1s/.*/40,ninety,330,382/' "$d/coordinate_blade_left_nr.txt"
  d=$(mk part-102-points)
  { echo "40,90,690,382"; for i in $(seq 0 101); do echo "$((490 + i)),$((379 - i % 7))"; done; } >"$d/coordinate_arm_right.txt"
  d=$(mk part-101-points)
  { echo "40,90,690,382"; for i in $(seq 0 100); do echo "$((490 + i)),$((379 - i % 7))"; done; } >"$d/coordinate_arm_right.txt"
  d=$(mk zone-share-150); sed -i '1s/.*/150/' "$d/zone_A.txt"
  d=$(mk zone-2-points); printf '80\n60,150\n680,150\n' >"$d/zone_B.txt"
  d=$(mk zone-outside); printf '50\n-50,-50\n-10,-50\n-10,-10\n' >"$d/zone_B.txt"
  d=$(mk zone-word); printf '80\n60,150\n680,abc\n680,300\n' >"$d/zone_B.txt"
  d=$(mk backup-name); cp "$d/coordinate_arm_left.txt" "$d/coordinate_arm.txt~"
  d=$(mk fewer-frames); set_frames "$d/coordinate_blade_right_nr.txt" 30
  d=$(mk zero-frames); set_frames "$d/coordinate_arm_right.txt" 0
  d=$(mk negative-frames); set_frames "$d/coordinate_blade_left_nr.txt" -5
  d=$(mk more-frames); set_frames "$d/coordinate_blade_left_nr.txt" 45
  d=$(mk frame-count-1); set_frames "$d/coordinate_blade_left_nr.txt" 1
  d=$(mk overflow); sed -i '1s/.*/40,2000000000,330,382/' "$d/coordinate_arm_right.txt"
  d=$(mk missing-turn); echo "-88" >"$d/rotazione_spazzole.txt"
  d=$(mk bad-prefix); echo '"CON",753,394' >"$d/immagini.txt"
  d=$(mk bad-size); echo '"wiper",0,394' >"$d/immagini.txt"
  d=$(mk latin1-prefix); printf '"sc\xe8na",753,394\r\n' >"$d/immagini.txt"
  d=$(mk utf16-settings); printf '\xff\xfe"\0w\0i\0p\0\x31\0"\0,\x007\x005\x003\0,\x003\x009\x004\0' >"$d/immagini.txt"
  d=$(mk upper-case-settings); mv "$d/immagini.txt" "$d/Immagini.txt"
  python3 "$ROOT/tests/e2e/random_scenes.py" "$TPL/scenes" "$SCENES" "$SEED" --zones || exit 2
  if ((WORKLOAD)) && [[ ! -f $WORKLOADS/1080p/immagini.txt ]]; then
    [[ $WORKLOADS != "$WORK/workloads" ]] && echo "generating the 1080p workload into $WORKLOADS/1080p (once)"
    python3 "$ROOT/benchmarks/make_workload.py" "$WORKLOADS/1080p" || exit 2
  fi
}

# ---------------------------------------------------------------- cases
# Each case: name, template path, flags (w = also under Wine), and either a
# single step's arguments or "fn:FUNCTION" for several steps.
C_NAME=() C_TPL=() C_FLAGS=() C_STEPS=()
reg() { C_NAME+=("$1"); C_TPL+=("$2"); C_FLAGS+=("$3"); shift 3; C_STEPS+=("$*"); }

c_rerun() { step --headless; step --headless --wiped; }
c_rerun_rm0() { step --headless --quiet; step --headless --rebuild-memory=0; }
c_leftover() {  # frames 26..40 are left by the first run; later parts draw over them
  step --headless --quiet; set_frames "$F/coordinate_arm_left.txt" 25; step --headless --wiped
}
c_leftover_rm1000() {
  step --headless --quiet; set_frames "$F/coordinate_arm_left.txt" 25; step --headless --rebuild-memory=1000
}
c_bad_leftover() {  # a truncated leftover frame a later part must read back
  step --headless --quiet; set_frames "$F/coordinate_arm_left.txt" 25
  truncate -s 100 "$F/buffer/wiper_30.bmp"; step --headless
}
c_readonly_frame() { step --headless --quiet; chmod a-w "$F/buffer/wiper_5.bmp"; step --headless; }
c_linked_frame() {  # a frame that is a link: replaced, never written through
  step --headless --quiet; mv "$F/buffer/wiper_7.bmp" "$F/buffer/keep.bmp"
  ln -s keep.bmp "$F/buffer/wiper_7.bmp"; step --headless
}

register_cases() {
  local t=$TPL/ex n b
  reg example/headless-quiet "$t" w --headless --quiet
  reg example/headless "$t" w --headless
  reg example/headless-wiped "$t" w --headless --wiped
  reg example/wiped-only "$t" w --wiped-only
  reg example/quiet-wiped-only "$t" w --quiet --wiped-only
  reg example/rebuild-memory-0 "$t" w --headless --rebuild-memory=0
  reg example/rebuild-memory-1000 "$t" w --headless --rebuild-memory=1000
  reg example/no-display "$t" w --quiet           # no --headless, DISPLAY unset
  reg example/relative-folder "$t" w --rel --headless
  reg example/rerun "$t" w fn:c_rerun
  reg example/rerun-rebuild-0 "$t" w fn:c_rerun_rm0
  reg example/leftover "$t" w fn:c_leftover
  reg example/leftover-rebuild-1000 "$t" w fn:c_leftover_rm1000
  reg example/bad-leftover "$t" w fn:c_bad_leftover
  reg example/readonly-frame "$t" w fn:c_readonly_frame
  reg example/linked-frame "$t" w fn:c_linked_frame
  reg example/help "$t" w --nofolder --help
  reg example/version "$t" w --nofolder --version
  reg example/usage-bogus "$t" w --bogus
  reg example/usage-two-folders "$t" w --headless @F @F
  reg example/usage-both-wiped "$t" w --headless --wiped --wiped-only
  reg example/usage-bad-memory "$t" w --headless --rebuild-memory=lots
  for b in no-immagini no-rotazione no-parts no-buffer buffer-is-a-file buffer-self-link \
           bad-third-part part-102-points part-101-points zone-share-150 zone-2-points \
           zone-outside zone-word backup-name fewer-frames zero-frames negative-frames \
           more-frames frame-count-1 overflow missing-turn bad-prefix bad-size \
           latin1-prefix utf16-settings upper-case-settings; do
    reg "broken/$b/headless" "$TPL/$b" w --headless
    reg "broken/$b/wiped" "$TPL/$b" w --headless --wiped
  done
  for ((n = 1; n <= SCENES; n++)); do
    local f=; ((n <= WINE_SCENES)) && f=w
    reg "random/scene_$n/headless" "$TPL/scenes/scene_$n" "$f" --headless
    reg "random/scene_$n/wiped-only" "$TPL/scenes/scene_$n" "$f" --wiped-only
  done
  if ((WORKLOAD)); then
    reg workload-1080p/headless-quiet "$WORKLOADS/1080p" "" --headless --quiet
    reg workload-1080p/wiped-only "$WORKLOADS/1080p" "" --wiped-only
  fi
}

# ---------------------------------------------------------------- running
# step [--nofolder|--rel] ARGS...: one run of the current side's program on $F.
# "@F" in ARGS stands for the folder; otherwise the folder is the last argument.
step() {
  local mode=abs
  case ${1:-} in --nofolder) mode=none; shift ;; --rel) mode=rel; shift ;; esac
  STEP=$((STEP + 1))
  local fpath=$F
  [[ $KIND == wine ]] && fpath="Z:$F"
  [[ $mode == rel ]] && fpath=$(basename "$F")
  local args=() a sawf=0
  for a in "$@"; do
    if [[ $a == @F ]]; then args+=("$fpath"); sawf=1; else args+=("$a"); fi
  done
  [[ $mode != none && $sawf == 0 ]] && args+=("$fpath")
  local out=$IO/s$STEP.out err=$IO/s$STEP.err
  if [[ $KIND == wine ]]; then
    (cd "$(dirname "$F")" && env -u DISPLAY -u WAYLAND_DISPLAY WINEDEBUG=-all \
      WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="$WINEPREFIX_DIR" \
      timeout -k 5 "$TIMEOUT" wine "$BIN" "${args[@]}" </dev/null >"$out" 2>"$err")
  else
    (cd "$(dirname "$F")" && env -u DISPLAY -u WAYLAND_DISPLAY \
      timeout -k 5 "$TIMEOUT" "$BIN" "${args[@]}" </dev/null >"$out" 2>"$err")
  fi
  local rc=$?
  echo $rc >"$IO/s$STEP.status"
  # Wine's own crash report ("wine: Unhandled page fault ... starting debugger")
  # is no output of the program; the case is run again and the crash reported.
  if [[ $KIND == wine ]] && grep -aq '^wine: Unhandled' "$err"; then
    CRASHED+="step $STEP ($rc): $(grep -am1 '^wine: Unhandled' "$err" | cut -c1-100); "
  fi
  # The program's own path is the one thing that legitimately differs.
  local winbin="Z:${BIN//\//\\}"
  P1=$BIN P2=$winbin P3="Z:$BIN" perl -pi -e 's/\Q$ENV{P2}\E/<PROG>/g; s/\Q$ENV{P3}\E/<PROG>/g; s/\Q$ENV{P1}\E/<PROG>/g' "$out" "$err"
}

# run_case SIDE KIND BIN INDEX: leaves res/SIDE/<case>/{folder,io}
run_case() {
  local side=$1 i=$4
  KIND=$2 BIN=$3
  local dest=$RES/$side/${C_NAME[$i]}
  F=$RUN/$(basename "${C_TPL[$i]}")
  rm -rf "$F" "$dest"; mkdir -p "$dest/io"
  cp -a "${C_TPL[$i]}" "$F"
  IO=$dest/io STEP=0
  local s=${C_STEPS[$i]}
  if [[ $s == fn:* ]]; then "${s#fn:}"; else read -r -a sargs <<<"$s"; step "${sargs[@]}"; fi
  mv "$F" "$dest/folder"
}

# A listing of a tree: type, mode (unless cross), size, path, link target.
listing() {  # DIR CROSS
  (cd "$1" && find . -mindepth 1 -printf '%y\t%m\t%s\t%p\t%l\n' | LC_ALL=C sort |
    awk -F'\t' -v OFS='\t' -v cross="$2" '{ if (cross == 1) $2 = "-"; if ($1 == "d") $3 = "-"; print }')
}
# Normalised copy of the io dir for the cross pair: CRLF, separators, drive.
normalise_io() {  # SRC DEST
  mkdir -p "$2"
  local f
  for f in "$1"/*; do
    tr -d '\r' <"$f" | tr '\\' / | sed 's#Z:/#/#g' >"$2/$(basename "$f")"
  done
}
first_diff() {  # A B: the first differing line, shortened
  diff "$1" "$2" | grep -m2 '^[<>]' | cut -c1-110 | tr '\n' ' '
}
# compare_dirs A B CROSS: prints nothing when same, else a short description.
compare_dirs() {
  local a=$1 b=$2 cross=$3 notes=() la lb
  local ia=$a/io ib=$b/io
  if [[ $cross == 1 ]]; then
    normalise_io "$a/io" "$WORK/na"; normalise_io "$b/io" "$WORK/nb"; ia=$WORK/na ib=$WORK/nb
  fi
  local f base
  for f in "$ia"/*; do
    base=$(basename "$f")
    if [[ ! -e $ib/$base ]]; then notes+=("$base only in OLD"); continue; fi
    if ! cmp -s "$f" "$ib/$base"; then
      case $base in
        *.status) notes+=("${base%.status} status $(cat "$f") vs $(cat "$ib/$base")") ;;
        *.out) notes+=("${base%.out} stdout: $(first_diff "$f" "$ib/$base")") ;;
        *.err) notes+=("${base%.err} stderr: $(first_diff "$f" "$ib/$base")") ;;
      esac
    fi
  done
  [[ $cross == 1 ]] && rm -rf "$WORK/na" "$WORK/nb"
  la=$(listing "$a/folder" "$cross"); lb=$(listing "$b/folder" "$cross")
  if [[ $la != "$lb" ]]; then
    local d
    d=$(diff <(echo "$la") <(echo "$lb") | grep '^[<>]' | sed 's/^</OLD:/; s/^>/NEW:/' | head -4 | tr '\t\n' ' ;')
    notes+=("folder listing: $d")
  fi
  local ty p
  while IFS=$'\t' read -r ty _ _ p _; do
    [[ $ty == f ]] || continue
    cmp -s "$a/folder/$p" "$b/folder/$p" || notes+=("${p#./} content")
  done < <(LC_ALL=C comm -12 <(echo "$la") <(echo "$lb"))
  ((${#notes[@]})) || return 0
  local n=${#notes[@]} out
  out=$(printf '%s; ' "${notes[@]:0:4}")
  ((n > 4)) && out+="(and $((n - 4)) more)"
  echo "$out"
}

TOTAL=0 DIFFER=0 RETRIES=0
report() {  # LABEL RESULT [RETRIED]
  TOTAL=$((TOTAL + 1))
  local note=
  [[ -n ${3:-} ]] && note=" (run again after a Wine crash: $3)"
  if [[ -z $2 ]]; then printf '%-58s same%s\n' "$1" "$note"
  else DIFFER=$((DIFFER + 1)); printf '%-58s DIFFERS: %s%s\n' "$1" "$2" "$note"; fi
}
# run_with_retry SIDE KIND BIN INDEX WHO: a run that Wine itself crashed is
# made again (twice at most); each crash is named on the case's line.
run_with_retry() {
  for _ in 1 2 3; do
    CRASHED=
    run_case "$1" "$2" "$3" "$4"
    [[ -z $CRASHED ]] && return
    RETRIES=$((RETRIES + 1))
    retried+="$5 $CRASHED"
  done
}

# pass LABEL OLDSIDE NEWSIDE KIND OLDBIN NEWBIN FLAGFILTER
pass() {
  local label=$1 so=$2 sn=$3 kind=$4 bo=$5 bn=$6 filt=$7 i t0 tc r
  t0=$(date +%s.%N)
  echo "== $label"
  for i in "${!C_NAME[@]}"; do
    [[ -n $filt && ${C_FLAGS[$i]} != *"$filt"* ]] && continue
    [[ -n $ONLY && ! ${C_NAME[$i]} =~ $ONLY ]] && continue
    tc=$(date +%s.%N)
    local retried=
    run_with_retry "$so" "$kind" "$bo" "$i" OLD
    run_with_retry "$sn" "$kind" "$bn" "$i" NEW
    r=$(compare_dirs "$RES/$so/${C_NAME[$i]}" "$RES/$sn/${C_NAME[$i]}" 0)
    report "${C_NAME[$i]}" "$r" "$retried"
    [[ ${C_NAME[$i]} == workload* ]] && echo "   ($(elapsed "$tc") for both)"
    # Keep only what the cross pair still needs.
    if ((!KEEP)); then
      rm -rf "${RES:?}/$so/${C_NAME[$i]}"
      [[ -z $OLD_EXE || ${C_FLAGS[$i]} != *w* ]] && rm -rf "${RES:?}/$sn/${C_NAME[$i]}"
    fi
  done
  echo "   ($label: $(elapsed "$t0"))"
}

cross_pass() {
  local i t0 r
  t0=$(date +%s.%N)
  echo "== cross: NEW (Linux) vs NEW_EXE (Wine): files, statuses, CRLF/separator-normalised stdout and stderr"
  for i in "${!C_NAME[@]}"; do
    [[ ${C_FLAGS[$i]} != *w* ]] && continue
    [[ -n $ONLY && ! ${C_NAME[$i]} =~ $ONLY ]] && continue
    r=$(compare_dirs "$RES/linux-new/${C_NAME[$i]}" "$RES/wine-new/${C_NAME[$i]}" 1)
    report "${C_NAME[$i]}" "$r"
    ((KEEP)) || rm -rf "$RES/linux-new/${C_NAME[$i]}" "$RES/wine-new/${C_NAME[$i]}"
  done
  echo "   (cross: $(elapsed "$t0"))"
}

make_templates
register_cases
pass "Linux: OLD vs NEW" linux-old linux-new linux "$OLD" "$NEW" ""
if [[ -n $OLD_EXE ]]; then
  if [[ ! -f $WINEPREFIX_DIR/system.reg ]]; then
    echo "booting the Wine prefix $WINEPREFIX_DIR"
    mkdir -p "$WINEPREFIX_DIR"
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="$WINEPREFIX_DIR" wineboot -i >/dev/null 2>&1
  fi
  pass "Wine: OLD_EXE vs NEW_EXE" wine-old wine-new wine "$OLD_EXE" "$NEW_EXE" w
  cross_pass
fi
((RETRIES)) && echo "$RETRIES run(s) crashed under Wine and were made again (named on their lines above)"
echo "$TOTAL cases compared, $DIFFER differ (seed $SEED, $(elapsed "$T0"))"
((DIFFER == 0))
