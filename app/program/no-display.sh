#!/usr/bin/env bash
# The window without a display: a clear message and exit 1, never a crash;
# --help and --version still answer.
set -uo pipefail
lumora=$1
fail() { echo "FAIL: $*"; exit 1; }
check() {
  local rc
  "$@" > /dev/null 2> err.txt < /dev/null
  rc=$?
  [ $rc -eq 1 ] || fail "exit $rc for: $* ($(cat err.txt))"
  grep -q "needs a display" err.txt && grep -q "lumora-cli render" err.txt || fail "message for: $*: $(cat err.txt)"
}
cd "$(mktemp -d)" || exit 1
trap 'rm -rf "$PWD"' EXIT
check env QT_QPA_PLATFORM=offscreen "$lumora"
check env QT_QPA_PLATFORM=minimal "$lumora" some.plt
check env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$lumora"
check env -u QT_QPA_PLATFORM "$lumora" -platform offscreen
# A display named but not there, and a platform that is no display.
check env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987 "$lumora"
check env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=lumora-none "$lumora"
check env QT_QPA_PLATFORM=vnc "$lumora"
check env QT_QPA_PLATFORM=xcb DISPLAY=:987 "$lumora"
env -u DISPLAY -u WAYLAND_DISPLAY "$lumora" --version | grep -q '^lumora ' || fail "--version needs a display"
echo ok
