"""Times Pillow decoding a GIF: medians of several rounds, in milliseconds, of the elapsed
time and of the process's CPU time.

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
elapsed = []
cpu = []
for _ in range(rounds):
    start = time.perf_counter()
    start_cpu = time.process_time()
    with Image.open(path) as im:
        im.load()
    cpu.append((time.process_time() - start_cpu) * 1000.0)
    elapsed.append((time.perf_counter() - start) * 1000.0)
print(f"{statistics.median(elapsed):.2f} ms elapsed, {statistics.median(cpu):.2f} ms CPU")
