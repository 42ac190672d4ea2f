"""End-to-end tests of how the program's parts live and end: the toolkit's dialog message sequences, a stop whose
device work hangs past every bound, a second start during the stop, a stop in the middle of a tilt wake-up, and
the mouse hook answering the desktop while the UI thread is busy."""

import shutil
import time
import unittest

from harness import TITLE, WineTestCase, dialog_probe_path, parse_json_lines, wait_until

# Our own close request beside the family's pulsed "qvmouseeventtouch_close".
CLOSE_REQUEST_EVENT = "OrvelMouseAssistant_CloseRequest"

DIALOG_TESTS = ["create", "destroy", "object-takes-window", "init-true-focuses-first-control",
                "init-false-leaves-focus", "table-replies", "end-dialog-from-another-thread",
                "pre-translation-order", "pre-translation-consumes", "handler-throws", "pre-translate-throws",
                "posted-work-throws"]


class LifecycleTestCase(WineTestCase):

    def events(self):
        return [line.text for line in self.wine.trace()]

    def assert_in_order(self, events, *wanted):
        """Each wanted event (a prefix of a trace line) occurs, in this order."""
        at = -1
        for item in wanted:
            found = next((i for i in range(at + 1, len(events)) if events[i].startswith(item)), None)
            self.assertIsNotNone(found, "%r not after position %d in the trace: %r" % (item, at, events))
            at = found

    def ended_cleanly(self, program, timeout, why):
        status = program.wait(timeout)
        self.assertIsNotNone(status, "the program still runs %.0f s after %s" % (timeout, why))
        self.assertEqual(status, 0, "exit status after %s" % why)
        self.assertEqual(self.wine.processes(), [], "processes of the program left after %s" % why)

    def focus_settings_window(self):
        x_window = self.wine.visible_x_windows()[0]
        self.wine.focus(x_window)
        hwnd = self.main_window()["hwnd"]
        focused = wait_until(lambda: (self.wine.foreground() or {}).get("hwnd") == hwnd, 5)
        self.assertTrue(focused, "the settings window did not become the foreground window")


class ToolkitDialog(LifecycleTestCase):

    def test_message_sequences(self):
        probe = self.wine.run.snapshot(dialog_probe_path())
        shutil.copy2(probe, self.wine.prefix / "drive_c" / "orvel-probe" / probe.name)
        proc = self.wine._tool(["C:\\orvel-probe\\" + probe.name], timeout=60, check=False)
        results = parse_json_lines(proc.stdout.decode("utf-8", errors="replace"))
        self.assertEqual([r["test"] for r in results], DIALOG_TESTS, "the probe's tests: %r" % proc.stdout[-600:])
        failed = ["%s: %s" % (r["test"], r["detail"]) for r in results if not r["ok"]]
        self.assertEqual(failed, [], "message sequences that differ from their tables")
        self.assertEqual(proc.returncode, 0)


class Shutdown(LifecycleTestCase):

    def test_hung_reset_pass_is_left_behind_without_harm(self):
        # The reset pass hangs 4 s, past the event watch's 3 s bound; the process lingers 3 s after its windows
        # are gone, so the watch wakes up while everything it must not touch has been destroyed.
        program = self.start_and_wait_visible(switches={"ORVEL_TEST_RESET_HANG_MS": 4000,
                                                        "ORVEL_TEST_EXIT_DELAY_MS": 3000})
        self.wine.wait_trace("start-up done")
        self.focus_settings_window()
        report, _ = self.wine.run_probed("/close")
        self.assertEqual((report["finished"], report["exit"]), (1, 0), "the /close start: %r" % report)
        self.assertTrue(any(l.is_event("reset-pass hangs") for l in self.wine.wait_trace("reset-pass hangs")),
                        "the event watch never reached the reset pass")
        # The stop was asked for: Escape now runs the stop handshake and ends the window at once.
        self.wine.key("Escape")
        self.ended_cleanly(program, 20, "a stop whose reset pass hung")
        events = self.events()
        self.assert_in_order(events, "reset-pass hangs", "stop-handshake", "stop", "close-watch left running",
                             "parts-stopped threads-left=1", "exit threads-left=1", "reset-pass hang over",
                             "close-watch done window-gone", "worker-end event-watch")
        for worker in ("tilt", "gesture-tip", "mouse-hook"):
            self.assert_in_order(events, "worker-end " + worker, "parts-stopped")

    def test_second_start_while_stopping(self):
        program = self.wine.start("/hide", switches={"ORVEL_TEST_RESET_HANG_MS": 2500})
        held, _ = self.wine.windows(title=TITLE, until="hidden", timeout=15)
        self.assertTrue(held, "the /hide start never hid its window")
        self.wine.run_probed("/close")
        self.wine.wait_trace("reset-pass hangs")
        # The instance is stopping: a second start only pulses its event and ends...
        report, windows = self.wine.run_probed(timeout_ms=8000)
        self.assertEqual((report["finished"], report["exit"]), (1, 0), "the second start: %r" % report)
        self.assertEqual(report["visible_windows"], 0, "the second start showed a window: %r" % windows)
        # ...and the stopping instance does not show its window again.
        time.sleep(0.8)
        shown = [w for w in self.wine.windows(title=TITLE) if w["visible"]]
        self.assertEqual(shown, [], "the stopping instance showed its window")
        self.ended_cleanly(program, 15, "/close and a second start")
        self.assert_in_order(self.events(), "reset-pass hangs", "worker-end event-watch",
                             "exit threads-left=0")

    def test_second_start_right_before_close(self):
        # The running instance is still showing its window for the second start (its steps take 600 ms) when
        # the close request comes.
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done")
        second = self.wine.start()
        self.wine.run_probed("/close")
        self.assertEqual(second.wait(15), 0, "exit status of the second start")
        self.ended_cleanly(program, 15, "a second start and /close")
        self.assert_in_order(self.events(), "stop", "parts-stopped threads-left=0", "exit threads-left=0")

    def test_exit_while_a_tilt_wakeup_runs(self):
        program = self.start_and_wait_visible(switches={"ORVEL_TEST_TILT_WORK_MS": 1500})
        self.wine.wait_trace("start-up done")
        # A tilt as the mouse's own report brings it (report 1, one step to the right).
        code, _ = self.wine.wininfo("channel", "report", "01", "20", "01")
        self.assertEqual(code, 0, "the test channel did not take the tilt report")
        self.wine.wait_trace("tilt-wake", timeout=5)
        self.wine.run_probed("/close")
        self.ended_cleanly(program, 15, "/close during a tilt wake-up")
        # The wake-up finished and its thread ended before the events it waits on were closed.
        self.assert_in_order(self.events(), "tilt-wake", "stop", "tilt-work-done", "worker-end tilt",
                             "parts-stopped threads-left=0", "exit threads-left=0")


class CloseRequests(LifecycleTestCase):
    """A "/close" must end the instance whenever it comes after the instance exists, not only while the close
    watch happens to be waiting: a pulse of the named event reaches only a thread that waits at that instant."""

    # The event watch comes to its wait this late: far longer than a "/close" start takes to get its request out.
    LATE_MS = 6000

    def round_events(self, round_number):
        """The trace from the round_number-th instance's start on."""
        events = self.events()
        starts = [i for i, e in enumerate(events) if e == "single-instance resident"]
        self.assertGreaterEqual(len(starts), round_number, "instance starts in the trace: %r" % events)
        return events[starts[round_number - 1]:]

    def test_close_before_the_close_watch_waits_ends_the_instance(self):
        for round_number in range(1, 4):
            program = self.wine.start(switches={"ORVEL_TEST_CLOSE_WATCH_LATE_MS": self.LATE_MS})
            self.wine.wait_trace("single-instance resident", count=round_number)
            report, _ = self.wine.run_probed("/close")
            self.assertEqual((report["finished"], report["exit"]), (1, 0), "the /close start: %r" % report)
            self.ended_cleanly(program, 20, "a /close made before the event watch waited (round %d)" % round_number)
            events = self.round_events(round_number)
            # The round tested what it says: the request came before the watch was waiting.
            self.assert_in_order(events, "close-request", "close-watch waiting", "close-watch wake by=request",
                                 "stop", "exit threads-left=0")

    def test_close_at_once_after_a_start_always_ends_the_instance(self):
        # Without any help: "/close" (or the uninstaller's "/close /wait") as soon as the instance exists, again
        # and again.
        for round_number in range(1, 7):
            program = self.wine.start()
            self.wine.wait_trace("single-instance resident", count=round_number)
            args = ("/close", "/wait") if round_number % 2 == 0 else ("/close",)
            report, _ = self.wine.run_probed(*args, timeout_ms=20000)
            self.assertEqual((report["finished"], report["exit"]), (1, 0),
                             "the %s start (round %d): %r" % (" ".join(args), round_number, report))
            self.ended_cleanly(program, 15, "%s at once after a start (round %d)" % (" ".join(args), round_number))
            self.assert_in_order(self.round_events(round_number), "close-watch wake", "exit threads-left=0")


    def test_a_request_nobody_took_does_not_stop_the_next_instance(self):
        # Another process holds the close request, set: it was made before this instance existed (for one that has
        # ended since, or when none ran). The instance that starts now runs on; a "/close" made now ends it.
        _, out = self.wine.start_probe("hold", "set-event", CLOSE_REQUEST_EVENT, "60000")
        held = wait_until(lambda: [l for l in self.wine.probe_lines(out) if "held" in l], 10)
        self.assertTrue(held and held[0]["held"] == 1, "the probe does not hold the close request: %r" % held)
        program = self.start_and_wait_visible()
        self.wine.wait_trace("close-watch waiting")
        time.sleep(1.0)  # a request taken would have woken the event watch within milliseconds
        self.assertTrue(program.running(), "the instance ended on a request made before it started")
        self.assertFalse(any(e.startswith("close-watch wake") for e in self.events()),
                         "the event watch took a request made before the instance started")
        self.wine.run_probed("/close")
        self.ended_cleanly(program, 15, "/close after the old request")
        # (The "/close" start traces its line once it has sent both, which may be after the watch woke.)
        self.assertIn("close-request pulsed=1 requested=1", self.events())
        self.assert_in_order(self.events(), "close-watch waiting", "close-watch wake", "exit threads-left=0")


class SessionEnd(LifecycleTestCase):
    """Wine's own log-off: "wineboot --end-session --shutdown" sends every window of every process
    WM_QUERYENDSESSION, then WM_ENDSESSION, and ends a process that is still there once it has answered, as
    Windows may. The program must therefore do everything before it answers."""

    # What Windows gives a window before it offers to end the program; the program's own bound is 3 s.
    WINDOWS_MS = 5000

    def log_off(self):
        proc = self.wine._tool(["wineboot", "--end-session", "--shutdown"], timeout=60, check=False)
        self.assertEqual(proc.returncode, 0, "wineboot's log-off was refused or failed: %r" % proc.stderr[-300:])

    def handler_ms(self, events):
        """Milliseconds from WM_ENDSESSION's arrival to the process's last trace line."""
        lines = self.wine.trace()
        start = next((l.ms for l in lines if l.is_event("end-session ending")), None)
        end = next((l.ms for l in lines if l.is_event("exit")), None)
        self.assertTrue(start is not None and end is not None, "no end-session ending or exit: %r" % events)
        return end - start

    def test_log_off_resets_the_mice_and_ends_the_program(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("settings-saved")
        self.log_off()
        self.ended_cleanly(program, 15, "the log-off")
        events = self.events()
        self.assert_in_order(events, "end-session query", "end-session ending", "close-watch wake",
                             "end-session device-work done", "stop-handshake", "stop", "parts-stopped threads-left=0",
                             "exit threads-left=0")
        self.assert_in_order(events, "end-session device-work done", "worker-end event-watch", "parts-stopped")
        self.assertIn("end-session query reasons=0x0 answer=1", events, "the query's answer")
        # Exit's stop pass: every HID interface walked again, for the mode-0 probes and for the reset pass.
        after = events[events.index(next(e for e in events if e.startswith("end-session ending"))):]
        self.assertEqual(sum(1 for e in after if e.startswith("hid enumerate")), 2, "the stop's two HID walks: %r" %
                         after)
        self.assertTrue(any(e.startswith("hid open") for e in after), "no interface opened at the log-off")
        self.assertEqual([e for e in events if e.startswith("hid set-feature")], [],
                         "feature reports were sent to Wine's own devices")
        ms = self.handler_ms(events)
        self.assertLess(ms, self.WINDOWS_MS, "the log-off's stop took %d ms" % ms)

    def test_log_off_with_a_hung_reset_pass_ends_within_the_bound(self):
        program = self.start_and_wait_visible(switches={"ORVEL_TEST_RESET_HANG_MS": 20000})
        self.wine.wait_trace("settings-saved")
        self.log_off()
        self.ended_cleanly(program, 15, "the log-off with a hung reset pass")
        events = self.events()
        self.assert_in_order(events, "end-session ending", "reset-pass hangs", "end-session device-work timed-out",
                             "stop-handshake", "stop", "close-watch left running", "parts-stopped threads-left=1",
                             "exit threads-left=1")
        self.assertNotIn("reset-pass hang over", events, "the process waited for the hung reset pass")
        ms = self.handler_ms(events)
        # Waiting for the hung pass (20 s), or giving the event watch its ordinary 3 s again after the log-off's
        # own wait, would both pass Windows' limit.
        self.assertLess(ms, self.WINDOWS_MS, "the log-off's stop took %d ms with a hung reset pass" % ms)

    def test_log_off_during_a_close_waits_for_the_same_stop(self):
        # "/close" came first and its reset pass hangs: the log-off asks for no second stop, waits for that one
        # within its bound, and ends the program.
        program = self.start_and_wait_visible(switches={"ORVEL_TEST_RESET_HANG_MS": 20000})
        self.wine.wait_trace("settings-saved")
        self.wine.run_probed("/close")
        lines = self.wine.wait_trace("reset-pass hangs")
        self.assertTrue(any(l.is_event("reset-pass hangs") for l in lines), "the event watch never reached the "
                                                                            "reset pass")
        self.log_off()
        self.ended_cleanly(program, 15, "a log-off during /close")
        events = self.events()
        self.assert_in_order(events, "reset-pass hangs", "end-session ending reasons=0x0 stop=under-way",
                             "end-session device-work timed-out", "parts-stopped threads-left=1",
                             "exit threads-left=1")
        self.assertEqual(sum(1 for e in events if e.startswith("close-watch wake")), 1, "close watch wake-ups")
        ms = self.handler_ms(events)
        self.assertLess(ms, self.WINDOWS_MS, "the log-off's stop took %d ms during /close" % ms)

    def test_the_program_has_ended_before_it_answers(self):
        # Windows may end the process as soon as the window has answered WM_ENDSESSION, and Wine's log-off does
        # so too (with exit code 0 as well): the two messages come from the probe here, which waits for the
        # answer. The process lingers 2 s after its last trace line, so an answer given before the end would
        # find it still there (half a second is left for the Wine loader's own exit).
        program = self.start_and_wait_visible(switches={"ORVEL_TEST_EXIT_DELAY_MS": 2000})
        self.wine.wait_trace("settings-saved")
        hwnd = str(self.main_window()["hwnd"])
        code, answer = self.wine.wininfo("send", hwnd, "0x11", "0", "0")  # WM_QUERYENDSESSION
        self.assertEqual((code, answer[0]["answer"] if answer else None), (0, 1), "the query's answer: %r" % answer)
        self.wine.wininfo("send", hwnd, "0x16", "1", "0")  # WM_ENDSESSION, TRUE
        self.assertIsNotNone(program.wait(0.5), "the program still ran when its window had answered WM_ENDSESSION")
        self.assertEqual(program.wait(0), 0, "exit status after WM_ENDSESSION")
        self.assert_in_order(self.events(), "end-session ending", "end-session device-work done", "stop",
                             "parts-stopped threads-left=0", "exit threads-left=0")

    def test_cancelled_log_off_changes_nothing(self):
        # Wine's log-off stops at the first process that refuses and tells only that one; the two messages a
        # window gets when another program refused are sent by the probe.
        program = self.start_and_wait_visible()
        self.wine.wait_trace("settings-saved")
        hwnd = str(self.main_window()["hwnd"])
        for message, expected in (("0x11", 1), ("0x16", 0)):  # WM_QUERYENDSESSION, then WM_ENDSESSION FALSE
            code, answer = self.wine.wininfo("send", hwnd, message, "0", "0")
            self.assertEqual((code, answer[0]["answer"] if answer else None), (0, expected),
                             "the answer to %s: %r" % (message, answer))
        self.assertIn("end-session cancelled", self.events())
        time.sleep(1.0)  # a stop asked for would have woken the event watch within milliseconds
        self.assertTrue(program.running(), "the program ended after a cancelled log-off")
        self.assertTrue(self.main_window()["visible"], "the settings window went away after a cancelled log-off")
        self.assertFalse(any(e.startswith("close-watch wake") or e == "stop" for e in self.events()),
                         "a cancelled log-off started the stop")
        # The program still stops as usual afterwards.
        self.wine.run_probed("/close")
        self.ended_cleanly(program, 15, "/close after a cancelled log-off")


class MouseHookThread(LifecycleTestCase):

    HELPER = (1000, 60, 240, 240)  # clear of the settings window in the middle of the screen

    def test_hook_answers_while_the_ui_thread_is_busy(self):
        program = self.start_and_wait_visible(switches={"ORVEL_TEST_SLOW_PAINT_MS": 500})
        self.wine.wait_trace("slow-paint", count=2)  # from here every paint takes 500 ms and asks for the next
        proc, out = self.wine.start_probe("wheel-window", *[str(v) for v in self.HELPER], "6000")
        self.assertTrue(wait_until(lambda: any("ready" in l for l in self.wine.probe_lines(out)), 10),
                        "the helper window did not come up")
        x, y, w, h = self.HELPER
        self.wine.xdotool("mousemove", x + w // 2, y + h // 2)
        time.sleep(0.5)
        paints_before = sum(1 for l in self.wine.trace() if l.is_event("slow-paint"))
        # Six notches 100 ms apart. Each waits for the hook's answer before any application sees it: answered
        # on the hook's own thread they are all there as soon as they are sent; a hook on the busy UI thread
        # would hold them for seconds.
        self.wine.xdotool("click", "--repeat", "6", "--delay", "100", "4")
        sent = time.monotonic()
        arrived = wait_until(lambda: sum(1 for l in self.wine.probe_lines(out) if "wheel" in l) >= 6, 10,
                             interval=0.02)
        late = time.monotonic() - sent
        self.assertTrue(arrived, "the helper did not get six wheel notches: %r" % self.wine.probe_lines(out))
        self.assertLess(late, 1.0, "the last wheel notch arrived %.2f s after it was sent while the UI thread "
                                   "was busy" % late)
        # The tilt wheel goes to the hook too: swallowed there and handed to the tilt thread.
        self.wine.xdotool("click", "6")
        proc.wait(timeout=20)
        summary = [l for l in self.wine.probe_lines(out) if "wheels" in l]
        self.assertTrue(summary, "the helper gave no summary")
        summary = summary[0]
        paints = sum(1 for l in self.wine.trace() if l.is_event("slow-paint")) - paints_before
        self.assertGreaterEqual(paints, 3, "the UI thread was not kept busy (%d slow paints)" % paints)
        self.assertEqual(summary["deltas"], [120] * 6, "the wheel reached the helper unchanged and the tilt "
                                                        "wheel not at all: %r" % summary)
        self.assertTrue(any(l.is_event("tilt-wake") for l in self.wine.wait_trace("tilt-wake", timeout=5)),
                        "the tilt wheel did not wake the tilt thread")
        self.assertTrue(program.running(), "the program ended")


if __name__ == "__main__":
    unittest.main()
