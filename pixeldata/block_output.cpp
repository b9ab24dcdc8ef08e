#include "pixeldata/block_output.h"

#include <algorithm>
#include <cstring>
#include <system_error>

OverlappedSink::OverlappedSink(const ByteSink& sink) : sink_(sink) {
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to be had: each block is written as it is handed over.
    }
}

OverlappedSink::~OverlappedSink() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool OverlappedSink::Put(std::string_view block) {
    if (!thread_.joinable()) {
        failed_ = failed_ || !sink_(block);
        return !failed_;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (failed_) return false;
    block_ = block;
    busy_ = true;
    changed_.notify_all();
    return true;
}

bool OverlappedSink::Finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return !failed_;
}

void OverlappedSink::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || closing_; });
        if (!busy_) return;
        const std::string_view block = block_;
        lock.unlock();
        const bool written = sink_(block);
        lock.lock();
        failed_ = failed_ || !written;
        busy_ = false;
        changed_.notify_all();
    }
}

BlockOutput::BlockOutput(const ByteSink& sink)
    : blocks_{std::make_unique_for_overwrite<char[]>(BlockBytes + LongestLine),
              std::make_unique_for_overwrite<char[]>(BlockBytes + LongestLine)},
      writer_(sink),
      out_(blocks_[0].get()),
      limit_(out_ + BlockBytes) {}

bool BlockOutput::Flush() {
    char* const begin = blocks_[current_].get();
    if (!writer_.Put(std::string_view(begin, static_cast<size_t>(out_ - begin)))) return false;
    current_ ^= 1;
    out_ = blocks_[current_].get();
    limit_ = out_ + BlockBytes;
    ++flushes_;
    return true;
}

bool BlockOutput::Put(std::string_view text) {
    while (!text.empty()) {
        const auto room = static_cast<size_t>(limit_ - out_);
        const size_t part = std::min(room, text.size());
        std::memcpy(out_, text.data(), part);
        text.remove_prefix(part);
        if (!Advance(out_ + part)) return false;
    }
    return true;
}

bool BlockOutput::Finish() {
    return Flush() && writer_.Finish();
}
