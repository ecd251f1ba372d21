#!/usr/bin/env bash
# Takes the screenshots of the wizard shown in the README: every page of a manual run over
# two pictures, the crop dialog, the chooser, the More menu, the preset answers and the
# about box. Needs xvfb, xdotool, ImageMagick and Debian's python3-pil
# (apt-get install -y xvfb xauth xdotool imagemagick python3-pil).
# Usage: docs/screenshots/make.sh [--scale N] [--font POINTS] [FOLDER]
#   builds tessaly first; writes FOLDER/*.png (default: this folder). --scale runs the
#   program with QT_SCALE_FACTOR=N on a screen N times as large, to look at the layout on
#   a high-DPI screen. --font starts it with the window font at POINTS (6 to 24) on a
#   screen large enough for the windows that font makes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
scale=1
points=8
while [ $# -gt 1 ]; do
  case "$1" in
    --scale) scale=${2:?--scale needs a whole number}; shift 2 ;;
    --font) points=${2:?--font needs a size in points}; shift 2 ;;
    *) break ;;
  esac
done
out=$(mkdir -p "${1:-$here}" && cd "${1:-$here}" && pwd)

if [ -z "${TESSALY_SHOTS_INNER:-}" ]; then
  cmake --build "$root/build" -t tessaly >/dev/null
  export TESSALY_SHOTS_INNER=1
  grow=$(( points > 8 ? (points + 7) / 8 : 1 ))
  exec xvfb-run -a -s "-screen 0 $((800 * scale * grow))x$((600 * scale * grow))x24 -dpi 96" \
    "$0" --scale "$scale" --font "$points" "$out"
fi
export QT_SCALE_FACTOR=$scale

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME/.config/Vantrel"
if [ "$points" != 8 ]; then
  printf '[3]\nFontSize=%s\n' "$points" >"$HOME/.config/Vantrel/Tessaly.conf"
fi
cd "$work"
/usr/bin/python3 - <<'PY'
from PIL import Image, ImageDraw
photo = Image.new("RGB", (160, 100), (40, 160, 220))
d = ImageDraw.Draw(photo)
d.ellipse([40, 15, 120, 95], fill=(250, 210, 40), outline=(120, 80, 0), width=3)
d.ellipse([62, 40, 72, 52], fill=(40, 40, 40))
d.ellipse([88, 40, 98, 52], fill=(40, 40, 40))
d.arc([58, 45, 102, 80], 20, 160, fill=(40, 40, 40), width=3)
photo.save("smiley.bmp")
tall = Image.new("RGB", (60, 120), (255, 255, 255))
d = ImageDraw.Draw(tall)
d.rectangle([10, 10, 50, 110], fill=(200, 40, 40))
tall.save("tower.bmp")
# Icons already in the folder, for the chooser to list.
for name, colour in (("app.ico", (220, 120, 40)), ("folder.ico", (240, 200, 80))):
    Image.new("RGB", (32, 32), colour).save(name, sizes=[(32, 32)])
PY

"$root/build/bin/tessaly" "$work/smiley.bmp" "$work/tower.bmp" &
app=$!
trap 'kill $app 2>/dev/null; rm -rf "$work"' EXIT

window() { # the id of the first visible window whose title matches
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && {
      echo "$id"; return; }
    sleep 0.2
  done
  echo "no window '$1'" >&2; return 1
}
shot() { # window id, file name
  sleep 0.6
  import -window "$1" "$work/shot.png"
  convert "$work/shot.png" -strip PNG8:"$out/$2.png"
}
click() { # x, y in the main window's design pixels, scaled as the window is
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove --window "$main" $(($1 * WIDTH / 450)) $(($2 * HEIGHT / 317)) click 1
  sleep 0.5
}
key() { xdotool windowfocus --sync "$main" 2>/dev/null || true; xdotool key --delay 80 "$@"; sleep 0.5; }

main=$(window "Tessaly")
shot "$main" 1-source
key Return;           shot "$main" 2-batch
key Return;           shot "$main" 3-resolution
key Return;           shot "$main" 4-sizing
key alt+c;            shot "$main" 4-sizing-crop
xdotool key alt+o
crop=$(window "Crop option")
shot "$crop" crop
xdotool key Escape
sleep 0.5
key alt+s Return;     shot "$main" 5-masking
key Return;           shot "$main" 6-saving
click 403 152 # Browse
chooser=$(window "Output file name")
shot "$chooser" chooser
xdotool key Escape
sleep 0.5
click 40 292 # More
menu=$(xdotool search --onlyvisible --class "tessaly" | tail -1)
shot "$menu" menu
xdotool key Down Return
preset=$(window "Preset answers")
shot "$preset" preset
xdotool key Escape
sleep 0.5
key Return Return Return Return Return
xdotool mousemove 0 0
shot "$main" 7-finish
click 40 292
key Up Return
about=$(window "About Tessaly")
shot "$about" about
key Escape
echo "screenshots in $out"
