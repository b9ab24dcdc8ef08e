// Picture files on their own: what a file is and how large, and its pixels decoded into plain
// memory. Nothing here knows a screen, a window or a lock; the screen's LoadBitmap, the conversion
// and the viewer all stand on it.
//
// Windows BMP, PNG, JPEG, GIF, WebP, TIFF, HEIC and AVIF files are read, each recognised by its
// first bytes, from a file or from bytes in memory. Every failure comes with a reason a person can
// read: the format found when it is one this library does not read, the damage and where, the size
// limit.
//
// Pixels are straight (not premultiplied) 0xAARRGGBB, values as stored, with no gamma or colour
// profile correction:
// - BMP: palette and 16- and 24-bit pixels are opaque; 32-bit pixels take their alpha mask, so a
//   plain file the fourth byte and a bit-field file with a short header (no alpha mask) alpha 0.
// - PNG: 16-bit channels give their high byte; greyscale of d = 1, 2 or 4 bits is scaled by
//   v x 255 / (2^d - 1) and is R = G = B. A grey or RGB sample equal (at full depth) to the
//   transparency chunk's gives alpha 0; palette entries take their alpha from the chunk (255 past
//   its end); interlaced files are decoded whole.
// - JPEG: as libjpeg-turbo decodes it by default (accurate integer transform, smooth upsampling),
//   alpha 255; CMYK and YCCK by the naive R = (255 - K) - C x (255 - K) / 255 (Pillow's), the
//   ink values inverted when Adobe's segment is there, as Adobe writes them.
// - WebP: libwebp's decode, straight alpha; an animation's first frame on its canvas.
// - TIFF: the first page as libtiff's RGBA reader gives it (16-bit samples (v + 128) / 257),
//   associated alpha made straight (c x 255 / a, 16-bit samples before they are reduced),
//   unassociated alpha as stored, CMYK with alpha keeping it.
// - HEIC, AVIF: libheif's decode of the primary image to RGB(A), transforms applied, samples of
//   more than 8 bits reduced to their high 8 bits.
// - The EXIF orientation of a JPEG, PNG, WebP or TIFF is applied (see SetApplyOrientation).
// - GIF: the first image of the file on its logical screen, its transparent index alpha 0 with
//   that entry's colour, others alpha 255.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "picture/input_file.h"

namespace picture {

// Rows of pixels in memory that someone else owns: 0xAARRGGBB at 4 bytes a pixel, 5-6-5 at 2,
// palette indices at 1 (which only palette BMPs can fill).
struct PixelView {
    uint8_t* pixels = nullptr;  // the top row
    int64_t width = 0;
    int64_t height = 0;
    int64_t pitch = 0;  // bytes from one row to the next
    int32_t bytesPerPixel = 4;

    uint32_t* Row(int64_t y) const { return reinterpret_cast<uint32_t*>(pixels + y * pitch); }
};

// Pictures of more pixels than this are refused before anything is allocated for them: about
// 2 GB of include file, and far beyond any screen.
inline constexpr int64_t DefaultPixelLimit = 100'000'000;
// As much as any picture may take, as much as a screen image may: its rows are addressed with
// 32-bit sizes by whoever draws it.
inline constexpr int64_t MaxPictureBytes = INT32_MAX - 64;
// The limit every reader enforces, for the whole process; DefaultPixelLimit until a program
// (bmp2bi --max-pixels) sets another. Values below 1 are taken as 1.
void SetPixelLimit(int64_t pixels);
int64_t PixelLimit();

// Whether a picture stored turned or mirrored (a camera's EXIF orientation tag in a JPEG, PNG,
// WebP or TIFF file, HEIF's own transforms) comes out as a photo viewer shows it: upright, the
// probe reporting its upright size. On by default, for the whole process; off (bmp2bi
// --keep-orientation) the pixels come as stored. An orientation tag that is damaged or out of
// range is ignored.
void SetApplyOrientation(bool apply);
bool ApplyOrientation();

// The fill of picture memory that no pixel of the file covers (a GIF's logical screen outside
// its first image, run-length BMP pixels passed over): the screen's mask colour.
inline constexpr uint32_t UncoveredColour = 0xFFFF00FF;

// What a file's header says, before any pixel is decoded.
struct ProbeResult {
    bool recognised = false;  // a format this library reads
    // "BMP", "PNG", "JPEG", "GIF", "WebP", "TIFF", "HEIC", "AVIF" or "HEIF"; for a file of
    // another kind, what it seems to be ("a PSD file"), empty when nothing is known of it.
    std::string format;
    // The picture a whole load gives, each side below 2^32: upright, when the orientation is
    // applied.
    int64_t width = 0;
    int64_t height = 0;
    // The header's own width and height fields (a BMP's height made positive for rows stored
    // top-down, but for -2^31, which has no positive form), swapped for a picture turned a quarter
    // upright; bytes missing from a file cut short count as 0.
    int32_t storedWidth = 0;
    int32_t storedHeight = 0;
    // Why no whole picture of that size can come from this file, seen from its header and its
    // length alone; empty when nothing speaks against it.
    std::string problem;
    bool overPixelLimit = false;
    // The memory a whole load holds at its peak, in bytes: the picture and what its decoding
    // library keeps beside it (WebP's second buffer, an animation's canvas, libheif's planes,
    // libtiff's strip). Saturated, never negative.
    int64_t decodeBytes = 0;
    // Every pixel of the picture comes from the file (false: some keep their previous value).
    bool coversWhole = true;
};

// The probe of a file by name, of one already open, or of bytes in memory. A file that cannot be
// opened, or is no regular file, is not recognised and its problem says why.
ProbeResult Probe(const std::string& path);
ProbeResult Probe(const InputFile& file);
ProbeResult ProbeMemory(std::span<const uint8_t> bytes);

// A picture in a block of memory of its own, 4 bytes a pixel, rows `pitch` bytes apart. Large
// blocks come straight from the system, untouched until decoded into (and on huge pages where
// the system offers them).
class Pixels {
public:
    Pixels() = default;
    // Uninitialised pixels (a fresh mapping reads as 0); empty when memory is short.
    static Pixels Allocate(int64_t width, int64_t height);
    // Every byte 0, filled only where the system does not hand out zeroed memory already.
    static Pixels AllocateZeroed(int64_t width, int64_t height);
    // Pixels in memory that a decoding library allocated, rows width x 4 bytes apart, given
    // back by `release(owner)`: taken over so that its copy is not held beside one of ours.
    static Pixels Adopt(uint8_t* memory, int64_t width, int64_t height, void (*release)(void*),
                        void* owner);
    ~Pixels();
    Pixels(Pixels&& other) noexcept;
    Pixels& operator=(Pixels&& other) noexcept;
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    explicit operator bool() const { return memory_ != nullptr; }
    int64_t Width() const { return width_; }
    int64_t Height() const { return height_; }
    int64_t Pitch() const { return width_ * 4; }
    PixelView View() const;
    uint32_t* Row(int64_t y) const { return View().Row(y); }
    void Fill(uint32_t colour);

private:
    void Release();
    void Take(Pixels& other);
    void* memory_ = nullptr;
    size_t bytes_ = 0;
    bool mapped_ = false;
    void (*release_)(void*) = nullptr;  // set for adopted memory
    void* owner_ = nullptr;
    int64_t width_ = 0;
    int64_t height_ = 0;
};

enum class LoadFailure {
    None,
    CannotOpen,   // missing or unreadable: `openError` tells
    NotAFile,     // a folder, a pipe, a device
    NotAPicture,  // empty, or of a format this library does not read
    OverLimit,    // more pixels than PixelLimit()
    TooLarge,     // more than this machine's memory, or than any picture can have
    Damaged,      // cut short or damaged, or a variant that is not read
    Changed,      // written to in place while it was read
};

struct LoadedPicture {
    Pixels pixels;          // empty unless the whole picture was decoded
    int64_t fullWidth = 0;  // the picture's own size, which a reduced load does not have
    int64_t fullHeight = 0;
    LoadFailure failure = LoadFailure::None;
    int openError = 0;
    std::string format;   // as the probe found it
    std::string problem;  // why not, in a few words for a person
};

// The one way from a file to its pixels: one open file from the probe to the last pixel (so the
// size and the pixels come from the same file, whatever happens to its name meanwhile), the
// header's verdict and the pixel limit before any allocation, and the picture whole or not at all.
// A load may give the picture smaller than it is where its format decodes so for little work
// (JPEG at 1/2, 1/4 or 1/8 of each side, rounded up): `smallestFraction`, given the upright
// picture's size, says how small each side may come (1 or no function: the whole picture).
struct LoadOptions {
    std::function<double(int64_t width, int64_t height)> smallestFraction;
};
LoadedPicture Load(const std::string& path, const LoadOptions& options = {});
LoadedPicture LoadMemory(std::span<const uint8_t> bytes);

// A picture file opened and probed, for a caller that plans with the probe before it loads
// (bmp2bi sets the picture's memory aside): the load goes on from that probe, without opening the
// file or reading its header again, so the size planned for is the size loaded.
class OpenedPicture {
public:
    explicit OpenedPicture(const std::string& path);
    // As Probe(path) gives it.
    const ProbeResult& Probe() const { return probe_; }
    const InputFile& File() const { return file_; }

private:
    InputFile file_;
    ProbeResult probe_;
};
LoadedPicture Load(const OpenedPicture& picture, const LoadOptions& options = {});

// For a program's start: every block of a megabyte or more that the decoding libraries allocate
// becomes a mapping of its own, given back to the system when freed. Otherwise the heap keeps
// freed decoder frames, and they add to the peak of the pixels allocated after them.
void ReturnLargeBlocksWhenFreed();

// 0x00BBGGRR entries (red in the low byte), as a palette BMP stores them.
using Palette = std::array<uint32_t, 256>;

enum class DecodeStatus { Decoded, CannotOpen, Refused, UnusableDestination };

struct DecodeResult {
    DecodeStatus status = DecodeStatus::Decoded;
    std::string problem;
    bool wrote = false;  // some pixels of the destination were written
    // A palette picture's colours: its first `paletteEntries` entries.
    int32_t paletteEntries = 0;
    Palette palette{};
};

// Decodes the picture into `dest`, whatever its size: pixels [0, min(widths)) of rows
// [0, min(heights)) are written, the others keep their values; rows decoded before damage stay.
// Pictures over the pixel limit are refused before any of it is read.
DecodeResult Decode(const InputFile& file, const PixelView& dest);

}  // namespace picture
