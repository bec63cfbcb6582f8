#!/usr/bin/env bash
# Therion .lox models through the commands: info's counts against the .th
# sources, scrap walls as the only walls of a survey that has scraps, and
# every other command that reads a survey.
set -euo pipefail
cli=$1
src=$2
command -v therion > /dev/null || { echo "lox: therion is not installed"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "lox: $*"; exit 1; }
for f in nested scrap; do
  mkdir "$tmp/$f"
  cp "$src/model/tests/data/therion/"{$f.th,map.png} "$tmp/$f/"
  printf 'source %s.th\nexport model -fmt loch -o ../%s.lox\n' $f $f > "$tmp/$f/thconfig"
  (cd "$tmp/$f" && therion thconfig > log.txt 2>&1) || fail "therion $f.th: $(tail -3 "$tmp/$f/log.txt")"
done

"$cli" info "$tmp/nested.lox" --json > "$tmp/nested.json"
"$cli" info "$tmp/scrap.lox" --json > "$tmp/scrap.json"
"$cli" passages "$tmp/scrap.lox" --stl "$tmp/scrap.stl" > /dev/null 2>&1 || fail "passages --stl"
python3 - "$tmp/nested.json" "$tmp/scrap.json" "$tmp/scrap.stl" <<'PY'
import json, struct, sys
n = json.load(open(sys.argv[1]))
assert n["loaded"] and n["kind"] == "therion-lox" and n["title"] == "Jaskinia Żółta", n
assert n["legs"] == 8 and n["surveys"] == 2 and n["stations"] == 9 and n["surfaces"] == 0, n
s = json.load(open(sys.argv[2]))
assert s["scraps"] == 1 and s["scrap_triangles"] >= 4 and s["surfaces"] == 1 and s["textured_surfaces"] == 1, s
stl = open(sys.argv[3], "rb").read()
faces = struct.unpack_from("<I", stl, 80)[0] if not stl.startswith(b"solid") else stl.count(b"facet normal")
assert faces == s["scrap_triangles"], (faces, s["scrap_triangles"])
PY
"$cli" info "$tmp/scrap.lox" | grep -q '^Kind: *Therion .lox model' || fail "info text lacks the kind"
"$cli" info "$tmp/scrap.lox" | grep -q '^Scraps: *1, ' || fail "info text lacks the scraps"

# The other commands read it as they read a plot file.
"$cli" find "$tmp/nested.lox" cave.side.1 | grep -q 'cave.main.4' || fail "find: the equated name"
"$cli" measure "$tmp/nested.lox" cave.main.1 cave.main.2 --json --metres > "$tmp/m.json" || fail "measure"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1]))["distance"]; assert abs(d-10)<0.01, d' "$tmp/m.json" ||
  fail "measure: $(cat "$tmp/m.json")"
"$cli" render "$tmp/scrap.lox" -o "$tmp/scrap.png" > /dev/null 2>&1 || fail "render"
"$cli" export "$tmp/scrap.lox" --format dxf -o "$tmp/s.dxf" > /dev/null 2>&1 || fail "dxf export"
"$cli" export "$tmp/scrap.lox" --format vrml -o "$tmp/s.wrl" > /dev/null 2>&1 || fail "vrml export"
"$cli" export "$tmp/scrap.lox" --format glb -o "$tmp/s.glb" > /dev/null 2>&1 || fail "glb export"
"$cli" xfile convert "$tmp/scrap.lox" "$tmp/s.x" > /dev/null 2>&1 || fail "xfile convert"
"$cli" volume "$tmp/nested.lox" > /dev/null 2>&1 || fail "volume"
"$cli" rose "$tmp/nested.lox" --json > /dev/null 2>&1 || fail "rose"
head -c 100 "$tmp/scrap.lox" > "$tmp/cut.lox"
set +e
"$cli" info "$tmp/cut.lox" > /dev/null 2> "$tmp/cut.err"
rc=$?
set -e
[ "$rc" -eq 1 ] && grep -q "cut.lox .*(at byte " "$tmp/cut.err" || fail "a cut file: $rc $(cat "$tmp/cut.err")"
echo ok
