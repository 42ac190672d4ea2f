#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target (fuzz/corpus/<target>/) from inputs as the program meets them.

input     the stream fuzz_input.cpp reads: a header byte, ten slot bytes, then records of a length byte, the
          report and a context byte; reports as the mice send them
arrival   an event byte, a flag byte and a WM_DEVICECHANGE record (fuzz_arrival.cpp)
settings  a header, the slots before the load, one answer per registry value read, one byte per value
          written (fuzz_settings.cpp)
language  a header and one answer per language-file key (fuzz_language.cpp)

Run it again after changing a seed; the files are committed.
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

INPUT_SEEDS = {
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



# ------------------------------------------------------------------------------------------ arrival

HID_CLASS = bytes([0xB2, 0x55, 0x1E, 0x4D, 0x6F, 0xF1, 0xCF, 0x11, 0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30])
HID_PATH = "\\\\?\\HID#VID_F17E&PID_027B&MI_01#7&2a6c3f&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}"
ARRIVAL, REMOVAL = 0x00, 0xC0  # event bytes: DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE


def le32(v):
    return (v & 0xFFFFFFFF).to_bytes(4, "little")


USB_DEVICE_CLASS = bytes([0xA5, 0xDC, 0xBF, 0x10, 0x65, 0x30, 0xD2, 0x11, 0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51,
                          0xED])


def broadcast(name, type_=5, terminated=True, stated=None, class_=HID_CLASS):
    """A DEV_BROADCAST_DEVICEINTERFACE_W record: size, type, reserved, class, then the name."""
    tail = name.encode("utf-16-le") + (b"\0\0" if terminated else b"")
    size = 28 + len(tail) if stated is None else stated
    return le32(size) + le32(type_) + le32(0) + class_ + tail


def arrival(event, flags, record, extra=b""):
    return bytes([event, flags]) + extra + record


ARRIVAL_SEEDS = {
    "hid_arrival": arrival(ARRIVAL, 0, broadcast(HID_PATH)),
    "hid_removal": arrival(REMOVAL, 0, broadcast(HID_PATH)),
    "volume": arrival(ARRIVAL, 0, le32(18) + le32(2) + le32(0) + le32(0x20) + b"\x00\x00"),
    "unterminated": arrival(ARRIVAL, 0, broadcast("HID#VID_062A", terminated=False)),
    "stated_beyond": arrival(ARRIVAL, 0, broadcast("HID#VID_062A", stated=4096)),
    "stated_inside_name": arrival(ARRIVAL, 0, broadcast("HID#VID_062A", stated=34)),
    # Fewer bytes readable than the record says (the claim 40 cuts it inside the name).
    "cut_short": arrival(ARRIVAL, 0x02, broadcast(HID_PATH), le32(40)),
    "no_record": arrival(ARRIVAL, 0x01, b""),
    # Names of 32767 and 32768 units (the longest path the system opens, and one more): the \\?\hid# prefix
    # (upper case where the case byte 0x70 says so) and 32764 - 8 + 3 or 4 'x', with the size, type and
    # class fields set by the target.
    "longest_path": arrival(ARRIVAL, 0x7C, bytes(28) + b"\0\0", bytes([0xFF, 3]) + "x".encode("utf-16-le") + b"\x70"),
    "path_too_long": arrival(ARRIVAL, 0x7C, bytes(28) + b"\0\0", bytes([0xFF, 4]) + "x".encode("utf-16-le") + b"\x70"),
    # Only a HID interface's arrival is probed: by its class and by its path.
    "other_class": arrival(ARRIVAL, 0, broadcast(HID_PATH, class_=USB_DEVICE_CLASS)),
    "usb_path": arrival(ARRIVAL, 0, broadcast("\\\\?\\USB#VID_F17E&PID_027B#7&2a6c3f")),
    "lower_case_path": arrival(ARRIVAL, 0, broadcast(HID_PATH.lower())),
}

# ------------------------------------------------------------------------------------------ settings

NO_KEY, MISSING, UNREADABLE, DWORD, DWORD_BE, QWORD, SZ, MULTI_SZ, NONE, OVERSTATED, BINARY = range(11)
OLDER, NEWER = 0, 1
FORWARD_OLDER, BACKWARD_OLDER = 15, 14


def answer(kind, value=None):
    if kind == DWORD:
        return bytes([DWORD]) + le32(value)
    if kind == DWORD_BE:
        return bytes([DWORD_BE]) + (value & 0xFFFFFFFF).to_bytes(4, "big")
    if kind == QWORD:
        return bytes([QWORD]) + (value & 0xFFFFFFFFFFFFFFFF).to_bytes(8, "little")
    if kind in (SZ, MULTI_SZ):
        text = value.encode("latin-1")
        return bytes([kind, len(text)]) + text
    if kind == BINARY:
        return bytes([BINARY, len(value)]) + bytes(value)
    if kind == OVERSTATED:  # 5 bytes and more
        return bytes([OVERSTATED, len(value) - 5]) + bytes(value)
    return bytes([kind])


def settings(header, answers, writes=None, before=None):
    # before: order, extra key, four gestures, bt0..bt4, DeviceMode
    before = before or [0x55] * 12
    writes = writes if writes is not None else [1] * 11
    return bytes([header]) + bytes(b & 0xFF for b in before) + b"".join(answers) + bytes(writes)


def dwords(values):
    return [answer(DWORD, v) for v in values]


SETTINGS_SEEDS = {
    # order, extra key, gestures up/down/left/right, bt0..bt4
    "typical": settings(OLDER, dwords([2, 0, 1, 2, 5, 6, 12, 1, 2, FORWARD_OLDER, BACKWARD_OLDER])),
    "newer_defaults": settings(NEWER, dwords([0, 0, 0, 0, 0, 0, 0, 0, 0, 13, 12])),
    "empty_key": settings(OLDER, [answer(MISSING)] * 11),
    "no_key": settings(OLDER, [answer(NO_KEY)] * 11, writes=[0] * 11),
    "out_of_range": settings(NEWER, dwords([-1, 500, 28, 31, -5, 0x7FFFFFFF, 27, 0, 30, 500, -1]),
                             before=[-1] * 12),
    "every_type": settings(OLDER, [
        answer(SZ, "12"), answer(MULTI_SZ, "a"), answer(QWORD, 3), answer(DWORD_BE, 4), answer(NONE),
        answer(BINARY, [7]), answer(BINARY, [1, 2, 3]), answer(BINARY, [1, 2, 3, 4, 5]),
        answer(BINARY, list(range(64))), answer(UNREADABLE), answer(BINARY, []),
    ]),
    # A backend that reports a longer value as read: its first 4 bytes are in the buffer, but it is no value.
    "overstated": settings(OLDER, [answer(OVERSTATED, [3, 0, 0, 0, 0])] * 11),
    "writes_fail": settings(0x02, dwords([1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11]), writes=[1, 0] * 5 + [1]),
}

# ------------------------------------------------------------------------------------------ language

L_MISSING, L_EMPTY, L_MARKER, L_NEAR, L_LONG, L_UNITS = range(6)
KEYS = 1 + 7 + 4 + 31  # BUTTON, TIP, MSG, FUNCTION


def units(text):
    data = text.encode("utf-16-le", "surrogatepass")
    return bytes([L_UNITS, len(data) // 2]) + data


def near(how, arg, unit=0):
    return bytes([L_NEAR, how, arg]) + unit.to_bytes(2, "little")[: 2 if how == 2 else 0]


def long(n, length_class, pattern, unit):
    return bytes([L_LONG, n, length_class | pattern << 2]) + unit.to_bytes(2, "little")


def language(header, answers):
    answers = answers + [bytes([L_MISSING])] * (KEYS - len(answers))
    return bytes([header]) + b"".join(answers)


GERMAN = ["Standard", "", "Klicken, um Tastenfunktionen zu w\u00e4hlen.", "Klicken, um die Belegung zu \u00e4ndern.",
          "Klicken, um Gestenfunktionen zu w\u00e4hlen.", "Minimieren", "Schlie\u00dfen", "Standard",
          "Reihenfolge:", "Links", "Rechts", "Mitte", "Keine Funktion", "System"]

LANGUAGE_SEEDS = {
    "no_file": language(0, []),
    "german": language(0, [units(t) for t in GERMAN]),
    "markers": language(0, [
        bytes([L_MARKER]), bytes([L_EMPTY]), near(0, 0x41), near(1, 0), near(2, 3, 0x6E), near(3, 7), near(4, 0x20),
        near(5, 0x20), near(6, 0), units("@_NOSTR_"), units("@_NOSTR_\0"), units("\0"),
    ]),
    # 999 and 1000 units with surrogate pairs split by the cut, a lone high surrogate where the buffer ends,
    # and a unit of every odd kind: NUL, lone low surrogate, 0xFFFF.
    "long_and_odd": language(0, [
        long(9, 0, 1, 0), long(10, 0, 1, 0), long(10, 0, 2, 0), long(9, 0, 3, 0x61), long(200, 1, 0, 0xDC00),
        long(0, 2, 0, 0x7A), units("a\0b"), units("\udc00x\ud800"), units("\uffff"),
    ]),
    # The reader hands back whole values, one of them a line of 100 000 units.
    "whole_values": language(1, [long(255, 3, 0, 0x78), long(10, 0, 1, 0), units("x" * 100)]),
    # A second file over the first: the marker keeps what the first file set.
    "two_files": language(2, [units("Eins")] + [bytes([L_MISSING])] * (KEYS - 1) + [bytes([L_MARKER]), units("Zwei")]),
}

for target, seeds in (("input", INPUT_SEEDS), ("arrival", ARRIVAL_SEEDS), ("settings", SETTINGS_SEEDS),
                      ("language", LANGUAGE_SEEDS)):
    folder = OUT / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)
