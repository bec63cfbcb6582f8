#!/usr/bin/env bash
# lumora-cli find and measure on a plot whose answers are known by hand.
set -euo pipefail
cli=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Plot lines give north, east, elevation. From o: n 100 ft north, d 50 ft
# straight down, e 10 ft east and 10 ft up; "Twin" in both surveys, apart.
printf 'Z 0 100 0 100 -50 10\r\nSMain\r\nNS1 D 1 1 2000\r\nM 0 0 0 So P 1 1 1 1\r\nD 100 0 0 Sn P 1 1 1 1\r\nM 0 0 0 So P 1 1 1 1\r\nD 0 0 -50 Sd P 1 1 1 1\r\nM 0 0 0 So P 1 1 1 1\r\nD 0 10 10 Se P 1 1 1 1\r\nD 0 20 10 STwin P 1 1 1 1\r\nX 0 0 0 0 0 0\r\nNS2 D 1 1 2001\r\nM 50 50 0 STWIN P 1 1 1 1\r\nX 0 0 0 0 0 0\r\n' > "$tmp/t.plt"

check() {  # from to distance horizontal vertical bearing gradient
  "$cli" measure "$tmp/t.plt" "$1" "$2" --json > "$tmp/m.json"
  python3 - "$tmp/m.json" "${@:3}" <<'PY'
import json, sys
o = json.load(open(sys.argv[1]))
assert list(o) == ["from", "to", "distance", "horizontal", "vertical", "bearing", "gradient"], list(o)
want = [float(v) for v in sys.argv[2:]]
got = [o[k] for k in ["distance", "horizontal", "vertical", "bearing", "gradient"]]
assert all(abs(a - b) < 1e-9 for a, b in zip(want, got)), (want, got)
PY
}
check o n 100 100 0 0 0
check O D 50 0 -50 0 -90
check o e 14.142135623730951 10 10 90 45
check e o 14.142135623730951 10 -10 270 -45

"$cli" measure "$tmp/t.plt" o n --json --metres > "$tmp/m.json"
python3 -c 'import json,sys; o=json.load(open(sys.argv[1])); assert abs(o["distance"]-30.48)<1e-9 and o["to"]["position"]==[0,30.48,0], o' "$tmp/m.json"

set +e
"$cli" measure "$tmp/t.plt" o twin > /dev/null 2> "$tmp/amb.err"; rc=$?
"$cli" measure "$tmp/t.plt" o nowhere > /dev/null 2> "$tmp/unk.err"; rc2=$?
"$cli" find "$tmp/t.plt" 'zz*' > /dev/null 2>&1; rc3=$?
"$cli" find "$tmp/t.plt" > /dev/null 2>&1; rc4=$?
set -e
[ "$rc" -eq 1 ] && grep -q 'ambiguous: found at 2 places' "$tmp/amb.err" || { echo "ambiguous: $rc"; cat "$tmp/amb.err"; exit 1; }
[ "$(grep -c 'Twin\|TWIN' "$tmp/amb.err")" -eq 2 ] || { echo "ambiguous: positions not listed"; exit 1; }
[ "$rc2" -eq 1 ] && grep -q 'no station named "nowhere"' "$tmp/unk.err" || { echo "unknown: $rc2"; exit 1; }
[ "$rc3" -eq 1 ] && [ "$rc4" -eq 2 ] || { echo "find exit codes $rc3 $rc4"; exit 1; }

"$cli" find "$tmp/t.plt" 't?in' --json > "$tmp/f.json"
python3 - "$tmp/f.json" <<'PY'
import json, sys
o = json.load(open(sys.argv[1]))
assert [s["name"] for s in o] == ["Twin", "TWIN"], o
assert list(o[0]) == ["name", "aliases", "survey", "section", "position"]
assert o[0]["survey"] == "S1" and o[1]["survey"] == "S2" and o[1]["position"] == [50, 50, 0], o
PY
[ "$("$cli" find "$tmp/t.plt" O | wc -l)" -eq 1 ] || { echo "o is one station"; exit 1; }
echo ok
