// libFuzzer target for the device-arrival record decoder: WM_DEVICECHANGE records as any program or driver
// could broadcast them, checked against a reference decoding written apart from the real one, so that a
// path that is cut, runs past the record, carries a NUL or is too long to open is found, not only a crash.
//
// The input:
//   byte 0     the event: 0x00-0xBF DBT_DEVICEARRIVAL, else one of the other events below
//   byte 1     bit 0: no record at all (a null pointer);
//              bit 1: fewer bytes readable than the record holds (the next 4 bytes, little-endian, taken
//                     modulo the record's length + 1);
//              bit 2: a long name: a count byte, then one UTF-16 unit (2 bytes) repeated after the first
//                     28 record bytes that many times (0 to 254); a count byte of 0xFF takes one more byte
//                     and means 32764 to 32771 times, around the longest path the system opens (rare, as
//                     such a record takes milliseconds);
//              bit 3: the record's size field is set to its real length;
//              bit 4: the record's type field is set to DBT_DEVTYP_DEVICEINTERFACE;
//              bit 5: the record's class is the HID interface class;
//              bit 6: the name starts with \\?\hid# (before a long name's run), in the letter case of the
//                     next byte's bits (bit i set: unit i upper case where it is a letter)
//   the rest   the record as it is broadcast: size, device type, reserved, class GUID, then the name
// The record is a heap block of exactly the readable bytes, so AddressSanitizer sees any read past them.
#include "device/DeviceLink.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, int line) {
    std::fprintf(stderr, "fuzz_arrival.cpp:%d: check failed: %s\n", line, what);
    std::abort();
}
#define FUZZ_CHECK(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

constexpr uint64_t kArrival = 0x8000;
constexpr std::size_t kClassOffset = 12;
constexpr std::size_t kNameOffset = 28;
// {4D1E55B2-F16F-11CF-88CB-001111000030}: Data1, Data2 and Data3 little-endian, then Data4's bytes.
constexpr uint32_t kHidData1 = 0x4D1E55B2;
constexpr uint16_t kHidData2 = 0xF16F, kHidData3 = 0x11CF;
constexpr uint8_t kHidData4[8] = {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};
constexpr char kHidPrefix[] = "\\\\?\\hid#";
constexpr std::size_t kHidPrefixUnits = sizeof kHidPrefix - 1;

// Removal, query-remove, remove-pending, custom, node changes, and values whose low bits alone read as an
// arrival (a 64-bit wParam is compared whole).
constexpr uint64_t kOtherEvents[] = {0x8004, 0x8001, 0x8003, 0x8006, 0x0007, 0x0018, 0x0000,
                                     0x18000, 0xFFFFFFFF00008000ull, 0x80000000ull};

uint32_t Le32(const std::vector<uint8_t>& bytes, std::size_t at) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) v |= uint32_t(bytes[at + i]) << (8 * i);
    return v;
}

void SetLe32(std::vector<uint8_t>& bytes, std::size_t at, uint32_t v) {
    if (bytes.size() < at + 4) bytes.resize(at + 4);
    for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = uint8_t(v >> (8 * i));
}

void SetHidClass(std::vector<uint8_t>& bytes) {
    if (bytes.size() < kNameOffset) bytes.resize(kNameOffset);
    SetLe32(bytes, kClassOffset, kHidData1);
    for (int i = 0; i < 2; ++i) bytes[kClassOffset + 4 + std::size_t(i)] = uint8_t(kHidData2 >> (8 * i));
    for (int i = 0; i < 2; ++i) bytes[kClassOffset + 6 + std::size_t(i)] = uint8_t(kHidData3 >> (8 * i));
    std::memcpy(&bytes[kClassOffset + 8], kHidData4, sizeof kHidData4);
}

// The class field read field by field, as the system's GUID structure lays it out.
bool IsHidClass(const std::vector<uint8_t>& bytes) {
    if (Le32(bytes, kClassOffset) != kHidData1) return false;
    if ((bytes[kClassOffset + 4] | bytes[kClassOffset + 5] << 8) != kHidData2) return false;
    if ((bytes[kClassOffset + 6] | bytes[kClassOffset + 7] << 8) != kHidData3) return false;
    return std::memcmp(&bytes[kClassOffset + 8], kHidData4, sizeof kHidData4) == 0;
}

bool StartsWithHidPrefix(const DevicePath& name) {
    if (name.size() < kHidPrefixUnits) return false;
    for (std::size_t i = 0; i < kHidPrefixUnits; ++i) {
        char16_t unit = name[i];
        if (unit >= u'A' && unit <= u'Z') unit = char16_t(unit | 0x20);
        if (unit != char16_t(kHidPrefix[i])) return false;
    }
    return true;
}

// What a careful reader of the record expects: the name runs from byte 28 to its first NUL unit, all of it
// inside both the record's stated size and the readable bytes; an empty name, or one the system could not
// open whole, is not probed.
// Left out of the coverage the fuzzer steers by: only the decoder's branches should count as new, and a
// name of 32767 units costs a traced comparison per unit otherwise.
__attribute__((no_sanitize("coverage"))) std::optional<DevicePath> Reference(uint64_t event,
                                                                          const std::vector<uint8_t>& bytes,
                                                                          bool null) {
    if (event != kArrival || null || bytes.size() < 8) return std::nullopt;
    const std::size_t bound = std::min<std::size_t>(Le32(bytes, 0), bytes.size());
    if (bound < kNameOffset || Le32(bytes, 4) != 5 || !IsHidClass(bytes)) return std::nullopt;
    const std::size_t units = (bound - kNameOffset) / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::size_t at = kNameOffset + 2 * i;
        if (bytes[at] == 0 && bytes[at + 1] == 0) {
            if (i == 0 || i > kMaxDevicePathUnits) return std::nullopt;
            DevicePath name;
            for (std::size_t j = 0; j < i; ++j) {
                name.push_back(char16_t(bytes[kNameOffset + 2 * j] | bytes[kNameOffset + 2 * j + 1] << 8));
            }
            if (!StartsWithHidPrefix(name)) return std::nullopt;
            return name;
        }
    }
    return std::nullopt;
}

__attribute__((no_sanitize("coverage"))) void InsertRun(std::vector<uint8_t>& record, std::size_t repeat,
                                                        const uint8_t unit[2]) {
    if (record.size() < kNameOffset) record.resize(kNameOffset);
    std::vector<uint8_t> run(2 * repeat);
    for (std::size_t i = 0; i < repeat; ++i) std::memcpy(&run[2 * i], unit, 2);
    record.insert(record.begin() + kNameOffset, run.begin(), run.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::size_t pos = 0;
    auto byte = [&]() -> uint8_t { return pos < size ? data[pos++] : 0; };

    const uint8_t eventByte = byte();
    const uint64_t event =
        eventByte < 0xC0 ? kArrival : kOtherEvents[(eventByte - 0xC0u) % (sizeof kOtherEvents / sizeof kOtherEvents[0])];
    const uint8_t flags = byte();
    uint32_t availableClaim = 0;
    if (flags & 2) {
        for (int i = 0; i < 4; ++i) availableClaim |= uint32_t(byte()) << (8 * i);
    }
    std::size_t repeat = 0;
    uint8_t unit[2] = {0, 0};
    if (flags & 4) {
        const uint8_t n = byte();
        // Around the longest path with the prefix counted in.
        repeat = n < 0xFF ? n : kMaxDevicePathUnits - 3 + byte() % 8u - ((flags & 64) ? kHidPrefixUnits : 0);
        unit[0] = byte();
        unit[1] = byte();
    }
    uint8_t prefixCase = 0;
    if (flags & 64) prefixCase = byte();

    std::vector<uint8_t> record(data + pos, data + size);
    if (flags & 4) InsertRun(record, repeat, unit);
    if (flags & 64) {
        uint8_t prefix[2 * kHidPrefixUnits];
        for (std::size_t i = 0; i < kHidPrefixUnits; ++i) {
            char c = kHidPrefix[i];
            if (c >= 'a' && c <= 'z' && (prefixCase >> i & 1)) c = char(c - ('a' - 'A'));
            prefix[2 * i] = uint8_t(c);
            prefix[2 * i + 1] = 0;
        }
        if (record.size() < kNameOffset) record.resize(kNameOffset);
        record.insert(record.begin() + kNameOffset, prefix, prefix + sizeof prefix);
    }
    if (flags & 32) SetHidClass(record);
    if (flags & 8) SetLe32(record, 0, uint32_t(record.size()));
    if (flags & 16) SetLe32(record, 4, 5);
    if (flags & 2) record.resize(availableClaim % (record.size() + 1));

    const bool null = (flags & 1) != 0;
    // The decoder is given exactly the readable bytes; an empty record is still a real (empty) heap block.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[record.size()]);
    if (!record.empty()) std::memcpy(exact.get(), record.data(), record.size());
    const std::optional<DevicePath> path = DecodeDeviceArrival(event, null ? nullptr : exact.get(), record.size());

    FUZZ_CHECK(path == Reference(event, record, null));
    if (path) {
        // What the prober is handed must be a whole path it would open.
        FUZZ_CHECK(!path->empty() && path->size() <= kMaxDevicePathUnits);
        FUZZ_CHECK(path->find(char16_t(0)) == DevicePath::npos);
        FUZZ_CHECK(IsHidInterfacePath(*path) && StartsWithHidPrefix(*path));
        const std::size_t bound = std::min<std::size_t>(Le32(record, 0), record.size());
        FUZZ_CHECK(kNameOffset + 2 * path->size() + 2 <= bound);
    }
    return 0;
}
