// A picture file opened for reading: positioned reads bounded by the file's real length, so that
// no size a file declares is ever trusted.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace picture {

// A file opened read-only for the length of one load or probe, or bytes in memory read the same
// way (a regular file that never changes). A regular file's first bytes are read once, when it is
// opened: the formats are told apart by them and their headers lie in them, so the probe and the
// load that follows it read them from memory.
class InputFile {
public:
    // How many first bytes are kept: one page, as cheap to read as the few a format is
    // recognised by, and room for the fixed headers of the formats read.
    static constexpr int64_t KeptHeadBytes = 4096;

    explicit InputFile(const std::string& name);
    explicit InputFile(std::span<const uint8_t> bytes);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0 || inMemory_; }
    // The errno of a failed open, 0 once open.
    int OpenError() const { return openError_; }
    bool IsRegular() const { return regular_; }
    int64_t Size() const { return size_; }
    // The file as it was when opened (valid when IsOpen()).
    const struct stat& Status() const { return status_; }
    // Whether the open file's length or modification time differ from those it had when opened:
    // written to in place meanwhile, by another program.
    bool ChangedSinceOpened() const;

    // The first bytes as read when the file was opened, at most KeptHeadBytes; empty for a file
    // that is not regular or whose read failed.
    std::span<const uint8_t> Head() const;

    // Reads up to `count` bytes at `offset`: the number read (short only at the end of the
    // file), or -1 on a read error.
    int64_t ReadAt(int64_t offset, void* buffer, int64_t count) const;
    bool ReadExactly(int64_t offset, void* buffer, int64_t count) const {
        return ReadAt(offset, buffer, count) == count;
    }

private:
    int fd_ = -1;
    std::span<const uint8_t> memory_;
    bool inMemory_ = false;
    int openError_ = 0;
    bool regular_ = false;
    int64_t size_ = 0;
    struct stat status_ {};
    std::vector<uint8_t> head_;
};

// The file read front to back through a buffer, for decoders that pull their input in pieces.
class FileStream {
public:
    explicit FileStream(const InputFile& file) : file_(file) {}
    // Copies up to `count` bytes: the number copied (short only at the end of the file), or -1
    // on a read error.
    int64_t Read(void* out, int64_t count);
    // Moves `count` bytes on without reading them.
    void Skip(int64_t count);

private:
    static constexpr int64_t BufferBytes = 64 * 1024;
    const InputFile& file_;
    int64_t offset_ = 0;  // of the buffer's end in the file
    std::vector<uint8_t> buffer_;
    int64_t begin_ = 0;  // unread bytes: [begin_, buffer_.size())
};

// Little-endian fields, as every picture format here stores them.
inline uint32_t Le16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}
inline uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace picture
