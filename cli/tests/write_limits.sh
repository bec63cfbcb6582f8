#!/usr/bin/env bash
# Writers past a file-size limit, and results into a full or limited
# standard output: exit 1 with the system's message, the old file kept, no
# temporary left. Shapefile sets replaced whole or not at all: a member that
# cannot be written keeps the old set, racing writers never mix members,
# the archive holds the set; the table dated in years since 1900.
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
  [ $? -eq 1 ] || fail "$w: exit status ($(cat "$tmp/err.txt"))"
  grep -q "Cannot write file \"$target\": File too large" "$tmp/err.txt" || fail "$w: $(cat "$tmp/err.txt")"
  [ "$(cat "$target")" = old ] || fail "$w: the old file was not kept"
  [ "$(ls -A "$out")" = "$(basename "$target")" ] || fail "$w: left $(ls -A "$out")"
done

# Results on standard output: into a full device, and past a limit.
for r in "info $demo" "find $demo A*" "measure $demo A1 A2" "volume $demo --layers 4 --report" "--help"; do
  read -r -a words <<< "$r"
  "$cli" "${words[@]}" > /dev/full 2> "$tmp/err.txt"
  [ $? -eq 1 ] || fail "$r into /dev/full: exit status"
  grep -q "Cannot write standard output: No space left on device" "$tmp/err.txt" || fail "$r: $(cat "$tmp/err.txt")"
done
(ulimit -f 1; "$cli" volume "$demo" --layers 10 --report > "$tmp/report.txt") 2> "$tmp/err.txt"
[ $? -eq 1 ] || fail "volume --report past a limit: exit status"
grep -q "Cannot write standard output: File too large" "$tmp/err.txt" || fail "volume --report: $(cat "$tmp/err.txt")"

# Shapefile sets: two caves' sets, their year.
b=$tmp/b.plt
"$cli" demo "$b" --stations 300 --seed 7 > /dev/null || fail "demo"
set=$tmp/set/cave
sums() { md5sum "$set".shp "$set".shx "$set".dbf "$set".prj 2> /dev/null | cut -d' ' -f1 | tr '\n' ' '; }
export_set() { "$cli" export "$1" --format shp --layer shots --force --zip -o "$set.shp"; }
mkdir "$tmp/set"
export_set "$b" > /dev/null 2>&1 && sumB=$(sums) && export_set "$demo" > /dev/null 2>&1 && sumA=$(sums) || fail "export"
[ "$(od -An -tu1 -j1 -N1 "$set.dbf" | tr -d ' ')" = $(($(date +%Y) - 1900)) ] || fail "the table's year"

# Whole sets from writers racing for one name, the archive holding them.
for round in 1 2 3 4 5 6; do
  export_set "$demo" > /dev/null 2>&1 &
  export_set "$b" > /dev/null 2>&1 &
  wait
  now=$(sums)
  [ "$now" = "$sumA" ] || [ "$now" = "$sumB" ] || fail "round $round left a mixed set"
  for m in shp shx dbf prj; do
    unzip -p "$set.zip" "*cave.$m" | cmp -s - "$set.$m" || fail "round $round: the archive's .$m is not the set's"
  done
done
[ "$(ls -A "$tmp/set" | sort | tr '\n' ' ')" = "cave.dbf cave.prj cave.shp cave.shx cave.zip " ] ||
  fail "left $(ls -A "$tmp/set")"

# A member that cannot be written keeps every old one.
export_set "$demo" > /dev/null 2>&1 || fail "export a"
rm "$set.prj" && mkdir "$set.prj"
sumA=$(sums)$(md5sum < "$set.zip")
export_set "$b" > /dev/null 2> "$tmp/err.txt" && fail "a set with a folder for its .prj was written"
grep -q "cave.prj" "$tmp/err.txt" || fail "the failing member is not named: $(cat "$tmp/err.txt")"
[ "$(sums)$(md5sum < "$set.zip")" = "$sumA" ] || fail "a failed set replaced members"
[ "$(ls -A "$tmp/set" | wc -l)" = 5 ] || fail "left $(ls -A "$tmp/set")"
echo ok
