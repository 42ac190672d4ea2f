"""The virtual mouse's files as the tests read and write them (no Wine): a reader that dropped or misread a
log line, or an interface description the driver cannot read, would let the virtual mouse tests pass on
nothing or present another mouse."""

import tempfile
import unittest
from pathlib import Path

from vdevice import FAMILIES, VirtualMouse


class FakeSession:
    def __init__(self, prefix):
        self.prefix = Path(prefix)


class VirtualMouseFiles(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        vid, pid, interfaces = FAMILIES["zu"]
        self.mouse = VirtualMouse(FakeSession(self.folder.name), "zu", vid, pid, interfaces)
        for folder in self.mouse.folders:
            folder.mkdir(parents=True)

    def test_names_and_folders_follow_the_instance_ids(self):
        self.assertEqual(self.mouse.instances, ["ROOT\\VID_F17E&PID_027B\\0", "ROOT\\VID_F17E&PID_027B\\1",
                                                "ROOT\\VID_F17E&PID_027B\\2"])
        self.assertEqual([f.name for f in self.mouse.folders], ["VID_F17E&PID_027B-0", "VID_F17E&PID_027B-1",
                                                                "VID_F17E&PID_027B-2"])
        vid, pid, interfaces = FAMILIES["zu-lone"]
        lone = VirtualMouse(FakeSession(self.folder.name), "zu-lone", vid, pid, interfaces, first_instance=7)
        self.assertEqual(lone.instances, ["ROOT\\VID_F17E&PID_027B\\7"])
        self.assertEqual(lone.service, "OrvelVdev_zu_lone", "service names take no dash")

    def test_the_log_keeps_requests_in_order_and_drops_the_rest(self):
        (self.mouse.folders[0] / "log.txt").write_text(
            "100 add\n101 start\n200 get 00 5A 55 00 00 00 00 00 00\n201 set 00 00 00 00 00 00 00 00 00\n"
            "202 held string 120\ngarbage line\n203 string 120\n204 released\n205 input 07 10 00\n"
            "206 set 00 02 10 00 01 00 00 00 13", encoding="ascii")
        self.assertEqual(self.mouse.requests(), ["get", "set 00 00 00 00 00 00 00 00 00", "string 120",
                                                 "set 00 02 10 00 01 00 00 00 13"])
        self.assertEqual(self.mouse.requests(since_ms=202), ["string 120", "set 00 02 10 00 01 00 00 00 13"])
        self.assertEqual(self.mouse.sets(since_ms=201), ["00 00 00 00 00 00 00 00 00", "00 02 10 00 01 00 00 00 13"])
        self.assertEqual(self.mouse.log(0)[4], (202, "held", "string 120"))
        self.assertEqual(self.mouse.requests(interface=1), [], "an interface without a log asked nothing")

    def test_queued_reports_are_numbered_files_of_hex_bytes(self):
        self.mouse.queue_input([0x07, 0x10, 0, 0, 0, 0, 0, 0x10])
        self.mouse.queue_input([0x04, 0x64, 0x01, 0x02])
        folder = self.mouse.folders[1]
        self.assertEqual(sorted(p.name for p in folder.iterdir()), ["input-000001.hex", "input-000002.hex"],
                         "no temporary file is left for the driver to take")
        self.assertEqual((folder / "input-000001.hex").read_text(), "07 10 00 00 00 00 00 10")
        self.assertEqual((folder / "input-000002.hex").read_text(), "04 64 01 02")

    def test_interface_descriptions(self):
        self.assertEqual(self.mouse._ini(self.mouse.interfaces[0]).splitlines(), [
            "collection=feature", "vid=F17E", "pid=027B", "version=0100", "page=FF00", "answer=zu", "busy=2"])
        self.assertEqual(self.mouse._ini(self.mouse.interfaces[1]).splitlines(), [
            "collection=input", "vid=F17E", "pid=027B", "version=0100", "page=FF12"])
        vid, pid, interfaces = FAMILIES["kevo"]
        kevo = VirtualMouse(FakeSession(self.folder.name), "kevo", vid, pid, interfaces)
        lines = kevo._ini(interfaces[0]).splitlines()
        self.assertIn("collection=kevo", lines)
        self.assertIn("stringhex=148:4B45564F0112", lines, "K E V O, then 0x12 in byte 5")
        vid, pid, interfaces = FAMILIES["kest24"]
        kest = VirtualMouse(FakeSession(self.folder.name), "kest24", vid, pid, interfaces)
        self.assertIn("string=120:Kest24", kest._ini(interfaces[0]).splitlines())
        inf = kest._inf("orvel_vdev_kest24.sys")
        self.assertIn("%Name%=Install,root\\orvel_vdev_kest24", inf)
        self.assertIn("AddService=OrvelVdev_kest24,0x2,Service", inf)
        self.assertNotIn("LoadOrderGroup", inf, "a group would put every mouse's driver in one process")


if __name__ == "__main__":
    unittest.main()
