#pragma once
// A picture one thread makes for another that waits for it only so long: a window's paint of itself, which a
// window may never finish. Whichever of the two comes second owns the picture: the waiter takes it when it
// came in time, the maker releases it when the waiter had given up. Neither ever waits for the other, and
// the picture is released exactly once whatever the order.
//
// Threads: one maker and one waiter, each calling its one operation once; the maker stores the picture where
// the waiter looks before it delivers, and the waiter reads it only after a Collect that found it delivered.
#include <atomic>

class PictureHandover {
public:
    // The maker, once what it made is stored: true when the waiter will take it; false when the waiter had
    // given up, and what was made is the maker's to release.
    bool Deliver() noexcept {
        int expected = kWaiting;
        return state_.compare_exchange_strong(expected, kDelivered);
    }
    // The waiter, once its wait ended (in time or not): true when the picture was delivered and is the
    // waiter's now; false when it was not, and from then on the maker releases whatever it makes.
    bool Collect() noexcept {
        int expected = kWaiting;
        return !state_.compare_exchange_strong(expected, kAbandoned);
    }

private:
    enum : int { kWaiting, kDelivered, kAbandoned };
    std::atomic<int> state_{kWaiting};
};
