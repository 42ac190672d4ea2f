"""End-to-end tests of the presenter board under Wine: the highlighter opened by a button, its strokes, colours,
clearing and saved pictures; both screen snaps with the clipboard read back by another process; the spotlight
over a live desktop with the wheel that resizes it; closing by any board function and by Exit.

Wine shows no translucency here (there is no compositor in Xvfb): the spotlight's darkening appears black, so
"dark" below means every channel at most DARK; the snaps' darkening is drawn into the board's own picture and
shows as it is.

Wine 8 ignores ClipCursor from a 32-bit program (its new WoW64 mode does not): the board's confinement is
checked in its trace (the rectangle it asked for, and that it let go) on every architecture, and with the
system's own clip rectangle wherever the probe finds that this Wine holds the cursor for the program's
architecture."""

import re
import shutil
import struct
import subprocess
import time
import unittest

from harness import (SCREEN, TRAY_ICON, WINE, Program, WineTestCase, board_probe_path, report7,
                     make_desktops_private, parse_json_lines, program_arch, rgb_at, unix_path, wait_until)

# Catalogue positions on Windows 10.
HIGHLIGHTER, SNAP_RECTANGLE, SNAP_FREEFORM, SPOTLIGHT = 24, 25, 26, 27
BOARD_RECT = [0, 0, SCREEN[0] - 1, SCREEN[1]]  # one pixel narrower than the monitor
FULL_SCREEN = [0, 0, SCREEN[0], SCREEN[1]]
RED, GREEN = 0x90FF0000, 0x9000FF00
DARKEN = 0xC8000000
DARK = 60
PROBE_WIN = "C:\\orvel-probe\\orvel_board_probe.exe"
NO_MEMORY_TIP = "board-tip Not enough memory for the board"


def over(argb, rgb):
    """A premultiplied ARGB colour over an opaque pixel, rounded as the board rounds."""
    a = argb >> 24
    source = [((argb >> shift) & 0xFF) * a + 127 for shift in (16, 8, 0)]
    return tuple(s // 255 + (d * (255 - a) + 127) // 255 for s, d in zip(source, rgb))


def pattern(x, y):
    """The probe's pattern window at client pixel (x, y)."""
    return ((x * 5) & 0xFF, (y * 3) & 0xFF, ((x + y) * 7) & 0xFF)


def read_png(path):
    """(width, height, RGBA bytes) of a PNG, through ImageMagick (called by its full path: /usr/local/bin may
    hold a stand-in)."""
    size = subprocess.run(["/usr/bin/identify", "-format", "%w %h", str(path)], check=True, timeout=30,
                          stdout=subprocess.PIPE).stdout.split()
    data = subprocess.run(["/usr/bin/convert", str(path), "-depth", "8", "rgba:-"], check=True, timeout=30,
                          stdout=subprocess.PIPE).stdout
    return int(size[0]), int(size[1]), data


# Whether ClipCursor holds the cursor for the program's architecture under this Wine: asked once per run.
_clip_honoured = {}


class BoardTestCase(WineTestCase):

    def setUp(self):
        super().setUp()
        probe = self.wine.run.snapshot(board_probe_path())
        shutil.copy2(probe, self.wine.prefix / "drive_c" / "orvel-probe" / probe.name)
        self.desktops = make_desktops_private(self.wine.prefix)
        # Asked before the program starts: the probe's window takes the foreground, and Wine lets go of a
        # clip when the foreground passes to another program.
        self.clip_honoured()

    # ------------------------------------------------------------------ the program and its helpers
    def probe(self, *args):
        proc = self.wine._tool([PROBE_WIN] + [str(a) for a in args], check=False)
        return proc.returncode, parse_json_lines(proc.stdout.decode("utf-8", errors="replace"))

    def clip(self):
        code, answer = self.probe("clip")
        self.assertEqual(code, 0, answer)
        return answer[0]["clip"]

    def clip_honoured(self):
        arch = program_arch()
        if arch not in _clip_honoured:
            code, answer = self.probe("clip-honoured")
            self.assertEqual(code, 0, answer)
            _clip_honoured[arch] = answer[0]["honoured"]
        return _clip_honoured[arch]

    def assert_confined(self, rect, what="the cursor is not confined to the board"):
        clips = self.trace_events("board-clip")
        self.assertEqual(clips[-1:], ["board-clip confined=%s" % ",".join(map(str, rect))], what)
        if self.clip_honoured():
            self.assertEqual(self.clip(), rect, what)

    def assert_released(self, what="the cursor is still confined"):
        clips = self.trace_events("board-clip")
        self.assertIn(clips[-1:], ([], ["board-clip released"]), what)
        if self.clip_honoured():
            self.assertEqual(self.clip(), FULL_SCREEN, what)

    def window_of(self, program, *args):
        """Starts a helper window program (a Windows path and its arguments) and waits for its "ready"."""
        index = len(self.wine.programs)
        out = self.wine.logs / ("helper-%d.stdout" % index)
        with open(out, "wb") as sink:
            proc = subprocess.Popen([WINE, program] + [str(a) for a in args], env=self.wine.env,
                                    cwd=str(self.wine.prefix / "drive_c"), stdin=subprocess.DEVNULL, stdout=sink,
                                    stderr=subprocess.STDOUT, start_new_session=True)
        self.wine.programs.append(Program(self.wine, args, proc, out, out, time.monotonic()))
        ready = wait_until(lambda: [l for l in self.wine.probe_lines(out) if "ready" in l], 10)
        self.assertTrue(ready, "the helper window %s did not come up" % " ".join(map(str, args)))
        time.sleep(0.5)  # painted
        return out

    def board_windows(self):
        return [w for w in self.wine.windows() if w["visible"] and w["title"] == "" and w["rect"] == BOARD_RECT]

    def trace_events(self, prefix):
        return [l.text for l in self.wine.trace() if l.is_event(prefix)]

    def wait_events(self, prefix, count, timeout=10):
        lines = self.wine.wait_trace(prefix, timeout=timeout, count=count)
        found = [l.text for l in lines if l.is_event(prefix)]
        self.assertGreaterEqual(len(found), count, "fewer than %d %r in the trace: %r" % (count, prefix, found))
        return found

    def open_board(self, function, mode):
        opened = len(self.trace_events("board-open"))
        self.channel("run", function)
        events = self.wait_events("board-open", opened + 1)
        self.assertEqual(events[-1], "board-open mode=%d window=%s" % (mode, ",".join(map(str, BOARD_RECT))))
        self.assertTrue(wait_until(self.board_windows, 5, interval=0.1), "the board is not shown")
        time.sleep(1.3)  # the mode tip fades away

    def close_board_with(self, function, mode):
        closed = len(self.trace_events("board-close"))
        self.channel("run", function)
        self.assertEqual(self.wait_events("board-close", closed + 1)[-1], "board-close mode=%d" % mode)
        self.assertTrue(wait_until(lambda: not self.board_windows(), 5, interval=0.1), "the board stayed")
        self.assert_released("the cursor is still confined after closing")

    # ------------------------------------------------------------------ the mouse
    def steps(self, *commands, pause=0.15):
        for command in commands:
            self.wine.xdotool(*command)
            time.sleep(pause)

    def drag(self, *points):
        first, rest = points[0], points[1:]
        self.steps(["mousemove", first[0], first[1]], ["mousedown", 1],
                   *[["mousemove", x, y] for x, y in rest], ["mouseup", 1])

    # ------------------------------------------------------------------ pictures
    def settled_screenshot(self, name, x, y, expected, timeout=3.0):
        """A screenshot once pixel (x, y) shows `expected` (within 1), or the last one taken: on a busy machine
        the board's repaint reaches the screen some time after the event the trace records."""
        deadline = time.monotonic() + timeout
        while True:
            shot = self.wine.screenshot(name)
            got = rgb_at(shot, SCREEN[0], x, y)
            if all(abs(a - b) <= 1 for a, b in zip(got, expected)) or time.monotonic() > deadline:
                return shot
            time.sleep(0.2)

    def assert_pixel(self, raw, x, y, expected, what, tolerance=1):
        got = rgb_at(raw, SCREEN[0], x, y)
        self.assertTrue(all(abs(a - b) <= tolerance for a, b in zip(got, expected)),
                        "%s at %d,%d: %r, expected %r" % (what, x, y, got, tuple(expected)))

    def assert_dark(self, raw, x, y, what):
        got = rgb_at(raw, SCREEN[0], x, y)
        self.assertTrue(max(got) <= DARK, "%s at %d,%d is not dark: %r" % (what, x, y, got))

    def snap_events(self, target, count, timeout=10):
        return self.wait_events("board-snap " + target, count, timeout)

    def saved_file(self, event):
        m = re.match(r"board-snap file ok=1 size=(\d+)x(\d+) path=(.*)$", event)
        self.assertTrue(m, event)
        path = unix_path(self.wine.prefix, m.group(3))
        self.assertTrue(any(d in path.parents for d in self.desktops), "saved outside the desktop: %s" % path)
        self.assertTrue(path.is_file(), "no file at %s" % path)
        return int(m.group(1)), int(m.group(2)), m.group(3), path

    def clipboard_dib(self, name):
        code, answer = self.probe("clipboard-dib", "C:\\orvel-probe\\" + name)
        self.assertEqual(code, 0, "no CF_DIB on the clipboard: %r" % answer)
        return (self.wine.prefix / "drive_c" / "orvel-probe" / name).read_bytes()

    def assert_dib(self, block, left, top, width, height, frozen, what):
        """A CF_DIB block of the snap layout whose pixels are the frozen screen's at (left, top)."""
        self.assertEqual(len(block), 52 + 4 * width * height, "%s: block size" % what)
        header = struct.unpack("<IiiHHIIiiII", block[:40])
        self.assertEqual(header, (40, width, height, 1, 32, 0, 0, 0, 0, 0, 0), "%s: header" % what)
        self.assertEqual(block[-12:], bytes(12), "%s: the last 12 bytes" % what)
        for row in range(height):  # bottom-up
            y = top + height - 1 - row
            for x in range(left, left + width, max(1, width // 23)):
                at = 40 + 4 * (row * width + x - left)
                b, g, r, a = block[at:at + 4]
                expected = rgb_at(frozen, SCREEN[0], x, y)
                if (r, g, b, a) != expected + (255,):
                    self.fail("%s: pixel %d,%d is %r, the frozen screen %r" % (what, x, y, (r, g, b, a), expected))


class Highlighter(BoardTestCase):

    def test_highlighter_on_bt3(self):
        self.start_hidden({"bt3": HIGHLIGHTER})
        self.window_of("C:\\orvel-probe\\orvel_wininfo.exe", "keys-window", 100, 150, 500, 400, 90000)
        self.wine.xdotool("mousemove", 300, 200)  # over a window of Wine, so that the cursor is known
        time.sleep(0.3)
        frozen = self.wine.screenshot("before")
        self.channel("report", *["%02x" % b for b in report7(0x10)])
        self.channel("report", *["%02x" % b for b in report7(0x00)])
        self.assertEqual(self.wait_events("board-open", 1)[0], "board-open mode=1 window=0,0,1279,800")
        self.assertTrue(wait_until(self.board_windows, 5, interval=0.1), "no board of 1279 x 800 shown")
        self.assert_confined(BOARD_RECT, "the cursor is not confined to the board")
        self.assertIn("board-cursor hidden count=-1", self.trace_events("board-cursor"))
        time.sleep(1.3)

        # A red stroke from the white helper into the black desktop; a wheel notch towards the user
        # (button 5) selects green for a second one.
        self.drag((200, 250), (450, 250), (700, 250))
        self.steps(["click", 5])
        self.assertEqual(self.wait_events("board-colour", 1), ["board-colour 1"])
        self.drag((200, 330), (400, 330))
        self.steps(["mousemove", 900, 700])
        time.sleep(0.5)
        shot = self.wine.screenshot("strokes")
        for x in (220, 330, 560, 690):
            self.assert_pixel(shot, x, 250, over(RED, rgb_at(frozen, SCREEN[0], x, 250)), "red stroke")
        for x in (220, 390):
            self.assert_pixel(shot, x, 330, over(GREEN, rgb_at(frozen, SCREEN[0], x, 330)), "green stroke")
        for x, y in ((300, 290), (500, 330), (800, 250), (150, 500)):
            self.assert_pixel(shot, x, y, rgb_at(frozen, SCREEN[0], x, y), "the frozen picture", tolerance=0)

        # Two right clicks: two pictures of the whole board with its strokes, never one over the other.
        self.steps(["click", "--repeat", 2, "--delay", 100, 3])
        saved = self.snap_events("file", 2, timeout=20)
        files = [self.saved_file(event) for event in saved]
        self.assertNotEqual(files[0][2], files[1][2], "the second snap overwrote the first")
        if files[0][2][:-4] == files[1][2][:-8]:
            self.assertTrue(files[1][2].endswith(" (2).png"), files[1][2])
        for width, height, name, path in files:
            self.assertEqual((width, height), (1279, 800))
            self.assertRegex(name, r"\\Screen Snap\\screen_\d{4}-\d\d-\d\d_\d\dh\d\dm\d\ds [AP]M( \(2\))?\.png$")
            w, h, rgba = read_png(path)
            self.assertEqual((w, h), (1279, 800), path)

            def png(x, y):
                at = 4 * (y * w + x)
                return tuple(rgba[at:at + 4])
            for x in (330, 560):
                self.assertEqual(png(x, 250), over(RED, rgb_at(frozen, SCREEN[0], x, 250)) + (255,), "PNG stroke")
            self.assertEqual(png(300, 330), over(GREEN, rgb_at(frozen, SCREEN[0], 300, 330)) + (255,))
            for x, y in ((300, 290), (900, 700)):  # the pen cursor is not part of the picture
                self.assertEqual(png(x, y), rgb_at(frozen, SCREEN[0], x, y) + (255,), "PNG at %d,%d" % (x, y))

        # (The trace reader drops the line's trailing space, the one "Highlighter mode " ends with.)
        self.assertEqual(self.trace_events("board-tip"), ["board-tip Highlighter mode"] +
                         ["board-tip Save to " + name for _, _, name, _ in files])

        # Where the folder cannot be made the save fails, and the board says so.
        folder = files[0][3].parent
        folder.rename(folder.with_name("Screen Snap (kept)"))
        folder.write_bytes(b"a file where the folder would go")
        self.steps(["click", 3])
        failed = self.snap_events("file", 3, timeout=20)[2]
        self.assertTrue(failed.startswith("board-snap file ok=0 size=1279x800 path="), failed)
        self.assertEqual(self.trace_events("board-tip")[-1],
                         "board-tip Could not save " + failed.split(" path=", 1)[1])

        # The middle button clears the strokes; the frozen picture stays.
        time.sleep(1.2)  # the tips have faded
        self.steps(["click", 2])
        time.sleep(0.8)
        shot = self.wine.screenshot("cleared")
        for x, y in ((330, 250), (560, 250), (300, 330)):
            self.assert_pixel(shot, x, y, rgb_at(frozen, SCREEN[0], x, y), "after clearing", tolerance=0)

        # bt3 again closes the board; the cursor is free and shown as before.
        self.channel("report", *["%02x" % b for b in report7(0x10)])
        self.channel("report", *["%02x" % b for b in report7(0x00)])
        self.assertEqual(self.wait_events("board-close", 1), ["board-close mode=1"])
        self.assertTrue(wait_until(lambda: not self.board_windows(), 5, interval=0.1), "the board stayed")
        self.assert_released()
        self.assertEqual(self.trace_events("board-cursor"), ["board-cursor hidden count=-1",
                                                             "board-cursor shown count=0"])


class ScreenSnaps(BoardTestCase):

    def test_rectangle_then_free_form(self):
        self.start_hidden({})
        pattern = self.window_of(PROBE_WIN, "pattern-window", 0, 60, 700, 560, 120000)
        self.wine.xdotool("mousemove", 300, 200)
        time.sleep(0.3)
        self.assertEqual(self.probe("clipboard-clear")[0], 0)
        frozen = self.wine.screenshot("before")
        self.open_board(SNAP_RECTANGLE, 3)

        # Dragged from (300, 200) up and left to (100, 100): 201 x 101 on the clipboard, the rest darkened.
        self.drag((300, 200), (200, 150), (100, 100))
        self.assertEqual(self.snap_events("clipboard", 1)[0], "board-snap clipboard ok=1 size=201x101")
        self.assert_dib(self.clipboard_dib("rect.bin"), 100, 100, 201, 101, frozen, "the rectangle")
        self.assertEqual(self.trace_events("board-tip"), ["board-tip Screen snap mode", "board-tip Save to Clipboard"])
        self.assertEqual([d for d in self.desktops if (d / "Screen Snap").exists()], [],
                         "a snap to the clipboard made the desktop's snap folder")
        shot = self.settled_screenshot("rectangle", 99, 150, over(DARKEN, rgb_at(frozen, SCREEN[0], 99, 150)))
        for x, y in ((100, 100), (300, 200), (200, 150)):
            self.assert_pixel(shot, x, y, rgb_at(frozen, SCREEN[0], x, y), "inside the selection", tolerance=0)
        for x, y in ((99, 150), (301, 150), (200, 201), (400, 300), (650, 550)):
            self.assert_pixel(shot, x, y, over(DARKEN, rgb_at(frozen, SCREEN[0], x, y)), "outside the selection")

        # A click without a move copies one pixel.
        self.steps(["mousemove", 500, 300], ["click", 1])
        self.assertEqual(self.snap_events("clipboard", 2)[1], "board-snap clipboard ok=1 size=1x1")
        self.assert_dib(self.clipboard_dib("one.bin"), 500, 300, 1, 1, frozen, "the click")

        # A selection that starts on the monitor's left edge is darkened around like any other.
        self.drag((0, 300), (100, 350), (200, 400))
        self.assertEqual(self.snap_events("clipboard", 3)[2], "board-snap clipboard ok=1 size=201x101")
        self.assert_dib(self.clipboard_dib("edge.bin"), 0, 300, 201, 101, frozen, "the edge selection")
        shot = self.settled_screenshot("edge", 300, 350, over(DARKEN, rgb_at(frozen, SCREEN[0], 300, 350)))
        self.assert_pixel(shot, 0, 350, rgb_at(frozen, SCREEN[0], 0, 350), "inside, on the edge", tolerance=0)
        self.assert_pixel(shot, 100, 350, rgb_at(frozen, SCREEN[0], 100, 350), "inside", tolerance=0)
        for x, y in ((300, 350), (100, 250), (0, 450)):
            self.assert_pixel(shot, x, y, over(DARKEN, rgb_at(frozen, SCREEN[0], x, y)), "around the edge selection")

        # A drag made while the UI thread is busy is taken where the button went down and up, not where the
        # cursor is by the time the records are handled.
        busy, _ = self.wine.start_probe("channel", "busy", "1500")
        time.sleep(0.3)
        self.steps(["mousemove", 400, 200], ["mousedown", 1], ["mousemove", 500, 260], ["mouseup", 1],
                   ["mousemove", 700, 500], pause=0.1)
        busy.wait(10)
        self.assertEqual(self.snap_events("clipboard", 4)[3], "board-snap clipboard ok=1 size=101x61")
        # Four snaps, and the window below the board was never handed the foreground (it was once, at its own
        # start, before its "ready").
        lines = self.wine.probe_lines(pattern)
        ready = next(i for i, line in enumerate(lines) if "ready" in line)
        self.assertEqual([line for line in lines[ready:] if "activated" in line], [],
                         "the window below the board was activated while the board was open")

        # Screen snap #2 while #1 is open closes the board; pressed again it opens the free form.
        self.close_board_with(SNAP_FREEFORM, 3)
        self.open_board(SNAP_FREEFORM, 2)
        self.drag((400, 200), (500, 300), (400, 400), (300, 300), (398, 202))
        self.assertEqual(self.snap_events("clipboard", 5)[4], "board-snap clipboard ok=1 size=201x201")
        shot = self.settled_screenshot("free-form", 310, 210, over(DARKEN, rgb_at(frozen, SCREEN[0], 310, 210)))
        self.assert_pixel(shot, 400, 300, rgb_at(frozen, SCREEN[0], 400, 300), "inside the outline", tolerance=0)
        for x, y in ((310, 210), (490, 390), (200, 300)):
            self.assert_pixel(shot, x, y, over(DARKEN, rgb_at(frozen, SCREEN[0], x, y)), "outside the outline")

        # The right button saves it: transparent outside the outline, the frozen picture inside.
        self.steps(["click", 3])
        width, height, name, path = self.saved_file(self.snap_events("file", 1, timeout=20)[0])
        self.assertEqual((width, height), (201, 201))
        w, h, rgba = read_png(path)
        self.assertEqual((w, h), (201, 201))
        for x, y in ((0, 0), (200, 0), (0, 200), (200, 200), (20, 20)):
            self.assertEqual(rgba[4 * (y * w + x) + 3], 0, "the corner %d,%d is not transparent" % (x, y))
        for x, y in ((100, 100), (100, 10), (30, 100)):
            at = 4 * (y * w + x)
            self.assertEqual(tuple(rgba[at:at + 4]), rgb_at(frozen, SCREEN[0], 300 + x, 200 + y) + (255,),
                             "inside the outline at %d,%d" % (x, y))


class Spotlight(BoardTestCase):

    def hole_width(self, raw, y, left, right):
        """How many pixels of row y between left and right are not dark: the clear square's width there."""
        return sum(1 for x in range(left, right) if max(rgb_at(raw, SCREEN[0], x, y)) > DARK)

    def open_menu(self):
        for _ in range(3):
            self.steps(["mousemove", *TRAY_ICON], pause=0.4)
            self.steps(["click", 3])
            found = wait_until(self.wine.tray_menus, 3, interval=0.2)
            if found:
                return found[0]
        self.fail("the notification menu did not open through the spotlight")

    def test_spotlight_wheel_close_and_exit(self):
        program = self.start_hidden({})
        wheels = self.window_of("C:\\orvel-probe\\orvel_wininfo.exe", "wheel-window", 340, 100, 600, 600, 120000)
        self.wine.xdotool("mousemove", 640, 400)
        time.sleep(0.3)
        self.open_board(SPOTLIGHT, 4)
        self.assertEqual(self.trace_events("board-spotlight"), ["board-spotlight side=400"])
        self.assert_confined(BOARD_RECT, "the cursor is not confined to the board")
        self.assertEqual(self.trace_events("board-tip"), [], "the spotlight shows no tip")

        # Dark all around a rounded square of 400 centred on the pointer; the desktop shows inside.
        shot = self.wine.screenshot("spotlight")
        self.assertEqual(self.hole_width(shot, 400, 340, 940), 400)
        self.assert_pixel(shot, 640, 400, (255, 255, 255), "the helper inside the square", tolerance=0)
        self.assert_pixel(shot, 640, 201, (255, 255, 255), "the square's top edge", tolerance=0)
        self.assert_dark(shot, 640, 199, "above the square")
        self.assert_dark(shot, 360, 400, "the helper left of the square")
        self.assert_dark(shot, 444, 204, "the square's rounded corner")
        # Live: a window that appears now shows through the square at once.
        self.window_of(PROBE_WIN, "pattern-window", 700, 420, 100, 100, 60000)
        shot = self.wine.screenshot("live")
        self.assert_pixel(shot, 720, 440, pattern(20, 20), "a new window inside the square", tolerance=0)

        # Wheel notches resize the square by 10 pixels each and never reach the window below.
        self.wine.xdotool("mousemove", 640, 400)
        self.steps(["click", "--repeat", 3, "--delay", 150, 4], pause=0.5)
        self.assertEqual(self.wait_events("board-spotlight", 4)[-1], "board-spotlight side=430")
        time.sleep(0.5)
        self.assertEqual(self.hole_width(self.wine.screenshot("wider"), 400, 340, 940), 430)
        self.steps(["click", "--repeat", 2, "--delay", 150, 5], pause=0.5)
        self.assertEqual(self.wait_events("board-spotlight", 6)[-1], "board-spotlight side=410")
        time.sleep(0.5)
        self.assertEqual(self.hole_width(self.wine.screenshot("narrower"), 400, 340, 940), 410)
        self.assertEqual([l for l in self.wine.probe_lines(wheels) if "wheel" in l], [],
                         "the wheel reached the window below the spotlight")

        # Any board function closes it; opened again, Exit through the square ends the program and frees the
        # cursor.
        self.close_board_with(HIGHLIGHTER, 4)
        self.open_board(SPOTLIGHT, 4)
        menu = self.open_menu()
        left, top, right, bottom = menu["rect"]
        self.steps(["mousemove", left + 20, bottom - 12], ["click", 1])  # "Exit", the last item
        status = program.wait(15)
        self.assertEqual(status, 0, "the program did not end after Exit with the spotlight open")
        self.assert_released("the cursor is still confined after the program ended")
        self.assertIn("board-close mode=4", self.trace_events("board-close"))


class DisplayChange(BoardTestCase):
    """Wine here cannot change its displays: the real WM_DISPLAYCHANGE (monitors as they are) and the test
    channel's display change with made-up monitors stand for a resolution change and an unplugged monitor."""

    def test_board_closes_only_when_its_monitor_goes(self):
        self.start_hidden({})
        self.wine.xdotool("mousemove", 400, 300)
        time.sleep(0.3)
        self.open_board(HIGHLIGHTER, 1)

        # The monitor is still there, alone or beside a new one: the board stays, confined as it was.
        code, answer = self.wine.wininfo("broadcast", "0x7E", "32", str((SCREEN[1] << 16) | SCREEN[0]))
        self.assertEqual(code, 0, "WM_DISPLAYCHANGE was not posted: %r" % answer)
        self.wait_events("display-change", 1)
        self.channel("display", 0, 0, SCREEN[0], SCREEN[1], SCREEN[0], 0, SCREEN[0] + 1920, 1080)
        self.wait_events("display-change", 2)
        self.assertEqual(self.trace_events("board-display-gone"), [])
        self.assertTrue(self.board_windows(), "the board closed although its monitor stayed")
        self.assert_confined(BOARD_RECT)

        # Its monitor resized (or gone): it closes as a second press would, the cursor shown and free.
        self.channel("display", 0, 0, 1024, 768)
        self.assertEqual(self.wait_events("board-display-gone", 1), ["board-display-gone mode=1"])
        self.assertEqual(self.wait_events("board-close", 1)[-1], "board-close mode=1")
        self.assertTrue(wait_until(lambda: not self.board_windows(), 5, interval=0.1), "the board stayed")
        self.assert_released("the cursor is still confined")
        self.assertEqual(self.trace_events("board-cursor shown"), ["board-cursor shown count=0"])

        # The next use takes the monitor under the pointer afresh; a closed board ignores display changes.
        self.open_board(SPOTLIGHT, 4)
        self.close_board_with(SPOTLIGHT, 4)
        self.channel("display", 0, 0, 1024, 768)
        self.wait_events("display-change", 4)
        self.assertEqual(len(self.trace_events("board-display-gone")), 1)


class OutOfMemory(BoardTestCase):
    """The board's picture allocations fail on purpose: ORVEL_TEST_BOARD_ALLOC_FAIL=N makes the N-th since the
    program started throw std::bad_alloc, ORVEL_TEST_BOARD_DIB_REFUSED=N makes the system refuse it (a null
    DIB section). Opening the highlighter makes three (the frozen picture, the ink, the frame), a snap one
    more. Only the use that failed is lost: the board closes (or never shows), the cursor is free and shown,
    a tip says why, the program runs on and the next use works."""

    def assert_use_failed(self, program, tips, what):
        self.assertEqual(self.wait_events("board-tip", tips)[-1], NO_MEMORY_TIP, "no tip says why: %s" % what)
        self.assertIsNone(program.wait(0), "the program ended: %s" % what)
        self.assertTrue(wait_until(lambda: not self.board_windows(), 5, interval=0.1), "a board stayed: %s" % what)
        self.assert_released("the cursor is still confined: %s" % what)
        self.assertIn(self.trace_events("board-cursor")[-1:], ([], ["board-cursor shown count=0"]),
                      "the cursor is still hidden: %s" % what)

    def test_board_that_cannot_open_stays_closed_and_opens_next_time(self):
        program = self.start_hidden({}, switches={"ORVEL_TEST_BOARD_ALLOC_FAIL": 1,
                                                  "ORVEL_TEST_BOARD_DIB_REFUSED": 3})
        self.wine.xdotool("mousemove", 400, 300)
        time.sleep(0.3)

        self.channel("run", HIGHLIGHTER)
        self.assert_use_failed(program, 1, "the first picture threw")
        self.assertEqual(self.trace_events("board-picture"), ["board-picture 1 throws"])
        self.assertEqual(self.trace_events("operation-failed"),
                         ["operation-failed window=BoardDlg operation=toggle what=std::bad_alloc"])
        self.assertEqual(self.trace_events("board-cursor"), [], "the cursor was hidden for a board never shown")

        # The system refuses the third picture (the second is made, and freed again).
        self.channel("run", HIGHLIGHTER)
        self.assert_use_failed(program, 2, "the third picture was refused")
        self.assertEqual(self.trace_events("board-picture")[1:], ["board-picture 3 refused"])

        # Pictures 4 to 6: the board opens, confines and hides the cursor, and closes as it always does.
        self.open_board(HIGHLIGHTER, 1)
        self.assert_confined(BOARD_RECT)
        self.assertEqual(self.trace_events("board-cursor"), ["board-cursor hidden count=-1"])
        self.close_board_with(HIGHLIGHTER, 1)
        self.assertEqual(self.trace_events("board-cursor")[-1], "board-cursor shown count=0")
        self.assertEqual(self.trace_events("board-tip"), [NO_MEMORY_TIP, NO_MEMORY_TIP, "board-tip Highlighter mode"])

    def test_a_screen_that_cannot_be_copied_opens_no_board(self):
        # The first copy of the screen fails, as it does while a secure desktop is in front.
        program = self.start_hidden({}, switches={"ORVEL_TEST_BOARD_CAPTURE_FAIL": 1})
        self.wine.xdotool("mousemove", 400, 300)
        time.sleep(0.3)
        self.channel("run", HIGHLIGHTER)
        self.assertEqual(self.wait_events("board-tip", 1), ["board-tip Could not take a picture of the screen"])
        self.assertEqual(self.trace_events("board-capture"), ["board-capture 1 refused"])
        self.assertEqual(self.trace_events("board-open"), ["board-open failed mode=1 screen"])
        self.assertIsNone(program.wait(0), "the program ended")
        self.assertFalse(self.board_windows(), "a board over a picture that was never taken")
        self.assertEqual(self.trace_events("board-cursor"), [], "the cursor was hidden for a board never shown")
        self.assert_released()

        # The next press copies the screen and opens as always.
        self.open_board(HIGHLIGHTER, 1)
        self.assert_confined(BOARD_RECT)
        self.close_board_with(HIGHLIGHTER, 1)

    def test_snap_without_memory_closes_the_board(self):
        program = self.start_hidden({}, switches={"ORVEL_TEST_BOARD_ALLOC_FAIL": 4})
        self.wine.xdotool("mousemove", 400, 300)
        time.sleep(0.3)
        self.open_board(HIGHLIGHTER, 1)
        self.assert_confined(BOARD_RECT)

        # A right click snaps the whole board: the snap's picture, the fourth, throws.
        self.steps(["click", 3])
        self.assertEqual(self.wait_events("board-close", 1), ["board-close mode=1"])
        self.assert_use_failed(program, 2, "the snap's picture threw")
        self.assertEqual(self.trace_events("board-picture"), ["board-picture 4 throws"])
        self.assertEqual(self.trace_events("operation-failed"),
                         ["operation-failed window=BoardDlg operation=raw-mouse what=std::bad_alloc"])
        self.assertEqual(self.trace_events("board-cursor"), ["board-cursor hidden count=-1",
                                                             "board-cursor shown count=0"])
        self.assertEqual(self.trace_events("board-snap"), [])

        # The next use opens, snaps into a file and closes.
        self.open_board(HIGHLIGHTER, 1)
        self.assert_confined(BOARD_RECT)
        self.steps(["click", 3])
        width, height, _, _ = self.saved_file(self.snap_events("file", 1, timeout=20)[0])
        self.assertEqual((width, height), (BOARD_RECT[2], BOARD_RECT[3]))
        self.close_board_with(HIGHLIGHTER, 1)
        self.assertEqual(self.trace_events("board-cursor")[-1], "board-cursor shown count=0")


if __name__ == "__main__":
    unittest.main()
