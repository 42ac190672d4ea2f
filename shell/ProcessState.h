#pragma once
// Process-wide state that the windows and the worker threads share: the one place for the program's
// process-wide atomics. The board's two, which only the board writes and the mouse hook's thread reads, live
// beside the board: its shown state and mode (overlays/BoardMode.h).
//
// Everything here is written on the main thread unless the comment says otherwise. Values that another
// thread reads or writes are atomics: the threads only ever exchange these plain values (and work they
// post to the UI thread), so relaxed ordering is enough. All of them live until the process ends.
#include <atomic>
#include <cstdint>

// The program's stop, in the order its phases come; it only ever moves forward.
enum class StopPhase : int {
    Running = 0,
    Requested = 1,  // Exit, "/close" or a log-off asked for it: the event watch's device work is under way
    Stopping = 2,   // the owner stops the parts (the stop event is set with it)
};
// Moves `phase` forward to `to`; a phase already as far or further stays. Returns the phase before.
StopPhase AdvanceStop(std::atomic<StopPhase>& phase, StopPhase to) noexcept;
// The one question every part asks: has the stop begun (asked for, or the parts stopping)?
constexpr bool StopUnderWay(StopPhase phase) { return phase != StopPhase::Running; }

// Written by the UI thread (Exit, the owner's stop) and the event-watch thread (a close request); read by every
// worker when it wakes.
extern std::atomic<StopPhase> ProgramStop;
inline bool StopUnderWay() noexcept { return StopUnderWay(ProgramStop.load()); }

// The byte told to the mouse: 0x10 = bt3 reassigned, 0x08 = bt4 reassigned. Computed by the
// settings store on the main thread, cleared by the close path; read by the device probes.
extern std::atomic<int> DeviceMode;

// The "order" setting (the model's slots.ButtonOrder, which lives on the main thread) as the shutdown's reset pass
// tells it to the KEVO family. The main thread stores it whenever it saves the slots (start-up, every
// change, Default); the device worker reads it when the pass runs.
extern std::atomic<int> DeviceButtonOrder;

// Tilt steps not yet scrolled (positive = right). Producers (the mouse hook's thread, the vendor-report
// decoder) add, the tilt thread exchanges with 0.
extern std::atomic<int32_t> TiltSteps;

// 1 when started with "/hide": the main window's timer 11 hides the window once it is visible.
// Main thread only.
extern int StartHidden;

// The gesture indicator: shown for kGestureTipTicks passes of kGestureTipTickMs after a gesture.
constexpr int kGestureTipTicks = 24;
constexpr unsigned kGestureTipTickMs = 30;
// Passes the indicator has been shown; kGestureTipTicks and more = hidden. The gesture decoder (main
// thread) sets it to 0, the gesture-indicator thread counts it up.
extern std::atomic<int> GestureTipTicks;

// Side of the spotlight's clear square in pixels. The mouse hook's thread changes it with the wheel while
// the spotlight is shown; the board reads it when painting.
constexpr int kSpotlightRadiusMin = 100;
constexpr int kSpotlightRadiusMax = 800;
constexpr int kSpotlightRadiusStart = 400;
extern std::atomic<int> SpotlightRadius;

// What the mouse hook's thread knows of the presenter board lives beside the board (overlays/BoardMode.h).
