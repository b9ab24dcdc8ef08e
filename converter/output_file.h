// An output file that appears whole or not at all. A new file, or one replacing an existing
// regular file, is written to a temporary file in the target's folder and renamed over the target
// by Commit, after every write and the close succeeded; until then the old file is untouched, and
// an uncommitted temporary file is removed. A symbolic link is followed, so the file it names is
// replaced and the link stays. A target that is not a regular file (a device, a pipe) is written
// in place: renaming over it would replace the device.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

class OutputFile {
public:
    // Opens for writing; IsOpen() tells whether that worked, Error() why not.
    explicit OutputFile(const std::string& name);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0 && error_ == 0; }
    // The errno of the first failure, 0 while there is none.
    int Error() const { return error_; }
    bool Write(std::string_view bytes);
    // Closes the file and puts it in place. False, with the old file untouched, on any failure.
    bool Commit();

private:
    bool Fail(int error);
    bool OpenInPlace();
    // `old` is the file being replaced, if any: its mode and owner carry over.
    bool OpenTemporary(const struct stat* old);

    int fd_ = -1;
    int error_ = 0;
    std::string target_;
    std::string temporary_;  // empty when writing in place
};
