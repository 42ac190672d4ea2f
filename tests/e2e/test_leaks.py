"""End-to-end leak check: a resident program is used for hours, so what one use of the picker, the tip, the
board, the spotlight or an overview leaves behind must be nothing. After one round of each (caches filled,
first-use costs paid) the GDI objects and the windows of the process are read; after more rounds they must be
the same. Its anonymous memory may rise to a high-water mark under a loaded machine (Wine's heaps keep what
overlapping work needed at once), but a leak grows with every round: between the third and the fifth round
it must stay within 1 MB."""

import unittest

from cycles import KB, UseCycles, settled_anonymous_bytes
from harness import EXE_NAME, SETTINGS_KEY, WineTestCase

ROUNDS = 4
MEMORY_SLACK = 1024 * KB


class NothingLeftBehind(WineTestCase):

    def test_rounds_of_every_overlay_leave_no_objects_and_no_memory_behind(self):
        self.wine.reg_import({SETTINGS_KEY: {"bt3": 10, "bt4": 12}})
        self.start_and_wait_visible()
        self.wine.wait_trace("warm-up done", timeout=30)
        use = UseCycles(self.wine)

        def round_of_each():
            for _, cycle in use.kinds():
                cycle()
            use.rest()

        round_of_each()
        objects = use.objects()
        self.assertGreater(objects["gdi"], 0, "the count found no GDI object at all: %r" % objects)
        self.assertGreater(objects["user"], 0, "the count found no window at all: %r" % objects)

        memory = []
        for _ in range(ROUNDS):
            round_of_each()
            memory.append(settled_anonymous_bytes(self.wine.prefix, EXE_NAME))
        after = use.objects()

        self.assertEqual(after["gdi"], objects["gdi"], "GDI objects after %d more rounds (counted by %s)" %
                         (ROUNDS, objects["from"]))
        self.assertEqual(after["user"], objects["user"], "windows after %d more rounds" % ROUNDS)
        self.assertLessEqual(memory[-1] - memory[1], MEMORY_SLACK, "anonymous memory still grows: %s MB after "
                             "rounds 2 to %d" % (", ".join("%.1f" % (m / (KB * KB)) for m in memory), ROUNDS + 1))
        # The rounds did what they say: each kind ran once plus ROUNDS times.
        self.assertEqual(use.count("board-open"), 2 * (ROUNDS + 1), "board and spotlight openings")
        self.assertEqual(use.count("switcher-end"), ROUNDS + 1, "overviews ended")


if __name__ == "__main__":
    unittest.main()
