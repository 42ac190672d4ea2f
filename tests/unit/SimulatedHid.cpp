#include "SimulatedHid.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

void FakeClock::Pause(unsigned milliseconds) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        now_ += milliseconds;
        pauses_.push_back(milliseconds);
    }
    std::this_thread::yield();  // gives other probe threads a chance to overlap, were they not serialised
}

uint64_t FakeClock::Now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

std::vector<unsigned> FakeClock::Pauses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pauses_;
}

uint64_t FakeClock::PausedTotal() const { return Now(); }

// ------------------------------------------------------------------------------------------ SimulatedMouse

std::vector<HidCall> SimulatedMouse::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<std::vector<uint8_t>> SimulatedMouse::Sets() const {
    std::vector<std::vector<uint8_t>> sets;
    for (const HidCall& call : Calls()) {
        if (call.kind == HidCall::SetFeature) sets.push_back(call.bytes);
    }
    return sets;
}

std::vector<uint64_t> SimulatedMouse::SetTimes() const {
    std::vector<uint64_t> times;
    for (const HidCall& call : Calls()) {
        if (call.kind == HidCall::SetFeature) times.push_back(call.timeMs);
    }
    return times;
}

std::vector<unsigned> SimulatedMouse::StringIndices() const {
    std::vector<unsigned> indices;
    for (const HidCall& call : Calls()) {
        if (call.kind == HidCall::String) indices.push_back(call.index);
    }
    return indices;
}

int SimulatedMouse::CountOf(HidCall::Kind kind) const {
    std::vector<HidCall> calls = Calls();
    return int(std::count_if(calls.begin(), calls.end(), [kind](const HidCall& c) { return c.kind == kind; }));
}

int SimulatedMouse::Opens() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opens_;
}

bool SimulatedMouse::Present() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !unplugged_;
}

void SimulatedMouse::Unplug() {
    std::lock_guard<std::mutex> lock(mutex_);
    unplugged_ = true;
}

void SimulatedMouse::SetNeverAnswers(bool never) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.neverAnswers = never;
}

bool SimulatedMouse::NeverAnswers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return config_.neverAnswers ||
           (config_.stopsAnsweringAfterCalls >= 0 && callCount_ >= config_.stopsAnsweringAfterCalls);
}

int SimulatedMouse::TimeOuts() const {
    std::vector<HidCall> calls = Calls();
    return int(std::count_if(calls.begin(), calls.end(), [](const HidCall& c) { return c.timedOut; }));
}

void SimulatedMouse::RecordTimeOut(HidCall::Kind kind, size_t length, unsigned index) {
    HidCall call{kind, 0, {}, index, length, false};
    call.timedOut = true;
    Log(std::move(call));
}

bool SimulatedMouse::Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (unplugged_) return false;
    ++opens_;
    return true;
}

bool SimulatedMouse::CountCall() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (config_.unplugAfterCalls >= 0 && callCount_ >= config_.unplugAfterCalls) unplugged_ = true;
    ++callCount_;
    return !unplugged_;
}

void SimulatedMouse::Log(HidCall call) {
    call.timeMs = clock_.Now();
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
}

void SimulatedMouse::Record(HidCall::Kind kind, bool ok) { Log(HidCall{kind, 0, {}, 0, 0, ok}); }

bool SimulatedMouse::GetFeature(uint8_t* report, size_t length) {
    if (!CountCall()) {
        Log(HidCall{HidCall::GetFeature, 0, {}, 0, length, false});
        return false;
    }
    std::vector<uint8_t> answer;
    bool ok;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!started_) {
            started_ = true;
            busyForever_ = config_.busyReads == kForever;
            busyLeft_ = config_.busyReads == kForever ? 0 : config_.busyReads;
        }
        const int read = reads_++;
        ok = read >= config_.failReads;
        if (ok) {
            answer = current_;
            if (busyForever_ || busyLeft_ > 0) {
                answer[1] |= kBusyBit;
                if (busyLeft_ > 0) --busyLeft_;
            }
            std::memcpy(report, answer.data(), std::min(length, answer.size()));
        }
    }
    Log(HidCall{HidCall::GetFeature, 0, answer, 0, length, ok});
    return ok;
}

bool SimulatedMouse::SetFeature(const uint8_t* report, size_t length) {
    std::vector<uint8_t> sent(report, report + length);
    if (!CountCall()) {
        Log(HidCall{HidCall::SetFeature, 0, sent, 0, length, false});
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool query = std::all_of(sent.begin(), sent.end(), [](uint8_t b) { return b == 0; });
        current_.assign(kFeatureReportLength, 0);
        if (query && config_.answersZuQuery) {
            current_[1] = config_.zuAnswer1;
            current_[2] = config_.zuAnswer2;
        }
        started_ = true;
        if (config_.busyAfterSet == kForever) busyForever_ = true;
        else busyLeft_ = config_.busyAfterSet;
    }
    Log(HidCall{HidCall::SetFeature, 0, sent, 0, length, true});
    if (onSet) onSet(sent);
    return true;
}

bool SimulatedMouse::GetIndexedString(unsigned index, uint8_t* buffer, size_t length) {
    bool ok = CountCall();
    if (ok) {
        auto it = config_.strings.find(index);
        ok = it != config_.strings.end();
        if (ok) std::memcpy(buffer, it->second.data(), std::min(length, it->second.size()));
    }
    Log(HidCall{HidCall::String, 0, {}, index, length, ok});
    return ok;
}

bool SimulatedMouse::GetCaps(HidCaps& caps) {
    bool ok = CountCall();
    if (ok) caps = config_.caps;
    Record(HidCall::Caps, ok);
    return ok;
}

bool SimulatedMouse::GetAttributes(HidAttributes& attributes) {
    bool ok = CountCall();
    if (ok) attributes = config_.attributes;
    Record(HidCall::Attributes, ok);
    return ok;
}

// ------------------------------------------------------------------------------------------ handles, system

namespace {
// The system half of a handle: a request the mouse does not answer fails after the time-out, and the handle
// asks the mouse nothing more from then on.
class SimulatedHandle : public HidDevice {
public:
    SimulatedHandle(std::shared_ptr<SimulatedMouse> mouse, SimulatedHidSystem& system)
        : mouse_(std::move(mouse)), system_(system) {}
    ~SimulatedHandle() override {
        mouse_->Record(HidCall::Close);
        system_.HandleClosed();
    }
    bool GetFeature(uint8_t* report, size_t length) override {
        if (Unanswered(HidCall::GetFeature, length)) return false;
        return mouse_->GetFeature(report, length);
    }
    bool SetFeature(const uint8_t* report, size_t length) override {
        if (Unanswered(HidCall::SetFeature, length)) return false;
        return mouse_->SetFeature(report, length);
    }
    bool GetIndexedString(unsigned index, uint8_t* buffer, size_t length) override {
        if (Unanswered(HidCall::String, length, index)) return false;
        return mouse_->GetIndexedString(index, buffer, length);
    }
    bool GetCaps(HidCaps& caps) override { return mouse_->GetCaps(caps); }
    bool GetAttributes(HidAttributes& attributes) override { return mouse_->GetAttributes(attributes); }
    void CancelIo() override { mouse_->Record(HidCall::Cancel); }
    bool TimedOut() const override { return timedOut_; }

private:
    // True when the request fails without an answer: at once once timed out, else after the time-out.
    bool Unanswered(HidCall::Kind kind, size_t length, unsigned index = 0) {
        if (timedOut_) return true;
        if (!mouse_->NeverAnswers()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(system_.timeoutMs));
        mouse_->RecordTimeOut(kind, length, index);
        timedOut_ = true;
        return true;
    }

    std::shared_ptr<SimulatedMouse> mouse_;
    SimulatedHidSystem& system_;
    bool timedOut_ = false;
};
}  // namespace

void SimulatedHidSystem::Add(DevicePath path, std::shared_ptr<SimulatedMouse> mouse) {
    std::lock_guard<std::mutex> lock(mutex_);
    interfaces_.emplace_back(std::move(path), std::move(mouse));
}

bool SimulatedHidSystem::ListInterfacePaths(std::vector<DevicePath>& paths) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (listFails) return false;
    for (const auto& entry : interfaces_) {
        if (entry.second->Present()) paths.push_back(entry.first);
    }
    return true;
}

namespace {
// The system opens a path whatever the letter case of its ASCII letters.
bool SamePathIgnoringCase(const DevicePath& a, const DevicePath& b) {
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}
}  // namespace

std::unique_ptr<HidDevice> SimulatedHidSystem::Open(const DevicePath& path) {
    std::unique_lock<std::mutex> lock(mutex_);
    opened_.push_back(path);
    openers_.insert(std::this_thread::get_id());
    ++waiting_;
    released_.wait(lock, [this] { return !held_; });
    --waiting_;
    for (const auto& entry : interfaces_) {
        if (!SamePathIgnoringCase(entry.first, path)) continue;
        if (!entry.second->Open()) return nullptr;
        maxOpen_ = std::max(maxOpen_, ++openNow_);
        return std::make_unique<SimulatedHandle>(entry.second, *this);
    }
    return nullptr;
}

void SimulatedHidSystem::HandleClosed() {
    std::lock_guard<std::mutex> lock(mutex_);
    --openNow_;
}

std::vector<DevicePath> SimulatedHidSystem::OpenedPaths() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opened_;
}

std::set<std::thread::id> SimulatedHidSystem::OpeningThreads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return openers_;
}

int SimulatedHidSystem::MaxOpenAtOnce() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return maxOpen_;
}

void SimulatedHidSystem::HoldOpens() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = true;
}

void SimulatedHidSystem::ReleaseOpens() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = false;
    }
    released_.notify_all();
}

int SimulatedHidSystem::OpensWaiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_;
}

// ------------------------------------------------------------------------------------------ families

std::vector<uint8_t> Hex(const char* text) {
    std::vector<uint8_t> bytes;
    unsigned value = 0;
    int digits = 0;
    for (const char* c = text;; ++c) {
        const char ch = *c;
        const bool hex = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
        if (hex) {
            value = value * 16 + unsigned(ch <= '9' ? ch - '0' : (ch | 0x20) - 'a' + 10);
            ++digits;
        } else if (digits > 0) {
            bytes.push_back(uint8_t(value));
            value = 0;
            digits = 0;
        }
        if (ch == 0) break;
    }
    return bytes;
}

std::vector<uint8_t> Utf16Bytes(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(uint8_t(unit & 0xFF));
        bytes.push_back(uint8_t(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

namespace {
MouseConfig WithFeatureLength9(uint16_t vendor, uint16_t product, uint16_t usagePage) {
    MouseConfig config;
    config.caps.Usage = 0x0001;
    config.caps.UsagePage = usagePage;
    config.caps.InputReportByteLength = 9;
    config.caps.OutputReportByteLength = 9;
    config.caps.FeatureReportByteLength = 9;
    config.attributes.VendorID = vendor;
    config.attributes.ProductID = product;
    config.attributes.VersionNumber = 0x0100;
    return config;
}
}  // namespace

MouseConfig ZuMouse() {
    MouseConfig config = WithFeatureLength9(0xF17E, 0x027B, 0xFF12);
    config.answersZuQuery = true;
    return config;
}

MouseConfig SwitchMouse(uint16_t productId) { return WithFeatureLength9(0xF17E, productId, 0x027B); }

MouseConfig Kest24Mouse(uint16_t vendorId, uint16_t productId) {
    MouseConfig config = WithFeatureLength9(vendorId, productId, 0xFF29);
    config.strings[120] = Utf16Bytes(u"Kest24");
    return config;
}

MouseConfig ReceiverMouse(uint16_t productId) {
    MouseConfig config = WithFeatureLength9(0x062A, productId, 0xFF31);
    config.strings[148] = Utf16Bytes(u"Receiver");
    return config;
}

MouseConfig KevoMouse() {
    MouseConfig config;
    config.caps.UsagePage = 0xFF18;
    config.caps.InputReportByteLength = 33;
    config.caps.OutputReportByteLength = 33;
    config.caps.FeatureReportByteLength = 0;
    config.attributes.VendorID = 0x2345;
    config.attributes.ProductID = 0x0010;
    config.strings[148] = {'K', 'E', 'V', 'O', 0x00, 0x12, 0x00, 0x00};
    for (unsigned index : {140u, 141u, 142u, 143u, 144u, 145u, 198u, 199u}) config.strings[index] = {1, 0};
    return config;
}
