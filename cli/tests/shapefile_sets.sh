#!/usr/bin/env bash
# Shapefile sets are replaced whole or not at all: a member that cannot be
# written keeps the old set, two writers of one set never mix their
# members, the archive holds the set beside it; the table is dated in
# years since 1900.
set -uo pipefail
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
fail() { echo "FAIL: $*"; exit 1; }
a=$src/data/demo.plt
b=$tmp/b.plt
"$cli" demo "$b" --stations 300 --seed 7 > /dev/null || fail "demo"
set=$tmp/out/cave
sums() { md5sum "$set".shp "$set".shx "$set".dbf "$set".prj 2> /dev/null | cut -d' ' -f1 | tr '\n' ' '; }
export_set() { "$cli" export "$1" --format shp --layer shots --force --zip -o "$set.shp" "${@:2}"; }
mkdir "$tmp/out"

# The reference sets of the two caves.
export_set "$b" > /dev/null 2>&1 || fail "export b"
sumB=$(sums)
export_set "$a" > /dev/null 2>&1 || fail "export a"
sumA=$(sums)
[ "$sumA" != "$sumB" ] || fail "the caves give the same set"
year=$(od -An -tu1 -j1 -N1 "$set.dbf" | tr -d ' ')
[ "$year" = $(($(date +%Y) - 1900)) ] || fail "table dated $year"

# Whole sets from writers racing for one name, the archive holding them.
for round in 1 2 3 4 5 6; do
  export_set "$a" > /dev/null 2>&1 &
  export_set "$b" > /dev/null 2>&1 &
  wait
  now=$(sums)
  [ "$now" = "$sumA" ] || [ "$now" = "$sumB" ] || fail "round $round left a mixed set"
  for m in shp shx dbf prj; do
    unzip -p "$set.zip" "*cave.$m" | cmp -s - "$set.$m" || fail "round $round: the archive's .$m is not the set's"
  done
done
[ "$(ls -A "$tmp/out" | sort | tr '\n' ' ')" = "cave.dbf cave.prj cave.shp cave.shx cave.zip " ] ||
  fail "left $(ls -A "$tmp/out")"

# A member that cannot be written keeps every old one.
export_set "$a" > /dev/null 2>&1 || fail "export a"
zipSum=$(md5sum < "$set.zip")
rm "$set.prj" && mkdir "$set.prj"
sumA=$(sums)
export_set "$b" > /dev/null 2> "$tmp/err.txt" && fail "a set with a folder for its .prj was written"
grep -q "cave.prj" "$tmp/err.txt" || fail "the failing member is not named: $(cat "$tmp/err.txt")"
[ "$(sums)" = "$sumA" ] || fail "a failed set replaced members"
[ "$(md5sum < "$set.zip")" = "$zipSum" ] || fail "a failed set replaced the archive"
[ "$(ls -A "$tmp/out" | wc -l)" = 5 ] || fail "left $(ls -A "$tmp/out")"
echo ok
