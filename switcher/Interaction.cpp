#include "switcher/Interaction.h"

#include "switcher/OverviewLayout.h"

#include <algorithm>

KeyDecision DecideKey(unsigned virtualKey, int highlighted, int columns, int windowCount) {
    const bool arrow = virtualKey >= kKeyLeft && virtualKey <= kKeyDown;
    if (virtualKey == kKeyEnter) return {KeyEffect::Pick, highlighted};
    if (!arrow) return {KeyEffect::Cancel, -1};
    if (windowCount <= 0) return {KeyEffect::Nothing, -1};
    if (columns < 1) columns = 1;
    int target = highlighted;
    switch (virtualKey) {
    case kKeyLeft:
        target = highlighted - 1;
        if (target < 0) target = windowCount - 1;
        break;
    case kKeyUp:
        target = highlighted - columns;
        if (target < 0) target = 0;
        break;
    case kKeyRight:
        // From no highlight (-1) the first window comes next.
        target = ((highlighted + 1) % windowCount + windowCount) % windowCount;
        break;
    default:  // Down
        target = std::min(highlighted + columns, windowCount - 1);
        break;
    }
    return {KeyEffect::MoveTo, target};
}

KeyDecision DecideKeyBeforeReady(unsigned virtualKey) {
    if (virtualKey == kKeyEscape) return {KeyEffect::Cancel, -1};
    return {KeyEffect::Nothing, -1};
}

int HitTest(const ExposeState& state, int x, int y) {
    if (!state.ready) return -1;
    const int count = state.windowCount;
    for (int i = 0; i < count; ++i) {
        if (state.currentRects[i].Contains(x, y)) return i;
    }
    return -1;
}

AnimationStep StepFor(int windowCount, bool live, DisplayScale scale) {
    AnimationStep s;
    if (windowCount >= 10) {
        s = {4, 10};
    } else if (windowCount >= 7) {
        s = {8, 20};
    } else if (windowCount >= 5) {
        s = {8, 30};
    } else if (windowCount >= 3) {
        s = {12, 60};
    } else {
        s = {16, 60};
    }
    if (!live) s.step = s.step * 3 / 2;
    s.step = scale.Px(s.step);
    s.margin = scale.Px(s.margin);
    return s;
}

GrowOffset StepComponents(int step, double sourceWidth, double sourceHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0) return {double(step), double(step)};
    const double aspect = sourceWidth / sourceHeight;
    if (aspect < 1) return {step * aspect, double(step)};
    return {double(step), step / aspect};
}

SwitcherRect Enlarged(const SwitcherRect& home, GrowOffset offset) {
    return {int(home.left - offset.dx), int(home.top - offset.dy), int(home.right + offset.dx),
            int(home.bottom + offset.dy)};
}

namespace {

GrowOffset StepOf(const ExposeState& state, int k, bool live) {
    const int step = StepFor(state.windowCount, live, OverviewScale(state)).step;
    const SwitcherRect& home = state.homeRects[k];
    if (live) return StepComponents(step, state.sourceWidths[k], state.sourceHeights[k]);
    return StepComponents(step, home.Width(), home.Height());
}

bool ValidIndex(const ExposeState& state, int k) { return k >= 0 && k < state.windowCount; }

}  // namespace

bool IsEnlarged(const ExposeState& state, int k) {
    return ValidIndex(state, k) && (state.growOffsets[k].dx > 0 || state.growOffsets[k].dy > 0);
}

TickResult GrowTick(ExposeState& state, int k, bool live) {
    if (!ValidIndex(state, k)) return {};
    const GrowOffset step = StepOf(state, k, live);
    const GrowOffset before = state.growOffsets[k];
    const GrowOffset after{before.dx + step.dx, before.dy + step.dy};
    const SwitcherRect candidate = Enlarged(state.homeRects[k], after);
    const int margin = StepFor(state.windowCount, live, OverviewScale(state)).margin;
    if (candidate.Height() >= state.cellHeight - margin || candidate.Width() >= state.cellWidth - margin) {
        return {false, false};
    }
    state.growOffsets[k] = after;
    const bool changed = candidate != state.currentRects[k];
    state.currentRects[k] = candidate;
    return {changed, true};
}

TickResult ShrinkTick(ExposeState& state, int k, bool live) {
    if (!ValidIndex(state, k)) return {};
    const GrowOffset step = StepOf(state, k, live);
    GrowOffset offset = state.growOffsets[k];
    offset.dx -= step.dx;
    offset.dy -= step.dy;
    if (offset.dx <= 0 || offset.dy <= 0) offset = {};
    state.growOffsets[k] = offset;
    const SwitcherRect rect = Enlarged(state.homeRects[k], offset);
    const bool changed = rect != state.currentRects[k];
    state.currentRects[k] = rect;
    return {changed, offset.dx > 0 || offset.dy > 0};
}

bool Framed(const ExposeState& state, int k) {
    return state.ready && ValidIndex(state, k) && k == state.highlighted;
}

SwitcherRect RepaintArea(const ExposeState& state, int k) {
    if (!ValidIndex(state, k)) return {};
    SwitcherRect area = CellRect(k, state.columns, state.cellWidth, state.cellHeight);
    const int reach = OverviewMetrics::For(OverviewScale(state)).frameReach;
    for (const SwitcherRect& r : {state.currentRects[k], state.homeRects[k]}) {
        if (r.Empty()) continue;
        area.left = std::min(area.left, r.left - reach);
        area.top = std::min(area.top, r.top - reach);
        area.right = std::max(area.right, r.right + reach);
        area.bottom = std::max(area.bottom, r.bottom + reach);
    }
    return area;
}
