// The conversion run: picture, overwrite question, include file.
#include "converter/conversion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

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

// What to do with the include file of `pixels`: only a large one is asked about, and its exact
// size is counted only when the largest lines could reach the limit.
LargeFileAnswer SizeAnswer(const ConversionJob& job, const IncludeContent& content,
                           const IncludeFormat& format, const picture::PixelView& pixels) {
    // No form takes more than a numbered listing of one pixel a line, "65529 DATA 255,255,255,255".
    constexpr int64_t mostBytesPerPixel = 32;
    if (mostBytesPerPixel * pixels.width * pixels.height <= LargeIncludeFileBytes)
        return LargeFileAnswer::Write;
    const int64_t bytes = IncludeFileBytes(content.sections, format);
    if (bytes <= LargeIncludeFileBytes) return LargeFileAnswer::Write;
    return job.allowLarge(bytes, pixels.width, pixels.height);
}

// What is written, and how.
struct Writing {
    const IncludeContent& content;
    const IncludeFormat& format;
};

ConversionResult WriteToStandardOutput(const ConversionJob& job, const Writing& writing) {
    int error = 0;
    const bool written = WriteIncludeFile(
        writing.content.sections,
        [&error](std::string_view bytes) { return (error = WriteAll(STDOUT_FILENO, bytes)) == 0; },
        job.progress, writing.format);
    if (written) return {};
    return {ConversionStatus::WriteFailed, ErrorText("cannot write", job.outputPath, error)};
}

ConversionResult WriteToFile(const ConversionJob& job, const Writing& writing) {
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
    int64_t bytesWritten = 0;
    const bool written = WriteIncludeFile(
        writing.content.sections,
        [&out, &bytesWritten](std::string_view bytes) {
            bytesWritten += static_cast<int64_t>(bytes.size());
            return out->Write(bytes);
        },
        job.progress, writing.format);
    // From before the file is put in place until its outcome is settled; not while asking.
    std::optional<SignalsHeldForCommit> held(std::in_place);
    CommitResult committed = written ? out->Commit() : CommitResult::Failed;
    if (committed == CommitResult::TargetExists) {
        held.reset();
        if (!allowed()) return {ConversionStatus::DeclinedAppeared, {}};
        out->AllowReplacing();
        held.emplace();
        committed = out->Commit();
    }
    if (committed != CommitResult::Done)
        return {ConversionStatus::WriteFailed,
                ErrorText("cannot write", job.outputPath, out->Error())};
    if (job.written) job.written();
    return {ConversionStatus::Done, {}, bytesWritten};
}

// A picture that is to be made smaller may be decoded smaller where its format does so for
// little work (a JPEG's scaled inverse transform, which averages as it shrinks): to no less than
// the size it is brought to, which the filter then reaches. A crop is taken from the whole
// picture.
picture::LoadOptions LoadOptionsFor(const Shaping& shaping) {
    if (shaping.crop || shaping.resize == Resize::Keep) return {};
    return {[shaping](int64_t width, int64_t height) {
        const Dimensions size = PlanShape(shaping, {width, height}).size;
        return std::max(static_cast<double>(size.width) / static_cast<double>(width),
                        static_cast<double>(size.height) / static_cast<double>(height));
    }};
}

}  // namespace

picture::LoadedPicture LoadPicture(const picture::OpenedPicture& opened,
                                   const picture::LoadOptions& options) {
    picture::LoadedPicture loaded = picture::Load(opened, options);
    if (loaded.failure == picture::LoadFailure::OverLimit)
        loaded.problem += " (bmp2bi --max-pixels raises it)";
    return loaded;
}

picture::LoadedPicture LoadPicture(const std::string& path, const picture::LoadOptions& options) {
    return LoadPicture(picture::OpenedPicture(path), options);
}

ConversionResult RunConversion(const ConversionJob& job, const ConversionOptions& options) {
    const picture::LoadOptions loadOptions = LoadOptionsFor(options.shaping);
    picture::LoadedPicture loaded = job.opened ? LoadPicture(*job.opened, loadOptions)
                                               : LoadPicture(job.inputPath, loadOptions);
    if (!loaded.pixels) return {ConversionStatus::LoadFailed, loaded.problem};
    // The picture is whole in memory before anything about the output is looked at.
    ShapedPicture shaped = ApplyShaping(std::move(loaded.pixels), options.shaping,
                                        {loaded.fullWidth, loaded.fullHeight});
    if (!shaped.problem.empty()) return {ConversionStatus::LoadFailed, shaped.problem};
    IncludeContent content =
        PrepareContent(shaped.view, job.label, options.format, options.treatment);
    if (!content.problem.empty()) return {ConversionStatus::Unfit, content.problem};
    const LargeFileAnswer answer = job.allowLarge
                                       ? SizeAnswer(job, content, options.format, shaped.view)
                                       : LargeFileAnswer::Write;
    if (answer == LargeFileAnswer::Decline) return {ConversionStatus::DeclinedLarge, {}};
    if (answer == LargeFileAnswer::Fit) {
        // Only the window offers this, and it leaves the pixels untreated, so shrinking the
        // picture that was laid out is shrinking the loaded one.
        shaped = FitInside(std::move(shaped), LargeFileFit);
        if (!shaped.problem.empty()) return {ConversionStatus::LoadFailed, shaped.problem};
        content = PrepareContent(shaped.view, job.label, options.format, options.treatment);
        if (!content.problem.empty()) return {ConversionStatus::Unfit, content.problem};
    }
    const Writing writing{content, options.format};
    ConversionResult result =
        options.toStandardOutput ? WriteToStandardOutput(job, writing) : WriteToFile(job, writing);
    if (options.toStandardOutput && result.status == ConversionStatus::Done && job.written)
        job.written();
    if (result.status == ConversionStatus::Done)
        result.size = {shaped.view.width, shaped.view.height};
    return result;
}
