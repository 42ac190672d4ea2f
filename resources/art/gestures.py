#!/usr/bin/env python3
"""Writes the gesture indicator's forty animation frames as SVG files, 32 x 32 each:

  gestures.py OUTDIR      writes OUTDIR/NNN.svg for NNN in 131-140 (up), 171-180 (left), 181-190 (right) and
                          191-200 (down); tools/draw_artwork.sh renders them to resources/png/NNN.png

Every frame shows two green fingertips side by side sliding in the gesture's direction, with a fading trail back to
where they started. Ten frames a row take the dots from one side of the frame to the other, easing in and out; the
indicator holds the last frame a little longer, so it shows the dots at rest where the swipe ended. The indicator
floats over any desktop, so the dots carry a dark rim and a soft dark shadow."""
import math
import os
import sys

# First frame id and travel direction (x, y) of each row, in image coordinates (y grows downwards).
ROWS = (
    (131, (0, -1)),   # up
    (171, (-1, 0)),   # left
    (181, (1, 0)),    # right
    (191, (0, 1)),    # down
)
FRAMES = 10
SIZE = 32
TRAVEL = 15.0       # distance from the first to the last position of a dot's centre
SPREAD = 5.2        # distance of each fingertip from the line of travel
RADIUS = 4.0


def eased(t):
    """Half linear, half cosine: the dots start and stop gently but already move between the first two frames."""
    return 0.5 * t + 0.5 * (0.5 - 0.5 * math.cos(math.pi * t))


def frame_svg(direction, index):
    dx, dy = direction
    px, py = -dy, dx                                  # across the line of travel
    c = SIZE / 2
    start = -TRAVEL / 2
    along = start + TRAVEL * eased(index / (FRAMES - 1))
    fingers = []
    for side in (-1, 1):
        ox, oy = c + px * SPREAD * side, c + py * SPREAD * side
        fingers.append(((ox + dx * start, oy + dy * start), (ox + dx * along, oy + dy * along)))

    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">' % ((SIZE,) * 4),
           '<defs>',
           '<radialGradient id="tip" cx="0.38" cy="0.34" r="0.7">'
           '<stop offset="0" stop-color="#d9ffcf"/><stop offset="0.45" stop-color="#5fe34a"/>'
           '<stop offset="1" stop-color="#1f9a2a"/></radialGradient>',
           # The trail fades towards where the swipe began; its gradient runs along the travel in user space.
           '<linearGradient id="trail" gradientUnits="userSpaceOnUse" x1="%.3f" y1="%.3f" x2="%.3f" y2="%.3f">'
           '<stop offset="0" stop-color="#4fd83a" stop-opacity="0"/>'
           '<stop offset="1" stop-color="#4fd83a" stop-opacity="0.75"/></linearGradient>'
           % (c + dx * start, c + dy * start, c + dx * along, c + dy * along),
           '<filter id="shadow" x="-0.3" y="-0.3" width="1.6" height="1.6" color-interpolation-filters="sRGB">'
           '<feGaussianBlur in="SourceAlpha" stdDeviation="0.9"/><feOffset dy="0.7"/>'
           '<feComponentTransfer><feFuncA type="linear" slope="0.55"/></feComponentTransfer>'
           '<feMerge><feMergeNode/><feMergeNode in="SourceGraphic"/></feMerge></filter>',
           '</defs>',
           '<g filter="url(#shadow)">']
    for (sx, sy), (ex, ey) in fingers:
        if abs(ex - sx) + abs(ey - sy) > 0.5:
            out.append('<path d="M %.3f,%.3f L %.3f,%.3f" stroke="url(#trail)" stroke-width="%.2f" '
                       'stroke-linecap="round"/>' % (sx, sy, ex, ey, RADIUS * 1.3))
    for _, (ex, ey) in fingers:
        out.append('<circle cx="%.3f" cy="%.3f" r="%.2f" fill="url(#tip)" stroke="#0d3b12" stroke-width="1"/>'
                   % (ex, ey, RADIUS))
    out += ['</g>', '</svg>', '']
    return "\n".join(out)


def main(outdir):
    for first, direction in ROWS:
        for index in range(FRAMES):
            with open(os.path.join(outdir, "%d.svg" % (first + index)), "w", encoding="utf-8") as f:
                f.write(frame_svg(direction, index))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
