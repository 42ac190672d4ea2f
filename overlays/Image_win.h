#pragma once
// Pictures from the program's resources, and window regions from their transparency.
//
// Threads: GDI+ must be running (the application starts it before any window exists); these are called on
// the main thread, where every paint runs.
#include "overlays/Gdiplus_win.h"
#include "toolkit/BackgroundJob_win.h"
#include "toolkit/Handle_win.h"

#include <memory>

// A PNG decoded from the resources together with the memory block it was decoded from. GDI+ may go on
// reading a stream-based image for as long as the image exists, so the block is freed only after the
// Bitmap is deleted; holding both here means no caller can free the block too early or forget either.
// Move-only; empty when loading failed.
class PngImage {
public:
    PngImage() = default;
    ~PngImage() { Reset(); }
    PngImage(PngImage&& other) noexcept;
    PngImage& operator=(PngImage&& other) noexcept;
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    explicit operator bool() const noexcept { return bitmap_ != nullptr; }
    Gdiplus::Bitmap* Get() const noexcept { return bitmap_.get(); }
    Gdiplus::Bitmap* operator->() const noexcept { return bitmap_.get(); }
    Gdiplus::Bitmap& operator*() const noexcept { return *bitmap_; }

    // Deletes the image, then frees its bytes.
    void Reset() noexcept;

private:
    friend PngImage LoadPngResource(int id);
    // Declared first, so that even member-wise destruction deletes the image before its bytes.
    UniqueGlobalMemory memory_;
    std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

// The PNG with this id (resource type "PNG" in the module that holds the program's resources), decoded;
// empty when it is missing, empty, not a PNG resource or cannot be decoded. Ids are 16-bit: any other
// number is refused rather than cut down to a different resource.
PngImage LoadPngResource(int id);

// A window's picture as GDI wants it: the pixels as a bitmap, and the outline of its visible pixels as a
// region (RegionFromBitmap). Either may be empty.
struct PictureShape {
    UniqueBitmap bitmap;
    UniqueRegion region;
};

// One picture decoded on a thread of its own while the caller goes on with other work: the settings window's
// background at start-up, whose decoding (Windows' imaging component starting up, under Wine) would
// otherwise stand between the process's start and its first frame. Owned by the thread that starts it.
class PngPrefetch {
public:
    PngPrefetch() = default;
    ~PngPrefetch() = default;  // waits for the decode
    PngPrefetch(const PngPrefetch&) = delete;
    PngPrefetch& operator=(const PngPrefetch&) = delete;

    static constexpr int kMaxPictures = 2;

    // Starts decoding `first`, then `second` (0: none), and makes the first one's shape on the same thread;
    // does nothing when a decode was started before. Without a thread, they are made here and now.
    void Start(int first, int second = 0);
    // Waits for the decodes and hands picture `id` over; empty when it was not asked for, could not be
    // decoded, or was handed over before.
    PngImage Take(int id);
    // Waits likewise and hands over the shape of picture `id`, made from the picture as decoded (so only for a
    // caller that shows it at that size); empty when `id` was not the first or was handed over before.
    PictureShape TakeShape(int id);

private:
    void Join() noexcept;

    int ids_[kMaxPictures] = {};
    PngImage images_[kMaxPictures];  // written by the decoding thread until it ends, then by the owner's thread
    PictureShape firstShape_;        // likewise
    int shapeId_ = 0;                // the picture `firstShape_` belongs to; 0 once handed over
    BackgroundJob decoding_;         // declared last: it ends before what it writes goes
};

// The image as a 32-bit GDI bitmap composed over background colour 0, so fully transparent pixels are 0.
// Null when the conversion fails.
UniqueBitmap ToGdiBitmap(Gdiplus::Bitmap& image);

// A region covering exactly the pixels of `image` that are not fully transparent, in image coordinates.
// Hand it to SetWindowRgn with Release() (the window then owns it). An image without any visible pixel
// gives an empty region; null only when the platform cannot convert or read the image.
UniqueRegion RegionFromBitmap(Gdiplus::Bitmap& image);
// The same from a 32-bit GDI bitmap of the picture (ToGdiBitmap's).
UniqueRegion RegionFromGdiBitmap(HBITMAP bitmap);
