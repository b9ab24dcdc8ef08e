// bmp2bi: the converter's conversion for many picture files at once, from the command line.
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/checked_math.h"
#include "base/command_line.h"
#include "base/printable.h"
#include "converter/batch_progress.h"
#include "converter/bmp2bi_options.h"
#include "converter/conversion.h"
#include "converter/memory_budget.h"
#include "converter/ordered_batch.h"
#include "converter/output_file.h"
#include "converter/quantise.h"
#include "picture/picture.h"

namespace {

// The processors this process may run on.
int ProcessorCount() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return std::clamp(CPU_COUNT(&set), 1, MaxTemporaryFilesAtOnce);
}

struct Target {
    std::string path;
    std::string label;
    bool toStandardOutput = false;  // "-o -"; `path` then names it for messages
};

std::string OutputPath(const Bmp2biOptions& o, const std::string& input) {
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
Target TargetFor(const Bmp2biOptions& o, const std::string& input) {
    const std::string path = o.output == "-" ? "standard output" : OutputPath(o, input);
    const size_t slash = path.rfind('/');
    const std::string name = o.output == "-"              ? DeriveOutputName(input)
                             : slash == std::string::npos ? path
                                                          : path.substr(slash + 1);
    return {path, MakeLabel(o.label.value_or(name)), o.output == "-"};
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

// What the run tells of one file: a line for standard output, or the failure ("input: why")
// that goes to standard error after the program's name.
struct Report {
    bool converted = false;
    std::string out;
    std::string err;
};

Report Failure(const std::string& input, const std::string& why) {
    return {false, {}, input + ": " + why};
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

// "280 MB", "1.1 GB".
std::string Size(int64_t bytes) {
    char text[32];
    if (bytes >= 1'000'000'000)
        std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
    else
        std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

// Where the lines of a run go: one at a time, from any thread, the progress line taken away
// first.
struct Terminal {
    std::mutex mutex;
    BatchProgress& progress;

    void Say(std::FILE* stream, const std::string& line) {
        const std::lock_guard lock(mutex);
        progress.Clear();
        SayLine(stream, line);
    }
    void Error(const std::string& message) {
        const std::lock_guard lock(mutex);
        progress.Clear();
        ReportError("bmp2bi", message);
    }
    void ShowProgress() {
        const std::lock_guard lock(mutex);
        progress.Show();
    }
};

// Said before a large include file is written, which then is.
std::function<LargeFileAnswer(int64_t, int64_t, int64_t)> LargeFileWarning(const Bmp2biOptions& o,
                                                                           const std::string& input,
                                                                           Terminal& terminal) {
    if (o.quiet) return {};
    return [&input, &terminal](int64_t bytes, int64_t width, int64_t height) {
        terminal.Error(input + ": warning: the include file takes " + Size(bytes) + " for " +
                       std::to_string(width) + " x " + std::to_string(height) +
                       " pixels; --fit WxH makes it smaller");
        return LargeFileAnswer::Write;
    };
}

Report ConvertOne(const Bmp2biOptions& o, const picture::OpenedPicture& opened,
                  const std::string& input, const Target& target, const ProgressReport& progress,
                  const std::function<void()>& written, Terminal& terminal) {
    const ConversionJob job{
        .inputPath = input,
        .outputPath = target.path,
        .label = target.label,
        .opened = &opened,
        .allowOverwrite = [&] { return o.force || IsPipeOrDevice(target.path); },
        .progress = progress,
        .allowLarge = LargeFileWarning(o, input, terminal),
        .written = written,
    };
    const ConversionResult result =
        RunConversion(job, {o.shaping, o.treatment, o.format, target.toStandardOutput});
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

// The memory a file's conversion holds at its peak: what its decode holds (the picture and its
// library's own buffers) and the shaped picture; in the palette form 3 bytes more a pixel (the
// indices, and the colour reduction's own), as measured on a 4000 x 3000 photo.
int64_t PictureBytes(const Bmp2biOptions& o, const picture::ProbeResult& probe) {
    if (!probe.recognised) return 0;
    const Dimensions source{probe.width, probe.height};
    const ShapedSize shaped = PlanShape(o.shaping, source);
    const int64_t pixels = SaturatingProduct(shaped.size.width, shaped.size.height);
    const int64_t resized = shaped.size == source ? 0 : SaturatingProduct(pixels, 4);
    const int64_t indexed = o.format.palette ? SaturatingProduct(pixels, 3) : 0;
    return SaturatingSum(SaturatingSum(probe.decodeBytes, resized), indexed);
}

// Every file's target, or why it has none, in input order.
std::vector<std::optional<Target>> Targets(const Bmp2biOptions& o, std::vector<Report>& reports) {
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

// Two pictures of one run with one label cannot be included in one program together; the
// numbered dialect has no labels.
void WarnOfSharedLabels(const Bmp2biOptions& o, const std::vector<std::optional<Target>>& targets) {
    if (o.quiet || o.format.dialect == Dialect::Numbered) return;
    std::map<std::string, size_t> first;
    for (size_t i = 0; i < targets.size(); ++i) {
        if (!targets[i]) continue;
        const std::string label = DialectLabel(o.format.dialect, targets[i]->label);
        const auto [earlier, fresh] = first.emplace(label, i);
        if (!fresh)
            ReportError("bmp2bi", "warning: " + o.inputs[earlier->second] + " and " + o.inputs[i] +
                                      " both get the label " + label +
                                      ", which one program cannot include twice");
    }
}

std::vector<int64_t> InputBytes(const std::vector<std::string>& inputs) {
    std::vector<int64_t> bytes;
    for (const std::string& input : inputs) {
        struct stat info {};
        bytes.push_back(::stat(input.c_str(), &info) == 0 ? info.st_size : 0);
    }
    return bytes;
}

std::optional<std::string> MakeOutputDir(const Bmp2biOptions& o) {
    if (!o.outputDir) return std::nullopt;
    std::error_code error;
    std::filesystem::create_directories(*o.outputDir, error);
    if (!error) return std::nullopt;
    return "cannot make the folder " + *o.outputDir + ": " + error.message();
}

int Run(const Bmp2biOptions& o) {
    if (o.maxPixels) picture::SetPixelLimit(*o.maxPixels);
    if (o.keepOrientation) picture::SetApplyOrientation(false);
    if (const auto failed = MakeOutputDir(o)) {
        ReportError("bmp2bi", *failed);
        return 1;
    }
    std::vector<Report> reports(o.inputs.size());
    const std::vector<std::optional<Target>> targets = Targets(o, reports);
    WarnOfSharedLabels(o, targets);
    BatchProgress progress(!o.quiet && ::isatty(STDERR_FILENO), InputBytes(o.inputs));
    Terminal terminal{{}, progress};
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
                // Opened once: the probe that sets the memory aside is the one loaded from.
                const picture::OpenedPicture opened(o.inputs[i]);
                const MemoryBudget::Reservation held(memory, PictureBytes(o, opened.Probe()));
                reports[i] = ConvertOne(
                    o, opened, o.inputs[i], *targets[i],
                    [&progress, i](int64_t done, int64_t total) {
                        progress.Advance(i, done, total);
                    },
                    settle, terminal);
                if (!reports[i].converted) settle();
            },
        .finished =
            [&](size_t i) {
                {
                    const std::lock_guard lock(terminal.mutex);
                    progress.Finished(i);
                }
                if (!reports[i].out.empty()) terminal.Say(stdout, reports[i].out);
                if (!reports[i].err.empty()) terminal.Error(reports[i].err);
                allConverted = reports[i].converted && allConverted;
            },
        .tick = [&terminal] { terminal.ShowProgress(); },
    });
    progress.Clear();
    return allConverted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    RemoveTemporaryFilesOnSignals();
    Bmp2biOptions options;
    try {
        options = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        return command_line::UsageError("bmp2bi", e.message);
    }
    if (options.help) return command_line::ShowHelp(UsageText());
    if (options.version) return command_line::ShowVersion("bmp2bi");
    // One picture: the lowest peak. A batch keeps the heap's reuse of freed blocks, which saves
    // a fresh mapping (and its page faults) per file: 30 % of a batch of photos.
    if (options.inputs.size() == 1) picture::ReturnLargeBlocksWhenFreed();
    options.treatment.reduce = ReduceColours;
    return Run(options);
}
