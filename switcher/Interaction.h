#pragma once
// What the user's keys and clicks mean on an overview, and how the highlighted thumbnail grows and the one
// it left shrinks back. The Windows half (ExposeDlg_win.cpp) carries the results out: it moves the pointer,
// repaints cells and moves live thumbnails.
#include "shell/DisplayScale.h"
#include "switcher/ExposeState.h"

// ------------------------------------------------------------------------------------------------ keys

constexpr unsigned kKeyEnter = 13;  // VK_RETURN
constexpr unsigned kKeyLeft = 37;   // VK_LEFT
constexpr unsigned kKeyUp = 38;
constexpr unsigned kKeyRight = 39;
constexpr unsigned kKeyDown = 40;

enum class KeyEffect {
    Nothing,  // an arrow with no window listed
    MoveTo,   // move the highlight to `index`
    Pick,     // choose the highlighted window and end
    Cancel,   // end without a choice (Escape and every other key)
};

struct KeyDecision {
    KeyEffect effect = KeyEffect::Nothing;
    int index = -1;
};

// A key pressed while the overview is ready. Left and Right go round the whole list, Up and Down stop at the
// first and the last window.
KeyDecision DecideKey(unsigned virtualKey, int highlighted, int columns, int windowCount);

// A key pressed while the overview is shown but not laid out yet (its pictures may take long: a window can
// be slow to paint itself). Only Escape is taken: it cancels, and the switcher goes at once. Every other key
// does nothing, so that nothing is picked from a grid the user has not seen.
constexpr unsigned kKeyEscape = 27;  // VK_ESCAPE
KeyDecision DecideKeyBeforeReady(unsigned virtualKey);

// The first thumbnail in list order whose present rectangle holds the client point; -1 over empty space or
// while the overview is not ready.
int HitTest(const ExposeState& state, int x, int y);

// ------------------------------------------------------------------------------------------------ animation

struct AnimationStep {
    int step = 0;    // pixels per tick on each end of the thumbnail's longer side
    int margin = 0;  // the grow stops before the thumbnail comes this close to its cell's size
};

// By the number of windows listed; a captured picture (repainted by the program at each tick) takes half a
// step more than a live thumbnail, so both take about the same time to grow. Both figures are at `scale`
// (the overview's): at 200 % a thumbnail grows by twice the pixels per tick and stops as far from its cell's
// edge, to the eye, as at 100 %.
AnimationStep StepFor(int windowCount, bool live, DisplayScale scale = {});

// The step split over the two sides so that a source of `sourceWidth` by `sourceHeight` keeps its shape: the
// longer side takes the whole step, the shorter one its share.
GrowOffset StepComponents(int step, double sourceWidth, double sourceHeight);

// `home` enlarged by `offset` on every side, each value cut toward zero.
SwitcherRect Enlarged(const SwitcherRect& home, GrowOffset offset);

// One 5 ms tick of thumbnail `k`: the highlighted one grows, any other that is enlarged shrinks. Returns
// whether its present rectangle changed; `moving` tells whether it still has ticks to go. A grow that would
// reach the margin stops where it is (and the offsets stay those of the rectangle shown).
struct TickResult {
    bool changed = false;
    bool moving = false;
};
TickResult GrowTick(ExposeState& state, int k, bool live);
TickResult ShrinkTick(ExposeState& state, int k, bool live);
bool IsEnlarged(const ExposeState& state, int k);

// ------------------------------------------------------------------------------------------------ drawing

// Whether thumbnail `k` is drawn with the highlight's frame: the highlighted one of a ready overview, whether
// or not it could grow. In a dense grid the first grow step already meets the margin and the thumbnail stays
// at rest; the frame is then all that shows where the keys have taken the highlight.
bool Framed(const ExposeState& state, int k);

// How far the frame reaches past a thumbnail's present rectangle, on every side, at 100 % (the overview's
// figure is OverviewMetrics::frameReach).
constexpr int kFrameReach = 6;

// What must be repainted when thumbnail `k` changes (it grows, shrinks, gains or loses the frame): its cell,
// and its present rectangle with the frame's reach (at the overview's scale) where that goes past the cell (a
// thumbnail is at least kMinCapturedSide pixels high, more than a cell of a very dense grid).
SwitcherRect RepaintArea(const ExposeState& state, int k);
