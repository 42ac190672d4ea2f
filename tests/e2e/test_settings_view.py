"""End-to-end tests of the settings view under Wine: what it draws, the tips, the picker and the assignment of a
function, Default, Escape, Close, Minimize, the drag, and a language file."""

import re
import time
import unittest

from harness import SCREEN, SETTINGS_KEY, SETTINGS_VALUES, TITLE, TRAY_ICON, WineTestCase, rgb_at, wait_until

WS_EX_TRANSPARENT = 0x20
WS_EX_LAYERED = 0x80000
ROW = 36
PICKER_WIDTH = 300
# Top-level rows of the picker: "No function" and the five groups.
TOP_ROWS = ["No function", "System", "Application", "Function key", "Multimedia", "Presenter"]
FUNCTION_KEY_ROWS = ["Cut", "Copy", "Paste", "Backward", "Forward", "Page Up", "Page Down"]


class SettingsViewTestCase(WineTestCase):

    def start_view(self, *args, settings=None):
        if settings:
            self.wine.reg_import({SETTINGS_KEY: settings})
        program = self.start_and_wait_visible(*args)
        self.wine.wait_trace("start-up done")
        self.wine.wait_trace("view-markers")
        return program

    def window_rect(self):
        return self.main_window()["rect"]

    def markers(self):
        """The latest marker rectangles and texts the view drew: {3: (rect, text), 4: (rect, text)}."""
        found = {}
        for line in self.wine.trace():
            m = re.match(r"view-markers bt3=(-?\d+),(-?\d+),(-?\d+),(-?\d+) (.*) \| "
                         r"bt4=(-?\d+),(-?\d+),(-?\d+),(-?\d+) (.*)$", line.text)
            if m:
                g = m.groups()
                found = {3: (tuple(map(int, g[0:4])), g[4]), 4: (tuple(map(int, g[5:9])), g[9])}
        self.assertTrue(found, "the view reported no markers")
        return found

    def to_screen(self, x, y):
        left, top, _, _ = self.window_rect()
        return left + x, top + y

    def move(self, x, y):
        self.wine.xdotool("mousemove", x, y)
        time.sleep(0.3)

    def click_client(self, x, y, button=1):
        sx, sy = self.to_screen(x, y)
        self.wine.click(sx, sy, button)
        time.sleep(0.4)

    def marker_centre(self, slot):
        (l, t, r, b), _ = self.markers()[slot]
        return (l + r) // 2, (t + b) // 2

    def pickers(self):
        """The program's visible picker lists (layered, 300 pixels wide, not transparent to the mouse), left to
        right."""
        lists = [w for w in self.wine.windows() if w["visible"] and w["title"] != TITLE and
                 w["rect"][2] - w["rect"][0] == PICKER_WIDTH and not (w["exstyle"] & WS_EX_TRANSPARENT)]
        return sorted(lists, key=lambda w: w["rect"][0])

    def tips(self):
        return [w for w in self.wine.windows() if w["visible"] and (w["exstyle"] & WS_EX_TRANSPARENT) and
                (w["exstyle"] & WS_EX_LAYERED) and w["rect"][2] - w["rect"][0] > 40]

    def saved_modes(self):
        return [int(m.group(1), 0) for l in self.wine.trace()
                for m in [re.search(r"settings-saved device-mode=(0x[0-9a-fA-F]+)", l.text)] if m]


class ViewPicture(SettingsViewTestCase):

    def test_parts_of_the_view_and_a_hovered_marker(self):
        program = self.start_view(settings={"bt3": 13, "bt4": 12})
        markers = self.markers()
        self.assertEqual((markers[3][1], markers[4][1]), ("Forward", "Backward"))
        # The first frame was made ahead, before the window showed, with the stored functions (the picture below
        # is that frame's, or a hover's repaint over it).
        order = [l.text for l in self.wine.trace() if l.is_event("view-prepared") or l.is_event("first-frame")]
        self.assertEqual(order[:3], ["view-prepared static-layer", "view-prepared frame", "first-frame"])
        self.move(20, SCREEN[1] - 20)
        raw = self.wine.screenshot("view")
        left, top, _, _ = self.window_rect()
        px = lambda x, y: rgb_at(raw, SCREEN[0], left + x, top + y)

        # The light (yellow) segments of both leader lines.
        for x, y in ((310, 269), (384, 252)):
            r, g, b = px(x, y)
            self.assertTrue(r > 180 and g > 180 and b < 90, "leader line at %d,%d is %r" % (x, y, (r, g, b)))
        # The Default box: a white outline around a fill darker than the background beside it.
        self.assertGreater(min(px(500, 66)), 200, "Default's outline")
        self.assertLess(sum(px(510, 56)), sum(px(490, 56)), "Default's fill is darker than the background")
        # Minimize's bar and Close's cross in grey, lighter than the boxes' fill.
        for glyph, inside in (((608, 24), (602, 18)), ((636, 24), (636, 20))):
            self.assertGreater(sum(px(*glyph)), sum(px(*inside)) + 120, "caption glyph at %r" % (glyph,))
        # The marker's text is grey until hovered.
        (l, t, r, b), _ = markers[3]
        brightest = lambda shot: max(rgb_at(shot, SCREEN[0], left + x, top + y)[0]
                                     for x in range(l, r) for y in range(t, b))
        grey = brightest(raw)
        self.assertTrue(150 < grey < 225, "bt3's text before hovering: %d" % grey)

        cx, cy = self.to_screen((l + r) // 2, (t + b) // 2)
        self.move(cx, cy)
        tip = self.wine.wait_trace("view-tip")
        expected = self.to_screen((l + r) // 2, b + 30)
        self.assertIn("view-tip %d,%d 3000 ms Click to select button functions." % expected,
                      [x.text for x in tip], "the marker's tip")
        shown = wait_until(self.tips, 3, interval=0.1)
        self.assertTrue(shown, "no tip window")
        tl, tt, tr, tb = shown[0]["rect"]
        self.assertLessEqual(abs((tl + tr) / 2 - expected[0]), 2, "tip centred under the marker: %r" % shown[0])
        self.assertLessEqual(abs((tt + tb) / 2 - expected[1]), 2, "tip centred under the marker: %r" % shown[0])
        lit = brightest(self.wine.screenshot("hovered"))
        self.assertGreater(lit, grey + 25, "the hovered marker's text turns white (%d -> %d)" % (grey, lit))
        self.assertTrue(program.running())

        # No picker was opened before the warm-up: its step drew the top level with the rows' names all the
        # same, so that their glyphs are ready for the first open.
        self.wine.wait_trace("warm-up done")
        self.assertEqual([l.text for l in self.wine.trace() if l.is_event("picker-warm-up")],
                         ["picker-warm-up rows=%d names=%d" % (len(TOP_ROWS), len(TOP_ROWS))])
        self.assertFalse([l for l in self.wine.trace() if l.is_event("picker-show")], "a picker opened before")


class PickerAndAssignment(SettingsViewTestCase):

    def open_picker_on(self, slot):
        self.click_client(*self.marker_centre(slot))
        lists = wait_until(self.pickers, 5, interval=0.1)
        self.assertTrue(lists, "the picker did not open")
        return lists[0]

    def pick(self, version_copy, expected_mode):
        (l, t, r, b), _ = self.markers()[3]
        picker = self.open_picker_on(3)
        want_left, want_top = self.to_screen(l + 40 + 1, b + 4 + 1)
        self.assertEqual(picker["rect"], [want_left, want_top, want_left + PICKER_WIDTH,
                                          want_top + 8 + len(TOP_ROWS) * ROW], "the picker's place and size")
        shown = [l.text for l in self.wine.wait_trace("picker-show") if l.is_event("picker-show")]
        self.assertTrue(shown[-1].endswith(" rows=" + "|".join(TOP_ROWS)), "the top level's rows: %r" % shown[-1])
        # Pressing the marker again while its picker is open opens it again in the same place.
        self.click_client(*self.marker_centre(3))
        again = wait_until(self.pickers, 5, interval=0.1)
        self.assertEqual([w["rect"] for w in again], [picker["rect"]], "reopened elsewhere")

        # Hovering "Function key" opens its sub-list beside it, overlapping by 11 pixels.
        row = TOP_ROWS.index("Function key")
        self.move(want_left + 100, want_top + 4 + row * ROW + ROW // 2)
        lists = wait_until(lambda: self.pickers() if len(self.pickers()) == 2 else None, 5, interval=0.1)
        self.assertTrue(lists, "no sub-list: %r" % self.pickers())
        sub = lists[1]
        self.assertEqual(sub["rect"][0], picker["rect"][2] - 11, "the sub-list overlaps its list by 11 pixels")
        self.assertEqual(sub["rect"][3] - sub["rect"][1], 8 + len(FUNCTION_KEY_ROWS) * ROW, "sub-list height")

        # Clicking "Copy" assigns it to bt3 and saves all eleven values at once.
        before = self.wine.settings()
        saves = len(self.saved_modes())
        copy_row = FUNCTION_KEY_ROWS.index("Copy")
        self.move(sub["rect"][0] + 100, sub["rect"][1] + 4 + copy_row * ROW + ROW // 2)
        self.wine.xdotool("click", 1)
        self.assertTrue(wait_until(lambda: len(self.saved_modes()) > saves, 5), "no save after the choice")
        after = self.wine.settings()
        expected = dict(before)
        expected["bt3"] = ("REG_DWORD", version_copy)
        self.assertEqual(after, expected, "only bt3 changed")
        self.assertEqual(self.saved_modes()[-1] & 0x10, expected_mode, "the save tells the mouse bt3 is reassigned")
        self.assertTrue(wait_until(lambda: not self.pickers(), 3, interval=0.1), "the picker stayed open")
        marker = wait_until(lambda: self.markers()[3] if self.markers()[3][1] == "Copy" else None, 5)
        self.assertTrue(marker, "bt3's marker does not read Copy: %r" % (self.markers(),))
        self.assertNotEqual(marker[0][2] - marker[0][0], r - l, "the marker's box follows its text")

    def test_a_marker_picks_a_function_then_escape_and_default(self):
        program = self.start_view(settings={"bt3": 13, "bt4": 12})
        self.pick(version_copy=10, expected_mode=0x10)

        # Escape closes the picker and never the window.
        self.open_picker_on(4)
        self.wine.key("Escape")
        self.assertTrue(wait_until(lambda: not self.pickers(), 3, interval=0.1), "Escape left the picker open")
        time.sleep(0.5)
        self.assertTrue(self.main_window()["visible"], "Escape hid the settings window")

        # Default brings Forward and Backward back.
        saves = len(self.saved_modes())
        self.click_client(550, 66)
        self.assertTrue(wait_until(lambda: len(self.saved_modes()) > saves, 5), "Default saved nothing")
        values = self.wine.settings()
        self.assertEqual((values["bt3"], values["bt4"]), (("REG_DWORD", 13), ("REG_DWORD", 12)))
        self.assertEqual(self.saved_modes()[-1], 0, "defaults give the side buttons back to the mouse")
        self.assertTrue(program.running())

        # The first uses' work was done ahead once, each step in its own turn, and its timer is gone.
        self.wine.wait_trace("warm-up done")
        time.sleep(0.5)
        steps = [l.text.split()[2] for l in self.wine.trace() if l.is_event("warm-up step")]
        self.assertEqual(steps, ["0", "1", "2", "3", "4"])

        self.assertEqual(len([l for l in self.wine.trace() if l.is_event("warm-up done")]), 1)


class PickerOnWindows7(PickerAndAssignment):
    prefix_version = "win7"

    def test_a_marker_picks_a_function_then_escape_and_default(self):
        self.start_view(settings={"bt3": 15, "bt4": 14})
        self.pick(version_copy=12, expected_mode=0x10)


class WindowButtonsAndDrag(SettingsViewTestCase):

    def test_drag_minimize_and_close(self):
        program = self.start_view()
        left, top, right, bottom = self.window_rect()
        # Drag from the photograph.
        self.wine.xdotool("mousemove", left + 320, top + 330)
        time.sleep(0.3)
        self.wine.xdotool("mousedown", 1)
        for step in range(1, 9):
            self.wine.xdotool("mousemove", left + 320 + 10 * step, top + 330 + 6 * step)
            time.sleep(0.05)
        self.wine.xdotool("mouseup", 1)
        # The window may still be on its way when first seen moved (a busy machine): it must end where the
        # drag ended.
        expected = [left + 80, top + 48, right + 80, bottom + 48]
        moved = wait_until(lambda: self.window_rect() if self.window_rect() == expected else None, 5, interval=0.1)
        self.assertEqual(moved or self.window_rect(), expected, "the window follows the drag")

        # Minimize, then the notification icon's double click restores it.
        left, top = moved[0], moved[1]
        self.wine.click(left + 608, top + 24)
        self.assertTrue(wait_until(lambda: self.main_window()["iconic"], 3, interval=0.1), "not minimised")
        self.wine.xdotool("mousemove", *TRAY_ICON)
        time.sleep(0.2)
        self.wine.xdotool("click", "--repeat", "2", "--delay", "80", 1)
        self.assertTrue(wait_until(lambda: not self.main_window()["iconic"], 5, interval=0.1), "not restored")

        # Close hides the window to the notification area; the program goes on.
        self.wine.click(left + 636, top + 24)
        held, _ = self.wine.windows(title=TITLE, until="hidden", timeout=5)
        self.assertTrue(held, "Close did not hide the window")
        time.sleep(0.6)
        self.assertTrue(program.running(), "Close ended the program")
        self.assertFalse(self.main_window()["visible"])


class LanguageFile(SettingsViewTestCase):

    def test_lang_ini_renames_markers_tips_and_picker_rows(self):
        self.wine.write_lang_ini("[FUNCTION]\nstr16=前進\nstr15=Zurück\nstr11=Funktionstasten\n"
                                 "[TIP]\nstr1=Klicken, um zu wählen.\n[BUTTON]\nstr0=Standard\n", encoding="utf-16")
        self.start_view(settings={"bt3": 13, "bt4": 12})
        markers = self.markers()
        self.assertEqual((markers[3][1], markers[4][1]), ("前進", "Zurück"))
        cx, cy = self.to_screen(*self.marker_centre(3))
        self.move(cx, cy)
        tips = [l.text for l in self.wine.wait_trace("view-tip")]
        self.assertTrue(any(t.endswith("Klicken, um zu wählen.") for t in tips), "the tip text: %r" % tips)
        self.wine.xdotool("click", 1)
        shown = self.wine.wait_trace("picker-show")
        rows = [l.text for l in shown if l.is_event("picker-show")]
        self.assertTrue(rows and "Funktionstasten" in rows[-1], "the picker's rows: %r" % rows)


if __name__ == "__main__":
    unittest.main()
