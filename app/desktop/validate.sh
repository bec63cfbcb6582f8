#!/usr/bin/env bash
# The desktop entry, the MIME type and the icon, checked with the
# freedesktop tools: validate.sh APP_SOURCE_DIR
set -euo pipefail
app=${1:?usage: validate.sh APP_SOURCE_DIR}
desktop=$app/desktop/applications/lumora.desktop
mime=$app/desktop/mime/packages/lumora-plot.xml
icon=$app/desktop/icons/hicolor/scalable/apps/lumora.svg

# Hints count as faults too: the validator prints nothing for a clean file.
out=$(desktop-file-validate "$desktop" 2>&1) || { echo "$out"; exit 1; }
[ -z "$out" ] || { echo "$out"; exit 1; }
grep -qx 'MimeType=application/x-bramble-plot;application/x-survex-3d;' "$desktop"
grep -qx 'Exec=lumora %f' "$desktop"

xmllint --noout "$mime" "$icon"
# The window shows the same picture as the desktop.
cmp "$icon" "$app/resources/lumora.svg"

# A MIME database built from our package alone maps every extension, and
# a .3d file by its first line too.
db=$(mktemp -d)
trap 'rm -rf "$db"' EXIT
mkdir "$db/packages"
cp "$mime" "$db/packages/"
out=$(update-mime-database "$db" 2>&1) || { echo "$out"; exit 1; }
grep -qx 'application/x-bramble-plot:\*.plt' "$db/globs"
grep -qx 'application/x-bramble-plot:\*.plf' "$db/globs"
grep -qx 'application/x-survex-3d:\*.3d' "$db/globs"
grep -q 'application/x-survex-3d' "$db/magic"
echo "desktop files: OK"
