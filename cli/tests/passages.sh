#!/bin/bash
# lumora-cli passages: STL and OBJ that an independent reader (assimp) opens
# with exactly the faces the builder reported. Args: lumora-cli, source dir.
set -u
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
missing=""  # validators not installed: the test reports itself skipped
fail() { echo "FAIL: $*"; exit 1; }

json_num() { sed -n "s/^  \"$1\": \([0-9.e+-]*\),*\$/\1/p" "$2"; }

printf '%s\r\n' \
  'Z 0 100 0 100 -10 10' \
  'N SURV D 1 1 2000 C test' \
  'M 0 0 0 S A1 P 2 3 1 2' \
  'D 10 0 0 S A2 P 2 3 1 2' \
  'D 10 10 2 S A3 P 2 3 1 2' \
  'D 20 10 20 S A4 P 1 1 1 1' \
  'X 0 100 0 100 -10 10' > "$tmp/small.plt"

"$cli" passages "$tmp/no-such.plt" >/dev/null 2>&1 && fail "a missing file succeeded"
"$cli" passages "$tmp/small.plt" --shape round >/dev/null 2>&1
[ $? -eq 2 ] || fail "a bad --shape is not a usage error"

check() {  # plot file, extra options...
  local plt=$1
  shift
  "$cli" passages "$plt" --seal --json --stl "$tmp/out.stl" --obj "$tmp/out.obj" "$@" > "$tmp/out.json" ||
    fail "passages $plt $*"
  local faces segments
  faces=$(json_num faces "$tmp/out.json")
  segments=$(json_num segments "$tmp/out.json")
  [ -n "$faces" ] && [ "$segments" -gt 0 ] || fail "no walls from $plt: $(cat "$tmp/out.json")"
  # Octagons: 8 quads per segment, two triangles each; the caps are the rest.
  local triangles=$((faces + 8 * segments))
  local size=$(stat -c %s "$tmp/out.stl")
  [ "$size" -eq $((84 + 50 * triangles)) ] || fail "STL of $size bytes for $triangles triangles"
  if ! command -v assimp >/dev/null; then
    echo "assimp not installed: reader checks skipped"
    missing="$missing assimp"
    return
  fi
  for f in out.stl out.obj; do
    assimp info "$tmp/$f" > "$tmp/info.txt" 2>&1 || fail "assimp cannot read $f"
    local read
    read=$(sed -n 's/^Faces: *\([0-9]*\)$/\1/p' "$tmp/info.txt")
    [ "$read" = "$triangles" ] || fail "assimp reads $read faces from $f, expected $triangles"
  done
  echo "ok: $plt $* ($triangles triangles)"
}

check "$tmp/small.plt"
check "$tmp/small.plt" --metres --center --rounding 2
if [ -f "$src/data/demo.plt" ]; then
  check "$src/data/demo.plt"
else
  echo "data/demo.plt not present: demo check skipped"
fi
[ -z "$missing" ] || { echo "skipped, not installed:$missing"; exit 77; }
