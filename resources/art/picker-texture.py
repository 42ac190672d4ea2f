#!/usr/bin/env python3
"""Draws the picker's background tile: brushed dark grey metal, 200 x 200, written as an 8-bit RGBA PNG.

  picker-texture.py OUT.png

The picker tiles only the first 199 x 199 pixels of the image, so the pattern repeats every 199 pixels and the last
row and column repeat the first: the tile is seamless at a period of 199 and of 200 alike. Every layer is periodic
noise built from a fixed integer hash, so the bytes never change between runs or machines.

Tuning: BASE is the mean colour; the layers below it add the brushing (long horizontal streaks), a faint cloudiness
so the metal does not look printed, and a fine grain. Keep the sum calm: white 18-pixel text is drawn over it."""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import write_icons  # noqa: E402

PERIOD = 199
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
    """Value noise in [-1, 1] on a grid of cells_x by cells_y cells spread over one period."""
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
    streak = 0.65 * periodic_noise(x, y, 3, PERIOD, 11) + 0.35 * periodic_noise(x, y, 7, PERIOD // 2, 12)
    cloud = periodic_noise(x, y, 4, 4, 21) * 0.6 + periodic_noise(x, y, 9, 9, 22) * 0.4
    grain = hash01(31, x, y) * 2 - 1
    return STREAK_DEPTH * streak + CLOUD_DEPTH * cloud + GRAIN_DEPTH * grain


def main(out):
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
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
