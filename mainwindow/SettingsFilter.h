#pragma once
// What the settings view does with each message of the main thread before it is dispatched: which drawn
// element is under the pointer, the tips, opening the picker below a slot marker and taking its choice,
// the Default button, Minimize, Close and dragging the window by any empty spot.
//
// A pure decision: the state and the last paint's hit rectangles in, the state changed and a list of
// effects out, in the order they are to be carried out. The Windows half turns each message into a
// ViewMessage and carries the effects out.
#include "mainwindow/SettingsLayout.h"

#include <array>
#include <vector>

// -1 means none everywhere.
struct SettingsViewState {
    int HoverSlot = -1;           // the slot marker under the pointer (3 or 4)
    int EditSlot = -1;            // the slot whose picker is open
    int HoverDefault = -1;        // 0 while the pointer is over the Default button
    int PressedDefault = -1;      // HoverDefault at the last left press; -1 after the release
    int HoverCaptionButton = -1;  // 0 over Minimize, 1 over Close
};

// The hit rectangles of the last paint; all empty before the first paint, so nothing can be hit. `scale` is
// the one they were laid out at: the tips and the picker keep their distances from them at that scale.
struct SettingsHitAreas {
    SettingsHitAreas() = default;
    SettingsHitAreas(const std::array<PixelRect, kSlotCount>& slots, const PixelRect& defaultRect,
                     const std::array<PixelRect, 2>& captions, const DisplayScale& at = DisplayScale{})
        : slotRects(slots), defaultButton(defaultRect), captionButtons(captions), scale(at) {}

    std::array<PixelRect, kSlotCount> slotRects;
    PixelRect defaultButton;
    std::array<PixelRect, 2> captionButtons;
    DisplayScale scale;
};

enum class ViewMessageKind {
    MouseMove,
    LeftDown,
    RightDown,
    MiddleDown,
    LeftUp,
    KeyDown,         // WM_KEYDOWN and WM_SYSKEYDOWN
    FunctionChosen,  // the picker's choice
    Print,           // WM_PRINT and WM_PRINTCLIENT
    Other,
};

enum class MessageTarget {
    SettingsWindow,  // the settings window itself
    Picker,          // the top-level picker's own window
    PickerChain,     // one of the picker's sub-lists
    Elsewhere,       // any other window of the thread
};

struct ViewMessage {
    ViewMessageKind kind = ViewMessageKind::Other;
    MessageTarget target = MessageTarget::SettingsWindow;
    int x = 0;  // the message's client coordinates (mouse messages)
    int y = 0;
    int key = 0;            // KeyDown: the virtual key
    int function = -1;      // FunctionChosen: the catalogue position
    int pickerMode = 0;     // FunctionChosen: the picker's mode, as the message says
    bool pickerExists = false;
    bool pickerVisible = false;
    int pickerShownMode = -1;  // the mode of the picker on screen; -1 while none is shown
};

constexpr int kEscapeKey = 0x1B;
constexpr int kMarkerTipDurationMs = 3000;
constexpr int kCaptionTipDurationMs = 1200;
constexpr int kTipFontPixels = 20;
constexpr int kForegroundAfterCloseMs = 300;

// Tip table entries the view uses.
constexpr int kMarkerTip = 1;
constexpr int kMinimizeTip = 4;  // Close is the next one
constexpr int kDefaultTip = 6;

enum class ViewEffectKind {
    Invalidate,       // repaint the settings window (no erase)
    ShowTip,          // tip `tip` at client point (x, y) for `durationMs`
    HideTip,          // `immediate` 0: fade out, 1: gone at once
    HidePicker,
    OpenPicker,       // the top level of the catalogue at client point (x, y) + (1, 1), mode 0
    HideWindow,       // SW_HIDE, then the foreground timer with `durationMs`
    Minimize,
    Drag,             // the system moves the window with the pointer (from client point (x, y))
    ResetDefaults,    // the Default button: defaults, save, repaint with erase, pulse the notice event
    AssignAndSave,    // slot `slot` = `function`, then save
    Save,
    RunFunction,      // the dispatcher runs `function`
};

struct ViewEffect {
    ViewEffectKind kind;
    int x = 0;
    int y = 0;
    int tip = 0;
    int durationMs = 0;
    int immediate = 0;
    int slot = -1;
    int function = -1;
    bool operator==(const ViewEffect& o) const {
        return kind == o.kind && x == o.x && y == o.y && tip == o.tip && durationMs == o.durationMs &&
               immediate == o.immediate && slot == o.slot && function == o.function;
    }
};

struct FilterResult {
    std::vector<ViewEffect> effects;
    bool consumed = false;  // true: the message is not dispatched (else the dialog's keyboard handling follows)
};

// `catalogueSize` bounds the functions a picker may assign.
FilterResult FilterSettingsMessage(SettingsViewState& state, const SettingsHitAreas& hits, const ViewMessage& message,
                                   int catalogueSize);

// Whether the hand cursor shows over the settings window.
inline bool ShowsHandCursor(const SettingsViewState& s) {
    return s.HoverSlot != -1 || s.HoverDefault != -1 || s.HoverCaptionButton != -1;
}
