/* The virtual mouse's shared declarations: the minidriver interface mingw lacks, and one interface's state. */
#pragma once
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

static inline VDEV *Dev(PDEVICE_OBJECT device) {
    return (VDEV *)((CLASS_DEVICE_EXTENSION *)device->DeviceExtension)->MiniDeviceExtension;
}

/* device_files.c: what an interface is, and the files it shares with the tests. */
int ParseHexBytes(const char *text, int length, UCHAR *out, int room);
NTSTATUS OpenInFolder(VDEV *v, const WCHAR *leaf, ACCESS_MASK access, ULONG disposition, ULONG options,
                      HANDLE *handle);
BOOLEAN FileExists(VDEV *v, const WCHAR *leaf);
int ReadSmallFile(VDEV *v, const WCHAR *leaf, char *buffer, int room, BOOLEAN remove);
void Log(VDEV *v, const char *text);
void LogBytes(VDEV *v, const char *what, const UCHAR *bytes, int count);
void LogNumber(VDEV *v, const char *what, ULONG number);
void ReadConfiguration(VDEV *v);
void BuildDescriptor(VDEV *v);
void ResetAnswer(VDEV *v);
