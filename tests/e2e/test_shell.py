"""End-to-end tests of the resident shell: start-up, single instance, command line, settings key, language file,
function catalogue, notification menu and the HID probe at start, each against the real program under Wine."""

import re
import shutil
import time
import unittest

from harness import (SCREEN, SETTINGS_KEY, SETTINGS_VALUES, TITLE, TRAY_ICON, WineTestCase,
                     catalogue_from_trace, planted_dll_path, rgb_at, wait_until)

WS_EX_LAYERED = 0x00080000

# The catalogue as the mouse's companion lists it; Windows 8 and later (version 6.2+) drop three entries.
CATALOGUE_WIN7 = ["No function", "System", "Expose application", "My computer", "Show desktop", "Start menu",
                  "Application", "Calculator", "Email reader", "Web browser", "Function key", "Cut", "Copy",
                  "Paste", "Backward", "Forward", "Page Up", "Page Down", "Multimedia", "Volume +", "Volume -",
                  "Mute", "Play / Pause", "Prev track", "Next track", "Media Player", "Presenter", "Highlighter",
                  "Screen snap #1", "Screen snap #2", "Spotlight"]
CATALOGUE_WIN10 = [n for n in CATALOGUE_WIN7 if n not in ("Email reader", "Web browser", "Media Player")]

INSTANCE_EVENT = "qvmouseeventtouch"

# A start that only carries a message to the running instance must be over quickly (Wine's own process
# start-up is most of this).
MESSENGER_SECONDS = 3.0


class ShellTestCase(WineTestCase):

    def assert_running(self, program, why):
        self.assertTrue(program.running(), "the program ended (%s): status %s" % (why, program.wait(0)))

    def assert_ends(self, program, timeout, why):
        status = program.wait(timeout)
        self.assertIsNotNone(status, "the program still runs %.0f s after %s" % (timeout, why))
        self.assertEqual(status, 0, "exit status after %s" % why)
        held, left = self.wine.windows(until="gone", timeout=3)
        self.assertTrue(held, "windows of the program left after %s: %r" % (why, left))
        self.assertEqual(self.wine.processes(), [], "processes of the program left after %s" % why)

    def wait_settings_saved(self, timeout=15):
        """Waits for the start-up save; returns the key's values and the device mode the save announced."""
        lines = self.wine.wait_trace("settings-saved", timeout=timeout)
        saved = [l for l in lines if l.is_event("settings-saved")]
        self.assertTrue(saved, "no settings-saved in the trace: %r" % lines[-10:])
        mode = re.search(r"\bdevice-mode=(0x[0-9a-fA-F]+|\d+)", saved[0].text)
        self.assertIsNotNone(mode, "settings-saved without device-mode=: %r" % saved[0].text)
        # The registry is written before the line; a short wait for the value set to be complete still
        # protects against a trace line emitted early.
        wait_until(lambda: len(self.wine.settings() or {}) >= len(SETTINGS_VALUES), 3)
        return self.wine.settings(), int(mode.group(1), 0)

    def catalogue(self):
        program = self.start_and_wait_visible()
        lines = self.wine.wait_trace("first-frame")
        self.assert_running(program, "after the first frame")
        return catalogue_from_trace(lines)


class StartAndSingleInstance(ShellTestCase):

    def test_first_start_shows_layered_shaped_window(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done", timeout=10)
        # The first frame goes out before the rest of the program is made (the parts take longer than the frame
        # itself), and with the stored settings it shows.
        lines = self.wine.wait_trace("warm-up done")
        wanted = ("view-prepared frame", "first-frame", "hid notifications", "settings-saved",
                  "start-up done", "warm-up done")
        firsts = [next((i for i, l in enumerate(lines) if l.is_event(e)), None) for e in wanted]
        self.assertTrue(None not in firsts and firsts == sorted(firsts),
                        "the start-up's order: %r" % list(zip(wanted, firsts)))
        window = self.main_window()
        left, top, right, bottom = window["rect"]
        self.assertEqual((right - left, bottom - top), (670, 500), "window size")
        self.assertTrue(window["visible"], "visible flag")
        self.assertTrue(window["exstyle"] & WS_EX_LAYERED, "extended style 0x%x lacks WS_EX_LAYERED" %
                        window["exstyle"])
        self.assertEqual(window["region"], "complex", "the window region follows the picture's outline")
        self.assertEqual(len(self.wine.processes()), 1, "one process of the program")
        visible = [w for w in self.wine.windows() if w["visible"]]
        self.assertEqual([w["title"] for w in visible], [TITLE], "the program's visible windows")

        # The picture is shaped: at a corner the screen shows what is behind the window, inside it the photo.
        raw = self.wine.screenshot("first-start")
        self.assertTrue(0 <= left and right <= SCREEN[0] and 0 <= top and bottom <= SCREEN[1],
                        "window off screen: %r" % (window["rect"],))
        background = rgb_at(raw, SCREEN[0], SCREEN[0] - 1, SCREEN[1] - 1)
        corner = rgb_at(raw, SCREEN[0], left + 1, top + 1)
        self.assertEqual(corner, background, "the top left corner of the window is see-through")
        inside = [rgb_at(raw, SCREEN[0], left + x * (right - left) // 10, top + y * (bottom - top) // 10)
                  for x in range(3, 8) for y in range(3, 8)]
        differing = sum(1 for p in inside if p != background)
        self.assertGreater(differing, len(inside) // 2, "the window's inside shows its picture: %r" % inside)
        self.assert_running(program, "after the checks")

    def test_second_start_exits_and_shows_running_window(self):
        first = self.wine.start("/hide")
        held, _ = self.wine.windows(title=TITLE, until="present", timeout=20)
        self.assertTrue(held, "the first start made no window")
        held, _ = self.wine.windows(title=TITLE, until="hidden", timeout=10)
        self.assertTrue(held, "the /hide start never hid its window")
        # Wine unmaps the X window a moment after the Win32 hide.
        self.assertTrue(self.wine.wait_x_hidden(timeout=5), "the X window is still mapped after /hide")

        report, windows = self.wine.run_probed(timeout_ms=int(MESSENGER_SECONDS * 1000) + 5000)
        self.assertTrue(report["finished"], "the second start did not end: %r" % report)
        self.assertEqual(report["exit"], 0, "exit code of the second start")
        self.assertLess(report["ms"], MESSENGER_SECONDS * 1000, "the second start took %d ms" % report["ms"])
        self.assertEqual(report["visible_windows"], 0, "the second start showed a window: %r" % windows)

        self.assertTrue(self.wine.wait_x_visible(timeout=5), "the running instance did not show its window")
        window = self.main_window()
        self.assertTrue(window["visible"])
        self.assertEqual(window["pid"], self.wine.processes()[0]["pid"], "the window is the first instance's")
        self.assertEqual(len(self.wine.processes()), 1, "only the first instance runs")
        self.assert_running(first, "after the second start")


    def hold_instance_event_name(self, kind):
        """Has the probe hold "qvmouseeventtouch" as `kind` (see orvel_wininfo hold); returns its report."""
        _, out = self.wine.start_probe("hold", kind, INSTANCE_EVENT, "60000")
        held = wait_until(lambda: [l for l in self.wine.probe_lines(out) if "held" in l], 10)
        self.assertTrue(held and held[0]["held"] == 1, "the probe does not hold the name: %r" % held)
        return held[0]

    def assert_start_ends_as_messenger(self, creation):
        report, windows = self.wine.run_probed(timeout_ms=15000)
        self.assertTrue(report["finished"], "the start went on as a second resident instance: %r" % report)
        self.assertEqual(report["exit"], 0, "exit code of the start")
        self.assertEqual(windows, [], "the start made windows")
        self.assertEqual(self.wine.processes(), [], "a process of the program is left")
        events = [l.text for l in self.wine.trace()]
        self.assertIn("single-instance messenger creation=%s pulsed=0" % creation, events)
        self.assertFalse(any(e.startswith("mouse-hook") or e == "first-frame" for e in events),
                         "the start installed its hook or drew its window: %r" % events)

    def test_an_instance_event_that_refuses_us_counts_as_a_running_instance(self):
        # An instance running elevated, or at another integrity level, may hold the event under an access list
        # that refuses this start even the right to pulse it: the start must not become a second resident.
        held = self.hold_instance_event_name("denied-event")
        self.assertEqual(held["reopen_error"], 5, "the probe's event does not refuse an ordinary creation: %r" %
                         held)
        self.assert_start_ends_as_messenger("denied")

    def test_the_name_held_by_another_kind_of_object_counts_as_a_running_instance(self):
        held = self.hold_instance_event_name("mutex")
        self.assertEqual(held["reopen_error"], 6, "an event of the mutex's name was not refused: %r" % held)
        self.assert_start_ends_as_messenger("name-taken")


class CommandLine(ShellTestCase):

    def test_close_ends_running_instance(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done", timeout=10)
        report, _ = self.wine.run_probed("/close")
        self.assertEqual((report["finished"], report["exit"]), (1, 0), "the /close start: %r" % report)
        self.assert_ends(program, 10, "/close")
        self.assertTrue(any(l.is_event("stop") for l in self.wine.trace()), "no stop in the trace")

    def test_close_without_instance_is_silent(self):
        report, windows = self.wine.run_probed("/close")
        self.assertTrue(report["finished"], "the /close start did not end: %r" % report)
        self.assertEqual(report["exit"], 0, "exit code")
        self.assertLess(report["ms"], MESSENGER_SECONDS * 1000, "the /close start took %d ms" % report["ms"])
        self.assertEqual((report["stdout"], report["stderr"]), ("", ""), "the /close start wrote output")
        self.assertEqual(windows, [], "the /close start created windows")
        self.assertEqual(self.wine.processes(), [], "a process of the program is left")
        self.assertFalse(any(l.is_event("first-frame") for l in self.wine.trace()), "a frame was drawn")
        # Run once more through the loader directly: nothing on its stdout or stderr either.
        program = self.wine.start("/close")
        self.assertEqual(program.wait(15), 0, "exit status of /close run directly")
        self.assertEqual(program.output(), (b"", b""), "output of /close run directly")

    def test_hide_hides_window_after_start(self):
        program = self.wine.start("/hide")
        started = time.monotonic()
        held, windows = self.wine.windows(title=TITLE, until="hidden", timeout=15)
        self.assertTrue(held, "no hidden window after /hide: %r" % windows)
        hidden_after = time.monotonic() - started
        # A cold start takes Wine about two seconds to its first window; the hide follows within ~100 ms.
        self.assertLess(hidden_after, 6.0, "the window was hidden only %.1f s after the start" % hidden_after)
        # The window is hidden once it has become visible; timer 111 later makes it the foreground window,
        # which must not show it again.
        time.sleep(1.5)
        window = self.main_window()
        self.assertFalse(window["visible"], "the window came back after /hide: %r" % window)
        self.assertFalse(self.wine.visible_x_windows(), "the X window is mapped after /hide")
        self.assert_running(program, "after /hide")

    def test_reset_empties_key_and_writes_zeros(self):
        stale = {name: 7 for name in SETTINGS_VALUES}
        stale["stale value"] = 99
        self.wine.reg_import({SETTINGS_KEY: stale})
        before = self.wine.settings()
        self.assertEqual(before.get("bt3"), ("REG_DWORD", 7), "the key was not pre-filled: %r" % before)
        self.assertIn("stale value", before)

        program = self.start_and_wait_visible("/reset")
        after, mode = self.wait_settings_saved()
        self.assertEqual(after, {name: ("REG_DWORD", 0) for name in SETTINGS_VALUES},
                         "the key after /reset (exactly the eleven values, all 0)")
        self.assertEqual(mode, 0x18, "bt3 and bt4 of 0 differ from Forward and Backward: both side buttons "
                                     "are reassigned")
        self.assert_running(program, "after /reset")

    def test_reset_given_to_a_second_start_empties_the_key_and_only_shows_the_instance(self):
        # "/reset" is read before the single-instance test: the second start deletes the key and makes it again,
        # empty, then only asks the running instance to show its window.
        first = self.start_hidden({"bt3": 7, "bt4": 9, "stale value": 99})
        before = self.wine.settings()
        self.assertEqual((before.get("bt3"), before.get("stale value")), (("REG_DWORD", 7), ("REG_DWORD", 99)),
                         "the key before the second start: %r" % before)
        report, windows = self.wine.run_probed("/reset", timeout_ms=15000)
        self.assertEqual((report["finished"], report["exit"]), (1, 0), "the /reset start: %r" % report)
        self.assertEqual(report["visible_windows"], 0, "the /reset start showed a window: %r" % windows)
        self.assertTrue(self.wine.reg_key_exists(SETTINGS_KEY), "the settings key was not made again")
        self.assertIn(self.wine.settings(), (None, {}), "the key after the second start's /reset is not empty")
        self.assertIn("single-instance messenger creation=existed pulsed=1", [l.text for l in self.wine.trace()])
        held, _ = self.wine.windows(title=TITLE, until="visible", timeout=5)
        self.assertTrue(held, "the running instance did not show its window")
        self.assertEqual([p["pid"] for p in self.wine.processes()], [self.main_window()["pid"]],
                         "only the first instance runs, and the window is its own")
        self.assert_running(first, "after the second start's /reset")

    def test_hidden_start_takes_the_foreground_after_hiding(self):
        program = self.wine.start("/hide")
        lines = self.wine.wait_trace("hidden-foreground")
        hidden = next((l.ms for l in lines if l.is_event("start-hidden hidden")), None)
        grabbed = next(l.ms for l in lines if l.is_event("hidden-foreground"))
        self.assertIsNotNone(hidden, "the foreground was taken before the window was hidden: %r" % lines)
        # About 800 ms after the hide, on a timer; a grab at once would hand the window straight back to the
        # foreground it has just left, and a grab seconds late is a timer gone wrong.
        self.assertGreaterEqual(grabbed - hidden, 750, "the foreground was taken %d ms after the hide" %
                                (grabbed - hidden))
        self.assertLess(grabbed - hidden, 4000, "the foreground was taken %d ms after the hide" % (grabbed - hidden))
        window = self.main_window()
        self.assertFalse(window["visible"], "the grab showed the window: %r" % window)
        self.assertEqual((self.wine.foreground() or {}).get("hwnd"), window["hwnd"],
                         "the hidden settings window is not the foreground window")
        self.assert_running(program, "after the grab")

    def test_stored_values_are_range_checked(self):
        # In the win10 prefix the catalogue has 28 entries: 28 and 500 are out of range, 27 and 12 are not;
        # "order" and "extra key" are stored as read.
        self.wine.reg_import({SETTINGS_KEY: {"bt3": 500, "bt4": 12, "gesture up": 28, "gesture down": 27,
                                             "order": 3, "extra key": 99}})
        program = self.start_and_wait_visible()
        after, mode = self.wait_settings_saved()
        self.assertEqual(mode, 0x10, "bt3 (500, then 0) is reassigned, bt4 keeps Backward (12)")
        expected = {name: ("REG_DWORD", 0) for name in SETTINGS_VALUES}
        expected.update({"bt4": ("REG_DWORD", 12), "gesture down": ("REG_DWORD", 27),
                         "order": ("REG_DWORD", 3), "extra key": ("REG_DWORD", 99)})
        self.assertEqual(after, expected, "the key after loading and saving")
        self.assert_running(program, "after loading the settings")


class WindowKeysAndTray(ShellTestCase):

    def test_escape_and_alt_f4_do_nothing(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done", timeout=10)
        x_window = self.wine.visible_x_windows()[0]
        self.wine.focus(x_window)
        window = self.main_window()
        focused = wait_until(lambda: (self.wine.foreground() or {}).get("hwnd") == window["hwnd"], 5)
        self.assertTrue(focused, "the settings window is not the foreground window, keys would go elsewhere")
        for keys in (("Escape",), ("alt+F4",), ("Escape", "alt+F4")):
            self.wine.key(*keys)
            time.sleep(0.6)
            self.assert_running(program, "after %s" % "+".join(keys))
            self.assertTrue(self.wine.visible_x_windows(), "the window went away after %s" % " ".join(keys))
        window = self.main_window()
        self.assertTrue(window["visible"], "the window is hidden after Escape and Alt+F4")
        self.assertEqual(len(self.wine.processes()), 1)

    def tray_windows(self):
        """Wine's tray window under the icon's place; it is shown only while it holds an icon."""
        return [w for w in self.wine.windows(exe="explorer.exe") if w["visible"] and
                w["rect"][0] <= TRAY_ICON[0] < w["rect"][2] and w["rect"][1] <= TRAY_ICON[1] < w["rect"][3]]

    def choose_show(self):
        menus = self.wine.open_tray_menu()
        self.assertTrue(menus, "the notification menu did not open")
        # A click on the first item, "Show": with the settings window hidden, keys go to whichever X window has
        # the focus, not to the menu.
        left, top, right, _ = menus[0]["rect"]
        self.wine.click(left + (right - left) // 2, top + 12)

    def test_show_brings_the_hidden_window_to_the_front_and_only_then(self):
        program = self.start_hidden({})
        self.assertTrue(wait_until(self.tray_windows, 10, interval=0.3), "the icon never appeared")
        # Another application's window is in front, over the place of the settings window.
        _, out = self.wine.start_probe("keys-window", "100", "60", "1080", "680", "60000")
        ready = wait_until(lambda: [l for l in self.wine.probe_lines(out) if "ready" in l], 10)
        self.assertTrue(ready, "the helper window did not come up")
        helper = ready[0]["hwnd"]
        self.assertTrue(wait_until(lambda: (self.wine.foreground() or {}).get("hwnd") == helper, 5),
                        "the helper window did not take the foreground")

        self.choose_show()
        hwnd = self.main_window()["hwnd"]
        shown = wait_until(lambda: self.main_window()["visible"] and
                           (self.wine.foreground() or {}).get("hwnd") == hwnd, 5, interval=0.2)
        self.assertTrue(shown, "Show did not show the window in front: %r, foreground %r" %
                        (self.main_window(), self.wine.foreground()))
        order = [w["hwnd"] for w in self.wine.windows(exe=None) if w["hwnd"] in (hwnd, helper)]
        self.assertEqual(order, [hwnd, helper], "the settings window is not above the helper window")

        # A minimised window counts as shown: Show does nothing then (a double click on the icon restores it).
        left, top = self.main_window()["rect"][:2]
        self.wine.click(left + 608, top + 24)
        self.assertTrue(wait_until(lambda: self.main_window()["iconic"], 3, interval=0.1), "not minimised")
        self.choose_show()
        time.sleep(1.0)  # Show would have restored it at once
        self.assertTrue(self.main_window()["iconic"], "Show restored a minimised window")
        self.assert_running(program, "after Show")

    def test_tray_exit_ends_program(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done", timeout=10)
        self.assertTrue(wait_until(self.tray_windows, 10, interval=0.3),
                        "no visible tray window under %r" % (TRAY_ICON,))
        self.assertTrue(self.wine.open_tray_menu(), "the notification menu did not open")
        # Up selects the menu's last item, "Exit".
        self.wine.key("Up")
        time.sleep(0.2)
        self.wine.key("Return")
        self.assert_ends(program, 10, "Exit in the notification menu")
        self.assertTrue(any(l.is_event("stop") for l in self.wine.trace()), "no stop in the trace")


    def test_escape_while_stopping_ends_through_the_handshake(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done", timeout=10)
        self.assertTrue(wait_until(self.tray_windows, 10, interval=0.3), "the icon never appeared")
        self.assertTrue(self.wine.open_tray_menu(), "the notification menu did not open")
        self.wine.key("Up")
        time.sleep(0.2)
        # Exit, then at once Escape on the settings window (the foreground window after the menu): the close
        # watcher is still resetting the mice, so the cancel command now runs the stop handshake.
        self.wine.key("Return", "Escape")
        self.assert_ends(program, 10, "Escape right after Exit")
        events = [l.text for l in self.wine.trace()]
        self.assertIn("stop-handshake", events, "Escape after Exit did not run the stop handshake")
        self.assertIn("stop", events)

    def test_icon_comes_back_when_the_taskbar_is_created_again(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done", timeout=10)
        self.assertTrue(wait_until(self.tray_windows, 10, interval=0.3), "the icon never appeared")
        # A restarting Explorer has forgotten every icon: take ours away from outside.
        hwnd = self.main_window()["hwnd"]
        self.wine.wininfo("tray-delete", str(hwnd), "1219")
        self.assertTrue(wait_until(lambda: not self.tray_windows(), 5, interval=0.2),
                        "the icon is still there after removing it")
        # The new taskbar announces itself; the program must put its icon back, with its menu.
        self.wine.wininfo("broadcast", "TaskbarCreated")
        self.assertTrue(wait_until(self.tray_windows, 5, interval=0.2), "the icon did not come back")
        self.assertTrue(self.wine.open_tray_menu(), "the restored icon opens no menu")
        self.wine.key("Escape")
        self.assert_running(program, "after the taskbar came back")

    def test_explorers_messages_are_admitted_on_the_icons_window(self):
        # The program runs above Explorer's integrity on Windows, which drops Explorer's messages unless the
        # icon's window admits them. Wine filters nothing: what can be seen here is which calls were made.
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done", timeout=10)
        hwnd = self.main_window()["hwnd"]
        code, answer = self.wine.wininfo("message", "TaskbarCreated")
        self.assertEqual(code, 0, "TaskbarCreated could not be registered: %r" % answer)
        taskbar_created = answer[0]["message"]
        lines = [l.text for l in self.wine.trace() if l.is_event("message-filter")]
        calls = [re.match(r"message-filter hwnd=(\d+) allow=(0x[0-9a-f]+) ok=(\d)$", text) for text in lines]
        self.assertTrue(lines and all(calls), "message-filter lines: %r" % lines)
        admitted = sorted((int(m.group(1)), int(m.group(2), 16), int(m.group(3))) for m in calls)
        # The icon's callback (0x464) and TaskbarCreated, each once, on the window that owns the icon; never
        # WM_COPYDATA (0x4A), the test builds' channel.
        self.assertEqual(admitted, sorted([(hwnd, 0x464, 1), (hwnd, taskbar_created, 1)]),
                         "messages admitted from other integrity levels")
        self.assert_running(program, "after admitting Explorer's messages")


class LanguageFile(ShellTestCase):

    def test_utf16_language_file_is_read(self):
        self.wine.write_lang_ini("[BUTTON]\nstr0=預設\n[FUNCTION]\nstr16=前進\nstr15 = Zurück\nstr12=@_NOSTR_\n"
                                 "str2=\n", encoding="utf-16")
        size, forward, backward, names = self.catalogue()
        self.assertEqual((size, forward, backward), (28, 13, 12), "renaming does not move the defaults")
        self.assertEqual(names.get(13), "前進", "FUNCTION str16 renames Forward")
        self.assertEqual(names.get(12), "Zurück", "spaces around '=' are dropped")
        self.assertEqual(names.get(2), "", "an empty value replaces the text")
        self.assertEqual(names.get(9), "Cut", "a value of @_NOSTR_ keeps the built-in text")
        self.assertEqual(names.get(10), "Copy", "texts without a key stay")
        buttons = [l.text for l in self.wine.trace() if l.is_event("text")]
        self.assertIn("text button 預設", buttons, "BUTTON str0 renames the Default button")


class Catalogue(ShellTestCase):

    def test_catalogue_on_windows_10(self):
        size, forward, backward, names = self.catalogue()
        self.assertEqual((size, forward, backward), (28, 13, 12))
        self.assertEqual([names.get(i) for i in range(len(CATALOGUE_WIN10))], CATALOGUE_WIN10)
        self.assertEqual(len(names), 28, "function lines")


class CatalogueWin7(ShellTestCase):
    prefix_version = "win7"

    def test_catalogue_on_windows_7(self):
        size, forward, backward, names = self.catalogue()
        self.assertEqual((size, forward, backward), (31, 15, 14))
        self.assertEqual([names.get(i) for i in range(len(CATALOGUE_WIN7))], CATALOGUE_WIN7)
        self.assertEqual(len(names), 31, "function lines")


class DeviceProbeAtStart(ShellTestCase):

    def test_hid_interfaces_are_looked_at_and_left_alone(self):
        program = self.start_and_wait_visible()
        self.wait_settings_saved()
        # The probes run on their own threads: wait until every opened interface has been closed again.
        # The walk announces how many interfaces it found ("hid enumerate count=N"); Wine has at least two.
        def settled():
            lines = [l for l in self.wine.trace() if l.is_event("hid")]
            counts = [re.search(r"\bcount=(\d+)", l.text) for l in lines if l.is_event("hid enumerate")]
            expected = max([int(m.group(1)) for m in counts if m] or [2])
            attempts = sum(1 for l in lines if l.is_event("hid open"))
            opened = sum(1 for l in lines if l.is_event("hid open") and not _failed(l.text))
            closed = sum(1 for l in lines if l.is_event("hid close"))
            return lines if attempts >= expected and opened and closed >= opened else None
        hid = wait_until(settled, 10, interval=0.2)
        self.assertTrue(hid, "the HID probes did not open and close Wine's interfaces: %r" %
                        [l.text for l in self.wine.trace() if l.is_event("hid")])
        opened = [l for l in hid if l.is_event("hid open") and not _failed(l.text)]
        self.assertGreaterEqual(len(opened), 2, "Wine offers a HID mouse and a HID keyboard")
        caps = [l for l in hid if l.is_event("hid caps") and not _failed(l.text)]
        attributes = [l for l in hid if l.is_event("hid attributes") and not _failed(l.text)]
        self.assertGreaterEqual(len(caps), len(opened), "the capabilities of every interface were read")
        self.assertGreaterEqual(len(attributes), len(opened), "the attributes of every interface were read")
        self.assertEqual([l.text for l in hid if l.is_event("hid set-feature")], [],
                         "feature reports were sent to Wine's own devices")
        # Wine's devices have no 9-byte feature report, so nothing beyond caps and attributes is asked of them.
        features = [re.search(r"\bfeature=(\d+)", l.text) for l in caps]
        if all(m and int(m.group(1)) != 9 for m in features):
            self.assertEqual([l.text for l in hid if l.is_event("hid get-feature") or l.is_event("hid string")],
                             [], "an interface without 9-byte feature reports was asked for more")

        # The program stays responsive while and after probing.
        started = time.monotonic()
        report, _ = self.wine.run_probed("/close")
        self.assertEqual(report["exit"], 0)
        self.assert_ends(program, 5, "/close after the probes")
        self.assertLess(time.monotonic() - started, 8, "the program took too long to end")
        # The shutdown walks the interfaces again (mode 0, then the reset pass): still nothing is sent.
        everything = [l for l in self.wine.trace() if l.is_event("hid")]
        self.assertGreater(sum(1 for l in everything if l.is_event("hid open")),
                           sum(1 for l in hid if l.is_event("hid open")), "no HID walk at shutdown")
        self.assertEqual([l.text for l in everything if l.is_event("hid set-feature")], [],
                         "feature reports were sent to Wine's own devices at shutdown")


def _failed(text):
    lowered = text.lower()
    return any(word in lowered.split() for word in ("fail", "failed", "error", "invalid"))


if __name__ == "__main__":
    unittest.main()


class DllSearch(ShellTestCase):

    # Libraries the program loads that are not among the system's known ones (which Windows only ever takes
    # from the system folder): dwmapi by full path, gdiplus, hid and wtsapi32 delay-loaded after the search has
    # been restricted to the system folder. All four are in use once the HID walk has begun (GDI+ paints the
    # first frame; the HID walk, the session notices and the switcher's entry points follow it).
    PLANTED = ("dwmapi.dll", "gdiplus.dll", "hid.dll", "wtsapi32.dll")

    def test_libraries_planted_beside_the_program_are_not_loaded(self):
        planted = self.wine.run.snapshot(planted_dll_path())
        # Control: a program that loads each by plain name gets the copy planted beside it.
        probe_dir = self.wine.prefix / "drive_c" / "orvel-probe"
        honoured = []
        for name in self.PLANTED:
            shutil.copy2(planted, probe_dir / name)
            self.wine.wininfo("load", name)
            if (probe_dir / (name + ".loaded")).exists():
                honoured.append(name)
        if not honoured:
            self.skipTest("this Wine prefers its own libraries over copies beside a program")

        # The program's folder is also its working folder here: one planted copy covers both.
        for name in honoured:
            shutil.copy2(planted, self.wine.program_dir / name)
        program = self.start_and_wait_visible()
        self.wine.wait_trace("hid open")
        self.assert_running(program, "with %s planted beside it" % ", ".join(honoured))
        loaded = [name for name in honoured if (self.wine.program_dir / (name + ".loaded")).exists()]
        self.assertEqual(loaded, [], "the program loaded copies planted in its folder")
