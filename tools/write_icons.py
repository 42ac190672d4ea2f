#!/usr/bin/env python3
"""Writes the program's .ico and .cur files (and previews of cursor art), using only the standard library.

ImageMagick can write icons but cannot set a cursor's hot spot, and a monochrome cursor is best drawn pixel by
pixel anyway, so the ICO/CUR containers are assembled here by hand.

  write_icons.py ico OUT.ico IMAGE.png...        one icon image per PNG; 256-pixel images stay PNG-compressed
  write_icons.py cur OUT.cur SOURCE...           SOURCE is cursor art (.txt, monochrome, hot spot in the file)
                                                 or IMAGE.png@X,Y (32-bit colour with hot spot X, Y)
  write_icons.py preview OUT.png ART.txt [N]     the art enlarged N times over a checkerboard, for looking at it

Cursor art is a text file: lines starting with '#' are comments, then "size W H", "hotspot X Y" and H rows of W
characters: '.' transparent, 'X' black, '-' white, '~' inverted screen.
"""
import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


# ---------------------------------------------------------------------------------------------------- PNG files

def _unfilter(raw, width, height, bpp):
    stride = width * bpp
    out = bytearray(height * stride)
    prev = bytearray(stride)
    pos = 0
    for y in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
            elif kind != 0:
                raise ValueError("bad PNG filter type %d" % kind)
        out[y * stride:(y + 1) * stride] = line
        prev = line
    return out


def decode_png(data):
    """Returns (width, height, colour type, RGBA bytes) of an 8-bit, non-interlaced PNG."""
    if data[:8] != PNG_SIGNATURE:
        raise ValueError("not a PNG file")
    pos = 8
    idat = bytearray()
    header = None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError("PNG without IHDR")
    width, height, depth, colour, _, _, interlace = header
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace != 0:
        raise ValueError("only 8-bit non-interlaced grey/RGB/RGBA PNGs are handled")
    pixels = _unfilter(zlib.decompress(bytes(idat)), width, height, channels)
    if channels == 4:
        return width, height, colour, bytes(pixels)
    rgba = bytearray(width * height * 4)
    for i in range(width * height):
        px = pixels[i * channels:(i + 1) * channels]
        if channels == 1:
            rgba[i * 4:i * 4 + 4] = bytes((px[0], px[0], px[0], 255))
        elif channels == 2:
            rgba[i * 4:i * 4 + 4] = bytes((px[0], px[0], px[0], px[1]))
        else:
            rgba[i * 4:i * 4 + 4] = bytes((px[0], px[1], px[2], 255))
    return width, height, colour, bytes(rgba)


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    width, height, _, rgba = decode_png(data)
    return width, height, rgba, data


def encode_png(width, height, rgba):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    stride = width * 4
    raw = b"".join(b"\x00" + rgba[y * stride:(y + 1) * stride] for y in range(height))
    return (PNG_SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------------- cursor art

ART_CHARS = ".X-~"


def parse_art(text, name="art"):
    """Returns (width, height, (hot x, hot y), rows) from cursor-art text; raises ValueError on any flaw."""
    size = hotspot = None
    rows = []
    for number, line in enumerate(text.splitlines(), 1):
        line = line.rstrip()
        if not line or line.startswith("#"):
            continue
        words = line.split()
        if words[0] in ("size", "hotspot"):
            if len(words) != 3 or not all(w.isdigit() for w in words[1:]):
                raise ValueError("%s:%d: expected '%s X Y'" % (name, number, words[0]))
            value = (int(words[1]), int(words[2]))
            if words[0] == "size":
                size = value
            else:
                hotspot = value
            continue
        bad = set(line) - set(ART_CHARS)
        if bad:
            raise ValueError("%s:%d: unexpected characters %s" % (name, number, "".join(sorted(bad))))
        rows.append(line)
    if size is None or hotspot is None:
        raise ValueError("%s: needs both 'size' and 'hotspot'" % name)
    width, height = size
    if width not in (16, 24, 32, 48, 64) or width != height:
        raise ValueError("%s: cursor size %dx%d is not one Windows loads" % (name, width, height))
    if len(rows) != height or any(len(r) != width for r in rows):
        raise ValueError("%s: expected %d rows of %d characters" % (name, height, width))
    if not (0 <= hotspot[0] < width and 0 <= hotspot[1] < height):
        raise ValueError("%s: hot spot outside the image" % name)
    return width, height, hotspot, rows


def _mask_rows(bits_rows, width):
    """Packs rows of 0/1 into 1-bit rows padded to 32 bits, bottom row first as a DIB stores them."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for bits in reversed(bits_rows):
        line = bytearray(stride)
        for x, bit in enumerate(bits):
            if bit:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def mono_image(width, height, rows):
    """The DIB of a monochrome cursor image: header, black/white palette, XOR mask, AND mask."""
    # AND 0 / XOR 0 black, AND 0 / XOR 1 white, AND 1 / XOR 0 transparent, AND 1 / XOR 1 inverted.
    xor = [[1 if ch in "-~" else 0 for ch in row] for row in rows]
    and_ = [[1 if ch in ".~" else 0 for ch in row] for row in rows]
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    return header + palette + _mask_rows(xor, width) + _mask_rows(and_, width)


def colour_image(width, height, rgba):
    """The DIB of a 32-bit image with alpha: BGRA rows bottom-up, then an AND mask of the transparent pixels."""
    stride = width * 4
    pixels = bytearray()
    for y in reversed(range(height)):
        line = rgba[y * stride:(y + 1) * stride]
        for x in range(width):
            r, g, b, a = line[x * 4:x * 4 + 4]
            pixels += bytes((b, g, r, a))
    mask = [[1 if rgba[(y * width + x) * 4 + 3] == 0 else 0 for x in range(width)] for y in range(height)]
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + bytes(pixels) + _mask_rows(mask, width)


# ---------------------------------------------------------------------------------------------------- containers

def build_container(kind, entries):
    """kind 1 = icon, 2 = cursor. entries: (width, height, colours, field1, field2, data) where the two fields
    are planes and bit count for an icon and the hot spot for a cursor."""
    out = struct.pack("<HHH", 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    body = b""
    for width, height, colours, field1, field2, data in entries:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, colours, 0, field1, field2, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def parse_container(data):
    """Returns (kind, [(width, height, colours, field1, field2, data)]) of an .ico or .cur file."""
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind not in (1, 2) or count == 0:
        raise ValueError("not an icon or cursor file")
    entries = []
    for i in range(count):
        w, h, colours, _, f1, f2, size, offset = struct.unpack("<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        if offset + size > len(data):
            raise ValueError("entry %d runs past the end of the file" % i)
        entries.append((w or 256, h or 256, colours, f1, f2, data[offset:offset + size]))
    return kind, entries


def icon_entries(paths):
    entries = []
    for path in paths:
        width, height, rgba, png = read_png(path)
        if width != height or width > 256:
            raise ValueError("%s: icon images must be square and at most 256 pixels" % path)
        # Vista and later read PNG-compressed images; keeping the small ones as DIBs lets every loader use them.
        data = png if width == 256 else colour_image(width, height, rgba)
        entries.append((width, height, 0, 1, 32, data))
    return entries


def cursor_entries(sources):
    entries = []
    for source in sources:
        if source.endswith(".txt"):
            with open(source, encoding="utf-8") as f:
                width, height, (hx, hy), rows = parse_art(f.read(), source)
            entries.append((width, height, 2, hx, hy, mono_image(width, height, rows)))
        else:
            path, _, spot = source.rpartition("@")
            hx, hy = (int(v) for v in spot.split(","))
            width, height, rgba, _ = read_png(path)
            if not (0 <= hx < width and 0 <= hy < height):
                raise ValueError("%s: hot spot outside the image" % source)
            entries.append((width, height, 0, hx, hy, colour_image(width, height, rgba)))
    return entries


def preview(art_path, scale):
    with open(art_path, encoding="utf-8") as f:
        width, height, (hx, hy), rows = parse_art(f.read(), art_path)
    colours = {"X": (0, 0, 0, 255), "-": (255, 255, 255, 255), "~": (255, 0, 255, 255)}
    out = bytearray()
    for y in range(height * scale):
        for x in range(width * scale):
            ch = rows[y // scale][x // scale]
            if (x // scale, y // scale) == (hx, hy) and ch != "." and (x % scale, y % scale) == (scale // 2,) * 2:
                out += bytes((255, 0, 0, 255))  # marks the hot spot
            elif ch == ".":
                grey = 200 if ((x // scale) + (y // scale)) % 2 else 150
                out += bytes((grey, grey, grey, 255))
            else:
                out += bytes(colours[ch])
    return encode_png(width * scale, height * scale, bytes(out))


def main(argv):
    if len(argv) >= 3 and argv[0] == "ico":
        data = build_container(1, icon_entries(argv[2:]))
    elif len(argv) >= 3 and argv[0] == "cur":
        data = build_container(2, cursor_entries(argv[2:]))
    elif len(argv) in (3, 4) and argv[0] == "preview":
        data = preview(argv[2], int(argv[3]) if len(argv) == 4 else 8)
    else:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
