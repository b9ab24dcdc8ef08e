// Text written in large blocks: formatting fills one block while a thread of its own hands the
// other to the sink, so that formatting and writing overlap.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

using ByteSink = std::function<bool(std::string_view bytes)>;

// Hands blocks to the sink on a thread of its own; one block is in flight at a time.
class OverlappedSink {
public:
    explicit OverlappedSink(const ByteSink& sink);
    ~OverlappedSink();
    OverlappedSink(const OverlappedSink&) = delete;
    OverlappedSink& operator=(const OverlappedSink&) = delete;

    // Waits until the block before is written, then hands over `block`, which must stay as it
    // is until the next call. False once the sink has refused a block.
    bool Put(std::string_view block);
    // Waits for the last block: true if the sink took every block.
    bool Finish();

private:
    void Run();

    const ByteSink& sink_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string_view block_;
    bool busy_ = false;
    bool failed_ = false;
    bool closing_ = false;
    std::thread thread_;
};

// Two blocks filled in turn: text is formatted at Cursor() and the cursor moved on with
// Advance(); a full block goes to the sink.
class BlockOutput {
public:
    // Room after a block's end for one more line of at most LongestLine bytes and the
    // whole-slot copies that write it.
    static constexpr size_t LongestLine = 320;

    explicit BlockOutput(const ByteSink& sink);

    char* Cursor() const { return out_; }
    // Text may be formatted at the cursor up to here before it must be taken with Advance.
    const char* Limit() const { return limit_; }
    // Takes the text up to `end` (at most LongestLine past the cursor); false once the sink
    // has refused a block. Inline: it is called for every line.
    bool Advance(char* end) {
        out_ = end;
        return out_ < limit_ || Flush();
    }
    // How many blocks have gone to the sink.
    uint64_t Flushes() const { return flushes_; }
    // Any text, however long.
    bool Put(std::string_view text);
    // Hands over what is left and waits for every block to be written.
    bool Finish();

private:
    bool Flush();

    static constexpr size_t BlockBytes = size_t{1} << 18;
    // The blocks outlive the writer that reads them.
    std::array<std::unique_ptr<char[]>, 2> blocks_;
    OverlappedSink writer_;
    int current_ = 0;
    char* out_;
    char* limit_;  // the end of the current block's text
    uint64_t flushes_ = 0;
};
