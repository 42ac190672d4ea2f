"""End-to-end tests of the picker and the tooltip on a desktop of another DPI (150 % and 200 %): the lists' rows,
width and sub-lists at the scale of their monitor, a pick on a scaled row, the tip's font and margins, and a change
of the monitor's DPI while a list and its sub-list are open, and the gesture indicator's size and offset. Under
Wine the desktop has one DPI, fixed when its server starts (dpi_version), and the test channel plays
WM_DPICHANGED to the program's windows."""

import re
import time

import harness
from harness import SCREEN, TITLE, WineTestCase, wait_until

WS_EX_TRANSPARENT = 0x20
WS_EX_LAYERED = 0x80000
# Top-level rows of the picker and the members of "Function key".
TOP_ROWS = ["No function", "System", "Application", "Function key", "Multimedia", "Presenter"]
FUNCTION_KEY_ROWS = ["Cut", "Copy", "Paste", "Backward", "Forward", "Page Up", "Page Down"]
COPY_ON_WIN10 = 10  # Copy's catalogue position where the catalogue has 28 entries
FORWARD_ON_WIN10 = 13


def px(value, dpi):
    """A 96-DPI pixel figure at `dpi`, rounded half away from zero, as the program scales it."""
    if value == 0:
        return 0
    scaled = max(1, (abs(value) * dpi + 48) // 96)
    return scaled if value > 0 else -scaled


class PickerMeasures:
    """The picker's figures at one DPI."""

    def __init__(self, dpi):
        self.dpi = dpi
        self.row = px(36, dpi)
        self.width = px(300, dpi)
        self.margin = px(4, dpi)
        self.overlap = px(11, dpi)

    def height(self, rows):
        return 2 * self.margin + rows * self.row

    def row_middle(self, top, k):
        return top + self.margin + k * self.row + self.row // 2


class DpiOverlaysTestCase(WineTestCase):
    dpi = 96
    played = 96  # the DPI a change is played to

    def start_view(self):
        self.wine.reg_import({harness.SETTINGS_KEY: {"bt3": 13, "bt4": 12, "gesture down": FORWARD_ON_WIN10}})
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done")
        self.wine.wait_trace("view-markers")
        return program

    def markers(self):
        """bt3's and bt4's marker rectangles in the settings window's client area, as the view last drew them."""
        found = {}
        for line in self.wine.trace():
            m = re.match(r"view-markers bt3=(-?\d+),(-?\d+),(-?\d+),(-?\d+) .* \| "
                         r"bt4=(-?\d+),(-?\d+),(-?\d+),(-?\d+) ", line.text)
            if m:
                g = list(map(int, m.groups()))
                found = {3: g[0:4], 4: g[4:8]}
        self.assertTrue(found, "the view reported no markers")
        return found

    def marker_centre_on_screen(self, slot):
        left, top, _, _ = self.main_window()["rect"]
        l, t, r, b = self.markers()[slot]
        return left + (l + r) // 2, top + (t + b) // 2

    def move(self, x, y):
        self.wine.xdotool("mousemove", x, y)
        time.sleep(0.3)

    def pickers(self, width):
        """The program's visible picker lists of `width` (layered, not transparent to the mouse), left to right."""
        lists = [w for w in self.wine.windows() if w["visible"] and w["title"] != TITLE and
                 w["rect"][2] - w["rect"][0] == width and not (w["exstyle"] & WS_EX_TRANSPARENT)]
        return sorted(lists, key=lambda w: w["rect"][0])

    def tips(self):
        return [w for w in self.wine.windows() if w["visible"] and (w["exstyle"] & WS_EX_TRANSPARENT) and
                (w["exstyle"] & WS_EX_LAYERED) and w["rect"][2] - w["rect"][0] > 40]

    def last(self, event, pattern):
        lines = [l.text for l in self.wine.trace() if l.is_event(event)]
        self.assertTrue(lines, "no %r in the trace" % event)
        m = re.search(pattern, lines[-1])
        self.assertTrue(m, "%r does not match %r" % (lines[-1], pattern))
        return [int(g) if re.fullmatch(r"-?\d+", g) else g for g in m.groups()]

    def expected_sub_left(self, top_rect, measures):
        """Beside its list, overlapping it; on the left when it would cross the screen's right edge, and pulled
        back onto the screen when neither side has room (a 600-pixel list at 200 % on this 1280-pixel screen)."""
        right_of = top_rect[2] - measures.overlap
        if right_of + measures.width > SCREEN[0]:
            return max(0, top_rect[0] - measures.width + measures.overlap)
        return right_of

    def check_sub_list(self, top, sub, measures, row):
        self.assertEqual(sub["rect"][0], self.expected_sub_left(top["rect"], measures),
                         "the sub-list overlaps its list by %d pixels: %r %r" % (measures.overlap, top, sub))
        self.assertEqual(sub["rect"][2] - sub["rect"][0], measures.width, "sub-list width")
        height = measures.height(len(FUNCTION_KEY_ROWS))
        self.assertEqual(sub["rect"][3] - sub["rect"][1], height, "sub-list height")
        # Its first row lines up with the group's row, unless that would take it below the screen.
        lined_up = top["rect"][1] + measures.margin + row * measures.row
        self.assertTrue(sub["rect"][1] == lined_up or
                        (sub["rect"][1] < lined_up and sub["rect"][3] <= SCREEN[1]),
                        "the sub-list's top %d, its row's %d" % (sub["rect"][1], lined_up))

    def check_tip(self):
        """The marker's tip: drawn at the scaled font, its margins scaled, centred under the marker."""
        self.move(*self.marker_centre_on_screen(3))
        lines = self.wine.wait_trace("view-tip")
        point = [tuple(map(int, m.groups())) for l in lines
                 for m in [re.match(r"view-tip (-?\d+),(-?\d+) ", l.text)] if m][-1]
        self.wine.wait_trace("tip-placed")
        dpi, font, left, top, width, height = self.last(
            "tip-placed", r"dpi=(\d+) font=(\d+) at=(-?\d+),(-?\d+) size=(\d+)x(\d+)")
        self.assertEqual((dpi, font), (self.dpi, px(20, self.dpi)), "the tip's font at this scale")
        shown = wait_until(self.tips, 3, interval=0.1)
        self.assertTrue(shown, "no tip window")
        self.assertEqual(shown[0]["rect"], [left, top, left + width, top + height], "the tip's window")
        # Its text is measured a quarter larger than it is drawn; one line is about 1.2 times that high. At
        # 96 DPI (25 pixels measured) the bar would be far lower than this.
        measured = font + font // 4
        text_height = height - px(28, self.dpi)
        self.assertTrue(0.9 * measured <= text_height <= 1.7 * measured,
                        "a text %d high for a font measured at %d pixels" % (text_height, measured))
        self.assertGreater(width - px(28, self.dpi), 2 * measured, "the tip's text is wider than two letters")
        self.assertLessEqual(abs((left + width / 2) - point[0]), 2, "centred on %r" % (point,))
        self.assertLessEqual(abs((top + height / 2) - point[1]), 2, "centred on %r" % (point,))
        time.sleep(0.3)  # fully opaque
        self.wine.screenshot("tip-at-%d" % self.dpi)

        # The monitor's DPI changes while the tip holds: it is measured and drawn again at the new scale, still
        # centred on its point.
        placed = sum(1 for l in self.wine.trace() if l.is_event("tip-placed"))
        self.channel("dpi", self.played, self.dpi)
        self.wine.wait_trace("tip-placed", count=placed + 1)
        dpi, font, left, top, width, height = self.last(
            "tip-placed", r"dpi=(\d+) font=(\d+) at=(-?\d+),(-?\d+) size=(\d+)x(\d+)")
        self.assertEqual((dpi, font), (self.played, px(20, self.played)), "the tip's font after the change")
        self.assertLessEqual(abs((left + width / 2) - point[0]), 2, "still centred on %r" % (point,))
        self.assertLessEqual(abs((top + height / 2) - point[1]), 2, "still centred on %r" % (point,))
        tips = wait_until(lambda: [w for w in self.tips() if w["rect"] == [left, top, left + width, top + height]],
                          3, interval=0.1)
        self.assertTrue(tips, "the tip's window after the change: %r" % self.tips())
        self.wine.screenshot("tip-after-change-to-%d" % self.played)
        self.wine.xdotool("mousemove", SCREEN[0] - 5, SCREEN[1] - 5)  # off the marker: the tip fades

    def run_picker_at_scale(self):
        program = self.start_view()
        self.check_tip()
        # The change played on the tip reached the settings window too (it follows its monitor's DPI): it is
        # played back, so that the markers and the picker opened from them are at this test's scale again.
        self.channel("dpi", self.dpi, self.played)
        self.wine.wait_trace("dpi-played", count=2)
        def geometry():
            lines = [l.text for l in self.wine.trace() if l.is_event("view-geometry")]
            return lines[-1] if lines and lines[-1].startswith("view-geometry dpi=%d " % self.dpi) else None
        self.assertTrue(wait_until(geometry, 5, interval=0.1), "the settings window did not come back to %d DPI: %r"
                        % (self.dpi, [l.text for l in self.wine.trace() if l.is_event("view-geometry")]))

        measures = PickerMeasures(self.dpi)
        self.wine.click(*self.marker_centre_on_screen(3))
        # The pointer stays where it clicked, which may be over a group row of the list that opens there: that
        # group's sub-list may open at once. The top level is the list that shows the top-level rows.
        shown = r"picker-show dpi=(\d+) mode=(\d+) at=(-?\d+),(-?\d+) size=(\d+)x(\d+) rows=" + "\\|".join(TOP_ROWS)

        def top_level():
            lines = [m for l in self.wine.trace() for m in [re.match(shown + "$", l.text)] if m]
            if not lines:
                return None
            dpi, mode, x, y, w, h = map(int, lines[-1].groups())
            found = [p for p in self.pickers(measures.width) if p["rect"] == [x, y, x + w, y + h]]
            return (dpi, mode, found[0]) if found else None
        opened = wait_until(top_level, 5, interval=0.1)
        self.assertTrue(opened, "no top-level picker %d pixels wide: %r" % (measures.width, self.wine.windows()))
        dpi, mode, top = opened
        self.assertEqual((dpi, mode), (self.dpi, 0))
        self.assertEqual(top["rect"][3] - top["rect"][1], measures.height(len(TOP_ROWS)), "the top level's height")

        # Hovering "Function key" in the middle of its scaled row opens its sub-list beside it.
        row = TOP_ROWS.index("Function key")
        self.move(top["rect"][0] + measures.width // 2, measures.row_middle(top["rect"][1], row))
        lists = wait_until(lambda: self.pickers(measures.width) if len(self.pickers(measures.width)) == 2 else None,
                           5, interval=0.1)
        self.assertTrue(lists, "no sub-list: %r" % self.pickers(measures.width))
        top, sub = (lists if lists[0]["rect"] == top["rect"] else lists[::-1])
        self.check_sub_list(top, sub, measures, row)
        self.wine.screenshot("picker-at-%d" % self.dpi)

        # The monitor's DPI changes while both are open: they are drawn again at the new scale, the list where
        # it was and its sub-list beside the same row.
        played = PickerMeasures(self.played)
        changes = sum(1 for l in self.wine.trace() if l.is_event("picker-dpi"))
        self.channel("dpi", self.played, self.dpi)
        self.wine.wait_trace("dpi-played")
        self.wine.wait_trace("picker-dpi", count=changes + 2)
        lists = wait_until(lambda: self.pickers(played.width) if len(self.pickers(played.width)) == 2 else None,
                           5, interval=0.1)
        self.assertTrue(lists, "the lists after the change: %r" % self.wine.windows())
        self.assertFalse(self.pickers(measures.width), "a list kept its old width")
        before = top
        top, sub = (lists if lists[0]["rect"][0] == before["rect"][0] else lists[::-1])
        # Its top left stays, unless the taller list would reach below the screen: then it moves up.
        self.assertEqual(top["rect"][0], before["rect"][0], "the list kept its left edge")
        self.assertTrue(top["rect"][1] == before["rect"][1] or
                        (top["rect"][1] < before["rect"][1] and top["rect"][3] == SCREEN[1]),
                        "the list's top %d, before %d" % (top["rect"][1], before["rect"][1]))
        self.assertEqual(top["rect"][3] - top["rect"][1], played.height(len(TOP_ROWS)), "the list's new height")
        self.check_sub_list(top, sub, played, row)
        self.assertEqual([l.text.split()[1] for l in self.wine.trace() if l.is_event("picker-dpi")][changes:],
                         ["dpi=%d" % self.played] * 2, "each list re-placed once")
        time.sleep(0.3)
        self.wine.screenshot("picker-after-change-to-%d" % self.played)

        # "Copy" clicked in the middle of its row at the new scale is assigned to bt3.
        copy_row = FUNCTION_KEY_ROWS.index("Copy")
        x = max(sub["rect"][0], 0) + played.width // 3
        self.move(x, played.row_middle(sub["rect"][1], copy_row))
        self.wine.xdotool("click", 1)
        self.assertTrue(wait_until(lambda: self.wine.settings().get("bt3") == ("REG_DWORD", COPY_ON_WIN10), 5),
                        "bt3 after clicking Copy: %r" % (self.wine.settings(),))
        self.assertTrue(wait_until(lambda: not self.pickers(played.width), 3, interval=0.1), "the picker stayed")

        # A gesture: the indicator beside the pointer is 32 pixels and 50 below it at 96 DPI, scaled here.
        self.move(700, 300)
        self.channel("report", "04", "64", "01", "02", "00")
        self.wine.wait_trace("gesture-tip shown", timeout=5)
        shown = [l.text for l in self.wine.trace() if l.is_event("gesture-tip shown")]
        self.assertEqual(shown[-1], "gesture-tip shown 700,%d" % (300 + px(50, self.dpi)), "below the pointer")
        self.assertIn("gesture-scale dpi=%d side=%d" % (self.dpi, px(32, self.dpi)),
                      [l.text for l in self.wine.trace() if l.is_event("gesture-scale")], "the indicator's side")
        self.wine.wait_trace("gesture-tip hidden", timeout=5)
        self.assertTrue(program.running())


class OverlaysAt150Percent(DpiOverlaysTestCase):
    prefix_version = harness.dpi_version(144)
    dpi = 144
    played = 192

    def test_picker_tip_and_a_dpi_change_at_150_percent(self):
        self.run_picker_at_scale()


class OverlaysAt200Percent(DpiOverlaysTestCase):
    prefix_version = harness.dpi_version(192)
    dpi = 192
    played = 144

    def test_picker_tip_and_a_dpi_change_at_200_percent(self):
        self.run_picker_at_scale()
