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
echo "survex3d: all checks passed"
