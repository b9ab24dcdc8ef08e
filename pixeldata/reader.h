// Reading pixel-data include files: the one reader behind the build-time stream generator and the
// viewer's pictures given on its command line.
//
// The file is made of lines ending in LF or CR LF; blanks and TABs around a line are ignored. Each
// line is one of:
// - blank;
// - a label: any bytes but the blank (code 32), then ":"; an empty label is just ":". The
//   conversion writes the output name there with only the codes 32-47 replaced, so other marks
//   may appear: a label may span lines, each free of blanks, up to the one that ends in ":";
// - a label as yabasic writes it: "label" in any letter case, blanks, and a name without blanks;
// - a "REM" line (any case): a remark, the numbered dialect's line that names a picture;
// - a "Data" line: the word in any letter case, then a blank or TAB and values separated by
//   commas. Every Data line is one group of values, each value its text without the blanks around
//   it, converted as the embedded value stream converts it;
// - a line number (digits, then blanks) before a Data or REM line.
// Lines are at most MaxLineBytes long; a longer line is refused as soon as that many bytes of it
// are seen, so that a file with a huge line costs no more than a short one.
//
// A file holds one picture, or several (the tiles of a sprite sheet): a label or REM line after
// all the values of a picture begins the next; labels elsewhere give nothing. Each picture's first
// two values are its width and height, and the form of its pixels follows (picture_values.h); every
// form is handed on as the unpacked form's four values a pixel, so that every reader sees one form.
#pragma once

#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pixeldata/line_blocks.h"
#include "pixeldata/reader_lines.h"

// Reads `text`, which holds whole lines (only the file's last line may lack its line end), and
// hands the values of the wanted pictures to `sink` in order: sink.Values(values), with a span of
// one value or of the four of a pixel, and sink.EndGroup() after each Data line that gave any.
// False, with `error` filled, at the first line that is none of the known kinds.
template <class Sink>
bool ReadLines(IncludeFileReader& reader, std::string_view text, Sink& sink,
               IncludeFileError& error) {
    using namespace include_file_detail;
    const char* p = text.data();
    const char* const end = p + text.size();
    // The quick way looks for the end of a value without a bound: it takes only the lines that
    // end in a line feed.
    const char* const linesEnd = p + (text.rfind('\n') + 1);
    while (p != end) {
        ++reader.line;
        // The keyword and a blank make a Data line whatever follows, since labels hold no blanks:
        // every line but the first that the conversion writes takes this short way.
        if (reader.openLabelLine == 0 && linesEnd - p > 4 && p[4] == ' ' && IsDataKeyword(p)) {
            bool refused = false;
            DiscardSink discard;
            const char* after = BeginDataLine(reader)
                                    ? ReadValues(p, p + 4, linesEnd, reader, sink, refused)
                                    : ReadValues(p, p + 4, linesEnd, reader, discard, refused);
            if (refused) return Refuse(reader, LineAt(p, linesEnd), error, ExpectedColourCount);
            if (after == nullptr) return RefuseLongLine(reader, {p, MaxLineBytes}, error);
            p = after;
            continue;
        }
        const char* newline = FindLineEnd(p, p, end);
        const char* lineEnd = newline != nullptr ? newline : end;
        const std::string_view line(p, static_cast<size_t>(lineEnd - p));
        if (line.size() > MaxLineBytes) return RefuseLongLine(reader, line, error);
        p = newline != nullptr ? newline + 1 : end;

        const Line l =
            reader.openLabelLine == 0 ? ClassifyLine(line) : Line{ContinueLabel(line), nullptr, {}};
        switch (l.kind) {
            case LineKind::Data: {
                DiscardSink discard;
                const bool read = BeginDataLine(reader)
                                      ? ReadValuesToLineEnd(l.values, lineEnd, reader, sink)
                                      : ReadValuesToLineEnd(l.values, lineEnd, reader, discard);
                if (!read) return Refuse(reader, line, error, ExpectedColourCount);
                break;
            }
            case LineKind::Label:
                if (reader.openLabelLine == 0) NoteLabel(reader, l.name);
                reader.openLabelLine = 0;
                break;
            case LineKind::LabelPart:
                if (reader.openLabelLine == 0) {
                    reader.openLabelLine = reader.line;
                    reader.openLabel = line;
                    NoteLabel(reader, l.name);
                }
                break;
            case LineKind::Remark:
                NoteLabel(reader, l.name);
                break;
            case LineKind::Blank:
                break;
            case LineKind::Other:
                return Refuse(reader, line, error);
        }
    }
    return true;
}

// At the end of the file: false, with `error` filled, when a label is still open.
bool FinishLines(const IncludeFileReader& reader, IncludeFileError& error);

// The values of the wanted picture (the first when all are wanted) as read so far.
const PictureValues& ReportedValues(const IncludeFileReader& reader);

// Whether `head`, the start of a file, is that of an include file: it holds a Data line before
// any line of no known kind. The conversion writes one on its second line; other text and binary
// files fail on their first lines.
bool LooksLikeIncludeFile(std::string_view head);

// The value stream form of a file, as the stream generator writes it (value_stream.h): every
// picture's values, each in the unpacked form.
struct IncludeFileStream {
    std::string bytes;
    uint64_t groupCount = 0;
    uint64_t pictures = 0;
    PictureValues first;  // what the values of the first picture make of it
};

// Fills `stream` from the file's text; false, with `error` filled, at the first line that is
// none of the known kinds.
bool ReadIncludeFile(std::string_view text, IncludeFileStream& stream, IncludeFileError& error);

// ValueCountMismatch (picture_values.h) of the stream's first picture, whose first two values
// are its width and height.
std::string ValueCountMismatch(const IncludeFileStream& stream);

enum class DeclaredSize { Fits, NoPixels, TooManyPixels };

struct SizeCheck {
    DeclaredSize verdict = DeclaredSize::Fits;
    std::string problem;  // why no picture is shown, when it does not fit
};

// A width or height below 1 makes no picture; more than DefaultPixelLimit pixels are refused
// before anything is allocated for them. The message gives the values as the file writes them
// (`widthText`, `heightText`) where those are given and read as other numbers: 3037000500 is
// read as the 32-bit -1257966796.
SizeCheck CheckDeclaredSize(int32_t width, int32_t height, std::string_view widthText = {},
                            std::string_view heightText = {});

// Why a file read whole looks cut short: the conversion ends every line with CR LF, the last one
// too, so a file that is empty or stops inside a line most likely lost its end, though its values
// may still look complete.
std::optional<std::string> TruncationHint(uint64_t bytes, bool endsInLineEnd);

enum class IncludeFileStatus { Read, CannotRead, Malformed };

struct IncludeFileRead {
    IncludeFileStatus status = IncludeFileStatus::Read;
    std::string problem;       // CannotRead: the system's reason
    IncludeFileError error;    // Malformed: the line
    IncludeFileReader reader;  // how far the reading came, with its counts
    std::optional<std::string> truncation;
};

// Reads the file at `path` block by block into `sink`, as ReadLines does, until its end or until
// sink.Stopped() after a block; `wanted` chooses one picture, none all.
template <class Sink>
IncludeFileRead ReadIncludeFileAt(const std::string& path, Sink& sink,
                                  std::optional<uint64_t> wanted = std::nullopt) {
    IncludeFileRead read;
    read.reader.wanted = wanted;
    LineBlocks blocks(path);
    for (std::string_view block; !(block = blocks.Next()).empty() && !sink.Stopped();) {
        if (!ReadLines(read.reader, block, sink, read.error)) {
            read.status = IncludeFileStatus::Malformed;
            return read;
        }
    }
    if (blocks.Error() != 0) {
        read.status = IncludeFileStatus::CannotRead;
        read.problem = std::strerror(blocks.Error());
    } else if (!sink.Stopped() && !FinishLines(read.reader, read.error)) {
        read.status = IncludeFileStatus::Malformed;
    } else {
        read.truncation = TruncationHint(blocks.BytesRead(), blocks.EndsInLineEnd());
    }
    return read;
}

// Reads `text`, a whole file, into `sink` as ReadIncludeFileAt reads a file holding it.
template <class Sink>
IncludeFileRead ReadIncludeText(std::string_view text, Sink& sink,
                                std::optional<uint64_t> wanted = std::nullopt) {
    IncludeFileRead read;
    read.reader.wanted = wanted;
    if (!ReadLines(read.reader, text, sink, read.error) || !FinishLines(read.reader, read.error))
        read.status = IncludeFileStatus::Malformed;
    else
        read.truncation = TruncationHint(text.size(), !text.empty() && text.back() == '\n');
    return read;
}

// The file at `path` in value stream form, as the stream generator writes it.
IncludeFileRead ReadIncludeFileStream(const std::string& path, IncludeFileStream& stream);
