#pragma once
// The presenter board's mode: the one definition the dispatcher, the mouse hook's rules, the foreground hook
// and the board itself use. The numbers are the board functions' own (they appear in traces as `mode=N`).
#include <atomic>

enum class BoardMode : int {
    Off = 0,
    Highlighter = 1,
    Freeform = 2,   // screen snap #2
    Rectangle = 3,  // screen snap #1
    Spotlight = 4,
};

// A mode a function may open the board in (Off and anything out of range are not).
constexpr bool IsOpenableBoardMode(BoardMode mode) {
    return mode >= BoardMode::Highlighter && mode <= BoardMode::Spotlight;
}
// The modes that snap the screen (the highlighter snaps the whole board).
constexpr bool BoardModeSnaps(BoardMode mode) {
    return mode >= BoardMode::Highlighter && mode <= BoardMode::Rectangle;
}
// The modes that select part of the screen.
constexpr bool BoardModeSelects(BoardMode mode) {
    return mode == BoardMode::Freeform || mode == BoardMode::Rectangle;
}

// What the mouse hook's thread knows of the board: whether it is shown and in which mode. Written by the
// board on the UI thread (`BoardDlg::SetMode`, its show and hide); read by the hook's thread, which reads
// nothing else of the board. They live until the process ends.
extern std::atomic<bool> BoardVisible;
extern std::atomic<BoardMode> BoardShownMode;
