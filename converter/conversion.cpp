// The conversion run: picture, overwrite question, include file.
#include "converter/conversion.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "converter/include_file.h"
#include "converter/output_file.h"

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

// Whether a large include file may be written; the exact size is counted only when the largest
// lines could reach the limit.
bool AllowedSize(const ConversionJob& job, const picture::PixelView& pixels) {
    if (int64_t{IncludeFileLongestLine} * pixels.width * pixels.height <= LargeIncludeFileBytes)
        return true;
    const int64_t bytes = IncludeFileBytes(job.label, pixels);
    return bytes <= LargeIncludeFileBytes || job.allowLarge(bytes, pixels.width, pixels.height);
}

}  // namespace

std::string MakeLabel(std::string_view outputName) {
    const size_t first = outputName.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = outputName.find_last_not_of(' ');
    std::string label(outputName.substr(first, last - first + 1));
    for (char& c : label) {
        const auto code = static_cast<unsigned char>(c);
        // A line break would split the label line.
        if ((code >= 32 && code <= 47) || c == '\r' || c == '\n') c = '_';
    }
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

ConversionResult RunConversion(const ConversionJob& job) {
    const picture::LoadedPicture picture = LoadPicture(job.inputPath);
    if (!picture.pixels) return {ConversionStatus::LoadFailed, picture.problem};
    if (job.allowLarge && !AllowedSize(job, picture.pixels.View()))
        return {ConversionStatus::DeclinedLarge, {}};
    const auto allowed = [&job] { return job.allowOverwrite && job.allowOverwrite(); };
    // The picture is whole in memory before anything about the output is looked at.
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
    int64_t bytesWritten = 0;
    const bool written = WriteIncludeFile(
        job.label, picture.pixels.View(),
        [&out, &bytesWritten](std::string_view bytes) {
            bytesWritten += static_cast<int64_t>(bytes.size());
            return out->Write(bytes);
        },
        job.progress);
    CommitResult committed = written ? out->Commit() : CommitResult::Failed;
    if (committed == CommitResult::TargetExists) {
        if (!allowed()) return {ConversionStatus::DeclinedAppeared, {}};
        out->AllowReplacing();
        committed = out->Commit();
    }
    if (committed != CommitResult::Done)
        return {ConversionStatus::WriteFailed,
                ErrorText("cannot write", job.outputPath, out->Error())};
    return {ConversionStatus::Done, {}, bytesWritten};
}
