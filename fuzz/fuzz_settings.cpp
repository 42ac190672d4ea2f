// libFuzzer target for the settings store: the eleven values read from a registry key that answers
// anything (every value type, 0 to 64 bytes, missing values, failed reads, a key that will not open), then
// saved and loaded again. It checks what the sanitizers cannot see: every value read as the rules say,
// every button and gesture slot inside the catalogue, DeviceMode following the raw "bt3" and "bt4", the
// key opened and closed in pairs, and what was saved loading back unchanged.
//
// The input:
//   byte 0       bit 0: the catalogue of the newer systems (28 entries) instead of 31;
//                bit 1: every write of the save fails
//   12 bytes     what the eleven slots and DeviceMode held before the load (signed; the load replaces them)
//   11 answers   one per value read, in load order:
//     a byte     0 the key does not open; 1 the value is missing; 2 the read fails and leaves junk in the
//                buffer; 3 REG_DWORD; 4 REG_DWORD_BIG_ENDIAN; 5 REG_QWORD; 6 REG_SZ; 7 REG_MULTI_SZ;
//                8 REG_NONE (no bytes); 9 a backend that claims success for a longer value (a length
//                byte, modulo 60, plus 5 bytes); anything else REG_BINARY
//     and bytes  REG_DWORD, _BIG_ENDIAN, QWORD: 4 or 8 bytes of value; REG_SZ, MULTI_SZ: a length byte
//                (modulo 32) and that many bytes, stored as UTF-16 units with terminators; REG_BINARY:
//                a length byte (modulo 65) and that many bytes
//   11 bytes     one per value the save writes: 0 the key does not open
#include "shell/Catalogue.h"
#include "shell/Settings.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, int line) {
    std::fprintf(stderr, "fuzz_settings.cpp:%d: check failed: %s\n", line, what);
    std::abort();
}
#define FUZZ_CHECK(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

class Stream {
public:
    Stream(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Overstated: a backend that reports success for a value longer than the buffer, with its whole length.
enum class Answer { NoKey, Missing, Unreadable, Value, Overstated };

// What the key holds for one read, as the registry keeps it: raw bytes whatever the type.
struct Reply {
    Answer answer = Answer::Missing;
    std::vector<unsigned char> bytes;
};

Reply NextReply(Stream& in) {
    Reply r;
    const uint8_t kind = in.Byte();
    auto take = [&](std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) r.bytes.push_back(in.Byte());
    };
    switch (kind) {
    case 0: r.answer = Answer::NoKey; return r;
    case 1: r.answer = Answer::Missing; return r;
    case 2: r.answer = Answer::Unreadable; return r;
    default: break;
    }
    r.answer = Answer::Value;
    switch (kind) {
    case 3:
    case 4: take(4); break;
    case 5: take(8); break;
    case 6:
    case 7: {
        const std::size_t units = in.Byte() % 32;
        for (std::size_t i = 0; i < units; ++i) {
            r.bytes.push_back(in.Byte());
            r.bytes.push_back(0);
        }
        r.bytes.insert(r.bytes.end(), kind == 7 ? 4 : 2, 0);
        break;
    }
    case 8: break;
    case 9:
        r.answer = Answer::Overstated;
        take(5 + in.Byte() % 60);
        break;
    default: take(in.Byte() % 65); break;
    }
    return r;
}

// A registry key driven by the input: each read takes the next answer. It holds the caller to the
// contract: open and close in pairs, reads only on an open key, and a buffer as long as the size claimed.
class FuzzKey : public SettingsBackend {
public:
    explicit FuzzKey(Stream* in) : in_(in) {}

    std::map<std::wstring, std::vector<unsigned char>> written;
    std::vector<std::wstring> queried;  // names in read order
    std::vector<std::wstring> writeLog;
    std::vector<Reply> replies;  // one per Open, in order
    bool failWrites = false;
    bool saving = false;  // an open for a write takes one byte: 0 the key does not open
    int opens = 0;
    int closes = 0;
    bool open = false;

    bool Open() override {
        FUZZ_CHECK(!open);
        Reply r = !in_ ? StoredReply() : saving ? Reply{in_->Byte() ? Answer::Value : Answer::NoKey, {}} : NextReply(*in_);
        replies.push_back(r);
        if (r.answer == Answer::NoKey) return false;
        ++opens;
        open = true;
        return true;
    }
    bool QueryValue(const std::wstring& name, unsigned char* buffer, std::uint32_t& size) override {
        FUZZ_CHECK(open);
        queried.push_back(name);
        const Reply& r = replies.back();
        if (in_ == nullptr) return Stored(name, buffer, size);
        Touch(buffer, size);
        if (r.answer == Answer::Missing) return false;
        if (r.answer == Answer::Unreadable || (r.answer == Answer::Value && r.bytes.size() > size)) {
            std::memset(buffer, 0xA5, size);  // what a failed read leaves behind is undefined
            if (r.answer == Answer::Value) size = std::uint32_t(r.bytes.size());
            return false;
        }
        if (r.answer == Answer::Overstated) {
            std::memcpy(buffer, r.bytes.data(), size);
            size = std::uint32_t(r.bytes.size());
            return true;
        }
        if (!r.bytes.empty()) std::memcpy(buffer, r.bytes.data(), r.bytes.size());
        size = std::uint32_t(r.bytes.size());
        return true;
    }
    bool SetDword(const std::wstring& name, std::uint32_t value) override {
        FUZZ_CHECK(open);
        writeLog.push_back(name);
        if (failWrites) return false;
        written[name] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        return true;
    }
    void Close() override {
        FUZZ_CHECK(open);
        open = false;
        ++closes;
    }

    // A key that holds what an earlier save wrote, for the second load.
    std::map<std::wstring, std::vector<unsigned char>> stored;

private:
    Reply StoredReply() const { return Reply{Answer::Value, {}}; }
    bool Stored(const std::wstring& name, unsigned char* buffer, std::uint32_t& size) {
        Touch(buffer, size);
        auto it = stored.find(name);
        if (it == stored.end()) return false;
        if (it->second.size() > size) return false;
        if (!it->second.empty()) std::memcpy(buffer, it->second.data(), it->second.size());
        size = std::uint32_t(it->second.size());
        return true;
    }

    // Reads every byte the caller says the buffer holds, so that AddressSanitizer sees a claim larger than
    // the buffer even when the value written is shorter.
    static void Touch(const unsigned char* buffer, std::uint32_t size) {
        volatile unsigned char sink = 0;
        for (std::uint32_t i = 0; i < size; ++i) sink = sink ^ buffer[i];
        (void)sink;
    }

    Stream* in_;
};

// The value a read must give, worked out from the answer alone.
int32_t Expected(const Reply& r) {
    if (r.answer != Answer::Value || r.bytes.size() > 4) return 0;
    uint32_t v = 0;
    for (std::size_t i = 0; i < r.bytes.size(); ++i) v |= uint32_t(r.bytes[i]) << (8 * i);
    return (v & 0x80000000u) ? 0 : int32_t(v);
}

std::array<int, kSettingValueCount> InLoadOrder(const ButtonSlots& s) {
    return {s.ButtonOrder,         s.ExtraKeyFunction,    s.GestureFunctions[0], s.GestureFunctions[1],
            s.GestureFunctions[2], s.GestureFunctions[3], s.ButtonFunctions[0],  s.ButtonFunctions[1],
            s.ButtonFunctions[2],  s.ButtonFunctions[3],  s.ButtonFunctions[4]};
}

int ExpectedMode(const FunctionCatalogueModel& catalogue, int bt3, int bt4) {
    return (bt3 != -1 && bt3 != catalogue.ForwardPosition ? 0x10 : 0) |
           (bt4 != -1 && bt4 != catalogue.BackwardPosition ? 0x08 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const FunctionCatalogueModel kOlder = BuildCatalogue(false, DisplayTexts());
    static const FunctionCatalogueModel kNewer = BuildCatalogue(true, DisplayTexts());

    Stream in(data, size);
    const uint8_t header = in.Byte();
    const FunctionCatalogueModel& catalogue = (header & 1) ? kNewer : kOlder;

    ButtonSlots slots;
    for (int* s : {&slots.ButtonOrder, &slots.ExtraKeyFunction}) *s = int(int8_t(in.Byte()));
    for (int& s : slots.GestureFunctions) s = int(int8_t(in.Byte()));
    for (int& s : slots.ButtonFunctions) s = int(int8_t(in.Byte()));
    std::atomic<int> deviceMode{int(int8_t(in.Byte()))};

    // The load.
    FuzzKey key(&in);
    LoadSettings(key, catalogue, slots, deviceMode);
    FUZZ_CHECK(!key.open && key.opens == key.closes);
    FUZZ_CHECK(key.replies.size() == std::size_t(kSettingValueCount));
    std::size_t query = 0;
    std::array<int32_t, kSettingValueCount> raw{};
    for (int i = 0; i < kSettingValueCount; ++i) {
        const Reply& r = key.replies[std::size_t(i)];
        if (r.answer != Answer::NoKey) {
            // Each value is asked for once, by its own name, in load order.
            FUZZ_CHECK(query < key.queried.size() && key.queried[query++] == kSettingValueNames[i]);
        }
        raw[std::size_t(i)] = Expected(r);
    }
    FUZZ_CHECK(query == key.queried.size());

    const std::array<int, kSettingValueCount> loaded = InLoadOrder(slots);
    FUZZ_CHECK(loaded[0] == raw[0] && loaded[1] == raw[1]);  // "order" and "extra key" stay as read
    for (int i = 2; i < kSettingValueCount; ++i) {
        const int32_t v = raw[std::size_t(i)];
        FUZZ_CHECK(catalogue.IsValid(loaded[std::size_t(i)]));
        FUZZ_CHECK(loaded[std::size_t(i)] == (catalogue.IsValid(v) ? v : 0));
    }
    FUZZ_CHECK(deviceMode == ExpectedMode(catalogue, raw[9], raw[10]));

    // The save that follows every load: eleven DWORDs in order, DeviceMode from the slots now held, and
    // the mice configured once.
    FuzzKey saved(&in);
    saved.failWrites = (header & 2) != 0;
    saved.saving = true;
    int configured = 0;
    SaveSettings(saved, catalogue, slots, deviceMode, [&] { ++configured; });
    FUZZ_CHECK(configured == 1);
    FUZZ_CHECK(!saved.open && saved.opens == saved.closes && saved.queried.empty());
    FUZZ_CHECK(deviceMode == ExpectedMode(catalogue, slots.ButtonFunctions[3], slots.ButtonFunctions[4]));
    std::size_t write = 0;
    for (int i = 0; i < kSettingValueCount; ++i) {
        if (saved.replies[std::size_t(i)].answer == Answer::NoKey) continue;
        FUZZ_CHECK(write < saved.writeLog.size() && saved.writeLog[write++] == kSettingValueNames[i]);
    }
    FUZZ_CHECK(write == saved.writeLog.size());

    // What was saved loads back as it was.
    FuzzKey reread(nullptr);
    reread.stored = saved.written;
    ButtonSlots again;
    std::atomic<int> modeAgain{-1};
    LoadSettings(reread, catalogue, again, modeAgain);
    const std::array<int, kSettingValueCount> back = InLoadOrder(again);
    for (int i = 0; i < kSettingValueCount; ++i) {
        const bool stored = saved.written.count(kSettingValueNames[i]) != 0;
        FUZZ_CHECK(back[std::size_t(i)] == (stored ? loaded[std::size_t(i)] : 0));
    }
    if (saved.written.size() == std::size_t(kSettingValueCount)) FUZZ_CHECK(modeAgain == deviceMode);
    return 0;
}
