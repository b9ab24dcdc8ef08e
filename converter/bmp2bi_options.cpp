// bmp2bi: the converter's conversion for many picture files at once, from the command line.
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"
#include "base/text_encoding.h"
#include "converter/batch_progress.h"
#include "converter/conversion.h"
#include "converter/memory_budget.h"
#include "converter/ordered_batch.h"
#include "converter/output_file.h"
#include "picture/picture.h"

namespace {

constexpr const char* UsageTemplate =
    "Usage: bmp2bi [options] PICTURE...\n"
    "Converts pictures into pixel-data include files. It reads Windows BMP files, PNG, JPEG\n"
    "(baseline and progressive, CMYK too), GIF and WebP (the first image of an animation),\n"
    "TIFF (the first page), HEIC and AVIF. Photos come upright, as their orientation tag says.\n"
    "\n"
    "\n"
    "Output:\n"
    "  -o OUT              write the include file to OUT (one input file only); '-' is\n"
    "                      standard output. Pipes, terminals and devices are written in place\n"
    "                        bmp2bi -o - photo.jpg | gzip > photo.bi.gz\n"
    "  --output-dir DIR    write the include files into DIR, made with every missing folder\n"
    "                      above it, instead of beside their inputs\n"
    "                        bmp2bi --output-dir out/pics *.png\n"
    "  --packed            one value per pixel, &HAARRGGBB: about three quarters of the\n"
    "                      plain form's size\n"
    "                        bmp2bi --packed sprite.png\n"
    "  -f, --force         replace include files that already exist\n"
    "\n"
    "Size, applied after decoding; the pixel limit applies to the result:\n"
    "  --crop WxH+X+Y      keep the W x H part whose top-left pixel is X, Y (before the\n"
    "                      options below); it must lie inside the picture\n"
    "                        bmp2bi --crop 16x16+32+0 sheet.png\n"
    "  --fit WxH           shrink to fit inside W x H keeping the aspect ratio; never enlarges\n"
    "                        bmp2bi --fit 640x480 photo.jpg\n"
    "  --scale P%% | F     scale both sides by P percent or by the factor F\n"
    "                        bmp2bi --scale 50%% photo.jpg; bmp2bi --scale 4 sprite.png\n"
    "  --size WxH          make it exactly W x H\n"
    "                        bmp2bi --size 320x200 title.png\n"
    "  --smooth            filter whole-number enlargements too; without it, enlarging by\n"
    "                      whole factors repeats every pixel, so pixel art stays sharp\n"
    "                        bmp2bi --scale 3 --smooth icon.png\n"
    "Resampling uses the triangle (bilinear) filter, widened when shrinking, with colours\n"
    "weighted by alpha, so transparent pixels lend no colour to their neighbours.\n"
    "\n"
    "Running:\n"
    "  -j N, --jobs N      convert N files at once (default: one per processor, at most %d);\n"
    "                      output and messages keep the input order\n"
    "                        bmp2bi -j 2 photos/*.jpg\n"
    "  -q, --quiet         report nothing but failures, and show no progress line\n"
    "  --max-pixels N      refuse pictures of more than N pixels (default %lld)\n"
    "                        bmp2bi --max-pixels 200000000 panorama.jpg\n"
    "  --keep-orientation  write the pixels as stored, not turned by the orientation tag\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Without -o each output is named as the converter names it: \"Res\", the input's file\n"
    "name less its extension (from its last dot on), \".bi\" (flower.bmp gives Resflower.bi,\n"
    "photo.jpeg Resphoto.bi). The label inside comes from the output's file name: characters\n"
    "from the blank to \"/\" become \"_\", letters outside ASCII their base letter (e for "
    "\xc3\xa9),\n"
    "other characters outside ASCII \"_\", and a label starting with a digit gets \"_\" before\n"
    "it. Written to standard output, the label is the one the default name would give.\n"
    "In the packed form every pixel is one value \"&HAARRGGBB\" (eight upper-case hexadecimal\n"
    "digits); readers tell it from the plain form by the first value after the size.\n"
    "On a terminal, a run that takes more than a second shows a progress line on standard\n"
    "error.\n"
    "\n"
    "Exit status: 0 when every file was converted, 1 when some failed (each failure is one\n"
    "line on standard error), 2 for a usage error.\n";

// The help text, with the most jobs and the default pixel limit filled in.
std::string UsageText() {
    const auto limit = static_cast<long long>(picture::DefaultPixelLimit);
    const int jobs = MaxTemporaryFilesAtOnce;
    std::string text(static_cast<size_t>(std::snprintf(nullptr, 0, UsageTemplate, jobs, limit)),
                     '\0');
    std::snprintf(text.data(), text.size() + 1, UsageTemplate, jobs, limit);
    return text;
}

struct Options {
    std::vector<std::string> inputs;
    std::optional<std::string> output;
    std::optional<std::string> outputDir;
    std::optional<int64_t> maxPixels;
    Shaping shaping;
    PixelForm form = PixelForm::Unpacked;
    std::optional<int> jobs;
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

// A -j value: a whole number above 0; more than the program runs at once counts as that many.
int JobCount(const std::string& text, const std::string& option) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range && text.front() != '-')
        return MaxTemporaryFilesAtOnce;
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        throw UsageError{option + " needs a whole number above 0, not '" + text + "'"};
    return std::min(value, MaxTemporaryFilesAtOnce);
}

// The processors this process may run on.
int ProcessorCount() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return std::clamp(CPU_COUNT(&set), 1, MaxTemporaryFilesAtOnce);
}

// The value of an option given as "--name VALUE", "--name=VALUE" or, for short options such as
// "-o", "-oVALUE".
std::string OptionValue(const std::vector<std::string>& args, size_t& i, size_t nameLength) {
    const std::string& arg = args[i];
    if (arg.size() > nameLength)
        return arg.substr(arg[nameLength] == '=' ? nameLength + 1 : nameLength);
    if (i + 1 >= args.size()) throw UsageError{"option " + arg + " needs a value"};
    return args[++i];
}

bool IsOption(const std::string& arg, std::string_view name) {
    return arg == name ||
           (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=');
}

template <class T>
T Valid(std::optional<T> value, const char* option, const char* form, const std::string& text) {
    if (!value) throw UsageError{std::string(option) + " needs " + form + ", not '" + text + "'"};
    return *value;
}

void SetResize(Shaping& shaping, Resize resize) {
    if (shaping.resize != Resize::Keep)
        throw UsageError{"--fit, --scale and --size exclude each other"};
    shaping.resize = resize;
}

// The size options; false for any other argument.
bool ParseSizeOption(const std::vector<std::string>& args, size_t& i, Shaping& shaping) {
    const std::string& arg = args[i];
    if (IsOption(arg, "--crop")) {
        const std::string text = OptionValue(args, i, 6);
        shaping.crop = Valid(ParseCrop(text), "--crop", "WxH+X+Y", text);
    } else if (IsOption(arg, "--fit") || IsOption(arg, "--size")) {
        const bool fit = IsOption(arg, "--fit");
        const std::string text = OptionValue(args, i, fit ? 5 : 6);
        SetResize(shaping, fit ? Resize::Fit : Resize::Exact);
        shaping.box = Valid(ParseDimensions(text), fit ? "--fit" : "--size", "WxH", text);
    } else if (IsOption(arg, "--scale")) {
        const std::string text = OptionValue(args, i, 7);
        SetResize(shaping, Resize::Scale);
        shaping.factor = Valid(ParseScale(text), "--scale", "a percentage or factor above 0", text);
    } else if (arg == "--smooth") {
        shaping.smooth = true;
    } else {
        return false;
    }
    return true;
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
        } else if (ParseSizeOption(args, i, o.shaping)) {
        } else if (arg == "--packed") {
            o.form = PixelForm::Packed;
        } else if (arg.rfind("-j", 0) == 0 || IsOption(arg, "--jobs")) {
            const bool shortForm = arg[1] == 'j';
            o.jobs = JobCount(OptionValue(args, i, shortForm ? 2 : 6), shortForm ? "-j" : "--jobs");
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
    bool toStandardOutput = false;  // "-o -"; `path` then names it for messages
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

// The label names the data, not where it was put: it comes from the file's own name, or the
// name it would have had for data written to the standard output.
Target TargetFor(const Options& o, const std::string& input) {
    if (o.output == "-") return {"standard output", MakeLabel(DeriveOutputName(input)), true};
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
// character (C0, DEL, C1), a malformed sequence or a stray byte.
size_t PrintableLength(std::string_view text) {
    const DecodedCharacter c = DecodeCharacter(text, 0);
    const bool malformed = !c.wellFormed;
    const bool control = c.codePoint < 0x20 || (c.codePoint >= 0x7F && c.codePoint < 0xA0);
    return malformed || control ? 0 : c.length;
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

std::string Canonical(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::weakly_canonical(path, ignored).string();
}

// Why `input` must not be written to `target`, if it must not.
std::optional<std::string> Conflict(const std::string& input, const Target& target,
                                    std::map<std::string, std::string>& written) {
    if (target.toStandardOutput) return std::nullopt;
    std::error_code ignored;
    if (std::filesystem::equivalent(input, target.path, ignored))
        return "the output " + target.path + " would replace the input";
    const auto [earlier, fresh] = written.emplace(Canonical(target.path), input);
    if (!fresh) return target.path + " is the output of " + earlier->second + " already";
    return std::nullopt;
}

// What the run tells of one file: a line for standard output or one for standard error.
struct Report {
    bool converted = false;
    std::string out;
    std::string err;
};

Report Failure(const std::string& input, const std::string& why) {
    return {false, {}, "bmp2bi: " + input + ": " + why};
}

// A pipe, a terminal or a device: written in place, so nothing is replaced that --force should
// guard.
bool IsPipeOrDevice(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

// The same file as the standard output, which the line saying it was written must not follow.
bool IsStandardOutput(const std::string& path) {
    struct stat named {
    }, out{};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 &&
           named.st_dev == out.st_dev && named.st_ino == out.st_ino;
}

Report ConvertOne(const Options& o, const std::string& input, const Target& target,
                  const ProgressReport& progress, const std::function<void()>& written) {
    const ConversionJob job{
        input,    target.path, target.label, [&] { return o.force || IsPipeOrDevice(target.path); },
        progress, {},          written};
    const ConversionResult result =
        RunConversion(job, {o.shaping, o.form, target.toStandardOutput});
    switch (result.status) {
        case ConversionStatus::Done:
            if (o.quiet || target.toStandardOutput || IsStandardOutput(target.path))
                return {true, {}, {}};
            return {true, input + " -> " + target.path, {}};
        case ConversionStatus::Declined:
            return Failure(input, target.path + " exists; use --force to replace it");
        case ConversionStatus::DeclinedAppeared:
            return Failure(input,
                           target.path + " appeared while converting; use --force to replace it");
        default:
            return Failure(input, result.problem);
    }
}

// The memory a file's conversion holds at its peak: the decoded picture and the shaped one.
int64_t PictureBytes(const Options& o, const std::string& input) {
    const picture::ProbeResult probe = picture::Probe(input);
    if (!probe.recognised) return 0;
    const Dimensions source{probe.width, probe.height};
    const ShapedSize shaped = PlanShape(o.shaping, source);
    const int64_t resized = shaped.size == source ? 0 : shaped.size.width * shaped.size.height;
    return (source.width * source.height + resized) * 4;
}

// Every file's target, or why it has none, in input order.
std::vector<std::optional<Target>> Targets(const Options& o, std::vector<Report>& reports) {
    std::map<std::string, std::string> written;
    std::vector<std::optional<Target>> targets;
    for (size_t i = 0; i < o.inputs.size(); ++i) {
        const std::string& input = o.inputs[i];
        Target target = TargetFor(o, input);
        if (const auto conflict = Conflict(input, target, written)) {
            reports[i] = Failure(input, *conflict);
            targets.emplace_back();
        } else {
            targets.push_back(std::move(target));
        }
    }
    return targets;
}

std::vector<int64_t> InputBytes(const std::vector<std::string>& inputs) {
    std::vector<int64_t> bytes;
    for (const std::string& input : inputs) {
        struct stat info {};
        bytes.push_back(::stat(input.c_str(), &info) == 0 ? info.st_size : 0);
    }
    return bytes;
}

std::optional<std::string> MakeOutputDir(const Options& o) {
    if (!o.outputDir) return std::nullopt;
    std::error_code error;
    std::filesystem::create_directories(*o.outputDir, error);
    if (!error) return std::nullopt;
    return "cannot make the folder " + *o.outputDir + ": " + error.message();
}

int Run(const Options& o) {
    if (o.maxPixels) picture::SetPixelLimit(*o.maxPixels);
    if (o.keepOrientation) picture::SetApplyOrientation(false);
    if (const auto failed = MakeOutputDir(o)) {
        Say(stderr, "bmp2bi: " + *failed);
        return 1;
    }
    std::vector<Report> reports(o.inputs.size());
    const std::vector<std::optional<Target>> targets = Targets(o, reports);
    BatchProgress progress(!o.quiet && ::isatty(STDERR_FILENO), InputBytes(o.inputs));
    MemoryBudget memory(HalfOfPhysicalMemory());
    bool allConverted = true;
    // Once the last file is written or has failed, a signal no longer changes what was done.
    std::atomic<size_t> unsettled = o.inputs.size();
    const std::function<void()> settle = [&unsettled] {
        if (--unsettled == 0) OutcomeSettled();
    };
    RunInOrder({
        .count = o.inputs.size(),
        .threads = static_cast<size_t>(o.jobs.value_or(ProcessorCount())),
        .work =
            [&](size_t i) {
                if (!targets[i]) return settle();
                const MemoryBudget::Reservation held(memory, PictureBytes(o, o.inputs[i]));
                reports[i] = ConvertOne(
                    o, o.inputs[i], *targets[i],
                    [&progress, i](int64_t done, int64_t total) {
                        progress.Advance(i, done, total);
                    },
                    settle);
                if (!reports[i].converted) settle();
            },
        .finished =
            [&](size_t i) {
                progress.Finished(i);
                progress.Clear();
                if (!reports[i].out.empty()) Say(stdout, reports[i].out);
                if (!reports[i].err.empty()) Say(stderr, reports[i].err);
                allConverted = reports[i].converted && allConverted;
            },
        .tick = [&progress] { progress.Show(); },
    });
    progress.Clear();
    return allConverted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    RemoveTemporaryFilesOnSignals();
    Options options;
    try {
        options = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        return command_line::UsageError("bmp2bi", Printable(e.message));
    }
    if (options.help) return command_line::ShowHelp(UsageText());
    if (options.version) return command_line::ShowVersion("bmp2bi");
    // One picture: the lowest peak. A batch keeps the heap's reuse of freed blocks, which saves
    // a fresh mapping (and its page faults) per file: 30 % of a batch of photos.
    if (options.inputs.size() == 1) picture::ReturnLargeBlocksWhenFreed();
    return Run(options);
}
