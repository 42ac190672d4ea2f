"""The harness's readers of the program's trace, of `reg query` and of the probe: a reader that drops or
misreads lines would let the end-to-end tests pass on nothing, so they are checked here on their own (no Wine)."""

import unittest

from harness import (catalogue_from_trace, failed_silently, overlapping_device_workers, parse_json_lines,
                     parse_reg_query, parse_trace, reg_file, rgb_at)

# What Wine 8's reg prints for a key with a default value, a subkey and assorted values (recorded).
REG_OUTPUT = ("\r\nHKEY_CURRENT_USER\\Software\\T\r\n    (Default)    REG_SZ    dflt\r\n"
              "    a b    REG_DWORD    0x5\r\n    empty    REG_SZ    \r\n    neg    REG_DWORD    0xffffffff\r\n"
              "    s    REG_SZ    x y\r\n\r\nHKEY_CURRENT_USER\\Software\\T\\sub\r\n    z    REG_DWORD    0x1\r\n\r\n")


class TraceReading(unittest.TestCase):

    def test_lines_events_and_odd_input(self):
        data = ("12 first-frame\r\n\r\n13 hid open \\\\?\\hid#vid_845e ok\n"
                "no number here\n14  catalogue 28 forward=13 backward=12\n15 function 3 My computer\n"
                "16 stopped early\n17 stop").encode() + b"\n18 function 4 caf\xc3\xa9 \xff\n"
        lines = parse_trace(data)
        self.assertEqual([l.ms for l in lines], [12, 13, None, 14, 15, 16, 17, 18])
        self.assertEqual(lines[1].event, "hid")
        self.assertTrue(lines[1].is_event("hid"))
        self.assertTrue(lines[1].is_event("hid open"))
        self.assertFalse(lines[1].is_event("hid op"), "a prefix matches whole words only")
        self.assertTrue(lines[3].is_event("catalogue"), "extra spaces after the time are tolerated")
        self.assertFalse(lines[5].is_event("stop"), "'stopped' is not the event 'stop'")
        self.assertTrue(lines[6].is_event("stop"), "a last line without a newline is kept")
        self.assertIn("café", lines[7].text, "UTF-8 texts survive; bad bytes are replaced, not fatal")
        self.assertEqual(parse_trace(b""), [])

    def test_catalogue_and_function_names(self):
        lines = parse_trace("1 catalogue 31 forward=15 backward=14\n2 function 0 No function\n"
                            "3 function 2\n4 function 13 前進\n5 function 22 Play / Pause\n"
                            "6 functionality 9 x\n".encode())
        size, forward, backward, names = catalogue_from_trace(lines)
        self.assertEqual((size, forward, backward), (31, 15, 14))
        self.assertEqual(names, {0: "No function", 2: "", 13: "前進", 22: "Play / Pause"})
        self.assertEqual(catalogue_from_trace(parse_trace(b"1 catalogue 28\n"))[:3], (28, None, None))
        self.assertEqual(catalogue_from_trace([]), (None, None, None, {}))

    def test_device_workers_that_overlap(self):
        def wrong(text):
            return [l.ms for l in overlapping_device_workers(parse_trace(text.encode()))]
        self.assertEqual(wrong(""), [])
        self.assertEqual(wrong("1 hid worker started\n2 hid open x ok\n3 hid worker retired\n4 hid worker started\n"
                               "5 hid worker retired\n6 hid worker started\n"), [], "one after the other")
        self.assertEqual(wrong("1 hid worker started\n2 hid worker retired\n3 hid worker started\n"
                               "4 hid worker started\n5 hid worker retired\n6 hid worker started\n"), [4],
                         "a start while the worker before it runs")
        self.assertEqual(wrong("1 hid worker started\n2 hid worker retired\n3 hid worker retired\n"), [3],
                         "a retirement with no worker running")
        self.assertEqual(wrong("1 hid worker retired\n2 hid worker started\n3 hid worker started-late\n"), [1],
                         "a retirement before any start; other events are not starts")


class RegistryReading(unittest.TestCase):

    def test_values_of_the_key_only(self):
        values = parse_reg_query(REG_OUTPUT, r"HKCU\Software\T")
        self.assertEqual(values, {"(Default)": ("REG_SZ", "dflt"), "a b": ("REG_DWORD", 5),
                                  "empty": ("REG_SZ", ""), "neg": ("REG_DWORD", 0xFFFFFFFF),
                                  "s": ("REG_SZ", "x y")}, "the subkey's value z is not the key's")

    def test_missing_and_empty_keys(self):
        # reg reports a missing key in one line of its own on stdout, with no key heading.
        self.assertIsNone(parse_reg_query("reg: Unable to find the registry key\r\n"))
        self.assertIsNone(parse_reg_query(""))
        self.assertEqual(parse_reg_query("\r\nHKEY_CURRENT_USER\\SOFTWARE\\ZU A Mouse\r\n\r\n"), {})

    def test_import_file(self):
        text = reg_file({r"HKCU\SOFTWARE\ZU A Mouse": {"bt3": 500, "neg": -1, "gone": None},
                         r"HKCU\Software\Wine": {"Version": 'win"10\\'}})
        lines = text.split("\r\n")
        self.assertEqual(lines[0], "REGEDIT4")
        self.assertIn("[HKEY_CURRENT_USER\\SOFTWARE\\ZU A Mouse]", lines)
        self.assertIn('"bt3"=dword:000001f4', lines)
        self.assertIn('"neg"=dword:ffffffff', lines)
        self.assertIn('"gone"=-', lines)
        self.assertIn('"Version"="win\\"10\\\\"', lines)
        self.assertTrue(text.endswith("\r\n"))


class ProbeAndPictureReading(unittest.TestCase):

    def test_json_lines_skip_noise(self):
        objects = parse_json_lines('{"a":1}\nfixme:something\n{"title":"Orvel \\"x\\""}\n{broken\n')
        self.assertEqual(objects, [{"a": 1}, {"title": 'Orvel "x"'}])

    def test_pixels_of_a_raw_dump(self):
        raw = bytes(range(2 * 3 * 3))  # 3 x 2 pixels
        self.assertEqual(rgb_at(raw, 3, 0, 0), (0, 1, 2))
        self.assertEqual(rgb_at(raw, 3, 2, 1), (15, 16, 17))
        for x, y in ((3, 0), (-1, 0), (0, 2)):
            with self.assertRaises(IndexError):
                rgb_at(raw, 3, x, y)



class SetUpRetry(unittest.TestCase):

    def test_only_a_failure_that_says_nothing_is_run_again(self):
        self.assertTrue(failed_silently(1, b"", b""))
        self.assertTrue(failed_silently(1, b"\r\n", b" "), "whitespace is saying nothing")
        self.assertFalse(failed_silently(0, b"", b""), "success is not retried")
        self.assertFalse(failed_silently(1, b"", b"regedit: cannot open file\n"), "a reason on stderr fails at once")
        self.assertFalse(failed_silently(1, b"reg: Unable to find the key\r\n", b""), "a reason on stdout too")


if __name__ == "__main__":
    unittest.main()
