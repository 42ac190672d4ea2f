// libFuzzer target for the input decisions: random vendor reports through one decoder, and every function
// they run or release through the dispatcher's choice, with checks that catch what the sanitizers cannot
// see (an action lost at capacity, a tilt or a direction out of range, a function no slot carries, a key
// stroke of the wrong shape).
//
// The input is read as a stream (a missing byte reads as 0):
//   byte 0          bit 0: the catalogue of the newer systems (28 entries) instead of 31;
//                   bit 1: one catalogue entry is altered first (the next 7 bytes: position, action, kind,
//                          modifiers as a signed 16-bit, key as a signed 16-bit, both little-endian)
//   10 bytes        slots bt0..bt4, gestures up, down, left, right, the extra key; each a signed byte, with
//                   0x80 and 0x7F standing for INT_MIN and INT_MAX
//   then records    a length byte (taken modulo 65), that many report bytes (fewer at the end of the input),
//                   and a context byte whose bits give each run or release a DispatchContext
// Every report goes to the same VendorInputState, so the button byte carries from one report to the next.
#include "input/Dispatcher.h"
#include "input/VendorReports.h"
#include "shell/Catalogue.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, int line) {
    std::fprintf(stderr, "fuzz_input.cpp:%d: check failed: %s\n", line, what);
    std::abort();
}
#define FUZZ_CHECK(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

// The most one report can cause: five button changes and two tilts (the report-7 or report-0 rule and then
// the tilt rule). Reaching the list's capacity would mean an action was dropped.
constexpr int kMostActionsPerReport = 7;
constexpr int kMaxReportLength = 64;

class Stream {
public:
    Stream(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int Int16() {
        const unsigned lo = Byte();
        const unsigned hi = Byte();
        return int(int16_t(uint16_t(lo | hi << 8)));
    }
    // A heap copy of exactly the bytes taken, so that AddressSanitizer sees any read past the report.
    std::vector<uint8_t> Bytes(std::size_t n) {
        if (n > size_ - pos_) n = size_ - pos_;
        std::vector<uint8_t> bytes(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return bytes;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

int SlotValue(uint8_t b) {
    if (b == 0x80) return INT_MIN;
    if (b == 0x7F) return INT_MAX;
    return int(int8_t(b));
}

void AlterEntry(FunctionCatalogueModel& catalogue, Stream& in) {
    static const int kActions[] = {kActionNone,       kActionGroup,      kActionOverview,    kActionMyComputer,
                                   kActionShowDesktop, kActionCalculator, kActionVirtualKey,  kActionScanCode,
                                   kActionHighlighter, kActionScreenSnap1, kActionScreenSnap2, kActionSpotlight};
    constexpr unsigned kActionCount = sizeof(kActions) / sizeof(kActions[0]);
    _ZuItemListDB& e = catalogue.entries[std::size_t(in.Byte() % catalogue.Size())];
    const uint8_t action = in.Byte();
    e.action = action < 2 * kActionCount ? kActions[action % kActionCount] : int(int8_t(action));
    e.kind = int(int8_t(in.Byte()));
    e.modifiers = in.Int16();
    e.key = in.Int16();
}

int PopCount(unsigned v) {
    int n = 0;
    for (; v; v &= v - 1) ++n;
    return n;
}

bool IsSlotValue(const ButtonSlots& slots, int value) {
    for (int f : slots.ButtonFunctions) {
        if (f == value) return true;
    }
    for (int f : slots.GestureFunctions) {
        if (f == value) return true;
    }
    return slots.ExtraKeyFunction == value;
}

// The key stroke of an entry: the modifiers (scan codes) and then the key, once down and once up for a
// press, once up for a release.
void CheckKeys(const _ZuItemListDB& e, const KeyEvents& keys, bool release) {
    const int perHalf = PopCount(unsigned(e.modifiers) & 0xFFu) + 1;
    FUZZ_CHECK(keys.count == (release ? perHalf : 2 * perHalf));
    FUZZ_CHECK(keys.count <= int(keys.items.size()));
    const bool scanForm = e.action == kActionScanCode;
    for (int i = 0; i < keys.count; ++i) {
        const KeyEvent& k = keys.items[std::size_t(i)];
        const bool up = release || i >= perHalf;
        FUZZ_CHECK((k.flags & ~(kKeyExtended | kKeyUp | kKeyScanCode)) == 0);
        FUZZ_CHECK(((k.flags & kKeyUp) != 0) == up);
        if (i % perHalf != perHalf - 1) {  // a modifier
            FUZZ_CHECK(k.vk == 0 && (k.flags & kKeyScanCode) && k.scan != 0);
            FUZZ_CHECK(((k.flags & kKeyExtended) != 0) == ((k.scan & 0xFF00) != 0));
        } else if (scanForm) {
            FUZZ_CHECK(k.vk == 0 && (k.flags & kKeyScanCode) && k.scan == (unsigned(e.key) & 0xFFu));
            FUZZ_CHECK(((k.flags & kKeyExtended) != 0) == ((unsigned(e.key) & 0xFF00u) != 0));
        } else {
            FUZZ_CHECK(k.scan == 0 && (k.flags & ~kKeyUp) == 0 && k.vk == uint16_t(unsigned(e.key)));
        }
    }
}

void CheckDecision(const FunctionCatalogueModel& catalogue, int position, const DispatchContext& context,
                   const DispatchDecision& d, bool release) {
    const _ZuItemListDB* e = CatalogueEntry(catalogue, position);
    if (!e) {
        FUZZ_CHECK(position < 0 || position >= catalogue.Size());
        FUZZ_CHECK(d.kind == DispatchKind::Nothing && d.keys.count == 0);
        return;
    }
    const bool keyFunction = e->action == kActionVirtualKey || e->action == kActionScanCode;
    if (d.kind == DispatchKind::Keys) {
        CheckKeys(*e, d.keys, release);
    } else {
        FUZZ_CHECK(d.keys.count == 0);
    }
    if (release) {
        FUZZ_CHECK(d.kind == (keyFunction ? DispatchKind::Keys : DispatchKind::Nothing));
        return;
    }
    if (e->kind == kKindGroup) {
        FUZZ_CHECK(d.kind == DispatchKind::OpenGroup && d.groupId == e->id);
        return;
    }
    FUZZ_CHECK((d.kind == DispatchKind::Keys) == keyFunction);
    FUZZ_CHECK(d.kind != DispatchKind::OpenGroup);
    if (d.kind == DispatchKind::ToggleBoard) FUZZ_CHECK(int(d.boardMode) >= 1 && int(d.boardMode) <= 4);
    if (e->action == kActionOverview) {
        // The switcher never starts over the board, nor a second time.
        const DispatchKind expected = context.boardVisible ? DispatchKind::RaiseBoard
                                      : (context.switcherVisible || context.overviewBusy) ? DispatchKind::Nothing
                                                                                          : DispatchKind::StartOverview;
        FUZZ_CHECK(d.kind == expected);
    } else {
        FUZZ_CHECK(d.kind != DispatchKind::RaiseBoard && d.kind != DispatchKind::StartOverview);
    }
}

bool IsGesture(const std::vector<uint8_t>& r) {
    return r.size() >= 3 && r[0] == 0x04 && r[1] == 0x64 && r[2] == 0x01;
}

// Where the report carries a button byte, its index; 0 when it carries none.
std::size_t ButtonByteIndex(const std::vector<uint8_t>& r) {
    if (r.empty() || IsGesture(r)) return 0;
    if (r[0] == 0x07 && (r.size() == 8 || r.size() == 35)) return 1;
    if (r.size() >= 4 && r[0] == 0x00 && r[1] == 0x12 && r[2] == 0x12) return 3;
    return 0;
}

void CheckActions(const std::vector<uint8_t>& r, const ButtonSlots& slots, int before, int after,
                  const InputActions& actions) {
    FUZZ_CHECK(actions.count >= 0 && actions.count <= kMostActionsPerReport);
    FUZZ_CHECK(actions.count < int(actions.items.size()));
    FUZZ_CHECK(after >= 0 && after <= 0xFF);
    const std::size_t buttonByte = ButtonByteIndex(r);
    FUZZ_CHECK(after == before || (buttonByte != 0 && after == r[buttonByte]));

    // The button changes come first, one per changed bit in the order 0x01 0x02 0x04 0x10 0x08.
    static const int kBits[] = {0x01, 0x02, 0x04, 0x10, 0x08};
    const int changed = before ^ after;
    int i = 0;
    if (!IsGesture(r)) {
        for (int slot = 0; slot < kButtonSlotCount; ++slot) {
            if (!(changed & kBits[slot])) continue;
            FUZZ_CHECK(i < actions.count);
            const InputAction& a = actions.items[std::size_t(i++)];
            const InputActionKind kind = (after & kBits[slot]) ? InputActionKind::Run : InputActionKind::Release;
            FUZZ_CHECK(a.kind == kind && a.value == slots.ButtonFunctions[std::size_t(slot)]);
        }
    }
    int tilts = 0;
    for (; i < actions.count; ++i) {
        const InputAction& a = actions.items[std::size_t(i)];
        switch (a.kind) {
        case InputActionKind::AddTilt:
            ++tilts;
            FUZZ_CHECK(a.value >= -128 && a.value <= 127);
            FUZZ_CHECK((r.size() > 2 && a.value == int8_t(r[2])) || (r.size() > 4 && a.value == int8_t(r[4])));
            break;
        case InputActionKind::GestureTip: {
            // Only for a gesture whose function is set, and followed by its run and release.
            FUZZ_CHECK(IsGesture(r) && a.value >= 0 && a.value <= 3);
            const int f = slots.GestureFunctions[std::size_t(a.value)];
            FUZZ_CHECK(f > 0 && i + 2 < actions.count);
            FUZZ_CHECK(actions.items[std::size_t(i + 1)] == (InputAction{InputActionKind::Run, f}));
            break;
        }
        case InputActionKind::Run:
            // Anything but a button runs and releases at once: a gesture or the extra key.
            FUZZ_CHECK(IsGesture(r) && IsSlotValue(slots, a.value) && i + 1 < actions.count);
            FUZZ_CHECK(actions.items[std::size_t(i + 1)] == (InputAction{InputActionKind::Release, a.value}));
            ++i;
            break;
        case InputActionKind::Release:
            Fail("a release without its run", __LINE__);
        default:
            Fail("an unknown action kind", __LINE__);
        }
    }
    FUZZ_CHECK(tilts <= 2);
}

void CheckHidReportsFit(uint32_t sizeEach, uint32_t count, std::size_t available) {
    const bool expected =
        sizeEach != 0 && count != 0 && static_cast<unsigned __int128>(sizeEach) * count <= available;
    FUZZ_CHECK(HidReportsFit(sizeEach, count, available) == expected);
}

uint64_t LittleEndian(const std::vector<uint8_t>& r, std::size_t from, std::size_t bytes) {
    uint64_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i) v |= uint64_t(r[from + i]) << (8 * i);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const FunctionCatalogueModel kOlder = BuildCatalogue(false, DisplayTexts());
    static const FunctionCatalogueModel kNewer = BuildCatalogue(true, DisplayTexts());
    FUZZ_CHECK(kOlder.Size() == 31 && kNewer.Size() == 28);

    Stream in(data, size);
    const uint8_t header = in.Byte();
    const FunctionCatalogueModel* catalogue = (header & 1) ? &kNewer : &kOlder;
    FunctionCatalogueModel altered;
    if (header & 2) {
        altered = *catalogue;
        AlterEntry(altered, in);
        catalogue = &altered;
    }
    ButtonSlots slots;
    for (int& f : slots.ButtonFunctions) f = SlotValue(in.Byte());
    for (int& f : slots.GestureFunctions) f = SlotValue(in.Byte());
    slots.ExtraKeyFunction = SlotValue(in.Byte());

    VendorInputState state;
    while (!in.Empty()) {
        const uint8_t lengthByte = in.Byte();
        const std::vector<uint8_t> report = in.Bytes(lengthByte % (kMaxReportLength + 1));
        const uint8_t contextBits = in.Byte();
        // An empty report comes as a null pointer or, when the length byte is past 64, as a real pointer to
        // nothing (a heap block of 0 bytes, which AddressSanitizer guards like any other).
        const std::unique_ptr<uint8_t[]> nothing(report.empty() && lengthByte > kMaxReportLength ? new uint8_t[0]
                                                                                                  : nullptr);
        const uint8_t* bytes = nothing ? nothing.get() : report.data();

        const int before = state.ButtonState;
        const InputActions actions = DecodeVendorReport(state, slots, bytes, report.size());
        CheckActions(report, slots, before, state.ButtonState, actions);

        for (int i = 0; i < actions.count; ++i) {
            const InputAction& a = actions.items[std::size_t(i)];
            if (a.kind != InputActionKind::Run && a.kind != InputActionKind::Release) continue;
            FUZZ_CHECK(IsSlotValue(slots, a.value));
            const unsigned bits = unsigned(contextBits) >> (i % 6);
            const DispatchContext context{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
            if (a.kind == InputActionKind::Run) {
                CheckDecision(*catalogue, a.value, context, DecideRun(*catalogue, a.value, context), false);
            } else {
                CheckDecision(*catalogue, a.value, context, DecideRelease(*catalogue, a.value), true);
            }
        }

        // The record header's claim, against a reference that cannot overflow: the report's own bytes serve
        // as the claimed size, count and room.
        if (report.size() >= 16) {
            CheckHidReportsFit(uint32_t(LittleEndian(report, 0, 4)), uint32_t(LittleEndian(report, 4, 4)),
                               std::size_t(LittleEndian(report, 8, 8)));
        } else if (report.size() >= 3) {
            CheckHidReportsFit(report[0], report[1], report[2] * std::size_t(4));
        }
    }
    return 0;
}
