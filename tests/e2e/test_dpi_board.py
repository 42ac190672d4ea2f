"""End-to-end tests of the presenter board and the window switcher on a desktop at 150 % and 200 % (Wine's
LogPixels at 144 and 192 from its boot; the screen stays 1280 x 800 physical pixels, and Wine has one DPI for
every monitor). The program is per-monitor aware: it draws in physical pixels, its figures scaled by the
monitor's DPI.

- The board: a highlighter stroke measured across in a screenshot is 16 pixels times the scale; the pen cursor
  is loaded at 32 times the scale (the program reads back the size of the cursor it holds); the spotlight's
  clear square, measured in a screenshot, is its 100 % setting (400) times the scale.
- The switcher: the title fonts are made at 14 and 16 pixels times the scale, and a resting thumbnail's title
  box, measured in a screenshot, is as high as a line of that font.
- A DPI change played through the test channel (WM_DPICHANGED to every shown window) closes an open board and
  ends an open overview when the new DPI differs, and leaves them when it does not.

What Wine cannot show: two monitors at different DPIs (it has one DPI), a real move of a window between them,
and the mouse pointer itself (Xvfb's screenshots have no cursor: its size is the program's own reading)."""

import re
import time
import unittest

from harness import SCREEN, WineTestCase, dpi_version, rgb_at, wait_until
from test_board import BOARD_RECT, HIGHLIGHTER, RED, SPOTLIGHT, DARK, BoardTestCase, over
from test_switcher import REST, SWITCHER_TITLE, SwitcherTestCase


def scaled(figure, dpi):
    """A 100 % figure at `dpi`, rounded half away from zero as the program rounds."""
    return (figure * dpi + 48) // 96


class BoardAtScale:
    """The board's checks at the class's DPI (mixed into a BoardTestCase)."""

    DPI = 96

    def board_scale(self):
        events = self.trace_events("board-scale")
        self.assertTrue(events, "the board traced no scale")
        m = re.match(r"board-scale dpi=(\d+) stroke=(\d+) pen-box=(\d+) outline=(\d+) cursor=(\d+) "
                     r"cursor-loaded=(\d+)x(\d+) spotlight=(\d+)$", events[-1])
        self.assertTrue(m, events[-1])
        return [int(v) for v in m.groups()]

    def stroke_width_at(self, shot, frozen, x, y):
        """How many pixels of column x around row y show the red ink over the frozen picture."""
        def inked(row):
            return all(abs(a - b) <= 1 for a, b in zip(rgb_at(shot, SCREEN[0], x, row),
                                                       over(RED, rgb_at(frozen, SCREEN[0], x, row))))
        if not inked(y):
            return 0
        top, bottom = y, y
        while top > 0 and inked(top - 1):
            top -= 1
        while bottom + 1 < SCREEN[1] and inked(bottom + 1):
            bottom += 1
        return bottom - top + 1

    def hole_width(self, raw, y, left, right):
        return sum(1 for x in range(left, right) if max(rgb_at(raw, SCREEN[0], x, y)) > DARK)

    def run_board_at_scale(self):
        dpi = self.DPI
        self.start_hidden({})
        self.window_of("C:\\orvel-probe\\orvel_wininfo.exe", "keys-window", 100, 0, 1080, SCREEN[1], 120000)
        self.wine.xdotool("mousemove", 300, 200)
        time.sleep(0.3)
        frozen = self.wine.screenshot("before")

        # ---- the highlighter: its figures, and a stroke as wide as the pen
        self.open_board(HIGHLIGHTER, 1)
        got = self.board_scale()
        self.assertEqual(got, [dpi, scaled(16, dpi), scaled(40, dpi), scaled(2, dpi), scaled(32, dpi),
                               scaled(32, dpi), scaled(32, dpi), scaled(400, dpi)],
                         "dpi, stroke, pen box, outline, cursor, cursor loaded (w x h), spotlight")
        self.drag((200, 300), (450, 300), (800, 300))
        self.steps(["mousemove", 900, 700])
        time.sleep(0.5)
        shot = self.wine.screenshot("stroke")
        widths = [self.stroke_width_at(shot, frozen, x, 300) for x in (300, 500, 700)]
        self.assertEqual(widths, [scaled(16, dpi)] * 3, "the stroke across, measured in the screenshot")
        self.close_board_with(HIGHLIGHTER, 1)

        # ---- the spotlight: the square of the 100 % setting at the scale; the pen cursor over it
        self.wine.xdotool("mousemove", 640, 400)
        time.sleep(0.3)
        self.open_board(SPOTLIGHT, 4)
        side = scaled(400, dpi)
        self.assertEqual(self.trace_events("board-spotlight")[-1:], ["board-spotlight side=%d" % side])
        shot = self.wine.screenshot("spotlight")
        left = max(0, 640 - side // 2 - 40)
        right = min(SCREEN[0] - 1, 640 + side // 2 + 40)
        self.assertEqual(self.hole_width(shot, 400, left, right), side, "the clear square across, in the screenshot")
        # Its corners are rounded (a radius of a third of the side, scaled with it): the row just inside the
        # top edge is narrower than the side by more than a third.
        top_row = 400 - side // 2 + 1
        self.assertLess(self.hole_width(shot, top_row, left, right), side - side // 3)
        self.assertGreater(self.hole_width(shot, top_row, left, right), side // 5)

        # ---- a DPI change to the same DPI keeps the board; to another one closes it as a display change does
        self.channel("dpi", dpi, dpi)
        self.wait_events("dpi-played", 1)
        changed = self.wait_events("board-dpi-changed", 1)
        self.assertEqual(changed[-1], "board-dpi-changed dpi=%d was=%d mode=4 closes=0" % (dpi, dpi))
        self.assertTrue(self.board_windows(), "the board closed on a DPI change that changed nothing")
        other = 96 if dpi != 96 else 144
        closed = len(self.trace_events("board-close"))
        self.channel("dpi", other, dpi)
        changed = self.wait_events("board-dpi-changed", 2)
        self.assertEqual(changed[-1], "board-dpi-changed dpi=%d was=%d mode=4 closes=1" % (other, dpi))
        self.assertEqual(self.wait_events("board-close", closed + 1)[-1], "board-close mode=4")
        self.assertTrue(wait_until(lambda: not self.board_windows(), 5, interval=0.1), "the board stayed")
        self.assert_released("the cursor is still confined after the DPI change")
        played = [e for e in self.trace_events("dpi-played")]
        self.assertTrue(all(int(re.search(r"windows=(\d+)", e).group(1)) >= 1 for e in played), played)

        # ---- the next press opens the board again, at the monitor's scale (Wine's, which stays)
        self.open_board(SPOTLIGHT, 4)
        self.assertEqual(self.board_scale()[0], dpi)
        self.close_board_with(SPOTLIGHT, 4)


class BoardAt150Percent(BoardAtScale, BoardTestCase):
    DPI = 144
    prefix_version = dpi_version(144)

    def test_board_figures_at_150_percent(self):
        self.run_board_at_scale()


class BoardAt200Percent(BoardAtScale, BoardTestCase):
    DPI = 192
    prefix_version = dpi_version(192)

    def test_board_figures_at_200_percent(self):
        self.run_board_at_scale()


class OverviewAtScale:
    """The switcher's checks at the class's DPI (mixed into a SwitcherTestCase)."""

    DPI = 96

    def title_box_height(self, shot, cell, inset):
        """The height of the dark box under a resting thumbnail's title, measured in the screenshot: found
        along the row just above the layout's bottom, then counted up the column just inside its left edge
        (the box's padding, where no glyph is)."""
        l, t, r, b = cell
        bottom = b - inset - 1

        def blue(x, y):
            return rgb_at(shot, SCREEN[0], x, y)[2]
        # The placeholder's blue in this column, well above any title; the box darkens it by about half.
        reference_row = t + (b - t) // 4

        def boxed(x, y):
            return blue(x, y) < blue(x, reference_row) - 20
        edge = next((x for x in range(l + 1, r - 1) if boxed(x, bottom - 2) and boxed(x + 1, bottom - 2)), None)
        self.assertIsNotNone(edge, "no title box in the cell %r" % (cell,))
        x = edge + 2
        top = bottom - 2
        while top > t and boxed(x, top - 1):
            top -= 1
        low = bottom - 2
        while low < b - 1 and boxed(x, low + 1):
            low += 1
        return low - top + 1

    def run_overview_at_scale(self):
        dpi = self.DPI
        self.start_program()
        out, probe = self.start_windows()
        self.wine.xdotool("mousemove", *REST)
        time.sleep(0.5)
        self.request()
        cells = self.overview(1)
        self.wine.wait_trace("switcher-first-frame")
        time.sleep(0.8)  # the highlighted thumbnail's grow comes to rest
        shot = self.wine.screenshot("overview")

        starts = [l.text for l in self.events("switcher-start")]
        self.assertTrue(starts[-1].endswith(" dpi=%d" % dpi), starts[-1])
        fonts = [l.text for l in self.events("switcher-fonts")]
        many, few = scaled(14, dpi), scaled(16, dpi)
        self.assertEqual(fonts[-1], "switcher-fonts dpi=%d pixels=%d,%d" % (dpi, many, few))
        self.assertLess(len(cells), 10)  # the 16-pixel font's overview
        # Every captured thumbnail is at least the smallest side at the scale.
        for hwnd, (l, t, r, b), _ in cells:
            self.assertGreaterEqual(min(r - l, b - t), scaled(48, dpi), hwnd)

        inset = scaled(4, dpi)
        highlighted = self.highlighted()
        heights = [self.title_box_height(shot, rect, inset) for i, (_, rect, _) in enumerate(cells)
                   if i != highlighted]
        self.assertTrue(heights)
        for height in heights:
            # A line of Tahoma with GDI+'s spacing: a little more than the font's pixel size.
            self.assertGreaterEqual(height, few + 1, "title box %d high for a %d-pixel font" % (height, few))
            self.assertLessEqual(height, few * 3 // 2 + 2, "title box %d high for a %d-pixel font" % (height, few))
        # Larger than a line of the 100 % font could be.
        self.assertGreater(min(heights), 16 * 3 // 2 + 2)

        # ---- a DPI change that changes nothing keeps the overview; another one ends it as a display change
        self.channel("dpi", dpi, dpi)
        self.wine.wait_trace("switcher-dpi-changed", timeout=10)
        self.assertEqual([l.text for l in self.events("switcher-dpi-changed")][-1],
                         "switcher-dpi-changed dpi=%d was=%d ends=0" % (dpi, dpi))
        self.assertEqual(self.events("switcher-end"), [], "the overview ended on a DPI change that changed nothing")
        self.channel("dpi", 96, dpi)
        lines = self.wine.wait_trace("switcher-dpi-changed", timeout=10, count=2)
        changed = [l.text for l in lines if l.is_event("switcher-dpi-changed")]
        self.assertEqual(changed[-1], "switcher-dpi-changed dpi=96 was=%d ends=1" % dpi)
        self.assertEqual(self.wait_ended(1).split(" target=")[0], "switcher-done selected=-1")
        held, _ = self.wine.windows(title=SWITCHER_TITLE, until="hidden", timeout=5)
        self.assertTrue(held, "the switcher stayed after the DPI change")

        # ---- the next overview is made afresh, at the monitor's scale (Wine's, which stays)
        self.request()
        self.overview(2)
        self.assertTrue([l.text for l in self.events("switcher-start")][-1].endswith(" dpi=%d" % dpi))
        self.key("Escape")
        self.wait_ended(2)


class OverviewAt150Percent(OverviewAtScale, SwitcherTestCase):
    DPI = 144
    prefix_version = dpi_version(144)

    def test_overview_figures_at_150_percent(self):
        self.run_overview_at_scale()


class OverviewAt200Percent(OverviewAtScale, SwitcherTestCase):
    DPI = 192
    prefix_version = dpi_version(192)

    def test_overview_figures_at_200_percent(self):
        self.run_overview_at_scale()


if __name__ == "__main__":
    unittest.main()
