#!/usr/bin/env bash
# Shows the wizard under Wayland: starts a headless Weston, runs tessaly there with a
# picture at QT_SCALE_FACTOR 1 and 2, and takes a screenshot of the compositor's
# output each time. Needs weston and Qt's Wayland platform (apt-get install -y weston
# qt6-wayland). A headless Weston has no seat, so nothing can be typed or clicked: this
# shows the first page as a Wayland desktop draws it, decorations included.
# Usage: docs/screenshots/wayland.sh [FOLDER]   (writes FOLDER/wayland-1.png, wayland-2.png)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$(mkdir -p "${1:-/tmp}" && cd "${1:-/tmp}" && pwd)
cmake --build "$root/build" -t tessaly >/dev/null

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=tessaly-shots QT_QPA_PLATFORM=wayland
weston --backend=headless-backend.so --use-pixman --width=2000 --height=1400 \
  --socket="$WAYLAND_DISPLAY" --debug --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston=$!
trap 'kill $weston 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 50); do [ -S "$runtime/$WAYLAND_DISPLAY" ] && break; sleep 0.1; done

/usr/bin/python3 - "$runtime/picture.bmp" <<'PY'
import sys
from PIL import Image, ImageDraw
picture = Image.new("RGB", (160, 100), (40, 160, 220))
ImageDraw.Draw(picture).ellipse([40, 15, 120, 95], fill=(250, 210, 40))
picture.save(sys.argv[1])
PY
for scale in 1 2; do
  QT_SCALE_FACTOR=$scale HOME=$runtime "$root/build/bin/tessaly" "$runtime/picture.bmp" &
  app=$!
  sleep 2
  (cd "$runtime" && weston-screenshooter >/dev/null 2>&1)
  kill $app
  wait $app 2>/dev/null || true
  shot=$(ls -t "$runtime"/wayland-screenshot-*.png | head -1)
  mv "$shot" "$out/wayland-$scale.png"
done
echo "screenshots in $out"
