#include "picture/input_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace picture {

InputFile::InputFile(const std::string& name) {
    if (name.find('\0') != std::string::npos) {
        openError_ = ENOENT;  // no file can have such a name
        return;
    }
    // Non-blocking, so that naming a pipe cannot hang the caller; regular files ignore it.
    fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        openError_ = errno;
        return;
    }
    if (::fstat(fd_, &status_) == 0 && S_ISREG(status_.st_mode)) {
        regular_ = true;
        size_ = status_.st_size;
        std::vector<uint8_t> head(KeptHeadBytes);
        const int64_t read = ReadAt(0, head.data(), KeptHeadBytes);
        head.resize(static_cast<size_t>(std::max<int64_t>(read, 0)));
        head_ = std::move(head);
    }
}

InputFile::InputFile(std::span<const uint8_t> bytes)
    : memory_(bytes), inMemory_(true), regular_(true), size_(static_cast<int64_t>(bytes.size())) {
    status_.st_mode = S_IFREG;
    status_.st_size = size_;
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::span<const uint8_t> InputFile::Head() const {
    if (inMemory_) return memory_.first(static_cast<size_t>(std::min(size_, KeptHeadBytes)));
    return head_;
}

bool InputFile::ChangedSinceOpened() const {
    if (inMemory_) return false;
    struct stat now {};
    if (fd_ < 0 || ::fstat(fd_, &now) != 0) return true;
    return now.st_size != status_.st_size || now.st_mtim.tv_sec != status_.st_mtim.tv_sec ||
           now.st_mtim.tv_nsec != status_.st_mtim.tv_nsec;
}

int64_t InputFile::ReadAt(int64_t offset, void* buffer, int64_t count) const {
    auto* out = static_cast<uint8_t*>(buffer);
    if (inMemory_) {
        if (offset < 0 || count < 0) return -1;
        const int64_t n = std::clamp<int64_t>(size_ - offset, 0, count);
        if (n > 0) std::memcpy(out, memory_.data() + offset, static_cast<size_t>(n));
        return n;
    }
    // Headers are read again and again, by the probe and by the decoder: from the kept head.
    int64_t done = 0;
    const auto kept = static_cast<int64_t>(head_.size());
    if (offset >= 0 && offset < kept && count > 0) {
        done = std::min(count, kept - offset);
        std::memcpy(out, head_.data() + offset, static_cast<size_t>(done));
    }
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, static_cast<size_t>(count - done),
                                  static_cast<off_t>(offset + done));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += n;
    }
    return done;
}

void FileStream::Skip(int64_t count) {
    const auto buffered = static_cast<int64_t>(buffer_.size()) - begin_;
    if (count <= buffered) {
        begin_ += count;
        return;
    }
    offset_ += count - buffered;
    buffer_.clear();
    begin_ = 0;
}

int64_t FileStream::Read(void* out, int64_t count) {
    auto* to = static_cast<uint8_t*>(out);
    int64_t done = 0;
    while (done < count) {
        const auto buffered = static_cast<int64_t>(buffer_.size()) - begin_;
        if (buffered > 0) {
            const int64_t n = std::min(buffered, count - done);
            std::memcpy(to + done, buffer_.data() + begin_, static_cast<size_t>(n));
            begin_ += n;
            done += n;
            continue;
        }
        // Large reads go straight to the caller.
        const int64_t wanted = count - done;
        if (wanted >= BufferBytes) {
            const int64_t n = file_.ReadAt(offset_, to + done, wanted);
            if (n < 0) return -1;
            offset_ += n;
            return done + n;
        }
        // Inside the file's kept head a refill takes the rest of the head, which needs no read.
        const auto head = static_cast<int64_t>(file_.Head().size());
        const int64_t fill = offset_ < head ? head - offset_ : BufferBytes;
        buffer_.resize(static_cast<size_t>(fill));
        const int64_t n = file_.ReadAt(offset_, buffer_.data(), fill);
        if (n < 0) return -1;
        buffer_.resize(static_cast<size_t>(n));
        begin_ = 0;
        offset_ += n;
        if (n == 0) break;
    }
    return done;
}

}  // namespace picture
