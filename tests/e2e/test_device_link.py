"""End-to-end tests of the device link under Wine: the button order the shutdown's reset pass tells the mice after
Default.

Wine offers only its own virtual HID mouse and keyboard, which have no feature reports: nothing is ever sent to
them, and a device that stops answering cannot be made here (the host tests of the device worker show that
with simulated mice). What the trace shows is what the link opened and what the passes were told."""

import re
import time
import unittest

from harness import SETTINGS_KEY, TRAY_ICON, WineTestCase, wait_until


def opened_paths(lines):
    """The interface paths the trace shows opened successfully ("hid open PATH ok")."""
    paths = []
    for line in lines:
        m = re.match(r"hid open (.*) ok$", line.text)
        if m:
            paths.append(m.group(1))
    return paths


class DeviceLinkTestCase(WineTestCase):

    def settled_walk(self):
        """Waits until the start-up's walk has opened and closed Wine's interfaces; returns their paths."""
        def settled():
            lines = self.wine.trace()
            opened = opened_paths(lines)
            closed = sum(1 for l in lines if l.is_event("hid close"))
            return opened if len(opened) >= 2 and closed >= len(opened) else None
        paths = wait_until(settled, 15, interval=0.2)
        self.assertTrue(paths, "the start-up walk did not open and close Wine's HID interfaces: %r" %
                        [l.text for l in self.wine.trace() if l.is_event("hid")])
        return paths

    def arrival(self, kind, path):
        hwnd = str(self.main_window()["hwnd"])
        code, answer = self.wine.wininfo("arrival", hwnd, kind, path)
        self.assertEqual(code, 0, "the arrival was not delivered: %r" % answer)

    def main_window(self):
        found = self.wine.windows(title="Orvel Mouse Assistant")
        self.assertEqual(len(found), 1, "windows titled like the program: %r" % found)
        return found[0]


class ShutdownOrder(DeviceLinkTestCase):

    DEFAULT = (550, 66)  # the Default button, in the settings window's client coordinates

    def open_tray_menu(self):
        for _ in range(3):
            self.wine.click(*TRAY_ICON, button=3)
            if wait_until(lambda: [w for w in self.wine.windows() if w["class"] == "#32768" and w["visible"]],
                          3, interval=0.2):
                return True
        return False

    def saved_orders(self):
        return [int(m.group(1)) for l in self.wine.trace()
                for m in [re.search(r"settings-saved device-mode=\S+ order=(-?\d+)", l.text)] if m]

    def test_exit_after_default_tells_order_zero(self):
        self.wine.reg_import({SETTINGS_KEY: {"order": 3}})
        program = self.start_and_wait_visible()
        self.wine.wait_trace("first-frame")
        self.wine.wait_trace("settings-saved")
        self.assertEqual(self.saved_orders(), [3], "the stored order was not loaded")

        left, top, _, _ = self.main_window()["rect"]
        self.wine.click(left + self.DEFAULT[0], top + self.DEFAULT[1])
        self.assertTrue(wait_until(lambda: self.saved_orders()[-1:] == [0], 5, interval=0.1),
                        "Default did not save order 0: %r" % self.saved_orders())

        self.assertTrue(self.open_tray_menu(), "the notification menu did not open")
        self.wine.key("Up")  # the last item, "Exit"
        time.sleep(0.2)
        self.wine.key("Return")
        self.assertEqual(program.wait(15), 0, "Exit did not end the program")
        passes = [l.text for l in self.wine.trace() if l.is_event("hid reset-pass")]
        self.assertEqual(passes, ["hid reset-pass order=0"], "what the shutdown's reset pass was told")
        events = [l.text for l in self.wine.trace()]
        self.assertIn("hid shutdown-passes done", events, "the shutdown passes did not end within their bound")


if __name__ == "__main__":
    unittest.main()
