#!/bin/bash
# lumora-cli render: the home view of the demo cave, depth colours from top
# to bottom, labels, background, the picture's size and format, failures.
# Pictures are read back with a small PNG decoder over Python's zlib.
# Args: lumora-cli, source dir.
set -u
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
demo=$src/data/demo.plt

cat > "$tmp/png.py" <<'EOF'
import struct, sys, zlib

def read(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit('not a PNG: ' + path)
    pos, idat = 8, b''
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b'IHDR':
            w, h, depth, ctype, _, _, interlace = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + n
    if depth != 8 or ctype not in (2, 6) or interlace:
        sys.exit('unexpected PNG layout')
    bpp = 3 if ctype == 2 else 4
    raw, stride = zlib.decompress(idat), w * bpp
    rows, prev = [], bytearray(stride)
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(w)])
        prev = line
    return w, h, rows

def cave(rows, bg):
    return [(x, y) for y, row in enumerate(rows) for x, p in enumerate(row) if max(abs(p[k] - bg[k]) for k in range(3)) > 24]

cmd, path = sys.argv[1], sys.argv[2]
w, h, rows = read(path)
if cmd == 'size':
    print(w, h)
elif cmd == 'corner':
    print('%02x%02x%02x' % rows[0][0])
elif cmd == 'home':
    # The cave sits in the middle of the picture; the border stays empty.
    px = cave(rows, rows[0][0])
    inner = [p for p in px if w * 0.1 < p[0] < w * 0.9 and h * 0.2 < p[1] < h * 0.8]
    border = [p for p in px if p[0] < 3 or p[0] >= w - 3 or p[1] < 3 or p[1] >= h - 3]
    print(len(px), len(inner), len(border))
elif cmd == 'depth':
    # Shares of warm pixels in the top tenth of the cave's rows and of
    # blue-violet ones in the bottom tenth.
    px = cave(rows, (0, 0, 0))
    ys = [y for _, y in px]
    top, bottom = min(ys), max(ys)
    band = max(1, (bottom - top) // 10)
    hi = [rows[y][x] for x, y in px if y <= top + band]
    lo = [rows[y][x] for x, y in px if y >= bottom - band]
    warm = sum(1 for r, g, b in hi if 2 * b < max(r, g))
    violet = sum(1 for r, g, b in lo if b > g and b > 40)
    print('%.2f %.2f' % (warm / len(hi), violet / len(lo)))
elif cmd == 'extent':
    px = cave(rows, rows[0][0])
    xs, ys = [x for x, _ in px], [y for _, y in px]
    print(max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
elif cmd == 'hues':
    # Hue bins (of 24) holding at least one percent of the cave's pixels.
    import colorsys
    px = cave(rows, (0, 0, 0))
    bins = [0] * 24
    for x, y in px:
        r, g, b = rows[y][x]
        bins[int(colorsys.rgb_to_hsv(r / 255, g / 255, b / 255)[0] * 24) % 24] += 1
    print(sum(1 for n in bins if n >= len(px) / 100))
elif cmd == 'box':
    # Pixels of a colour, given as RRGGBB, in the box x0 y0 x1 y1.
    x0, y0, x1, y1 = (int(v) for v in sys.argv[4:8])
    want = tuple(int(sys.argv[3][i:i + 2], 16) for i in (0, 2, 4))
    print(sum(1 for y in range(y0, y1) for x in range(x0, x1) if rows[y][x] == want))
elif cmd == 'groups':
    # Runs of columns holding cave pixels, left to right: the median hue
    # and saturation of each.
    import colorsys
    px = cave(rows, (0, 0, 0))
    cols = sorted(set(x for x, _ in px))
    runs, start = [], cols[0]
    for a, b in zip(cols, cols[1:] + [None]):
        if b is None or b > a + 1:
            runs.append((start, a))
            start = b
    for x0, x1 in runs:
        hs = sorted(colorsys.rgb_to_hsv(*(c / 255 for c in rows[y][x])) for x, y in px if x0 <= x <= x1)
        print('%.3f %.3f' % (sorted(h for h, _, _ in hs)[len(hs) // 2], sorted(s for _, s, _ in hs)[len(hs) // 2]))
elif cmd == 'sides':
    # Median saturation of the cave's left fifth and of its right half.
    import colorsys
    px = cave(rows, (0, 0, 0))
    xs = [x for x, _ in px]
    x0, x1 = min(xs), max(xs)
    def sat(sel):
        v = sorted(colorsys.rgb_to_hsv(*(c / 255 for c in rows[y][x]))[1] for x, y in px if sel(x))
        return v[len(v) // 2]
    print('%.3f %.3f' % (sat(lambda x: x < x0 + 0.15 * (x1 - x0)), sat(lambda x: x > x0 + 0.5 * (x1 - x0))))
elif cmd == 'green':
    print(sum(1 for row in rows for r, g, b in row if g > 150 and r < 100 and b < 100))
EOF
png() { python3 "$tmp/png.py" "$@"; }

"$cli" render --help | grep -q -- '--depth-colors' || fail "help"

# The default picture: the home view after a load, 1000 x 800.
"$cli" render "$demo" -o "$tmp/home.png" > "$tmp/out.txt" 2>"$tmp/err.txt" || fail "render failed: $(cat "$tmp/err.txt")"
[ -s "$tmp/home.png" ] || fail "no picture"
[ "$(png size "$tmp/home.png")" = "1000 800" ] || fail "size $(png size "$tmp/home.png")"
grep -q "triangles" "$tmp/out.txt" || fail "summary line"
read -r all inner border <<< "$(png home "$tmp/home.png")"
[ "$all" -gt 5000 ] || fail "too few cave pixels: $all"
[ "$inner" -eq "$all" ] || fail "cave pixels outside the middle: $inner of $all"
[ "$border" -eq 0 ] || fail "cave touches the border"

# Size and background.
"$cli" render "$demo" -o "$tmp/small.png" --width 320 --height 200 --background 336699 > /dev/null 2>&1 || fail "small render"
[ "$(png size "$tmp/small.png")" = "320 200" ] || fail "small size"
[ "$(png corner "$tmp/small.png")" = "336699" ] || fail "background $(png corner "$tmp/small.png")"

# Depth colours: warm at the top, blue to violet at the bottom; the plain
# walls are red everywhere.
"$cli" render "$demo" -o "$tmp/depth.png" --width 500 --height 400 --depth-colors > /dev/null 2>&1 || fail "depth render"
read -r warm violet <<< "$(png depth "$tmp/depth.png")"
python3 -c "import sys; sys.exit(not ($warm > 0.6 and $violet > 0.6))" || fail "depth colours: warm top $warm, violet bottom $violet"
"$cli" render "$demo" -o "$tmp/plain.png" --width 500 --height 400 > /dev/null 2>&1 || fail "plain render"
read -r warm violet <<< "$(png depth "$tmp/plain.png")"
python3 -c "import sys; sys.exit(not ($violet < 0.1))" || fail "plain walls look violet at the bottom: $violet"

# Turns after the home view: the home view looks north at the cave's side,
# --pitch 90 looks down on its plan, which is far taller on the picture;
# --yaw 90 looks along the east axis, so the picture's width changes.
read -r sideW sideH <<< "$(png extent "$tmp/plain.png")"
"$cli" render "$demo" -o "$tmp/plan.png" --width 500 --height 400 --pitch 90 > /dev/null 2>&1 || fail "plan render"
read -r planW planH <<< "$(png extent "$tmp/plan.png")"
[ "$planH" -gt $((2 * sideH)) ] || fail "--pitch 90 shows no plan: height $sideH -> $planH"
"$cli" render "$demo" -o "$tmp/yaw.png" --width 500 --height 400 --yaw 90 > /dev/null 2>&1 || fail "yaw render"
read -r yawW yawH <<< "$(png extent "$tmp/yaw.png")"
[ "$yawW" -ne "$sideW" ] && [ $((10 * (yawH - sideH))) -le "$sideH" ] && [ $((10 * (sideH - yawH))) -le "$sideH" ] \
  || fail "--yaw 90 should keep the height and change the width: $sideW x $sideH -> $yawW x $yawH"

# The boxes reach past the walls.
"$cli" render "$demo" -o "$tmp/box.png" --width 500 --height 400 --box both > /dev/null 2>&1 || fail "box render"
read -r boxW boxH <<< "$(png extent "$tmp/box.png")"
[ "$boxW" -gt "$sideW" ] || fail "--box draws nothing wider than the walls: $sideW -> $boxW"

# Labels are green; without them nothing is.
"$cli" render "$demo" -o "$tmp/labels.png" --width 500 --height 400 --labels > /dev/null 2>&1 || fail "labels render"
without=$(png green "$tmp/plain.png")
with=$(png green "$tmp/labels.png")
[ "$with" -gt $((without + 500)) ] || fail "labels add no green: $without -> $with"

# Overlays: the scale bar (white) bottom left, the compass needle (red)
# bottom right, none of either without them; with a colouring the key's
# swatches top left.
"$cli" render "$demo" -o "$tmp/over.png" --width 600 --height 400 --view plan --overlays --color depth > /dev/null 2>&1 \
  || fail "overlay render"
[ "$(png box "$tmp/over.png" ffffff 0 360 200 400)" -gt 200 ] || fail "no scale bar"
[ "$(png box "$tmp/over.png" ff0000 500 300 600 400)" -gt 20 ] || fail "no compass needle"
[ "$(png box "$tmp/over.png" ff0000 10 10 30 24)" -gt 100 ] || fail "no red swatch at the top of the key"
"$cli" render "$demo" -o "$tmp/noover.png" --width 600 --height 400 --view plan --color depth > /dev/null 2>&1 || fail "plan render"
[ "$(png box "$tmp/noover.png" ffffff 0 360 200 400)" -eq 0 ] || fail "a scale bar without --overlays"
# By survey the walls take many colours, by date a few bands of the rainbow.
"$cli" render "$demo" -o "$tmp/survey.png" --width 400 --height 300 --view plan --color survey > /dev/null 2>&1 || fail "survey render"
"$cli" render "$tmp/none.plt" -o "$tmp/x.png" --color when > /dev/null 2>&1; [ $? -eq 2 ] || fail "bad --color accepted"
"$cli" render "$demo" -o "$tmp/x.png" --view up > /dev/null 2>&1; [ $? -eq 2 ] || fail "bad --view accepted"
"$cli" render "$demo" -o "$tmp/red.png" --width 400 --height 300 --view plan > /dev/null 2>&1 || fail "plain plan render"
[ "$(png hues "$tmp/red.png")" -le 2 ] || fail "plain walls show $(png hues "$tmp/red.png") hues"
[ "$(png hues "$tmp/survey.png")" -ge 8 ] || fail "--color survey shows only $(png hues "$tmp/survey.png") hues"

# By leg: a flat leg, a steep one and a short flat one, apart from east to
# west, seen from the south. Gradient: flat red, steep towards violet;
# length: the short one red, the long ones far along the rainbow; loop
# error: a plot file has none, all grey.
printf 'Z 0 100 0 100 -50 10\r\nSMain\r\nNS1 D 1 1 2000\r\nM 0 0 0 Sa P 2 2 2 2\r\nD 0 60 0 Sb P 2 2 2 2\r\nM 0 100 0 Sc P 2 2 2 2\r\nD 0 110 -60 Sd P 2 2 2 2\r\nM 0 200 0 Se P 2 2 2 2\r\nD 0 205 0 Sf P 2 2 2 2\r\nX 0 0 0 0 0 0\r\n' > "$tmp/legs.plt"
for c in gradient length error; do
  "$cli" render "$tmp/legs.plt" -o "$tmp/$c.png" --width 600 --height 300 --view north --color $c > /dev/null 2>&1 || fail "$c render"
  png groups "$tmp/$c.png" > "$tmp/$c.txt"
done
python3 - "$tmp" <<'PY' || fail "colours by leg: $(cat "$tmp"/gradient.txt "$tmp"/length.txt "$tmp"/error.txt)"
import sys
g, l, e = ([tuple(map(float, line.split())) for line in open(sys.argv[1] + '/' + c + '.txt')] for c in ('gradient', 'length', 'error'))
assert len(g) == len(l) == len(e) == 3
red = lambda h: h < 0.05 or h > 0.97
assert red(g[0][0]) and red(g[2][0]) and 0.6 < g[1][0] < 0.95 and g[1][1] > 0.3, g
assert red(l[2][0]) and l[0][0] > 0.6 and l[1][0] > 0.6, l
assert all(s < 0.1 for _, s in e), e
PY
if command -v cavern > /dev/null; then
  # A loop that does not close, and a dead end off it to the east: the
  # loop's legs take colours, the dead end's stay grey.
  printf '*begin cave\n*fix a 0 0 0\na b 10 0 0\nb c 10 90 0\nc d 10 180 0\nd a 10.5 270 0\nd e 20 90 0\ne f 20 90 0\n*end cave\n' > "$tmp/loop.svx"
  cavern -q -o "$tmp/" "$tmp/loop.svx" > /dev/null 2>&1 || fail "cavern loop.svx"
  "$cli" render "$tmp/loop.3d" -o "$tmp/loop.png" --width 600 --height 300 --view plan --color error > /dev/null 2>&1 || fail "error render"
  read -r loop dead <<< "$(png sides "$tmp/loop.png")"
  python3 -c "import sys; sys.exit(not ($loop > 0.4 and $dead < 0.1))" || fail "loop error colours: loop $loop, dead end $dead"
fi
# Some surveys only; a pattern that matches none is an error.
"$cli" render "$demo" -o "$tmp/some.png" --width 400 --height 300 --view plan --surveys 'north*, the abyss|*' > /dev/null 2>&1 || fail "--surveys render"
read -r some _ <<< "$(png home "$tmp/some.png")"
read -r all _ <<< "$(png home "$tmp/red.png")"
[ "$some" -lt "$all" ] && [ "$some" -gt 100 ] || fail "--surveys draws $some of $all pixels"
"$cli" render "$demo" -o "$tmp/x.png" --surveys 'nosuch' > /dev/null 2> "$tmp/err.txt"; [ $? -eq 1 ] || fail "--surveys nosuch accepted"
grep -q 'no survey of .* matches "nosuch"' "$tmp/err.txt" || fail "--surveys message: $(cat "$tmp/err.txt")"

# BMP and PPM by suffix.
"$cli" render "$demo" -o "$tmp/p.ppm" --width 40 --height 30 > /dev/null 2>&1 || fail "ppm render"
[ "$(head -c 2 "$tmp/p.ppm")" = "P6" ] || fail "ppm header"
"$cli" render "$demo" -o "$tmp/p.bmp" --width 40 --height 30 > /dev/null 2>&1 || fail "bmp render"
[ "$(head -c 2 "$tmp/p.bmp")" = "BM" ] || fail "bmp header"

# Failures: the system's message, a non-zero status, no picture.
msg=$("$cli" render "$tmp/none.plt" -o "$tmp/none.png" 2>&1 >/dev/null); [ $? -eq 1 ] || fail "missing file accepted"
echo "$msg" | grep -q "No such file or directory" || fail "missing file message: $msg"
[ ! -e "$tmp/none.png" ] || fail "a failed render left a picture"
printf 'D 1 x 3 S A\r\n' > "$tmp/bad.plt"
"$cli" render "$tmp/bad.plt" -o "$tmp/bad.png" > /dev/null 2>&1; [ $? -eq 1 ] || fail "bad plot accepted"
[ ! -e "$tmp/bad.png" ] || fail "a bad plot left a picture"
msg=$("$cli" render "$demo" -o "$tmp/missing/dir.png" 2>&1 >/dev/null); [ $? -eq 1 ] || fail "unwritable output accepted"
echo "$msg" | grep -q "No such file or directory" || fail "unwritable output message: $msg"
"$cli" render "$demo" > /dev/null 2>&1; [ $? -eq 2 ] || fail "no output accepted"
"$cli" render "$demo" -o "$tmp/a.gif" > /dev/null 2>&1; [ $? -eq 2 ] || fail "unknown format accepted"
"$cli" render "$demo" -o "$tmp/a.png" --style glass > /dev/null 2>&1; [ $? -eq 2 ] || fail "bad style accepted"
"$cli" render "$demo" -o "$tmp/a.png" --background red > /dev/null 2>&1; [ $? -eq 2 ] || fail "bad colour accepted"
"$cli" render "$demo" -o "$tmp/a.png" --width 0 > /dev/null 2>&1; [ $? -eq 2 ] || fail "zero width accepted"
echo "ok"
