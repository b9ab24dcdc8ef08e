#include "pixeldata/writer.h"

#include <array>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace {

// The text of one channel value with what follows it, in a slot copied whole: one fixed-size
// copy and an add per value instead of formatting. Locale-free by construction.
template <size_t Slot>
struct Piece {
    std::array<char, Slot> text{};
    uint8_t length = 0;
};

template <size_t Slot>
using PieceTable = std::array<Piece<Slot>, 256>;

template <size_t Slot>
PieceTable<Slot> MakePieces(std::string_view before, std::string_view after) {
    PieceTable<Slot> table;
    for (int value = 0; value < 256; ++value) {
        const std::string text = std::string(before) + std::to_string(value) + std::string(after);
        std::memcpy(table[value].text.data(), text.data(), text.size());
        table[value].length = static_cast<uint8_t>(text.size());
    }
    return table;
}

struct PixelLinePieces {
    PieceTable<16> alpha = MakePieces<16>("Data ", ", ");
    PieceTable<8> red = MakePieces<8>("", ", ");
    PieceTable<8> green = MakePieces<8>("", ",");
    PieceTable<8> blue = MakePieces<8>("", "\r\n");
};

const PixelLinePieces& Pieces() {
    static const PixelLinePieces pieces;
    return pieces;
}

template <size_t Slot>
char* Put(char* out, const Piece<Slot>& piece) {
    std::memcpy(out, piece.text.data(), Slot);
    return out + piece.length;
}

char* PutPixelLine(char* out, uint32_t c, const PixelLinePieces& p) {
    out = Put(out, p.alpha[c >> 24]);
    out = Put(out, p.red[(c >> 16) & 0xFF]);
    out = Put(out, p.green[(c >> 8) & 0xFF]);
    return Put(out, p.blue[c & 0xFF]);
}

using HexTable = std::array<std::array<char, 2>, 256>;

const HexTable& HexDigits() {
    static const HexTable table = [] {
        constexpr char digits[] = "0123456789ABCDEF";
        HexTable t;
        for (size_t value = 0; value < t.size(); ++value)
            t[value] = {digits[value >> 4], digits[value & 15]};
        return t;
    }();
    return table;
}

// "Data &HAARRGGBB" and CR LF: always 17 bytes.
char* PutPackedLine(char* out, uint32_t c, const HexTable& hex) {
    std::memcpy(out, "Data &H", 7);
    for (int shift = 24; shift >= 0; shift -= 8) {
        std::memcpy(out + 7 + (24 - shift) / 4, hex[(c >> shift) & 0xFF].data(), 2);
    }
    std::memcpy(out + 15, "\r\n", 2);
    return out + 17;
}

// Hands blocks to the sink on a thread of its own, so that formatting one block overlaps writing
// the one before; one block is in flight at a time.
class OverlappedSink {
public:
    explicit OverlappedSink(const ByteSink& sink) : sink_(sink) {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            // No thread to be had: each block is written as it is handed over.
        }
    }
    ~OverlappedSink() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    OverlappedSink(const OverlappedSink&) = delete;
    OverlappedSink& operator=(const OverlappedSink&) = delete;

    // Waits until the block before is written, then hands over `block`, which must stay as it
    // is until the next call. False once the sink has refused a block.
    bool Put(std::string_view block) {
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
    // Waits for the last block: true if the sink took every block.
    bool Finish() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        return !failed_;
    }

private:
    void Run() {
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

    const ByteSink& sink_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string_view block_;
    bool busy_ = false;
    bool failed_ = false;
    bool closing_ = false;
    std::thread thread_;
};

constexpr size_t BlockBytes = size_t{1} << 18;
// Room after the block's end for one more line and the whole-slot copies that write it.
constexpr size_t SlackBytes = 64;

std::string HeadLines(std::string_view label, int64_t width, int64_t height) {
    return std::string(label) + ":\r\nData " + std::to_string(width) + "\r\nData " +
           std::to_string(height) + "\r\n";
}

}  // namespace

int64_t IncludeFileBytes(std::string_view label, const picture::PixelView& picture) {
    const PixelLinePieces& p = Pieces();
    int64_t bytes = static_cast<int64_t>(HeadLines(label, picture.width, picture.height).size());
    for (int64_t y = 0; y < picture.height; ++y) {
        const uint32_t* row = picture.Row(y);
        for (int64_t x = 0; x < picture.width; ++x) {
            const uint32_t c = row[x];
            bytes += p.alpha[c >> 24].length + p.red[(c >> 16) & 0xFF].length +
                     p.green[(c >> 8) & 0xFF].length + p.blue[c & 0xFF].length;
        }
    }
    return bytes;
}

namespace {

// Two blocks: one is formatted while the writer has the other.
using Blocks = std::array<std::unique_ptr<char[]>, 2>;

// The file's pixel lines through `writer`, a block at a time; `putLine(out, pixel)` writes one
// line at `out` and gives the place after it.
template <class PutLine>
bool WritePixelLines(const picture::PixelView& picture, Blocks& blocks, OverlappedSink& writer,
                     const ProgressReport& progress, PutLine putLine) {
    const int64_t width = picture.width, height = picture.height;
    int current = 0;
    char* out = blocks[current].get();
    const int64_t total = width * height;
    for (int64_t y = 0; y < height; ++y) {
        const uint32_t* row = picture.Row(y);
        for (int64_t x = 0; x < width; ++x) {
            out = putLine(out, row[x]);
            if (out < blocks[current].get() + BlockBytes) continue;
            if (!writer.Put(std::string_view(blocks[current].get(), out - blocks[current].get())))
                return false;
            current ^= 1;
            out = blocks[current].get();
            if (progress) progress(y * width + x + 1, total);
        }
    }
    if (!writer.Put(std::string_view(blocks[current].get(), out - blocks[current].get())) ||
        !writer.Finish())
        return false;
    if (progress) progress(total, total);
    return true;
}

}  // namespace

bool WriteIncludeFile(std::string_view label, const picture::PixelView& picture,
                      const ByteSink& sink, const ProgressReport& progress, PixelForm form) {
    const std::string head = HeadLines(label, picture.width, picture.height);
    // The blocks outlive the writer that reads them.
    Blocks blocks{std::make_unique_for_overwrite<char[]>(BlockBytes + SlackBytes),
                  std::make_unique_for_overwrite<char[]>(BlockBytes + SlackBytes)};
    OverlappedSink writer(sink);
    if (!writer.Put(head)) return false;
    if (form == PixelForm::Packed) {
        return WritePixelLines(
            picture, blocks, writer, progress,
            [&hex = HexDigits()](char* out, uint32_t c) { return PutPackedLine(out, c, hex); });
    }
    return WritePixelLines(
        picture, blocks, writer, progress,
        [&pieces = Pieces()](char* out, uint32_t c) { return PutPixelLine(out, c, pieces); });
}
