#include "overlays/BoardModel.h"

BoardModel::Toggle BoardModel::DecideToggle(BoardMode requested) const {
    if (mode != BoardMode::Off) return Toggle::Close;
    if (!IsOpenableBoardMode(requested)) return Toggle::Nothing;
    return Toggle::Open;
}

void BoardModel::OnCapture() {
    selOutline.clear();
    outlineInside = RowSpans{};
    selStart = selLast = BoardPoint{};
    screenCaptured = 1;
    selectionMade = false;
}

bool BoardModel::DpiChangeCloses(int newDpi) const {
    return DpiChangeClosesBoard(mode != BoardMode::Off, metrics.scale.dpi, newDpi);
}

void BoardModel::OnClose() {
    mode = BoardMode::Off;
    // A drag cut short by closing must not go on from its old point when the board opens again.
    dragState = 0;
    penShown = false;
    snapActive = 0;
}

BoardModel::FailureTip BoardModel::DecideFailureTip(Failure failure) const {
    if (mode == BoardMode::Off) return FailureTip::None;
    switch (failure) {
    case Failure::OutOfMemory:
        return FailureTip::OutOfMemory;
    case Failure::NoScreen:
        return FailureTip::NoScreen;
    case Failure::Other:
        break;
    }
    return FailureTip::Error;
}

void BoardModel::OnRawMouse(int dx, int dy, unsigned buttonFlags, int wheelDelta, BoardHost& host) {
    if (mode == BoardMode::Off) {
        if (host.Shown()) host.Hide();
        return;
    }
    if (!host.Shown()) host.Show();

    // The cursor is read once, when a step first needs it.
    bool havePoint = false;
    BoardPoint point;
    auto cursor = [&]() {
        if (!havePoint) {
            point = host.CursorPoint();
            havePoint = true;
        }
        return point;
    };

    if (buttonFlags & kRawWheel) {
        colourIndex = NextColour(colourIndex, wheelDelta);
        if (mode == BoardMode::Highlighter) MovePen(cursor(), host);  // the pen cursor wears the colour
    }
    if ((buttonFlags & kRawButton5Up) && BoardModeSnaps(mode)) host.SaveSnap(SnapTarget::File);
    if (buttonFlags & kRawLeftUp) {
        // Only a drag that began on the board ends in a snap: a button that went down before the board
        // opened copies nothing.
        const bool wasDragging = dragState == 1;
        dragState = 0;
        if (BoardModeSelects(mode) && wasDragging) {
            // The rectangle ends where the button came up, whatever the moves handled before it said.
            if (mode == BoardMode::Rectangle) selBounds = SelectionBounds(selStart, cursor());
            CloseOutline(cursor());
            selectionMade = true;
            host.RefreshAll();
            host.SaveSnap(SnapTarget::Clipboard);
        }
    }
    if ((buttonFlags & kRawRightUp) && BoardModeSnaps(mode)) host.SaveSnap(SnapTarget::File);

    bool freshPress = false;
    if (buttonFlags & kRawLeftDown) {
        const BoardPoint p = cursor();
        const bool wasDarkened = BoardModeSelects(mode) && selectionMade && dragState == 0;
        if (dragState != 1) {
            lastPoint = p;
            freshPress = true;
        }
        selStart = selLast = p;
        dragState = 1;
        selOutline.assign(1, p);
        selBounds = {p.x, p.y, p.x + 1, p.y + 1};
        if (wasDarkened) {
            host.RefreshAll();  // the darkening gives way to the new drag's outline
        } else if (mode == BoardMode::Rectangle) {
            for (const BoardRect& strip : OutlineStrips(selBounds, metrics.outlineWidth)) host.Refresh(strip);
        }
    }
    if ((buttonFlags & kRawMiddleUp) && BoardModeSnaps(mode)) host.Recapture();

    if (dx == 0 && dy == 0 && !freshPress) return;
    const BoardPoint p = cursor();
    switch (mode) {
    case BoardMode::Highlighter:
        if (dragState == 1) host.Stroke(freshPress ? p : lastPoint, p);
        MovePen(p, host);
        break;
    case BoardMode::Freeform:
        if (dragState != 1) break;
        if (selOutline.empty()) selOutline.push_back(p);
        if (p != selOutline.back()) {
            const BoardPoint from = selOutline.back();
            selOutline.push_back(p);
            host.Refresh(OutlineSegmentBox(from, p, metrics.outlineWidth));
        }
        selBounds = WidenBounds(selBounds, p);
        selLast = p;
        break;
    case BoardMode::Rectangle: {
        if (dragState != 1) break;
        const BoardRect before = selBounds;
        selBounds = SelectionBounds(selStart, p);
        for (const BoardRect& strip : SelectionMoveDirty(before, selBounds, metrics.outlineWidth)) {
            host.Refresh(strip);
        }
        selLast = p;
        break;
    }
    case BoardMode::Spotlight:
        host.MoveSpotlight(p);
        break;
    default:
        break;
    }
    lastPoint = p;
}

void BoardModel::MovePen(BoardPoint p, BoardHost& host) {
    const BoardPoint before = penAt;
    const bool wasShown = penShown;
    penAt = p;
    penShown = true;
    if (wasShown && before != p) host.Refresh(SquareAround(before, metrics.penCursorBox));
    host.Refresh(SquareAround(p, metrics.penCursorBox));
}

void BoardModel::CloseOutline(BoardPoint p) {
    selLast = p;
    if (mode != BoardMode::Freeform) return;
    if (selOutline.empty() || selOutline.back() != p) selOutline.push_back(p);
    const BoardRect box = OutlineBounds(selOutline);
    outlineInside = PolygonSpans(OutlinePolygon(selOutline), box.top, box.bottom);
}

BoardRect BoardModel::SnapRect(int boardWidth, int boardHeight) const {
    if (mode == BoardMode::Highlighter) return {0, 0, boardWidth, boardHeight};
    return selBounds;
}

BoardScene BoardModel::Scene() const {
    BoardScene scene;
    scene.mode = mode;
    scene.penCursor = mode == BoardMode::Highlighter && penShown && snapActive == 0;
    scene.penAt = penAt;
    scene.colourIndex = colourIndex;
    scene.dragging = dragState == 1;
    scene.selBounds = selBounds;
    scene.outline = &selOutline;
    scene.darkenAroundRect = mode == BoardMode::Rectangle && selectionMade;
    const bool freeformMade = mode == BoardMode::Freeform && selectionMade && selOutline.size() > 2;
    scene.darkenAround = freeformMade ? &outlineInside : nullptr;
    scene.metrics = metrics;
    return scene;
}
