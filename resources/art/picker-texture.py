#!/usr/bin/env python3
"""Draws the picker's background tile: brushed dark grey metal, 200 x 200, written as an 8-bit RGBA PNG.

  picker-texture.py OUT.png [SCALE]     SCALE 1 (200 x 200, the default), 1.5 (300 x 300) or 2 (400 x 400)

The picker tiles only the image less its last row and column (199 x 199 at 1x), so the pattern repeats every
SIZE - 1 pixels and the last row and column repeat the first: the tile is seamless at a period of SIZE - 1 and of
SIZE alike. Every layer is periodic noise built from a fixed integer hash, so the bytes never change between runs
or machines. The larger tiles are the same metal drawn with more pixels: the streaks and clouds keep their count
over the period (so they come out as wide as at 1x on the screen) and only the grain is per pixel, as a finer
brushing would be; nothing is resized.

Tuning: BASE is the mean colour; the layers below it add the brushing (long horizontal streaks), a faint cloudiness
so the metal does not look printed, and a fine grain. Keep the sum calm: white 18-pixel text is drawn over it."""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import write_icons  # noqa: E402

PERIOD = 199            # at 1x; the larger tiles set these for themselves in main
SIZE = 200
BASE = (76, 80, 86)
STREAK_DEPTH = 7.0      # brightness swing of the brushing, in 8-bit steps
CLOUD_DEPTH = 4.0
GRAIN_DEPTH = 3.0


def hash01(*values):
    """A fixed pseudo-random number in [0, 1) for integer coordinates."""
    h = 2166136261
    for v in values:
        h = ((h ^ (v & 0xFFFFFFFF)) * 16777619) & 0xFFFFFFFF
        h ^= h >> 13
        h = (h * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return h / 4294967296.0


def smooth(t):
    return t * t * (3 - 2 * t)


def periodic_noise(x, y, cells_x, cells_y, seed):
    """Value noise in [-1, 1] on a grid of cells_x by cells_y cells spread over one period (PERIOD pixels)."""
    fx, fy = x * cells_x / PERIOD, y * cells_y / PERIOD
    x0, y0 = int(math.floor(fx)), int(math.floor(fy))
    tx, ty = smooth(fx - x0), smooth(fy - y0)
    def at(i, j):
        return hash01(seed, i % cells_x, j % cells_y) * 2 - 1
    top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * tx
    bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * tx
    return top + (bottom - top) * ty


def brightness(x, y):
    # Brushing: each row has its own shade that drifts slowly along the row; two scales of streak.
    # The cell counts are those of the 1x tile (199 rows), whatever the size: a streak is a 1x row wide.
    streak = 0.65 * periodic_noise(x, y, 3, 199, 11) + 0.35 * periodic_noise(x, y, 7, 199 // 2, 12)
    cloud = periodic_noise(x, y, 4, 4, 21) * 0.6 + periodic_noise(x, y, 9, 9, 22) * 0.4
    grain = hash01(31, x, y) * 2 - 1
    return STREAK_DEPTH * streak + CLOUD_DEPTH * cloud + GRAIN_DEPTH * grain


def main(out, scale=1.0):
    global PERIOD, SIZE
    SIZE = int(200 * scale + 0.5)
    PERIOD = SIZE - 1
    rgba = bytearray()
    for y in range(SIZE):
        for x in range(SIZE):
            d = brightness(x % PERIOD, y % PERIOD)
            # A touch more blue in the light streaks, as brushed steel under a cool light.
            rgba += bytes((max(0, min(255, round(BASE[0] + d))), max(0, min(255, round(BASE[1] + d))),
                           max(0, min(255, round(BASE[2] + d * 1.1))), 255))
    with open(out, "wb") as f:
        f.write(write_icons.encode_png(SIZE, SIZE, bytes(rgba)))


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3) or (len(sys.argv) == 3 and sys.argv[2] not in ("1", "1.5", "2")):
        sys.exit(__doc__)
    main(sys.argv[1], float(sys.argv[2]) if len(sys.argv) == 3 else 1.0)
