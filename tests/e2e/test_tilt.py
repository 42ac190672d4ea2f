"""End-to-end tests of tilt-wheel scrolling: the tilt wheel over another application's window reaches it as the
messages it understands (a scroll command with its horizontal bar, or a horizontal wheel notch for a
"MozillaWindowClass"), the vertical wheel passes untouched, tilts that come while a wake-up is busy make one
step at the wake-up that follows it by itself, each tilt of a burst paced by the wake-ups scrolls, and other
processes still see each tilt pulse "TiltQV24GWaitEventtouch"."""

import shutil
import subprocess
import time
import unittest

from harness import Program, WINE, WineTestCase, parse_json_lines, scroll_helper_path, wait_until

# xdotool's buttons: 4 and 5 the wheel (+120, -120), 6 and 7 the tilt wheel (-120 left, +120 right).
WHEEL_UP, WHEEL_DOWN, TILT_LEFT, TILT_RIGHT = 4, 5, 6, 7
SB_LINELEFT, SB_LINERIGHT, SB_ENDSCROLL = 0, 1, 8

# Clear of the settings window in the middle of the 1280 x 800 screen.
BAR_HELPER = (1000, 60, 240, 240)
MOZILLA_HELPER = (1000, 360, 240, 200)


class TiltTestCase(WineTestCase):

    def start_helper(self, mode, place, ms=90000):
        """Starts the helper application in the background; returns its stdout path and its ready line."""
        exe = self.wine.run.snapshot(scroll_helper_path())
        probe_dir = self.wine.prefix / "drive_c" / "orvel-probe"
        if not (probe_dir / exe.name).exists():
            shutil.copy2(exe, probe_dir / exe.name)
        out_path = self.wine.logs / ("scroll-helper-%s.stdout" % mode)
        args = [mode] + [str(v) for v in place] + [str(ms)]
        with open(out_path, "wb") as out:
            proc = subprocess.Popen([WINE, "C:\\orvel-probe\\" + exe.name] + args, env=self.wine.env,
                                    cwd=str(self.wine.prefix / "drive_c"), stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, start_new_session=True)
        self.wine.programs.append(Program(self.wine, args, proc, out_path, out_path, time.monotonic()))
        ready = wait_until(lambda: [l for l in self.lines(out_path) if l.get("ready")], 15)
        self.assertTrue(ready, "the %s helper did not come up: %r" % (mode, out_path.read_bytes()[-400:]))
        ready = ready[0]
        # It asked for the foreground itself; the pointer over it keeps X input on a Wine window.
        x, y, w, h = place
        self.wine.xdotool("mousemove", x + w // 2, y + h // 2)
        if not wait_until(lambda: (self.wine.foreground() or {}).get("hwnd") == ready["hwnd"], 5):
            x_windows = self.wine.visible_x_windows("scroll helper")
            if x_windows:
                self.wine.focus(x_windows[-1])
            self.assertTrue(wait_until(lambda: (self.wine.foreground() or {}).get("hwnd") == ready["hwnd"], 5),
                            "the %s helper is not the foreground window" % mode)
        return out_path, ready

    @staticmethod
    def lines(out_path):
        return parse_json_lines(out_path.read_bytes().decode("utf-8", errors="replace")) if out_path.exists() else []

    def messages(self, out_path):
        return [l for l in self.lines(out_path) if "msg" in l]

    def wait_messages(self, out_path, count, timeout=10):
        return wait_until(lambda: len(self.messages(out_path)) >= count, timeout, interval=0.05)

    def tilt_wakes(self):
        return [l.text for l in self.wine.trace() if l.is_event("tilt-wake")]

    def hscrolls(self, out_path):
        return [(m["to"], m["code"], m["lparam"]) for m in self.messages(out_path) if m["msg"] == "hscroll"]

    def start_program(self, switches=None):
        program = self.start_and_wait_visible(switches=switches)
        self.wine.wait_trace("start-up done")
        self.wine.wait_trace("mouse-hook")
        return program


class TiltScrolling(TiltTestCase):

    def test_tilts_reach_each_application_as_it_understands_them(self):
        program = self.start_program()
        bar_out, bar = self.start_helper("bar", BAR_HELPER)

        # A focused edit whose frame holds a vertical and a horizontal "ScrollBar": the frame gets the scroll
        # command with the horizontal bar's handle, then the end of the scroll.
        self.wine.xdotool("click", TILT_RIGHT)
        self.assertTrue(self.wait_messages(bar_out, 2), "no scroll command for a right tilt: %r" % self.lines(bar_out))
        self.wine.xdotool("click", TILT_LEFT)
        self.assertTrue(self.wait_messages(bar_out, 4), "no scroll command for a left tilt: %r" % self.lines(bar_out))
        frame, hbar = bar["hwnd"], bar["bar"]
        self.assertEqual(self.messages(bar_out), [
            {"to": "main", "msg": "hscroll", "code": SB_LINERIGHT, "lparam": hbar},
            {"to": "main", "msg": "hscroll", "code": SB_ENDSCROLL, "lparam": hbar},
            {"to": "main", "msg": "hscroll", "code": SB_LINELEFT, "lparam": hbar},
            {"to": "main", "msg": "hscroll", "code": SB_ENDSCROLL, "lparam": hbar},
        ], "the messages of a right and a left tilt over the frame %d with its bar %d" % (frame, hbar))

        # The wheel passes the program untouched: one notch up and one down, and nothing for the tilt thread.
        wakes = len(self.tilt_wakes())
        self.wine.xdotool("click", WHEEL_UP)
        self.wine.xdotool("click", WHEEL_DOWN)
        self.assertTrue(self.wait_messages(bar_out, 6), "the wheel did not reach the helper: %r" % self.lines(bar_out))
        time.sleep(0.5)  # anything the wheel wrongly set off would arrive by now
        wheel = [(m["msg"], m["delta"], m["keys"]) for m in self.messages(bar_out)[4:]]
        self.assertEqual(wheel, [("wheel", 120, 0), ("wheel", -120, 0)], "what the wheel brought")
        self.assertEqual(len(self.tilt_wakes()), wakes, "the wheel woke the tilt thread")

        # A "MozillaWindowClass" window takes a horizontal wheel notch at the pointer instead.
        moz_out, moz = self.start_helper("mozilla", MOZILLA_HELPER)
        x, y, w, h = MOZILLA_HELPER
        self.wine.xdotool("click", TILT_RIGHT)
        self.assertTrue(self.wait_messages(moz_out, 1), "nothing for a right tilt: %r" % self.lines(moz_out))
        self.wine.xdotool("click", TILT_LEFT)
        self.assertTrue(self.wait_messages(moz_out, 2), "nothing for a left tilt: %r" % self.lines(moz_out))
        time.sleep(0.5)
        pointer = (x + w // 2, y + h // 2)
        self.assertEqual([(m["to"], m["msg"], m["delta"], m["keys"], (m["x"], m["y"])) for m in self.messages(moz_out)],
                         [("main", "hwheel", 120, 0, pointer), ("main", "hwheel", -120, 0, pointer)],
                         "the messages of a right and a left tilt over the MozillaWindowClass window %d" % moz["hwnd"])
        self.assertEqual(len(self.messages(bar_out)), 6, "the first helper got more: %r" % self.messages(bar_out))
        self.assertTrue(program.running(), "the program ended")

    def test_tilts_during_a_busy_wakeup_make_one_step_at_the_next(self):
        program = self.start_program(switches={"ORVEL_TEST_TILT_WORK_MS": 2000})
        bar_out, bar = self.start_helper("bar", BAR_HELPER)
        self.wine.xdotool("click", TILT_RIGHT)
        self.wine.wait_trace("tilt-wake", timeout=5)
        # Three more to the right while the wake-up works. They wait for it, and the wake-up that follows at its
        # end, with no further tilt, takes them together: one step.
        self.wine.xdotool("click", "--repeat", "3", "--delay", "50", TILT_RIGHT)
        self.assertEqual(sum(1 for l in self.wine.trace() if l.is_event("tilt-work-done")), 0,
                         "the three tilts did not come while the wake-up worked (the test's timing)")
        self.wine.wait_trace("tilt-wake", count=2, timeout=8)
        self.assertTrue(self.wait_messages(bar_out, 4, timeout=8), "the waiting steps scrolled nothing")
        self.assertEqual(self.tilt_wakes(), ["tilt-wake steps=1", "tilt-wake steps=3"])
        # The next tilt, to the left, is a step of its own.
        self.wine.xdotool("click", TILT_LEFT)
        self.assertTrue(self.wait_messages(bar_out, 6, timeout=8), "the next tilt scrolled nothing")
        time.sleep(0.5)
        hbar = bar["bar"]
        right, left = [("main", SB_LINERIGHT, hbar), ("main", SB_ENDSCROLL, hbar)], \
            [("main", SB_LINELEFT, hbar), ("main", SB_ENDSCROLL, hbar)]
        self.assertEqual(self.hscrolls(bar_out), right * 2 + left, "four tilts right and one left, in three wake-ups")
        self.assertEqual(self.tilt_wakes(), ["tilt-wake steps=1", "tilt-wake steps=3", "tilt-wake steps=-1"])
        self.assertTrue(program.running(), "the program ended")

    def test_each_tilt_of_a_burst_that_comes_during_a_wakeup_scrolls(self):
        # Each tilt comes while the wake-up of the one before it works, after that wake-up took its steps: the
        # moment at which a pulse of the named event woke nobody and the tilt waited for the next one.
        program = self.start_program(switches={"ORVEL_TEST_TILT_WORK_MS": 1500})
        bar_out, bar = self.start_helper("bar", BAR_HELPER)
        tilts = 4
        for n in range(1, tilts + 1):
            self.wine.xdotool("click", TILT_RIGHT)
            if n > 1:
                self.assertEqual(sum(1 for l in self.wine.trace() if l.is_event("tilt-work-done")), n - 2,
                                 "tilt %d did not come while the wake-up before it worked (the test's timing)" % n)
            self.wine.wait_trace("tilt-wake", count=n, timeout=8)
        self.assertTrue(self.wait_messages(bar_out, 2 * tilts, timeout=8),
                        "%d tilts, scroll messages: %r" % (tilts, self.messages(bar_out)))
        time.sleep(0.5)
        hbar = bar["bar"]
        self.assertEqual(self.hscrolls(bar_out), [("main", SB_LINERIGHT, hbar), ("main", SB_ENDSCROLL, hbar)] * tilts,
                         "as many steps as tilts")
        self.assertEqual(self.tilt_wakes(), ["tilt-wake steps=1"] * tilts)
        self.assertTrue(program.running(), "the program ended")

    def test_other_processes_still_see_each_tilt(self):
        program = self.start_program()
        bar_out, _ = self.start_helper("bar", BAR_HELPER)
        # Another process waits on the named event, as the vendor's other programs may.
        _, watch_out = self.wine.start_probe("wait-event", "TiltQV24GWaitEventtouch", "15000")
        self.assertTrue(wait_until(lambda: any("waiting" in l for l in self.wine.probe_lines(watch_out)), 10),
                        "the watcher did not open the event: %r" % self.wine.probe_lines(watch_out))
        self.wine.xdotool("click", TILT_RIGHT)
        self.assertTrue(wait_until(lambda: any("signalled" in l for l in self.wine.probe_lines(watch_out)), 5),
                        "a tilt did not pulse the named event: %r" % self.wine.probe_lines(watch_out))
        self.assertEqual([l["signalled"] for l in self.wine.probe_lines(watch_out) if "signalled" in l], [1])
        self.assertTrue(self.wait_messages(bar_out, 2), "the tilt scrolled nothing")
        self.assertTrue(program.running(), "the program ended")


if __name__ == "__main__":
    unittest.main()


class HookRecovery(TiltTestCase):

    def test_a_lost_hook_comes_back_and_a_resume_configures_again(self):
        self.start_program()
        bar_out, bar = self.start_helper("bar", BAR_HELPER)
        # The system removes a hook that timed out too often and says nothing; its handle still looks valid.
        code, _ = self.wine.wininfo("channel", "drop-hook")
        self.assertEqual(code, 0)
        self.wine.wait_trace("mouse-hook dropped")
        time.sleep(1.2)  # quiet for longer than a second
        # The first notch passes the lost hook (the helper gets it as it is); raw input sees it, and the hook
        # is put back, so the next notches scroll again.
        self.wine.xdotool("click", TILT_RIGHT)
        lines = self.wine.wait_trace("mouse-hook reinstalled", timeout=5)
        self.assertIn("mouse-hook reinstalled ok", [l.text for l in lines], "the hook did not come back")
        before = len(self.hscrolls(bar_out))
        self.wine.xdotool("click", TILT_RIGHT)
        self.assertTrue(wait_until(lambda: len(self.hscrolls(bar_out)) >= before + 2, 5, interval=0.05),
                        "no scrolling after the hook came back: %r" % self.messages(bar_out))
        self.assertEqual(self.hscrolls(bar_out)[before][1], SB_LINERIGHT)

        # A resume from sleep (or an unlock) sends the configuration to the mice again and renews the hook.
        opens = sum(1 for l in self.wine.trace() if l.is_event("hid enumerate"))
        code, _ = self.wine.wininfo("channel", "resume")
        self.assertEqual(code, 0)
        self.assertTrue(wait_until(lambda: sum(1 for l in self.wine.trace() if l.is_event("hid enumerate")) > opens,
                                   5), "no device walk after the resume")
        events = [l.text for l in self.wine.trace()]
        self.assertEqual(events.count("mouse-hook reinstalled ok"), 2, "the resume did not renew the hook")
        self.assertIn("resume", events)
