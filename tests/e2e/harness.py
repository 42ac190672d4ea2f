"""End-to-end harness: runs the real Orvel Mouse Assistant (a test build, i686 or x86_64) under Wine inside a
private Xvfb.

One test run owns one Xvfb (on a display number Xvfb picks itself) and one template Wine prefix per Windows
version; every test works in its own `cp -a` copy of a template with its own wineserver, and everything a test
started is ended when it finishes, pass or fail. A failing test leaves a screenshot, the program's output, the
trace file, the registry key and the window list under build/e2e-artifacts/<x86|x64>/<test>/.

Only the Python standard library is used. The program and the window probe are found through the environment
variables ORVEL_E2E_EXE and ORVEL_E2E_WININFO (run.py sets them from its options).
"""

import atexit
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
WINE = "/usr/lib/wine/wine64"
WINESERVER_CANDIDATES = ("/usr/lib/wine/wineserver64", "/usr/lib/wine/wineserver")
FONT_DIR = Path("/usr/share/wine/fonts")
FONTS = ("tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf")
SCREEN = (1280, 800)

TITLE = "Orvel Mouse Assistant"
EXE_NAME = "OrvelMouseAssistant.exe"
WININFO_NAME = "orvel_wininfo.exe"
SETTINGS_KEY = r"HKCU\SOFTWARE\ZU A Mouse"
SETTINGS_VALUES = ("order", "extra key", "gesture up", "gesture down", "gesture left", "gesture right",
                   "bt0", "bt1", "bt2", "bt3", "bt4")
# Wine's tray without a virtual desktop: a "Wine System Tray" window at the top left of the screen.
TRAY_ICON = (12, 32)

DEFAULT_EXE = REPO / "build" / "x86" / "test-build" / EXE_NAME
DEFAULT_WININFO = REPO / "build" / "x86" / "tests" / "e2e" / WININFO_NAME
ARTIFACTS_ROOT = REPO / "build" / "e2e-artifacts"

# Inside each prefix: the program in its own folder (so a test can put a lang.ini beside it), the probe in
# another one (so it can never be taken for a file of the program).
PROGRAM_DIR_WIN = "C:\\orvel"
PROGRAM_WIN = PROGRAM_DIR_WIN + "\\" + EXE_NAME
TRACE_WIN = PROGRAM_DIR_WIN + "\\trace.txt"
WININFO_WIN = "C:\\orvel-probe\\" + WININFO_NAME


class HarnessError(Exception):
    """The test machinery itself failed (Xvfb, Wine, a tool); not a finding about the program."""


def wineserver_path():
    for candidate in WINESERVER_CANDIDATES:
        if os.access(candidate, os.X_OK):
            return candidate
    raise HarnessError("no wineserver in " + ", ".join(WINESERVER_CANDIDATES))


def program_path():
    return Path(os.environ.get("ORVEL_E2E_EXE", str(DEFAULT_EXE))).resolve()


def wininfo_path():
    return Path(os.environ.get("ORVEL_E2E_WININFO", str(DEFAULT_WININFO))).resolve()


def pe_machine(path):
    """The machine field of a Windows program's PE header: 0x14C i386, 0x8664 x86_64."""
    with open(path, "rb") as f:
        head = f.read(4096)
    offset = int.from_bytes(head[0x3C:0x40], "little")
    if head[:2] != b"MZ" or head[offset:offset + 4] != b"PE\0\0":
        raise HarnessError("not a Windows program: %s" % path)
    return int.from_bytes(head[offset + 4:offset + 6], "little")


def program_arch():
    """"x86" for the i686 test build (a 32-bit process under Wine's WoW64), "x64" for the x86_64 one."""
    return "x86" if pe_machine(program_path()) == 0x14C else "x64"


def artifacts_folder():
    """Evidence goes by architecture, so that the two suites can run side by side."""
    return ARTIFACTS_ROOT / program_arch()


def packages_folder():
    """The packages the product smoke tests install (tools/package.sh writes them)."""
    return Path(os.environ.get("ORVEL_E2E_PACKAGES", str(REPO / "build" / "packages"))).resolve()


def planted_dll_path():
    """The marker DLL of the DLL-search test; built beside the probe."""
    return wininfo_path().parent / "orvel_planted.dll"


def dialog_probe_path():
    """The toolkit's message-sequence probe; built beside the window probe."""
    return wininfo_path().parent / "orvel_dialog_sequences.exe"


def scroll_helper_path():
    """The tilt-scrolling tests' application windows; built beside the window probe."""
    return wininfo_path().parent / "orvel_scroll_helper.exe"


def report7(buttons):
    """An 8-byte report 7 with its check byte."""
    data = [0x07, buttons, 0, 0, 0, 0, 0]
    check = 0
    for b in data[1:7]:
        check ^= b
    return data + [check]


def board_probe_path():
    """The presenter board tests' probe (cursor clip, clipboard, desktop, a picture window); built beside the
    window probe."""
    return wininfo_path().parent / "orvel_board_probe.exe"


def unix_path(prefix, windows_path):
    """Where a C: path of the prefix lies on this machine (without following links)."""
    drive, _, rest = windows_path.partition(":")
    if drive.upper() != "C" or not rest.startswith("\\"):
        raise HarnessError("not a path on C: %r" % windows_path)
    return Path(prefix) / "drive_c" / Path(*[part for part in rest.split("\\") if part])


def make_desktops_private(prefix):
    """Wine links each user's Desktop folder to the Linux home folder; a test that lets the program write to
    its desktop gets a real folder inside the prefix instead. Returns the desktop folders."""
    desktops = []
    for user in sorted((Path(prefix) / "drive_c" / "users").iterdir()):
        desktop = user / "Desktop"
        if desktop.is_symlink():
            desktop.unlink()
        if user.is_dir() and not user.is_symlink():
            desktop.mkdir(exist_ok=True)
            desktops.append(desktop)
    return desktops


def switcher_windows_path():
    """The window switcher tests' application windows; built beside the window probe."""
    return wininfo_path().parent / "orvel_switcher_windows.exe"


# The readers of the trace, of `reg query` and of the probe's output, and the polling wait, live in parsing.py.
from parsing import (REG_TYPES, TraceLine, catalogue_from_trace, expand_hive,  # noqa: E402,F401
                     failed_silently, overlapping_device_workers, parse_json_lines, parse_reg_query, parse_trace,
                     reg_file, rgb_at, wait_until)


# --------------------------------------------------------------------------------------- the whole run

def _kill_group(proc, sig=signal.SIGTERM):
    if proc is None or proc.poll() is not None:
        return
    try:
        os.killpg(proc.pid, sig)
    except (ProcessLookupError, PermissionError):
        pass


class TestRun:
    """The parts shared by every test of one run: the X server, the scratch folder and the templates.
    Built on first use, torn down at interpreter exit."""

    _instance = None

    @classmethod
    def get(cls):
        if cls._instance is None:
            cls._instance = TestRun()
            atexit.register(cls._instance.close)
        return cls._instance

    def __init__(self, screen=SCREEN):
        # The tests run on SCREEN; a benchmark may make a run of its own on a larger screen.
        self.screen = screen
        self.wineserver = wineserver_path()
        self.scratch = Path(tempfile.mkdtemp(prefix="orvel-e2e-"))
        self.xvfb = None
        self.display = None
        self.templates = {}
        self.template_failure = {}
        self.counter = 0
        self.snapshots = {}
        self.sessions = []
        self._start_xvfb()

    def snapshot(self, path):
        """A copy of a built file taken at its first use, so a rebuild during the run cannot hand later tests
        another (or a half-written) program."""
        if path not in self.snapshots:
            if not path.is_file():
                raise HarnessError("not built: %s" % path)
            folder = self.scratch / ("bin-%d" % len(self.snapshots))
            folder.mkdir()
            shutil.copy2(path, folder / path.name)
            self.snapshots[path] = folder / path.name
        return self.snapshots[path]

    def _start_xvfb(self):
        # -displayfd lets Xvfb take the first free display itself: no race with other users of this machine.
        read_fd, write_fd = os.pipe()
        with open(self.scratch / "xvfb.log", "wb") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % self.screen, "-nolisten", "tcp",
                 "-noreset"],
                pass_fds=(write_fd,), stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                start_new_session=True)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 20
        os.set_blocking(read_fd, False)
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            if self.xvfb.poll() is not None:
                break
            try:
                chunk = os.read(read_fd, 16)
                if chunk == b"":
                    break
                number += chunk
            except BlockingIOError:
                time.sleep(0.02)
        os.close(read_fd)
        if not number.strip().isdigit():
            log_text = (self.scratch / "xvfb.log").read_text(errors="replace").strip()[-400:]
            self.close()  # removes the scratch folder, the log with it
            raise HarnessError("Xvfb did not start: %s" % (log_text or "no output"))
        self.display = ":" + number.decode().strip()

    def base_env(self, prefix):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "WINEPREFIX", "WINESERVER", "WINELOADER",
                            "ORVEL_TRACE")}
        env.update({"DISPLAY": self.display, "WINEPREFIX": str(prefix), "WINEARCH": "win64",
                    "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="})
        return env

    def template(self, version):
        """The booted template prefix for "win10" or "win7" (a fresh prefix reports Windows 7), or for a
        Windows 10 desktop at another DPI (dpi_version)."""
        if version in self.template_failure:
            raise HarnessError(self.template_failure[version])
        if version not in self.templates:
            try:
                self.templates[version] = self._build_template(version)
            except HarnessError as error:
                self.template_failure[version] = str(error)
                raise
        return self.templates[version]

    def _wine_tool(self, prefix, args, timeout, log_name):
        env = self.base_env(prefix)
        with open(self.scratch / log_name, "ab") as log:
            try:
                proc = subprocess.run([WINE] + args, env=env, stdout=log, stderr=subprocess.STDOUT,
                                      stdin=subprocess.DEVNULL, timeout=timeout, cwd=str(self.scratch))
            except subprocess.TimeoutExpired:
                raise HarnessError("%s timed out in %s" % (" ".join(args), prefix))
        return proc.returncode

    def _stop_server(self, prefix):
        """Ends the prefix's wineserver and waits for it, which also writes the registry files."""
        env = self.base_env(prefix)
        subprocess.run([self.wineserver, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)
        subprocess.run([self.wineserver, "-w"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)

    def _build_template(self, version):
        dpi = template_dpi(version)
        if dpi:
            # Wine reads the DPI when its server starts: every session of this template has it from its boot.
            base = self.template("win10")
            prefix = self.scratch / ("template-" + version)
            subprocess.run(["cp", "-a", str(base), str(prefix)], check=True)
            settings = {r"HKCU\Control Panel\Desktop": {"LogPixels": dpi}}
        elif version == "win10":
            base = self.template("win7")
            prefix = self.scratch / "template-win10"
            subprocess.run(["cp", "-a", str(base), str(prefix)], check=True)
            settings = {r"HKCU\Software\Wine": {"Version": "win10"}}
        elif version == "win7":
            prefix = self.scratch / "template-win7"
            started = time.monotonic()
            if self._wine_tool(prefix, ["wineboot", "-i"], 180, "template.log") != 0:
                raise HarnessError("wineboot -i failed (see %s)" % (self.scratch / "template.log"))
            fonts = prefix / "drive_c" / "windows" / "Fonts"
            fonts.mkdir(parents=True, exist_ok=True)
            for font in FONTS:
                shutil.copy2(FONT_DIR / font, fonts / font)
            # Without a window manager every hide of a visible window stalls ~2 s unless Wine manages nothing.
            settings = {r"HKCU\Software\Wine\X11 Driver": {"Managed": "N", "Decorated": "N"}}
            sys.stderr.write("e2e: template prefix booted in %.1f s\n" % (time.monotonic() - started))
        else:
            raise ValueError(version)
        reg = prefix / "drive_c" / "template-settings.reg"
        reg.write_text(reg_file(settings), encoding="ascii")
        if self._wine_tool(prefix, ["regedit", "/S", "C:\\template-settings.reg"], 60, "template.log") != 0:
            raise HarnessError("regedit failed in the %s template" % version)
        reg.unlink()
        self._stop_server(prefix)
        # The settings must be on disk before the template is copied.
        user_reg = (prefix / "user.reg").read_text(encoding="utf-8", errors="replace")
        expected = ('"LogPixels"=dword:%08x' % dpi if dpi else
                    '"Version"="win10"' if version == "win10" else '"Managed"="N"')
        if expected not in user_reg:
            raise HarnessError("the %s template's user.reg lacks %s" % (version, expected))
        return prefix

    def new_prefix_path(self, name):
        self.counter += 1
        safe = re.sub(r"[^A-Za-z0-9_.-]", "_", name)[-80:]
        return self.scratch / ("%03d-%s" % (self.counter, safe))

    def close(self):
        # Sessions a test could not end itself (an interrupted run) are ended before their folders go.
        for session in list(self.sessions):
            try:
                session.close()
            except Exception:
                pass
        for prefix in list(self.templates.values()):
            try:
                self._stop_server(prefix)
            except Exception:
                pass
        if self.xvfb is not None:
            _kill_group(self.xvfb)
            try:
                self.xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                _kill_group(self.xvfb, signal.SIGKILL)
                self.xvfb.wait(timeout=5)
            self.xvfb = None
        if self.scratch is not None:
            if os.environ.get("ORVEL_E2E_KEEP") == "1":
                sys.stderr.write("e2e: prefixes kept in %s\n" % self.scratch)
            else:
                shutil.rmtree(self.scratch, ignore_errors=True)
        self.scratch = None
        TestRun._instance = None


# ------------------------------------------------------------------------------------------- one test

class Program:
    """One start of the program under test, as a Linux process of the Wine loader."""

    def __init__(self, session, args, proc, out_path, err_path, started):
        self.session = session
        self.args = args
        self.proc = proc
        self.out_path = out_path
        self.err_path = err_path
        self.started = started

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        """The exit status within timeout seconds, or None if it still runs."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def output(self):
        return (self.out_path.read_bytes() if self.out_path.exists() else b"",
                self.err_path.read_bytes() if self.err_path.exists() else b"")


class WineSession:
    """A private copy of a template prefix with its own wineserver, the program copied into C:\\orvel and the
    probe into C:\\orvel-probe. close() ends every process it started."""

    def __init__(self, run, name, version="win10"):
        self.run = run
        self.name = name
        self.version = version
        self.exe = run.snapshot(program_path())
        self.wininfo_exe = run.snapshot(wininfo_path())
        self.prefix = run.new_prefix_path(name)
        self.logs = self.prefix.with_name(self.prefix.name + "-logs")
        self.logs.mkdir(parents=True)
        self.programs = []
        self.server = None
        self.closed = False
        run.sessions.append(self)
        started = time.monotonic()
        try:
            self._prepare(run, version)
        except BaseException:
            self.close()
            raise
        self.setup_seconds = time.monotonic() - started

    def _prepare(self, run, version):
        self.env = run.base_env(self.prefix)
        subprocess.run(["cp", "-a", str(run.template(version)), str(self.prefix)], check=True)
        self.program_dir = self.prefix / "drive_c" / "orvel"
        self.program_dir.mkdir()
        shutil.copy2(self.exe, self.program_dir / EXE_NAME)
        probe_dir = self.prefix / "drive_c" / "orvel-probe"
        probe_dir.mkdir()
        shutil.copy2(self.wininfo_exe, probe_dir / WININFO_NAME)
        self.trace_path = self.program_dir / "trace.txt"
        # A persistent server for this prefix, started here so it is ours to end; the boot then brings up
        # Wine's own services, so the program's first window comes quickly and at a steady pace.
        with open(self.logs / "wineserver.log", "wb") as log:
            self.server = subprocess.Popen([run.wineserver, "-f", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                           stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        self._tool(["wineboot"], timeout=60)

    # --------------------------------------------------------------------------- running things
    def _tool(self, args, timeout=30, check=True):
        """Runs a Wine program to its end. Its output goes through files, not pipes: Wine's services that a
        tool may start inherit the descriptors and would keep a pipe open long after the tool ended.

        A set-up step (check=True: wineboot, regedit's import) that ends with an error and says nothing runs
        once more: twice in a day of full runs here, a Wine tool in a freshly booted prefix exited with 1 and
        no output at all (WINEDEBUG is off), and passed when run again. The retry is logged; a step that
        fails twice, or says why it failed, fails the test."""
        proc = self._tool_once(args, timeout)
        if check and failed_silently(proc.returncode, proc.stdout, proc.stderr):
            print("e2e: %s ended with %d and said nothing; running it once more"
                  % (" ".join(args), proc.returncode), file=sys.stderr, flush=True)
            proc = self._tool_once(args, timeout)
        if check and proc.returncode != 0:
            raise HarnessError("%s failed (%d): %s" % (" ".join(args), proc.returncode,
                                                       proc.stderr.decode(errors="replace").strip()))
        return proc

    def _tool_once(self, args, timeout):
        out_path = self.logs / "tool.stdout"
        err_path = self.logs / "tool.stderr"
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            try:
                proc = subprocess.run([WINE] + args, env=self.env, cwd=str(self.prefix / "drive_c"),
                                      stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout)
            except subprocess.TimeoutExpired:
                raise HarnessError("%s did not finish within %s s" % (" ".join(args), timeout))
        proc.stdout = out_path.read_bytes()
        proc.stderr = err_path.read_bytes()
        return proc

    def start(self, *args, trace=True, switches=None):
        """Starts the program (from its own folder) and returns at once. `switches` ({name: value}) sets the
        test build's switches (ORVEL_TEST_...) in its environment."""
        index = len(self.programs)
        out_path = self.logs / ("program-%d.stdout" % index)
        err_path = self.logs / ("program-%d.stderr" % index)
        env = dict(self.env)
        env.update({k: str(v) for k, v in (switches or {}).items()})
        if trace:
            env["ORVEL_TRACE"] = TRACE_WIN
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            proc = subprocess.Popen([WINE, PROGRAM_WIN] + list(args), env=env, cwd=str(self.program_dir),
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err, start_new_session=True)
        program = Program(self, args, proc, out_path, err_path, time.monotonic())
        self.programs.append(program)
        return program

    def run_probed(self, *args, timeout_ms=10000, trace=True):
        """Runs the program to its end under the probe: returns the probe's report (exit code, run time in
        ms, stdout, stderr, windows seen) and the list of windows."""
        env = dict(self.env)
        if trace:
            env["ORVEL_TRACE"] = TRACE_WIN
        command = [WINE, WININFO_WIN, "run", "--timeout", str(timeout_ms), "--", PROGRAM_WIN] + list(args)
        out_path = self.logs / "probe.stdout"
        with open(out_path, "wb") as out:
            try:
                subprocess.run(command, env=env, cwd=str(self.program_dir), stdin=subprocess.DEVNULL,
                               stdout=out, stderr=subprocess.STDOUT, timeout=timeout_ms / 1000 + 30)
            except subprocess.TimeoutExpired:
                raise HarnessError("the probe's run of %s hung" % " ".join(args))
        report = out_path.read_bytes()
        with open(self.logs / "probed-runs.log", "ab") as log:
            log.write(b"$ " + " ".join(args).encode() + b"\n" + report + b"\n")
        objects = parse_json_lines(report.decode("utf-8", errors="replace"))
        if not objects or "started" not in objects[0]:
            raise HarnessError("the probe gave no report: %r" % report[:400])
        if not objects[0]["started"]:
            raise HarnessError("the probe could not start the program (error %s)" % objects[0].get("error"))
        return objects[0], objects[1:]

    def start_probe(self, *args):
        """Starts the window probe in the background (for its helper windows); returns (process, stdout path).
        Its output goes to a file; probe_lines() reads what it has printed so far."""
        index = sum(1 for _ in self.logs.glob("probe-bg-*.stdout"))
        out_path = self.logs / ("probe-bg-%d.stdout" % index)
        with open(out_path, "wb") as out:
            proc = subprocess.Popen([WINE, WININFO_WIN] + list(args), env=self.env, cwd=str(self.prefix / "drive_c"),
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                    start_new_session=True)
        self.programs.append(Program(self, args, proc, out_path, out_path, time.monotonic()))
        return proc, out_path

    @staticmethod
    def probe_lines(out_path):
        return parse_json_lines(out_path.read_bytes().decode("utf-8", errors="replace")) if out_path.exists() else []

    def wininfo(self, *args, timeout=30):
        proc = self._tool([WININFO_WIN] + list(args), timeout=timeout, check=False)
        if proc.returncode not in (0, 1):
            raise HarnessError("the probe failed (%d) on %s: %r %r" % (proc.returncode, " ".join(args),
                                                                      proc.stdout[-300:], proc.stderr[-300:]))
        return proc.returncode, parse_json_lines(proc.stdout.decode("utf-8", errors="replace"))

    def windows(self, title=None, exe=EXE_NAME, until=None, timeout=0.0):
        """Top-level windows as the probe sees them (filtered by exact title and process image name). With
        until ("present", "visible", "hidden", "gone") it waits up to timeout seconds for that state and
        returns (held, windows)."""
        args = ["windows"]
        if title is not None:
            args += ["--title", title]
        if exe is not None:
            args += ["--exe", exe]
        if until is not None:
            args += ["--until", until, "--timeout", str(int(timeout * 1000))]
        code, objects = self.wininfo(*args, timeout=timeout + 30)
        return (code == 0, objects) if until is not None else objects

    def processes(self, exe=EXE_NAME):
        return self.wininfo("procs", exe)[1]

    def foreground(self):
        objects = self.wininfo("foreground")[1]
        return objects[0] if objects else None

    # --------------------------------------------------------------------------- X side
    def xdotool(self, *args, check=True, timeout=10):
        try:
            proc = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("xdotool %s hung" % " ".join(map(str, args)))
        if check and proc.returncode != 0:
            raise HarnessError("xdotool %s failed: %s" % (" ".join(map(str, args)),
                                                         proc.stderr.decode(errors="replace").strip()))
        return proc

    def visible_x_windows(self, title=TITLE):
        """X window ids of mapped windows with exactly this title."""
        proc = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % re.escape(title), check=False)
        return [int(w) for w in proc.stdout.split()]

    def wait_x_visible(self, title=TITLE, timeout=15.0):
        return wait_until(lambda: self.visible_x_windows(title), timeout)

    def wait_x_hidden(self, title=TITLE, timeout=10.0):
        return wait_until(lambda: not self.visible_x_windows(title), timeout)

    def click(self, x, y, button=1):
        # Never "mousemove --sync": it hangs when the pointer is already there.
        self.xdotool("mousemove", x, y)
        time.sleep(0.05)
        self.xdotool("click", button)

    def key(self, *keys, window=None):
        args = ["key"]
        if window is not None:
            args += ["--window", window]
        self.xdotool(*(args + list(keys)))

    def tray_menus(self):
        """The program's notification-area menus on screen."""
        return [w for w in self.windows() if w["class"] == "#32768" and w["visible"]]

    def open_tray_menu(self):
        """Right-clicks the tray icon until the menu shows (at most three times; the program opens it on a
        10 ms timer); returns the menus shown, empty when none came."""
        for _ in range(3):
            self.click(*TRAY_ICON, button=3)
            menus = wait_until(self.tray_menus, 3, interval=0.2)
            if menus:
                return menus
        return []

    def focus(self, x_window):
        self.xdotool("windowfocus", x_window)

    def screenshot(self, name="screen"):
        """Captures the whole screen: saves a PNG in the test's log folder and returns the raw RGB bytes."""
        png = self.logs / (name + ".png")
        subprocess.run(["import", "-window", "root", str(png)], env=self.env, check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # /usr/local/bin/convert may be a stand-in: ImageMagick's own is called by its full path.
        raw = subprocess.run(["/usr/bin/convert", str(png), "-depth", "8", "rgb:-"], check=True, timeout=30,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        if len(raw) != SCREEN[0] * SCREEN[1] * 3:
            raise HarnessError("screen dump of %d bytes" % len(raw))
        return raw

    # --------------------------------------------------------------------------- registry, files
    def reg_query(self, key=SETTINGS_KEY):
        """The values of a key as {name: (type, value)}, or None if the key does not exist."""
        proc = self._tool(["reg", "query", key], check=False)
        return parse_reg_query(proc.stdout.decode("utf-8", errors="replace"), key)

    def reg_key_exists(self, key=SETTINGS_KEY):
        """Whether a key exists, values or not: Wine's `reg query` prints nothing at all for a key without values,
        which reg_query cannot tell from a missing key, so the parent's listing of its subkeys is read."""
        parent, _, _ = key.rpartition("\\")
        proc = self._tool(["reg", "query", parent], check=False)
        lines = proc.stdout.decode("utf-8", errors="replace").splitlines()
        return any(line.strip().lower() == expand_hive(key).lower() for line in lines)

    def reg_import(self, entries):
        """Writes {key: {name: value}} through regedit in one go (ints as REG_DWORD)."""
        path = self.prefix / "drive_c" / "orvel-probe" / "import.reg"
        path.write_text(reg_file(entries), encoding="ascii")
        self._tool(["regedit", "/S", "C:\\orvel-probe\\import.reg"])

    def settings(self):
        return self.reg_query(SETTINGS_KEY)

    def write_lang_ini(self, text, encoding="utf-16"):
        """Puts a lang.ini beside the program; "utf-16" writes UTF-16LE with a byte-order mark."""
        data = text.replace("\r\n", "\n").replace("\n", "\r\n")
        if encoding == "utf-16":
            raw = b"\xff\xfe" + data.encode("utf-16-le")
        else:
            raw = data.encode(encoding)
        (self.program_dir / "lang.ini").write_bytes(raw)

    def trace(self):
        return parse_trace(self.trace_path.read_bytes()) if self.trace_path.exists() else []

    def wait_trace(self, prefix, timeout=15.0, count=1):
        """Waits until the trace holds count lines of the event prefix; returns all lines so far. A wait that
        runs out fails the test right there, naming what it waited for (a quiet return would only fail it later,
        with a message about something else)."""
        def enough():
            lines = self.trace()
            return lines if sum(1 for l in lines if l.is_event(prefix)) >= count else None
        lines = wait_until(enough, timeout, interval=0.1)
        if not lines:
            seen = sum(1 for l in self.trace() if l.is_event(prefix))
            raise AssertionError("waited %.0f s for %d trace line(s) %r; the trace holds %d" %
                                 (timeout, count, prefix, seen))
        return lines

    # --------------------------------------------------------------------------- evidence, cleanup
    def save_artifacts(self, folder):
        """Leaves what a failing test needs to be understood: a screenshot, every program start's output,
        the trace, the settings key and the probe's window list."""
        folder.mkdir(parents=True, exist_ok=True)
        notes = []
        if not self.closed:
            for action, target in (("screenshot", lambda: self.screenshot("at-end")),
                                   ("windows", lambda: (folder / "windows.jsonl").write_text(
                                       "\n".join(json.dumps(w, ensure_ascii=False)
                                                 for w in self.windows(exe=None)) + "\n", encoding="utf-8")),
                                   ("registry", lambda: (folder / "registry.txt").write_text(
                                       repr(self.settings()) + "\n", encoding="utf-8")),
                                   # What X itself maps and in which order: a window Wine thinks shown may not be.
                                   ("x-windows", lambda: (folder / "x-windows.txt").write_bytes(subprocess.run(
                                       ["xwininfo", "-root", "-tree"], env=self.env, timeout=30,
                                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT).stdout))):
                try:
                    target()
                except Exception as error:  # evidence is best effort; the failure itself is reported anyway
                    notes.append("%s: %s" % (action, error))
        for item in self.logs.iterdir():
            shutil.copy2(item, folder / item.name)
        if self.trace_path.exists():
            shutil.copy2(self.trace_path, folder / "trace.txt")
        if notes:
            (folder / "notes.txt").write_text("\n".join(notes) + "\n", encoding="utf-8")

    def close(self):
        """Ends everything this session started: the prefix's Wine processes, its server, leftover loaders."""
        if self.closed:
            return
        self.closed = True
        try:
            subprocess.run([self.run.wineserver, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30)
            subprocess.run([self.run.wineserver, "-w"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30)
        except subprocess.TimeoutExpired:
            pass
        for proc in [p.proc for p in self.programs] + [self.server]:
            if proc is None:
                continue
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                _kill_group(proc, signal.SIGKILL)
                proc.wait(timeout=5)
        if os.environ.get("ORVEL_E2E_KEEP") != "1":
            shutil.rmtree(self.prefix, ignore_errors=True)
        if self in self.run.sessions:
            self.run.sessions.remove(self)


def artifact_name(test_id):
    return re.sub(r"[^A-Za-z0-9_.-]", "_", test_id)


def dpi_version(dpi):
    """The template name of a Windows 10 prefix whose desktop is at `dpi` (96 is the plain "win10")."""
    return "win10" if dpi == 96 else "win10-%ddpi" % dpi


def template_dpi(version):
    """The DPI a template name asks for, or 0 for the plain templates."""
    match = re.fullmatch(r"win10-(\d+)dpi", version)
    return int(match.group(1)) if match else 0


class WineTestCase(unittest.TestCase):
    """Each test gets a clean prefix copy (`prefix_version`: "win10", "win7" or dpi_version(N)) in self.wine;
    on failure its evidence goes to build/e2e-artifacts/<arch>/<test>/ and the folder is named on stderr."""

    prefix_version = "win10"

    def setUp(self):
        self.wine = WineSession(TestRun.get(), self.id(), self.prefix_version)
        self.addCleanup(self.wine.close)
        self.addCleanup(self._keep_evidence)
        # One Xvfb serves the whole run: the pointer would start where the last test left it, over a marker
        # of the settings window (a tip at start) or a picker row. Every test starts with it in a far corner.
        self.wine.xdotool("mousemove", SCREEN[0] - 5, SCREEN[1] - 5)

    def _failed(self):
        # unittest adds a failure to the result as soon as it happens, before the cleanups run (while a
        # cleanup runs, the outcome's own success flag is reset, so it cannot be used).
        result = getattr(getattr(self, "_outcome", None), "result", None)
        if result is None or not hasattr(result, "failures"):
            return True  # cannot tell: keep the evidence
        return any(test is self for test, _ in list(result.failures) + list(result.errors))

    def _keep_evidence(self):
        if not self._failed() and os.environ.get("ORVEL_E2E_KEEP") != "1":
            return
        folder = artifacts_folder() / artifact_name(self.id())
        shutil.rmtree(folder, ignore_errors=True)
        self.wine.save_artifacts(folder)
        sys.stderr.write("e2e: evidence of %s in %s\n" % (self.id(), folder))

    # ------------------------------------------------------------------ shared steps of the shell tests
    def start_and_wait_visible(self, *args, timeout=20.0, switches=None):
        program = self.wine.start(*args, switches=switches)
        if not self.wine.wait_x_visible(timeout=timeout):
            status = program.wait(0)
            self.fail("no visible window %r within %.0f s (program %s)" %
                      (TITLE, timeout, "still runs" if status is None else "ended with %s" % status))
        return program

    def start_hidden(self, settings, switches=None):
        """Starts the program with "/hide" over `settings` (and the test switches `switches`) and waits until
        it has hidden and settled."""
        self.wine.reg_import({SETTINGS_KEY: settings})
        program = self.wine.start("/hide", switches=switches)
        held, _ = self.wine.windows(title=TITLE, until="hidden", timeout=15)
        self.assertTrue(held, "the /hide start never hid its window")
        # The hidden window takes the foreground 800 ms after hiding: a window the test opens before that
        # would lose it.
        lines = self.wine.wait_trace("hidden-foreground", timeout=15)
        self.assertTrue(any(l.is_event("hidden-foreground") for l in lines), "the hidden window never took the "
                                                                             "foreground")
        time.sleep(0.2)
        return program

    def channel(self, *args):
        """Hands the running test build something through its test channel (see orvel_wininfo channel)."""
        code, answer = self.wine.wininfo("channel", *[str(a) for a in args])
        self.assertEqual(code, 0, "the test channel did not answer: %r" % answer)

    def main_window(self):
        """The probe's facts about the one window titled like the program."""
        found = self.wine.windows(title=TITLE)
        self.assertEqual(len(found), 1, "windows titled %r: %r" % (TITLE, found))
        return found[0]
