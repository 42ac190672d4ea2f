"""Smoke tests of what a user gets: the product package of the suite's architecture exactly as tools/package.sh
left it (build/packages, or run.py's --packages), a product build without the test channel or the trace,
installed with Wine's msiexec and driven only from outside: the pointer and keys through X, the registry, the
window list and the processes as another program sees them, a screenshot.

One product on a machine: the x86 and x64 packages share their upgrade code, so installing one removes the
other (its program ended first, the settings kept); the second test shows it both ways."""

import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from harness import (EXE_NAME, REPO, SETTINGS_KEY, SCREEN, TITLE, WINE, HarnessError, Program,
                     packages_folder, program_arch, rgb_at, wait_until)
from test_installer import InstallerSteps, split_command_line
from test_settings_view import FUNCTION_KEY_ROWS, PICKER_WIDTH, ROW, TOP_ROWS

sys.path.insert(0, str(REPO / "packaging"))
import orvel_package  # noqa: E402

INSTALLED = {"x86": "C:\\Program Files (x86)\\Orvel Mouse Assistant\\" + EXE_NAME,
             "x64": "C:\\Program Files\\Orvel Mouse Assistant\\" + EXE_NAME}
# bt3's marker on the 670 x 500 settings window: its box starts here whatever text it holds.
BT3_MARKER = (183, 272)
COPY = 10  # "Copy" in the catalogue of Windows 10
MARKER = "product-test marker"  # a value of the user's that no package knows


class ProductTestCase(InstallerSteps):

    def package(self, arch):
        version = "%d.%d.%d" % orvel_package.version_from_sources(
            (REPO / "resources" / "Orvel.rc").read_text(encoding="utf-8"),
            (REPO / "resources" / "app.manifest.in").read_text(encoding="utf-8"))
        path = packages_folder() / ("OrvelMouseAssistant-%s-%s.msi" % (version, arch))
        if not path.is_file():
            raise HarnessError("no %s package: %s (run tools/package.sh)" % (arch, path))
        return path

    def packaged_program(self, package):
        """The program file the package's cabinet holds."""
        folder = Path(tempfile.mkdtemp(prefix="orvel-extracted-"))
        try:
            subprocess.run(["msiextract", "-C", str(folder), str(package)], check=True, stdout=subprocess.DEVNULL,
                           timeout=60)
            found = list(folder.rglob(EXE_NAME))
            self.assertEqual(len(found), 1, "programs in %s: %r" % (package.name, found))
            return found[0].read_bytes()
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def install_product(self, arch):
        package = self.package(arch)
        code, log = self.msiexec("/i", self.put_file(package))
        self.assertEqual(code, 0, "msiexec /i of the %s package ended with %d" % (arch, code))
        installed = self.installed_exe(INSTALLED[arch])
        self.assertTrue(installed.is_file(), "no %s" % INSTALLED[arch])
        self.assertTrue(installed.read_bytes() == self.packaged_program(package),
                        "the installed program is not the packaged one")
        self.assertEqual(self.run_value(), ("REG_SZ", '"%s" /hide' % INSTALLED[arch]), "the Run value")
        self.assertEqual(len(self.uninstall_entries()), 1, "one product in Apps & Features")
        return log

    def start_installed(self, arch, *args):
        """Starts the installed program with these arguments, as a user's shortcut or script would."""
        index = len(self.wine.programs)
        out_path = self.wine.logs / ("product-%d.stdout" % index)
        err_path = self.wine.logs / ("product-%d.stderr" % index)
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            proc = subprocess.Popen([WINE, INSTALLED[arch]] + list(args), env=self.wine.env,
                                    cwd=str(self.wine.prefix / "drive_c"), stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=err, start_new_session=True)
        program = Program(self.wine, args, proc, out_path, err_path, time.monotonic())
        self.wine.programs.append(program)
        return program

    def start_at_log_on(self):
        value = self.run_value()
        self.assertIsNotNone(value, "no Run value")
        self.assertEqual(split_command_line(value[1])[1], ["/hide"])
        program = self.start_from_run_value(trace=False)
        held, windows = self.wine.windows(title=TITLE, until="hidden", timeout=20)
        self.assertTrue(held, "the program started from the Run value did not come up hidden: %r" % windows)
        self.assertEqual(len(self.wine.processes()), 1, "one process of the program")
        time.sleep(1.5)  # the hidden window takes the foreground a moment after hiding
        return program

    def pickers(self):
        return sorted([w for w in self.wine.windows() if w["visible"] and w["title"] != TITLE and
                       w["rect"][2] - w["rect"][0] == PICKER_WIDTH], key=lambda w: w["rect"][0])

    def uninstall_product(self, install_log, arch):
        shortcut = self.shortcut_path(install_log)
        code = next(iter(self.uninstall_entries()))
        code_x, _ = self.msiexec("/x", code)
        self.assertEqual(code_x, 0, "msiexec /x ended with %d" % code_x)
        self.assertEqual(self.wine.processes(), [], "a process of the program is left")
        self.assert_removed(shortcut, INSTALLED[arch])


class ProductPackage(ProductTestCase):

    def test_install_use_close_and_uninstall(self):
        arch = program_arch()
        log = self.install_product(arch)
        program = self.start_at_log_on()
        self.assertFalse(self.wine.visible_x_windows(), "the log-on start shows a window")

        # A second start shows the running instance's window and ends.
        second = self.start_installed(arch)
        self.assertEqual(second.wait(15), 0, "the second start did not end")
        self.assertTrue(self.wine.wait_x_visible(), "the second start did not show the window")
        self.assertEqual(len(self.wine.processes()), 1, "one process of the program")
        time.sleep(1.0)
        left, top, right, bottom = self.main_window()["rect"]
        self.assertEqual((right - left, bottom - top), (670, 500), "the settings window's size")
        shot = self.wine.screenshot("settings")
        self.assertGreater(min(rgb_at(shot, SCREEN[0], left + 500, top + 66)), 200, "Default's outline is not drawn")

        # bt3's marker opens the picker below it; "Function key" > "Copy" is saved at once.
        self.wine.click(left + BT3_MARKER[0], top + BT3_MARKER[1])
        lists = wait_until(self.pickers, 5, interval=0.1)
        self.assertTrue(lists, "the picker did not open")
        picker = lists[0]["rect"]
        self.assertTrue(left + BT3_MARKER[0] - 40 <= picker[0] <= left + BT3_MARKER[0] + 40 and
                        top + BT3_MARKER[1] < picker[1] < top + BT3_MARKER[1] + 40,
                        "the picker is not below the marker: %r" % picker)
        self.wine.xdotool("mousemove", picker[0] + 100, picker[1] + 4 + TOP_ROWS.index("Function key") * ROW + ROW // 2)
        lists = wait_until(lambda: self.pickers() if len(self.pickers()) == 2 else None, 5, interval=0.1)
        self.assertTrue(lists, "no sub-list: %r" % self.pickers())
        sub = lists[1]["rect"]
        self.wine.xdotool("mousemove", sub[0] + 100, sub[1] + 4 + FUNCTION_KEY_ROWS.index("Copy") * ROW + ROW // 2)
        time.sleep(0.3)
        self.wine.xdotool("click", 1)
        saved = wait_until(lambda: (self.wine.settings() or {}).get("bt3") == ("REG_DWORD", COPY), 5, interval=0.2)
        self.assertTrue(saved, "bt3 is not Copy in the registry: %r" % (self.wine.settings(),))
        self.assertTrue(wait_until(lambda: not self.pickers(), 3, interval=0.1), "the picker stayed open")

        # Exit in the notification menu ends it.
        self.assertTrue(self.wine.open_tray_menu(), "the notification menu did not open")
        self.wine.key("Up")  # the last item, "Exit"
        time.sleep(0.2)
        self.wine.key("Return")
        self.assertEqual(program.wait(10), 0, "Exit did not end the program")
        self.assertEqual(self.wine.processes(), [], "a process of the program is left after Exit")

        # Started at log-on again, "/close /wait" ends it and returns once it has ended.
        program = self.start_at_log_on()
        closer = self.start_installed(arch, "/close", "/wait")
        self.assertEqual(closer.wait(20), 0, "\"/close /wait\" did not end with 0")
        self.assertEqual(self.wine.processes(), [], "\"/close /wait\" returned while the program ran")
        self.assertEqual(program.wait(5), 0)
        self.assertEqual(self.wine.settings().get("bt3"), ("REG_DWORD", COPY), "the choice did not stay")

        # Removed while running: nothing left running, no file behind.
        self.start_at_log_on()
        self.uninstall_product(log, arch)


class OneProductOnAMachine(ProductTestCase):

    def test_the_other_architecture_replaces_this_one_and_back(self):
        own = program_arch()
        other = "x64" if own == "x86" else "x86"
        self.install_product(own)
        self.wine.reg_import({SETTINGS_KEY: {MARKER: 5}})
        program = self.start_at_log_on()
        before = self.wine.settings()

        # The other package removes this one first: its program ended through "/close /wait", its files gone.
        log = self.install_product(other)
        self.assertEqual(program.wait(10), 0, "the %s program still runs after the %s install" % (own, other))
        self.assertFalse(self.installed_exe(INSTALLED[own]).parent.exists(), "the %s program's folder stays" % own)
        self.assertEqual(self.wine.settings(), before, "the settings after the %s install" % other)

        # And back, just as well.
        program = self.start_at_log_on()
        log = self.install_product(own)
        self.assertEqual(program.wait(10), 0, "the %s program still runs after the %s install" % (other, own))
        self.assertFalse(self.installed_exe(INSTALLED[other]).parent.exists(), "the %s program's folder stays" % other)
        self.assertEqual(self.wine.settings(), before, "the settings after going back to %s" % own)
        self.uninstall_product(log, own)
        self.assertEqual(self.wine.settings().get(MARKER), ("REG_DWORD", 5), "the uninstall took the settings")
