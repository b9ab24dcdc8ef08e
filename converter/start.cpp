#include "converter/start.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "converter/paths.h"

namespace {

// Shows a box; one that no desktop could show is kept in `unshown` for the program to tell.
int32_t ShowBox(const Dialogs& dialogs, std::string_view text, std::string_view caption,
                uint32_t flags, std::string_view detail, std::vector<UnshownBox>& unshown) {
    const int32_t answer =
        dialogs.messageBox ? dialogs.messageBox(text, caption, flags, detail) : AnswerUnavailable;
    if (answer == AnswerUnavailable)
        unshown.push_back({std::string(caption), std::string(text), std::string(detail)});
    return answer;
}

// The third answer's, with its own buttons; unshown likewise.
int32_t AskThreeWays(const Dialogs& dialogs, std::string_view text, std::string_view caption,
                     uint32_t flags, std::string_view detail, std::string_view third,
                     std::vector<UnshownBox>& unshown) {
    const int32_t answer = dialogs.askThreeWays
                               ? dialogs.askThreeWays(text, caption, flags, detail, third)
                               : AnswerUnavailable;
    if (answer == AnswerUnavailable)
        unshown.push_back({std::string(caption), std::string(text), std::string(detail)});
    return answer;
}

struct OutcomeBox {
    std::string_view text;
    std::string_view caption;
    uint32_t flags = 0;
    std::string detail;
};

// Where a file was written, as the user finds it again: its full path.
std::string FullPath(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path full = std::filesystem::absolute(path, ignored);
    return full.empty() ? path : full.lexically_normal().string();
}

// "640 × 480", in UTF-8.
std::string Sides(Dimensions size) {
    return std::to_string(size.width) + " \u00D7 " + std::to_string(size.height);
}

// The file written, its size, and the picture's size when it was shrunk to fit.
std::string DoneDetail(const ConversionResult& result, const std::string& output, bool fitted) {
    std::string detail = ShownPath(FullPath(output)) + ", " + SizeInWords(result.bytes);
    if (fitted) detail += ", the picture shrunk to " + Sides(result.size) + " pixels";
    return detail;
}

// The box that tells the user how a conversion ended; none when the user declined. Paths in it
// are shown shortened, however long.
std::optional<OutcomeBox> BoxFor(const ConversionResult& result, const std::string& input,
                                 const std::string& output, bool fitted) {
    switch (result.status) {
        case ConversionStatus::Done:
            return OutcomeBox{DoneText, DoneCaption, BoxOk | IconInformation,
                              DoneDetail(result, output, fitted)};
        case ConversionStatus::LoadFailed:
        case ConversionStatus::Unfit:
            return OutcomeBox{LoadFailedText, ErrorCaption, BoxOk | IconError,
                              ShownPath(input) + ": " + result.problem};
        case ConversionStatus::Declined:
        case ConversionStatus::DeclinedAppeared:
        case ConversionStatus::DeclinedLarge:
            return std::nullopt;
        case ConversionStatus::OpenFailed:
            return OutcomeBox{OpenFailedText, ErrorCaption, BoxOk | IconError,
                              WithShownPath(result.problem, output)};
        case ConversionStatus::WriteFailed:
            return OutcomeBox{WriteFailedText, ErrorCaption, BoxOk | IconError,
                              WithShownPath(result.problem, output)};
    }
    return std::nullopt;
}

std::string LargeQuestion(int64_t bytes, int64_t width, int64_t height) {
    return "The include file will take " + SizeInWords(bytes) + " for a picture of " +
           std::to_string(width) + " x " + std::to_string(height) + " pixels. Write it?";
}

// What the third answer writes instead: the picture's size then, and the file's, about.
std::string FitDetail(int64_t bytes, int64_t width, int64_t height) {
    Shaping fit;
    fit.resize = Resize::Fit;
    fit.box = LargeFileFit;
    const Dimensions fitted = PlanShape(fit, {width, height}).size;
    const double share = static_cast<double>(fitted.width) * static_cast<double>(fitted.height) /
                         (static_cast<double>(width) * static_cast<double>(height));
    const auto fittedBytes = static_cast<int64_t>(static_cast<double>(bytes) * share);
    return "Fit " + Sides(LargeFileFit) + " writes the picture shrunk to " + Sides(fitted) +
           " pixels, about " + SizeInWords(fittedBytes) + ".";
}

// A path longer than the system takes names no file: said at once, as the system would say it,
// without working through megabytes of a pasted line.
std::optional<ConversionResult> NameTooLong(const std::string& input, const std::string& output) {
    const std::string tooLong = std::strerror(ENAMETOOLONG);
    if (input.size() >= PATH_MAX)
        return ConversionResult{ConversionStatus::LoadFailed, "cannot read: " + tooLong};
    if (output.size() >= PATH_MAX)
        return ConversionResult{ConversionStatus::OpenFailed,
                                "cannot open " + output + ": " + tooLong};
    return std::nullopt;
}

LargeFileAnswer AnswerOf(int32_t answer) {
    if (answer == AnswerYes) return LargeFileAnswer::Write;
    return answer == AnswerThird ? LargeFileAnswer::Fit : LargeFileAnswer::Decline;
}

}  // namespace

std::string SizeInWords(int64_t bytes) {
    constexpr const char* Units[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1000) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = static_cast<double>(bytes);
    int unit = -1;
    while (value >= 999.95 && unit < 3) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, Units[unit]);
    return text;
}

ConversionOutcome ConvertPicture(const std::string& inputPath, const std::string& outputName,
                                 const Dialogs& dialogs) {
    ConversionOutcome outcome;
    ConversionJob job;
    job.inputPath = inputPath;
    job.outputPath = outputName;
    job.label = outputName.size() < PATH_MAX ? MakeLabel(outputName) : std::string();
    // Return answers No: nothing is replaced unless asked for.
    job.allowOverwrite = [&dialogs, &outcome] {
        return ShowBox(dialogs, OverwriteQuestionText, ErrorCaption,
                       BoxYesNo | IconError | DefaultSecond, {}, outcome.unshownBoxes) == AnswerYes;
    };
    bool fitted = false;
    job.allowLarge = [&dialogs, &outcome, &fitted](int64_t bytes, int64_t width, int64_t height) {
        const LargeFileAnswer answer = AnswerOf(AskThreeWays(
            dialogs, LargeQuestion(bytes, width, height), LargeFileCaption, IconQuestion,
            FitDetail(bytes, width, height), FitAnswer, outcome.unshownBoxes));
        fitted = answer == LargeFileAnswer::Fit;
        return answer;
    };
    const std::optional<ConversionResult> tooLong = NameTooLong(inputPath, outputName);
    outcome.result = tooLong ? *tooLong : RunConversion(job);
    if (const std::optional<OutcomeBox> box = BoxFor(outcome.result, inputPath, outputName, fitted))
        ShowBox(dialogs, box->text, box->caption, box->flags, box->detail, outcome.unshownBoxes);
    return outcome;
}
