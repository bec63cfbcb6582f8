#!/usr/bin/env bash
# Writers past a file-size limit, and results into a full or limited
# standard output: exit 1 with the system's message, the old file kept, no
# temporary left; never a success with part of the output.
set -uo pipefail
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
fail() { echo "FAIL: $*"; exit 1; }
demo=$src/data/demo.plt
out=$tmp/out

# Every writer, a 2 KiB limit (OUT is the file it writes).
writers=(
  "demo OUT.plt --stations 400"
  "passages $demo --stl OUT.stl"
  "export $demo --format dxf -o OUT.dxf"
  "export $demo --format vrml -o OUT.wrl"
  "export $demo --format kml -o OUT.kml"
  "export $demo --format shp --force -o OUT.shp"
  "export $demo --format glb -o OUT.glb"
  "xfile convert $demo OUT.x"
  "render $demo -o OUT.png --width 200 --height 150"
  "movie $demo -o OUT.avi --frames 2 --width 64 --height 48"
  "rose $demo --png OUT.png --width 200 --height 200"
)
for w in "${writers[@]}"; do
  rm -rf "$out" && mkdir "$out"
  read -r -a words <<< "${w//OUT/$out/f}"
  target=$(printf '%s\n' "${words[@]}" | grep "^$out/f")
  echo old > "$target"
  (ulimit -f 2; "$cli" "${words[@]}") > /dev/null 2> "$tmp/err.txt"
  rc=$?
  [ $rc -eq 1 ] || fail "$w: exit $rc ($(cat "$tmp/err.txt"))"
  grep -q "Cannot write file \"$target\": File too large" "$tmp/err.txt" || fail "$w: $(cat "$tmp/err.txt")"
  [ "$(cat "$target")" = old ] || fail "$w: the old file was not kept"
  [ "$(ls -A "$out")" = "$(basename "$target")" ] || fail "$w: left $(ls -A "$out")"
done

# Results on standard output: into a full device, and past a limit.
readers=(
  "info $demo"
  "info $demo --json"
  "find $demo A*"
  "measure $demo A1 A2"
  "rose $demo"
  "volume $demo --layers 4 --report"
  "--help"
)
for r in "${readers[@]}"; do
  read -r -a words <<< "$r"
  "$cli" "${words[@]}" > /dev/full 2> "$tmp/err.txt"
  rc=$?
  [ $rc -eq 1 ] || fail "$r into /dev/full: exit $rc"
  grep -q "Cannot write standard output: No space left on device" "$tmp/err.txt" || fail "$r: $(cat "$tmp/err.txt")"
done
(ulimit -f 1; "$cli" volume "$demo" --layers 10 --report > "$tmp/report.txt") 2> "$tmp/err.txt"
rc=$?
[ $rc -eq 1 ] || fail "volume --report past a limit: exit $rc"
grep -q "Cannot write standard output: File too large" "$tmp/err.txt" || fail "volume --report: $(cat "$tmp/err.txt")"
echo ok
