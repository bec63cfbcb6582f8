#!/usr/bin/env bash
# Survex .3d files through the commands: info against dump3d, the KML
# position of a UTM fixed point against PROJ, walls from the cross-sections,
# and every other command that reads a survey.
set -euo pipefail
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "survex3d: $*"; exit 1; }
for f in flags utm lrud nested; do
  cavern -q -o "$tmp/" "$src/model/tests/data/survex/$f.svx" > /dev/null 2>&1 || fail "cavern $f.svx"
done

# info: the kind, title, coordinate system and the flagged legs dump3d counts.
for f in flags utm; do
  "$cli" info "$tmp/$f.3d" --json > "$tmp/$f.json"
  dump3d "$tmp/$f.3d" > "$tmp/$f.dump"
  python3 - "$tmp/$f.json" "$tmp/$f.dump" "$f" <<'PY'
import json, sys
o = json.load(open(sys.argv[1]))
lines = [l.split() for l in open(sys.argv[2]) if l.startswith("LINE ")]
cs = [l.split()[1] for l in open(sys.argv[2]) if l.startswith("CS ")]
assert o["loaded"] is True and o["kind"] == "survex-3d" and o["title"] == sys.argv[3], o
assert o["coordinate_system"] == (cs[0] if cs else ""), o["coordinate_system"]
assert o["records"]["D"] + o["records"]["d"] == len(lines)
assert o["surface_legs"] == sum("SURFACE" in l for l in lines)
assert o["splay_legs"] == sum("SPLAY" in l for l in lines)
assert o["duplicate_legs"] == sum("DUPLICATE" in l for l in lines)
if sys.argv[3] == "utm":
    assert o["has_zone"] is True and o["zone"] == 33 and o["datum"] == "WGS 1984", o
PY
done
"$cli" info "$tmp/nested.3d" | grep -q '^Kind: *Survex .3d file' || fail "info text lacks the kind"

# KML: the fixed point, the first record, where PROJ puts it.
"$cli" export "$tmp/utm.3d" --format kml --overlay lines --datum "WGS 1984" -o "$tmp/utm.kml" > /dev/null 2>&1 ||
  fail "kml export"
fix=$(grep -m1 '^\*fix' "$src/model/tests/data/survex/utm.svx" | awk '{print $3, $4, $5}')
proj=$(echo "$fix" | cs2cs -f %.9f EPSG:32633 EPSG:4326)
python3 - "$tmp/utm.kml" "$proj" <<'PY'
import re, sys
first = re.search(r"<coordinates>\s*([-0-9.]+),([-0-9.]+)", open(sys.argv[1]).read())
lat, lon = map(float, sys.argv[2].split()[:2])
assert first, "no coordinates"
assert abs(float(first.group(1)) - lon) < 3e-7 and abs(float(first.group(2)) - lat) < 3e-7, (first.groups(), lon, lat)
PY

# Walls: square sections without rounding reach the highest z + up.
"$cli" passages "$tmp/lrud.3d" --json --shape square --rounding 0 --no-vertical --metres > "$tmp/walls.json"
dump3d "$tmp/lrud.3d" > "$tmp/lrud.dump"
python3 - "$tmp/walls.json" "$tmp/lrud.dump" <<'PY'
import json, sys
o = json.load(open(sys.argv[1]))
z = {}
top = bottom = None
items = [l.split() for l in open(sys.argv[2])]
for l in items:
    if l[0] == "NODE": z[l[4]] = float(l[3])
for l in items:
    if l[0] == "XSECT":
        h = z[l[5]]
        up, down = float(l[3]), float(l[4])
        if up >= 0: top = max(top if top is not None else -1e9, h + up)
        if down >= 0: bottom = min(bottom if bottom is not None else 1e9, h - down)
assert o["faces"] > 0, o
assert abs(o["output_max"][2] - top) < 0.01, (o["output_max"], top)
assert abs(o["output_min"][2] - bottom) < 0.01, (o["output_min"], bottom)
PY

# The other commands read it as they read a plot file.
"$cli" volume "$tmp/lrud.3d" > /dev/null 2>&1 || fail "volume"
"$cli" export "$tmp/nested.3d" --format dxf -o "$tmp/n.dxf" > /dev/null 2>&1 || fail "dxf export"
"$cli" passages "$tmp/nested.3d" --obj "$tmp/n.obj" > /dev/null 2>&1 || fail "passages"
"$cli" xfile convert "$tmp/nested.3d" "$tmp/n.x" > /dev/null 2>&1 || fail "xfile convert"
head -c 100 "$tmp/nested.3d" > "$tmp/cut.3d"
set +e
"$cli" info "$tmp/cut.3d" > /dev/null 2> "$tmp/cut.err"
rc=$?
set -e
[ "$rc" -eq 1 ] && grep -q "cut.3d is truncated (at byte 100)" "$tmp/cut.err" || fail "a cut file: $rc $(cat "$tmp/cut.err")"
# info: UTF-8 as UTF-8, lengths as cavern counts them, the passages' own
# top and bottom far above sea level.
cavern -o "$tmp/" "$src/model/tests/data/survex/names.svx" > "$tmp/names.out" 2>&1 || fail "cavern names.svx"
cavern -q -o "$tmp/" "$src/model/tests/data/survex/high.svx" > /dev/null 2>&1 || fail "cavern high.svx"
"$cli" info "$tmp/names.3d" --json > "$tmp/names.json"
grep -q '"title": "Réseau de la Rumbling Hole"' "$tmp/names.json" || fail "title not UTF-8: $(grep title "$tmp/names.json")"
"$cli" info "$tmp/high.3d" --json > "$tmp/high.json"
python3 - "$tmp/names.json" "$tmp/names.out" "$tmp/high.json" <<'PY'
import json, re, sys
o = json.load(open(sys.argv[1]))
adjusted = float(re.search(r"\(\s*([0-9.]+)m adjusted\)", open(sys.argv[2]).read()).group(1))
assert abs(o["shot_length_m"] - adjusted) < 0.06, (o["shot_length_m"], adjusted)
assert o["splay_legs"] == 1 and abs(o["splay_length_m"] - 1.5) < 0.02, o
assert o["no_survey_legs"] == 1 and o["no_survey_length_m"] > 5, o
h = json.load(open(sys.argv[3]))
assert abs(h["top"] * 0.3048 - 1502) < 0.01 and 1495 < h["bottom"] * 0.3048 < 1500, (h["top"], h["bottom"])
PY

# Coordinate systems in every spelling: each names the same UTM zone; a
# national grid is named, placed by PROJ in KML and described in the .prj.
python3 - "$tmp/utm.3d" "$tmp" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
first = data.index(b"\nv8\n") + 4  # the metadata line: title, NUL, coordinate system...
end = data.index(b"\n", first)
meta = data[first:end].split(b"\0")
for i, cs in enumerate([b"epsg:32633", b"+init=epsg:32633", b"+proj=utm +zone=33 +ellps=WGS84 +no_defs"]):
    spelt = b"\0".join([meta[0], cs] + meta[2:])
    open(f"{sys.argv[2]}/cs{i}.3d", "wb").write(data[:first] + spelt + data[end:])
PY
for i in 0 1 2; do
  "$cli" info "$tmp/cs$i.3d" --json | python3 -c '
import json, sys
o = json.load(sys.stdin)
assert o["zone"] == 33 and o["coordinate_system_name"] == "WGS 84 / UTM zone 33N" and o["georeferenced"], o' ||
    fail "spelling $i"
done
printf '*cs OSGB:SD\n*cs out EPSG:27700\n*fix a 40000 70000 200\na b 20 45 0\n' > "$tmp/bng.svx"
cavern -q -o "$tmp/" "$tmp/bng.svx" > /dev/null 2>&1 || fail "cavern bng.svx"
"$cli" info "$tmp/bng.3d" | grep -q '^Coordinates: *EPSG:27700 (OSGB36 / British National Grid)' || fail "info names the grid"
"$cli" export "$tmp/bng.3d" --format kml --overlay lines -o "$tmp/bng.kml" > /dev/null 2>&1 || fail "kml of the grid"
first=$(dump3d "$tmp/bng.3d" | awk '/^MOVE/ {print $2, $3; exit}')
proj=$(echo "$first" | cs2cs -f %.9f EPSG:27700 EPSG:4326)
python3 - "$tmp/bng.kml" "$proj" <<'PY'
import re, sys
first = re.search(r"<coordinates>\s*([-0-9.]+),([-0-9.]+)", open(sys.argv[1]).read())
lat, lon = map(float, sys.argv[2].split()[:2])
assert abs(float(first.group(1)) - lon) < 3e-8 and abs(float(first.group(2)) - lat) < 3e-8, (first.groups(), lon, lat)
PY
"$cli" export "$tmp/bng.3d" --format shp --layer shots --units meters -o "$tmp/bng.shp" > /dev/null 2>&1 || fail "shp"
grep -q '^PROJCS\["British_National_Grid"' "$tmp/bng.prj" || fail "prj: $(cat "$tmp/bng.prj")"
if command -v ogrinfo > /dev/null; then
  ogrinfo -so -al "$tmp/bng.shp" | grep -q 'British_National_Grid\|OSGB' || fail "ogrinfo reads no grid"
fi
echo "survex3d: all checks passed"
