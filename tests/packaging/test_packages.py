#!/usr/bin/env python3
"""Checks what tools/package.sh makes, without Wine: the version rules and the portable program of
packaging/orvel_package.py, the tables of the x86 package read with msiinfo, the x64 package against it, the
portable zip, the symbols zip, and every packaged program: a product build (no test code), stripped, with the
debug link its symbols answer, importing at start only libraries that Windows never looks for beside it.

Run: python3 tests/packaging/test_packages.py
The packages are read from the folder named by ORVEL_PACKAGES (tools/test.sh passes build/packages after
running tools/package.sh); without it they are built from build/x86 and build/x64 into a temporary folder."""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "packaging"))
import orvel_package as op  # noqa: E402

PRODUCT_EXE = os.path.join(ROOT, "build", "x86", "product", "OrvelMouseAssistant.exe")
X64_PRODUCT_EXE = os.path.join(ROOT, "build", "x64", "product", "OrvelMouseAssistant.exe")
TEST_BUILDS = {arch: os.path.join(ROOT, "build", arch, "test-build", "OrvelMouseAssistant.exe") for arch in ("x86", "x64")}
UPGRADE_CODE = "{BFE79661-BEF0-4468-BA8E-8A8F40950C03}"
RUN_KEY = r"Software\Microsoft\Windows\CurrentVersion\Run"
GUID = re.compile(r"^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$")

# Custom action type bits (Windows Installer).
CA_BASE = 0x3F
CA_EXE_FROM_FILE, CA_EXE_FROM_PROPERTY, CA_SET_PROPERTY = 18, 50, 51
CA_CONTINUE, CA_ASYNC, CA_IN_SCRIPT = 0x40, 0x80, 0x400
COMPONENT_REGISTRY_KEYPATH, COMPONENT_64BIT = 0x4, 0x100


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def source_version():
    return op.version_from_sources(read(os.path.join(ROOT, "resources", "Orvel.rc")),
                                   read(os.path.join(ROOT, "resources", "app.manifest.in")))


def msi_table(package, table):
    """The rows of one table as dicts (msiinfo export: column names, column types, table name, then rows).
    msiinfo writes a table's binary streams (the Icon table's) as files under its working folder, so it runs
    in a folder of its own."""
    scratch = tempfile.mkdtemp(prefix="orvel-msiinfo-")
    try:
        text = subprocess.run(["msiinfo", "export", os.path.abspath(package), table], check=True, cwd=scratch,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE).stdout.decode("utf-8")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    lines = text.replace("\r\n", "\n").split("\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def msi_summary(package):
    text = subprocess.run(["msiinfo", "suminfo", package], check=True, stdout=subprocess.PIPE).stdout.decode()
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def manifest_of(exe_bytes):
    start = exe_bytes.find(b"<assembly ")
    end = exe_bytes.find(b"</assembly>", start)
    return exe_bytes[start:end + len(b"</assembly>")].decode("utf-8") if start >= 0 and end > start else ""


def pe_machine(exe_bytes):
    offset = struct.unpack_from("<I", exe_bytes, 0x3C)[0]
    assert exe_bytes[offset:offset + 4] == b"PE\0\0"
    return struct.unpack_from("<H", exe_bytes, offset + 4)[0]


class PeFile:
    """What the package tests read of a Windows program: its header flags, sections and start-up imports."""
    LARGE_ADDRESS_AWARE = 0x20

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise AssertionError("not a Windows program")
        self.machine, count, _, symbols, self.symbol_count, optional_size, self.characteristics = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(count):
            raw_name, vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            name = raw_name.rstrip(b"\0").decode("ascii", "replace")
            if name.startswith("/"):  # a long name, kept in the string table after the symbols
                strings = symbols + 18 * self.symbol_count
                start = strings + int(name[1:])
                name = data[start:data.index(b"\0", start)].decode("ascii", "replace")
            self.sections.append((name, vaddr, vsize, raw_ptr, raw_size))

    def section(self, name):
        for found, _, _, raw_ptr, raw_size in self.sections:
            if found == name:
                return self.data[raw_ptr:raw_ptr + raw_size]
        return None

    def offset(self, rva):
        for _, vaddr, vsize, raw_ptr, raw_size in self.sections:
            if vaddr <= rva < vaddr + max(vsize, raw_size):
                return raw_ptr + rva - vaddr
        raise AssertionError("address %#x in no section" % rva)

    def imported_libraries(self):
        """The libraries the loader binds before the program runs (not the delay-loaded ones)."""
        names = []
        at = self.offset(self.import_rva)
        while True:
            lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name_rva or thunks):
                return names
            start = self.offset(name_rva)
            names.append(self.data[start:self.data.index(b"\0", start)].decode("ascii").lower())
            at += 20

    def debug_link(self):
        """(file name, CRC-32) of the .gnu_debuglink section, or None."""
        link = self.section(".gnu_debuglink")
        if not link:
            return None
        end = link.index(b"\0")
        crc_at = (end + 4) & ~3
        return link[:end].decode("ascii"), struct.unpack_from("<I", link, crc_at)[0]


# What a packaged program may import the usual way: the system's known libraries, which Windows only ever
# takes from the system folder, and comctl32, which the manifest binds to the side-by-side version 6 (the
# loader takes it from the assembly store). Everything else (gdiplus, hid, wtsapi32) is delay-loaded after
# the program has restricted the search.
KNOWN_LIBRARIES = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
                   "oleaut32.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "ws2_32.dll",
                   "comctl32.dll"}
DELAY_LOADED = ("gdiplus.dll", "hid.dll", "wtsapi32.dll")

# Names only the test build knows: its trace file, its switches, the test channel and a trace line. A packaged
# program holds none of them; each test build holds them all (so a name that went out of use is noticed).
TEST_NAMES = ("ORVEL_TRACE", "ORVEL_TEST_RESET_HANG_MS", "ORVEL_TEST_EXIT_DELAY_MS", "ORVEL_TEST_TILT_WORK_MS",
              "ORVEL_TEST_SLOW_PAINT_MS", "ORVEL_TEST_CLOSE_WATCH_LATE_MS", "ORVEL_TEST_SWITCHER_PRINT_HANG",
              "ORVEL-TEST-CHAN", "test-channel kind")


def test_names_in(data):
    return [n for n in TEST_NAMES if n.encode("utf-16-le") in data or n.encode("ascii") in data]


class Packages:
    """The three files of one run of tools/package.sh, made once for every test that reads them."""
    folder = None
    temporary = None

    @classmethod
    def get(cls):
        if cls.folder is None:
            version = "%d.%d.%d" % source_version()
            given = os.environ.get("ORVEL_PACKAGES")
            if given:
                cls.folder = given
            else:
                cls.temporary = cls.folder = tempfile.mkdtemp(prefix="orvel-packages-")
                subprocess.run(["bash", os.path.join(ROOT, "tools", "package.sh"), "--no-build", "--out",
                                cls.folder], check=True, stdout=subprocess.DEVNULL)
            cls.paths = {kind: os.path.join(cls.folder, "OrvelMouseAssistant-%s-%s" % (version, kind))
                         for kind in ("x86.msi", "x64.msi", "portable.zip", "symbols.zip")}
            cls.version = version
        return cls

    @classmethod
    def cleanup(cls):
        if cls.temporary:
            shutil.rmtree(cls.temporary, ignore_errors=True)


# ------------------------------------------------------------------------------------------------ rules

RC = """VS_VERSION_INFO VERSIONINFO
FILEVERSION {0}
PRODUCTVERSION {1}
BEGIN
            VALUE "FileVersion", "{2}"
            VALUE "ProductVersion", "{3}"
END
"""
MANIFEST = '<assembly><assemblyIdentity type="win32" name="Orvel.MouseAssistant" version="{0}"/></assembly>'


class VersionRules(unittest.TestCase):

    def test_the_sources_state_one_version(self):
        major, minor, build = source_version()
        rc = read(os.path.join(ROOT, "resources", "Orvel.rc"))
        self.assertRegex(rc, r"(?m)^FILEVERSION %d, ?%d, ?%d, ?0$" % (major, minor, build))

    def test_every_place_must_agree_and_the_fourth_number_is_zero(self):
        rows = [
            # FILEVERSION, PRODUCTVERSION, "FileVersion", "ProductVersion", manifest -> version or None
            (("1, 2, 3, 0", "1, 2, 3, 0", "1.2.3.0", "1.2.3.0", "1.2.3.0"), (1, 2, 3)),
            (("1,2,3,0", "1,2,3,0", "1.2.3.0", "1.2.3.0", "1.2.3.0"), (1, 2, 3)),
            (("255, 255, 65535, 0",) * 2 + ("255.255.65535.0",) * 3, (255, 255, 65535)),
            (("1, 2, 3, 0", "1, 2, 4, 0", "1.2.3.0", "1.2.3.0", "1.2.3.0"), None),
            (("1, 2, 3, 0", "1, 2, 3, 0", "1.2.3.0", "1.2.3.1", "1.2.3.0"), None),
            (("1, 2, 3, 0", "1, 2, 3, 0", "1.2.3.0", "1.2.3.0", "1.0.0.0"), None),
            (("1, 2, 3, 4",) * 2 + ("1.2.3.4",) * 3, None),     # Windows Installer ignores the fourth number
            (("256, 0, 0, 0",) * 2 + ("256.0.0.0",) * 3, None),  # beyond what a product version holds
            (("1, 2, 3",) * 2 + ("1.2.3",) * 3, None),
        ]
        for fields, expected in rows:
            rc, manifest = RC.format(*fields[:4]), MANIFEST.format(fields[4])
            if expected is None:
                with self.assertRaises(op.PackagingError, msg=repr(fields)):
                    op.version_from_sources(rc, manifest)
            else:
                self.assertEqual(op.version_from_sources(rc, manifest), expected, repr(fields))
        with self.assertRaises(op.PackagingError):
            op.version_from_sources("FILEVERSION 1, 0, 0, 0\n", MANIFEST.format("1.0.0.0"))

    def test_next_version_and_given_versions(self):
        for given, following in (("0.9.0", "0.9.1"), ("1.2.65535", "1.3.0"), ("1.255.65535", "2.0.0")):
            self.assertEqual(op.next_version(op.parse_version(given)), op.parse_version(following))
        with self.assertRaises(op.PackagingError):
            op.next_version((255, 255, 65535))
        for bad in ("1.0", "1.0.0.0", "a.b.c", "256.0.0", "1.0.65536", "-1.0.0", " 1.0.0"):
            with self.assertRaises(op.PackagingError, msg=bad):
                op.parse_version(bad)
        # The script refuses a bad version before it calls wixl.
        failed = subprocess.run(["bash", os.path.join(ROOT, "tools", "package.sh"), "--no-build", "--version",
                                 "1.0", "--out", tempfile.gettempdir(), "x86"],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.assertNotEqual(failed.returncode, 0)
        self.assertIn(b"three numbers", failed.stderr)


class SignatureRule(unittest.TestCase):

    def test_a_program_is_signed_only_with_a_certificate_table(self):
        with open(PRODUCT_EXE, "rb") as f:
            program = bytearray(f.read())
        self.assertFalse(op.is_signed(bytes(program)), "the build is not signed")
        pe = struct.unpack_from("<I", program, 0x3C)[0]
        directories = pe + 24 + (96 if struct.unpack_from("<H", program, pe + 24)[0] == 0x10B else 112)
        struct.pack_into("<II", program, directories + 32, len(program), 0x1000)
        self.assertTrue(op.is_signed(bytes(program)))
        struct.pack_into("<II", program, directories + 32, len(program), 0)
        self.assertFalse(op.is_signed(bytes(program)), "an empty table is no signature")
        with self.assertRaises(op.PackagingError):
            op.is_signed(b"PK\x03\x04 not a program")


class PortableProgramRule(unittest.TestCase):

    def test_only_the_ui_access_line_changes_and_the_size_stays(self):
        before = b"MZ...<assembly>\n" + op.UIACCESS_TRUE + b"\n</assembly>...tail"
        after = op.portable_program(before)
        self.assertEqual(len(after), len(before))
        self.assertIn(b'uiAccess="false"', after)
        self.assertNotIn(b'uiAccess="true"', after)
        self.assertEqual(after.replace(op.UIACCESS_FALSE, op.UIACCESS_TRUE), before)

    def test_a_program_without_exactly_one_such_line_is_refused(self):
        for data in (b"no manifest", op.UIACCESS_TRUE * 2, b"x" + op.UIACCESS_FALSE + b"x"):
            with self.assertRaises(op.PackagingError, msg=repr(data[:30])):
                op.portable_program(data)


# ------------------------------------------------------------------------------------------- packages

def rows_by(rows, key):
    return {row[key]: row for row in rows}


def msi_program(test, package):
    """The one file a package's cabinet holds, the program under "Orvel Mouse Assistant"."""
    folder = tempfile.mkdtemp(prefix="orvel-msi-")
    try:
        subprocess.run(["msiextract", "-C", folder, package], check=True, stdout=subprocess.DEVNULL)
        found = [os.path.join(d, n) for d, _, names in os.walk(folder) for n in names]
        test.assertEqual([os.path.basename(p) for p in found], ["OrvelMouseAssistant.exe"])
        test.assertIn(os.path.join("Orvel Mouse Assistant", "OrvelMouseAssistant.exe"), found[0])
        with open(found[0], "rb") as f:
            return f.read()
    finally:
        shutil.rmtree(folder, ignore_errors=True)


class X86Package(unittest.TestCase):
    """The product's package, checked table by table."""
    REG_EXE = "[SystemFolder]reg.exe"

    @classmethod
    def setUpClass(cls):
        cls.packages = Packages.get()
        cls.msi = cls.packages.paths["x86.msi"]
        if not os.path.isfile(cls.msi):
            raise AssertionError("no x86 package: %s" % cls.msi)

    def table(self, name):
        return msi_table(self.msi, name)

    def test_summary_and_properties(self):
        summary = msi_summary(self.msi)
        self.assertEqual(summary.get("Template"), "Intel;1033", "a 32-bit package")
        self.assertGreaterEqual(int(summary.get("Version", "0").split()[0]), 500)
        props = {row["Property"]: row["Value"] for row in self.table("Property")}
        self.assertEqual(props["ProductVersion"], self.packages.version, "the version of the resource script")
        self.assertEqual(props["ProductName"], "Orvel Mouse Assistant")
        self.assertEqual(props["UpgradeCode"], UPGRADE_CODE)
        self.assertRegex(props["ProductCode"], GUID)
        self.assertEqual(props["ALLUSERS"], "1", "installed per machine")
        icons = {row["Name"] for row in self.table("Icon")}
        self.assertIn(props["ARPPRODUCTICON"], icons, "Apps & Features shows an icon of the package")
        self.assertIn("ORVEL_OLDER_FOUND", props["SecureCustomProperties"].split(";"))

    def test_the_program_file_is_the_product_under_program_files(self):
        files = self.table("File")
        self.assertEqual([(f["File"], f["FileName"], f["Component_"]) for f in files],
                         [("OrvelMouseAssistant.exe", "OrvelMouseAssistant.exe", "Program")])
        with open(PRODUCT_EXE, "rb") as f:
            product = f.read()
        self.assertEqual(int(files[0]["FileSize"]), len(product))
        dirs = rows_by(self.table("Directory"), "Directory")
        self.assertEqual((dirs["INSTALLDIR"]["Directory_Parent"], dirs["INSTALLDIR"]["DefaultDir"]),
                         ("ProgramFilesFolder", "Orvel Mouse Assistant"))
        self.assertEqual(dirs["ProgramFilesFolder"]["Directory_Parent"], "TARGETDIR")
        components = rows_by(self.table("Component"), "Component")
        self.assertEqual(set(components), {"Program", "Autostart"})
        for name, row in components.items():
            self.assertRegex(row["ComponentId"], GUID)
            self.assertFalse(int(row["Attributes"]) & COMPONENT_64BIT, "%s is a 32-bit component" % name)
            self.assertEqual(row["Directory_"], "INSTALLDIR")
        self.assertEqual(components["Program"]["KeyPath"], "OrvelMouseAssistant.exe")

        # What the cabinet holds is the very file of build/x86/product: the i386 product that asks for uiAccess.
        shipped = msi_program(self, self.msi)
        self.assertTrue(shipped == product, "the package's program differs from build/x86/product's")
        self.assertEqual(pe_machine(shipped), 0x14C, "an i386 program")
        self.assertIn('uiAccess="true"', manifest_of(shipped))

    def test_registry_writes_only_the_run_value(self):
        rows = self.table("Registry")
        self.assertEqual(len(rows), 1, rows)
        run = rows[0]
        self.assertEqual((run["Root"], run["Key"], run["Name"]), ("1", RUN_KEY, "Orvel Mouse Assistant"),
                         "HKCU's Run key")
        self.assertEqual(run["Value"], '"[#OrvelMouseAssistant.exe]" /hide')
        components = rows_by(self.table("Component"), "Component")
        autostart = components[run["Component_"]]
        self.assertEqual(autostart["KeyPath"], run["Registry"], "the value is its component's key path")
        self.assertTrue(int(autostart["Attributes"]) & COMPONENT_REGISTRY_KEYPATH)
        features = {(r["Feature_"], r["Component_"]) for r in self.table("FeatureComponents")}
        self.assertEqual(features, {("Complete", "Program"), ("Complete", "Autostart")})

    def test_start_menu_shortcut_points_at_the_installed_program(self):
        rows = self.table("Shortcut")
        self.assertEqual(len(rows), 1, rows)
        shortcut = rows[0]
        self.assertEqual((shortcut["Directory_"], shortcut["Name"], shortcut["Component_"]),
                         ("ProgramMenuFolder", "Orvel Mouse Assistant", "Program"))
        # A formatted path (not a feature's name): a plain shortcut, not an advertised one.
        self.assertEqual(shortcut["Target"], "[#OrvelMouseAssistant.exe]")
        self.assertEqual(shortcut["WkDir"], "INSTALLDIR")
        self.assertEqual(shortcut["Arguments"], "", "the shortcut opens the settings window")

    def test_uninstall_closes_the_program_before_anything_is_removed(self):
        actions = rows_by(self.table("CustomAction"), "Action")
        close = actions["CloseRunningProgram"]
        kind = int(close["Type"])
        self.assertEqual(kind & CA_BASE, CA_EXE_FROM_FILE, "runs the installed program")
        self.assertEqual(close["Source"], "OrvelMouseAssistant.exe")
        self.assertEqual(close["Target"], "/close /wait")
        self.assertTrue(kind & CA_CONTINUE, "a failure does not stop the uninstall")
        self.assertFalse(kind & CA_ASYNC, "the uninstall waits for it")
        self.assertFalse(kind & CA_IN_SCRIPT, "immediate: it runs as the user, in the user's session")

        sequence = {row["Action"]: row for row in self.table("InstallExecuteSequence")}
        at = {name: int(row["Sequence"]) for name, row in sequence.items()}
        self.assertEqual(sequence["CloseRunningProgram"]["Condition"], 'REMOVE="ALL"')
        self.assertGreater(at["CloseRunningProgram"], at["CostFinalize"], "the file's path is known")
        for later in ("InstallValidate", "RemoveExistingProducts", "RemoveShortcuts", "RemoveRegistryValues",
                      "RemoveFiles"):
            self.assertLess(at["CloseRunningProgram"], at[later], "the program ends before " + later)
        # An older version goes before anything of this one is installed.
        self.assertTrue(at["InstallValidate"] < at["RemoveExistingProducts"] < at["InstallInitialize"])

    def test_settings_key_goes_only_on_request_and_never_in_an_upgrade(self):
        actions = rows_by(self.table("CustomAction"), "Action")
        sequence = {row["Action"]: row for row in self.table("InstallExecuteSequence")}
        remove = actions["RemoveSettingsKey"]
        self.assertEqual(int(remove["Type"]) & CA_BASE, CA_EXE_FROM_PROPERTY)
        self.assertEqual(remove["Target"], 'delete "HKCU\\SOFTWARE\\ZU A Mouse" /f')
        setter = [a for a in actions.values() if int(a["Type"]) & CA_BASE == CA_SET_PROPERTY and
                  a["Source"] == remove["Source"]]
        # The system's own reg.exe of the package's kind (a 64-bit package's SystemFolder is SysWOW64).
        self.assertEqual([a["Target"] for a in setter], [self.REG_EXE])
        self.assertEqual(sequence["RemoveSettingsKey"]["Condition"],
                         'REMOVE="ALL" AND REMOVESETTINGS=1 AND NOT UPGRADINGPRODUCTCODE')
        self.assertGreater(int(sequence["RemoveSettingsKey"]["Sequence"]),
                           int(sequence["InstallFinalize"]["Sequence"]), "only once the uninstall succeeded")
        self.assertLess(int(sequence[setter[0]["Action"]]["Sequence"]), int(sequence["RemoveSettingsKey"]["Sequence"]))
        self.assertFalse([r for r in self.table("Registry") if "ZU A Mouse" in r["Key"]],
                         "no package row touches the settings key")

    def test_older_versions_are_replaced_and_newer_ones_kept(self):
        following = "%d.%d.%d" % op.next_version(op.parse_version(self.packages.version))
        rows = self.table("Upgrade")
        for row in rows:
            self.assertEqual(row["UpgradeCode"], UPGRADE_CODE)
        older = [r for r in rows if r["ActionProperty"] == "ORVEL_OLDER_FOUND"]
        newer = [r for r in rows if r["ActionProperty"] == "ORVEL_NEWER_FOUND"]
        self.assertEqual([(r["VersionMin"], r["VersionMax"]) for r in older], [("0.0.0", following)])
        self.assertFalse(int(older[0]["Attributes"]) & 0x2, "older versions are removed, not only found")
        self.assertFalse(int(older[0]["Attributes"]) & 0x200, "the next version itself is not in the range")
        self.assertEqual([(r["VersionMin"], r["VersionMax"]) for r in newer], [(following, "")])
        self.assertTrue(int(newer[0]["Attributes"]) & 0x2, "a newer version is only detected")
        conditions = [r["Condition"] for r in self.table("LaunchCondition")]
        self.assertIn("Installed OR NOT ORVEL_NEWER_FOUND", conditions)


class X64Package(unittest.TestCase):
    """The 64-bit product's package: the x86 one's tables with the 64-bit program under Program Files. Both
    share the UpgradeCode, so one replaces the other (one product on a machine)."""

    @classmethod
    def setUpClass(cls):
        cls.packages = Packages.get()
        cls.x86, cls.x64 = cls.packages.paths["x86.msi"], cls.packages.paths["x64.msi"]

    def test_same_product_in_64_bit_places(self):
        self.assertEqual(msi_summary(self.x64).get("Template"), "x64;1033")
        props64 = {r["Property"]: r["Value"] for r in msi_table(self.x64, "Property")}
        props86 = {r["Property"]: r["Value"] for r in msi_table(self.x86, "Property")}
        for name in ("ProductVersion", "UpgradeCode", "ProductName", "Manufacturer", "ALLUSERS", "ARPPRODUCTICON"):
            self.assertEqual(props64[name], props86[name], name)
        self.assertNotEqual(props64["ProductCode"], props86["ProductCode"])
        dirs = rows_by(msi_table(self.x64, "Directory"), "Directory")
        self.assertEqual(dirs["INSTALLDIR"]["Directory_Parent"], "ProgramFiles64Folder")
        c64 = rows_by(msi_table(self.x64, "Component"), "Component")
        c86 = rows_by(msi_table(self.x86, "Component"), "Component")
        for name in c64:
            self.assertTrue(int(c64[name]["Attributes"]) & COMPONENT_64BIT, name)
            self.assertNotEqual(c64[name]["ComponentId"], c86[name]["ComponentId"],
                                "32- and 64-bit components need their own codes")
        for table in ("Registry", "Shortcut", "CustomAction", "InstallExecuteSequence", "Upgrade",
                      "LaunchCondition", "File"):
            rows64, rows86 = msi_table(self.x64, table), msi_table(self.x86, table)
            if table == "CustomAction":
                self.assertIn("[System64Folder]reg.exe", [r["Target"] for r in rows64], "64-bit reg.exe")
                for row in rows64:
                    row["Target"] = row["Target"].replace("[System64Folder]", "[SystemFolder]")
            if table == "File":
                for rows in (rows64, rows86):
                    for row in rows:
                        row.pop("FileSize")
            key = sorted
            self.assertEqual(key(map(repr, rows64)), key(map(repr, rows86)), table)
        with open(X64_PRODUCT_EXE, "rb") as f:
            product = f.read()
        self.assertEqual(int(msi_table(self.x64, "File")[0]["FileSize"]), len(product))
        shipped = msi_program(self, self.x64)
        self.assertTrue(shipped == product, "the package's program differs from build/x64/product's")
        self.assertEqual(pe_machine(shipped), 0x8664, "an x86_64 program")
        self.assertIn('uiAccess="true"', manifest_of(shipped))


class PortableZip(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.packages = Packages.get()

    def test_folder_with_the_program_that_starts_anywhere_and_its_readme(self):
        with zipfile.ZipFile(self.packages.paths["portable.zip"]) as archive:
            self.assertEqual(sorted(archive.namelist()), ["Orvel Mouse Assistant/OrvelMouseAssistant.exe",
                                                          "Orvel Mouse Assistant/README.txt"])
            self.assertIsNone(archive.testzip())
            program = archive.read("Orvel Mouse Assistant/OrvelMouseAssistant.exe")
            readme = archive.read("Orvel Mouse Assistant/README.txt").decode("utf-8")
        with open(PRODUCT_EXE, "rb") as f:
            product = f.read()
        self.assertEqual(len(program), len(product))
        differing = [i for i, (a, b) in enumerate(zip(program, product)) if a != b]
        line = product.find(op.UIACCESS_TRUE)
        self.assertTrue(differing and line <= differing[0] and differing[-1] < line + len(op.UIACCESS_TRUE),
                        "only the manifest's uiAccess line differs from the product")
        manifest = manifest_of(program)
        self.assertIn('uiAccess="false"', manifest)
        self.assertIn('level="asInvoker"', manifest)
        self.assertEqual(pe_machine(program), 0x14C)

        self.assertNotIn("\n", readme.replace("\r\n", ""), "CRLF line ends")
        for needed in ("OrvelMouseAssistant.exe /hide", "OrvelMouseAssistant.exe /close",
                       "HKEY_CURRENT_USER\\SOFTWARE\\ZU A Mouse", "Removing it", "Delete this folder"):
            self.assertIn(needed, readme)


class PackagedPrograms(unittest.TestCase):
    """Every program a user can get: the x86 and x64 packages' and the portable zip's."""

    @classmethod
    def setUpClass(cls):
        packages = Packages.get()
        cls.programs = {}
        holder = unittest.TestCase()
        for kind in ("x86.msi", "x64.msi"):
            cls.programs[kind] = msi_program(holder, packages.paths[kind])
        with zipfile.ZipFile(packages.paths["portable.zip"]) as archive:
            cls.programs["portable.zip"] = archive.read("Orvel Mouse Assistant/OrvelMouseAssistant.exe")
        with zipfile.ZipFile(packages.paths["symbols.zip"]) as archive:
            cls.symbols = {name: archive.read(name) for name in archive.namelist()}

    def test_no_program_carries_test_code_and_every_test_build_does(self):
        for kind, data in self.programs.items():
            self.assertEqual(test_names_in(data), [], "the program of %s knows test names" % kind)
        for arch, path in TEST_BUILDS.items():
            self.assertTrue(os.path.isfile(path), "not built: %s" % path)
            with open(path, "rb") as f:
                self.assertEqual(test_names_in(f.read()), list(TEST_NAMES), "the %s test build" % arch)

    def test_stripped_with_a_debug_link_that_the_symbols_answer(self):
        arch_of = {"x86.msi": "x86", "x64.msi": "x64", "portable.zip": "x86"}
        for kind, data in self.programs.items():
            pe = PeFile(data)
            debug_sections = [name for name, *_ in pe.sections if name.startswith(".debug")]
            self.assertEqual(debug_sections, [], "%s carries its debug information" % kind)
            self.assertEqual(pe.symbol_count, 0, "%s carries a symbol table" % kind)
            self.assertLess(len(data), 3 << 20, "%s: %d bytes" % (kind, len(data)))
            link = pe.debug_link()
            self.assertIsNotNone(link, "%s names no debug file" % kind)
            name, crc = link
            self.assertEqual(name, "OrvelMouseAssistant.exe.debug")
            debug = self.symbols.get("%s/%s" % (arch_of[kind], name))
            self.assertIsNotNone(debug, "the symbols zip lacks %s's debug file" % kind)
            self.assertEqual(zlib.crc32(debug), crc, "the symbols do not belong to %s's program" % kind)
            self.assertTrue(any(n.startswith(".debug_info") for n, *_ in PeFile(debug).sections),
                            "the debug file of %s holds no debug information" % kind)
        self.assertIn("README.txt", self.symbols)

    def test_start_up_imports_only_known_libraries_and_the_32_bit_one_has_4_gb(self):
        for kind, data in self.programs.items():
            pe = PeFile(data)
            imported = pe.imported_libraries()
            self.assertIn("kernel32.dll", imported, "%s: the import table was not read" % kind)
            self.assertEqual(sorted(set(imported) - KNOWN_LIBRARIES), [],
                             "%s imports libraries the loader would look for beside it" % kind)
            for library in DELAY_LOADED:
                self.assertTrue(library.encode("ascii") in data.lower(), "%s does not load %s at all" % (kind, library))
            if pe.machine == 0x14C:
                self.assertTrue(pe.characteristics & PeFile.LARGE_ADDRESS_AWARE, "%s is not large-address-aware" % kind)


if __name__ == "__main__":
    try:
        unittest.main()
    finally:
        Packages.cleanup()
