#include "switcher/CaptureCache.h"

CaptureSize ScaledPictureSize(CaptureSize size, bool existingRecord) {
    const bool reduce = existingRecord ? size.width > kMaxPictureSide
                                       : size.width > kMaxPictureSide || size.height > kMaxPictureSide;
    if (!reduce || size.width <= 0 || size.height <= 0) return size;
    const long long w = size.width, h = size.height;
    if (w > h) return {kMaxPictureSide, int(h * kMaxPictureSide / w)};
    return {int(w * kMaxPictureSide / h), kMaxPictureSide};
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
}

namespace {

// True when a picture was asked for (a window of no width or height has none to give).
bool Take(CaptureSystem& system, WindowId window, CaptureRecord& record, bool existing) {
    record.picture = 0;
    record.pictureSize = {};
    if (record.size.width <= 0 || record.size.height <= 0) return false;
    const CaptureSize scaled = ScaledPictureSize(record.size, existing);
    record.picture = system.Capture(window, record.size, scaled);
    if (record.picture) record.pictureSize = scaled;
    return true;
}

}  // namespace

CaptureStore::PassCounts CaptureStore::Refresh(CaptureSystem& system, const WindowId* windows, int count) {
    PassCounts counts;
    for (auto& entry : records_) {
        CaptureRecord& record = entry.second;
        if (record.picture && !system.Exists(entry.first)) {
            system.Release(record.picture);
            record.picture = 0;
            record.pictureSize = {};
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
            CaptureRecord record;
            record.size = system.OuterSize(window);
            if (Take(system, window, record, false)) ++counts.captured;
            records_.emplace(window, record);
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
        if (record.picture) system.Release(record.picture);
        record.size = size;
        if (Take(system, window, record, true)) ++counts.captured;
    }
    return counts;
}
