#include "viewer/picture_file.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "pixeldata/reader.h"
#include "pixeldata/value_stream.h"
#include "viewer/folder.h"

namespace {

// An include file is recognised by its first bytes (see LooksLikeIncludeFile). The conversion
// writes its first Data line right after the label, so this much leaves room for any label.
constexpr size_t HeadBytes = size_t{1} << 16;

PictureFile Refused(PictureFileStatus status, std::string problem) {
    PictureFile file;
    file.status = status;
    file.problem = std::move(problem);
    return file;
}

// Builds the picture from the values as BuildImage does from the embedded stream: width and
// height, then A, R, G, B of every pixel, row by row. Missing values leave their pixels 0; values
// after the picture are counted by the reader and otherwise left alone.
class PictureSink {
public:
    // Four values that start a pixel of the row are the pixel, put in at once: the conversion
    // writes a pixel a line. Other values go in one by one.
    void Values(std::span<const IncludeValue> values) {
        if (values.size() == 4 && index_ % 4 == 0 && index_ < rowBytes_) {
            const uint32_t pixel = (values[0].number & 0xFF) << 24 |
                                   (values[1].number & 0xFF) << 16 |
                                   (values[2].number & 0xFF) << 8 | (values[3].number & 0xFF);
            std::memcpy(row_ + index_, &pixel, sizeof pixel);
            index_ += 4;
            return;
        }
        for (const IncludeValue& value : values) {
            if (!pixels_ && sizeValues_ < 2) sizeTexts_[sizeValues_] = value.Text();
            Value(value.number);
        }
    }
    void EndGroup() {}
    bool Stopped() const { return size_.verdict != DeclaredSize::Fits; }

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // The verdict on the size; a file ending before its size reads the missing values as 0.
    SizeCheck TakeSize() {
        return sizeValues_ < 2 ? CheckDeclaredSize(width_, height_, sizeTexts_[0], sizeTexts_[1])
                               : std::move(size_);
    }
    picture::Pixels TakePixels() { return std::move(pixels_); }

private:
    // A value is one byte of a row: a pixel 0xAARRGGBB lies in memory as B, G, R, A, so its
    // values, which come as A, R, G, B, go to the bytes 3, 2, 1, 0 of it: index ^ 3.
    void Value(uint32_t value) {
        if (index_ == rowBytes_) return NextRow(value);
        row_[index_ ^ 3] = static_cast<uint8_t>(value);
        ++index_;
    }

    // At the end of a row, or before the picture has one: the size, the next row, or a value
    // after the picture.
    void NextRow(uint32_t value) {
        if (!pixels_) {
            if (sizeValues_ < 2) Size(value);
            return;
        }
        index_ = 0;
        if (rowsAfter_ == 0) {
            rowBytes_ = 0;  // after the picture
            return;
        }
        --rowsAfter_;
        row_ += pitch_;
        Value(value);
    }

    void Size(uint32_t value) {
        if (sizeValues_ == 0) width_ = static_cast<int32_t>(value);
        if (sizeValues_ == 1) height_ = static_cast<int32_t>(value);
        if (++sizeValues_ != 2) return;
        size_ = CheckDeclaredSize(width_, height_, sizeTexts_[0], sizeTexts_[1]);
        if (size_.verdict != DeclaredSize::Fits) return;
        // Filled with 0, the colour of the pixels whose values are missing.
        pixels_ = picture::Pixels::AllocateZeroed(width_, height_);
        if (!pixels_) {
            size_ = {DeclaredSize::TooManyPixels, "width " + std::to_string(width_) +
                                                      " and height " + std::to_string(height_) +
                                                      " do not fit into memory"};
            return;
        }
        pitch_ = pixels_.Pitch();
        row_ = reinterpret_cast<uint8_t*>(pixels_.Row(0));
        rowBytes_ = static_cast<size_t>(width_) * 4;
        rowsAfter_ = height_ - 1;
    }

    uint64_t sizeValues_ = 0;
    std::string sizeTexts_[2];  // as the file writes them
    int32_t width_ = 0;
    int32_t height_ = 0;
    SizeCheck size_;
    picture::Pixels pixels_;
    int64_t pitch_ = 0;
    uint8_t* row_ = nullptr;  // the row being filled
    size_t index_ = 0;        // its next byte
    size_t rowBytes_ = 0;     // its length; 0 before and after the picture
    int32_t rowsAfter_ = 0;   // rows after this one
};

PictureFile IncludePicture(const IncludeFileRead& read, PictureSink& sink) {
    switch (read.status) {
        case IncludeFileStatus::CannotRead:
            return Refused(PictureFileStatus::Unreadable, "cannot be read: " + read.problem);
        case IncludeFileStatus::Malformed:
            return Refused(PictureFileStatus::Malformed,
                           "malformed line " + std::to_string(read.error.line) + ": " +
                               std::string(read.error.expected) + ", found \"" + read.error.found +
                               "\"");
        case IncludeFileStatus::Read:
            break;
    }
    SizeCheck size = sink.TakeSize();
    if (size.verdict != DeclaredSize::Fits) {
        const bool none = size.verdict == DeclaredSize::NoPixels;
        return Refused(none ? PictureFileStatus::NoPicture : PictureFileStatus::TooLarge,
                       std::move(size.problem));
    }
    PictureFile file;
    if (read.truncation) file.warnings.push_back(*read.truncation);
    std::string mismatch =
        ValueCountMismatch(read.reader.valueCount, sink.Width(), sink.Height(), read.reader.packed);
    if (!mismatch.empty()) file.warnings.push_back(std::move(mismatch));
    file.pixels = sink.TakePixels();
    file.fullWidth = file.pixels.Width();
    file.fullHeight = file.pixels.Height();
    return file;
}

PictureFileStatus StatusOf(const picture::LoadedPicture& loaded) {
    using enum picture::LoadFailure;
    switch (loaded.failure) {
        case None:
            return PictureFileStatus::Ok;
        case CannotOpen:
            return loaded.openError == ENOENT ? PictureFileStatus::Missing
                                              : PictureFileStatus::Unreadable;
        case NotAFile:
        case NotAPicture:
            return PictureFileStatus::NotAPicture;
        case OverLimit:
        case TooLarge:
            return PictureFileStatus::TooLarge;
        case Damaged:
        case Changed:
            break;
    }
    return PictureFileStatus::Undecodable;
}

std::string ProblemText(PictureFileStatus status, const picture::LoadedPicture& loaded) {
    switch (status) {
        case PictureFileStatus::NotAPicture:
            return loaded.format.empty() ? "not an include file or a picture"
                                         : "not an include file or a picture: " + loaded.problem;
        case PictureFileStatus::Undecodable:
            return "cannot be decoded: " + loaded.problem;
        default:
            return loaded.problem;
    }
}

// A picture file of the picture library.
PictureFile DecodedPicture(const std::string& path, const picture::LoadOptions& options) {
    picture::LoadedPicture loaded = picture::Load(path, options);
    const PictureFileStatus status = StatusOf(loaded);
    if (status != PictureFileStatus::Ok) return Refused(status, ProblemText(status, loaded));
    PictureFile file;
    file.pixels = std::move(loaded.pixels);
    file.fullWidth = loaded.fullWidth;
    file.fullHeight = loaded.fullHeight;
    return file;
}

// A folder comes here only when it held nothing to show, or could not be read.
PictureFile FolderRefused(const std::string& path) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
    if (!dir)
        return Refused(PictureFileStatus::Unreadable,
                       std::string("is a folder that cannot be read: ") + std::strerror(errno));
    if (FilesToShow({path}) != std::vector<std::string>{path})
        return Refused(PictureFileStatus::NotAPicture, "is a folder, not a picture");
    return Refused(PictureFileStatus::NotAPicture, "is a folder without pictures or include files");
}

}  // namespace

PictureFile ReadPictureFile(const std::string& path, const picture::LoadOptions& options) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return Refused(PictureFileStatus::Missing, "no such file");
        return Refused(PictureFileStatus::Unreadable,
                       std::string("cannot be read: ") + std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) return FolderRefused(path);
    // Opening a pipe would wait for a writer, perhaps for ever.
    if (!S_ISREG(info.st_mode))
        return Refused(PictureFileStatus::NotAPicture,
                       "is not a regular file (a pipe or a device)");

    std::string head(HeadBytes, '\0');
    {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                                   &std::fclose);
        if (!file)
            return Refused(PictureFileStatus::Unreadable,
                           std::string("cannot be read: ") + std::strerror(errno));
        head.resize(std::fread(head.data(), 1, head.size(), file.get()));
        if (std::ferror(file.get()))
            return Refused(PictureFileStatus::Unreadable,
                           std::string("cannot be read: ") + std::strerror(errno));
    }
    if (head.empty()) return Refused(PictureFileStatus::NotAPicture, "the file is empty");
    if (!LooksLikeIncludeFile(head)) return DecodedPicture(path, options);
    PictureSink sink;
    const IncludeFileRead read = ReadIncludeFileAt(path, sink);
    return IncludePicture(read, sink);
}

PictureFile ReadIncludePicture(std::string_view text) {
    PictureSink sink;
    const IncludeFileRead read = ReadIncludeText(text, sink);
    return IncludePicture(read, sink);
}
