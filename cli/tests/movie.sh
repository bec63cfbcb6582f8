#!/bin/bash
# lumora-cli movie: ffprobe reads the video's codec, size, frame count and
# rate; ffmpeg decodes every frame without a complaint; the first frame is
# render's picture pixel for pixel and the tenth render's turned by ten
# steps; usage errors; a failed write leaves nothing.
# Args: lumora-cli, source dir.
set -u
cli=$1
src=$2
command -v ffprobe > /dev/null && command -v ffmpeg > /dev/null || { echo "ffprobe and ffmpeg are not installed"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
demo=$src/data/demo.plt

"$cli" movie --help | grep -q -- '--yaw-step' || fail "help"

"$cli" movie "$demo" -o "$tmp/turn.avi" --frames 24 --fps 12 --width 161 --height 100 --pitch 30 --depth-colors \
  > "$tmp/out.txt" 2> "$tmp/err.txt" || fail "movie failed: $(cat "$tmp/err.txt")"
grep -q "24 frames, 161 x 100, 12 frames per second, 2.0 s" "$tmp/out.txt" || fail "summary: $(cat "$tmp/out.txt")"
probe=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
  stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_frames,nb_read_frames -of default=noprint_wrappers=1 "$tmp/turn.avi")
for want in codec_name=rawvideo pix_fmt=bgr24 width=161 height=100 r_frame_rate=12/1 nb_frames=24 nb_read_frames=24; do
  echo "$probe" | grep -qx "$want" || fail "ffprobe: no $want in: $probe"
done
errors=$(ffmpeg -v error -i "$tmp/turn.avi" -f rawvideo -pix_fmt rgb24 "$tmp/frames.rgb" 2>&1) || fail "ffmpeg: $errors"
[ -z "$errors" ] || fail "ffmpeg complains: $errors"
[ "$(stat -c %s "$tmp/frames.rgb")" -eq $((24 * 161 * 100 * 3)) ] || fail "decoded size"

# Frame 0 is render's picture of the same view, frame 10 render's with
# --yaw 10 steps of 2 degrees; the frames between differ.
frame() { dd if="$tmp/frames.rgb" bs=$((161 * 100 * 3)) skip="$1" count=1 status=none; }
picture() {
  "$cli" render "$demo" -o "$tmp/$1.png" --width 161 --height 100 --pitch 30 --depth-colors "${@:2}" > /dev/null 2>&1 \
    || fail "render $*"
  ffmpeg -v error -i "$tmp/$1.png" -f rawvideo -pix_fmt rgb24 -
}
cmp -s <(frame 0) <(picture home) || fail "the first frame is not render's picture"
cmp -s <(frame 10) <(picture turned --yaw 20) || fail "frame 10 is not render's picture with --yaw 20"
cmp -s <(frame 0) <(frame 1) && fail "the cave does not turn"

# Usage errors, and a video that cannot be written leaves nothing.
for bad in "--frames 0" "--fps 0" "--fps 2.5" "--yaw-step 400" "--width 0" "--bogus"; do
  "$cli" movie "$demo" -o "$tmp/bad.avi" $bad > /dev/null 2>&1
  [ $? -eq 2 ] || fail "'$bad' is not a usage error"
done
"$cli" movie "$demo" > /dev/null 2>&1; [ $? -eq 2 ] || fail "no output accepted"
msg=$("$cli" movie "$demo" -o "$tmp/missing/turn.avi" --frames 2 2>&1 >/dev/null); [ $? -eq 1 ] || fail "unwritable output accepted"
echo "$msg" | grep -q "No such file or directory" || fail "unwritable output message: $msg"
"$cli" movie "$tmp/none.plt" -o "$tmp/none.avi" > /dev/null 2>&1; [ $? -eq 1 ] || fail "missing plot file accepted"
[ ! -e "$tmp/none.avi" ] && [ ! -e "$tmp/bad.avi" ] || fail "a failed movie left a file"
echo "ok"
