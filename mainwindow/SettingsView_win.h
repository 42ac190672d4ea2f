#pragma once
// The settings view: what the settings window shows and how it answers the mouse. Its picture is the
// background, the photograph of the mouse, the Default button, the leader lines, the Minimize and Close boxes
// and the two slot markers; it is handed to the system with per-pixel alpha. The layers that never change
// (background, photograph, Default button, leader lines) are drawn once into a prepared surface, so a hover
// repaints only the caption boxes and the markers over a copy of it.
//
// Main thread only: the settings window hands it WM_PAINT, WM_SETCURSOR and every message of the thread
// before it is dispatched.
#include "mainwindow/SettingsFilter.h"
#include "overlays/Image_win.h"
#include "overlays/LayeredWindow_win.h"
#include "toolkit/Handle_win.h"

#include <memory>
#include <vector>

class SettingsView {
public:
    SettingsView(HWND window, HICON appIcon);
    ~SettingsView();
    SettingsView(const SettingsView&) = delete;
    SettingsView& operator=(const SettingsView&) = delete;

    // Decodes the background; false when it is missing. The window takes its shape and size from it.
    bool LoadPictures();
    Gdiplus::Bitmap* Background() const { return backgroundImage.Get(); }

    // WM_PAINT. `timings` (may be null) receives what the paint cost, for the benchmark.
    void Paint(LayeredPaintTimings* timings = nullptr);
    // The next paint draws the unchanging layers anew and presents the whole picture (the benchmark's full
    // paint).
    void ForgetPreparedLayers() { staticLayer = LayeredSurface(); }

    // The message filter: true when the message is consumed.
    bool PreTranslate(const MSG& msg);
    // WM_SETCURSOR over the settings window: true when it set the hand.
    bool SetCursorOver();

    const SettingsViewState& State() const { return state; }

private:
    void DrawStaticLayers(HDC surface, int width, int height);
    void DrawDynamicLayers(Gdiplus::Graphics& g, const SettingsLayout& layout);
    void Apply(const ViewEffect& effect);

    HWND window;
    HICON appIcon;
    PngImage backgroundImage;       // PNG 129: the window's picture and shape
    UniqueBitmap backgroundBitmap;  // backgroundImage as a 32-bit bitmap, made once
    LayeredSurface staticLayer;     // background, photograph, Default button, leader lines
    LayeredSurface frame;           // the picture last presented
    std::vector<RECT> lastDynamic;  // where its caption boxes and markers are
    std::unique_ptr<Gdiplus::Font> labelFont;
    std::unique_ptr<Gdiplus::Font> defaultFont;
    std::unique_ptr<class GdiplusMeasurer> measurer;

    SettingsViewState state;
    SettingsHitAreas hits;  // from the last paint; empty before the first
    bool firstPaint = true;
};
