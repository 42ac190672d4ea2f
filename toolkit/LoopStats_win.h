#pragma once
// Test builds only: how long the UI thread's message loop was away handling one message, so the stall
// benchmark can name the worst handler. The product has none of it.
#if defined(ORVEL_TEST_HOOKS)
#include <windows.h>

#include <string>

// Turns at least this long are traced one by one ("slow-turn T ms message=0x.. class=..").
constexpr double kSlowTurnMilliseconds = 16.0;

// One message handled in `milliseconds` (its window's class names the handler).
void NoteLoopTurn(const MSG& msg, double milliseconds);
// The longest turn, the 99th percentile and the worst message since the last summary; the counts restart.
std::string LoopStallSummary();
#endif
