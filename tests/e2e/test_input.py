"""End-to-end tests of input and actions under Wine: vendor reports played through the test channel run the
assigned functions (key strokes at a helper window, the gesture indicator, a group's list at the pointer, the
calculator), exactly as the mouse's reports would. A group's choice reaches the application that was in front
even when it is slow to take the foreground back, and only the list on screen can make a choice."""

import re
import shutil
import time
import unittest

from harness import SCREEN, WineTestCase, program_arch, report7, wait_until, wininfo_path

# Catalogue positions on Windows 10 (28 entries).
FORWARD, COPY, PAGE_DOWN, FUNCTION_KEY, CALCULATOR = 13, 10, 15, 8, 7
VK_CONTROL, VK_C, VK_NEXT = 0x11, 0x43, 0x22
HELPER = (1000, 60, 240, 240)
FUNCTION_CHOSEN = 12181  # a list's choice: wParam the catalogue position, lParam the list's mode


class InputTestCase(WineTestCase):

    def report(self, data):
        self.channel("report", *["%02x" % b for b in data])

    def keys_helper(self, ms=15000, slow_ms=None):
        """A helper application in front that prints the keys it gets; with slow_ms, once it has lost the
        foreground it takes it back only when it next looks at its messages, every slow_ms."""
        args = [str(v) for v in HELPER] + [str(ms)] + ([str(slow_ms)] if slow_ms else [])
        proc, out = self.wine.start_probe("keys-window", *args)
        ready = wait_until(lambda: [l for l in self.wine.probe_lines(out) if "ready" in l], 10)
        self.assertTrue(ready, "the helper window did not come up")
        hwnd = ready[0]["hwnd"]
        self.assertTrue(wait_until(lambda: (self.wine.foreground() or {}).get("hwnd") == hwnd, 5),
                        "the helper is not the foreground window")
        return out

    def keys(self, out):
        return [(l["key"], l["vk"]) for l in self.wine.probe_lines(out) if "key" in l]

    def wait_keys(self, out, count, timeout=5):
        return wait_until(lambda: self.keys(out) if len(self.keys(out)) >= count else None, timeout) or self.keys(out)


class KeyFunctions(InputTestCase):

    def test_button_reports_send_their_key_strokes(self):
        program = self.start_hidden({"bt3": COPY, "bt4": PAGE_DOWN})
        out = self.keys_helper()
        # bt3 down: Ctrl (scan code) down, C down, Ctrl up, C up; bt3 up: Ctrl up and C up once more.
        self.report(report7(0x10))
        self.report(report7(0x00))
        got = self.wait_keys(out, 6)
        self.assertEqual(got[:6], [("down", VK_CONTROL), ("down", VK_C), ("up", VK_CONTROL), ("up", VK_C),
                                   ("up", VK_CONTROL), ("up", VK_C)], "Copy's key strokes")
        lines = [l for l in self.wine.probe_lines(out) if "key" in l]
        self.assertEqual(lines[0]["scan"], 0x1D, "left Ctrl goes as its scan code")
        # bt4 (bit 0x08) carries Page Down: scan 0x51, extended, down then up; its release sends the up again.
        self.report(report7(0x08))
        self.report(report7(0x00))
        got = self.wait_keys(out, 9)
        self.assertEqual(got[6:9], [("down", VK_NEXT), ("up", VK_NEXT), ("up", VK_NEXT)], "Page Down")
        page = [l for l in self.wine.probe_lines(out) if l.get("vk") == VK_NEXT]
        self.assertTrue(all(l["scan"] == 0x51 and l["extended"] == 1 for l in page), "extended 0x51: %r" % page)
        # A report whose check byte is wrong changes nothing.
        bad = report7(0x10)
        bad[7] ^= 0xFF
        self.report(bad)
        time.sleep(0.8)
        self.assertEqual(len(self.keys(out)), 9, "a report with a bad check byte ran something")
        self.assertTrue(program.running())


class GestureIndicator(InputTestCase):

    def tip_events(self):
        return [l for l in self.wine.trace() if l.is_event("gesture-tip")]

    def test_a_gesture_shows_the_indicator_below_the_pointer(self):
        self.start_hidden({"gesture down": FORWARD, "gesture up": 0})
        self.wine.xdotool("mousemove", 700, 300)
        time.sleep(0.3)
        self.report([0x04, 0x64, 0x01, 0x02, 0x00])
        events = wait_until(lambda: self.tip_events() if len(self.tip_events()) >= 2 else None, 5, interval=0.1)
        self.assertTrue(events, "the indicator was not shown and hidden: %r" % self.tip_events())
        shown, hidden = events[0], events[1]
        self.assertEqual(shown.text, "gesture-tip shown 700,350", "50 pixels below the pointer")
        self.assertEqual(hidden.text, "gesture-tip hidden")
        # 24 passes of 30 ms: about 720 ms on screen.
        self.assertTrue(500 <= hidden.ms - shown.ms <= 2000, "shown for %d ms" % (hidden.ms - shown.ms))
        self.assertIn("function-run %d" % FORWARD, [l.text for l in self.wine.trace()], "the gesture's function")
        # A gesture that carries "No function" shows nothing.
        self.report([0x04, 0x64, 0x01, 0x01, 0x00])
        time.sleep(1.0)
        self.assertEqual(len(self.tip_events()), 2, "an indicator for a gesture without a function")
        # Idle, the indicator's clock lets its thread go (the clock's 3 s retirement), and the next gesture
        # brings a new one that shows and hides the indicator again.
        retired = self.wine.wait_trace("worker-end gesture-tip", timeout=8)
        self.assertTrue(any(l.is_event("worker-end gesture-tip") for l in retired), "the idle clock kept its thread")
        self.report([0x04, 0x64, 0x01, 0x02, 0x00])
        again = wait_until(lambda: self.tip_events()[2:] if len(self.tip_events()) >= 4 else None, 5, interval=0.1)
        self.assertTrue(again, "no indicator after the clock's thread retired: %r" % self.tip_events())
        self.assertEqual([l.text for l in again], ["gesture-tip shown 700,350", "gesture-tip hidden"])


class GroupPicker(InputTestCase):

    def lists(self):
        return [w for w in self.wine.windows() if w["visible"] and w["rect"][2] - w["rect"][0] == 300]

    def test_a_group_opens_at_the_pointer_and_runs_the_choice(self):
        self.start_hidden({"bt3": FUNCTION_KEY})
        out = self.keys_helper()
        x, y = 1110, 150
        self.wine.xdotool("mousemove", x, y)
        time.sleep(0.3)
        self.report(report7(0x10))
        self.report(report7(0x00))
        shown = [l.text for l in self.wine.wait_trace("picker-show") if l.is_event("picker-show")]
        self.assertTrue(shown, "the group's list did not open")
        m = re.search(r"mode=1 at=(-?\d+),(-?\d+) size=300x(\d+) rows=(.*)$", shown[-1])
        self.assertTrue(m, shown[-1])
        # One pixel above and left of the pointer, moved left so that it stays on the screen.
        self.assertEqual((int(m.group(1)), int(m.group(2))), (min(x - 1, SCREEN[0] - 300 + 1), y - 1))
        self.assertEqual(m.group(4), "Cut|Copy|Paste|Backward|Forward|Page Up|Page Down")
        left, top = int(m.group(1)), int(m.group(2))
        # A choice runs at once: the helper gets Copy's keys.
        self.wine.xdotool("mousemove", left + 100, top + 4 + 36 + 18)
        time.sleep(0.4)
        self.wine.xdotool("click", 1)
        got = self.wait_keys(out, 4)
        self.assertEqual(got[:4], [("down", VK_CONTROL), ("down", VK_C), ("up", VK_CONTROL), ("up", VK_C)],
                         "the chosen Copy")
        self.assertTrue(wait_until(lambda: not self.lists(), 3, interval=0.1), "the list stayed after the choice")

        # Opened again, a click outside it closes it.
        self.wine.xdotool("mousemove", x, y)
        self.report(report7(0x10))
        self.report(report7(0x00))
        self.assertTrue(wait_until(self.lists, 3, interval=0.1), "the list did not open again")
        self.wine.click(HELPER[0] + 10, HELPER[1] + 20)  # on the helper, above the list (over the bare root
        # nothing arrives at all)
        self.assertTrue(wait_until(lambda: not self.lists(), 3, interval=0.1), "a click outside left it open")


    def open_group_at(self, x, y):
        """Opens bt3's group at the pointer; returns the list's left and top."""
        self.wine.xdotool("mousemove", x, y)
        time.sleep(0.3)
        shows = sum(1 for l in self.wine.trace() if l.is_event("picker-show"))
        self.report(report7(0x10))
        self.report(report7(0x00))
        lines = self.wine.wait_trace("picker-show", count=shows + 1)
        m = re.search(r"mode=1 at=(-?\d+),(-?\d+) ", [l.text for l in lines if l.is_event("picker-show")][-1])
        self.assertTrue(m, "the group's list did not open in mode 1")
        return int(m.group(1)), int(m.group(2))

    def choose_copy(self, left, top):
        self.wine.xdotool("mousemove", left + 100, top + 4 + 36 + 18)
        time.sleep(0.4)
        self.wine.xdotool("click", 1)

    def runs(self, position):
        return sum(1 for l in self.wine.trace() if l.text == "function-run %d" % position)

    def test_the_choice_waits_for_a_slow_application_to_take_the_foreground_back(self):
        # The list took the foreground; the application behind it takes it back only when it next looks at its
        # messages. Keys sent before that reach no window of it (under Wine the activation completes in the
        # application's own time).
        self.start_hidden({"bt3": FUNCTION_KEY})
        out = self.keys_helper(slow_ms=400)
        left, top = self.open_group_at(1110, 150)
        self.choose_copy(left, top)
        got = self.wait_keys(out, 4, timeout=8)
        self.assertEqual(got[:4], [("down", VK_CONTROL), ("down", VK_C), ("up", VK_CONTROL), ("up", VK_C)],
                         "the chosen Copy at the slow application: %r" % self.wine.probe_lines(out))
        sent = [l.text for l in self.wine.trace() if l.is_event("group-keys")]
        self.assertEqual(len(sent), 1, "the group choice's keys: %r" % sent)
        self.assertRegex(sent[0], r"^group-keys sent target-ready after \d+ ms$")
        self.assertTrue(wait_until(lambda: not self.lists(), 3, interval=0.1), "the list stayed after the choice")

    def test_only_the_list_on_screen_makes_a_choice(self):
        self.start_hidden({"bt3": FUNCTION_KEY})
        out = self.keys_helper()
        main = self.main_window()["hwnd"]

        def forged(what, *args):
            code, answer = self.wine.wininfo(*[str(a) for a in args])
            self.assertEqual((code, answer), (0, [{"posted": 1}]), "could not post %s" % what)
            time.sleep(0.8)  # what it ran would have been traced by now
            self.assertEqual(self.runs(COPY), 0, "a choice %s ran Copy" % what)
            self.assertEqual(self.keys(out), [], "a choice %s sent keys" % what)

        # The message number is no secret: a choice posted while no list is shown runs nothing.
        forged("with no list shown", "post", main, FUNCTION_CHOSEN, COPY, 1)
        left, top = self.open_group_at(1110, 150)
        shown = self.lists()
        self.assertEqual(len(shown), 1, "the group's list: %r" % shown)
        # Nor one addressed to the list's own window, or to the program's thread with no window.
        forged("to the list's window", "post", shown[0]["hwnd"], FUNCTION_CHOSEN, COPY, 1)
        forged("as a thread message", "post-thread", main, FUNCTION_CHOSEN, COPY, 1)
        self.assertEqual([w["hwnd"] for w in self.lists()], [shown[0]["hwnd"]], "a forged choice closed the list")
        # The real choice still runs.
        self.choose_copy(left, top)
        got = self.wait_keys(out, 4)
        self.assertEqual(got, [("down", VK_CONTROL), ("down", VK_C), ("up", VK_CONTROL), ("up", VK_C)],
                         "the chosen Copy, once")
        self.assertEqual(self.runs(COPY), 1)
        self.assertTrue(wait_until(lambda: not self.lists(), 3, interval=0.1), "the list stayed after the choice")


class Calculator(InputTestCase):

    def test_the_system_calculator_runs_never_a_planted_one(self):
        fake = self.wine.run.snapshot(wininfo_path().parent / "orvel_fake_calc.exe")
        # The system folder as the program sees it: a 32-bit program's "system32" is syswow64, as on Windows.
        system = "system32" if program_arch() == "x64" else "syswow64"
        shutil.copy2(fake, self.wine.prefix / "drive_c" / "windows" / system / "calc.exe")
        shutil.copy2(fake, self.wine.program_dir / "calc.exe")  # the program's folder, also its working folder
        self.start_hidden({})
        self.channel("run", CALCULATOR)
        started = self.wine.prefix / "drive_c" / "orvel-probe" / "calc-started.txt"
        self.assertTrue(wait_until(started.exists, 10), "no calculator started")
        time.sleep(0.5)
        paths = [p.strip().lower() for p in started.read_text(encoding="utf-8").splitlines() if p.strip()]
        self.assertEqual(paths, ["c:\\windows\\%s\\calc.exe" % system], "which calc.exe ran")


if __name__ == "__main__":
    unittest.main()
