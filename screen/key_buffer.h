// The ring of typed keys: 1024 slots, at most 1023 keys; a push into a full ring drops the oldest.
// Room for far more keys than anyone types between two frames, even while the program's thread is
// busy for a moment (a burst of zoom keys, a path typed by a tool at machine speed).
// Each slot holds the key code and, beside it, the Unicode character the key typed, which text
// widgets need where the code page has no code for it; and the key's place in the order of all
// keys pushed, which tells the keys typed before a click from those typed after it.
#pragma once

#include <array>
#include <cstdint>

#include "screen/screen.h"

namespace screen_internal {

class KeyBuffer {
public:
    void Push(KeyPress key) {
        keys_[write_] = {key, pushed_++};
        write_ = (write_ + 1) % Slots;
        if (write_ == read_) read_ = (read_ + 1) % Slots;
    }
    bool Pop(KeyPress& key) {
        if (read_ == write_) return false;
        key = keys_[read_].key;
        read_ = (read_ + 1) % Slots;
        return true;
    }
    // How many keys were ever pushed: the mark of the moment.
    uint64_t Pushed() const { return pushed_; }
    // Drops the keys waiting that were pushed before `mark`.
    void DropBefore(uint64_t mark) {
        while (read_ != write_ && keys_[read_].serial < mark) read_ = (read_ + 1) % Slots;
    }

private:
    struct Slot {
        KeyPress key;
        uint64_t serial = 0;
    };
    static constexpr int Slots = 1024;
    std::array<Slot, Slots> keys_{};
    int read_ = 0;
    int write_ = 0;
    uint64_t pushed_ = 0;
};

}  // namespace screen_internal
