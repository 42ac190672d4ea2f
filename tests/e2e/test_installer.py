"""End-to-end tests of the Windows Installer package under Wine (wine64 runs msiexec): a silent install of the
package of the test build's architecture (x86 into "Program Files (x86)", x64 into "Program Files"), the program
started through the Run value it wrote, the silent uninstall that ends the program
through "/close /wait" before it removes anything, the settings key kept (or removed on request), an upgrade
from an older package; and the "/close /wait" messenger on its own.

The packages are made for this run from the program under test by tools/package.sh: one of the current
version and one of an older version."""

import atexit
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from harness import (EXE_NAME, REPO, SETTINGS_KEY, SETTINGS_VALUES, TITLE, WINE, HarnessError, Program,
                     WineTestCase, parse_reg_query, program_arch, program_path)

OLDER_VERSION = "0.9.0"
PRODUCT = "Orvel Mouse Assistant"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
PRODUCTS_KEY = r"HKLM\Software\Classes\Installer\Products"
# The package kind of the program under test, and where it installs the program in a 64-bit prefix.
KIND = program_arch()
INSTALLED_EXE_WIN = "C:\\Program Files%s\\Orvel Mouse Assistant\\%s" % (" (x86)" if KIND == "x86" else "", EXE_NAME)
ICON = REPO / "resources" / "icons" / "app.ico"
# A value of the user's that no package knows: it must still be there after an uninstall or an upgrade.
MARKER = "installer-test marker"
# "/close /wait" gives up after 10 s.
CLOSE_WAIT_LIMIT_MS = 10000


class Packages:
    """The packages of this run (of the program under test's kind), made once: {version: path}, and the current
    version."""
    _instance = None

    def __init__(self):
        self.folder = Path(tempfile.mkdtemp(prefix="orvel-e2e-packages-"))
        atexit.register(shutil.rmtree, self.folder, True)
        self.paths = {}
        for version in (None, OLDER_VERSION):
            command = ["bash", str(REPO / "tools" / "package.sh"), "--no-build", "--exe", str(program_path()),
                       "--out", str(self.folder)] + (["--version", version] if version else []) + [KIND]
            proc = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
            made = re.findall(r"^package: (.*-(\d+\.\d+\.\d+)-%s\.msi)$" % KIND, proc.stdout.decode(), re.M)
            if proc.returncode != 0 or len(made) != 1:
                raise HarnessError("tools/package.sh failed: %s" % proc.stderr.decode(errors="replace")[-600:])
            self.paths[made[0][1]] = Path(made[0][0])
            if version is None:
                self.current = made[0][1]

    @classmethod
    def get(cls):
        if cls._instance is None:
            cls._instance = Packages()
        return cls._instance

    @staticmethod
    def product_code(path):
        text = subprocess.run(["msiinfo", "export", str(path), "Property"], check=True,
                              stdout=subprocess.PIPE).stdout.decode()
        return re.search(r"^ProductCode\t(\{[0-9A-F-]{36}\})", text, re.M).group(1)


def split_command_line(line):
    """The program and its arguments of a Run value: a quoted (or plain) path, then words."""
    if line.startswith('"'):
        end = line.index('"', 1)
        return line[1:end], line[end + 1:].split()
    parts = line.split()
    return parts[0], parts[1:]


def reg_blocks(text):
    """`reg query KEY /s` output as {key: {name: (type, value)}}."""
    blocks = {}
    for chunk in re.split(r"\r?\n(?=HKEY_)", text.strip()):
        heading = chunk.splitlines()[0].strip() if chunk.strip() else ""
        if heading.startswith("HKEY_"):
            blocks[heading] = parse_reg_query(chunk) or {}
    return blocks


class InstallerSteps(WineTestCase):
    """Installing, starting and removing a package in the test's prefix, for this file's tests and the product
    smoke tests."""

    def setUp(self):
        super().setUp()
        self.msi_runs = 0

    # ------------------------------------------------------------------------------ steps
    def windows_path(self, path):
        """A C: path of the prefix as a Linux path."""
        match = re.match(r"^[Cc]:\\(.*)$", path)
        self.assertIsNotNone(match, "not a C: path: %r" % path)
        return self.wine.prefix / "drive_c" / Path(*[p for p in match.group(1).split("\\") if p])

    def msiexec(self, *args, trace=False):
        """Runs msiexec silently with a verbose log; returns (exit code, log text). With trace the programs
        that msiexec starts (the uninstall's "/close /wait") write to the program's trace."""
        self.msi_runs += 1
        log_win = "C:\\orvel-probe\\msiexec-%d.log" % self.msi_runs
        env = dict(self.wine.env)
        if trace:
            env["ORVEL_TRACE"] = "C:\\orvel\\trace.txt"
        out_path = self.wine.logs / ("msiexec-%d.out" % self.msi_runs)
        with open(out_path, "wb") as out:
            try:
                proc = subprocess.run([WINE, "msiexec"] + list(args) + ["/qn", "/l*v", log_win], env=env,
                                      cwd=str(self.wine.prefix / "drive_c"), stdin=subprocess.DEVNULL,
                                      stdout=out, stderr=subprocess.STDOUT, timeout=180)
            except subprocess.TimeoutExpired:
                raise HarnessError("msiexec %s did not finish" % " ".join(args))
        log_path = self.windows_path(log_win)
        log = log_path.read_bytes().decode("utf-8", errors="replace") if log_path.exists() else ""
        if log_path.exists():
            shutil.copy2(log_path, self.wine.logs / log_path.name)
        return proc.returncode, log

    def put_file(self, source):
        target = self.wine.prefix / "drive_c" / "orvel-probe" / source.name
        shutil.copy2(source, target)
        return "C:\\orvel-probe\\" + source.name

    def installed_exe(self, installed_win=INSTALLED_EXE_WIN):
        return self.windows_path(installed_win)

    def run_value(self):
        return (self.wine.reg_query(RUN_KEY) or {}).get(PRODUCT)

    def uninstall_entries(self):
        """{product code: values} of the Apps & Features entries named like the program."""
        entries = {}
        for view in ("/reg:64", "/reg:32"):  # a 32-bit package's entry may be in the 32-bit view
            text = self.wine._tool(["reg", "query", UNINSTALL_KEY, "/s", view], check=False).stdout.decode(
                errors="replace")
            entries.update({key.rsplit("\\", 1)[1]: values for key, values in reg_blocks(text).items()
                            if values.get("DisplayName", (None, None))[1] == PRODUCT})
        return entries

    def shortcut_path(self, install_log):
        """Where the installer's Start-menu folder is (Wine uses the user's, Windows the common one for a
        per-machine install: the log says which)."""
        match = re.search(r"^Property\(S\): ProgramMenuFolder = (.*?)\s*$", install_log, re.M)
        self.assertIsNotNone(match, "the install log names no ProgramMenuFolder")
        return self.windows_path(match.group(1)) / (PRODUCT + ".lnk")

    def start_from_run_value(self, trace=True, **switches):
        """Starts what the Run value says, as the log-on would (with the trace on unless told not to)."""
        value = self.run_value()
        self.assertIsNotNone(value, "no Run value")
        exe, args = split_command_line(value[1])
        index = len(self.wine.programs)
        out_path = self.wine.logs / ("installed-%d.stdout" % index)
        err_path = self.wine.logs / ("installed-%d.stderr" % index)
        env = dict(self.wine.env, ORVEL_TRACE="C:\\orvel\\trace.txt") if trace else dict(self.wine.env)
        env.update({k: str(v) for k, v in switches.items()})
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            proc = subprocess.Popen([WINE, exe] + args, env=env, cwd=str(self.wine.prefix / "drive_c"),
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err, start_new_session=True)
        program = Program(self.wine, args, proc, out_path, err_path, time.monotonic())
        self.wine.programs.append(program)
        return program

    def start_installed_and_wait_saved(self):
        program = self.start_from_run_value()
        held, windows = self.wine.windows(title=TITLE, until="hidden", timeout=20)
        self.assertTrue(held, "the program started from the Run value did not come up hidden: %r" % windows)
        # Wine hides the Win32 window before its X window is unmapped, and under load the probe can see the
        # first while X still shows the second: what counts is that no window stays mapped.
        self.assertTrue(self.wine.wait_x_hidden(timeout=5), "a window of the program stays mapped")
        lines = self.wine.wait_trace("settings-saved", timeout=15)
        self.assertTrue(any(l.is_event("settings-saved") for l in lines), "no settings-saved in the trace")
        self.assertEqual(len(self.wine.processes()), 1, "one process of the program")
        return program

    def close_waits(self):
        return [l.text for l in self.wine.trace() if l.is_event("close-wait")]

    def assert_installed(self, version, install_log):
        installed = self.installed_exe()
        self.assertTrue(installed.is_file(), "no %s" % INSTALLED_EXE_WIN)
        self.assertEqual(installed.read_bytes(), self.wine.exe.read_bytes(), "the installed program")
        shortcut = self.shortcut_path(install_log)
        self.assertTrue(shortcut.is_file(), "no Start-menu shortcut at %s" % shortcut)
        data = shortcut.read_bytes()
        target = "Orvel Mouse Assistant\\" + EXE_NAME
        self.assertTrue(target.encode("utf-16-le") in data or target.encode("ascii") in data,
                        "the shortcut does not point at the installed program")
        self.assertEqual(self.run_value(), ("REG_SZ", '"%s" /hide' % INSTALLED_EXE_WIN), "the Run value")
        entries = self.uninstall_entries()
        self.assertEqual(len(entries), 1, "Apps & Features entries: %r" % list(entries))
        code, values = next(iter(entries.items()))
        self.assertEqual(values.get("DisplayVersion"), ("REG_SZ", version))
        self.assertEqual(values.get("Publisher"), ("REG_SZ", "Orvel"))
        self.assertIn(code.upper(), values.get("UninstallString", ("", ""))[1].upper())
        self.assertEqual(values.get("NoModify"), ("REG_DWORD", 1))
        return code, shortcut

    def assert_product_icon(self, code):
        """Apps & Features shows the icon the package carries (ARPPRODUCTICON)."""
        text = self.wine._tool(["reg", "query", PRODUCTS_KEY, "/s"], check=False).stdout.decode(errors="replace")
        icons = [values["ProductIcon"][1] for values in reg_blocks(text).values()
                 if values.get("ProductName", (None, None))[1] == PRODUCT and "ProductIcon" in values]
        self.assertEqual(len(icons), 1, "product icons: %r" % icons)
        self.assertIn(code.upper(), icons[0].upper())
        self.assertEqual(self.windows_path(icons[0]).read_bytes(), ICON.read_bytes())

    def assert_removed(self, shortcut, installed_win=INSTALLED_EXE_WIN):
        self.assertFalse(self.installed_exe(installed_win).exists(), "the program file is left behind")
        self.assertFalse(self.installed_exe(installed_win).parent.exists(), "the program's folder is left behind")
        self.assertFalse(shortcut.exists(), "the Start-menu shortcut is left behind")
        self.assertIsNone(self.run_value(), "the Run value is left behind")
        self.assertEqual(self.uninstall_entries(), {}, "the Apps & Features entry is left behind")


class InstallerTestCase(InstallerSteps):
    """The packages of this run's test build."""

    def setUp(self):
        super().setUp()
        self.packages = Packages.get()

    def put_package(self, version):
        return self.put_file(self.packages.paths[version])

    def install(self, version):
        code, log = self.msiexec("/i", self.put_package(version))
        self.assertEqual(code, 0, "msiexec /i of %s ended with %d" % (version, code))
        return log


class InstallAndUninstall(InstallerTestCase):

    def test_install_start_uninstall_and_remove_the_settings_on_request(self):
        version = self.packages.current
        log = self.install(version)
        code, shortcut = self.assert_installed(version, log)
        self.assert_product_icon(code)

        program = self.start_installed_and_wait_saved()
        self.wine.reg_import({SETTINGS_KEY: {MARKER: 7}})

        code_x, log = self.msiexec("/x", code, trace=True)
        self.assertEqual(code_x, 0, "msiexec /x ended with %d" % code_x)
        self.assertEqual(program.wait(5), 0, "the program still runs (or failed) after the uninstall")
        self.assertIn("stop", [l.text for l in self.wine.trace()], "the program did not go through its stop")
        waits = self.close_waits()
        self.assertEqual(len(waits), 1, "the uninstall ran \"/close /wait\" once: %r" % waits)
        self.assertIn("instance-gone=1 file-free=1", waits[0])
        self.assertRegex(log, r"CloseRunningProgram\. Return value 1")
        self.assertEqual(self.wine.processes(), [], "a process of the program is left")
        self.assert_removed(shortcut)
        settings = self.wine.settings()
        self.assertIsNotNone(settings, "the settings key went with the uninstall")
        self.assertEqual(set(settings), set(SETTINGS_VALUES) | {MARKER}, "the settings key's values")

        # Installed again (on a machine the uninstall left clean), then removed with REMOVESETTINGS=1.
        log = self.install(version)
        _, shortcut = self.assert_installed(version, log)
        self.assertEqual(self.wine.settings().get(MARKER), ("REG_DWORD", 7), "the install touched the key")
        code = next(iter(self.uninstall_entries()))
        code_x, log = self.msiexec("/x", code, "REMOVESETTINGS=1", trace=True)
        self.assertEqual(code_x, 0)
        self.assert_removed(shortcut)
        self.assertIsNone(self.wine.settings(), "REMOVESETTINGS=1 left the settings key")


class Upgrade(InstallerTestCase):

    def test_upgrade_replaces_the_running_older_version_and_keeps_the_settings(self):
        current = self.packages.current
        log = self.install(OLDER_VERSION)
        older_code, _ = self.assert_installed(OLDER_VERSION, log)
        program = self.start_installed_and_wait_saved()
        self.wine.reg_import({SETTINGS_KEY: {MARKER: 3}})
        before = self.wine.settings()

        # The older package's own uninstall ends the running program before its file is replaced.
        code, log = self.msiexec("/i", self.put_package(current), trace=True)
        self.assertEqual(code, 0, "the upgrade ended with %d" % code)
        self.assertEqual(program.wait(5), 0, "the older version's program still runs after the upgrade")
        waits = self.close_waits()
        self.assertEqual(len(waits), 1, "\"/close /wait\" runs: %r" % waits)
        self.assertIn("instance-gone=1 file-free=1", waits[0])
        new_code, _ = self.assert_installed(current, log)
        self.assertNotEqual(new_code, older_code, "the older version's entry was replaced")
        after = self.wine.settings()
        self.assertEqual(set(after), set(before), "the settings key's values after the upgrade")
        self.assertEqual(after[MARKER], ("REG_DWORD", 3))

        # The older package does not go over the newer one.
        code, _ = self.msiexec("/i", self.put_package(OLDER_VERSION))
        self.assertNotEqual(code, 0, "the older package installed over the newer version")
        self.assert_installed(current, log)


class CloseAndWait(WineTestCase):
    """"/close /wait" run by hand, from the program's own folder."""

    def close_waits(self):
        return [l.text for l in self.wine.trace() if l.is_event("close-wait")]

    def test_close_alone_returns_at_once_and_close_wait_once_the_process_has_ended(self):
        # The program lingers 3 s after its stop, as a process still shutting down would.
        linger = {"ORVEL_TEST_EXIT_DELAY_MS": 3000}
        program = self.start_and_wait_visible(switches=linger)
        self.wine.wait_trace("start-up done", timeout=10)
        report, _ = self.wine.run_probed("/close", timeout_ms=20000)
        self.assertEqual((report["finished"], report["exit"]), (1, 0))
        self.assertEqual(len(self.wine.processes()), 1, "\"/close\" alone no longer returns at once")
        self.assertEqual(program.wait(15), 0)
        self.assertEqual(self.close_waits(), [], "\"/close\" alone waited")

        program = self.start_and_wait_visible(switches=linger)
        self.wine.wait_trace("start-up done", timeout=10, count=2)
        report, _ = self.wine.run_probed("/close", "/wait", timeout_ms=30000)
        self.assertEqual((report["finished"], report["exit"]), (1, 0), "the /close /wait start: %r" % report)
        self.assertEqual(report["visible_windows"], 0)
        self.assertEqual(self.wine.processes(), [], "\"/close /wait\" returned while the program still ran")
        self.assertEqual(program.wait(1), 0)
        waits = self.close_waits()
        self.assertEqual(len(waits), 1, waits)
        self.assertIn("instance-gone=1 file-free=1 others=1", waits[0])

    def test_close_wait_gives_up_on_a_program_that_does_not_end(self):
        # The program's process stays a minute after its stop; the probe would give up on a messenger that
        # waited for it after 40 s.
        program = self.start_and_wait_visible(switches={"ORVEL_TEST_EXIT_DELAY_MS": 60000})
        self.wine.wait_trace("start-up done", timeout=10)
        report, _ = self.wine.run_probed("/close", "/wait", timeout_ms=40000)
        self.assertEqual((report["finished"], report["exit"]), (1, 1),
                         "the /close /wait start ends, and says it gave up: %r" % report)
        waits = self.close_waits()
        self.assertEqual(len(waits), 1, waits)
        self.assertIn("instance-gone=1 file-free=0 others=1", waits[0])
        waited = int(re.search(r"ms=(\d+)", waits[0]).group(1))
        self.assertGreaterEqual(waited, CLOSE_WAIT_LIMIT_MS - 100, "it gave up before its limit")
        self.assertTrue(program.running(), "the program was to linger past the wait's limit")

    def test_close_wait_without_a_running_program_ends_at_once(self):
        report, windows = self.wine.run_probed("/close", "/wait")
        self.assertEqual((report["finished"], report["exit"]), (1, 0), "the /close /wait start: %r" % report)
        self.assertEqual(windows, [], "it created windows")
        self.assertEqual(self.wine.processes(), [])
        waits = self.close_waits()
        self.assertEqual(len(waits), 1, waits)
        self.assertRegex(waits[0], r"instance-gone=1 file-free=1 others=0 ms=\d{1,3}$", "it waited for nothing")
        self.assertFalse([l for l in self.wine.trace() if l.is_event("first-frame")])

