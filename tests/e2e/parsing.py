"""What the end-to-end harness reads and writes as text, apart from Wine: the program's trace lines, `reg query`
output and REGEDIT4 files, the probe's JSON lines, raw screen dumps, and the polling wait. Only the Python
standard library is used; tests/e2e/test_harness_parsing.py checks the readers on their own."""

import json
import re
import time


class TraceLine:
    """One line "<ms> <event> ..." of the program's test trace."""

    __slots__ = ("ms", "text")

    def __init__(self, ms, text):
        self.ms = ms
        self.text = text

    @property
    def event(self):
        return self.text.split(" ", 1)[0]

    def is_event(self, prefix):
        """True when the line's event text starts with the given words ("hid", "hid open", "catalogue")."""
        return self.text == prefix or self.text.startswith(prefix + " ")

    def __repr__(self):
        return "TraceLine(%r, %r)" % (self.ms, self.text)


def parse_trace(data):
    """Parses the trace leniently: undecodable bytes are replaced, lines without a leading number are kept
    with ms None (so a test can still see them), blank lines are dropped, a trailing partial line is kept."""
    if isinstance(data, bytes):
        data = data.decode("utf-8", errors="replace")
    lines = []
    for raw in data.splitlines():
        raw = raw.rstrip("\r")
        if not raw.strip():
            continue
        match = re.match(r"\s*(\d+)\s(.*)$", raw)
        if match:
            lines.append(TraceLine(int(match.group(1)), match.group(2).strip()))
        else:
            lines.append(TraceLine(None, raw.strip()))
    return lines


def catalogue_from_trace(lines):
    """Returns (size, forward, backward, {position: name}) from the last "catalogue" announcement and the
    "function" lines; missing parts are None."""
    size = forward = backward = None
    for line in lines:
        if line.is_event("catalogue"):
            m = re.match(r"catalogue\s+(\d+)", line.text)
            size = int(m.group(1)) if m else None
            m = re.search(r"\bforward=(-?\d+)", line.text)
            forward = int(m.group(1)) if m else None
            m = re.search(r"\bbackward=(-?\d+)", line.text)
            backward = int(m.group(1)) if m else None
    names = {}
    for line in lines:
        if line.is_event("function"):
            m = re.match(r"function\s+(\d+)(?: (.*))?$", line.text)
            if m:
                names[int(m.group(1))] = m.group(2) or ""
    return size, forward, backward, names



def overlapping_device_workers(lines):
    """The device worker's lifetimes in the trace: the "hid worker started" and "hid worker retired" lines
    that break the rule that a worker starts only once the one before it has retired (a start while one runs,
    or a retirement with none running). An empty list means the devices never had two workers at once."""
    wrong = []
    running = False
    for line in lines:
        if line.is_event("hid worker started"):
            if running:
                wrong.append(line)
            running = True
        elif line.is_event("hid worker retired"):
            if not running:
                wrong.append(line)
            running = False
    return wrong

REG_TYPES = ("REG_SZ", "REG_EXPAND_SZ", "REG_MULTI_SZ", "REG_DWORD", "REG_QWORD", "REG_BINARY", "REG_NONE",
             "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_RESOURCE_LIST")


def parse_reg_query(text, key=None):
    """Parses `reg query KEY` output into {value name: (type, value)}; REG_DWORD and REG_QWORD become ints.
    Only the values directly under the key are taken (subkey headings end the value block of the key).
    Returns None when reg reports that the key does not exist (no heading at all)."""
    values = {}
    seen_heading = False
    in_key = False
    for raw in text.splitlines():
        line = raw.rstrip("\r")
        if not line.strip():
            continue
        if line.startswith("HKEY_"):
            # A heading: the key itself first, then (with /s) its subkeys.
            in_key = not seen_heading or (key is not None and line.strip().lower() == expand_hive(key).lower())
            seen_heading = True
            continue
        if not line.startswith(" "):
            continue  # reg's own messages: a missing key is reported in one such line on stdout
        if not in_key:
            continue
        match = re.match(r"^ {4}(.*?) {4}(%s)(?: {4}(.*))?$" % "|".join(REG_TYPES), line)
        if not match:
            continue
        name, kind, data = match.group(1), match.group(2), match.group(3) or ""
        if name == "(Default)" and kind == "REG_SZ" and data == "(value not set)":
            continue
        if kind in ("REG_DWORD", "REG_QWORD"):
            data = int(data, 16) if data.lower().startswith("0x") else int(data)
        values[name] = (kind, data)
    return values if seen_heading else None


def expand_hive(key):
    for short, long in (("HKCU\\", "HKEY_CURRENT_USER\\"), ("HKLM\\", "HKEY_LOCAL_MACHINE\\")):
        if key.upper().startswith(short):
            return long + key[len(short):]
    return key


def reg_file(entries):
    """A REGEDIT4 file setting {key: {name: value}}; ints become dword values, bytes binary values, a
    (type number, bytes) pair a value of that raw type, None deletes the value."""
    out = ["REGEDIT4", ""]
    for key, values in entries.items():
        out.append("[%s]" % expand_hive(key))
        for name, value in values.items():
            quoted = '"%s"' % name.replace("\\", "\\\\").replace('"', '\\"')
            if value is None:
                out.append("%s=-" % quoted)
            elif isinstance(value, int):
                out.append("%s=dword:%08x" % (quoted, value & 0xFFFFFFFF))
            elif isinstance(value, bytes):
                out.append("%s=hex:%s" % (quoted, ",".join("%02x" % b for b in value)))
            elif isinstance(value, tuple):
                kind, data = value
                out.append("%s=hex(%x):%s" % (quoted, kind, ",".join("%02x" % b for b in data)))
            else:
                out.append('%s="%s"' % (quoted, str(value).replace("\\", "\\\\").replace('"', '\\"')))
        out.append("")
    return "\r\n".join(out) + "\r\n"


def parse_json_lines(text):
    """The probe prints one JSON object per line; anything else on its stdout (there should be nothing) is
    ignored rather than breaking the test."""
    objects = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("{"):
            try:
                objects.append(json.loads(line))
            except ValueError:
                pass
    return objects


def failed_silently(returncode, stdout, stderr):
    """A Wine tool that ended with an error and printed nothing at all (not even whitespace's worth): the
    test bed's hiccup the harness runs a set-up step once more for, unlike a failure that says why."""
    return returncode != 0 and not stdout.strip() and not stderr.strip()


def rgb_at(raw, width, x, y):
    """Pixel (r, g, b) of a raw 8-bit RGB screen dump."""
    offset = (y * width + x) * 3
    if x < 0 or y < 0 or x >= width or offset + 3 > len(raw):
        raise IndexError("pixel %d,%d outside the picture" % (x, y))
    return tuple(raw[offset:offset + 3])


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it returns something true or the time is up; returns the last result."""
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval)
