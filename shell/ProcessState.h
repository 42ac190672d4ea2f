#pragma once
// Process-wide state that the windows and the worker threads share.
//
// Everything here is written on the main thread unless the comment says otherwise. Values that another
// thread reads or writes are atomics: the threads only ever exchange these plain values (and work they
// post to the UI thread), so relaxed ordering is enough. All of them live until the process ends.
#include <atomic>
#include <cstdint>

// 0 running; 1 stopping (Exit or a close request); 2 the instance-watch thread has ended.
// Written by the main thread (Exit), the close-watch thread (0 -> 1) and the instance-watch
// thread (1 -> 2); read by every worker when it wakes.
extern std::atomic<int> StopFlag;

// The byte told to the mouse: 0x10 = bt3 reassigned, 0x08 = bt4 reassigned. Computed by the
// settings store on the main thread, cleared by the close path; read by the device probes.
extern std::atomic<int> DeviceMode;

// The "order" setting (Slots.ButtonOrder, which lives on the main thread) as the shutdown's reset pass
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

// What the mouse hook's thread knows of the presenter board: whether it is shown and in which mode (1
// highlighter, 2 and 3 the screen snaps, 4 spotlight). Written by the board on the main thread.
extern std::atomic<bool> BoardVisible;
extern std::atomic<int> BoardMode;
