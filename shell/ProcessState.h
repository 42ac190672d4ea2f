#pragma once
// Process-wide state that the windows and the worker threads share.
//
// Everything here is written on the main thread unless the comment says otherwise. Values that a
// worker thread reads or writes are atomics: the threads only ever exchange these plain values
// (and window calls the system carries over to the main thread), so relaxed ordering is enough.
#include <atomic>
#include <cstdint>

// 0 running; 1 stopping (Exit or a close request); 2 the instance-watch thread has ended.
// Written by the main thread (Exit), the close-watch thread (0 -> 1) and the instance-watch
// thread (1 -> 2); polled by every worker loop.
extern std::atomic<int> StopFlag;

// The byte told to the mouse: 0x10 = bt3 reassigned, 0x08 = bt4 reassigned. Computed by the
// settings store on the main thread, cleared by the close path; read by the device probes.
extern std::atomic<int> DeviceMode;

// Tilt steps not yet scrolled (positive = right). Producers add, the tilt thread exchanges with 0.
extern std::atomic<int32_t> TiltSteps;

// 1 when started with "/hide": the main window's timer 11 hides the window once it is visible.
// Main thread only.
extern int StartHidden;

// Ticks of 30 ms the gesture indicator has been shown; 24 and more = hidden. The gesture decoder (main
// thread) sets it to 0, the gesture-indicator thread counts it up.
extern std::atomic<int> GestureTipTicks;
