"""End-to-end test of the thread rule, checked rather than only written: in a test build, a method that belongs
to a window's thread, called from another thread, ends the process at once with a trace line that names it."""

import unittest

from harness import WineTestCase


class ThreadCheck(WineTestCase):

    def test_a_window_method_from_another_thread_ends_the_test_build_there(self):
        # The owner calls the settings window's SetWindows from a thread of its own at the end of the start-up.
        program = self.wine.start(switches={"ORVEL_TEST_WRONG_THREAD": 1})
        status = program.wait(30)
        self.assertIsNotNone(status, "the program went on after a call from the wrong thread")
        self.assertNotEqual(status, 0, "the program ended as if nothing were wrong")
        events = [line.text for line in self.wine.trace()]
        wrong = [e for e in events if e.startswith("wrong-thread CKestanAssistantDlg::SetWindows ")]
        self.assertEqual(len(wrong), 1, "no trace of the check: %r" % events[-20:])
        fields = dict(part.split("=", 1) for part in wrong[0].split()[2:])
        self.assertNotEqual(fields["thread"], fields["window-thread"], wrong[0])
        # Ended right there: the call never ran, and the program did not go on to a stop of its own.
        self.assertNotIn("wrong-thread unchecked", events)
        self.assertFalse(any(e.startswith("parts-stopped") or e.startswith("exit ") for e in events),
                         "the program stopped the usual way after the fault: %r" % events[-20:])

    def test_without_the_switch_nothing_is_called_from_another_thread(self):
        program = self.start_and_wait_visible()
        self.wine.wait_trace("start-up done")
        events = [line.text for line in self.wine.trace()]
        self.assertFalse(any(e.startswith("wrong-thread") for e in events), events)
        self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
