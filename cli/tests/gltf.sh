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
"$cli" export "$demo" --format glb -o "$tmp/x.glb" --color purple > /dev/null 2>&1
[ $? -eq 2 ] || fail "--color purple accepted"
"$cli" export "$demo" --format dxf -o "$tmp/x.dxf" --color depth > /dev/null 2>&1
[ $? -eq 2 ] || fail "--color accepted for dxf"
mkdir -p "$tmp/adir/inner"
"$cli" export "$demo" --format glb -o "$tmp/adir" > /dev/null 2>&1
[ $? -eq 1 ] || fail "writing over a folder did not fail with 1"
[ -z "$(ls -A "$tmp" | grep -v '^adir$\|^config$')" ] || fail "the failed export left files: $(ls "$tmp")"

# The caves: the demo, a generated cave of real size, and a generated
# Survex cave with cross-sections, splays and loops, fixed in UTM 33N.
"$cli" demo "$tmp/gen.plt" --stations 60000 --seed 3 > /dev/null || fail "demo"
python3 - "$tmp/cave.svx" <<'PY' || fail "svx"
import random, sys
rnd = random.Random(5)
legs = 60
out = ["*cs UTM33N", "*cs out UTM33N", "*begin cave", "*fix p0.st0 455000 5105000 700"]
for k in range(300):
    out += [f"*begin p{k}", "*data normal from to tape compass clino"]
    bearing = rnd.uniform(0, 360)
    for i in range(legs):
        bearing = (bearing + rnd.gauss(0, 25)) % 360
        out.append(f"st{i} st{i+1} {rnd.uniform(2, 12):.2f} {bearing:.1f} {rnd.gauss(0, 12):.1f}")
        if i % 5 == 0:
            out.append(f"st{i} .. {rnd.uniform(0.5, 6):.2f} {rnd.uniform(0, 360):.1f} {rnd.uniform(-60, 60):.1f}")
    out.append("*data passage station left right up down")
    out += [f"st{i} " + " ".join(f"{rnd.uniform(0.2, 4):.2f}" for _ in range(4)) for i in range(legs + 1)]
    out.append(f"*end p{k}")
    if k > 0:
        out.append(f"*equate p{rnd.randrange(k)}.st{rnd.randrange(legs + 1)} p{k}.st0")
    if k > 10 and k % 15 == 0:
        out.append(f"*equate p{rnd.randrange(k)}.st{rnd.randrange(legs + 1)} p{k}.st{legs}")
out.append("*end cave")
open(sys.argv[1], "w").write("\n".join(out) + "\n")
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
  python3 - "$tmp/$name" "$meshes" "$triangles" "$segments" "$args" <<'PY' || fail "$name: structure"
import json, math, struct, sys
path, meshes, triangles, segments, args = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
name = path.rsplit("/", 1)[1]
data = open(path, "rb").read()
if path.endswith(".glb"):
    magic, version, length = struct.unpack_from("<4sII", data)
    assert magic == b"glTF" and version == 2 and length == len(data), (magic, version, length)
    jlen, jtype = struct.unpack_from("<I4s", data, 12)
    assert jtype == b"JSON" and jlen % 4 == 0
    doc = json.loads(data[20:20 + jlen])
    blen, btype = struct.unpack_from("<I4s", data, 20 + jlen)
    assert btype == b"BIN\0" and 28 + jlen + blen == len(data)
    binary = data[28 + jlen:]
else:
    doc = json.loads(data)
    binary = open(path[:-5] + ".bin", "rb").read()
    assert doc["buffers"][0]["uri"] == name[:-5] + ".bin"
assert doc["buffers"][0]["byteLength"] <= len(binary)

def read(index):
    a = doc["accessors"][index]
    v = doc["bufferViews"][a["bufferView"]]
    fmt = {5126: "f", 5121: "B", 5123: "H", 5125: "I"}[a["componentType"]]
    width = {"SCALAR": 1, "VEC3": 3, "VEC4": 4}[a["type"]]
    n = a["count"] * width
    assert v["byteLength"] == n * struct.calcsize(fmt) and v["byteOffset"] % 4 == 0
    values = struct.unpack_from(f"<{n}{fmt}", binary, v["byteOffset"])
    return [values[i:i + width] for i in range(0, n, width)], a

nodes = doc["nodes"]
groups = {nodes[c]["name"]: nodes[c].get("children", []) for c in nodes[0]["children"]}
walls = groups.get("Walls", [])
assert len(walls) == meshes > 1, (len(walls), meshes)
# One mesh per survey, named after it (a .3d file may hold one name twice).
names = [nodes[c]["name"] for c in walls]
assert all(names) and (len(set(names)) == len(names) or name.startswith("cave")), names[:5]
seen_triangles, seen_segments, colours = 0, 0, set()
for c in walls:
    prim, = doc["meshes"][nodes[c]["mesh"]]["primitives"]
    assert prim["mode"] == 4
    points, pa = read(prim["attributes"]["POSITION"])
    for k in range(3):
        assert pa["min"][k] == min(p[k] for p in points) and pa["max"][k] == max(p[k] for p in points)
    normals, _ = read(prim["attributes"]["NORMAL"])
    assert all(abs(math.sqrt(x * x + y * y + z * z) - 1) < 1e-5 for x, y, z in normals)
    index, ia = read(prim["indices"])
    assert ia["componentType"] == (5123 if len(points) < 65535 else 5125)
    assert all(0 <= i < len(points) for (i,) in index)
    seen_triangles += len(index) // 3
    if "COLOR_0" in prim["attributes"]:
        colours.update(read(prim["attributes"]["COLOR_0"])[0])
assert seen_triangles == triangles
# One colour without --color or "Color By Depth"; many with them.
material = doc["materials"][doc["meshes"][nodes[walls[0]]["mesh"]]["primitives"][0]["material"]]
varied = "--color" in args or "ColorByDepth=1" in args
assert (len(colours) > 3) == varied and (not colours) == (not varied), len(colours)
if not varied:
    assert material["pbrMetallicRoughness"]["baseColorFactor"] == [1, 0, 0, 1]  # the passage colour, red
if "DoTexture=1" in args:  # "Do Tranparency", stored under the swapped key
    assert material["alphaMode"] == "BLEND" and material["pbrMetallicRoughness"]["baseColorFactor"][3] == 0.5
for name in ("Centreline", "Splays"):
    for c in groups.get(name, []):
        prim, = doc["meshes"][nodes[c]["mesh"]]["primitives"]
        assert prim["mode"] == 1
        seen_segments += doc["accessors"][prim["attributes"]["POSITION"]]["count"] // 2
assert seen_segments == segments and ("Centreline" in groups) == ("DoShotLine=1" in args)
assert ("Splays" in groups) == ("--splays" in args)
stations = [nodes[c] for c in groups["Stations"]]
assert len(stations) > 100 and all(isinstance(s["extras"]["depth"], (int, float)) for s in stations)
assert min(s["extras"]["depth"] for s in stations) == 0
geo = doc["asset"]["extras"]["georeference"]
if name.startswith("cave"):
    # The fixed point, in the file's frame plus the offset, lies where it was fixed.
    fixed, = [s for s in stations if s["name"] == "cave.p0.st0"]
    x, y, z = fixed["translation"]
    e, n, h = geo["offset"]
    assert geo["crs"] == "EPSG:32633"
    assert abs(x + e - 455000) < 0.005 and abs(-z + n - 5105000) < 0.005 and abs(y + h - 700) < 0.005, (x, y, z, geo)
elif name.startswith("demo"):
    assert geo["crs"] == "EPSG:26913" and geo["description"] == "UTM zone 13 north, North American 1983", geo
PY
  files+=("$tmp/$name")
done <<< "$runs"

tools=$src/.node-tools
if ! command -v node > /dev/null || [ ! -x /usr/bin/chromium ] || [ ! -d "$tools/node_modules/gltf-validator" ] ||
  [ ! -d "$tools/node_modules/three" ] || [ ! -d "$tools/node_modules/playwright-core" ]; then
  echo "the Node tools (scripts/install-node-tools.sh) or Chromium are missing: skipped"
  exit 77
fi

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
