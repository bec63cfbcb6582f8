#!/usr/bin/env bash
# Survex stations through the commands: whole names, their ends and aliases
# in find and measure; a file of fixed points without legs, which opens
# where stations suffice and is refused plainly where legs are needed; an
# extended elevation.
set -euo pipefail
cli=$1
src=$2
command -v cavern > /dev/null && command -v dump3d > /dev/null || { echo "survex3d_stations: no Survex"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
fail() { echo "survex3d_stations: $*"; exit 1; }
for f in names fixes nested; do
  cavern -q -o "$tmp/" "$src/model/tests/data/survex/$f.svx" > /dev/null 2>&1 || fail "cavern $f.svx"
done

# find: the whole name, the end of one after a separator, an alias, a named
# splay end; each line lists the station's other names.
n=$tmp/names.3d
[ "$("$cli" find "$n" leckmasongill.rumblinghole.entrance | wc -l)" -eq 1 ] || fail "whole name"
"$cli" find "$n" rumblinghole.entrance | grep -q '^leckmasongill.rumblinghole.entrance ' || fail "end of a name"
"$cli" find "$n" RUMBLINGHOLE.1 | grep -q '^leckmasongill.reseau.y .* also leckmasongill.rumblinghole.1$' || fail "alias"
"$cli" find "$n" 2a --json | python3 -c '
import json, sys
o = json.load(sys.stdin)
assert [s["name"] for s in o] == ["leckmasongill.rumblinghole.2a"], o' || fail "splay end"

# measure against dump3d's positions, by the ends of the names.
"$cli" measure "$n" rumblinghole.entrance reseau.z --json --metres > "$tmp/m.json"
dump3d "$n" > "$tmp/n.dump"
python3 - "$tmp/m.json" "$tmp/n.dump" <<'PY'
import json, math, sys
o = json.load(open(sys.argv[1]))
pos = {l.split()[4][1:-1]: [float(v) for v in l.split()[1:4]] for l in open(sys.argv[2]) if l.startswith("NODE")}
a, b = pos["leckmasongill.rumblinghole.entrance"], pos["leckmasongill.reseau.z"]
assert abs(o["distance"] - math.dist(a, b)) < 0.01, (o, a, b)
assert o["to"]["name"] == "leckmasongill.reseau.z", o
PY
set +e
"$cli" measure "$n" 1 2 > /dev/null 2> "$tmp/amb.err"; rc=$?
set -e
[ "$rc" -eq 1 ] && grep -q 'station name "1" is ambiguous' "$tmp/amb.err" || fail "ambiguous end: $rc $(cat "$tmp/amb.err")"

# A file of two fixed points: it opens, says what it holds, is found,
# measured, placed and drawn.
x=$tmp/fixes.3d
"$cli" info "$x" --json | python3 -c '
import json, sys
o = json.load(sys.stdin)
assert o["loaded"] and o["stations"] == 2 and o["legs"] == 0 and o["records"]["M"] == 2, o' || fail "info"
"$cli" measure "$x" north south | grep -q "^Distance: *179.70 ft" || fail "measure: $("$cli" measure "$x" north south)"
"$cli" export "$x" --format kml -o "$tmp/x.kml" > /dev/null 2>&1 || fail "kml"
[ "$(grep -c '<Point>' "$tmp/x.kml")" -ge 2 ] && grep -q '<name>holes.south</name>' "$tmp/x.kml" || fail "kml points"
"$cli" export "$x" --format shp -o "$tmp/x.shp" > /dev/null 2>&1 || fail "shapefile"
if command -v ogrinfo > /dev/null; then
  ogrinfo -al -so "$tmp/x.shp" | grep -q 'Feature Count: 2' || fail "shapefile points"
fi
"$cli" render "$x" -o "$tmp/x.ppm" --width 200 --height 150 > /dev/null 2>&1 || fail "render"
python3 - "$tmp/x.ppm" <<'PY' || fail "render drew no station"
import sys
data = open(sys.argv[1], "rb").read()
header, pixels = data.split(b"\n", 3)[:3], data.split(b"\n", 3)[3]
background = pixels[:3]
drawn = sum(1 for i in range(0, len(pixels), 3) if pixels[i:i + 3] != background)
assert drawn > 4, drawn
PY
# Commands that need legs say so, once each in the same words.
for c in "passages" "volume" "rose" "movie -o $tmp/x.avi --frames 2" "export --format dxf -o $tmp/x.dxf" \
  "export --format vrml -o $tmp/x.wrl" "export --format shp --layer passage -o $tmp/p.shp" "xfile convert"; do
  read -r -a words <<< "$c"
  set +e
  if [ "${words[0]}" = xfile ]; then
    "$cli" xfile convert "$x" "$tmp/x.x" > /dev/null 2> "$tmp/err"
  else
    "$cli" "${words[0]}" "$x" "${words[@]:1}" > /dev/null 2> "$tmp/err"
  fi
  rc=$?
  set -e
  [ "$rc" -eq 1 ] && grep -q "\"$x\" holds stations but no legs: there are no" "$tmp/err" || fail "$c: $rc $(cat "$tmp/err")"
done
grep -qx "lumora-cli xfile: \"$x\" holds stations but no legs: there are no passages to build" "$tmp/err" ||
  fail "the refusal's words: $(cat "$tmp/err")"

# An extended elevation: reported, and drawn as an elevation only.
extend "$tmp/nested.3d" "$tmp/ext.3d" > /dev/null 2>&1
"$cli" info "$tmp/ext.3d" --json | python3 -c '
import json, sys
assert json.load(sys.stdin)["extended_elevation"] is True' || fail "extended flag"
"$cli" info "$tmp/ext.3d" | grep -q '^Extended elevation: yes' || fail "extended in text"
"$cli" render "$tmp/ext.3d" -o "$tmp/e.png" --view plan 2> "$tmp/e.err" > /dev/null || fail "render extended"
grep -q 'is an extended elevation: it is drawn as an elevation only' "$tmp/e.err" || fail "no word: $(cat "$tmp/e.err")"
echo "survex3d_stations: all checks passed"
