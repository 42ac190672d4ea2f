#include "switcher/CaptureCache.h"

#include <set>

CaptureSize ScaledPictureSize(CaptureSize size, bool existingRecord) {
    const bool reduce = existingRecord ? size.width > kMaxPictureSide
                                       : size.width > kMaxPictureSide || size.height > kMaxPictureSide;
    if (!reduce || size.width <= 0 || size.height <= 0) return size;
    const long long w = size.width, h = size.height;
    if (w > h) return {kMaxPictureSide, int(h * kMaxPictureSide / w)};
    return {int(w * kMaxPictureSide / h), kMaxPictureSide};
}

std::size_t PictureBytes(CaptureSize size) {
    if (size.width <= 0 || size.height <= 0) return 0;
    return std::size_t(size.width) * std::size_t(size.height) * 4;
}

const CaptureRecord* CaptureStore::Find(WindowId window) const {
    auto it = records_.find(window);
    return it == records_.end() ? nullptr : &it->second;
}

void CaptureStore::Clear(CaptureSystem& system) {
    for (auto& entry : records_) {
        if (entry.second.picture) system.Release(entry.second.picture);
    }
    records_.clear();
    held_ = 0;
}

void CaptureStore::Store(CaptureRecord& record, PictureId picture, CaptureSize pictureSize) {
    record.picture = picture;
    record.pictureSize = picture ? pictureSize : CaptureSize{};
    record.taken = picture ? ++pictures_ : 0;
    held_ += PictureBytes(record.pictureSize);
}

void CaptureStore::Drop(CaptureSystem& system, CaptureRecord& record) {
    if (!record.picture) return;
    system.Release(record.picture);
    held_ -= PictureBytes(record.pictureSize);
    record.picture = 0;
    record.pictureSize = {};
    record.taken = 0;
}

void CaptureStore::KeepWithinBudget(CaptureSystem& system, const WindowId* windows, int count,
                                    PassCounts& counts) {
    const std::set<WindowId> asked(windows, windows + count);
    while (held_ > budget_) {
        // The oldest picture of a window this pass was not about, else the oldest of all.
        CaptureRecord* oldest = nullptr;
        bool oldestAsked = true;
        for (auto& entry : records_) {
            CaptureRecord& record = entry.second;
            if (!record.picture) continue;
            const bool wasAsked = asked.count(entry.first) != 0;
            if (!oldest || (oldestAsked && !wasAsked) ||
                (oldestAsked == wasAsked && record.taken < oldest->taken)) {
                oldest = &record;
                oldestAsked = wasAsked;
            }
        }
        if (!oldest) break;
        counts.evictedBytes += PictureBytes(oldest->pictureSize);
        ++counts.evicted;
        Drop(system, *oldest);
    }
}

namespace {

// True when a picture should be asked for (a window of no width or height has none to give).
bool WorthAsking(const CaptureRecord& record) { return record.size.width > 0 && record.size.height > 0; }

}  // namespace

CaptureStore::PassCounts CaptureStore::Refresh(CaptureSystem& system, const WindowId* windows, int count) {
    PassCounts counts;
    for (auto& entry : records_) {
        CaptureRecord& record = entry.second;
        if (record.picture && !system.Exists(entry.first)) {
            Drop(system, record);
            ++counts.released;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (system.Stopping()) break;
        const WindowId window = windows[i];
        const bool iconic = system.Iconic(window);
        auto it = records_.find(window);
        if (it == records_.end()) {
            if (iconic) continue;  // a window first seen minimised cannot paint itself: no record
            CaptureRecord& record = records_[window];
            record.size = system.OuterSize(window);
            if (WorthAsking(record)) {
                const CaptureSize scaled = ScaledPictureSize(record.size, false);
                Store(record, system.Capture(window, record.size, scaled), scaled);
                ++counts.captured;
            }
            continue;
        }
        CaptureRecord& record = it->second;
        if (iconic) {
            ++counts.kept;  // minimised: the last picture is the one to show
            continue;
        }
        const CaptureSize size = system.OuterSize(window);
        // However old a picture is, only a new size makes it worth taking again. A window that gave none
        // last time (it did not answer then) is asked again.
        if (size == record.size && record.picture) {
            ++counts.kept;
            continue;
        }
        Drop(system, record);
        record.size = size;
        if (WorthAsking(record)) {
            const CaptureSize scaled = ScaledPictureSize(record.size, true);
            Store(record, system.Capture(window, record.size, scaled), scaled);
            ++counts.captured;
        }
    }
    KeepWithinBudget(system, windows, count, counts);
    return counts;
}
