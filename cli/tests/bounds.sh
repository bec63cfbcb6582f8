#!/usr/bin/env bash
# Hostile sizes, names and inputs: refused up front with the option's
# range, escaped, warned or worded, never a crash, an unplayable file or a
# read without end.
set -uo pipefail
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
fail() { echo "FAIL: $*"; exit 1; }
demo=$src/data/demo.plt

# Command, exit status, a part of the message on stderr.
cases=(
  "movie $demo -o $tmp/m.avi --width 4097|2|--width takes a whole number of pixels from 1 to 4096"
  "rose $demo --png $tmp/r.png --height 4097|2|--height takes a whole number of pixels from 1 to 4096"
  "export $demo --format dxf -o $tmp/s.dxf --set DXF/ScaleBar=1e308|2|DXF/ScaleBar takes a number from 0 to 1e+06"
  "info /dev/zero|1|\"/dev/zero\": not a regular file"
  "xfile info /dev/zero|1|\"/dev/zero\": not a regular file"
)
for c in "${cases[@]}"; do
  IFS='|' read -r command want text <<< "$c"
  read -r -a words <<< "$command"
  timeout 20 "$cli" "${words[@]}" > /dev/null 2> "$tmp/err.txt"
  [ $? -eq "$want" ] || fail "$command: exit status ($(head -c 300 "$tmp/err.txt"))"
  grep -qF -- "$text" "$tmp/err.txt" || fail "$command: $(head -c 300 "$tmp/err.txt")"
done

# A texture name cannot add nodes to the VRML world: outside its strings it
# has the braces and shapes of the world with a plain name.
for name in plain 'x"] } } Shape { geometry Box {} } Transform { children [ "y' 'back\slash'; do
  "$cli" export "$demo" --format vrml -o "$tmp/t.wrl" --set VRML/DoTexture=1 --set "VRML/TextureFile=$name" \
    > /dev/null 2>&1 || fail "vrml with texture $name"
  now=$(sed -E 's/"(\\.|[^"\\])*"//g' "$tmp/t.wrl" | tr -cd '{}S')
  [ "$now" = "${first:=$now}" ] || fail "texture $name changed the world"
done

# Out of memory is worded as such (an address-space limit; not where a
# sanitizer reserves its shadow memory).
# (Not `ldd | grep -q`: under pipefail grep's early exit can fail ldd.)
if [[ "$(ldd "$cli")" != *libasan* ]]; then
  (ulimit -v 3000000; "$cli" render "$demo" -o "$tmp/big.png" --width 16384 --height 16384) > /dev/null 2> "$tmp/err.txt"
  [ $? -eq 1 ] || fail "render out of memory: exit status"
  # Where the GL driver's own allocation fails first, it says so.
  grep -q "render: out of memory$\|render: EGL" "$tmp/err.txt" || fail "render out of memory: $(cat "$tmp/err.txt")"
fi
echo ok
