#pragma once
// Pictures of the windows, for overviews without live thumbnails. A window can only paint itself while it
// is not minimised, so its last picture is kept: a window minimised later still shows. A picture is taken
// again only when the window is found with another size (taking one is the costly part), or when the window
// gave none last time; it is reduced when it is taken, so that painting only scales small pictures. The
// pass reads the desktop and takes pictures through CaptureSystem (PrintWindow in CaptureCache_win.cpp, a
// simulated desktop in the tests).
//
// Threads: a store is used under its owner's lock (CaptureCacheLock for the program's one store).
#include "switcher/ExposeState.h"

#include <cstddef>
#include <cstdint>
#include <map>

struct CaptureSize {
    int width = 0;
    int height = 0;
    bool operator==(const CaptureSize& o) const { return width == o.width && height == o.height; }
    bool operator!=(const CaptureSize& o) const { return !(*this == o); }
};

// A picture as its owner knows it (a bitmap handle in the program); 0 = none.
using PictureId = std::uintptr_t;

struct CaptureRecord {
    PictureId picture = 0;
    CaptureSize size;         // the window's outer size when the record was last written
    CaptureSize pictureSize;  // the picture's own size (the reduced one)
    std::uint64_t taken = 0;  // when the picture was stored, in the store's own count of pictures (0: none)
};

// The bytes a picture of this size holds (32 bits a pixel).
std::size_t PictureBytes(CaptureSize size);

class CaptureSystem {
public:
    virtual ~CaptureSystem() = default;
    virtual bool Exists(WindowId window) = 0;
    virtual bool Iconic(WindowId window) = 0;
    virtual CaptureSize OuterSize(WindowId window) = 0;
    // A picture of the whole window (frame included) at `full`, reduced to `scaled`; 0 when the window
    // cannot paint itself now (it does not answer, or painted nothing).
    virtual PictureId Capture(WindowId window, CaptureSize full, CaptureSize scaled) = 0;
    virtual void Release(PictureId picture) = 0;
    // True when the program is stopping: the pass ends early, keeping what it has.
    virtual bool Stopping() { return false; }
};

// What the pictures may hold together: about 40 pictures of a 16:9 window at the size they are kept at
// (1000 x 562), some 90 MB. Enough for every window of a crowded desktop, and a bound on a resident 32-bit
// process that would otherwise keep a picture of every window it ever showed.
constexpr std::size_t kCaptureBudgetBytes = std::size_t(40) * 1000 * 562 * 4;

// The records of every window ever captured. Records stay until the store goes; a record whose window was
// destroyed loses its picture at the next pass. When the pictures hold more than the budget, the oldest go
// first (those of windows the pass was not asked about before those it was), and their windows are asked for
// a picture again when they are next shown.
class CaptureStore {
public:
    explicit CaptureStore(std::size_t budgetBytes = kCaptureBudgetBytes) : budget_(budgetBytes) {}
    CaptureStore(const CaptureStore&) = delete;
    CaptureStore& operator=(const CaptureStore&) = delete;

    const CaptureRecord* Find(WindowId window) const;
    std::size_t Size() const { return records_.size(); }
    // What the pictures held now hold, in bytes.
    std::size_t HeldBytes() const { return held_; }
    std::size_t BudgetBytes() const { return budget_; }
    // Releases every picture (the store's owner calls this when it goes).
    void Clear(CaptureSystem& system);

    // One capture pass over `windows`; counts what it did, for the benchmark and the trace.
    struct PassCounts {
        int captured = 0;  // pictures asked for (whether or not the window gave one)
        int kept = 0;      // records left as they were
        int released = 0;  // pictures of destroyed windows let go
        int evicted = 0;   // pictures let go to stay within the budget
        std::size_t evictedBytes = 0;
    };
    PassCounts Refresh(CaptureSystem& system, const WindowId* windows, int count);

private:
    void Store(CaptureRecord& record, PictureId picture, CaptureSize pictureSize);
    void Drop(CaptureSystem& system, CaptureRecord& record);
    void KeepWithinBudget(CaptureSystem& system, const WindowId* windows, int count, PassCounts& counts);

    std::map<WindowId, CaptureRecord> records_;
    std::size_t budget_;
    std::size_t held_ = 0;
    std::uint64_t pictures_ = 0;  // pictures stored so far: the age of each
};

// The size a picture of a window of `size` is kept at: at most kMaxPictureSide on its longer side. A picture
// taken again for a record (the window changed size) is reduced only when it is wider than that, so a
// resized window no wider than kMaxPictureSide keeps its full height.
constexpr int kMaxPictureSide = 1000;
CaptureSize ScaledPictureSize(CaptureSize size, bool existingRecord);
