// libFuzzer target for the language file: ApplyLanguageFile through a profile reader that answers every key
// with something long, empty or odd (very long values, embedded NULs, lone or split surrogates, the
// "@_NOSTR_" marker and near misses of it), then the function catalogue built from the result. It checks
// what the sanitizers cannot see: the keys read in order with the marker as default, each text replaced
// only from its own key, never longer than the buffer, never holding a NUL or ending in half a character it
// was cut from, the marker keeping the text, positions and flags untouched, the button orders rebuilt, and
// the catalogue's defaults unmoved by renamed functions.
//
// The input:
//   byte 0     bit 0: the reader hands back whole values (else it cuts them like the system's reader);
//              bit 1: a second file is applied over the first
//   then one answer per key read (43 per file), a kind byte (modulo 6) and its bytes:
//     0  the key is missing (the reader gives the default)
//     1  an empty value
//     2  exactly "@_NOSTR_"
//     3  a near miss of the marker (next byte: how; the byte after it: where or what)
//     4  a long value: a byte n and a shape byte, then 2 bytes of a unit. The shape's low 2 bits give the
//        length: 990 + n % 20 units; 2000 + n, or 100 000 for n = 255; else 8 n. The next 2 bits give the
//        pattern: the unit
//        repeated, surrogate pairs from an even or an odd place, or the unit with a lone high surrogate
//        where the buffer ends. All long values of one input together stay within 102 000 units.
//     5  a length byte and that many UTF-16 units (2 bytes each, little-endian)
#include "shell/Catalogue.h"
#include "shell/Language.h"
#include "shell/Texts.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, int line) {
    std::fprintf(stderr, "fuzz_language.cpp:%d: check failed: %s\n", line, what);
    std::abort();
}
#define FUZZ_CHECK(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

constexpr std::size_t kLimit = kLanguageBufferUnits - 1;
constexpr std::size_t kVeryLong = 100000;
// Long values of one input together stay below this, so that one input never takes long.
constexpr std::size_t kLongBudget = kVeryLong + 2 * kLanguageBufferUnits;

const std::wstring kMarker = L"@_NOSTR_";

class Stream {
public:
    Stream(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    wchar_t Unit() {
        const unsigned lo = Byte();
        return wchar_t(lo | unsigned(Byte()) << 8);
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

bool IsHighSurrogate(wchar_t u) { return u >= 0xD800 && u <= 0xDBFF; }

// The keys in the order they must be read.
struct Key {
    std::wstring section, key;
};
const std::vector<Key>& KeysInReadOrder() {
    static const std::vector<Key> keys = [] {
        std::vector<Key> all;
        auto add = [&](const wchar_t* section, int count) {
            for (int i = 0; i < count; ++i) all.push_back(Key{section, L"str" + std::to_wstring(i)});
        };
        add(L"BUTTON", 1);
        add(L"TIP", kTipCount);
        add(L"MSG", kMessageCount);
        add(L"FUNCTION", kReplaceableFunctionTexts);
        return all;
    }();
    return keys;
}

// Each read is checked as it comes: the next key in order, the marker as default, the buffer of 1000.
class FuzzProfile : public ProfileReader {
public:
    FuzzProfile(Stream& in, bool whole, std::size_t& longBudget) : in_(in), whole_(whole), longBudget_(longBudget) {}
    std::vector<std::wstring> values;  // what each key read gave, in read order

    std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue,
                            std::size_t bufferUnits) override {
        const std::vector<Key>& keys = KeysInReadOrder();
        FUZZ_CHECK(values.size() < keys.size());
        FUZZ_CHECK(section == keys[values.size()].section && key == keys[values.size()].key);
        FUZZ_CHECK(defaultValue == kMarker && bufferUnits == kLanguageBufferUnits);
        std::wstring value = Answer(defaultValue);
        if (!whole_ && bufferUnits > 0 && value.size() > bufferUnits - 1) value.resize(bufferUnits - 1);
        values.push_back(value);
        return value;
    }

private:
    std::wstring Answer(const std::wstring& defaultValue) {
        switch (in_.Byte() % 6) {
        case 0: return defaultValue;
        case 1: return std::wstring();
        case 2: return kMarker;
        case 3: return NearMiss();
        case 4: return Long();
        default: {
            std::wstring v(in_.Byte(), L'\0');
            for (wchar_t& u : v) u = in_.Unit();
            return v;
        }
        }
    }

    std::wstring NearMiss() {
        std::wstring v = kMarker;
        const uint8_t how = in_.Byte();
        const uint8_t arg = in_.Byte();
        switch (how % 7) {
        case 0: return v + L'\0' + wchar_t(arg);           // the marker, a NUL, then more
        case 1: return std::wstring(1, L'\0') + v;         // a NUL first
        case 2: v[arg % v.size()] = in_.Unit(); return v;  // one unit changed
        case 3: return v.substr(0, arg % v.size());        // cut short
        case 4: return v + wchar_t(arg);                   // one more unit
        case 5: return wchar_t(arg) + v;                   // one unit before
        default:                                            // other letter case
            for (wchar_t& u : v) u = (u >= L'A' && u <= L'Z') ? wchar_t(u + 32) : u;
            return v;
        }
    }

    std::wstring Long() {
        const uint8_t n = in_.Byte();
        const uint8_t shape = in_.Byte();
        // Around the buffer's end, anywhere up to twice the buffer, past it, or (rarely, as it takes long)
        // a line of 100 000 units.
        std::size_t length = 8 * std::size_t(n);
        if (shape % 4 == 0) length = kLimit - 9 + n % 20;
        if (shape % 4 == 3) length = n == 0xFF ? kVeryLong : 2 * kLanguageBufferUnits + n;
        const wchar_t unit = in_.Unit();
        length = std::min(length, longBudget_);
        longBudget_ -= length;
        std::wstring v(length, unit);
        switch ((shape >> 2) % 4) {
        case 0: break;
        case 1:  // pairs from the first unit: a cut at an odd length splits one
            for (std::size_t i = 0; i < length; ++i) v[i] = (i % 2) ? wchar_t(0xDE00) : wchar_t(0xD83D);
            break;
        case 2:  // pairs from the second unit
            for (std::size_t i = 1; i < length; ++i) v[i] = (i % 2) ? wchar_t(0xD83D) : wchar_t(0xDE00);
            break;
        default:  // the unit and a lone high surrogate where the buffer ends
            if (length > kLimit - 1) v[kLimit - 1] = wchar_t(0xD800 | (unit & 0x3FF));
            break;
        }
        return v;
    }

    Stream& in_;
    bool whole_;
    std::size_t& longBudget_;
};

// The texts in the order their keys are read.
std::vector<std::wstring*> TextsInReadOrder(DisplayTexts& t) {
    std::vector<std::wstring*> all{&t.buttonLabel};
    for (TipEntry& tip : t.tips) all.push_back(&tip.text);
    for (std::wstring& m : t.messages) all.push_back(&m);
    for (int i = 0; i < kReplaceableFunctionTexts; ++i) all.push_back(&t.functionNames[std::size_t(i)]);
    return all;
}

// One text against the value its own key gave. The system's reader fills a C string, so a value ends at
// its first NUL, and at most 999 units fit; what reads as the marker keeps the text it had.
void CheckText(const std::wstring& value, const std::wstring& before, const std::wstring& after) {
    const std::wstring held = value.substr(0, std::min(value.find(L'\0'), kLimit));
    if (held == kMarker) {
        FUZZ_CHECK(after == before);
        return;
    }
    FUZZ_CHECK(after.size() <= kLimit && after.find(L'\0') == std::wstring::npos);
    FUZZ_CHECK(held.compare(0, after.size(), after) == 0);  // a prefix of its own value
    if (held.size() < kLimit) {
        FUZZ_CHECK(after == held);
    } else {
        // Cut at the buffer: short by the high surrogate whose other half was cut off, else whole.
        FUZZ_CHECK(after.size() == (IsHighSurrogate(held.back()) ? kLimit - 1 : kLimit));
    }
}

void CheckApplied(const std::vector<std::wstring>& values, DisplayTexts& before, DisplayTexts& after) {
    FUZZ_CHECK(values.size() == KeysInReadOrder().size());
    const std::vector<std::wstring*> was = TextsInReadOrder(before);
    const std::vector<std::wstring*> now = TextsInReadOrder(after);
    for (std::size_t i = 0; i < values.size(); ++i) CheckText(values[i], *was[i], *now[i]);

    for (int i = 0; i < kTipCount; ++i) {
        const TipEntry& a = before.tips[std::size_t(i)];
        const TipEntry& b = after.tips[std::size_t(i)];
        FUZZ_CHECK(a.x == b.x && a.y == b.y && a.flag == b.flag);
    }
    for (int i = kReplaceableFunctionTexts; i < kFunctionTextCount; ++i) {
        FUZZ_CHECK(after.functionNames[std::size_t(i)] == before.functionNames[std::size_t(i)]);
    }

    // The button orders: each of the six a different arrangement of Left, Right and Middle, as they read now.
    static const DisplayTexts probe = [] {
        DisplayTexts t;
        t.messages = {L"", L"L", L"R", L"M"};
        RebuildButtonOrders(t);
        return t;
    }();
    for (int order = 0; order < kButtonOrderCount; ++order) {
        std::wstring arrangement;
        for (int place = 0; place < 3; ++place) {
            const std::wstring& name = probe.buttonOrders[std::size_t(order)][std::size_t(place)];
            FUZZ_CHECK(name.size() == 1);
            arrangement += name;
            const int message = name == L"L" ? kMsgLeft : name == L"R" ? kMsgRight : kMsgMiddle;
            FUZZ_CHECK(after.buttonOrders[std::size_t(order)][std::size_t(place)] ==
                       after.messages[std::size_t(message)]);
        }
        std::wstring sorted = arrangement;
        std::sort(sorted.begin(), sorted.end());
        FUZZ_CHECK(sorted == L"LMR");
        for (int other = 0; other < order; ++other) {
            FUZZ_CHECK(probe.buttonOrders[std::size_t(other)] != probe.buttonOrders[std::size_t(order)]);
        }
    }
}

// A catalogue from renamed texts: the same functions in the same places, the defaults of "bt3" and "bt4"
// where they were, each name the text of its own function.
void CheckCatalogue(bool newer, const DisplayTexts& builtIn, const DisplayTexts& texts) {
    static const FunctionCatalogueModel kPlain[2] = {BuildCatalogue(false, builtIn), BuildCatalogue(true, builtIn)};
    const FunctionCatalogueModel& plain = kPlain[newer ? 1 : 0];
    const FunctionCatalogueModel renamed = BuildCatalogue(newer, texts);
    FUZZ_CHECK(renamed.Size() == plain.Size());
    FUZZ_CHECK(renamed.ForwardPosition == plain.ForwardPosition && renamed.BackwardPosition == plain.BackwardPosition);
    for (int i = 0; i < plain.Size(); ++i) {
        const _ZuItemListDB& p = plain.entries[std::size_t(i)];
        const _ZuItemListDB& r = renamed.entries[std::size_t(i)];
        FUZZ_CHECK(p.action == r.action && p.key == r.key && p.modifiers == r.modifiers && p.id == r.id &&
                   p.parentId == r.parentId && p.kind == r.kind && p.iconId == r.iconId);
        const auto text = std::find(builtIn.functionNames.begin(), builtIn.functionNames.end(), p.name);
        FUZZ_CHECK(text != builtIn.functionNames.end());
        FUZZ_CHECK(r.name == texts.functionNames[std::size_t(text - builtIn.functionNames.begin())]);
        FUZZ_CHECK(SlotName(renamed, i) == r.name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static DisplayTexts kBuiltIn;

    Stream in(data, size);
    const uint8_t header = in.Byte();
    std::size_t longBudget = kLongBudget;

    DisplayTexts texts = kBuiltIn;
    const int files = (header & 2) ? 2 : 1;
    for (int file = 0; file < files; ++file) {
        DisplayTexts before = texts;
        FuzzProfile reader(in, (header & 1) != 0, longBudget);
        ApplyLanguageFile(reader, texts);
        CheckApplied(reader.values, before, texts);
    }
    CheckCatalogue(false, kBuiltIn, texts);
    CheckCatalogue(true, kBuiltIn, texts);
    return 0;
}
