// A text file read in blocks of whole lines through one buffer of a fixed size, so that a file of
// gigabytes costs no more memory than a short one and stays in the processor's cache while it is
// parsed. A line longer than the buffer (256 KiB) is not read whole: its start comes as a block
// without a line end, which the include-file reader refuses as too long.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class LineBlocks {
public:
    explicit LineBlocks(const std::string& path);

    // The next block: whole lines, of which only the file's last one may lack its line end (or one
    // too long for the buffer, cut). Empty at the end of the file, and after a failure (see
    // Error). Valid until the next call.
    std::string_view Next();

    // The errno of a failed open or read; 0 when there was none.
    int Error() const { return error_; }
    uint64_t BytesRead() const { return bytesRead_; }
    // Whether the last byte read was a line feed.
    bool EndsInLineEnd() const { return lastByte_ == '\n'; }

private:
    bool Fill();

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::vector<char> buffer_;
    size_t begin_ = 0;  // the first byte not handed out yet
    size_t end_ = 0;    // the end of the bytes read into the buffer
    bool atEnd_ = false;
    int error_ = 0;
    uint64_t bytesRead_ = 0;
    char lastByte_ = 0;
};
