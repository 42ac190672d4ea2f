"""End-to-end tests with bad input under Wine: a huge and broken language file, settings values of every wrong
type and size, and a settings key the user may not change. The program must start, show its window, keep sane
values and keep working."""

import re
import time
import unittest

from harness import SETTINGS_KEY, SETTINGS_VALUES, TITLE, WineTestCase, wait_until

REG_QWORD = 0xB


class BadInput(WineTestCase):

    def markers(self):
        lines = [l.text for l in self.wine.trace() if l.is_event("view-markers")]
        self.assertTrue(lines, "the view drew no markers")
        m = re.match(r"view-markers bt3=\S+ (.*) \| bt4=\S+ (.*)$", lines[-1])
        return m.group(1), m.group(2)

    def still_working(self, program):
        """The window is up, a function runs through the picker's path, and the program ends cleanly."""
        self.assertTrue(program.running(), "the program ended")
        self.assertTrue(self.main_window()["visible"], "the settings window is not shown")
        code, _ = self.wine.wininfo("channel", "run", "10")  # Copy: sends keys, must not crash anything
        self.assertEqual(code, 0)
        report, _ = self.wine.run_probed("/close")
        self.assertEqual(report["exit"], 0)
        self.assertEqual(program.wait(15), 0, "exit status")

    def test_a_huge_broken_language_file(self):
        # 5 MB of UTF-16: one key of 100 000 characters, lone surrogates, a value with a NUL, and filler.
        lines = ["[FUNCTION]", "str16=" + "W" * 100000, "str15=Back\ud800ward\udfff", "str13=Co\x00py",
                 "[TIP]", "str1=" + "\udc00" * 50, "[BUTTON]", "str0=" + "D" * 3000]
        filler = "; " + "x" * 1000
        while sum(len(l) + 2 for l in lines) * 2 < 5 * 1024 * 1024:
            lines.append(filler)
        data = "\r\n".join(lines) + "\r\n"
        (self.wine.program_dir / "lang.ini").write_bytes(b"\xff\xfe" + data.encode("utf-16-le", "surrogatepass"))
        program = self.start_and_wait_visible(timeout=60)
        self.wine.wait_trace("view-markers", timeout=30)
        bt3, bt4 = self.markers()
        self.assertEqual(bt3, "No function", "bt3 of an empty key")
        names = {int(m.group(1)): m.group(2) for l in self.wine.trace()
                 for m in [re.match(r"function (\d+) (.*)$", l.text)] if m}
        self.assertEqual(len(names.get(13, "")), 999, "a 100 000-character name is cut to 999 characters")
        self.assertTrue(set(names.get(13, "")) <= {"W"}, "the long name is made of its own characters")
        self.still_working(program)

    def test_settings_of_every_wrong_type_and_a_key_that_cannot_be_written(self):
        odd = {"order": b"", "extra key": b"\x01\x02\x03", "gesture up": "text", "gesture down": b"\xff" * 64,
               "gesture left": (REG_QWORD, b"\x05\x00\x00\x00\x00\x00\x00\x00"), "gesture right": b"\x80\x00\x00\x80",
               "bt0": "", "bt1": b"\x0a", "bt2": b"\x0c\x00", "bt3": "12", "bt4": b"\xff\xff\xff\x7f"}
        self.wine.reg_import({SETTINGS_KEY: odd})
        program = self.start_and_wait_visible()
        self.wine.wait_trace("settings-saved")
        time.sleep(0.5)
        saved = self.wine.settings()
        self.assertEqual(set(saved), set(SETTINGS_VALUES))
        kinds = {name: value[0] for name, value in saved.items()}
        self.assertEqual(set(kinds.values()), {"REG_DWORD"}, "every value is written back as a number: %r" % saved)
        for name in ("bt0", "bt1", "bt2", "bt3", "bt4", "gesture up", "gesture down", "gesture left",
                     "gesture right"):
            self.assertTrue(0 <= saved[name][1] < 28, "%s is a catalogue position: %r" % (name, saved[name]))
        self.still_working(program)

        # Now nobody may change the key: the program comes up with what it can read and keeps working.
        code, answer = self.wine.wininfo("deny-write", SETTINGS_KEY.split("\\", 1)[1])
        self.assertEqual(code, 0, "could not set the key's access list: %r" % answer)
        before = self.wine.settings()
        program = self.start_and_wait_visible()
        self.wine.wait_trace("settings-saved", count=2)
        self.assertTrue(self.markers(), "no markers")
        if answer and answer[0].get("write_refused"):
            self.assertEqual(self.wine.settings(), before, "a key nobody may write was written")
        self.still_working(program)


if __name__ == "__main__":
    unittest.main()
