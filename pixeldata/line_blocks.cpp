#include "pixeldata/line_blocks.h"

#include <cerrno>
#include <cstring>

namespace {

// Large enough that reading costs little per byte, small enough to stay in the cache.
constexpr size_t BlockBytes = size_t{1} << 18;

}  // namespace

LineBlocks::LineBlocks(const std::string& path)
    : file_(std::fopen(path.c_str(), "rb"), &std::fclose), buffer_(BlockBytes) {
    if (!file_) {
        error_ = errno;
        atEnd_ = true;
    }
}

// Moves the bytes not handed out yet to the front and reads after them. False at the end of the
// file, on a failure, and when they fill the buffer: a line that long is handed out cut.
bool LineBlocks::Fill() {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    if (end_ == buffer_.size()) return false;
    const size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_.get());
    if (got == 0) {
        if (std::ferror(file_.get())) error_ = errno;
        atEnd_ = true;
        return false;
    }
    end_ += got;
    bytesRead_ += got;
    lastByte_ = buffer_[end_ - 1];
    return true;
}

std::string_view LineBlocks::Next() {
    for (;;) {
        const std::string_view unread(buffer_.data() + begin_, end_ - begin_);
        const size_t lastLineEnd = unread.rfind('\n');
        if (lastLineEnd != std::string_view::npos) {
            begin_ += lastLineEnd + 1;
            return unread.substr(0, lastLineEnd + 1);
        }
        if (atEnd_ || !Fill()) break;
    }
    // At the end: the last line without its line end, unless a failure cut it short; or the start
    // of a line longer than the buffer, which readers refuse.
    const std::string_view rest(buffer_.data() + begin_, error_ == 0 ? end_ - begin_ : 0);
    begin_ = end_;
    return rest;
}
