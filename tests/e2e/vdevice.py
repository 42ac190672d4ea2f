"""The virtual mouse of the end-to-end tests (tests/device/virtual_mouse.c): a HID minidriver that Wine loads,
so that the program finds, configures and hears a mouse through the real HID class driver and raw input.

A mouse is one family's set of interfaces, each a root-enumerated device instance of its own with one
top-level collection, all served by one driver service of that mouse's own, so that Wine runs each mouse's
driver in a process of its own. Removing the devices unplugs the mouse, adding them again plugs it in. Each
interface has a folder C:\\orvel-vdev\\<id>-<n>\\ in the prefix
where the driver reads what it is (device.ini), logs what it is asked (log.txt), takes the input reports the
test queues (input-NNNNNN.hex) and, while a file "hold" is there, leaves feature and string requests
unanswered."""

import json
import os
import shutil
import time
from pathlib import Path

from parsing import wait_until

VDEV_DIR = "orvel-vdev"  # under drive_c
INSTALLER_NAME = "orvel_vdev_install.exe"
DRIVER_NAME = "orvel_vdev.sys"


def device_build_folder(wininfo):
    """The driver and its installer are built (always for x86_64) beside the probes of either build."""
    return Path(wininfo).parent.parent / "device"


def feature(page=0xFF00, answer="none", busy=0, strings=None, hex_strings=None):
    return {"collection": "feature", "page": page, "answer": answer, "busy": busy, "strings": strings or {},
            "hex_strings": hex_strings or {}}


def vendor_input(page):
    return {"collection": "input", "page": page}


def plain_mouse():
    return {"collection": "mouse"}


def kevo(hex_strings):
    return {"collection": "kevo", "page": 0xFF00, "hex_strings": hex_strings}


# The supported families as their mice present themselves: a configuration interface (9-byte feature
# reports), the vendor input collection raw input hears, and an ordinary mouse. The ZU mouse is busy for two
# reads after every request; "KEVO" answers string 148 with the bytes K E V O 01 12.
FAMILIES = {
    "zu": (0xF17E, 0x027B, [feature(answer="zu", busy=2), vendor_input(0xFF12), plain_mouse()]),
    "switch": (0xF17E, 0x0002, [feature(page=0x027B), vendor_input(0xFF29), plain_mouse()]),
    "kest24": (0x1D57, 0x0024, [feature(strings={120: "Kest24"}), vendor_input(0xFF31)]),
    "receiver": (0x062A, 0x4101, [feature(strings={148: "Receiver"}), vendor_input(0xFF18)]),
    "kevo": (0x2E1F, 0x0010, [kevo({148: "4B45564F0112"})]),
    # A ZU mouse with its configuration interface alone, for the mouse that stops answering: Wine's class
    # driver waits for a held request in the driver's process, so nothing else of the mouse can be reached
    # meanwhile (on Windows the other interfaces would still open).
    "zu-lone": (0xF17E, 0x027B, [feature(answer="zu", busy=2)]),
    # A ZU-vendor mouse whose query answer is not "ZU".
    "zv": (0xF17E, 0x027B, [feature(answer="zv")]),
}


class VirtualMouse:
    """One installed mouse of a family in a WineSession."""

    def __init__(self, session, family, vid, pid, interfaces, first_instance=0):
        self.session = session
        self.family = family
        self.vid, self.pid = vid, pid
        self.interfaces = interfaces
        self.service = "OrvelVdev_" + family.replace("-", "_")
        self.hardware_id = "root\\orvel_vdev_" + family.replace("-", "_")
        self.device_id = "VID_%04X&PID_%04X" % (vid, pid)
        self.instances = ["ROOT\\%s\\%d" % (self.device_id, first_instance + i) for i in range(len(interfaces))]
        self.folders = [session.prefix / "drive_c" / VDEV_DIR / ("%s-%d" % (self.device_id, first_instance + i))
                        for i in range(len(interfaces))]
        self.queued = [0] * len(interfaces)
        self.install_ms = None

    # ------------------------------------------------------------------ plugging in and out
    def install(self, driver, installer):
        """Writes what each interface is, copies the driver under this mouse's own name with its INF, and
        installs the devices; returns when their HID interfaces are present (the installer waits)."""
        base = self.session.prefix / "drive_c" / VDEV_DIR
        driver_dir = base / "driver"
        driver_dir.mkdir(parents=True, exist_ok=True)
        for folder, interface in zip(self.folders, self.interfaces):
            folder.mkdir(parents=True, exist_ok=True)
            (folder / "device.ini").write_text(self._ini(interface), encoding="ascii")
        sys_name = "orvel_vdev_%s.sys" % self.family.replace("-", "_")
        shutil.copy2(driver, driver_dir / sys_name)
        inf_name = "orvel_vdev_%s.inf" % self.family.replace("-", "_")
        (driver_dir / inf_name).write_text(self._inf(sys_name), encoding="ascii")
        if not (driver_dir / INSTALLER_NAME).exists():
            shutil.copy2(installer, driver_dir / INSTALLER_NAME)
        self.inf = "C:\\%s\\driver\\%s" % (VDEV_DIR, inf_name)
        self.install_ms = self.plug_in()
        return self.install_ms

    def unplug(self):
        """The mouse's devices are removed: the program hears the removal of each interface."""
        return self._installer(["remove"] + self.instances)

    def plug_in(self):
        """The devices are (re)created and their driver installed: the program hears each interface arrive."""
        return self._installer(["add", self.inf, self.hardware_id] + self.instances)

    def _installer(self, args):
        tool = "C:\\%s\\driver\\%s" % (VDEV_DIR, INSTALLER_NAME)
        proc = self.session._tool([tool] + args, timeout=60, check=False)
        self.last_stderr = proc.stderr
        lines = [l for l in proc.stdout.decode("utf-8", errors="replace").splitlines() if l.startswith("{")]
        answer = json.loads(lines[-1]) if lines else {}
        if proc.returncode != 0 or not answer.get("ok"):
            raise AssertionError("the virtual %s mouse's %s failed: %r %r" %
                                 (self.family, args[0], answer, proc.stderr[-400:]))
        return answer.get("ms")

    def _ini(self, interface):
        lines = ["collection=%s" % interface["collection"], "vid=%04X" % self.vid, "pid=%04X" % self.pid,
                 "version=0100"]
        if "page" in interface:
            lines.append("page=%04X" % interface["page"])
        if interface.get("answer"):
            lines += ["answer=%s" % interface["answer"], "busy=%d" % interface.get("busy", 0)]
        for index, text in sorted(interface.get("strings", {}).items()):
            lines.append("string=%d:%s" % (index, text))
        for index, text in sorted(interface.get("hex_strings", {}).items()):
            lines.append("stringhex=%d:%s" % (index, text))
        return "\n".join(lines) + "\n"

    def _inf(self, sys_name):
        # What Wine needs: the System class, a model for x86_64, the driver copied to the drivers folder (12)
        # and a kernel driver service loaded on demand. No load-order group: Wine then gives the driver a
        # process of its own, so a mouse that holds a request holds up no other mouse.
        return "\r\n".join([
            "[Version]", 'Signature="$WINDOWS NT$"', "Class=System",
            "ClassGuid={4d36e97d-e325-11ce-bfc1-08002be10318}", "Provider=%Orvel%", "DriverVer=01/01/2024,1.0.0.0",
            "", "[Manufacturer]", "%Orvel%=Models,NTamd64",
            "", "[Models.NTamd64]", "%Name%=Install," + self.hardware_id,
            "", "[Install.NTamd64]", "CopyFiles=Files",
            "", "[Install.NTamd64.Services]", "AddService=%s,0x2,Service" % self.service,
            "", "[Files]", sys_name,
            "", "[DestinationDirs]", "DefaultDestDir=12",
            "", "[SourceDisksNames]", "1=%Disk%",
            "", "[SourceDisksFiles]", "%s=1" % sys_name,
            "", "[Service]", "ServiceType=1", "StartType=3", "ErrorControl=1",
            "ServiceBinary=%%12%%\\%s" % sys_name,
            "", "[Strings]", 'Orvel="Orvel tests"', 'Name="Orvel virtual %s mouse"' % self.family,
            'Disk="Orvel tests"', ""])

    # ------------------------------------------------------------------ talking to it
    def log(self, interface=0):
        """The interface's log as (unix ms, kind, rest) tuples."""
        path = self.folders[interface] / "log.txt"
        entries = []
        if path.exists():
            for line in path.read_text(encoding="ascii", errors="replace").splitlines():
                parts = line.split(" ", 2)
                if len(parts) >= 2 and parts[0].isdigit():
                    entries.append((int(parts[0]), parts[1], parts[2] if len(parts) > 2 else ""))
        return entries

    def requests(self, interface=0, since_ms=0):
        """What the program asked of the interface, in order: "set 00 07 ...", "get", "string 120"."""
        out = []
        for ms, kind, rest in self.log(interface):
            if ms < since_ms:
                continue
            if kind == "set":
                out.append("set " + rest)
            elif kind in ("get", "string"):
                out.append(kind if kind == "get" else "string " + rest)
        return out

    def sets(self, interface=0, since_ms=0):
        return [r[4:] for r in self.requests(interface, since_ms) if r.startswith("set ")]

    def queue_input(self, report, interface=1):
        """Hands the interface one input report; the driver completes the class driver's next read with it."""
        self.queued[interface] += 1
        folder = self.folders[interface]
        name = "input-%06d.hex" % self.queued[interface]
        temporary = folder / (name + ".tmp")
        temporary.write_text(" ".join("%02X" % b for b in report), encoding="ascii")
        os.replace(temporary, folder / name)

    def wait_inputs_taken(self, interface=1, timeout=5.0):
        """Waits until the driver has sent every queued report; fails naming what stayed queued."""
        folder = self.folders[interface]
        if not wait_until(lambda: not list(folder.glob("input-*.hex")), timeout, interval=0.05):
            raise AssertionError("the virtual %s mouse never sent %s" %
                                 (self.family, sorted(p.name for p in folder.glob("input-*.hex"))))

    def hold(self, interface=0):
        (self.folders[interface] / "hold").write_text("", encoding="ascii")

    def release(self, interface=0):
        (self.folders[interface] / "hold").unlink()


def now_ms():
    return int(time.time() * 1000)
