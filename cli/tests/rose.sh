#!/bin/bash
# lumora-cli rose: hand-counted cells in JSON for each counting option, the
# petal table against the cells, the picture's size, usage errors.
# Args: lumora-cli, source dir.
set -u
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Elevations 0 to 20: two layers of 10 ft; four petals of 90 degrees.
# Records are north, east, elevation.
{
  echo 'Z -50 50 -50 50 0 20'
  echo 'SMain'
  echo 'N S1 D 1 1 2000 C rose'
  echo 'M 0 0 5 S A0 P 0 0 0 0'
  echo 'D 10 0 5 S A1 P 0 0 0 0'          # north 10, row 0, petal 0
  echo 'D 10 -20 15 S A2 P 0 0 0 0'       # west 20 rising 10: slope 22.4, horizontal 20, row 1
  echo 'D 0 -20 15 S A3 P 0 0 0 0 I 0 FS' # splay: left out
  echo 'd -30 -20 15 S A4 P 0 0 0 0'      # excluded
  echo 'D -30 -17 11 S A5 P 0 0 0 0'      # from the excluded record: east 3 falling 4, 5, row 1
  echo 'D -21.339746 -12 13 S A6 P 0 0 0 0' # bearing 30 rising 2 over 10: 10.2, row 1
} | sed 's/$/\r/' > "$tmp/rose.plt"

"$cli" rose "$tmp/no-such.plt" >/dev/null 2>&1 && fail "a missing file succeeded"
for bad in "--petals 3" "--petals 361" "--petals 2.5" "--layers 0" "--layers 181" "--type 90" \
           "--min-length -1" "--width 0" "--png" "--bogus"; do
  "$cli" rose "$tmp/rose.plt" $bad >/dev/null 2>&1
  [ $? -eq 2 ] || fail "'$bad' is not a usage error"
done
"$cli" rose >/dev/null 2>&1; [ $? -eq 2 ] || fail "no file is not a usage error"

run() { "$cli" rose "$tmp/rose.plt" --petals 4 --layers 2 --json "$@" > "$tmp/out.json" || fail "rose $*"; }
check() {
  python3 - "$tmp/out.json" "$@" <<'PY' || fail "JSON for $*: $(cat "$tmp/out.json")"
import json, sys
d = json.load(open(sys.argv[1]))
assert set(d) == {"petals", "layers", "maximum", "top", "bottom", "cells", "shots_counted"}, d.keys()
assert (d["petals"], d["layers"], d["top"], d["bottom"]) == (4, 2, 20, 0), d
assert len(d["cells"]) == 3 and all(len(r) == 5 for r in d["cells"])
want = [[0] * 5 for _ in range(3)]
for cell in sys.argv[3:]:
    row, col, v = map(int, cell.split(","))
    want[row][col] = v
assert d["cells"] == want, (d["cells"], want)
assert d["maximum"] == max(max(r) for r in want)
assert d["shots_counted"] == int(sys.argv[2]), d["shots_counted"]
PY
}
run;                check 4 0,0,10 1,3,22 1,1,5 1,0,10
run --frequency;    check 4 0,0,1 1,3,1 1,1,1 1,0,1
run --horizontal;   check 4 0,0,10 1,3,20 1,1,3 1,0,10
run --min-length 6; check 3 0,0,10 1,3,22 1,0,10
# West folds onto east; water flow turns the rising shots round instead.
run --type 180;     check 4 0,0,10 1,1,27 1,0,10
run --type flow;    check 4 0,0,10 1,1,27 1,2,10

"$cli" rose "$tmp/rose.plt" --petals 4 --layers 2 > "$tmp/table.txt" || fail "table"
[ "$(grep -cE '^ +[0-9.]+ +[0-9.]+ +[0-9]+$' "$tmp/table.txt")" -eq 4 ] || fail "not one line per petal: $(cat "$tmp/table.txt")"
grep -qE '^ +270\.0 +360\.0 +22$' "$tmp/table.txt" || fail "the west petal's total"
grep -q 'Shots counted: 4$' "$tmp/table.txt" || fail "no count line"

if [ -f "$src/data/demo.plt" ]; then
  "$cli" rose "$src/data/demo.plt" --json > "$tmp/demo.json" || fail "demo JSON"
  "$cli" rose "$src/data/demo.plt" > "$tmp/demo.txt" || fail "demo table"
  python3 - "$tmp/demo.json" "$tmp/demo.txt" <<'PY' || fail "the demo's table and JSON disagree"
import json, re, sys
d = json.load(open(sys.argv[1]))
assert (d["petals"], d["layers"]) == (36, 24) and d["maximum"] > 0 and d["shots_counted"] > 100
totals = [int(m.group(1)) for m in re.finditer(r"^ +[0-9.]+ +[0-9.]+ +(\d+)$", open(sys.argv[2]).read(), re.M)]
assert len(totals) == 36, len(totals)
assert totals == [sum(r[j] for r in d["cells"]) for j in range(36)]
PY
  "$cli" rose "$src/data/demo.plt" --png "$tmp/rose.png" --width 300 --height 200 > "$tmp/png.txt" || fail "--png"
  grep -q "^Picture: $tmp/rose.png (300 x 200)$" "$tmp/png.txt" || fail "no picture line"
  python3 - "$tmp/rose.png" <<'PY' || fail "not a 300 x 200 PNG"
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR"
assert struct.unpack(">II", data[16:24]) == (300, 200)
PY
fi
echo "rose: ok"
