#!/usr/bin/env bash
# Every command on files that are not caves, cut short or hostile: a clear
# error naming the file and exit 1, or a warning when part of the cave is
# missing; never a success with nothing, nor a crash.
set -uo pipefail
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
fail() { echo "FAIL: $*"; exit 1; }

: > "$tmp/empty.plt"
head -c 3000 /bin/sh > "$tmp/binary.plt"
printf 'xof 0302txt 0032\nMesh m { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n' > "$tmp/mesh.plt"
commands=(
  "info"
  "passages"
  "volume --layers 2"
  "export --format dxf -o $tmp/out.dxf"
  "render -o $tmp/out.png"
)
for f in empty binary mesh; do
  for c in "${commands[@]}"; do
    read -r -a words <<< "$c"
    "$cli" "${words[0]}" "$tmp/$f.plt" "${words[@]:1}" > /dev/null 2> "$tmp/err.txt"
    rc=$?
    [ $rc -eq 1 ] || fail "$c on $f: exit $rc"
    grep -q "\"$tmp/$f.plt\"" "$tmp/err.txt" || fail "$c on $f: $(cat "$tmp/err.txt")"
    [ "$f" = mesh ] || grep -q "holds no plot records" "$tmp/err.txt" || fail "$c on $f: $(cat "$tmp/err.txt")"
  done
  [ "$f" = mesh ] && continue  # an X file under another name is one for xfile
  "$cli" xfile convert "$tmp/$f.plt" "$tmp/out.x" > /dev/null 2> "$tmp/err.txt"
  [ $? -eq 1 ] || fail "xfile convert took $f"
  grep -q "holds no plot records" "$tmp/err.txt" || fail "xfile convert on $f: $(cat "$tmp/err.txt")"
  "$cli" xfile info "$tmp/$f.plt" > /dev/null 2>&1
  [ $? -eq 1 ] || fail "xfile info took $f"
done
[ ! -e "$tmp/out.dxf" ] && [ ! -e "$tmp/out.png" ] && [ ! -e "$tmp/out.x" ] || fail "a refused file left output"

# An end-of-file mark in mid-file: the read stops there, every command says
# where and how much it left.
demo=$src/data/demo.plt
head -n 60 "$demo" > "$tmp/cut.plt"
printf '\032' >> "$tmp/cut.plt"
tail -n +61 "$demo" >> "$tmp/cut.plt"
after=$(( $(wc -c < "$demo") - $(head -n 60 "$demo" | wc -c) ))
for c in "${commands[@]}"; do
  read -r -a words <<< "$c"
  "$cli" "${words[0]}" "$tmp/cut.plt" "${words[@]:1}" > /dev/null 2> "$tmp/err.txt" || fail "$c on the cut file"
  grep -q "warning: \"$tmp/cut.plt\": an end-of-file mark in line 61 ended the read; the $after bytes after it were not read" \
    "$tmp/err.txt" || fail "$c: no warning: $(cat "$tmp/err.txt")"
done
# A mark as the last byte is the old end of a file, no warning.
[ "$(tail -c 1 "$demo" | od -An -c | tr -d ' ')" = "032" ] || fail "the demo cave no longer ends in the mark"
"$cli" info "$demo" > /dev/null 2> "$tmp/err.txt" || fail "info on a file ending in the mark"
[ ! -s "$tmp/err.txt" ] || fail "a warning for a final mark: $(cat "$tmp/err.txt")"

# Option values that no file may carry.
for v in nan inf -inf 1e999 abc; do
  "$cli" export "$demo" --format kml -o "$tmp/a.kml" --altitude "$v" > /dev/null 2>&1
  [ $? -eq 2 ] || fail "--altitude $v accepted"
done
[ ! -e "$tmp/a.kml" ] || fail "a refused option left a file"
echo ok
