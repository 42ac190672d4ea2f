#!/usr/bin/env python3
"""Brings a drawing made for a 1x pixel grid to 1.5x with its crisp edges kept crisp, written as an 8-bit RGBA PNG.

  grid-fit.py RENDER6X.png OUT.png     RENDER6X is the source rendered at six times its 1x size

The small icons are drawn on the 1x grid: 1-pixel outlines on half pixels, fills ending on whole pixels. Scaled by
1.5 every other of those edges lands on a half pixel, and a 1-pixel outline becomes one dark pixel and one half-grey
one: the icon looks out of focus next to the crisp 1x one. Here each 1x pixel becomes one or two pixels instead,
odd ones two (so 24 becomes 36: 0 1 1 2 2 ... in whole pixels at 0, 1, 3, 4, 6, ...), and every output pixel is the
average of the part of the 6x render it covers: a 1x edge stays on a pixel edge, an outline stays one or two solid
pixels, and the detail finer than 1x (curves, the finer steps of the gradients) still comes from the drawing, not
from the 1x picture. Premultiplied averaging, so a clear pixel adds no colour."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import write_icons  # noqa: E402

K = 6   # rendered pixels a 1x pixel


def spans(count):
    """The source ranges of the output pixels along one axis of `count` 1x pixels."""
    out = []
    for p in range(count):
        if p % 2:
            out += [(p * K, p * K + K // 2), (p * K + K // 2, p * K + K)]
        else:
            out.append((p * K, p * K + K))
    return out


def grid_fit(width, height, rgba):
    if width % K or height % K or (width // K) % 2 or (height // K) % 2:
        raise ValueError("the render must be six times an even 1x size, got %d x %d" % (width, height))
    xs, ys = spans(width // K), spans(height // K)
    out = bytearray()
    for y0, y1 in ys:
        for x0, x1 in xs:
            r = g = b = a = 0
            for y in range(y0, y1):
                row = y * width * 4
                for x in range(x0, x1):
                    i = row + x * 4
                    alpha = rgba[i + 3]
                    r += rgba[i] * alpha
                    g += rgba[i + 1] * alpha
                    b += rgba[i + 2] * alpha
                    a += alpha
            if a == 0:
                out += b"\0\0\0\0"
            else:
                area = (y1 - y0) * (x1 - x0)
                out += bytes(((r + a // 2) // a, (g + a // 2) // a, (b + a // 2) // a, (a + area // 2) // area))
    return len(xs), len(ys), bytes(out)


def main(source, target):
    with open(source, "rb") as f:
        width, height, _, rgba = write_icons.decode_png(f.read())
    w, h, fitted = grid_fit(width, height, rgba)
    with open(target, "wb") as f:
        f.write(write_icons.encode_png(w, h, fitted))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
