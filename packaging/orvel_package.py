#!/usr/bin/env python3
"""The parts of tools/package.sh that are more than calling wixl: the version, the portable program, the zip.

  orvel_package.py version RC MANIFEST_IN     prints the product version (three numbers) of the resource script,
                                              after checking that every place that states it agrees
  orvel_package.py next-version X.Y.Z         prints X.Y.(Z+1): the packages remove every version below it
  orvel_package.py zip OUT EXE README         writes the portable zip: the program (with uiAccess="false" in
                                              its manifest) and the readme in one folder
  orvel_package.py signed EXE                 exit code 0 when the program is signed, 3 when it is not
  orvel_package.py symbols OUT VERSION ARCH=DEBUGFILE...
                                              writes the symbols zip: each packaged program's debug
                                              information (never installed) under ARCH/, and a readme

Only the Python standard library is used.
"""

import re
import sys
import zipfile
from pathlib import Path

# Windows Installer reads a product version as major.minor.build with at most 255.255.65535, and ignores a
# fourth field when it compares versions: a package that differed only there would not replace the other.
LIMITS = (255, 255, 65535)

FOLDER = "Orvel Mouse Assistant"
EXE_NAME = "OrvelMouseAssistant.exe"


class PackagingError(Exception):
    pass


def _numbers(text, what):
    parts = [p.strip() for p in re.split(r"[.,]", text)]
    if len(parts) != 4 or not all(p.isdigit() for p in parts):
        raise PackagingError("%s is not four numbers: %r" % (what, text))
    return tuple(int(p) for p in parts)


def version_from_sources(rc_text, manifest_text):
    """The version the resource script states, as (major, minor, build). Its binary and text fields and the
    manifest's assembly version must all say the same four numbers, the fourth of them 0."""
    stated = {}
    for key in ("FILEVERSION", "PRODUCTVERSION"):
        match = re.search(r"^\s*%s\s+([0-9 ,]+?)\s*$" % key, rc_text, re.M)
        if not match:
            raise PackagingError("no %s line in the resource script" % key)
        stated[key] = _numbers(match.group(1), key)
    for key in ("FileVersion", "ProductVersion"):
        match = re.search(r'VALUE\s+"%s"\s*,\s*"([^"]*)"' % key, rc_text)
        if not match:
            raise PackagingError('no VALUE "%s" in the resource script' % key)
        stated[key] = _numbers(match.group(1), key)
    match = re.search(r'<assemblyIdentity\b[^>]*\bname="Orvel\.MouseAssistant"[^>]*>', manifest_text)
    version = re.search(r'\bversion="([^"]*)"', match.group(0)) if match else None
    if not version:
        raise PackagingError("no version in the manifest's assembly identity")
    stated["manifest"] = _numbers(version.group(1), "the manifest's version")

    values = set(stated.values())
    if len(values) != 1:
        raise PackagingError("the version is not the same everywhere: " +
                             ", ".join("%s %s" % (k, ".".join(map(str, v))) for k, v in stated.items()))
    numbers = values.pop()
    if numbers[3] != 0:
        raise PackagingError("the fourth version number must be 0 (Windows Installer ignores it): %s" %
                             ".".join(map(str, numbers)))
    check_version(numbers[:3])
    return numbers[:3]


def check_version(numbers):
    if len(numbers) != 3 or any(n < 0 or n > limit for n, limit in zip(numbers, LIMITS)):
        raise PackagingError("a product version is three numbers up to 255.255.65535: %r" % (numbers,))
    return numbers


def parse_version(text):
    if not re.fullmatch(r"\d+\.\d+\.\d+", text):
        raise PackagingError("a product version is three numbers, X.Y.Z: %r" % text)
    return check_version(tuple(int(p) for p in text.split(".")))


def next_version(numbers):
    major, minor, build = check_version(numbers)
    if build < LIMITS[2]:
        return (major, minor, build + 1)
    if minor < LIMITS[1]:
        return (major, minor + 1, 0)
    if major < LIMITS[0]:
        return (major + 1, 0, 0)
    raise PackagingError("no version follows %d.%d.%d" % numbers)


# The manifest line as CMake writes it for the product. The portable copy says "false" and gives up one space
# of the line's indentation, so the resource keeps its size and nothing else in the file moves.
UIACCESS_TRUE = b'        <requestedExecutionLevel level="asInvoker" uiAccess="true"/>'
UIACCESS_FALSE = b'       <requestedExecutionLevel level="asInvoker" uiAccess="false"/>'


def portable_program(data):
    """The product with uiAccess="false" in its embedded manifest. Windows starts a program that asks for
    uiAccess only from a secure folder (Program Files, System32) and only when it is signed; a copy unpacked
    anywhere else must not ask for it, or it would not start at all."""
    assert len(UIACCESS_TRUE) == len(UIACCESS_FALSE)
    count = data.count(UIACCESS_TRUE)
    if count != 1:
        if data.count(UIACCESS_FALSE) == 1 and count == 0:
            raise PackagingError("the program already has uiAccess=\"false\" (a developer build?)")
        raise PackagingError("the manifest's uiAccess line was found %d times in the program" % count)
    return data.replace(UIACCESS_TRUE, UIACCESS_FALSE)


def is_signed(data):
    """True when the program carries an Authenticode signature (its certificate table is not empty). Windows
    starts a program whose manifest asks for uiAccess only when it is signed, so an unsigned one in a package
    would not start at all."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        raise PackagingError("not a Windows program")
    pe = int.from_bytes(data[0x3C:0x40], "little")
    if data[pe:pe + 4] != b"PE\0\0":
        raise PackagingError("not a Windows program")
    optional = pe + 24
    magic = int.from_bytes(data[optional:optional + 2], "little")
    directories = optional + (96 if magic == 0x10B else 112)
    security = directories + 4 * 8  # the fifth entry: the certificate table
    address = int.from_bytes(data[security:security + 4], "little")
    size = int.from_bytes(data[security + 4:security + 8], "little")
    return address != 0 and size != 0


# A fixed time for every entry: the same inputs give the same zip.
ZIP_TIME = (2020, 1, 1, 0, 0, 0)


def write_zip(out_path, exe_data, readme_text):
    """The folder "Orvel Mouse Assistant" with the program and its readme (CRLF, for Notepad)."""
    readme = readme_text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
    with zipfile.ZipFile(out_path, "w", compression=zipfile.ZIP_DEFLATED) as archive:
        for name, data in ((EXE_NAME, exe_data), ("README.txt", readme)):
            info = zipfile.ZipInfo("%s/%s" % (FOLDER, name), date_time=ZIP_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, data)


SYMBOLS_README = """Debug information of Orvel Mouse Assistant {version}: one file per program, never installed.

Each program names its file in a debug link. To turn a crash address into a function and a line, take the
file of the program's architecture (x86: the 32-bit program of the x86 package and of the portable zip; x64:
the program of the x64 package) and, with mingw-w64's binutils:

    i686-w64-mingw32-addr2line -f -C -e x86/OrvelMouseAssistant.exe.debug 0x<address>
    x86_64-w64-mingw32-addr2line -f -C -e x64/OrvelMouseAssistant.exe.debug 0x<address>

The address is the one in the program's own address space (the module's base 0x400000 / 0x140000000 plus the
offset Windows reports in its error report).
"""


def write_symbols(out_path, version, debug_files):
    """The debug files of the packaged programs, {arch: path of OrvelMouseAssistant.exe.debug}, with a readme."""
    with zipfile.ZipFile(out_path, "w", compression=zipfile.ZIP_DEFLATED) as archive:
        entries = [("README.txt", SYMBOLS_README.format(version=version).replace("\n", "\r\n").encode("utf-8"))]
        entries += [("%s/%s.debug" % (arch, EXE_NAME), Path(path).read_bytes())
                    for arch, path in sorted(debug_files.items())]
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=ZIP_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, data)


def main(argv):
    try:
        if len(argv) == 3 and argv[0] == "version":
            numbers = version_from_sources(Path(argv[1]).read_text(encoding="utf-8"),
                                           Path(argv[2]).read_text(encoding="utf-8"))
            print("%d.%d.%d" % numbers)
        elif len(argv) == 2 and argv[0] == "next-version":
            print("%d.%d.%d" % next_version(parse_version(argv[1])))
        elif len(argv) == 4 and argv[0] == "zip":
            portable = portable_program(Path(argv[2]).read_bytes())
            write_zip(argv[1], portable, Path(argv[3]).read_text(encoding="utf-8"))
        elif len(argv) == 2 and argv[0] == "signed":
            return 0 if is_signed(Path(argv[1]).read_bytes()) else 3
        elif len(argv) >= 4 and argv[0] == "symbols":
            pairs = dict(arg.split("=", 1) for arg in argv[3:] if "=" in arg)
            if len(pairs) != len(argv) - 3:
                raise PackagingError("symbols takes ARCH=FILE pairs")
            write_symbols(argv[1], argv[2], pairs)
        else:
            sys.stderr.write(__doc__)
            return 2
    except (PackagingError, OSError) as error:
        sys.stderr.write("orvel_package: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
