// What every vendor report costs on the UI thread before anything is carried out: the decoder for the
// common layouts, and the dispatcher's choice for a key function and for a group. Native, optimised,
// without sanitizers; one figure per report or per decision.
#include "input/Dispatcher.h"
#include "input/VendorReports.h"
#include "shell/Catalogue.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

ButtonSlots Slots() {
    ButtonSlots s;
    s.ButtonFunctions = {12, 1, 2, 15, 14};  // Copy, System, Expose application, Forward, Backward
    s.GestureFunctions = {19, 20, 0, 17};
    s.ExtraKeyFunction = 27;
    return s;
}

std::vector<uint8_t> Report7(uint8_t buttons) {
    std::vector<uint8_t> r = {0x07, buttons, 0, 0, 0, 0, 0, 0};
    r[7] = uint8_t(r[1] ^ r[2] ^ r[3] ^ r[4] ^ r[5] ^ r[6]);
    return r;
}

// Decodes the reports in turn, one per iteration, into one state (so a button press is followed by its
// release and every report changes something).
void Decode(benchmark::State& st, const std::vector<std::vector<uint8_t>>& reports) {
    VendorInputState state;
    const ButtonSlots slots = Slots();
    std::size_t next = 0;
    for (auto _ : st) {
        const std::vector<uint8_t>& r = reports[next];
        next = next + 1 == reports.size() ? 0 : next + 1;
        InputActions actions = DecodeVendorReport(state, slots, r.data(), r.size());
        benchmark::DoNotOptimize(actions);
    }
}

void DecodeButtonReport7(benchmark::State& st) { Decode(st, {Report7(0x10), Report7(0x00)}); }
void DecodeGesture(benchmark::State& st) { Decode(st, {{0x04, 0x64, 0x01, 0x02, 0x00}}); }
void DecodeReport0DoubleTilt(benchmark::State& st) {
    Decode(st, {{0x00, 0x12, 0x12, 0x03, 0x02, 0, 0, 0}, {0x00, 0x12, 0x12, 0x00, 0xFE, 0, 0, 0}});
}
void DecodeUnknownLayout(benchmark::State& st) { Decode(st, {{0x09, 0x40, 0x12, 0x03, 0x07, 0, 0, 0, 0, 0}}); }

int Position(const FunctionCatalogueModel& c, const wchar_t* name) {
    for (int i = 0; i < c.Size(); ++i) {
        if (c.entries[std::size_t(i)].name == name) return i;
    }
    return -1;
}

void Decide(benchmark::State& st, const wchar_t* name) {
    const FunctionCatalogueModel catalogue = BuildCatalogue(true, DisplayTexts());
    const int position = Position(catalogue, name);
    if (position < 0) {
        st.SkipWithError("no such catalogue entry");
        return;
    }
    const DispatchContext context;
    for (auto _ : st) {
        DispatchDecision d = DecideRun(catalogue, position, context);
        benchmark::DoNotOptimize(d);
    }
}

void DecideRunKeyFunction(benchmark::State& st) { Decide(st, L"Copy"); }
void DecideRunGroup(benchmark::State& st) { Decide(st, L"System"); }

BENCHMARK(DecodeButtonReport7);
BENCHMARK(DecodeGesture);
BENCHMARK(DecodeReport0DoubleTilt);
BENCHMARK(DecodeUnknownLayout);
BENCHMARK(DecideRunKeyFunction);
BENCHMARK(DecideRunGroup);

}  // namespace

BENCHMARK_MAIN();
