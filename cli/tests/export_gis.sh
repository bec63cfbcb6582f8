#!/bin/bash
# lumora-cli export --format shp: GDAL reads every layer of the demo cave in
# 3D and 2D with the expected counts, geometry and attributes; the zipped
# set passes unzip -t and opens through /vsizip/; existing sets are kept
# unless --force.
# Args: lumora-cli, source dir.
set -u
cli=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
missing=""  # validators not installed: the test reports itself skipped
fail() { echo "FAIL: $*"; exit 1; }
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME"

demo=$src/data/demo.plt
[ -f "$demo" ] || { echo "data/demo.plt not present: skipped"; exit 77; }
command -v ogrinfo >/dev/null || { echo "ogrinfo not present: skipped"; exit 77; }

json_num() { sed -n "s/^  \"$1\": \([0-9.e+-]*\),*\$/\1/p" "$2"; }
"$cli" info "$demo" --json > "$tmp/info.json" || fail "info"
records=$(sed -n 's/.*"records": {"M": \([0-9]*\), "D": \([0-9]*\), "d": \([0-9]*\), "L": \([0-9]*\), "V": \([0-9]*\)}.*/\1 \2 \3 \4 \5/p' "$tmp/info.json")
read -r m d h l v <<< "$records"
surveys=$(json_num surveys "$tmp/info.json")
features=$(json_num features "$tmp/info.json")
"$cli" passages "$demo" --json > "$tmp/walls.json" || fail "passages"
faces=$(json_num faces "$tmp/walls.json")

# layer, expected count ("" when only checked against the table), geometry, a field
check() {
  local file=$1 want=$2 geom=$3 field=$4 name
  name=$(basename "$file" .shp)
  ogrinfo -ro -so "$file" "$name" > "$tmp/so.txt" 2>&1 || fail "ogrinfo $file: $(cat "$tmp/so.txt")"
  ! grep -q "ERROR" "$tmp/so.txt" || fail "ogrinfo error on $file"
  local n
  n=$(sed -n 's/^Feature Count: //p' "$tmp/so.txt")
  [ -n "$want" ] && { [ "$n" = "$want" ] || fail "$name: $n features, expected $want"; }
  [ "$n" -gt 0 ] || fail "$name: empty"
  [ "$(( ($(stat -c%s "${file%.shp}.shx") - 100) / 8 ))" = "$n" ] || fail "$name: index and table disagree"
  grep -q "^Geometry: $geom\$" "$tmp/so.txt" || fail "$name: geometry $(grep Geometry "$tmp/so.txt")"
  ogrinfo -ro -al -fid 1 "$file" | grep -q "  $field" || fail "$name: no $field"
}

i=0
for layer in stations surveys shots split feature-points feature-lines passage prism multipatch; do
  for dim in 3D 2D; do
    out=$tmp/$layer$dim.shp
    args=()
    [ $dim = 2D ] && args=(--2d)
    if [ $layer = feature-lines ]; then
      "$cli" export "$demo" --format shp --layer $layer "${args[@]}" -o "$out" > /dev/null 2> "$tmp/err.txt"
      [ $? -eq 1 ] && grep -q "No Line Feautures in the File" "$tmp/err.txt" || fail "no line-feature warning"
      continue
    fi
    if [ $dim = 2D ] && { [ $layer = prism ] || [ $layer = multipatch ]; }; then
      "$cli" export "$demo" --format shp --layer $layer --2d -o "$out" > /dev/null 2>&1
      [ $? -eq 2 ] || fail "a 2D prism was accepted"
      continue
    fi
    "$cli" export "$demo" --format shp --layer $layer "${args[@]}" -o "$out" > /dev/null 2>&1 || fail "$layer $dim"
    z="3D Measured "
    [ $dim = 2D ] && z=""
    case $layer in
      stations) check "$out" "" "${z}Point" "STATION (String) = " ;;
      surveys) check "$out" "$((surveys + features))" "${z}Line String" "BRAMBLE_NMA (Real) = " ;;
      shots) check "$out" "$d" "${z}Line String" "AZIMUTH (Real) = " ;;
      split) check "$out" "$((2 * d))" "${z}Line String" "FR_STATION (String) = " ;;
      feature-points) check "$out" "" "${z}Point" "FEATURE (String) = " ;;
      passage) check "$out" "$d" "${z}Polygon" "LENGTH (Real) = " ;;
      prism) check "$out" "$faces" "3D Measured Polygon" "FACE (Real) = " ;;
      multipatch) check "$out" "$faces" "Unknown (any)" "FACE (Real) = " ;;
    esac
    i=$((i + 1))
  done
done
[ $i -eq 14 ] || fail "only $i layers checked"
grep -q 'PROJCS\["NAD_1983_UTM_Zone_13N_Feet"' "$tmp/stations3D.prj" || fail "projection file"

# An existing set is kept without --force.
before=$(md5sum < "$tmp/shots3D.shp")
"$cli" export "$demo" --format shp --layer shots --units meters -o "$tmp/shots3D.shp" > /dev/null 2> "$tmp/err.txt"
[ $? -eq 1 ] || fail "an existing set was replaced without --force"
grep -q "already exist." "$tmp/err.txt" || fail "no overwrite question: $(cat "$tmp/err.txt")"
[ "$(md5sum < "$tmp/shots3D.shp")" = "$before" ] || fail "the refused set changed"
"$cli" export "$demo" --format shp --layer shots --units meters --force --zip -o "$tmp/shots3D.shp" > /dev/null 2>&1 \
  || fail "--force"
[ "$(md5sum < "$tmp/shots3D.shp")" != "$before" ] || fail "--force did not replace the set"
grep -q '"NAD_1983_UTM_Zone_13N"' "$tmp/shots3D.prj" || fail "metres projection"

# The archive: unzip -t, folder entries first, GDAL through /vsizip/.
zip=$tmp/shots3D.zip
if command -v unzip >/dev/null; then
  unzip -t "$zip" > "$tmp/t.txt" 2>&1 || fail "unzip -t: $(cat "$tmp/t.txt")"
  first=$(unzip -Z1 "$zip" | head -1)
  case $first in */) ;; *) fail "first entry $first is no folder" ;; esac
  [ "$(unzip -Z1 "$zip" | grep -c '\.s[hx][px]$\|\.dbf$\|\.prj$')" = 4 ] || fail "the set is not all in the archive"
else
  missing="$missing unzip"
fi
inner=$(cd "$tmp" && pwd -P)/shots3D.shp
inner=${inner#/}
ogrinfo -ro -so "/vsizip/$zip/$inner" shots3D 2>&1 | grep -q "^Feature Count: $d\$" || fail "GDAL cannot read the zipped set"

# KML: well-formed, read by GDAL, one polygon per used shot.
"$cli" export "$demo" --format kml -o "$tmp/demo.kml" > /dev/null 2>&1 || fail "kml export"
if command -v xmllint >/dev/null; then xmllint --noout "$tmp/demo.kml" || fail "xmllint"; else missing="$missing xmllint"; fi
ogrinfo -ro -al "$tmp/demo.kml" > "$tmp/kml.txt" 2>&1 || fail "ogrinfo kml"
grep -q "MULTIPOLYGON" "$tmp/kml.txt" || fail "no passage polygons in GDAL's reading"
[ "$(grep -c '<Polygon id=' "$tmp/demo.kml")" -gt 0 ] || fail "no polygons"
"$cli" export "$demo" --format kml --overlay lines --relative --altitude 3 --no-sections \
  --datum "WGS 1984" -o "$tmp/lines.kml" > /dev/null 2>&1 || fail "kml lines"
[ "$(grep -c '<Placemark>' "$tmp/lines.kml")" = 1 ] || fail "more than one placemark without sections"
grep -q '<altitudeMode>relativeToGround</altitudeMode>' "$tmp/lines.kml" || fail "altitude mode"
ogrinfo -ro -al "$tmp/lines.kml" 2>&1 | grep -q "MULTILINESTRING" || fail "GDAL cannot read the lines"
"$cli" export "$demo" --format kml --datum Mars -o "$tmp/x.kml" > /dev/null 2>&1; [ $? -eq 2 ] || fail "unknown datum accepted"
[ -z "$missing" ] || { echo "skipped, not installed:$missing"; exit 77; }
echo "ok"
