"""End-to-end tests of the window switcher under Wine: an overview requested through the test channel (as the
mouse's button would request it) lists another program's windows in Z-order, covers the screen with the
dimmed desktop and a cell for each window, and hands the foreground to the window picked with the keys or a
click, or back to the one that had it. Under Wine no live thumbnail can be registered (E_NOTIMPL although
composition is on), and PrintWindow of another process's window paints nothing, so every cell shows the
placeholder gradient with the window's title; the program's trace names the windows laid out and their
cells."""

import re
import shutil
import subprocess
import threading
import time
import unittest

from harness import (SCREEN, TITLE, Program, WINE, WineTestCase, parse_json_lines, rgb_at, switcher_windows_path,
                     wait_until)

EXPOSE = 2  # "Expose application" in the Windows 10 catalogue
SWITCHER_TITLE = "zu_expwnd"
WS_EX_TOOLWINDOW, WS_EX_APPWINDOW = 0x80, 0x40000
# A second monitor, made up for the switcher (Wine here has one), to the right of the real one: its dim panel
# is placed there, off the X screen.
SECOND_MONITOR = (SCREEN[0], 0, SCREEN[0] + 1024, 768)
# Windows of Wine's own that every thread with windows gets.
SYSTEM_HELPER_CLASSES = ("IME", "MSCTFIME UI")
# The pointer rests in the screen's bottom-right corner, clear of every thumbnail, so that no mouse move
# changes the highlight by chance.
REST = (SCREEN[0] - 3, SCREEN[1] - 3)


def cells_from(lines, start_index):
    """The windows laid out by the overview whose "switcher-start" line is at start_index, in list order:
    [(hwnd, (left, top, right, bottom), facts)]."""
    cells = []
    for line in lines[start_index + 1:]:
        if line.is_event("switcher-start"):
            break
        m = re.match(r"switcher-window (\d+) hwnd=(\d+) rect=(-?\d+),(-?\d+),(-?\d+),(-?\d+) (.*)$", line.text)
        if m:
            facts = dict(re.findall(r"(\w+)=(\S+)", m.group(7).split(" title=")[0]))
            cells.append((int(m.group(2)), tuple(int(m.group(i)) for i in range(3, 7)), facts))
    return cells


def dim_of(a, b, tolerance=8):
    """True when screen pixel a is pixel b darkened: a = f x b for one f between 0 and 1 in every channel."""
    bb = sum(c * c for c in b)
    if bb == 0:
        return max(a) <= tolerance
    f = sum(x * y for x, y in zip(a, b)) / bb
    return f <= 1.05 and all(abs(x - f * y) <= tolerance for x, y in zip(a, b))


class SwitcherTestCase(WineTestCase):

    def start_windows(self, *args):
        """Starts the probe's application windows; returns its output path and its ready line."""
        exe = self.wine.run.snapshot(switcher_windows_path())
        shutil.copy2(exe, self.wine.prefix / "drive_c" / "orvel-probe" / exe.name)
        out_path = self.wine.logs / "switcher-windows.stdout"
        with open(out_path, "wb") as out:
            proc = subprocess.Popen([WINE, "C:\\orvel-probe\\" + exe.name] + list(args), env=self.wine.env,
                                    cwd=str(self.wine.prefix / "drive_c"), stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, start_new_session=True)
        self.wine.programs.append(Program(self.wine, args, proc, out_path, out_path, time.monotonic()))
        ready = wait_until(lambda: [l for l in self.lines(out_path) if l.get("ready")], 20)
        self.assertTrue(ready, "the probe's windows did not come up: %r" % out_path.read_bytes()[-400:])
        return out_path, ready[0]

    @staticmethod
    def lines(out_path):
        return parse_json_lines(out_path.read_bytes().decode("utf-8", errors="replace")) if out_path.exists() else []

    def foreground_seen(self, out_path, hwnd, timeout=5):
        """Waits until the probe reports `hwnd` as the foreground window."""
        def last():
            changes = [l["foreground"] for l in self.lines(out_path) if "foreground" in l]
            return changes and changes[-1] == hwnd
        return wait_until(last, timeout)

    def start_program(self, switches=None):
        program = self.wine.start("/hide", switches=switches)
        held, _ = self.wine.windows(title=TITLE, until="hidden", timeout=15)
        self.assertTrue(held, "the /hide start never hid its window")
        # The hidden window takes the foreground 800 ms after hiding: the probe's windows come after that.
        lines = self.wine.wait_trace("hidden-foreground", timeout=15)
        self.assertTrue(any(l.is_event("hidden-foreground") for l in lines), "no foreground grab after hiding")
        time.sleep(0.2)
        return program

    def request(self):
        code, answer = self.wine.wininfo("channel", "run", str(EXPOSE))
        self.assertEqual(code, 0, "the test channel did not answer: %r" % answer)

    def events(self, prefix):
        return [l for l in self.wine.trace() if l.is_event(prefix)]

    def overview(self, count):
        """Waits for the count-th overview to be ready; returns its cells."""
        lines = self.wine.wait_trace("switcher-ready", timeout=15, count=count)
        self.assertGreaterEqual(sum(1 for l in lines if l.is_event("switcher-ready")), count,
                                "overview %d did not get ready: %r" % (count, [l.text for l in lines][-12:]))
        starts = [i for i, l in enumerate(lines) if l.is_event("switcher-start")]
        return cells_from(lines, starts[count - 1])

    def wait_ended(self, count):
        lines = self.wine.wait_trace("switcher-end", timeout=10, count=count)
        self.assertGreaterEqual(sum(1 for l in lines if l.is_event("switcher-end")), count,
                                "overview %d did not end" % count)
        done = [l.text for l in lines if l.is_event("switcher-done")]
        return done[count - 1]

    def highlighted(self):
        shown = self.events("switcher-highlight")
        return int(shown[-1].text.split()[1]) if shown else None

    def key(self, *keys):
        for k in keys:
            self.wine.key(k)
            time.sleep(0.25)

    def with_second_monitor(self):
        """The switcher sees the real monitor and SECOND_MONITOR from now on."""
        self.channel("monitors", 0, 0, SCREEN[0], SCREEN[1], *SECOND_MONITOR)
        self.wine.wait_trace("switcher-monitors made-up=2", timeout=5)

    def gone_within(self, title, seconds):
        """True when no window of that title is visible within `seconds` (the probe's own start comes on top)."""
        held, _ = self.wine.windows(title=title, until="hidden", timeout=seconds)
        return held

    def trace_gap_ms(self, first, then):
        """Milliseconds from the last trace line `first` to the first line `then` after it, or None."""
        lines = self.wine.trace()
        starts = [i for i, l in enumerate(lines) if l.is_event(first)]
        if not starts:
            return None
        after = [l for l in lines[starts[-1]:] if l.is_event(then)]
        return after[0].ms - lines[starts[-1]].ms if after else None


class Overview(SwitcherTestCase):

    def test_an_overview_shows_the_windows_and_hands_the_foreground_over(self):
        program = self.start_program()
        out, probe = self.start_windows()
        self.assertTrue(self.foreground_seen(out, probe["plain1"]), "the probe's first window is not in front")
        self.wine.xdotool("mousemove", *REST)
        time.sleep(0.5)
        before = self.wine.screenshot("before")

        # ---- the first overview: what it lists and what it shows; Escape gives the foreground back
        self.request()
        cells = self.overview(1)
        self.wine.wait_trace("switcher-first-frame")
        time.sleep(0.8)  # the second window's grow animation comes to rest
        shot = self.wine.screenshot("overview")
        switcher = self.wine.windows(title=SWITCHER_TITLE)
        self.assertEqual(len(switcher), 1, "switcher windows: %r" % switcher)
        self.assertTrue(switcher[0]["visible"])
        self.assertEqual(switcher[0]["rect"], [0, 0, SCREEN[0], SCREEN[1]], "the switcher covers the monitor")

        listed = [hwnd for hwnd, _, _ in cells]
        # The probe's windows in their Z-order; a dialog stays above its owner, so the pair is listed once,
        # as the dialog.
        ours = [h for h in probe["zorder"] if h in listed]
        self.assertEqual(ours, [probe["dialog"], probe["plain2"], probe["minimised"]],
                         "the probe's windows listed, in Z-order (%r, Z-order %r)" % (listed, probe["zorder"]))
        self.assertNotIn(probe["tool"], listed, "a tool window is listed")
        self.assertNotIn(probe["plain1"], listed, "the owner of a listed dialog is listed too")
        for hwnd, rect, facts in cells:
            self.assertEqual(facts["live"], "0", "a live thumbnail under Wine?")
            self.assertEqual(facts["picture"], "0", "another process's window painted itself under Wine?")
        self.assertEqual(self.highlighted(), 1, "the second window is highlighted first")

        # Inside each cell the screen is not the dimmed desktop (the placeholder and the title box are there);
        # between the cells it is.
        rects = [rect for _, rect, _ in cells]
        for hwnd, (l, t, r, b), _ in cells:
            points = [(x, y) for y in range(t + 2, b - 2, 4) for x in range(l + 2, r - 2, 4)]
            changed = sum(1 for x, y in points if not dim_of(rgb_at(shot, SCREEN[0], x, y),
                                                             rgb_at(before, SCREEN[0], x, y)))
            self.assertGreater(changed, 0.9 * len(points), "cell of %d looks like the dimmed desktop" % hwnd)
        grown = [(l - 80, t - 80, r + 80, b + 80) for l, t, r, b in rects]  # the highlight grows, frames
        gaps = [(x, y) for y in range(2, SCREEN[1] - 2, 7) for x in range(2, SCREEN[0] - 2, 7)
                if not any(l <= x < r and t <= y < b for l, t, r, b in grown)]
        self.assertGreater(len(gaps), 1000)
        dimmed = [dim_of(rgb_at(shot, SCREEN[0], x, y), rgb_at(before, SCREEN[0], x, y)) for x, y in gaps]
        self.assertGreater(sum(dimmed), 0.98 * len(gaps), "between the cells the screen is not the dimmed desktop")
        darker = sum(sum(rgb_at(before, SCREEN[0], x, y)) - sum(rgb_at(shot, SCREEN[0], x, y)) for x, y in gaps)
        self.assertGreater(darker, 0, "the desktop behind the cells is not darker than before")

        self.key("Escape")
        self.assertEqual(self.wait_ended(1), "switcher-done selected=-1 target=%d" % probe["plain1"])
        self.assertTrue(self.foreground_seen(out, probe["plain1"]), "Escape did not give the foreground back")
        held, _ = self.wine.windows(title=SWITCHER_TITLE, until="hidden", timeout=5)
        self.assertTrue(held, "the switcher stayed")

        # ---- Left from the second goes to the first, and from the first wraps to the last
        self.request()
        cells = self.overview(2)
        self.key("Left", "Left")
        self.assertEqual(self.highlighted(), len(cells) - 1, "Left on the first did not wrap to the last")
        self.key("Escape")
        self.wait_ended(2)
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))

        # ---- a click on the minimised window's thumbnail activates and restores it
        self.request()
        cells = self.overview(3)
        l, t, r, b = [rect for hwnd, rect, _ in cells if hwnd == probe["minimised"]][0]
        self.wine.click((l + r) // 2, (t + b) // 2)
        index = [hwnd for hwnd, _, _ in cells].index(probe["minimised"])
        self.assertEqual(self.wait_ended(3), "switcher-done selected=%d target=%d" % (index, probe["minimised"]))
        self.assertTrue(self.foreground_seen(out, probe["minimised"]), "the clicked window is not in front")
        self.assertTrue(wait_until(lambda: [l["iconic"] for l in self.lines(out) if "iconic" in l][-1] == 0, 5),
                        "the minimised window was not restored")
        self.wine.xdotool("mousemove", *REST)

        # ---- Right then Enter picks the window after the highlighted one
        self.request()
        cells = self.overview(4)
        self.assertEqual(cells[0][0], probe["minimised"], "the restored window is now on top")
        self.key("Right", "Return")
        target = cells[2][0]
        self.assertEqual(self.wait_ended(4), "switcher-done selected=2 target=%d" % target)
        self.assertTrue(self.foreground_seen(out, target), "Enter did not activate the window after the highlight")
        self.assertTrue(program.running())


class Requests(SwitcherTestCase):

    def test_one_overview_for_two_requests_and_no_keys_before_it_is_ready(self):
        # The layout takes 1.5 s on purpose, so that keys can come before it is ready.
        program = self.start_program(switches={"ORVEL_TEST_SWITCHER_LAYOUT_MS": 1500})
        out, probe = self.start_windows()
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.wine.xdotool("mousemove", *REST)
        self.request()
        self.request()
        self.assertTrue(self.wine.wait_trace("switcher-shown", timeout=10))
        self.key("Right", "Right", "Return")
        self.assertFalse(self.events("switcher-ready"), "the layout was ready before the keys; the test proves "
                                                        "nothing (is the machine that slow?)")
        self.overview(1)
        time.sleep(0.5)
        self.assertEqual(self.highlighted(), 1, "keys before the layout was ready moved the highlight")
        self.assertFalse(self.events("switcher-key") or self.events("switcher-finish"),
                         "keys before the layout was ready were taken")
        self.assertEqual(len(self.events("function-run %d" % EXPOSE)), 2, "both requests reached the dispatcher")
        self.assertEqual(len(self.events("switcher-start")), 1, "two requests started two overviews")
        held, found = self.wine.windows(title=SWITCHER_TITLE, until="visible", timeout=1)
        self.assertTrue(held and len(found) == 1, "the overview is not up: %r" % found)

        self.key("Escape")
        self.assertEqual(self.wait_ended(1), "switcher-done selected=-1 target=%d" % probe["plain1"])
        # The request is taken again once the overview has ended.
        self.request()
        self.overview(2)
        self.key("Escape")
        self.wait_ended(2)
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.assertTrue(program.running())


class StuckWindow(SwitcherTestCase):

    # Windows 7: no composition, so the program also takes the first pictures at start-up.
    prefix_version = "win7"

    def test_a_window_that_stops_answering_gets_the_placeholder(self):
        program = self.start_program()
        self.assertTrue(self.wine.wait_trace("switcher-startup-captures"), "no pictures taken at start-up")
        out, probe = self.start_windows("--stuck")
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        time.sleep(0.5)  # the stuck window's thread sleeps from now on
        self.wine.xdotool("mousemove", *REST)
        requested = time.monotonic()
        self.request()
        cells = self.overview(1)
        # Only a wait for the stuck window could take this long.
        self.assertLess(time.monotonic() - requested, 8, "the overview waited for the window that does not answer")
        start = [l.text for l in self.events("switcher-start")][0]
        self.assertIn("composition=0", start)
        stuck = [facts for hwnd, _, facts in cells if hwnd == probe["stuck"]]
        self.assertEqual(len(stuck), 1, "the stuck window is not listed: %r" % cells)
        self.assertEqual((stuck[0]["hung"], stuck[0]["picture"], stuck[0]["icon"]), ("1", "0", "0"))
        self.wine.wait_trace("switcher-first-frame")
        self.key("Escape")
        self.assertEqual(self.wait_ended(1), "switcher-done selected=-1 target=%d" % probe["plain1"])
        held, _ = self.wine.windows(title=SWITCHER_TITLE, until="hidden", timeout=5)
        self.assertTrue(held)
        self.assertTrue(program.running())


class DisplayChange(SwitcherTestCase):
    """Wine here cannot change its displays: a real WM_DISPLAYCHANGE (the monitor as it is) and the test
    channel's display change with made-up monitors stand for an unplugged or resized monitor."""

    def test_an_overview_ends_when_its_monitor_goes_and_the_next_one_is_made_afresh(self):
        program = self.start_program()
        out, probe = self.start_windows()
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.wine.xdotool("mousemove", *REST)
        self.request()
        self.overview(1)

        # A change that leaves the monitor as it was (a colour depth) keeps the overview.
        code, answer = self.wine.wininfo("broadcast", "0x7E", "24", str((SCREEN[1] << 16) | SCREEN[0]))
        self.assertEqual(code, 0, "WM_DISPLAYCHANGE was not posted: %r" % answer)
        changes = self.wine.wait_trace("switcher-display-change", timeout=5)
        self.assertIn("switcher-display-change monitors=1 ends=0", [l.text for l in changes])
        held, found = self.wine.windows(title=SWITCHER_TITLE, until="visible", timeout=1)
        self.assertTrue(held, "an unchanged display ended the overview: %r" % found)
        self.assertFalse(self.events("switcher-finish"))

        # Its monitor gone (another one in its place): the overview ends as if cancelled.
        self.channel("display", 0, 0, 1024, 768)
        self.assertEqual(self.wait_ended(1), "switcher-done selected=-1 target=%d" % probe["plain1"])
        self.assertIn("switcher-display-change monitors=1 ends=1",
                      [l.text for l in self.events("switcher-display-change")])
        self.assertTrue(self.foreground_seen(out, probe["plain1"]), "the foreground was not given back")
        held, _ = self.wine.windows(title=SWITCHER_TITLE, until="hidden", timeout=5)
        self.assertTrue(held, "the switcher stayed")

        # Nothing is left over: the next request makes a new overview of the whole monitor, and keys work.
        self.request()
        cells = self.overview(2)
        self.assertIn("monitor=0,0,%d,%d" % SCREEN, self.events("switcher-start")[-1].text)
        switcher = self.wine.windows(title=SWITCHER_TITLE)
        self.assertEqual(switcher[0]["rect"], [0, 0, SCREEN[0], SCREEN[1]])
        self.key("Right", "Return")
        self.assertEqual(self.wait_ended(2), "switcher-done selected=2 target=%d" % cells[2][0])
        self.assertTrue(program.running())


class HungPaint(SwitcherTestCase):
    """A window that answers every message sent to it (WM_NULL too, so it does not look hung) but never comes
    back from WM_PRINT: under Wine the switcher always asks the windows for pictures (no live thumbnail can be
    had). Wine refuses WM_PRINT between processes, so the test build makes that window itself, on a thread of
    its own (ORVEL_TEST_SWITCHER_PRINT_HANG)."""

    HANG_TITLE = "Switcher print hang"

    def printed(self):
        return len(self.events("print-hang entered"))

    def overview_cells(self, count):
        lines = self.wine.trace()
        starts = [i for i, l in enumerate(lines) if l.is_event("switcher-start")]
        return cells_from(lines, starts[count - 1])

    def test_escape_ends_the_overview_at_once_and_the_window_is_asked_only_once(self):
        program = self.start_program(switches={"ORVEL_TEST_SWITCHER_PRINT_HANG": 1})
        self.with_second_monitor()
        out, probe = self.start_windows()
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        hang = self.wine.windows(title=self.HANG_TITLE)
        self.assertEqual(len(hang), 1, "the test build made no window that hangs in WM_PRINT: %r" % hang)
        hang = hang[0]["hwnd"]
        self.wine.xdotool("mousemove", *REST)

        # ---- the first overview asks the window for its picture, which never comes; Escape ends it anyway
        self.request()
        self.wine.wait_trace("switcher-shown")
        self.wine.wait_trace("print-hang entered", timeout=10)
        held, panels = self.wine.windows(title="panel 0", until="visible", timeout=5)
        self.assertTrue(held, "the second monitor's dim panel is not shown: %r" % panels)
        self.key("Escape")
        self.assertTrue(self.gone_within(SWITCHER_TITLE, 2), "the switcher stayed after Escape")
        self.assertTrue(self.gone_within("panel 0", 2), "the dim panel stayed after Escape")
        gap = self.trace_gap_ms("switcher-key vk=27", "switcher-hidden")
        self.assertIsNotNone(gap, "Escape was not taken, or the switcher not hidden")
        self.assertLess(gap, 2000, "the switcher went %d ms after Escape" % gap)
        self.assertEqual(self.wait_ended(1), "switcher-done selected=-1 target=%d" % probe["plain1"])
        self.assertTrue(self.foreground_seen(out, probe["plain1"]), "the foreground was not given back")
        facts = [f for hwnd, _, f in self.overview_cells(1) if hwnd == hang]
        self.assertEqual(len(facts), 1, "the window is not listed")
        self.assertEqual((facts[0]["picture"], facts[0]["hung"]), ("0", "1"))

        # ---- the next overview neither waits for it nor asks it again: it gets ready, and keys work as ever
        self.request()
        self.wine.wait_trace("switcher-ready", timeout=15)  # the first one never was
        cells = self.overview_cells(2)
        facts = [f for hwnd, _, f in cells if hwnd == hang]
        self.assertEqual((facts[0]["picture"], facts[0]["hung"], facts[0]["icon"]), ("0", "1", "0"))
        self.assertTrue([l for l in self.events("switcher-picture") if "outcome=still-asked" in l.text],
                        "the window was not skipped as still asked")
        self.key("Right", "Return")
        self.assertEqual(self.wait_ended(2), "switcher-done selected=2 target=%d" % cells[2][0])
        self.assertTrue(self.gone_within(SWITCHER_TITLE, 2))
        self.assertTrue(self.gone_within("panel 0", 2))
        self.assertEqual(self.printed(), 1, "the window was asked to paint again: one more thread left in it")
        self.assertTrue(program.running())

        # ---- the thread left in the window does not hold the program's end
        self.wine.run_probed("/close")
        status = program.wait(15)
        self.assertEqual(status, 0, "the program did not end on /close (status %r)" % status)
        self.assertTrue(self.events("exit threads-left=0"), "the program's own threads did not all end")


class EarlyWayOut(SwitcherTestCase):
    """Input before the layout is ready (it takes 2.5 s here on purpose)."""

    def test_a_release_before_the_layout_is_ready_picks_nothing_and_escape_ends_at_once(self):
        program = self.start_program(switches={"ORVEL_TEST_SWITCHER_LAYOUT_MS": 2500})
        out, probe = self.start_windows()
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.wine.xdotool("mousemove", *REST)
        self.request()
        cells = self.overview(1)  # where the thumbnails go
        self.key("Escape")
        self.wait_ended(1)
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))

        # ---- a click released over where a thumbnail is going to be, before the layout is ready
        self.request()
        self.wine.wait_trace("switcher-shown", count=2)
        l, t, r, b = cells[2][1]
        self.wine.click((l + r) // 2, (t + b) // 2)
        self.assertEqual(self.wait_ended(2), "switcher-done selected=-1 target=%d" % probe["plain1"])
        self.assertIn("pick=-1", self.events("switcher-finish")[-1].text)
        self.assertEqual(len(self.events("switcher-ready")), 1, "the second overview was laid out all the same")
        self.assertTrue(self.foreground_seen(out, probe["plain1"]), "the window in front before did not stay")
        self.assertTrue(self.gone_within(SWITCHER_TITLE, 2), "the switcher stayed")
        self.wine.xdotool("mousemove", *REST)

        # ---- Escape before the layout is ready: gone at once, long before the layout would have been
        self.request()
        self.wine.wait_trace("switcher-shown", count=3)
        self.key("Escape")
        self.assertTrue(self.gone_within(SWITCHER_TITLE, 1), "the switcher waited for its layout")
        self.assertEqual(len(self.events("switcher-ready")), 1, "the Escape came too late to prove anything")
        gap = self.trace_gap_ms("switcher-key vk=27", "switcher-hidden")
        self.assertIsNotNone(gap)
        self.assertLess(gap, 1000)
        self.assertEqual(self.wait_ended(3), "switcher-done selected=-1 target=%d" % probe["plain1"])
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.assertTrue(program.running())


class KeyboardSink(SwitcherTestCase):
    """The switcher's raw keyboard registration exists only while an overview is shown, and taking it away
    leaves the settings window's registrations (the mouse, the vendor collections) as they were."""

    def registrations(self):
        self.channel("raw-input")
        line = [l.text for l in self.events("raw-input-devices")][-1]
        entries = {}
        for item in line.split()[1:]:
            page, usage, flags, target = item.split(":")
            entries[(int(page, 16), int(usage, 16))] = (int(flags, 16), int(target))
        return entries

    def test_the_keyboard_is_registered_only_while_an_overview_is_shown(self):
        program = self.start_program()
        out, probe = self.start_windows()
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.wine.xdotool("mousemove", *REST)
        main = self.main_window()["hwnd"]
        sink = 0x100  # RIDEV_INPUTSINK
        settings = {(0x1, 0x2): (sink, main), (0xFF12, 1): (sink, main), (0xFF29, 1): (sink, main),
                    (0xFF31, 1): (sink, main), (0xFF18, 1): (sink, main)}
        at_rest = self.registrations()
        self.assertEqual(at_rest, settings, "registered with no overview shown")

        for count, keys, picked in ((1, ["Escape"], -1), (2, ["Right", "Return"], 2)):
            self.request()
            cells = self.overview(count)
            switcher = self.wine.windows(title=SWITCHER_TITLE)[0]["hwnd"]
            shown = self.registrations()
            self.assertEqual(shown.get((0x1, 0x6)), (sink, switcher), "the keys do not go to the switcher")
            del shown[(0x1, 0x6)]
            self.assertEqual(shown, settings)
            self.key(*keys)
            target = cells[picked][0] if picked >= 0 else probe["plain1"]
            self.assertEqual(self.wait_ended(count), "switcher-done selected=%d target=%d" % (picked, target))
            self.assertEqual(self.registrations(), settings, "after overview %d" % count)
        self.assertTrue(program.running())


class TaskbarButtons(SwitcherTestCase):

    def check_owned(self, when):
        """Every top-level window of the program but the settings window is owned or a tool window, and none
        asks for a taskbar button: only the settings window has one. The overlays are the settings window's."""
        windows = [w for w in self.wine.windows() if w["class"] not in SYSTEM_HELPER_CLASSES]
        settings = [w for w in windows if w["title"] == TITLE and w["class"] == "#32770"]
        self.assertEqual(len(settings), 1, "%s: %r" % (when, windows))
        others = [w for w in windows if w is not settings[0]]
        what = lambda w: "%s: %s %r (owner %d, exstyle 0x%x)" % (when, w["class"], w["title"], w["owner"],
                                                                 w["exstyle"])
        for w in others:
            self.assertTrue(w["owner"] != 0 or w["exstyle"] & WS_EX_TOOLWINDOW, what(w) + " has a taskbar button")
            self.assertFalse(w["exstyle"] & WS_EX_APPWINDOW, what(w) + " asks for a taskbar button")
        for w in others:
            if w["class"] == "#32770":
                self.assertEqual(w["owner"], settings[0]["hwnd"], what(w) + " is not the settings window's")
        return windows

    def test_only_the_settings_window_has_a_taskbar_button(self):
        program = self.start_program()
        self.with_second_monitor()
        out, probe = self.start_windows()
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.wine.xdotool("mousemove", *REST)
        self.check_owned("at rest")
        self.request()
        self.overview(1)
        self.assertIn("others=1", self.events("switcher-start")[-1].text)
        windows = self.check_owned("during an overview")
        panel = [w for w in windows if w["title"] == "panel 0"]
        self.assertEqual(len(panel), 1, "no dim panel: %r" % windows)
        self.assertTrue(panel[0]["visible"])
        self.assertEqual(panel[0]["rect"], list(SECOND_MONITOR), "the panel does not cover the second monitor")
        self.key("Escape")
        self.wait_ended(1)
        self.assertTrue(self.gone_within("panel 0", 2))
        self.check_owned("after the overview")
        self.assertTrue(program.running())


class OwnWindowPicture(SwitcherTestCase):
    """Without composition the program's own settings window is listed like any other and gets its picture,
    taken on the UI thread, which the overview waits for only so long."""

    prefix_version = "win7"

    def test_the_settings_window_gets_its_picture_and_a_busy_ui_thread_is_not_waited_for(self):
        # The layout waits 3 s on purpose, so that the UI thread can be made busy before the pictures.
        program = self.start_program(switches={"ORVEL_TEST_SWITCHER_LAYOUT_MS": 3000})
        out, probe = self.start_windows()
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.wine.wininfo("pulse", "qvmouseeventtouch")  # what a second start does: the window shows
        held, found = self.wine.windows(title=TITLE, until="visible", timeout=10)
        self.assertTrue(held, "the settings window did not show: %r" % found)
        main = self.main_window()
        self.wine.xdotool("mousemove", *REST)

        # ---- the UI thread busy while the pictures are taken: its window's picture is not waited for
        self.request()
        self.wine.wait_trace("switcher-shown")
        time.sleep(0.5)  # the foreground is with the switcher
        busy = threading.Thread(target=self.wine.wininfo, args=("channel", "busy", "5000"))
        busy.start()
        try:
            self.wine.wait_trace("switcher-captures", timeout=15)
            own = [l for l in self.events("switcher-picture") if "own=1" in l.text]
            self.assertEqual(len(own), 1, "the settings window was not asked for its picture: %r" % own)
            self.assertIn("outcome=timed-out", own[0].text)
            busy_from = [l.ms for l in self.wine.trace() if l.text == "test-channel kind=%d" % 8][-1]
            captured = self.events("switcher-captures")[-1].ms
            self.assertLess(captured - busy_from, 4000, "the pictures waited for the busy UI thread")
        finally:
            busy.join(30)
        cells = self.overview(1)
        ours = [facts for hwnd, _, facts in cells if hwnd == main["hwnd"]]
        self.assertEqual(len(ours), 1, "the settings window is not listed: %r" % cells)
        self.assertEqual(ours[0]["picture"], "0")
        self.key("Escape")
        self.wait_ended(1)

        # ---- with the UI thread free, the settings window gets its picture
        self.request()
        cells = self.overview(2)
        self.wine.wait_trace("switcher-first-frame", count=2)
        time.sleep(0.8)
        shot = self.wine.screenshot("own-picture")
        ours = [(rect, facts) for hwnd, rect, facts in cells if hwnd == main["hwnd"]]
        self.assertEqual(ours[0][1]["picture"], "1", "the settings window got the placeholder")
        own = [l for l in self.events("switcher-picture") if "own=1" in l.text]
        self.assertIn("outcome=painted", own[-1].text)
        # Its cell shows the window's picture, not the placeholder's blue gradient.
        l, t, r, b = ours[0][0]
        points = [(x, y) for y in range(t + 4, (t + b) // 2, 5) for x in range(l + 4, r - 4, 5)]
        bluish = sum(1 for x, y in points if self.placeholder_like(rgb_at(shot, SCREEN[0], x, y)))
        self.assertLess(bluish, 0.5 * len(points), "the settings window's cell looks like the placeholder")
        self.key("Escape")
        self.wait_ended(2)
        self.assertTrue(program.running())

    @staticmethod
    def placeholder_like(rgb):
        r, g, b = rgb
        return b > r + 24 and b > g + 8


class DenseGrid(SwitcherTestCase):
    """About 150 windows on the 800-pixel-high monitor: a thumbnail cannot grow at all (its first step
    already meets the margin), so the frame is all that shows the highlight."""

    @staticmethod
    def ring(raw, rect):
        """Brightness of the frame's place above and left of a thumbnail (the tooltip may cover the rest)."""
        l, t, r, b = rect
        points = [(x, t - 3) for x in range(l + 2, r - 2, 2)] + [(l - 3, y) for y in range(t + 2, b - 2, 2)]
        return sum(sum(rgb_at(raw, SCREEN[0], x, y)) for x, y in points) / len(points)

    def test_the_highlight_is_framed_and_follows_the_keys(self):
        program = self.start_program()
        out, probe = self.start_windows("--many", "150")
        self.assertEqual(probe["many"], 150)
        self.assertTrue(self.foreground_seen(out, probe["plain1"]))
        self.wine.xdotool("mousemove", *REST)
        self.request()
        cells = self.overview(1)
        self.assertGreaterEqual(len(cells), 150)
        self.wine.wait_trace("switcher-first-frame")
        time.sleep(0.8)
        first = self.wine.screenshot("dense-first")
        self.assertEqual(self.highlighted(), 1)
        self.key("Right")
        self.assertEqual(self.highlighted(), 2)
        time.sleep(0.8)
        second = self.wine.screenshot("dense-second")
        one, two = cells[1][1], cells[2][1]
        self.assertEqual(one[3] - one[1], 48, "not the dense grid this test is about: %r" % (one,))
        # The frame is a 0x60 white over the dimmed desktop: much brighter where it is than where it is not.
        self.assertGreater(self.ring(first, one) - self.ring(second, one), 60, "no frame on the highlighted one")
        self.assertGreater(self.ring(second, two) - self.ring(first, two), 60, "the frame did not follow Right")
        self.key("Escape")
        self.assertEqual(self.wait_ended(1), "switcher-done selected=-1 target=%d" % probe["plain1"])
        self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
