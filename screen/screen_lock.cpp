// The screen lock, and the public calls that hold it across a whole frame.
#include <algorithm>

#include "screen/screen_state.h"

namespace screen_internal {

void ScreenLock::Acquire() {
    const auto me = std::this_thread::get_id();
    if (owner_.load() == me) {
        ++count_;
        return;
    }
    mutex_.lock();
    owner_.store(me);
    count_ = 1;
}

void ScreenLock::Release() {
    if (!HeldByThisThread()) return;
    if (--count_ > 0) return;
    owner_.store(std::thread::id());
    mutex_.unlock();
}

bool ScreenLock::HeldByThisThread() const {
    return owner_.load() == std::this_thread::get_id();
}

void ScreenLock::ReleaseFully() {
    if (!HeldByThisThread()) return;
    count_ = 0;
    owner_.store(std::thread::id());
    mutex_.unlock();
}

ScopedScreenLock::ScopedScreenLock() {
    Holder().lock.Acquire();
}

ScopedScreenLock::~ScopedScreenLock() {
    if (first_ <= last_) {
        if (ScreenState* s = Screen()) s->MarkRows(first_, last_);
    }
    Holder().lock.Release();
}

void ScopedScreenLock::MarkDirty(int32_t first, int32_t last) {
    if (first > last) return;
    first_ = std::min(first_, first);
    last_ = std::max(last_, last);
}

}  // namespace screen_internal

using namespace screen_internal;

void LockScreen() {
    Holder().lock.Acquire();
}

void UnlockScreen(int32_t firstRow, int32_t lastRow) {
    ScreenLock& lock = Holder().lock;
    if (!lock.HeldByThisThread()) lock.Acquire();  // an unlock at count 0 only marks rows
    if (ScreenState* s = Screen()) {
        if (lastRow < 0) lastRow = s->height - 1;
        if (firstRow < 0) firstRow = 0;
        if (firstRow <= lastRow && lastRow < s->height) s->MarkRows(firstRow, lastRow);
    }
    lock.Release();
}
