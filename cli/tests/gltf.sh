#!/usr/bin/env bash
# lumora-cli export --format glb|gltf on the demo cave, a generated cave and
# a generated Survex cave run through cavern: the files' own structure
# (read back here), the wall builder's triangles, the georeference against
# the fixed point, then the Khronos validator (no error, no warning) and
# three.js's GLTFLoader in headless Chromium (its meshes and triangles).
# Args: lumora-cli, source dir. Exit 77 when the Node tools or Chromium are
# missing, after the checks that need neither.
set -u
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME"
demo=$src/data/demo.plt

# Refusals: a bad colouring, a glTF option on another format, a target
# that cannot be replaced (nothing left behind).
"$cli" export "$demo" --format glb -o "$tmp/x.glb" --color purple 2> /dev/null; [ $? -eq 2 ] || fail "--color purple"
"$cli" export "$demo" --format dxf -o "$tmp/x.dxf" --color depth 2> /dev/null; [ $? -eq 2 ] || fail "--color for dxf"
mkdir -p "$tmp/adir/inner"
"$cli" export "$demo" --format glb -o "$tmp/adir" > /dev/null 2>&1; [ $? -eq 1 ] || fail "writing over a folder"
[ -z "$(ls -A "$tmp" | grep -v '^adir$\|^config$')" ] || fail "the failed export left files: $(ls "$tmp")"

# The caves: the demo, a generated cave of real size, and a generated
# Survex cave with cross-sections, splays and loops, fixed in UTM 33N.
"$cli" demo "$tmp/gen.plt" --stations 60000 --seed 3 > /dev/null || fail "demo"
python3 - "$tmp/cave.svx" <<'PY' || fail "svx"
import random, sys
r, legs = random.Random(5), 60
out = ["*cs UTM33N", "*cs out UTM33N", "*begin generated_cave", "*fix passage_0.st0 455000 5105000 700"]
for k in range(300):
    out += [f"*begin passage_{k}", "*data normal from to tape compass clino"]
    bearing = r.uniform(0, 360)
    for i in range(legs):
        bearing = (bearing + r.gauss(0, 25)) % 360
        out.append(f"st{i} st{i+1} {r.uniform(2, 12):.2f} {bearing:.1f} {r.gauss(0, 12):.1f}")
        out += [f"st{i} .. {r.uniform(0.5, 6):.2f} {r.uniform(0, 360):.1f} {r.uniform(-60, 60):.1f}"] * (i % 5 == 0)
    out.append("*data passage station left right up down")
    out += [f"st{i} " + " ".join(f"{r.uniform(0.2, 4):.2f}" for _ in range(4)) for i in range(legs + 1)]
    out.append(f"*end passage_{k}")
    # Branches off earlier passages, and now and then a loop.
    if k > 0:
        out.append(f"*equate passage_{r.randrange(k)}.st{r.randrange(legs + 1)} passage_{k}.st0")
    if k > 10 and k % 15 == 0:
        out.append(f"*equate passage_{r.randrange(k)}.st{r.randrange(legs + 1)} passage_{k}.st{legs}")
open(sys.argv[1], "w").write("\n".join(out + ["*end generated_cave", ""]))
PY
cavern -q -o "$tmp/cave.3d" "$tmp/cave.svx" > /dev/null 2>&1 || fail "cavern"

# name | input | arguments
runs="demo.glb|$demo|
demo-survey.gltf|$demo|--color survey --set VRML/DoShotLine=1 --splays
demo-depth.glb|$demo|--color depth --set VRML/DoShotLine=1 --set VRML/DoTransparency=0 --set VRML/DoTexture=1
demo-date.glb|$demo|--color date
gen.glb|$tmp/gen.plt|--set VRML/ColorByDepth=1 --set VRML/DoShotLine=1 --set VRML/DoLineDept=1
cave.glb|$tmp/cave.3d|--splays --set VRML/DoShotLine=1
cave.gltf|$tmp/cave.3d|--color survey"
files=()
while IFS='|' read -r name input args; do
  # shellcheck disable=SC2086
  "$cli" export "$input" --format "${name##*.}" -o "$tmp/$name" $args > "$tmp/$name.out" 2> /dev/null ||
    fail "export $name"
  read -r meshes triangles segments <<< "$(sed -n 's/.* bytes, \([0-9]*\) meshes, \([0-9]*\) triangles, \([0-9]*\) line.*/\1 \2 \3/p' "$tmp/$name.out")"
  # The wall builder's own triangles, through the STL writer.
  base=${input##*/}
  if [ ! -f "$tmp/$base.stl" ]; then
    "$cli" passages "$input" --seal --stl "$tmp/$base.stl" > /dev/null 2>&1 || fail "passages $base"
  fi
  stl=$(od -An -tu4 -j80 -N4 "$tmp/$base.stl" | tr -d ' ')
  [ "$triangles" = "$stl" ] || fail "$name: $triangles triangles, the walls have $stl"
  python3 - "$tmp/$name" "$meshes" "$triangles" "$segments" "$args" <<'PY' || fail "$name: contents"
import json, struct, sys
path, meshes, triangles, segments, args = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
name = path.rsplit("/", 1)[1]
data = open(path, "rb").read()
if name.endswith(".glb"):  # the validator checks the layout
    size = struct.unpack_from("<I", data, 12)[0]
    doc, binary = json.loads(data[20:20 + size]), data[28 + size:]
else:
    doc, binary = json.loads(data), open(path[:-5] + ".bin", "rb").read()
    assert doc["buffers"][0]["uri"] == name[:-5] + ".bin"

def values(index, fmt):
    a = doc["accessors"][index]
    return struct.unpack_from(f"<{a['count']}{fmt}", binary, doc["bufferViews"][a["bufferView"]]["byteOffset"])

nodes, accessors = doc["nodes"], doc["accessors"]
groups = {nodes[c]["name"]: nodes[c].get("children", []) for c in nodes[0]["children"]}
walls = [doc["meshes"][nodes[c]["mesh"]]["primitives"][0] for c in groups.get("Walls", [])]
assert len(walls) == meshes > 1, (len(walls), meshes)
# One mesh per survey, named after it (a .3d file may hold a name twice).
names = [nodes[c]["name"] for c in groups["Walls"]]
assert all(names) and (len(set(names)) == len(names) or name.startswith("cave")), names[:5]
assert sum(accessors[p["indices"]]["count"] for p in walls) == 3 * triangles
# One colour without --color or "Color By Depth"; many with them.
colours = {c for p in walls if "COLOR_0" in p["attributes"] for c in values(p["attributes"]["COLOR_0"], "I")}
varied = "--color" in args or "ColorByDepth=1" in args
assert (len(colours) > 3) == varied and bool(colours) == varied, len(colours)
factor = doc["materials"][walls[0]["material"]]["pbrMetallicRoughness"]["baseColorFactor"]
assert varied or factor == [1, 0, 0, 1]  # the passage colour, red
if "DoTexture=1" in args:  # "Do Tranparency", stored under the swapped key
    assert doc["materials"][walls[0]["material"]]["alphaMode"] == "BLEND" and factor[3] == 0.5
lines = [doc["meshes"][nodes[c]["mesh"]]["primitives"][0] for g in ("Centreline", "Splays") for c in groups.get(g, [])]
assert all(p["mode"] == 1 for p in lines) and sum(accessors[p["attributes"]["POSITION"]]["count"] for p in lines) == 2 * segments
assert ("Centreline" in groups) == ("DoShotLine=1" in args) and ("Splays" in groups) == ("--splays" in args)
stations = [nodes[c] for c in groups["Stations"]]
assert len(stations) > 100 and min(s["extras"]["depth"] for s in stations) == 0
geo = doc["asset"]["extras"]["georeference"]
if name.startswith("cave"):
    # The fixed point, by its whole name, in the file's frame plus the
    # offset, lies where it was fixed.
    x, y, z = [s for s in stations if s["name"] == "generated_cave.passage_0.st0"][0]["translation"]
    e, n, h = geo["offset"]
    assert geo["crs"] == "EPSG:32633" and geo["description"] == "WGS 84 / UTM zone 33N", geo
    assert abs(x + e - 455000) < 0.005 and abs(-z + n - 5105000) < 0.005 and abs(y + h - 700) < 0.005, (x, y, z, geo)
elif name.startswith("demo"):
    assert geo["crs"] == "EPSG:26913" and geo["description"] == "UTM zone 13 north, North American 1983", geo
PY
  files+=("$tmp/$name")
done <<< "$runs"

tools=$src/.node-tools
for t in gltf-validator three playwright-core; do
  if [ ! -d "$tools/node_modules/$t" ] || ! command -v node > /dev/null || [ ! -x /usr/bin/chromium ]; then
    echo "the Node tools (scripts/install-node-tools.sh) or Chromium are missing: skipped"
    exit 77
  fi
done

node "$src/cli/tests/gltf/validate.mjs" "$tools" "${files[@]}" > "$tmp/valid.txt" || fail "validator did not run"
node "$src/cli/tests/gltf/three-count.mjs" "$tools" "${files[@]}" > "$tmp/three.txt" 2> "$tmp/three.err" ||
  fail "three.js: $(cat "$tmp/three.err")"
cat "$tmp/valid.txt" "$tmp/three.txt"
python3 - "$tmp/valid.txt" "$tmp/three.txt" "$tmp" <<'PY' || fail "validator or three.js"
import json, sys
valid = {o["file"]: o for o in map(json.loads, open(sys.argv[1]))}
three = {o["file"]: o for o in map(json.loads, open(sys.argv[2]))}
assert len(valid) == len(three) == 7
for f, v in valid.items():
    assert v["errors"] == 0 and v["warnings"] == 0, v
    t = three[f]
    out = open(f + ".out").read().split("(")[1]
    meshes, triangles, segments = (int(out.split()[k]) for k in (2, 4, 6))
    assert t["meshes"] == meshes and t["triangles"] == triangles == v["triangles"], (t, v, out)
    assert t["segments"] == segments and t["stations"] == t["stationsWithDepth"] > 100, t
PY
