#!/usr/bin/env bash
# Takes the screenshots of the wizard shown in the README: every page of a manual run over
# two pictures, the More menu and the about box. Needs xvfb, xdotool, ImageMagick and
# Debian's python3-pil (apt-get install -y xvfb xauth xdotool imagemagick python3-pil).
# Usage: docs/screenshots/make.sh   (builds tessaly first; writes docs/screenshots/*.png)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

if [ -z "${TESSALY_SHOTS_INNER:-}" ]; then
  cmake --build "$root/build" -t tessaly >/dev/null
  export TESSALY_SHOTS_INNER=1
  exec xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
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
  convert "$work/shot.png" -strip PNG8:"$here/$2.png"
}
key() { xdotool windowfocus --sync "$main" 2>/dev/null || true; xdotool key --delay 80 "$@"; sleep 0.5; }

main=$(window "Tessaly")
shot "$main" 1-source
key Return;           shot "$main" 2-batch
key Return;           shot "$main" 3-resolution
key Return;           shot "$main" 4-sizing
key alt+c;            shot "$main" 4-sizing-crop
key alt+s Return;     shot "$main" 5-masking
key Return;           shot "$main" 6-saving
xdotool mousemove --window "$main" 40 292 click 1
sleep 0.5
menu=$(xdotool search --onlyvisible --class "tessaly" | tail -1)
shot "$menu" menu
key Escape
key Return Return Return Return Return
xdotool mousemove 0 0
shot "$main" 7-finish
xdotool mousemove --window "$main" 40 292 click 1
sleep 0.5
key Up Return
about=$(window "About Tessaly")
shot "$about" about
key Escape
echo "screenshots in $here"
