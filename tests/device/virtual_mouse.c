/* A virtual mouse for the end-to-end tests: a HID minidriver that Wine loads into a 64-bit prefix, so that the
 * program finds, configures and hears a mouse through the real HID class driver and raw input.
 *
 * One device instance is one interface of a mouse. What it is comes from the file device.ini in its folder,
 * C:\orvel-vdev\<device id>-<instance id>\, written by the tests before the device is installed:
 *   collection=feature|input|mouse|kevo   the interface's one top-level collection (see BuildDescriptor)
 *   page=FF12                             its usage page (feature and input collections)
 *   vid=F17E pid=027B version=0100        its attributes
 *   answer=zu|zv|none                     how it answers feature reads (zu: the ZU mouse's "ZU" identification,
 *                                         busy for `busy` reads after every request; zv: a wrong identification)
 *   busy=2
 *   string=120:Kest24                     a string, as text
 *   stringhex=148:4B45564F0112            a string, as the bytes of its UTF-16 units
 * In the same folder the driver appends every request it gets to log.txt ("<unix ms> set 00 07 01 ...",
 * "get", "string 120", "held ...", "input ..."), completes input reads with the reports the tests drop there
 * as input-000001.hex, input-000002.hex, ... (hex bytes, taken in order, each deleted once sent), and, while
 * a file "hold" is there, leaves every feature and string request unanswered until the file goes, as a mouse
 * that has stopped answering would.
 *
 * Test-only, x86_64, built with mingw; never packaged. Wine runs it inside winedevice.exe. */
#include <ntddk.h>
#include <hidusage.h>
#include <ddk/hidclass.h>

/* The minidriver interface (hidport.h, which mingw lacks). mingw's hidclass.h gives wrong values for the
 * minidriver's own requests; these are the documented ones. */
typedef struct {
    ULONG Revision;
    PDRIVER_OBJECT DriverObject;
    PUNICODE_STRING RegistryPath;
    ULONG DeviceExtensionSize;
    BOOLEAN DevicesArePolled;
    UCHAR Reserved[3];
} MINIDRIVER_REGISTRATION;
NTSTATUS NTAPI HidRegisterMinidriver(MINIDRIVER_REGISTRATION *registration);

typedef struct {
    PDEVICE_OBJECT PhysicalDeviceObject;
    PDEVICE_OBJECT NextDeviceObject;
    PVOID MiniDeviceExtension;
} CLASS_DEVICE_EXTENSION;

typedef struct {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
    USHORT Reserved[11];
} DEVICE_ATTRIBUTES;

#pragma pack(push, 1)
typedef struct {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT bcdHID;
    UCHAR bCountry;
    UCHAR bNumDescriptors;
    UCHAR bReportType;
    USHORT wReportLength;
} CLASS_DESCRIPTOR;
#pragma pack(pop)

#define MINI_CTL(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_NEITHER, FILE_ANY_ACCESS)
#define MINI_GET_DEVICE_DESCRIPTOR MINI_CTL(0)
#define MINI_GET_REPORT_DESCRIPTOR MINI_CTL(1)
#define MINI_READ_REPORT MINI_CTL(2)
#define MINI_WRITE_REPORT MINI_CTL(3)
#define MINI_GET_STRING MINI_CTL(4)
#define MINI_ACTIVATE_DEVICE MINI_CTL(7)
#define MINI_DEACTIVATE_DEVICE MINI_CTL(8)
#define MINI_GET_DEVICE_ATTRIBUTES MINI_CTL(9)
#define MINI_GET_INDEXED_STRING CTL_CODE(FILE_DEVICE_KEYBOARD, 120, METHOD_OUT_DIRECT, FILE_ANY_ACCESS)

/* The system time as a call into ntoskrnl (ntoskrnl_extra.def): the headers' KeQuerySystemTime reads the
 * kernel's shared page, which Wine's driver process does not map. (Importing anything from ntdll would make
 * Wine's loader take the driver for an ordinary library and call DriverEntry as its DllMain.) */
#undef KeQuerySystemTime
__declspec(dllimport) VOID NTAPI KeQuerySystemTime(PLARGE_INTEGER time);

enum { kFeature, kInput, kMouse, kKevo };
enum { kAnswerNone, kAnswerZu, kAnswerWrongId };
#define MAX_STRINGS 8
#define MAX_PENDING 16

typedef struct {
    USHORT index;
    USHORT bytes;  /* without the terminator */
    UCHAR data[128];
} VSTRING;

typedef struct {
    WCHAR folder[160];  /* \??\C:\orvel-vdev\<name>\ */
    int collection;
    USHORT page, vid, pid, version;
    int answer;
    int busyReads;
    VSTRING strings[MAX_STRINGS];
    int stringCount;
    UCHAR descriptor[96];
    USHORT descriptorLength;

    KSPIN_LOCK lock;  /* the two lists below */
    PIRP reads[MAX_PENDING];
    int readCount;
    PIRP held[MAX_PENDING];
    int heldCount;

    KMUTEX fileMutex;  /* the log file, the answer state */
    UCHAR answerReport[9];
    int busyLeft;
    ULONG nextInput;

    volatile LONG stop;
    KEVENT threadEnded;
    BOOLEAN threadRunning;
} VDEV;

static VDEV *Dev(PDEVICE_OBJECT device) {
    return (VDEV *)((CLASS_DEVICE_EXTENSION *)device->DeviceExtension)->MiniDeviceExtension;
}

/* ------------------------------------------------------------------------------------------ small text */

static int Hex(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/* Hex digit pairs, anything between them ignored. */
static int ParseHexBytes(const char *text, int length, UCHAR *out, int room) {
    int count = 0, i = 0;
    while (i + 1 < length + 1 && count < room) {
        while (i < length && Hex(text[i]) < 0) ++i;
        if (i + 1 >= length || Hex(text[i + 1]) < 0) break;
        out[count++] = (UCHAR)(Hex(text[i]) << 4 | Hex(text[i + 1]));
        i += 2;
    }
    return count;
}

static ULONG ParseNumber(const char *text, int length, int base) {
    ULONG value = 0;
    for (int i = 0; i < length; ++i) {
        int d = base == 16 ? Hex(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (d < 0) break;
        value = value * base + d;
    }
    return value;
}

static int Append(char *out, int at, int room, const char *text) {
    while (*text && at < room - 1) out[at++] = *text++;
    out[at] = 0;
    return at;
}

static int AppendHex(char *out, int at, int room, const UCHAR *bytes, int count) {
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < count && at < room - 4; ++i) {
        if (i) out[at++] = ' ';
        out[at++] = digits[bytes[i] >> 4];
        out[at++] = digits[bytes[i] & 15];
    }
    out[at] = 0;
    return at;
}

static int AppendNumber(char *out, int at, int room, ULONGLONG value) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value && n < 24);
    while (n && at < room - 1) out[at++] = digits[--n];
    out[at] = 0;
    return at;
}

/* ------------------------------------------------------------------------------------------ files */

static NTSTATUS OpenInFolder(VDEV *v, const WCHAR *leaf, ACCESS_MASK access, ULONG disposition, ULONG options,
                             HANDLE *handle) {
    WCHAR path[220];
    int at = 0;
    for (const WCHAR *p = v->folder; *p && at < 200; ++p) path[at++] = *p;
    for (const WCHAR *p = leaf; *p && at < 218; ++p) path[at++] = *p;
    path[at] = 0;
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, path);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    IO_STATUS_BLOCK io;
    return ZwCreateFile(handle, access | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition,
                        options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
}

static BOOLEAN FileExists(VDEV *v, const WCHAR *leaf) {
    HANDLE handle;
    if (!NT_SUCCESS(OpenInFolder(v, leaf, FILE_READ_ATTRIBUTES, FILE_OPEN, 0, &handle))) return FALSE;
    ZwClose(handle);
    return TRUE;
}

/* Reads a small file whole; with `remove` the file goes once read. Returns the byte count, -1 when absent. */
static int ReadSmallFile(VDEV *v, const WCHAR *leaf, char *buffer, int room, BOOLEAN remove) {
    HANDLE handle;
    if (!NT_SUCCESS(OpenInFolder(v, leaf, FILE_READ_DATA | (remove ? DELETE : 0), FILE_OPEN,
                                 remove ? FILE_DELETE_ON_CLOSE : 0, &handle))) {
        return -1;
    }
    IO_STATUS_BLOCK io;
    int got = 0;
    if (NT_SUCCESS(ZwReadFile(handle, NULL, NULL, NULL, &io, buffer, room - 1, NULL, NULL))) {
        got = (int)io.Information;
    }
    buffer[got] = 0;
    ZwClose(handle);
    return got;
}

/* One line in log.txt: the time in milliseconds since 1970, then the text. */
static void Log(VDEV *v, const char *text) {
    LARGE_INTEGER now;
    KeQuerySystemTime(&now);
    char line[512];
    int at = AppendNumber(line, 0, sizeof line, (ULONGLONG)(now.QuadPart - 116444736000000000LL) / 10000);
    at = Append(line, at, sizeof line, " ");
    at = Append(line, at, sizeof line, text);
    at = Append(line, at, sizeof line, "\n");

    KeWaitForSingleObject(&v->fileMutex, Executive, KernelMode, FALSE, NULL);
    HANDLE handle;
    if (NT_SUCCESS(OpenInFolder(v, L"log.txt", FILE_APPEND_DATA, FILE_OPEN_IF, 0, &handle))) {
        IO_STATUS_BLOCK io;
        LARGE_INTEGER end;
        end.HighPart = -1;
        end.LowPart = FILE_WRITE_TO_END_OF_FILE;
        ZwWriteFile(handle, NULL, NULL, NULL, &io, line, at, &end, NULL);
        ZwClose(handle);
    }
    KeReleaseMutex(&v->fileMutex, FALSE);
}

static void LogBytes(VDEV *v, const char *what, const UCHAR *bytes, int count) {
    char text[400];
    int at = Append(text, 0, sizeof text, what);
    at = Append(text, at, sizeof text, " ");
    AppendHex(text, at, sizeof text, bytes, count);
    Log(v, text);
}

static void LogNumber(VDEV *v, const char *what, ULONG number) {
    char text[64];
    int at = Append(text, 0, sizeof text, what);
    at = Append(text, at, sizeof text, " ");
    AppendNumber(text, at, sizeof text, number);
    Log(v, text);
}

/* ------------------------------------------------------------------------------------------ what it is */

static BOOLEAN KeyIs(const char *line, int length, const char *key) {
    int i = 0;
    for (; key[i]; ++i) {
        if (i >= length || line[i] != key[i]) return FALSE;
    }
    return i < length && line[i] == '=';
}

static void AddString(VDEV *v, const char *value, int length, BOOLEAN hex) {
    if (v->stringCount >= MAX_STRINGS) return;
    int colon = 0;
    while (colon < length && value[colon] != ':') ++colon;
    if (colon >= length) return;
    VSTRING *s = &v->strings[v->stringCount++];
    s->index = (USHORT)ParseNumber(value, colon, 10);
    const char *text = value + colon + 1;
    int textLength = length - colon - 1;
    if (hex) {
        s->bytes = (USHORT)ParseHexBytes(text, textLength, s->data, sizeof s->data - 2);
        if (s->bytes & 1) s->data[s->bytes++] = 0;
    } else {
        int n = 0;
        for (int i = 0; i < textLength && n + 2 < (int)sizeof s->data; ++i) {
            s->data[n++] = (UCHAR)text[i];
            s->data[n++] = 0;
        }
        s->bytes = (USHORT)n;
    }
    s->data[s->bytes] = s->data[s->bytes + 1] = 0;
}

static void ReadConfiguration(VDEV *v) {
    char text[1024];
    int length = ReadSmallFile(v, L"device.ini", text, sizeof text, FALSE);
    for (int at = 0; at < length;) {
        int end = at;
        while (end < length && text[end] != '\n' && text[end] != '\r') ++end;
        const char *line = text + at;
        int n = end - at;
        int eq = 0;
        while (eq < n && line[eq] != '=') ++eq;
        const char *value = line + eq + 1;
        int valueLength = n - eq - 1;
        if (KeyIs(line, n, "collection")) {
            if (valueLength >= 5 && value[0] == 'i') v->collection = kInput;
            else if (valueLength >= 5 && value[0] == 'm') v->collection = kMouse;
            else if (valueLength >= 4 && value[0] == 'k') v->collection = kKevo;
            else v->collection = kFeature;
        } else if (KeyIs(line, n, "page")) {
            v->page = (USHORT)ParseNumber(value, valueLength, 16);
        } else if (KeyIs(line, n, "vid")) {
            v->vid = (USHORT)ParseNumber(value, valueLength, 16);
        } else if (KeyIs(line, n, "pid")) {
            v->pid = (USHORT)ParseNumber(value, valueLength, 16);
        } else if (KeyIs(line, n, "version")) {
            v->version = (USHORT)ParseNumber(value, valueLength, 16);
        } else if (KeyIs(line, n, "answer")) {
            v->answer = value[0] == 'z' && valueLength >= 2 ? (value[1] == 'u' ? kAnswerZu : kAnswerWrongId)
                                                            : kAnswerNone;
        } else if (KeyIs(line, n, "busy")) {
            v->busyReads = (int)ParseNumber(value, valueLength, 10);
        } else if (KeyIs(line, n, "string")) {
            AddString(v, value, valueLength, FALSE);
        } else if (KeyIs(line, n, "stringhex")) {
            AddString(v, value, valueLength, TRUE);
        }
        at = end + 1;
    }
}

static void Put(VDEV *v, const UCHAR *bytes, int count) {
    for (int i = 0; i < count && v->descriptorLength < sizeof v->descriptor; ++i) {
        v->descriptor[v->descriptorLength++] = bytes[i];
    }
}

/* One top-level collection per interface, as each interface of the mouse is a device of its own: the
 * configuration interface takes 9-byte feature reports without a report id (and may send 8 bytes of input
 * without one), the vendor input interface sends reports 4 and 7 of 8 bytes with their ids, and report ids
 * cannot be used for some reports of a collection and not for others. */
static void BuildDescriptor(VDEV *v) {
    const UCHAR page[] = {0x06, (UCHAR)(v->page & 0xFF), (UCHAR)(v->page >> 8), 0x09, 0x01, 0xA1, 0x01,
                          0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08};
    static const UCHAR feature[] = {0x95, 0x08, 0x09, 0x01, 0xB1, 0x02, 0x95, 0x08, 0x09, 0x02, 0x81, 0x02, 0xC0};
    static const UCHAR input[] = {0x85, 0x04, 0x95, 0x07, 0x09, 0x01, 0x81, 0x02,
                                  0x85, 0x07, 0x95, 0x07, 0x09, 0x02, 0x81, 0x02, 0xC0};
    static const UCHAR kevo[] = {0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0x95, 0x08, 0x09, 0x02, 0x91, 0x02, 0xC0};
    /* An ordinary three-button mouse with a wheel. */
    static const UCHAR mouse[] = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09,
                                  0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01,
                                  0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x03, 0x05, 0x01, 0x09, 0x30,
                                  0x09, 0x31, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x03,
                                  0x81, 0x06, 0xC0, 0xC0};
    v->descriptorLength = 0;
    switch (v->collection) {
    case kMouse: Put(v, mouse, sizeof mouse); break;
    case kInput: Put(v, page, sizeof page); Put(v, input, sizeof input); break;
    case kKevo: Put(v, page, sizeof page); Put(v, kevo, sizeof kevo); break;
    default: Put(v, page, sizeof page); Put(v, feature, sizeof feature); break;
    }
}

static void ResetAnswer(VDEV *v) {
    for (int i = 0; i < 9; ++i) v->answerReport[i] = 0;
    if (v->answer != kAnswerNone) {
        v->answerReport[1] = 0x5A;
        v->answerReport[2] = v->answer == kAnswerZu ? 0x55 : 0x56;
    }
}

/* ------------------------------------------------------------------------------------------ requests */

static PVOID OutputBuffer(PIRP irp) {
    if (irp->MdlAddress) return MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    return irp->UserBuffer;
}

/* The 9 bytes of a feature report, the report id first, whether the class driver passes the id inside the
 * buffer or beside it. */
static void PacketReport(const HID_XFER_PACKET *packet, UCHAR report[9]) {
    for (int i = 0; i < 9; ++i) report[i] = 0;
    if (packet->reportBufferLen >= 9) {
        for (int i = 0; i < 9; ++i) report[i] = packet->reportBuffer[i];
    } else {
        report[0] = packet->reportId;
        for (ULONG i = 0; i < packet->reportBufferLen && i < 8; ++i) report[i + 1] = packet->reportBuffer[i];
    }
}

static void FillPacket(HID_XFER_PACKET *packet, const UCHAR report[9]) {
    if (packet->reportBufferLen >= 9) {
        for (int i = 0; i < 9; ++i) packet->reportBuffer[i] = report[i];
    } else {
        for (ULONG i = 0; i < packet->reportBufferLen && i < 8; ++i) packet->reportBuffer[i] = report[i + 1];
    }
}

static NTSTATUS SetFeature(VDEV *v, PIRP irp) {
    HID_XFER_PACKET *packet = (HID_XFER_PACKET *)irp->UserBuffer;
    if (!packet || !packet->reportBuffer) return STATUS_INVALID_PARAMETER;
    UCHAR report[9];
    PacketReport(packet, report);
    LogBytes(v, "set", report, 9);
    if (v->answer != kAnswerNone) {
        KeWaitForSingleObject(&v->fileMutex, Executive, KernelMode, FALSE, NULL);
        BOOLEAN query = TRUE;
        for (int i = 1; i < 9; ++i) query = query && report[i] == 0;
        /* The ZU mouse answers its query with "ZU" and echoes any other request once it is done with it;
         * until then its busy bit is set. */
        if (query) {
            ResetAnswer(v);
        } else {
            for (int i = 0; i < 9; ++i) v->answerReport[i] = report[i];
            v->answerReport[0] = 0;
            v->answerReport[1] &= 0x7F;
        }
        v->busyLeft = v->busyReads;
        KeReleaseMutex(&v->fileMutex, FALSE);
    }
    irp->IoStatus.Information = packet->reportBufferLen;
    return STATUS_SUCCESS;
}

static NTSTATUS GetFeature(VDEV *v, PIRP irp) {
    HID_XFER_PACKET *packet = (HID_XFER_PACKET *)irp->UserBuffer;
    if (!packet || !packet->reportBuffer || !packet->reportBufferLen) return STATUS_INVALID_PARAMETER;
    UCHAR report[9];
    KeWaitForSingleObject(&v->fileMutex, Executive, KernelMode, FALSE, NULL);
    for (int i = 0; i < 9; ++i) report[i] = v->answerReport[i];
    if (v->busyLeft > 0) {
        --v->busyLeft;
        report[1] |= 0x80;
    }
    KeReleaseMutex(&v->fileMutex, FALSE);
    FillPacket(packet, report);
    LogBytes(v, "get", report, 9);
    irp->IoStatus.Information = packet->reportBufferLen;
    return STATUS_SUCCESS;
}

static NTSTATUS GetString(VDEV *v, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG index = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xFFFF;
    ULONG room = stack->Parameters.DeviceIoControl.OutputBufferLength;
    LogNumber(v, "string", index);
    const VSTRING *found = NULL;
    for (int i = 0; i < v->stringCount; ++i) {
        if (v->strings[i].index == index) found = &v->strings[i];
    }
    /* The class driver asks for the manufacturer, product and serial number on its own. */
    static VSTRING standard;
    if (!found && (index <= 3 || (index >= 14 && index <= 16))) {
        static const char kName[] = "Orvel test mouse";
        int n = 0;
        for (const char *p = kName; *p; ++p) {
            standard.data[n++] = (UCHAR)*p;
            standard.data[n++] = 0;
        }
        standard.data[n] = standard.data[n + 1] = 0;
        standard.bytes = (USHORT)n;
        found = &standard;
    }
    if (!found) return STATUS_INVALID_PARAMETER;
    UCHAR *out = (UCHAR *)OutputBuffer(irp);
    if (!out) return STATUS_INVALID_USER_BUFFER;
    ULONG bytes = found->bytes + 2u;
    if (bytes > room) bytes = room & ~1u;
    for (ULONG i = 0; i < bytes; ++i) out[i] = found->data[i];
    irp->IoStatus.Information = bytes;
    return STATUS_SUCCESS;
}

static NTSTATUS Answer(VDEV *v, PIRP irp) {
    switch (IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_HID_SET_FEATURE: return SetFeature(v, irp);
    case IOCTL_HID_GET_FEATURE: return GetFeature(v, irp);
    default: return GetString(v, irp);
    }
}

static void NTAPI ReadCancelled(PDEVICE_OBJECT device, PIRP irp) {
    IoReleaseCancelSpinLock(irp->CancelIrql);
    VDEV *v = Dev(device);
    KIRQL irql;
    KeAcquireSpinLock(&v->lock, &irql);
    for (int i = 0; i < v->readCount; ++i) {
        if (v->reads[i] == irp) {
            v->reads[i] = v->reads[--v->readCount];
            break;
        }
    }
    KeReleaseSpinLock(&v->lock, irql);
    irp->IoStatus.Status = STATUS_CANCELLED;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

/* The oldest read that is not being cancelled, taken off the list; NULL when there is none. */
static PIRP TakeRead(VDEV *v) {
    PIRP irp = NULL;
    KIRQL irql;
    KeAcquireSpinLock(&v->lock, &irql);
    while (!irp && v->readCount > 0) {
        PIRP first = v->reads[0];
        for (int i = 1; i < v->readCount; ++i) v->reads[i - 1] = v->reads[i];
        --v->readCount;
        if (IoSetCancelRoutine(first, NULL)) irp = first;  /* else its cancel routine completes it */
    }
    KeReleaseSpinLock(&v->lock, irql);
    return irp;
}

static NTSTATUS PendRead(VDEV *v, PIRP irp) {
    KIRQL irql;
    KeAcquireSpinLock(&v->lock, &irql);
    if (v->readCount >= MAX_PENDING) {
        KeReleaseSpinLock(&v->lock, irql);
        irp->IoStatus.Status = STATUS_INSUFFICIENT_RESOURCES;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    IoMarkIrpPending(irp);
    v->reads[v->readCount++] = irp;
    IoSetCancelRoutine(irp, ReadCancelled);
    KeReleaseSpinLock(&v->lock, irql);
    return STATUS_PENDING;
}

static NTSTATUS Hold(VDEV *v, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    if (code == IOCTL_HID_SET_FEATURE && irp->UserBuffer) {
        UCHAR report[9];
        PacketReport((HID_XFER_PACKET *)irp->UserBuffer, report);
        LogBytes(v, "held set", report, 9);
    } else if (code == IOCTL_HID_GET_FEATURE) {
        Log(v, "held get");
    } else {
        LogNumber(v, "held string", (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xFFFF);
    }
    KIRQL irql;
    KeAcquireSpinLock(&v->lock, &irql);
    if (v->heldCount >= MAX_PENDING) {
        KeReleaseSpinLock(&v->lock, irql);
        irp->IoStatus.Status = STATUS_DEVICE_BUSY;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_DEVICE_BUSY;
    }
    IoMarkIrpPending(irp);
    v->held[v->heldCount++] = irp;
    KeReleaseSpinLock(&v->lock, irql);
    return STATUS_PENDING;
}

static PIRP TakeHeld(VDEV *v) {
    PIRP irp = NULL;
    KIRQL irql;
    KeAcquireSpinLock(&v->lock, &irql);
    if (v->heldCount > 0) {
        irp = v->held[0];
        for (int i = 1; i < v->heldCount; ++i) v->held[i - 1] = v->held[i];
        --v->heldCount;
    }
    KeReleaseSpinLock(&v->lock, irql);
    return irp;
}

/* ------------------------------------------------------------------------------------------ the worker */

static void InputName(ULONG number, WCHAR name[24]) {
    static const WCHAR head[] = L"input-";
    int at = 0;
    for (; head[at]; ++at) name[at] = head[at];
    for (int i = 5; i >= 0; --i) {
        name[at + i] = (WCHAR)(L'0' + number % 10);
        number /= 10;
    }
    at += 6;
    name[at++] = L'.';
    name[at++] = L'h';
    name[at++] = L'e';
    name[at++] = L'x';
    name[at] = 0;
}

/* The next queued report, if a read waits for one. */
static void DeliverInput(VDEV *v) {
    if (v->readCount == 0) return;
    WCHAR name[24];
    InputName(v->nextInput, name);
    if (!FileExists(v, name)) return;
    PIRP irp = TakeRead(v);
    if (!irp) return;
    char text[256];
    int length = ReadSmallFile(v, name, text, sizeof text, TRUE);
    UCHAR report[64];
    int count = length > 0 ? ParseHexBytes(text, length, report, sizeof report) : 0;
    ++v->nextInput;
    ULONG room = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR *out = (UCHAR *)irp->UserBuffer;
    ULONG sent = 0;
    for (; out && sent < room && sent < (ULONG)count; ++sent) out[sent] = report[sent];
    LogBytes(v, "input", report, (int)sent);
    irp->IoStatus.Information = sent;
    irp->IoStatus.Status = STATUS_SUCCESS;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

/* Held requests are answered, late, once the hold file is gone. */
static void ReleaseHeld(VDEV *v) {
    if (v->heldCount == 0 || FileExists(v, L"hold")) return;
    PIRP irp;
    while ((irp = TakeHeld(v)) != NULL) {
        Log(v, "released");
        irp->IoStatus.Information = 0;
        irp->IoStatus.Status = Answer(v, irp);
        IoCompleteRequest(irp, IO_NO_INCREMENT);
    }
}

static VOID NTAPI Worker(PVOID context) {
    VDEV *v = (VDEV *)context;
    LARGE_INTEGER pause;
    pause.QuadPart = -10 * 10000LL;  /* 10 ms */
    while (!v->stop) {
        DeliverInput(v);
        ReleaseHeld(v);
        KeDelayExecutionThread(KernelMode, FALSE, &pause);
    }
    KeSetEvent(&v->threadEnded, IO_NO_INCREMENT, FALSE);
    PsTerminateSystemThread(STATUS_SUCCESS);
}

static void StopWorker(VDEV *v) {
    if (!v->threadRunning) return;
    v->threadRunning = FALSE;
    InterlockedExchange(&v->stop, 1);
    KeWaitForSingleObject(&v->threadEnded, Executive, KernelMode, FALSE, NULL);
}

/* Whatever is still pending when the device goes. */
static void FailPending(VDEV *v) {
    PIRP irp;
    while ((irp = TakeRead(v)) != NULL || (irp = TakeHeld(v)) != NULL) {
        irp->IoStatus.Status = STATUS_DELETE_PENDING;
        irp->IoStatus.Information = 0;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
    }
}

/* ------------------------------------------------------------------------------------------ dispatch */

static NTSTATUS Copy(PIRP irp, const void *data, ULONG size) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (!irp->UserBuffer || stack->Parameters.DeviceIoControl.OutputBufferLength < size) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    for (ULONG i = 0; i < size; ++i) ((UCHAR *)irp->UserBuffer)[i] = ((const UCHAR *)data)[i];
    irp->IoStatus.Information = size;
    return STATUS_SUCCESS;
}

static NTSTATUS NTAPI InternalControl(PDEVICE_OBJECT device, PIRP irp) {
    VDEV *v = Dev(device);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status = STATUS_NOT_SUPPORTED;
    irp->IoStatus.Information = 0;
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case MINI_GET_DEVICE_DESCRIPTOR: {
        CLASS_DESCRIPTOR d = {sizeof(CLASS_DESCRIPTOR), 0x21, 0x0100, 0, 1, 0x22, v->descriptorLength};
        status = Copy(irp, &d, sizeof d);
        break;
    }
    case MINI_GET_REPORT_DESCRIPTOR:
        status = Copy(irp, v->descriptor, v->descriptorLength);
        break;
    case MINI_GET_DEVICE_ATTRIBUTES: {
        DEVICE_ATTRIBUTES a = {sizeof(DEVICE_ATTRIBUTES), v->vid, v->pid, v->version, {0}};
        status = Copy(irp, &a, sizeof a);
        break;
    }
    case MINI_READ_REPORT:
        return PendRead(v, irp);
    case IOCTL_HID_GET_FEATURE:
    case IOCTL_HID_SET_FEATURE:
    case MINI_GET_STRING:
    case MINI_GET_INDEXED_STRING:
        if (FileExists(v, L"hold")) return Hold(v, irp);
        status = Answer(v, irp);
        break;
    case MINI_WRITE_REPORT:
    case IOCTL_HID_SET_OUTPUT_REPORT: {
        HID_XFER_PACKET *packet = (HID_XFER_PACKET *)irp->UserBuffer;
        if (packet && packet->reportBuffer) {
            LogBytes(v, "output", packet->reportBuffer, (int)(packet->reportBufferLen > 64 ? 64 : packet->reportBufferLen));
        }
        status = STATUS_SUCCESS;
        break;
    }
    case MINI_ACTIVATE_DEVICE:
    case MINI_DEACTIVATE_DEVICE:
        status = STATUS_SUCCESS;
        break;
    default:
        LogNumber(v, "unknown-request", stack->Parameters.DeviceIoControl.IoControlCode);
        break;
    }
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI Pnp(PDEVICE_OBJECT device, PIRP irp) {
    VDEV *v = Dev(device);
    switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
    case IRP_MN_START_DEVICE:
        Log(v, "start");
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_REMOVE_DEVICE:
        Log(v, "remove");
        StopWorker(v);
        FailPending(v);
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    default:
        break;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(((CLASS_DEVICE_EXTENSION *)device->DeviceExtension)->NextDeviceObject, irp);
}

static NTSTATUS NTAPI Power(PDEVICE_OBJECT device, PIRP irp) {
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(((CLASS_DEVICE_EXTENSION *)device->DeviceExtension)->NextDeviceObject, irp);
}

/* One of the bus's ids for the device ("ROOT\VID_F17E&PID_027B", "0"), asked as the class driver asks. */
static NTSTATUS QueryId(PDEVICE_OBJECT pdo, BUS_QUERY_ID_TYPE type, WCHAR *out, int room) {
    KEVENT event;
    IO_STATUS_BLOCK io;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    PIRP irp = IoBuildSynchronousFsdRequest(IRP_MJ_PNP, pdo, NULL, 0, NULL, &event, &io);
    if (!irp) return STATUS_NO_MEMORY;
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MinorFunction = IRP_MN_QUERY_ID;
    stack->Parameters.QueryId.IdType = type;
    NTSTATUS status = IoCallDriver(pdo, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, NULL);
        status = io.Status;
    }
    if (!NT_SUCCESS(status) || !io.Information) return NT_SUCCESS(status) ? STATUS_UNSUCCESSFUL : status;
    const WCHAR *id = (const WCHAR *)io.Information;
    int n = 0;
    for (; id[n] && n < room - 1; ++n) out[n] = id[n];
    out[n] = 0;
    ExFreePool((PVOID)io.Information);
    return STATUS_SUCCESS;
}

static NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT fdo) {
    (void)driver;
    CLASS_DEVICE_EXTENSION *classExtension = (CLASS_DEVICE_EXTENSION *)fdo->DeviceExtension;
    VDEV *v = (VDEV *)classExtension->MiniDeviceExtension;
    RtlZeroMemory(v, sizeof *v);
    KeInitializeSpinLock(&v->lock);
    KeInitializeMutex(&v->fileMutex, 0);
    KeInitializeEvent(&v->threadEnded, NotificationEvent, FALSE);
    v->nextInput = 1;
    v->version = 0x0100;
    v->page = 0xFF00;

    WCHAR deviceId[96], instanceId[64];
    NTSTATUS status = QueryId(classExtension->PhysicalDeviceObject, BusQueryDeviceID, deviceId, 96);
    if (NT_SUCCESS(status)) status = QueryId(classExtension->PhysicalDeviceObject, BusQueryInstanceID, instanceId, 64);
    if (!NT_SUCCESS(status)) return status;
    const WCHAR *tail = deviceId;
    for (const WCHAR *p = deviceId; *p; ++p) {
        if (*p == L'\\') tail = p + 1;
    }
    static const WCHAR root[] = L"\\??\\C:\\orvel-vdev\\";
    int at = 0;
    for (const WCHAR *p = root; *p; ++p) v->folder[at++] = *p;
    for (const WCHAR *p = tail; *p && at < 120; ++p) v->folder[at++] = *p;
    v->folder[at++] = L'-';
    for (const WCHAR *p = instanceId; *p && at < 150; ++p) v->folder[at++] = *p;
    v->folder[at++] = L'\\';
    v->folder[at] = 0;

    ReadConfiguration(v);
    BuildDescriptor(v);
    ResetAnswer(v);
    Log(v, "add");

    HANDLE thread;
    status = PsCreateSystemThread(&thread, THREAD_ALL_ACCESS, NULL, NULL, NULL, Worker, v);
    if (!NT_SUCCESS(status)) return status;
    ZwClose(thread);
    v->threadRunning = TRUE;
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver) { (void)driver; }

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = InternalControl;
    driver->MajorFunction[IRP_MJ_PNP] = Pnp;
    driver->MajorFunction[IRP_MJ_POWER] = Power;
    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = Unload;
    MINIDRIVER_REGISTRATION registration;
    RtlZeroMemory(&registration, sizeof registration);
    registration.Revision = HID_REVISION;
    registration.DriverObject = driver;
    registration.RegistryPath = registryPath;
    registration.DeviceExtensionSize = sizeof(VDEV);
    registration.DevicesArePolled = FALSE;
    return HidRegisterMinidriver(&registration);
}
