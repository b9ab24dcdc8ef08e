// The conversion run: picture, overwrite question, include file.
#include "converter/conversion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "converter/ascii_letters.h"
#include "converter/output_file.h"
#include "converter/utf8.h"

namespace {

// A name exists when it has an entry of any kind: a file that cannot be read, a folder, a
// symbolic link that leads nowhere.
bool OutputExists(const std::string& path) {
    struct stat entry {};
    return path.find('\0') == std::string::npos && ::lstat(path.c_str(), &entry) == 0;
}

std::string ErrorText(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

// ASCII as before: codes 32 to 47 and the line breaks (which would split the label line) become
// "_"; a character beyond ASCII its base letters or "_".
void AppendLabelCharacter(std::string_view& name, std::string& label) {
    const auto byte = static_cast<unsigned char>(name.front());
    if (byte < 0x80) {
        label += (byte >= 32 && byte <= 47) || byte == '\r' || byte == '\n' ? '_' : name.front();
        name.remove_prefix(1);
        return;
    }
    const Utf8Char c = DecodeUtf8(name);
    const std::string_view base = AsciiBaseLetters(c.code);
    label += c.length > 0 && !base.empty() ? base : "_";
    name.remove_prefix(std::max<size_t>(c.length, 1));
}

ConversionResult WriteToStandardOutput(const ConversionJob& job, PixelForm form,
                                       const picture::PixelView& view) {
    int error = 0;
    const bool written = WriteIncludeFile(
        job.label, view,
        [&error](std::string_view bytes) { return (error = WriteAll(STDOUT_FILENO, bytes)) == 0; },
        job.progress, form);
    if (written) return {};
    return {ConversionStatus::WriteFailed, ErrorText("cannot write", job.outputPath, error)};
}

ConversionResult WriteToFile(const ConversionJob& job, PixelForm form,
                             const picture::PixelView& view) {
    const auto allowed = [&job] { return job.allowOverwrite && job.allowOverwrite(); };
    const bool existed = OutputExists(job.outputPath);
    if (existed && !allowed()) return {ConversionStatus::Declined, {}};
    std::optional<OutputFile> out(std::in_place, job.outputPath, existed);
    if (!existed && out->Error() == EEXIST) {  // it appeared since it was looked for
        if (!allowed()) return {ConversionStatus::DeclinedAppeared, {}};
        out.emplace(job.outputPath, true);
    }
    if (!out->IsOpen())
        return {ConversionStatus::OpenFailed,
                ErrorText("cannot open", job.outputPath, out->Error())};
    const bool written = WriteIncludeFile(
        job.label, view, [&out](std::string_view bytes) { return out->Write(bytes); }, job.progress,
        form);
    CommitResult committed = written ? out->Commit() : CommitResult::Failed;
    if (committed == CommitResult::TargetExists) {
        if (!allowed()) return {ConversionStatus::DeclinedAppeared, {}};
        out->AllowReplacing();
        committed = out->Commit();
    }
    if (committed != CommitResult::Done)
        return {ConversionStatus::WriteFailed,
                ErrorText("cannot write", job.outputPath, out->Error())};
    return {};
}

}  // namespace

std::string MakeLabel(std::string_view outputName) {
    const size_t first = outputName.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = outputName.find_last_not_of(' ');
    std::string_view name = outputName.substr(first, last - first + 1);
    // BASIC takes no label that starts with a digit.
    std::string label = name.front() >= '0' && name.front() <= '9' ? "_" : "";
    while (!name.empty()) AppendLabelCharacter(name, label);
    return label;
}

std::string DeriveOutputName(std::string_view inputPath) {
    // "\" too: a path typed the Windows way names its file after the last backslash.
    const size_t separator = inputPath.find_last_of("/\\");
    std::string_view name =
        separator == std::string_view::npos ? inputPath : inputPath.substr(separator + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return "Res" + std::string(name) + ".bi";
}

picture::LoadedPicture LoadPicture(const std::string& path) {
    picture::LoadedPicture loaded = picture::Load(path);
    if (loaded.failure == picture::LoadFailure::OverLimit)
        loaded.problem += " (bmp2bi --max-pixels raises it)";
    return loaded;
}

ConversionResult RunConversion(const ConversionJob& job, const ConversionOptions& options) {
    picture::LoadedPicture loaded = LoadPicture(job.inputPath);
    if (!loaded.pixels) return {ConversionStatus::LoadFailed, loaded.problem};
    // The picture is whole in memory before anything about the output is looked at.
    const ShapedPicture shaped = ApplyShaping(std::move(loaded.pixels), options.shaping);
    if (!shaped.problem.empty()) return {ConversionStatus::LoadFailed, shaped.problem};
    return options.toStandardOutput ? WriteToStandardOutput(job, options.form, shaped.view)
                                    : WriteToFile(job, options.form, shaped.view);
}
