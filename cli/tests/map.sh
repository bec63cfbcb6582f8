#!/bin/bash
# lumora-cli map: SVG and PDF maps open in librsvg and poppler, draw
# something, keep their text as text, are sized as the command says, and
# the centreline group's extent on paper is the cave's at the scale.
# Args: lumora-cli, source dir.
set -u
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
for tool in rsvg-convert pdftoppm pdfinfo pdftotext xmllint python3; do
  command -v $tool > /dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
export XDG_RUNTIME_DIR=$tmp QT_QPA_PLATFORM=offscreen
demo=$src/data/demo.plt

# The extent of the centreline group's coordinates in tenths of a mm,
# against the legs of the plot file itself: northing, easting and height
# in feet; hidden legs ('d') drawn as no line, splays (flag S) as side
# shots that the survey goes on from their station after.
cat > "$tmp/check.py" <<'PY'
import re, sys
svg, plot, view, scale = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
text = open(svg).read()
group = re.search(r'<g id="centreline"[^>]*>(.*?)<g id="stations"', text, re.S).group(1)
xs, ys = [], []
for d in re.findall(r' d="([^"]*)"', group):
    x = y = 0.0
    for cmd, args in re.findall(r'([MmLl])([^MmLl]*)', d):
        v = [float(n) for n in re.findall(r'-?\d+(?:\.\d+)?', args)]
        for i in range(0, len(v), 2):
            x, y = (x + v[i], y + v[i + 1]) if cmd.islower() else (v[i], v[i + 1])
            xs.append(x)
            ys.append(y)
pts, prev = [], None
for line in open(plot, errors='replace'):
    f = line.split()
    if not f or f[0] not in ('M', 'D', 'd'):
        continue
    n, e, z = float(f[1]), float(f[2]), float(f[3])
    flags = next((t[1:] for t in f[5:] if t.startswith('F')), '')
    here = (e, n, z)
    if f[0] == 'D' and 'S' in flags:
        continue
    if f[0] == 'D' and prev:
        pts += [prev, here]
    prev = here
import math
b = math.radians({'plan': 0, 'north': 0, 'east': 90, 'south': 180, 'west': 270}[view])
u = [p[0] if view == 'plan' else p[0] * math.cos(b) - p[1] * math.sin(b) for p in pts]
v = [p[1] if view == 'plan' else p[2] for p in pts]
k = 0.3048 * 10000 / scale  # tenths of a mm per foot
for name, paper, cave in (('width', max(xs) - min(xs), (max(u) - min(u)) * k),
                          ('height', max(ys) - min(ys), (max(v) - min(v)) * k)):
    if abs(paper - cave) > 0.005 * cave + 1:
        sys.exit(f'{view} 1:{scale:g}: centreline {name} {paper:.0f} on paper, {cave:.0f} from the cave')
PY

cat > "$tmp/ink.py" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
# A binary PGM from pdftoppm, or the raw grey bytes of rsvg's PNG decoded below.
if data[:2] == b'P5':
    parts = data.split(maxsplit=4)
    pixels = parts[4]
else:
    import zlib, struct
    pos, idat = 8, b''
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        if kind == b'IDAT': idat += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    pixels = zlib.decompress(idat)
dark = sum(1 for b in pixels[::7] if b < 190)
if dark < 200:
    sys.exit(f'{sys.argv[1]}: almost blank ({dark} dark samples)')
PY

# view, options, paper expected ("" for any)
while IFS='|' read -r view opts paper; do
  for kind in svg pdf; do
    out=$tmp/map.$kind
    "$cli" map "$demo" -o "$out" --view $view $opts --labels --title "Test Cave" > "$tmp/said" 2> "$tmp/err" ||
      fail "map --view $view $opts -o .$kind: $(cat "$tmp/err")"
    said=$(cat "$tmp/said")
    scale=$(sed -n 's/.*, 1:\([0-9]*\),.*/\1/p' "$tmp/said")
    size=$(sed -n 's/.*, \([0-9]*\) x \([0-9]*\) mm,.*/\1 \2/p' "$tmp/said")
    [ -n "$scale" ] && [ -n "$size" ] || fail "no scale or size in '$said'"
    [ -z "$paper" ] || grep -q "$paper" "$tmp/said" || fail "$view $opts: not on $paper: $said"
    read -r w h <<< "$size"
    if [ $kind = svg ]; then
      xmllint --noout "$out" || fail "$view $opts: SVG not well formed"
      for g in centreline walls stations labels grid legend; do
        [ "$(xmllint --xpath "count(//*[local-name()='g'][@id='$g'])" "$out")" = 1 ] || fail "no group $g"
      done
      grep -q "<svg width=\"$w.0mm\" height=\"$h.0mm\"" "$out" || fail "SVG not $w x $h mm"
      grep -q ">Test Cave</text>" "$out" || fail "SVG title not text"
      # Overlapping pieces of passage are one passage, not a hole.
      sed -n '/<g id="walls"/,/<g id="centreline"/p' "$out" | grep -q '<path[^>]*fill-rule="evenodd"' && fail "walls filled even-odd"
      python3 "$tmp/check.py" "$out" "$demo" $view $scale || fail "SVG out of scale"
      rsvg-convert -w 600 -b white -o "$tmp/map.png" "$out" || fail "rsvg-convert refused the SVG"
      python3 "$tmp/ink.py" "$tmp/map.png" || fail "$view $opts: SVG drew nothing"
    else
      pdfinfo "$out" > "$tmp/info" || fail "pdfinfo refused the PDF"
      python3 - "$tmp/info" $w $h <<'PY' || fail "PDF page not $w x $h mm"
import re, sys
pw, ph = map(float, re.search(r'Page size:\s+([\d.]+) x ([\d.]+) pts', open(sys.argv[1]).read()).groups())
w, h = float(sys.argv[2]), float(sys.argv[3])
sys.exit(abs(pw - w * 72 / 25.4) > 1 or abs(ph - h * 72 / 25.4) > 1)
PY
      pdftotext "$out" - | grep -q "Test Cave" || fail "PDF title not text"
      pdftotext "$out" - | grep -q "1:$scale" || fail "PDF names no scale 1:$scale"
      pdftoppm -r 40 -gray "$out" > "$tmp/map.pgm" || fail "pdftoppm refused the PDF"
      python3 "$tmp/ink.py" "$tmp/map.pgm" || fail "$view $opts: PDF drew nothing"
    fi
  done
done <<'CASES'
plan||A4 portrait
east|--paper A3 --landscape|A3 landscape
plan|--scale 2000|
south|--scale 50000 --color depth --feet|A4
CASES

# A Survex entrance is marked and named in bold; an extended elevation is drawn as one.
if command -v cavern > /dev/null && command -v extend > /dev/null; then
  printf '*begin cave\n*entrance mouth\n*fix mouth 1000 2000 300\nmouth 1 10 0 -5\n1 2 12 90 0\n*end cave\n' > "$tmp/e.svx"
  (cd "$tmp" && cavern -q e.svx > /dev/null && extend e.3d ext.3d > /dev/null) || fail "cavern or extend failed"
  "$cli" map "$tmp/e.3d" -o "$tmp/e.svg" --labels > /dev/null 2>&1 || fail "no map of a .3d file"
  sed -n '/<g id="labels"/,/<g id="legend"/p' "$tmp/e.svg" | tr '\n' ' ' |
    grep -q 'font-weight="700"[^<]*>mouth</text>' || fail "the entrance is not named in bold"
  sed -n '/<g id="stations"/,/<g id="labels"/p' "$tmp/e.svg" | grep -q 'fill="#c01010"' || fail "no entrance mark"
  "$cli" map "$tmp/ext.3d" -o "$tmp/ext.svg" --view east > /dev/null 2>&1 || fail "no map of an extended elevation"
  grep -q ">Extended elevation " "$tmp/ext.svg" || fail "an extended elevation not drawn as one"
fi

# The scale's numbers as the command states them, and a refusal that writes nothing.
# Some surveys only: fewer legs, and a pattern that matches none is an error.
legs() { "$cli" map "$demo" -o "$tmp/s.svg" "$@" 2> /dev/null | sed -n 's/.* \([0-9]*\) legs$/\1/p'; }
all=$(legs) some=$(legs --surveys 'north*, the abyss|*')
[ -n "$some" ] && [ "$some" -gt 0 ] && [ "$some" -lt "$all" ] || fail "--surveys drew $some of $all legs"
"$cli" map "$demo" -o "$tmp/s.svg" --surveys nosuch > /dev/null 2> "$tmp/err" && fail "--surveys nosuch accepted"
grep -q 'no survey of .* matches "nosuch"' "$tmp/err" || fail "--surveys message: $(cat "$tmp/err")"

"$cli" map "$demo" -o "$tmp/x.svg" --scale 2000 --paper A4 2> "$tmp/err" > /dev/null || fail "a cave over the paper failed"
grep -q "does not fit A4 at 1:2000" "$tmp/err" || fail "no warning of a cave over the paper"
"$cli" map "$tmp/none.plt" -o "$tmp/none.svg" 2> /dev/null && fail "a missing file made a map"
[ -e "$tmp/none.svg" ] && fail "a failed map left a file"
echo ok
