#!/usr/bin/env bash
# The one option parser of every command: help anywhere, the usage error's
# text and status, values taken whatever they look like, aliases named as
# typed, and operands that start with one dash where options take two.
set -uo pipefail
cli=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# expect STATUS STDERR-TEXT ARGS...: the status and the whole message.
expect() {
  local status=$1 text=$2; shift 2
  "$cli" "$@" > "$tmp/out" 2> "$tmp/err"
  local rc=$?
  [ "$rc" -eq "$status" ] || fail "$*: status $rc, not $status"
  [ -z "$text" ] || [ "$(head -1 "$tmp/err")" = "$text" ] || fail "$*: said '$(head -1 "$tmp/err")'"
}

for c in info demo passages export volume xfile render rose find measure map; do
  expect 0 "" $c some.plt --help
  grep -q "^usage: lumora-cli $c" "$tmp/out" || fail "$c --help printed no usage"
  expect 2 "lumora-cli $c: unknown option '--nope'" $c --nope
  grep -qx "Try 'lumora-cli $c --help'." "$tmp/err" || fail "$c: no hint"
done
expect 2 "lumora-cli volume: --layers takes a whole number from 1 to 10" volume f --layers 11
expect 2 "lumora-cli volume: --layers takes a whole number from 1 to 10" volume f --layers
expect 2 "lumora-cli volume: --layers takes a whole number from 1 to 10" volume f --layers --json
expect 2 "lumora-cli volume: more than one file given" volume f g
expect 2 "lumora-cli volume: no plot file given" volume --json
expect 2 "lumora-cli volume: --json and --report exclude each other" volume f --report --json
expect 2 "lumora-cli export: --output needs a file name" export f --format dxf --output ''
expect 2 "lumora-cli export: -o needs a file name" export f --format dxf -o
expect 2 "lumora-cli export: unknown --datum" export f --format kml -o x --datum Mars
expect 2 "lumora-cli render: --height takes a whole number of pixels from 1 to 16384" render f -o x.png --height 2.5
expect 2 "lumora-cli map: the output map must end in .svg or .pdf" map f -o x.png
expect 2 "lumora-cli demo: --stations needs a value" demo x.plt --stations
expect 2 "lumora-cli demo: more than one output file given" demo x.plt y.plt
expect 2 "lumora-cli find: expected 2 arguments, got 1" find f
# A pattern may start with one dash: the file is read, not refused as an option.
expect 1 "" find "$tmp/none.plt" -A1
expect 2 "lumora-cli xfile: info takes one X file" xfile info
echo ok
