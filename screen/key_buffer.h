// The ring of typed keys: 1024 slots, at most 1023 keys; a push into a full ring drops the oldest.
// Room for far more keys than anyone types between two frames, even while the program's thread is
// busy for a moment (a burst of zoom keys, a path typed by a tool at machine speed).
// Each slot holds the key code and, beside it, the Unicode character the key typed, which text
// widgets need where the code page has no code for it.
#pragma once

#include <array>
#include <cstdint>

#include "screen/screen.h"

namespace screen_internal {

class KeyBuffer {
public:
    void Push(KeyPress key) {
        keys_[write_] = key;
        write_ = (write_ + 1) % Slots;
        if (write_ == read_) read_ = (read_ + 1) % Slots;
    }
    bool Pop(KeyPress& key) {
        if (read_ == write_) return false;
        key = keys_[read_];
        read_ = (read_ + 1) % Slots;
        return true;
    }

private:
    static constexpr int Slots = 1024;
    std::array<KeyPress, Slots> keys_{};
    int read_ = 0;
    int write_ = 0;
};

}  // namespace screen_internal
