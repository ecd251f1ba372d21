"""Times Pillow decoding a GIF: the median of several rounds, in milliseconds.

    bench_gif_pillow.py FILE [ROUNDS]

Each round opens the file and loads its first frame's pixels, as the GIF reader does when it
loads a one-frame file.
"""
import statistics
import sys
import time

from PIL import Image

path = sys.argv[1]
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 30
times = []
for _ in range(rounds):
    start = time.perf_counter()
    with Image.open(path) as im:
        im.load()
    times.append((time.perf_counter() - start) * 1000.0)
print(f"{statistics.median(times):.3f}")
