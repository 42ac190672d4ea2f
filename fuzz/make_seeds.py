#!/usr/bin/env python3
"""Writes the fuzz target's seed corpus (fuzz/corpus/) from reports as the mice send them.

Each seed is the stream fuzz_input.cpp reads: a header byte, ten slot bytes, then records of a length byte,
the report and a context byte. Run it again after changing a seed; the files are committed.
"""
import pathlib

OUT = pathlib.Path(__file__).resolve().parent / "corpus"

# Positions in the 31-entry catalogue.
NOTHING, SYSTEM, EXPOSE, COPY, BACKWARD, FORWARD, PAGE_DOWN, VOLUME_UP, VOLUME_DOWN, HIGHLIGHTER = (
    0, 1, 2, 12, 14, 15, 17, 19, 20, 27)


def r7(buttons, b2=0, tilt=0, bad_check=False):
    r = [0x07, buttons, b2, 0, tilt, 0, 0, 0]
    r[7] = r[1] ^ r[2] ^ r[3] ^ r[4] ^ r[5] ^ r[6]
    if bad_check:
        r[7] ^= 0xFF
    return r


def r7_long(buttons):
    return [0x07, buttons] + [0] * 33


def seed(header, slots, reports, altered=None):
    out = [header]
    if altered:
        out += altered
    out += [s & 0xFF for s in slots]
    for report, context, *length_byte in reports:  # a length byte of its own: 65 + len(report) and up
        out += (length_byte or [len(report)]) + report + [context]
    return bytes(out)


SLOTS = [COPY, SYSTEM, EXPOSE, FORWARD, BACKWARD, VOLUME_UP, VOLUME_DOWN, NOTHING, PAGE_DOWN, HIGHLIGHTER]

SEEDS = {
    "buttons": seed(0, SLOTS, [
        (r7(0x10), 0), (r7(0x10), 0), (r7(0x00), 0), (r7(0x09), 1), (r7(0x18), 2), (r7(0xFF), 4),
        (r7(0x00), 0), (r7(0xE0), 0), (r7_long(0x10), 0), (r7_long(0x10), 0), (r7(0x10, 0, 5, True), 0),
    ]),
    "gestures": seed(1, SLOTS, [
        ([0x04, 0x64, 0x01, 0x02, 0x00], 0), ([0x04, 0x64, 0x01, 0x03], 0), ([0x04, 0x64, 0x01, 0x04], 1),
        ([0x04, 0x64, 0x01, 0x00, 0x00], 0), ([0x04, 0x64, 0x01, 0x00, 0x01], 0), ([0x04, 0x64, 0x01, 0x05], 0),
        ([0x04, 0x64, 0x01], 0), ([0x04, 0x64, 0x01, 0x01, 0, 0, 0, 0], 7),
    ]),
    "tilt": seed(0, SLOTS, [
        ([0x00, 0x12, 0x12, 0x10, 0x00], 0), ([0x00, 0x12, 0x12, 0x03, 0x02, 0, 0, 0], 0),
        ([0x00, 0x12, 0x12, 0x03, 0xFF] + [0] * 11, 0), ([0x01, 0x20, 0x00], 0), ([0x01, 0x30, 0x05, 0x00], 0),
        ([0x01, 0x31, 0x05], 0), ([0x01, 0x30, 0x05, 0, 0, 0, 0, 0], 0), ([0x09, 0x12, 0x00, 0x03, 0x07, 0, 0, 0], 0),
        (r7(0x20, 0x04, 0, True), 0), (r7(0x12, 0, 0x80), 0), ([0x07], 0), ([], 0),
    ]),
    # Slots outside the catalogue (-1, its size, 0x80 for INT_MIN, 0x7F for INT_MAX), and Page Down altered
    # to carry all eight modifiers with a scan code that is not extended, and an empty report given as a real
    # pointer (length byte 0x41).
    "out_of_range": seed(2, [-1, 31, 0x80, 0x7F, PAGE_DOWN, 28, -128 + 1, 0x7F, 0x80, -1], [
        (r7(0x1F), 0x07), (r7(0x00), 0x00), ([0x04, 0x64, 0x01, 0x01], 0), ([0x04, 0x64, 0x01, 0x02], 0),
        ([0x04, 0x64, 0x01, 0x03], 0), ([0x04, 0x64, 0x01, 0x04], 0), ([0x04, 0x64, 0x01, 0x00, 0x02], 0), ([], 0, 0x41),
    ], altered=[PAGE_DOWN, 7, 0, 0xFF, 0x00, 0x49, 0x00]),
}

OUT.mkdir(exist_ok=True)
for name, data in SEEDS.items():
    (OUT / name).write_bytes(data)
