#!/usr/bin/env bash
# Builds and runs every test: the fuzzers for a bounded time (in CI, or when
# WIPER_FUZZ_SECONDS is set), the whole suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the whole suite on the Release build. It
# fails if the tests left the work tree changed: `git status --porcelain`
# (untracked files too, ignored ones not) must read the same at the end as at
# the start, so every build and scratch file goes where git ignores it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

tree_state() { git -C "$root" status --porcelain --untracked-files=all; }
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  tree_before=$(tree_state)
  check_tree() {
    local status=$? tree_after
    tree_after=$(tree_state)
    if [[ $tree_after != "$tree_before" ]]; then
      echo "FAIL: the tests changed the work tree (git status --porcelain, before < > after):" >&2
      diff <(grep . <<<"$tree_before" || true) <(grep . <<<"$tree_after" || true) >&2 || true
      ((status != 0)) || status=1
    fi
    exit "$status"
  }
  trap check_tree EXIT
else
  echo "== not a git work tree: the work tree is not checked for changes"
fi
"$root/scripts/install-deps.sh" build test

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$jobs"

cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DWIPER_SANITIZE=ON >/dev/null
cmake --build "$root/build-sanitize" -j"$jobs"

if [[ -n ${WIPER_FUZZ_SECONDS:-} || -n ${CI:-} ]]; then
  echo "== fuzzing"
  "$root/scripts/fuzz.sh" "${WIPER_FUZZ_SECONDS:-60}"
fi

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
(cd "$root/build-sanitize" && ctest --output-on-failure -j"$jobs")
echo "== tests of the Release build"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")

echo "== the Windows program, cross-built and tested under Wine"
"$root/scripts/test-windows.sh" "$root/build"
