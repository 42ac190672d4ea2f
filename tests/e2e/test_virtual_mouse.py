"""End-to-end tests through a virtual mouse (tests/device/): the program finds and configures the supported
mouse families through Wine's real HID class driver, hears their vendor input reports through raw input,
configures a mouse that is plugged in while it runs and forgets one that is unplugged, and is never held up by
a mouse that stops answering. No test channel: what the mouse was told is read from the driver's own log, what
it sent from the functions it set off.

Wine loads only 64-bit drivers in its 64-bit prefix; a 32-bit program reaches the same device through WoW64,
so both suites install the same x86_64 driver."""

import re
import shutil
import time
import unittest

from harness import SETTINGS_KEY, TITLE, TRAY_ICON, WineTestCase, wait_until, wininfo_path
from vdevice import DRIVER_NAME, FAMILIES, INSTALLER_NAME, VirtualMouse, device_build_folder, now_ms

# Catalogue positions on Windows 10.
COPY, FORWARD = 10, 13
QUERY = "00 00 00 00 00 00 00 00 00"
HANDSHAKE = "00 00 12 12 12 12 12 12 00"


def zu_mode(mode):
    return "00 02 %02X 00 01 00 00 00 %02X" % (mode, mode ^ 0x03)


class VirtualMouseTestCase(WineTestCase):

    def setUp(self):
        super().setUp()
        folder = device_build_folder(wininfo_path())
        self.driver = self.wine.run.snapshot(folder / DRIVER_NAME)
        self.installer = self.wine.run.snapshot(folder / INSTALLER_NAME)
        self.mice = {}
        self.addCleanup(self.keep_device_logs)

    def keep_device_logs(self):
        """The driver's logs go with the test's other evidence."""
        for mouse in self.mice.values():
            for folder in mouse.folders:
                log = folder / "log.txt"
                if log.exists():
                    shutil.copy2(log, self.wine.logs / ("device-%s.log" % folder.name.replace("&", "_")))

    def plug(self, family, first_instance=0):
        vid, pid, interfaces = FAMILIES[family]
        mouse = VirtualMouse(self.wine, family, vid, pid, interfaces, first_instance)
        started = time.monotonic()
        mouse.install(self.driver, self.installer)
        mouse.install_seconds = time.monotonic() - started
        self.mice[family] = mouse
        return mouse

    def wait_requests(self, mouse, count, interface=0, since_ms=0, timeout=15.0):
        """Waits until the interface has been asked `count` things since since_ms; fails naming them."""
        got = wait_until(lambda: len(mouse.requests(interface, since_ms)) >= count, timeout, interval=0.1)
        if not got:
            self.fail("waited %.0f s for %d requests to the %s mouse's interface %d; it got %r" %
                      (timeout, count, mouse.family, interface, mouse.requests(interface, since_ms)))
        return mouse.requests(interface, since_ms)

    def assert_zu_sequence(self, mouse, mode, since_ms=0):
        """The ZU transactions: each request sent once the mouse reads idle, then read until it no longer
        reads busy (it is busy for two reads after each request)."""
        requests = self.wait_requests(mouse, 3 * 5, since_ms=since_ms)
        time.sleep(0.3)
        entries = [(kind, rest) for ms, kind, rest in mouse.log(0) if ms >= since_ms and kind in ("get", "set")]
        self.assertEqual([rest for kind, rest in entries if kind == "set"], [QUERY, HANDSHAKE, zu_mode(mode)],
                         "what the ZU mouse was told: %r" % requests)
        # Before each request one idle read; after it two busy reads and the answer.
        shape = "".join("S" if kind == "set" else ("B" if int(rest.split()[1], 16) & 0x80 else "g")
                        for kind, rest in entries)
        self.assertEqual(shape, "gSBBg" * 3, "reads and requests of the ZU transactions: %r" % entries)

    def exit_from_tray(self):
        for _ in range(3):
            self.wine.click(*TRAY_ICON, button=3)
            if wait_until(lambda: [w for w in self.wine.windows() if w["class"] == "#32768" and w["visible"]],
                          3, interval=0.2):
                break
        else:
            self.fail("the notification menu did not open")
        self.wine.key("Up")  # the last item, "Exit"
        time.sleep(0.2)
        self.wine.key("Return")


class StartAndStop(VirtualMouseTestCase):

    def test_each_family_is_configured_at_start_and_reset_at_close(self):
        for family in ("zu", "switch", "kest24", "receiver", "kevo"):
            self.plug(family)
        self.plug("zv", first_instance=5)  # the ZU vendor and product with a wrong answer
        seconds = [m.install_seconds for m in self.mice.values()]
        print("virtual mice installed in %s s" % ", ".join("%.2f" % s for s in seconds))

        # bt3 carries Copy and bt4, not stored, "No function": neither is its default, mode 0x18. The KEVO
        # mouse is told order 3 at the end.
        self.wine.reg_import({SETTINGS_KEY: {"bt3": COPY, "order": 3}})
        program = self.wine.start("/hide")
        zu, switch, kest, receiver, kevo_mouse, zv = (self.mice[f] for f in (
            "zu", "switch", "kest24", "receiver", "kevo", "zv"))
        self.assert_zu_sequence(zu, 0x18)
        self.assertEqual(self.wait_requests(switch, 2), ["set 00 00 02 01 00 00 00 00 00",
                                                         "set 00 00 03 18 00 00 00 00 00"], "the switch mouse")
        if self.strings_reach_mice(kest):
            self.assertEqual(self.wait_requests(kest, 3), ["string 120", "set 00 07 01 01 00 00 00 00 00",
                                                           "set 00 07 02 18 00 12 12 12 00"], "the Kest24 mouse")
            sets = [ms for ms, kind, _ in kest.log(0) if kind == "set"]
            self.assertGreaterEqual(sets[1] - sets[0], 10, "the Kest24 mouse's pause between its two reports")
            self.assertEqual(self.wait_requests(receiver, 1), ["string 120"], "the receiver at start-up")
        self.assertEqual(self.wait_requests(zv, 3)[:3], ["get", "set " + QUERY, "get"], "the mouse answering \"ZV\"")
        time.sleep(1.0)  # anything more would have come by now
        self.assertEqual(zv.sets(), [QUERY], "the mouse that did not answer \"ZU\" was told more")
        self.assertEqual(self.requests_of_others(), {}, "interfaces without 9-byte feature reports were asked")
        self.assertEqual(kevo_mouse.requests(), [], "the KEVO mouse at start-up")

        # "/close" from a second start: every mouse gets mode 0, then the reset pass.
        closing = now_ms()
        self.wine.start("/close")
        self.assertEqual(program.wait(20), 0, "the program did not end after /close")
        self.assert_zu_sequence(zu, 0x00, since_ms=closing)
        self.assertEqual(switch.requests(since_ms=closing), ["set 00 00 02 01 00 00 00 00 00",
                                                             "set 00 00 03 00 00 00 00 00 00"], "the switch mouse")
        if self.strings_reach_mice(kest):
            self.assertEqual(kest.requests(since_ms=closing), [
                "string 120", "set 00 07 01 01 00 00 00 00 00", "set 00 07 02 00 00 12 12 12 00",
                "string 120", "set 00 07 01 00 00 00 00 00 00", "set 00 07 02 00 00 12 12 12 00"],
                "the Kest24 mouse")
            self.assertEqual(receiver.requests(since_ms=closing), [
                "string 120", "string 148", "set 00 00 02 00 00 00 00 00 00", "set 00 00 03 00 00 00 00 00 00"],
                "the receiver")
            self.assertEqual(kevo_mouse.requests(since_ms=closing), ["string 148", "string 143", "string 199",
                                                                     "string 198"], "the KEVO mouse, order 3")
        else:
            # The receiver's reset goes on whatever its string 148 read brought; the Kest24 and KEVO mice,
            # known only by their strings, are left alone, and the trace shows the program asked.
            self.assertEqual(receiver.requests(since_ms=closing), ["set 00 00 02 00 00 00 00 00 00",
                                                                   "set 00 00 03 00 00 00 00 00 00"], "the receiver")
            self.assertEqual(kest.requests(since_ms=closing), [], "the Kest24 mouse")
            self.assertEqual(kevo_mouse.requests(since_ms=closing), [], "the KEVO mouse")
            self.assert_strings_asked(kevo_mouse, [148])
            self.assert_strings_asked(receiver, [120, 120, 148])
            self.assert_strings_asked(kest, [120, 120, 120])
        self.assertEqual(zv.sets(since_ms=closing), [QUERY], "the mouse that did not answer \"ZU\"")
        self.assertEqual(self.requests_of_others(), {}, "interfaces without 9-byte feature reports were asked")

    def strings_reach_mice(self, kest):
        """Whether Wine's HID class driver passes string reads by index on to the mouse. Wine 8's refuses
        them ("Unsupported ioctl 0xb01e2"): the families known by their strings can then not be shown, and
        the test checks that the program asked (its trace) and what the other families got regardless."""
        if getattr(self, "_strings_reach", None) is None:
            strings = wait_until(lambda: [l for l in self.wine.trace() if l.is_event("hid string")], 15, interval=0.2)
            self.assertTrue(strings, "the program read no string at all")
            time.sleep(0.3)
            self._strings_reach = any(r.startswith("string ") for r in kest.requests())
            if not self._strings_reach:
                self.assert_strings_asked(kest, [120])
        return self._strings_reach

    def assert_strings_asked(self, mouse, indices):
        """The trace's string reads of the mouse's first interface, in order (the program's own account)."""
        path_part = "hid#%s#" % mouse.device_id.lower()
        asked, current = [], None
        for line in self.wine.trace():
            m = re.match(r"hid open (\S+) ok$", line.text)
            if m:
                current = m.group(1).lower()
            m = re.match(r"hid string index=(\d+) bytes=\d+ (\S+)$", line.text)
            if m and current and path_part + "0#" in current:
                asked.append(int(m.group(1)))
        self.assertEqual(asked, indices, "the strings the program read from the %s mouse" % mouse.family)

    def requests_of_others(self):
        """Whatever the program asked of the interfaces that are not configured by feature reports."""
        asked = {}
        for mouse in self.mice.values():
            for i, interface in enumerate(mouse.interfaces):
                if interface["collection"] in ("input", "mouse") and mouse.requests(i):
                    asked["%s %d" % (mouse.family, i)] = mouse.requests(i)
        return asked


if __name__ == "__main__":
    unittest.main()
