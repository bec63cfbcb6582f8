#!/usr/bin/env bash
# lumora-cli info: the JSON keys, the exit status and the message on a bad file.
set -euo pipefail
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

printf 'Z 0 10 0 20 -30 10\r\nS Main\r\nN A D 1 2 2000\r\nM 0 0 0 S a P 1 1 1 1\r\nD 3 4 0 S b P 1 1 1 1\r\nd 3 4 12 S c\r\nD 3 4 24 S d\r\nX 0 0 0 0 0 0\r\nVA a 0 0 0 1 s 1 1 1\r\nG 13\r\n\x1a' > "$tmp/ok.plt"
"$cli" info "$tmp/ok.plt" --json > "$tmp/ok.json"
python3 - "$tmp/ok.json" <<'PY'
import json, sys
o = json.load(open(sys.argv[1]))
keys = ["file", "loaded", "records", "line_starts", "surveys", "features", "sections", "splay_items",
        "splay_shots", "min", "max", "center", "first_position", "top", "bottom", "depth_range",
        "has_zone", "zone", "datum", "shot_length_ft", "shot_length_m", "kind", "title",
        "coordinate_system", "surface_legs", "splay_legs", "duplicate_legs", "traverse_errors",
        "coordinate_system_name", "georeferenced", "format_version", "extended_elevation", "stations", "legs",
        "no_survey_legs", "splay_length_m", "duplicate_length_m", "surface_length_m", "no_survey_length_m"]
assert list(o) == keys, list(o)
assert o["loaded"] is True
assert o["records"] == {"M": 1, "D": 2, "d": 1, "L": 0, "V": 0}, o["records"]
assert o["sections"] == [{"name": " Main", "first_survey": 0, "last_survey": 0}], o["sections"]
assert o["splay_items"] == 1 and o["splay_shots"] == 1
assert o["min"] == [0, 0, -30] and o["max"] == [20, 10, 10] and o["center"] == [10, 5, -10]
# 5 ft to b, then 12 ft from the hidden shot's station to d.
assert abs(o["shot_length_ft"] - 17) < 1e-9, o["shot_length_ft"]
assert abs(o["shot_length_m"] - 17 * 0.3048) < 1e-9
assert o["has_zone"] is True and o["zone"] == 13
assert o["kind"] == "plot" and o["surface_legs"] == 1 and o["splay_legs"] == 0
PY

printf 'M 1 2 3\r\nD 4 5 six\r\n' > "$tmp/bad.plt"
set +e
"$cli" info "$tmp/bad.plt" --json > "$tmp/bad.json" 2> "$tmp/bad.err"
rc=$?
set -e
[ "$rc" -eq 1 ] || { echo "bad file: exit status $rc, expected 1"; exit 1; }
grep -q 'Line: 1 "M 1 2 3 1' "$tmp/bad.err" || { echo "bad file: message lacks the line"; cat "$tmp/bad.err"; exit 1; }
python3 -c 'import json,sys; o=json.load(open(sys.argv[1])); assert o["loaded"] is False and o["records"]["M"] == 1 and "error" in o' "$tmp/bad.json"

set +e
"$cli" info "$tmp/missing.plt" 2> "$tmp/missing.err" > /dev/null
rc=$?
set -e
[ "$rc" -eq 1 ] && grep -q "missing.plt" "$tmp/missing.err" || { echo "missing file not reported"; exit 1; }

"$cli" --help | grep -q info
"$cli" info --help | grep -q -- --json
"$cli" --version | grep -q lumora-cli
echo "info: all checks passed"
