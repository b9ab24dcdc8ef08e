#include "pixeldata/writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "pixeldata/pixel_text.h"

namespace {

using namespace pixel_text;

// A picture's pixels in reading order.
class PixelCursor {
public:
    explicit PixelCursor(const picture::PixelView& view) : view_(view), row_(view.Row(0)) {}
    uint32_t Next() {
        const uint32_t c = row_[x_];
        if (++x_ == view_.width) {
            x_ = 0;
            if (++y_ < view_.height) row_ = view_.Row(y_);
        }
        return c;
    }

private:
    const picture::PixelView& view_;
    const uint32_t* row_;
    int64_t x_ = 0;
    int64_t y_ = 0;
};

// The palette's colours or indices in order.
template <class T>
class ListCursor {
public:
    explicit ListCursor(std::span<const T> items) : items_(items) {}
    uint32_t Next() { return items_[next_++]; }

private:
    std::span<const T> items_;
    size_t next_ = 0;
};

int64_t PixelCount(const IncludeSection& section) {
    return section.pixels.width * section.pixels.height;
}

int64_t LinesFor(int64_t items, int64_t perLine) {
    return (items + perLine - 1) / perLine;
}

int64_t ItemsPerLine(const IncludeFormat& format) {
    return std::min(PerLine(format), MostPerLine(format));
}

// Writes the sections of one file, line by line, into the blocks of `out`.
class SectionWriter {
public:
    SectionWriter(BlockOutput& out, const IncludeFormat& format, const ProgressReport& progress,
                  int64_t total)
        : out_(out),
          format_(format),
          progress_(progress),
          total_(total),
          lineNumber_(format.firstLine) {}

    bool Write(const IncludeSection& s) {
        if (!Head(s)) return false;
        return format_.palette ? PaletteLines(s) : PixelLines(s.pixels);
    }

private:
    bool Numbered() const { return format_.dialect == Dialect::Numbered; }

    // A whole line of text: numbered if the dialect numbers its lines.
    bool TextLine(std::string_view text) {
        if (!Numbered()) return out_.Put(std::string(text) + "\r\n");
        const std::string number = std::to_string(lineNumber_);
        lineNumber_ += format_.lineStep;
        return out_.Put(number + " " + std::string(text) + "\r\n");
    }

    // The numbered dialect's REM line. The file's first is numbered just before the first line
    // number, so that "RESTORE first" finds the first Data line (a BASIC may refuse to restore
    // to a REM line).
    bool RemarkLine(std::string_view text) {
        if (lineNumber_ != format_.firstLine) return TextLine(text);
        return out_.Put(std::to_string(lineNumber_ - 1) + " " + std::string(text) + "\r\n");
    }

    // The numbered dialect's REM line, its name shortened where the line would grow too long.
    std::string Remark(std::string_view label, const std::string& size) const {
        const size_t fixed = std::to_string(lineNumber_).size() + 6 + size.size();
        const size_t room = LongestBasicLine > fixed ? LongestBasicLine - fixed : 0;
        return "REM " + std::string(label.substr(0, room)) + " " + size;
    }

    bool Head(const IncludeSection& s) {
        const std::string width = std::to_string(s.pixels.width);
        const std::string height = std::to_string(s.pixels.height);
        switch (format_.dialect) {
            case Dialect::Default:
                return out_.Put(s.label + ":\r\nData " + width + "\r\nData " + height + "\r\n");
            case Dialect::Yabasic:
                return out_.Put("label " + DialectLabel(Dialect::Yabasic, s.label) + "\r\nData " +
                                width + "\r\nData " + height + "\r\n");
            case Dialect::Numbered:
                return RemarkLine(Remark(s.label, width + " x " + height)) &&
                       TextLine("DATA " + width + "," + height);
        }
        return false;
    }

    // "Data ", or the line's number and " DATA ".
    char* DataStart(char* out) {
        if (!Numbered()) {
            std::memcpy(out, "Data ", 5);
            return out + 5;
        }
        out = std::to_chars(out, out + 20, lineNumber_).ptr;
        lineNumber_ += format_.lineStep;
        std::memcpy(out, " DATA ", 6);
        return out + 6;
    }

    // Takes the text up to `end`, `pixels` more of them written; reports after every block.
    bool Advance(char* end, int64_t pixels) {
        const uint64_t flushes = out_.Flushes();
        if (!out_.Advance(end)) return false;
        done_ += pixels;
        if (progress_ && out_.Flushes() != flushes) progress_(done_, total_);
        return true;
    }

    // `count` items from `cursor`, `perLine` a line, each written by `put(out, item)`.
    template <class Cursor, class PutItem>
    bool Lines(int64_t count, int64_t perLine, Cursor cursor, PutItem put, bool pixels) {
        const std::string_view separator = Numbered() ? "," : ", ";
        for (int64_t done = 0; done < count;) {
            const int64_t items = std::min(perLine, count - done);
            char* out = DataStart(out_.Cursor());
            for (int64_t k = 0; k < items; ++k) {
                if (k > 0) {
                    std::memcpy(out, separator.data(), separator.size());
                    out += separator.size();
                }
                out = put(out, cursor.Next());
            }
            std::memcpy(out, "\r\n", 2);
            done += items;
            if (!Advance(out + 2, pixels ? items : 0)) return false;
        }
        return true;
    }

    // One pixel a line, as the conversion has always written it: whole lines from the tables,
    // the block's limit looked at once a line and the blocks taken only when full, since this
    // is the way of most pixels.
    template <class PutLine>
    bool OnePerLine(const picture::PixelView& view, PutLine putLine) {
        int64_t counted = 0;  // pixels of the view that Advance has taken
        const auto take = [&](char* end, int64_t written) {
            const int64_t pixels = written - counted;
            counted = written;
            return Advance(end, pixels);
        };
        for (int64_t y = 0; y < view.height; ++y) {
            const uint32_t* row = view.Row(y);
            char* out = out_.Cursor();
            for (int64_t x = 0; x < view.width; ++x) {
                out = putLine(out, row[x]);
                if (out < out_.Limit()) continue;
                if (!take(out, y * view.width + x + 1)) return false;
                out = out_.Cursor();
            }
            if (!take(out, (y + 1) * view.width)) return false;
        }
        return true;
    }

    // Pixels or the palette's colours as the form writes them.
    template <class Cursor>
    bool Colours(int64_t count, int64_t perLine, Cursor cursor, bool pixels) {
        if (format_.form == PixelForm::Packed && !format_.palette)
            return Lines(count, perLine, cursor, PutPackedValue, pixels);
        const PixelPieces& pieces = Numbered() ? CompactPieces() : SpacedPieces();
        return Lines(
            count, perLine, cursor,
            [&pieces](char* out, uint32_t c) { return PutPixel(out, c, pieces); }, pixels);
    }

    static char* PutPackedValue(char* out, uint32_t c) { return PutPacked(out, c, HexDigits()); }

    bool PixelLines(const picture::PixelView& view) {
        if (view.width < 1 || view.height < 1) return true;
        if (Numbered() || ItemsPerLine(format_) > 1)
            return Colours(view.width * view.height, ItemsPerLine(format_), PixelCursor(view),
                           true);
        if (format_.form == PixelForm::Packed) {
            return OnePerLine(view, [&hex = HexDigits()](char* out, uint32_t c) {
                std::memcpy(out, "Data ", 5);
                out = PutPacked(out + 5, c, hex);
                std::memcpy(out, "\r\n", 2);
                return out + 2;
            });
        }
        return OnePerLine(view, [&pieces = LinePieces()](char* out, uint32_t c) {
            return PutPixel(out, c, pieces);
        });
    }

    bool PaletteLines(const IncludeSection& s) {
        const auto count = static_cast<int64_t>(s.colours.size());
        const std::string countText = "-" + std::to_string(count);
        if (!TextLine(Numbered() ? "DATA " + countText : "Data " + countText)) return false;
        if (!Colours(count, ColoursPerLine(format_), ListCursor<uint32_t>(s.colours), false))
            return false;
        const auto indices = std::min<int64_t>(PixelCount(s), std::ssize(s.indices));
        return Lines(
            indices, ItemsPerLine(format_), ListCursor<uint8_t>(s.indices),
            [&numbers = Numbers()](char* out, uint32_t i) { return Put(out, numbers[i]); }, true);
    }

    BlockOutput& out_;
    const IncludeFormat& format_;
    const ProgressReport& progress_;
    int64_t total_;
    int64_t done_ = 0;
    int64_t lineNumber_;
};

}  // namespace

bool WriteIncludeFile(std::span<const IncludeSection> sections, const ByteSink& sink,
                      const ProgressReport& progress, const IncludeFormat& format) {
    int64_t total = 0;
    for (const IncludeSection& s : sections) total += PixelCount(s);
    BlockOutput out(sink);
    SectionWriter writer(out, format, progress, total);
    for (const IncludeSection& s : sections)
        if (!writer.Write(s)) return false;
    if (!out.Finish()) return false;
    if (progress) progress(total, total);
    return true;
}

bool WriteIncludeFile(std::string_view label, const picture::PixelView& picture,
                      const ByteSink& sink, const ProgressReport& progress,
                      const IncludeFormat& format) {
    const IncludeSection section{std::string(label), picture, {}, {}};
    return WriteIncludeFile({&section, 1}, sink, progress, format);
}

int64_t IncludeFileBytes(std::span<const IncludeSection> sections, const IncludeFormat& format) {
    int64_t bytes = 0;
    WriteIncludeFile(
        sections,
        [&bytes](std::string_view block) {
            bytes += static_cast<int64_t>(block.size());
            return true;
        },
        {}, format);
    return bytes;
}

int64_t IncludeFileBytes(std::string_view label, const picture::PixelView& picture,
                         const IncludeFormat& format) {
    const IncludeSection section{std::string(label), picture, {}, {}};
    return IncludeFileBytes({&section, 1}, format);
}

int64_t IncludeFileLines(std::span<const IncludeSection> sections, const IncludeFormat& format) {
    // The first REM line is numbered before the first line number.
    int64_t lines = format.dialect == Dialect::Numbered && !sections.empty() ? -1 : 0;
    for (const IncludeSection& s : sections) {
        lines += format.dialect == Dialect::Numbered ? 2 : 3;
        if (format.palette) {
            lines += 1 + LinesFor(std::ssize(s.colours), ColoursPerLine(format));
            lines += LinesFor(std::min<int64_t>(PixelCount(s), std::ssize(s.indices)),
                              ItemsPerLine(format));
        } else {
            lines += LinesFor(PixelCount(s), ItemsPerLine(format));
        }
    }
    return lines;
}

std::string NumberingProblem(std::span<const IncludeSection> sections,
                             const IncludeFormat& format) {
    if (format.dialect != Dialect::Numbered) return {};
    const int64_t lines = IncludeFileLines(sections, format);
    const int64_t last = format.firstLine + (lines - 1) * int64_t{format.lineStep};
    if (last <= HighestLineNumber) return {};
    return "a numbered listing of it takes " + std::to_string(lines) + " lines; from line " +
           std::to_string(format.firstLine) + " in steps of " + std::to_string(format.lineStep) +
           " the last would be " + std::to_string(last) + ", above " +
           std::to_string(HighestLineNumber);
}
