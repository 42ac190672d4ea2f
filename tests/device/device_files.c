/* The virtual mouse: what an interface is (device.ini, its report descriptor) and the files it shares with
 * the tests (the log, queued input reports, the hold file). See virtual_mouse.c. */
#include "virtual_mouse.h"

/* ------------------------------------------------------------------------------------------ small text */

static int Hex(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/* Hex digit pairs, anything between them ignored. */
int ParseHexBytes(const char *text, int length, UCHAR *out, int room) {
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

NTSTATUS OpenInFolder(VDEV *v, const WCHAR *leaf, ACCESS_MASK access, ULONG disposition, ULONG options,
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

BOOLEAN FileExists(VDEV *v, const WCHAR *leaf) {
    HANDLE handle;
    if (!NT_SUCCESS(OpenInFolder(v, leaf, FILE_READ_ATTRIBUTES, FILE_OPEN, 0, &handle))) return FALSE;
    ZwClose(handle);
    return TRUE;
}

/* Reads a small file whole; with `remove` the file goes once read. Returns the byte count, -1 when absent. */
int ReadSmallFile(VDEV *v, const WCHAR *leaf, char *buffer, int room, BOOLEAN remove) {
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
void Log(VDEV *v, const char *text) {
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

void LogBytes(VDEV *v, const char *what, const UCHAR *bytes, int count) {
    char text[400];
    int at = Append(text, 0, sizeof text, what);
    at = Append(text, at, sizeof text, " ");
    AppendHex(text, at, sizeof text, bytes, count);
    Log(v, text);
}

void LogNumber(VDEV *v, const char *what, ULONG number) {
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

void ReadConfiguration(VDEV *v) {
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
void BuildDescriptor(VDEV *v) {
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

void ResetAnswer(VDEV *v) {
    for (int i = 0; i < 9; ++i) v->answerReport[i] = 0;
    if (v->answer != kAnswerNone) {
        v->answerReport[1] = 0x5A;
        v->answerReport[2] = v->answer == kAnswerZu ? 0x55 : 0x56;
    }
}
