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
#include "virtual_mouse.h"

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
            ULONG length = packet->reportBufferLen > 64 ? 64 : packet->reportBufferLen;
            LogBytes(v, "output", packet->reportBuffer, (int)length);
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
