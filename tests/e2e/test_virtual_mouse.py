"""End-to-end tests through a virtual mouse (tests/device/): the program finds and configures the supported
mouse families through Wine's real HID class driver, hears their vendor input reports through raw input,
configures a mouse that is plugged in while it runs and forgets one that is unplugged, and is never held up by
a mouse that stops answering. No test channel: what the mouse was told is read from the driver's own log, what
it sent from the functions it set off.

Wine loads only 64-bit drivers in its 64-bit prefix; a 32-bit program reaches the same device through WoW64,
so both suites install the same x86_64 driver."""

import re
import shutil
import subprocess
import time
import unittest

from harness import (SETTINGS_KEY, TITLE, WINE, Program, WineTestCase, overlapping_device_workers,
                     parse_json_lines, report7, scroll_helper_path, wait_until, wininfo_path)
from vdevice import DRIVER_NAME, FAMILIES, INSTALLER_NAME, VirtualMouse, device_build_folder, now_ms

# Catalogue positions on Windows 10.
COPY, BACKWARD, FORWARD, PAGE_DOWN, HIGHLIGHTER = 10, 12, 13, 15, 24
VK_CONTROL, VK_C, VK_NEXT = 0x11, 0x43, 0x22
SB_LINERIGHT, SB_ENDSCROLL = 1, 8
KEYS_HELPER = (1000, 60, 240, 240)
BAR_HELPER = (1000, 360, 240, 240)
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
        timed = [(ms, kind, rest) for ms, kind, rest in mouse.log(0) if ms >= since_ms and kind in ("get", "set")]
        entries = [(kind, rest) for _, kind, rest in timed]
        self.assertEqual([rest for kind, rest in entries if kind == "set"], [QUERY, HANDSHAKE, zu_mode(mode)],
                         "what the ZU mouse was told: %r" % requests)
        # Before each request one idle read; after it two busy reads and the answer.
        shape = "".join("S" if kind == "set" else ("B" if int(rest.split()[1], 16) & 0x80 else "g")
                        for kind, rest in entries)
        self.assertEqual(shape, "gSBBg" * 3, "reads and requests of the ZU transactions: %r" % entries)
        # The mouse is given 10 ms after the query and 20 ms after the other two before it is read again (a
        # millisecond of leeway for the two clocks' rounding).
        waits = [timed[i + 1][0] - timed[i][0] for i, (_, kind, _) in enumerate(timed) if kind == "set"]
        self.assertTrue(all(got >= wanted - 1 for got, wanted in zip(waits, (10, 20, 20))),
                        "the pauses after the ZU requests: %r ms" % waits)

    def exit_from_tray(self):
        self.assertTrue(self.wine.open_tray_menu(), "the notification menu did not open")
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


class VendorInput(VirtualMouseTestCase):

    def keys_helper(self):
        """An application in front that prints the keys it gets."""
        _, out = self.wine.start_probe("keys-window", *[str(v) for v in KEYS_HELPER], "60000")
        ready = wait_until(lambda: [l for l in self.wine.probe_lines(out) if "ready" in l], 10)
        self.assertTrue(ready, "the keys helper did not come up")
        self.assertTrue(wait_until(lambda: (self.wine.foreground() or {}).get("hwnd") == ready[0]["hwnd"], 5),
                        "the keys helper is not the foreground window")
        return out

    def keys(self, out):
        return [(l["key"], l["vk"]) for l in self.wine.probe_lines(out) if "key" in l]

    def wait_keys(self, out, count, what):
        if not wait_until(lambda: len(self.keys(out)) >= count, 5, interval=0.05):
            self.fail("waited 5 s for %d keys from %s; the helper got %r" % (count, what, self.keys(out)))
        return self.keys(out)

    def bar_helper(self):
        """An application whose focused edit sits in a frame with a horizontal scroll bar (see scroll_helper)."""
        exe = self.wine.run.snapshot(scroll_helper_path())
        shutil.copy2(exe, self.wine.prefix / "drive_c" / "orvel-probe" / exe.name)
        out = self.wine.logs / "scroll-helper.stdout"
        args = ["bar"] + [str(v) for v in BAR_HELPER] + ["60000"]
        with open(out, "wb") as sink:
            proc = subprocess.Popen([WINE, "C:\\orvel-probe\\" + exe.name] + args, env=self.wine.env,
                                    cwd=str(self.wine.prefix / "drive_c"), stdin=subprocess.DEVNULL, stdout=sink,
                                    stderr=subprocess.STDOUT, start_new_session=True)
        self.wine.programs.append(Program(self.wine, args, proc, out, out, time.monotonic()))
        lines = lambda: parse_json_lines(out.read_bytes().decode("utf-8", errors="replace"))
        ready = wait_until(lambda: [l for l in lines() if l.get("ready")], 15)
        self.assertTrue(ready, "the scroll helper did not come up")
        x, y, w, h = BAR_HELPER
        self.wine.xdotool("mousemove", x + w // 2, y + h // 2)
        self.assertTrue(wait_until(lambda: (self.wine.foreground() or {}).get("hwnd") == ready[0]["hwnd"], 5),
                        "the scroll helper is not the foreground window")
        return lambda: [(m["msg"], m["code"], m["lparam"]) for m in lines() if m.get("msg") == "hscroll"], ready[0]

    def test_buttons_extra_key_tilt_and_gesture_reach_the_program_through_raw_input(self):
        zu = self.plug("zu")
        program = self.start_hidden({"bt3": COPY, "bt4": BACKWARD, "extra key": PAGE_DOWN,
                                     "gesture down": HIGHLIGHTER})
        out = self.keys_helper()

        # bt3 (bit 0x10) down and up in report 7: Copy's key strokes, and its release's.
        zu.queue_input(report7(0x10))
        zu.queue_input(report7(0x00))
        zu.wait_inputs_taken()
        self.assertEqual(self.wait_keys(out, 6, "bt3")[:6], [
            ("down", VK_CONTROL), ("down", VK_C), ("up", VK_CONTROL), ("up", VK_C), ("up", VK_CONTROL),
            ("up", VK_C)], "Copy on bt3")
        # A report 7 whose check byte is wrong is dropped by the program, not by the way to it.
        bad = report7(0x10)
        bad[7] ^= 0xFF
        zu.queue_input(bad)
        # The extra key (report 4, 64 01 00 00): its function runs and is released at once.
        zu.queue_input([0x04, 0x64, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00])
        zu.wait_inputs_taken()
        self.assertEqual(self.wait_keys(out, 9, "the extra key")[6:], [("down", VK_NEXT), ("up", VK_NEXT),
                                                                       ("up", VK_NEXT)],
                         "Page Down on the extra key (and nothing from the bad report before it)")
        sent = [rest for _, kind, rest in zu.log(1) if kind == "input"]
        self.assertEqual(sent, ["07 10 00 00 00 00 00 10", "07 00 00 00 00 00 00 00", "07 10 00 00 00 00 00 EF",
                                "04 64 01 00 00 00 00 00"], "what the mouse sent")

        # A tilt step in report 7 (byte 4) scrolls the application in front.
        hscrolls, bar = self.bar_helper()
        zu.queue_input([0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01])
        zu.wait_inputs_taken()
        if not wait_until(lambda: len(hscrolls()) >= 2, 5, interval=0.05):
            self.fail("waited 5 s for the tilt's two scroll messages; the helper got %r" % hscrolls())
        self.assertEqual(hscrolls(), [("hscroll", SB_LINERIGHT, bar["bar"]), ("hscroll", SB_ENDSCROLL, bar["bar"])],
                         "one step right at the frame's horizontal bar")

        # Gesture down (report 4, 64 01 02) opens the highlighter board and shows the gesture indicator; the
        # same gesture again closes the board.
        zu.queue_input([0x04, 0x64, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00])
        self.wine.wait_trace("board-open", timeout=10)
        self.wine.wait_trace("gesture-tip shown", timeout=5)
        time.sleep(1.3)  # the board's mode tip fades away
        zu.queue_input([0x04, 0x64, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00])
        self.wine.wait_trace("board-close", timeout=10)
        zu.wait_inputs_taken()
        self.assertEqual(self.keys(out)[9:], [], "keys reached the helper after the extra key")
        self.assertTrue(program.running(), "the program ended")


PICKER_WIDTH, ROW = 300, 36
TOP_ROWS = ["No function", "System", "Application", "Function key", "Multimedia", "Presenter"]
FUNCTION_KEY_ROWS = ["Cut", "Copy", "Paste", "Backward", "Forward", "Page Up", "Page Down"]
DEFAULT_BUTTON = (550, 66)  # in the settings window's client area


class SettingsFace(VirtualMouseTestCase):

    def markers(self):
        found = {}
        for line in self.wine.trace():
            m = re.match(r"view-markers bt3=(-?\d+),(-?\d+),(-?\d+),(-?\d+) .* \| bt4=", line.text)
            if m:
                found[3] = tuple(map(int, m.groups()))
        self.assertTrue(found, "the view reported no markers")
        return found

    def click_client(self, x, y):
        left, top, _, _ = self.main_window()["rect"]
        self.wine.xdotool("mousemove", left + x, top + y)
        time.sleep(0.4)
        self.wine.xdotool("click", 1)
        time.sleep(0.4)

    def pickers(self):
        return sorted([w for w in self.wine.windows() if w["visible"] and w["title"] != TITLE and
                       w["rect"][2] - w["rect"][0] == PICKER_WIDTH], key=lambda w: w["rect"][0])

    def test_a_choice_in_the_face_retells_the_mice_and_exit_resets_them(self):
        zu = self.plug("zu")
        receiver = self.plug("receiver")
        self.wine.reg_import({SETTINGS_KEY: {"bt3": FORWARD, "bt4": BACKWARD}})
        program = self.start_and_wait_visible()
        self.wine.wait_trace("view-markers")
        self.assert_zu_sequence(zu, 0x00)  # both side buttons as the mouse has them

        # bt3's marker, "Function key", "Copy": bt3 is reassigned, the mouse is told 0x10.
        chosen = now_ms()
        l, t, r, b = self.markers()[3]
        self.click_client((l + r) // 2, (t + b) // 2)
        lists = wait_until(self.pickers, 5, interval=0.1)
        self.assertTrue(lists, "bt3's picker did not open")
        top = lists[0]["rect"]
        self.wine.xdotool("mousemove", top[0] + 100, top[1] + 4 + TOP_ROWS.index("Function key") * ROW + ROW // 2)
        lists = wait_until(lambda: self.pickers() if len(self.pickers()) == 2 else None, 5, interval=0.1)
        self.assertTrue(lists, "no \"Function key\" list: %r" % self.pickers())
        sub = lists[1]["rect"]
        self.wine.xdotool("mousemove", sub[0] + 100, sub[1] + 4 + FUNCTION_KEY_ROWS.index("Copy") * ROW + ROW // 2)
        time.sleep(0.4)
        self.wine.xdotool("click", 1)
        self.assert_zu_sequence(zu, 0x10, since_ms=chosen)
        self.assertEqual(self.wine.settings()["bt3"], ("REG_DWORD", COPY), "the choice was not stored")

        # Default gives the button back to the mouse: 0 again.
        defaulted = now_ms()
        self.assertTrue(wait_until(lambda: not self.pickers(), 3, interval=0.1), "the picker stayed open")
        self.click_client(*DEFAULT_BUTTON)
        self.assert_zu_sequence(zu, 0x00, since_ms=defaulted)

        # Exit in the notification menu: mode 0 for every mouse, then the reset pass (the receiver's reset).
        exited = now_ms()
        self.exit_from_tray()
        self.assertEqual(program.wait(20), 0, "Exit did not end the program")
        self.assert_zu_sequence(zu, 0x00, since_ms=exited)
        self.assertEqual(receiver.sets(since_ms=exited), ["00 00 02 00 00 00 00 00 00", "00 00 03 00 00 00 00 00 00"],
                         "the receiver's reset at Exit")
        self.assertEqual(receiver.sets(), ["00 00 02 00 00 00 00 00 00", "00 00 03 00 00 00 00 00 00"],
                         "the receiver was sent something before the end")


SWITCH_ON = "set 00 00 02 01 00 00 00 00 00"
WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC = 0x218, 0x12


class PlugAndUnplug(VirtualMouseTestCase):

    def resume(self, hwnd):
        """A real resume notice (not the test channel): the program walks every interface again."""
        walks = sum(1 for l in self.wine.trace() if l.is_event("hid enumerate"))
        code, answer = self.wine.wininfo("send", str(hwnd), str(WM_POWERBROADCAST), str(PBT_APMRESUMEAUTOMATIC), "0")
        self.assertEqual(code, 0, "the resume notice was not delivered: %r" % answer)
        self.wine.wait_trace("hid enumerate", count=walks + 1)

    def opened_since(self, mouse, line_count):
        part = "hid#%s#" % mouse.device_id.lower()
        return [l.text for l in self.wine.trace()[line_count:] if l.is_event("hid open") and part in l.text.lower()]

    def test_plugged_in_configured_unplugged_forgotten_and_a_silent_mouse_holds_nothing_up(self):
        program = self.start_hidden({"bt3": COPY, "bt4": BACKWARD})  # mode 0x10: bt3 reassigned
        hwnd = self.main_window()["hwnd"]

        # Plugged in while the program runs: each interface's arrival is probed, the mouse configured.
        switch = self.plug("switch")
        self.assertEqual(self.wait_requests(switch, 2), [SWITCH_ON, "set 00 00 03 10 00 00 00 00 00"],
                         "the switch mouse plugged in")
        probed = [l.text for l in self.wine.trace() if l.is_event("hid arrival") and l.text.endswith("probe")]
        self.assertGreaterEqual(len(probed), 3, "the arrivals of its three interfaces: %r" % probed)
        # Its vendor reports reach the program too, though the collection came after the registration.
        runs = sum(1 for l in self.wine.trace() if l.text == "function-run %d" % COPY)
        switch.queue_input(report7(0x10))
        switch.queue_input(report7(0x00))
        switch.wait_inputs_taken()
        self.wine.wait_trace("function-run %d" % COPY, count=runs + 1, timeout=5)

        # Unplugged: nothing is asked of it, and the next walk of every interface does not open it.
        unplugged, lines = now_ms(), len(self.wine.trace())
        switch.unplug()
        self.resume(hwnd)
        time.sleep(1.0)
        self.assertEqual(switch.requests(since_ms=unplugged), [], "the unplugged mouse was asked")
        self.assertEqual(self.opened_since(switch, lines), [], "the unplugged mouse was opened")

        # A mouse that stops answering: its arrival's first read is held; the request times out, the program
        # answers at once meanwhile, and a mouse plugged in meanwhile is still configured.
        lone = self.plug("zu-lone", first_instance=7)
        self.assert_zu_sequence(lone, 0x10)
        lone.unplug()
        lone.hold()
        hold_lines = len(self.wine.trace())
        lone.plug_in()
        if not wait_until(lambda: any(kind == "held" for _, kind, _ in lone.log()), 10, interval=0.1):
            self.fail("waited 10 s for the silent mouse to hold a request: %r" % lone.log()[-5:])
        self.wine.wait_trace("hid stopped-answering", timeout=10)
        # While its request was held the worker was in the driver call: from that open to the time-out no
        # worker retired, and none started beside it.
        lines = self.wine.trace()
        timed_out = next(i for i in range(hold_lines, len(lines)) if lines[i].is_event("hid request-timed-out"))
        opened = max(i for i in range(hold_lines, timed_out) if lines[i].is_event("hid open"))
        self.assertIn("hid#%s#" % lone.device_id.lower(), lines[opened].text.lower(), "the held request's open")
        self.assertEqual([l.text for l in lines[opened:timed_out] if l.is_event("hid worker")], [],
                         "a worker started or ended while the held request was in the driver")
        started = time.monotonic()
        code, answer = self.wine.wininfo("send", str(hwnd), "0", "0", "0")  # WM_NULL
        self.assertEqual(code, 0, "the program did not answer while a mouse held a request: %r" % answer)
        self.assertLess(time.monotonic() - started, 5.0, "the program was slow to answer during the hold")
        since = now_ms()
        switch.plug_in()
        self.assertEqual(self.wait_requests(switch, 2, since_ms=since), [SWITCH_ON, "set 00 00 03 10 00 00 00 00 00"],
                         "the switch mouse plugged in while the other one held a request")
        self.assertFalse(any(kind == "released" for _, kind, _ in lone.log()), "the hold ended early")

        # Answering late does not bring it back: the next walk leaves it alone, until it arrives again.
        lone.release()
        if not wait_until(lambda: any(kind == "released" for _, kind, _ in lone.log()), 5, interval=0.1):
            self.fail("waited 5 s for the held request to be answered")
        since, lines = now_ms(), len(self.wine.trace())
        self.resume(hwnd)
        self.assertEqual(self.wait_requests(switch, 2, since_ms=since), [SWITCH_ON, "set 00 00 03 10 00 00 00 00 00"],
                         "the walk after the hold")
        # The walk reaches the silent mouse after the switch mouse's requests: its skip may come a moment later.
        def skips():
            return [l.text for l in self.wine.trace()[lines:] if l.is_event("hid skip")]
        wait_until(skips, 5, interval=0.1)
        skipped = skips()
        self.assertEqual(len(skipped), 1, "the walk's skips: %r" % skipped)
        self.assertIn("hid#vid_f17e&pid_027b#7#", skipped[0].lower())
        self.assertEqual(lone.requests(since_ms=since), [], "the silent mouse was asked again before it came back")
        # It arrives again: the arrival the system sends for this interface, announced to the window (removed
        # and added again right after a held request, the device did not always come back under Wine: once
        # in five runs its interface stayed away).
        path = re.search(r"hid skip (\S+) stopped-answering", skipped[0]).group(1)
        since = now_ms()
        code, answer = self.wine.wininfo("arrival", str(hwnd), "hid", path)
        self.assertEqual(code, 0, "the arrival was not delivered: %r" % answer)
        self.assert_zu_sequence(lone, 0x10, since_ms=since)
        self.assertEqual(overlapping_device_workers(self.wine.trace()), [],
                         "the probes ran on two workers at once, the stuck one left behind")
        self.assertTrue(program.running(), "the program ended")


if __name__ == "__main__":
    unittest.main()
