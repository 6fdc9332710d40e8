# shellcheck shell=bash
# Sourced by the shell tests: counting failed checks and waiting, with a
# deadline, for a condition instead of sleeping a fixed time.
# Set check_prefix before sourcing to label every line.

failures=0
fail() {
  echo "FAIL: ${check_prefix:-}$*"
  failures=$((failures + 1))
}
pass() { echo "ok: ${check_prefix:-}$*"; }

# wait_until SECONDS COMMAND...: polls COMMAND until it succeeds; fails after SECONDS.
wait_until() {
  local end=$((${EPOCHREALTIME/./} + $1 * 1000000))
  shift
  until "$@"; do
    ((${EPOCHREALTIME/./} < end)) || return 1
    sleep 0.01
  done
}
