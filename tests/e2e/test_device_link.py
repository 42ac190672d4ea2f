"""End-to-end tests of the device link under Wine: arrival notifications that any program can send, and the
button order the shutdown's reset pass tells the mice after Default.

Wine's own virtual HID mouse and keyboard have no feature reports: nothing is ever sent to them. What the trace
shows here is what the link opened and what the passes were told; the mice themselves, and one that stops
answering, are played by the virtual mouse in test_virtual_mouse.py."""

import re
import time
import unittest

from harness import SETTINGS_KEY, WineTestCase, overlapping_device_workers, wait_until


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


class Arrivals(DeviceLinkTestCase):

    def test_only_hid_interfaces_are_opened(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("settings-saved")
        path = self.settled_walk()[0]
        before = len(opened_paths(self.wine.trace()))

        # Another class's record naming a HID path, and a HID record naming another path: neither is opened.
        self.arrival("volume", path)
        self.arrival("hid", "\\\\?\\USB#VID_845E&PID_0001#1&2d595ca7&0&0000#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")
        self.arrival("hid", "C:\\windows\\win.ini")
        arrivals = self.wine.wait_trace("hid arrival", count=3)
        verdicts = [l.text.split()[-1] for l in arrivals if l.is_event("hid arrival")]
        self.assertEqual(verdicts, ["ignored"] * 3, "arrivals of other classes or paths: %r" % verdicts)

        # The same interface announced as the system announces it (upper case) is opened, once.
        self.arrival("hid", path.upper())
        lines = self.wine.wait_trace("hid arrival", count=4)
        self.assertEqual([l.text.split()[-1] for l in lines if l.is_event("hid arrival")][-1], "probe")
        self.assertTrue(wait_until(lambda: len(opened_paths(self.wine.trace())) > before, 5, interval=0.1),
                        "the HID interface's arrival opened nothing: %r" %
                        [l.text for l in self.wine.trace() if l.is_event("hid")])
        time.sleep(0.5)
        after = opened_paths(self.wine.trace())[before:]
        self.assertEqual([p.lower() for p in after], [path.lower()], "what the arrivals opened")
        self.assertEqual([l.text for l in self.wine.trace() if l.is_event("hid set-feature")], [],
                         "feature reports were sent to Wine's own devices")
        # The worker may end when idle and the next request start another, but never beside it.
        lines = self.wine.trace()
        self.assertTrue(any(l.is_event("hid worker started") for l in lines), "no device worker was started")
        self.assertEqual(overlapping_device_workers(lines), [], "the probes ran on two workers at once")
        self.assertTrue(program.running())

    def test_the_idle_worker_ends_and_the_next_arrival_starts_another(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("settings-saved")
        path = self.settled_walk()[0]
        # With nothing asked of it for 3 s the worker lets its thread go; an arrival then brings a new one,
        # which opens the interface, and in its turn goes when idle.
        self.wine.wait_trace("hid worker retired", timeout=10)
        before = len(self.wine.trace())
        self.arrival("hid", path.upper())
        self.assertTrue(wait_until(lambda: opened_paths(self.wine.trace()[before:]), 5, interval=0.1),
                        "the arrival after the worker ended opened nothing: %r" %
                        [l.text for l in self.wine.trace()[before:] if l.is_event("hid")])
        lines = self.wine.trace()
        after = [l.text for l in lines[before:] if l.is_event("hid worker") or l.is_event("hid open")]
        self.assertEqual(after[:2], ["hid worker started", "hid open %s ok" % path.upper()],
                         "the arrival was not carried out by a new worker")
        self.wine.wait_trace("hid worker retired", count=2, timeout=10)
        self.assertEqual(overlapping_device_workers(self.wine.trace()), [], "two workers at once")
        self.assertTrue(program.running())


class ShutdownOrder(DeviceLinkTestCase):

    DEFAULT = (550, 66)  # the Default button, in the settings window's client coordinates

    def saved_orders(self):
        return [int(m.group(1)) for l in self.wine.trace()
                for m in [re.search(r"settings-saved device-mode=\S+ order=(-?\d+)", l.text)] if m]

    def test_exit_after_default_tells_order_zero(self):
        self.wine.reg_import({SETTINGS_KEY: {"order": 3}})
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done")
        self.wine.wait_trace("settings-saved")
        self.assertEqual(self.saved_orders(), [3], "the stored order was not loaded")

        # The pointer rests on Default before the press, as a person's would (a press that arrives with the
        # first move over a window Wine has just mapped can go to the window below).
        left, top, _, _ = self.main_window()["rect"]
        x, y = left + self.DEFAULT[0], top + self.DEFAULT[1]
        self.wine.xdotool("mousemove", x, y)
        time.sleep(0.4)
        self.wine.click(x, y)
        self.assertTrue(wait_until(lambda: self.saved_orders()[-1:] == [0], 5, interval=0.1),
                        "Default did not save order 0: %r" % self.saved_orders())

        self.assertTrue(self.wine.open_tray_menu(), "the notification menu did not open")
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
