// From a file to its pixels: the probe, the checks that come before any allocation, the block of
// memory, the decode.
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "picture/formats.h"
#include "picture/input_file.h"
#include "picture/picture.h"

namespace picture {

namespace {

// Blocks from this size on are mapped straight from the system: their pages arrive zeroed when
// first touched, so nothing fills them twice, and they can be huge pages.
constexpr size_t MappedBytes = size_t{1} << 20;

// What an input that is open but is no regular file is, in the user's words.
std::string NotAFileProblem(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder, not a picture file";
    if (S_ISFIFO(mode)) return "a pipe, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
    return "not a regular file";
}

// A decode that needs more than the machine's memory (the picture and what its library keeps
// beside it) could only end in the process being killed.
bool FitsInMemory(const ProbeResult& probe) {
    const int64_t memory = int64_t{::sysconf(_SC_PHYS_PAGES)} * ::sysconf(_SC_PAGESIZE);
    return memory <= 0 || probe.decodeBytes <= memory;
}

LoadedPicture Failed(LoadFailure failure, std::string problem, std::string format = {}) {
    LoadedPicture loaded;
    loaded.failure = failure;
    loaded.problem = std::move(problem);
    loaded.format = std::move(format);
    return loaded;
}

// Why the probe rules the picture out before any is made, if it does.
std::optional<LoadedPicture> ProbeFailure(const ProbeResult& probe) {
    const LoadFailure kind = !probe.recognised ? LoadFailure::NotAPicture : LoadFailure::Damaged;
    if (!probe.problem.empty()) return Failed(kind, probe.problem, probe.format);
    if (probe.overPixelLimit)
        return Failed(LoadFailure::OverLimit, OverLimitText(probe.width, probe.height),
                      probe.format);
    const std::string size = SizeText(probe.width, probe.height);
    if (std::max(probe.width, probe.height) > INT32_MAX)
        return Failed(LoadFailure::TooLarge, "too large for a picture (" + size + ")",
                      probe.format);
    if (!FitsInMemory(probe))
        return Failed(LoadFailure::TooLarge, "too large for this machine's memory (" + size + ")",
                      probe.format);
    if (probe.width * probe.height > MaxPictureBytes / 4)
        return Failed(LoadFailure::TooLarge, "too large for a picture (" + size + ")",
                      probe.format);
    return std::nullopt;
}

// The largest reduction (1, 2, 4 or 8) the format can decode at that keeps each side at least
// the fraction the caller asked for.
int64_t ReductionFor(const Format& format, const ProbeResult& probe, const LoadOptions& options) {
    if (!options.smallestFraction || !format.decodeReduced) return 1;
    const double fraction = options.smallestFraction(probe.width, probe.height);
    for (const int64_t denominator : {8, 4, 2})
        if (1.0 / static_cast<double>(denominator) >= fraction) return denominator;
    return 1;
}

// Written to in place while it was read: its pixels may be half old, half new.
std::optional<LoadedPicture> ChangedFailure(const InputFile& file, const std::string& format) {
    if (!file.ChangedSinceOpened()) return std::nullopt;
    return Failed(LoadFailure::Changed, "changed while it was being read", format);
}

LoadedPicture DecodedInOwnMemory(const InputFile& file, const Format& format,
                                 LoadedPicture loaded) {
    const DecodeResult decoded = format.decodeOwnMemory(file, loaded.pixels);
    if (decoded.status != DecodeStatus::Decoded)
        return Failed(LoadFailure::Damaged, decoded.problem, loaded.format);
    if (loaded.pixels.Width() != loaded.fullWidth || loaded.pixels.Height() != loaded.fullHeight)
        return Failed(LoadFailure::Damaged, "decoded to another size than its header's",
                      loaded.format);
    if (std::optional<LoadedPicture> changed = ChangedFailure(file, loaded.format))
        return std::move(*changed);
    return loaded;
}

// A file open and probed, by `probe`, to its pixels.
LoadedPicture LoadProbedFile(const InputFile& file, const ProbeResult& probe,
                             const LoadOptions& options = {}) {
    if (std::optional<LoadedPicture> failure = ProbeFailure(probe)) return std::move(*failure);
    // A probe without a problem found the format; the file is the one probed.
    const Format& format = *FormatOfFile(file);
    LoadedPicture loaded;
    loaded.format = probe.format;
    loaded.fullWidth = probe.width;
    loaded.fullHeight = probe.height;
    const int64_t reduction = ReductionFor(format, probe, options);
    if (reduction == 1 && format.decodeOwnMemory)
        return DecodedInOwnMemory(file, format, std::move(loaded));
    loaded.pixels = Pixels::Allocate((probe.width + reduction - 1) / reduction,
                                     (probe.height + reduction - 1) / reduction);
    if (!loaded.pixels)
        return Failed(LoadFailure::TooLarge,
                      "too large for a picture (" + SizeText(probe.width, probe.height) + ")",
                      probe.format);
    if (!probe.coversWhole) loaded.pixels.Fill(UncoveredColour);
    const DecodeResult decoded = DecodeProbed(file, format, loaded.pixels.View(), reduction);
    if (decoded.status != DecodeStatus::Decoded)
        return Failed(LoadFailure::Damaged, decoded.problem, probe.format);
    if (std::optional<LoadedPicture> changed = ChangedFailure(file, probe.format))
        return std::move(*changed);
    return loaded;
}

}  // namespace

ProbeResult Probe(const std::string& path) {
    return OpenedPicture(path).Probe();
}

OpenedPicture::OpenedPicture(const std::string& path) : file_(path) {
    if (!file_.IsOpen())
        probe_.problem = std::string("cannot read: ") + std::strerror(file_.OpenError());
    else if (!file_.IsRegular())
        probe_.problem = NotAFileProblem(file_.Status().st_mode);
    else
        probe_ = picture::Probe(file_);
}

ProbeResult ProbeMemory(std::span<const uint8_t> bytes) {
    return Probe(InputFile(bytes));
}

LoadedPicture Load(const std::string& path, const LoadOptions& options) {
    return Load(OpenedPicture(path), options);
}

LoadedPicture Load(const OpenedPicture& picture, const LoadOptions& options) {
    const InputFile& file = picture.File();
    if (!file.IsOpen()) {
        LoadedPicture loaded = Failed(LoadFailure::CannotOpen, std::string("cannot read: ") +
                                                                   std::strerror(file.OpenError()));
        loaded.openError = file.OpenError();
        return loaded;
    }
    if (!file.IsRegular())
        return Failed(LoadFailure::NotAFile, NotAFileProblem(file.Status().st_mode));
    return LoadProbedFile(file, picture.Probe(), options);
}

LoadedPicture LoadMemory(std::span<const uint8_t> bytes) {
    const InputFile file(bytes);
    return LoadProbedFile(file, Probe(file));
}

void ReturnLargeBlocksWhenFreed() {
    // A fixed threshold also stops glibc from raising it after the first large block is freed.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

Pixels Pixels::Allocate(int64_t width, int64_t height) {
    Pixels p;
    if (width < 1 || height < 1 || height > INT64_MAX / 4 / width) return p;
    const auto bytes = static_cast<size_t>(width * height * 4);
    if (bytes >= MappedBytes) {
        void* memory =
            ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) return p;
        ::madvise(memory, bytes, MADV_HUGEPAGE);  // a hint; refused where there are none
        p.memory_ = memory;
        p.mapped_ = true;
    } else {
        p.memory_ = std::aligned_alloc(16, (bytes + 15) / 16 * 16);
        if (!p.memory_) return p;
    }
    p.bytes_ = bytes;
    p.width_ = width;
    p.height_ = height;
    return p;
}

Pixels Pixels::AllocateZeroed(int64_t width, int64_t height) {
    Pixels p = Allocate(width, height);
    if (p && !p.mapped_) std::memset(p.memory_, 0, p.bytes_);
    return p;
}

Pixels Pixels::Adopt(uint8_t* memory, int64_t width, int64_t height, void (*release)(void*),
                     void* owner) {
    Pixels p;
    p.memory_ = memory;
    p.bytes_ = static_cast<size_t>(width * height * 4);
    p.release_ = release;
    p.owner_ = owner;
    p.width_ = width;
    p.height_ = height;
    return p;
}

Pixels::~Pixels() {
    Release();
}

Pixels::Pixels(Pixels&& other) noexcept {
    Take(other);
}

Pixels& Pixels::operator=(Pixels&& other) noexcept {
    if (this != &other) {
        Release();
        Take(other);
    }
    return *this;
}

void Pixels::Take(Pixels& other) {
    memory_ = std::exchange(other.memory_, nullptr);
    bytes_ = std::exchange(other.bytes_, 0);
    mapped_ = std::exchange(other.mapped_, false);
    release_ = std::exchange(other.release_, nullptr);
    owner_ = std::exchange(other.owner_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
}

void Pixels::Release() {
    if (!memory_) return;
    if (release_) {
        release_(owner_);
    } else if (mapped_) {
        ::munmap(memory_, bytes_);
    } else {
        std::free(memory_);
    }
    memory_ = nullptr;
}

PixelView Pixels::View() const {
    return {static_cast<uint8_t*>(memory_), width_, height_, Pitch(), 4};
}

void Pixels::Fill(uint32_t colour) {
    const PixelView view = View();
    for (int64_t y = 0; y < height_; ++y) std::fill_n(view.Row(y), width_, colour);
}

}  // namespace picture
