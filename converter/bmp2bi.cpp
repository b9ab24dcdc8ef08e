// bmp2bi: the converter's conversion for many picture files at once, from the command line.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "converter/conversion.h"
#include "converter/output_file.h"
#include "picture/picture.h"

namespace {

constexpr const char* UsageText =
    "Usage: bmp2bi [options] PICTURE...\n"
    "Converts pictures into pixel-data include files. It reads Windows BMP files, PNG, JPEG\n"
    "(baseline and progressive, CMYK too), GIF and WebP (the first image of an animation),\n"
    "TIFF (the first page), HEIC and AVIF. Photos come upright, as their orientation tag says.\n"
    "\n"
    "  -o OUT              write the include file to OUT (one input file only)\n"
    "  --output-dir DIR    write the include files into DIR instead of beside their inputs\n"
    "  -f, --force         replace include files that already exist\n"
    "  -q, --quiet         report nothing but failures\n"
    "  --max-pixels N      refuse pictures of more than N pixels (default %lld)\n"
    "  --keep-orientation  write the pixels as stored, not turned by the orientation tag\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Without -o each output is named as the converter names it: \"Res\", the input's file\n"
    "name less its extension, \".bi\" (flower.bmp gives Resflower.bi, photo.jpeg\n"
    "Resphoto.bi).\n"
    "\n"
    "Exit status: 0 when every file was converted, 1 when some failed (each failure is one\n"
    "line on standard error), 2 for a usage error.\n";

struct Options {
    std::vector<std::string> inputs;
    std::optional<std::string> output;
    std::optional<std::string> outputDir;
    std::optional<int64_t> maxPixels;
    bool force = false;
    bool keepOrientation = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

struct UsageError {
    std::string message;
};

// A --max-pixels value: a whole number above 0, digits only.
int64_t PixelCount(const std::string& text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        throw UsageError{"--max-pixels needs a whole number above 0, not '" + text + "'"};
    return value;
}

// The value of an option given as "--name VALUE", "--name=VALUE" or, for "-o", "-oVALUE".
std::string OptionValue(const std::vector<std::string>& args, size_t& i, size_t nameLength) {
    const std::string& arg = args[i];
    if (arg.size() > nameLength)
        return arg.substr(arg[nameLength] == '=' ? nameLength + 1 : nameLength);
    if (i + 1 >= args.size()) throw UsageError{"option " + arg + " needs a value"};
    return args[++i];
}

Options ParseArguments(const std::vector<std::string>& args) {
    Options o;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            o.inputs.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg.rfind("-o", 0) == 0 && arg.rfind("--", 0) != 0) {
            o.output = OptionValue(args, i, 2);
        } else if (arg == "--output-dir" || arg.rfind("--output-dir=", 0) == 0) {
            o.outputDir = OptionValue(args, i, 12);
        } else if (arg == "--max-pixels" || arg.rfind("--max-pixels=", 0) == 0) {
            o.maxPixels = PixelCount(OptionValue(args, i, 12));
        } else if (arg == "--keep-orientation") {
            o.keepOrientation = true;
        } else if (arg == "-f" || arg == "--force") {
            o.force = true;
        } else if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else {
            throw UsageError{"unknown option " + arg};
        }
    }
    if (o.help || o.version) return o;
    if (o.inputs.empty()) throw UsageError{"no input files"};
    if (o.output && o.output->empty()) throw UsageError{"-o needs a file name, not ''"};
    if (o.outputDir && o.outputDir->empty())
        throw UsageError{"--output-dir needs a folder, not ''"};
    if (o.output && o.outputDir) throw UsageError{"-o and --output-dir exclude each other"};
    if (o.output && o.inputs.size() > 1) throw UsageError{"-o takes exactly one input file"};
    return o;
}

struct Target {
    std::string path;
    std::string label;
};

std::string OutputPath(const Options& o, const std::string& input) {
    if (o.output) return *o.output;
    const std::string name = DeriveOutputName(input);
    const size_t slash = input.rfind('/');
    const std::string folder =
        o.outputDir ? *o.outputDir : (slash == std::string::npos ? "" : input.substr(0, slash + 1));
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The label names the data, not where it was put: it comes from the file's own name.
Target TargetFor(const Options& o, const std::string& input) {
    const std::string path = OutputPath(o, input);
    const size_t slash = path.rfind('/');
    return {path, MakeLabel(slash == std::string::npos ? path : path.substr(slash + 1))};
}

// One character of a name as an escape: "\n", "\x1b".
std::string Escaped(char c) {
    switch (c) {
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        default:
            break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
    return hex;
}

// The length of the printable UTF-8 character that `text` starts with; 0 for a control
// character, a malformed sequence or a stray byte.
size_t PrintableLength(std::string_view text) {
    const auto byte = [text](size_t i) { return static_cast<uint8_t>(text[i]); };
    if (byte(0) < 0x80) return byte(0) >= 0x20 && byte(0) != 0x7F ? 1 : 0;
    // The range of the second byte rules out overlong forms, surrogates, values beyond U+10FFFF
    // and the C1 controls (U+0080 to U+009F).
    struct Form {
        uint8_t firstLead, lastLead;
        size_t length;
        uint8_t low, high;
    };
    static constexpr Form Forms[] = {
        {0xC2, 0xC2, 2, 0xA0, 0xBF}, {0xC3, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},
        {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF},
        {0xF0, 0xF0, 4, 0x90, 0xBF}, {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F}};
    for (const Form& f : Forms) {
        if (byte(0) < f.firstLead || byte(0) > f.lastLead) continue;
        if (text.size() < f.length || byte(1) < f.low || byte(1) > f.high) return 0;
        for (size_t k = 2; k < f.length; ++k)
            if ((byte(k) & 0xC0) != 0x80) return 0;
        return f.length;
    }
    return 0;
}

// Text with its names made safe for one line of a terminal: control characters and bytes that
// are no UTF-8 become escapes, so a message is always one line and a name steers nothing.
std::string Printable(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const size_t length = PrintableLength(text);
        out += length > 0 ? std::string(text.substr(0, length)) : Escaped(text[0]);
        text.remove_prefix(std::max<size_t>(length, 1));
    }
    return out;
}

void Say(FILE* stream, const std::string& line) {
    std::fprintf(stream, "%s\n", Printable(line).c_str());
}

bool Failed(const std::string& input, const std::string& why) {
    Say(stderr, "bmp2bi: " + input + ": " + why);
    return false;
}

// On a terminal: one line that shows the file being converted and, for large pictures, how far.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled) {}
    void Start(size_t number, size_t count, const std::string& input) {
        prefix_ =
            "[" + std::to_string(number) + "/" + std::to_string(count) + "] " + Printable(input);
        if (count > 1) Show(prefix_);
    }
    void Pixels(int64_t done, int64_t total) {
        constexpr int64_t LargePicture = 1'000'000;
        const auto now = std::chrono::steady_clock::now();
        if (total < LargePicture || now - shown_ < std::chrono::milliseconds(100)) return;
        shown_ = now;
        Show(prefix_ + " " + std::to_string(done * 100 / total) + "%");
    }
    void Clear() {
        if (visible_) std::fputs("\r\033[K", stderr);
        visible_ = false;
    }

private:
    void Show(const std::string& text) {
        if (!enabled_) return;
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        visible_ = true;
    }
    bool enabled_;
    bool visible_ = false;
    std::string prefix_;
    std::chrono::steady_clock::time_point shown_{};
};

std::string Canonical(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::weakly_canonical(path, ignored).string();
}

// Why `input` must not be written to `target`, if it must not.
std::optional<std::string> Conflict(const std::string& input, const Target& target,
                                    std::map<std::string, std::string>& written) {
    std::error_code ignored;
    if (std::filesystem::equivalent(input, target.path, ignored))
        return "the output " + target.path + " would replace the input";
    const auto [earlier, fresh] = written.emplace(Canonical(target.path), input);
    if (!fresh) return target.path + " is the output of " + earlier->second + " already";
    return std::nullopt;
}

bool ConvertOne(const Options& o, const std::string& input, const Target& target,
                ProgressLine& progress) {
    ConversionJob job{input, target.path, target.label, [&o] { return o.force; },
                      [&progress](int64_t done, int64_t total) { progress.Pixels(done, total); }};
    const ConversionResult result = RunConversion(job);
    progress.Clear();
    switch (result.status) {
        case ConversionStatus::Done:
            if (!o.quiet) Say(stdout, input + " -> " + target.path);
            return true;
        case ConversionStatus::Declined:
            return Failed(input, target.path + " exists; use --force to replace it");
        case ConversionStatus::DeclinedAppeared:
            return Failed(input,
                          target.path + " appeared while converting; use --force to replace it");
        default:
            return Failed(input, result.problem);
    }
}

int Run(const Options& o) {
    if (o.maxPixels) picture::SetPixelLimit(*o.maxPixels);
    if (o.keepOrientation) picture::SetApplyOrientation(false);
    ProgressLine progress(!o.quiet && ::isatty(STDERR_FILENO));
    std::map<std::string, std::string> written;
    bool allConverted = true;
    for (size_t i = 0; i < o.inputs.size(); ++i) {
        const std::string& input = o.inputs[i];
        const Target target = TargetFor(o, input);
        if (const auto conflict = Conflict(input, target, written)) {
            allConverted = Failed(input, *conflict);
            continue;
        }
        progress.Start(i + 1, o.inputs.size(), input);
        allConverted = ConvertOne(o, input, target, progress) && allConverted;
    }
    return allConverted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    RemoveTemporaryFilesOnSignals();
    Options options;
    try {
        options = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        Say(stderr, "bmp2bi: " + e.message);
        std::fputs("Try 'bmp2bi --help' for more information.\n", stderr);
        return 2;
    }
    if (options.help) {
        std::printf(UsageText, static_cast<long long>(picture::DefaultPixelLimit));
        return 0;
    }
    if (options.version) {
        std::printf("bmp2bi %s\n", PIXELTOOLS_VERSION);
        return 0;
    }
    return Run(options);
}
