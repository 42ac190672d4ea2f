#pragma once
// The settings view: what the settings window shows and how it answers the mouse. Its picture is the
// background, the photograph of the mouse, the Default button, the leader lines, the Minimize and Close boxes
// and the two slot markers; it is handed to the system with per-pixel alpha. The layers that never change
// (background, photograph, Default button, leader lines) are drawn once into a prepared surface, so a hover
// repaints only the caption boxes and the markers over a copy of it.
//
// Main thread only: the settings window hands it WM_PAINT, WM_SETCURSOR and every message of the thread
// before it is dispatched.
#include "input/ProgramWindows_win.h"
#include "mainwindow/SettingsFilter.h"
#include "shell/AppModel_win.h"
#include "overlays/Image_win.h"
#include "overlays/LayeredWindow_win.h"
#include "toolkit/Handle_win.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SettingsView {
public:
    // `windows`: the program's other windows, as the settings window holds them; `model`: the program's model.
    // Both outlive the view.
    SettingsView(HWND window, HICON appIcon, const ProgramWindows& windows, AppModel& model);
    ~SettingsView();
    SettingsView(const SettingsView&) = delete;
    SettingsView& operator=(const SettingsView&) = delete;

    // The scale the view draws at (the DPI of the monitor the window is on). A new one drops the fonts and
    // every prepared surface; LoadPictures then loads the background for it.
    void SetScale(const DisplayScale& scale);
    const DisplayScale& Scale() const { return scale; }

    // Decodes the background for the current scale (the artwork of the scale's step, scaled to the window's
    // size at that scale when it is another); false when it is missing. The window takes its shape and size
    // from it. `decoded`: that picture decoded ahead (BackgroundId), or empty; `converted`: its GDI bitmap
    // made ahead too (ToGdiBitmap), or empty. True with `asDecoded` set when the background is `decoded`
    // itself, at its own size (a shape made from it ahead then fits).
    bool LoadPictures(PngImage decoded = {}, UniqueBitmap converted = {}, bool* asDecoded = nullptr);
    // The resource ids of the background and the photograph the view draws at `scale`.
    static int BackgroundId(const DisplayScale& scale);
    static int PhotoId(const DisplayScale& scale);
    Gdiplus::Bitmap* Background() const { return scaledBackground ? scaledBackground.get() : backgroundImage.Get(); }
    // The same picture as a 32-bit GDI bitmap (made by LoadPictures); null before it or when it failed.
    HBITMAP BackgroundBitmap() const { return backgroundBitmap.Get(); }
    // Hidden, the decoded background and photograph go too (under Wine GDI+ holds a 670 x 500 picture three
    // times over, about 5 MB with the photograph): the window keeps its shape and size, and the next static
    // layer decodes them again (a few milliseconds, once per show).
    void ReleasePictures();

    // The first paint's work made ahead, each in a turn of the message loop of its own, so that no single turn
    // takes as long as the whole: the unchanging layers (decoding the photograph among them), then the frame
    // the first paint presents. Each is false when it had nothing left to do.
    bool PrepareStaticLayer();
    bool PrepareFrame();
    // The frame made ahead, handed to the system while the window is still hidden (a layered window shows
    // what was last presented to it, so it appears with its picture); the paint that follows the show then
    // has nothing to do. False when no frame was made ahead or the system refused it.
    bool PresentPrepared();
    // WM_PAINT. `timings` (may be null) receives what the paint cost, for the benchmark.
    void Paint(LayeredPaintTimings* timings = nullptr);
    // The next paint draws the unchanging layers anew and presents the whole picture (the benchmark's full
    // paint).
    void ForgetPreparedLayers() {
        staticLayer = LayeredSurface();
        prepared.reset();
        presentedAhead.reset();
    }

    // Hidden, the window needs none of its surfaces (about 2.7 MB at 670 x 500): they go, and the next paint
    // (or PrepareStaticLayer and PrepareFrame, made ahead when the window shows again) draws them anew.
    void ReleaseSurfaces() {
        staticLayer = LayeredSurface();
        frame = LayeredSurface();
        lastDynamic.clear();
        prepared.reset();
        presentedAhead.reset();
        presentedOnce = false;
    }

    // The picture last handed to the system, scaled to `width` x `height` into `target` (premultiplied, so
    // what lies outside the window's shape is black). False before the first one. The window is layered:
    // its WM_PRINT draws none of this, so the switcher's picture of it comes from here.
    bool CopyShown(HDC target, int width, int height) const;

    // The message filter: true when the message is consumed.
    bool PreTranslate(const MSG& msg);
    // WM_SETCURSOR over the settings window: true when it set the hand.
    bool SetCursorOver();

    const SettingsViewState& State() const { return state; }

private:
    // What a frame shows beyond the unchanging layers: a frame made for one of these is still right for it.
    struct Drawn {
        std::array<std::wstring, 2> markerTexts;
        int hoverSlot, editSlot, hoverCaptionButton;
        bool operator==(const Drawn& o) const {
            return markerTexts == o.markerTexts && hoverSlot == o.hoverSlot && editSlot == o.editSlot &&
                   hoverCaptionButton == o.hoverCaptionButton;
        }
    };
    Drawn DrawnFor(const SettingsLayout& layout) const;
    int Width() const;
    int Height() const;
    SettingsLayout Layout() const;
    void CreateFonts();
    void DrawStaticLayers(HDC surface, int width, int height, const SettingsLayout& layout);
    void DrawDynamicLayers(Gdiplus::Graphics& g, const SettingsLayout& layout);
    void DrawDynamicInto(const SettingsLayout& layout);
    void RenderWhole(const SettingsLayout& layout);      // the static layer when missing, then the whole frame
    RECT RenderChanged(const SettingsLayout& layout);    // the dynamic layers anew; returns what changed
    void Apply(const ViewEffect& effect);

    HWND window;
    HICON appIcon;
    const ProgramWindows& windows;
    AppModel& model;
    DisplayScale scale;
    PngImage backgroundImage;       // PNG 129 (or its 1.5x or 2x artwork): the window's picture and shape
    std::unique_ptr<Gdiplus::Bitmap> scaledBackground;  // it at the window's size, when that is another
    bool picturesLoaded = false;    // LoadPictures succeeded and ReleasePictures has not run since
    bool everLoaded = false;        // the window has a size (it keeps it while the pictures are let go)
    UniqueBitmap backgroundBitmap;  // the background as a 32-bit bitmap, made once a scale
    LayeredSurface staticLayer;     // background, photograph, Default button, leader lines
    LayeredSurface frame;           // the picture last presented
    std::vector<RECT> lastDynamic;  // where its caption boxes and markers are
    std::optional<Drawn> prepared;  // the frame was made ahead for this and not presented yet
    std::optional<Drawn> presentedAhead;  // presented before the window showed, not painted since
    bool presentedOnce = false;     // the window has had a whole picture
    std::unique_ptr<Gdiplus::Font> labelFont;
    std::unique_ptr<Gdiplus::Font> defaultFont;
    std::unique_ptr<class GdiplusMeasurer> measurer;

    SettingsViewState state;
    SettingsHitAreas hits;  // from the last paint; empty before the first
    bool firstPaint = true;
};
