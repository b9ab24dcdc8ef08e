// The ring of typed keys: 16 slots, at most 15 keys; a push into a full ring drops the oldest.
#pragma once

#include <array>
#include <cstdint>

namespace screen_internal {

class KeyBuffer {
public:
    void Push(int32_t code) {
        codes_[write_] = code;
        write_ = (write_ + 1) % Slots;
        if (write_ == read_) read_ = (read_ + 1) % Slots;
    }
    bool Pop(int32_t& code) {
        if (read_ == write_) return false;
        code = codes_[read_];
        read_ = (read_ + 1) % Slots;
        return true;
    }

private:
    static constexpr int Slots = 16;
    std::array<int32_t, Slots> codes_{};
    int read_ = 0;
    int write_ = 0;
};

}  // namespace screen_internal
