#include "converter/start.h"

#include <cstdio>
#include <filesystem>
#include <optional>

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

// The box that tells the user how a conversion ended; none when the user declined.
std::optional<OutcomeBox> BoxFor(const ConversionResult& result, const std::string& input,
                                 const std::string& output) {
    switch (result.status) {
        case ConversionStatus::Done:
            return OutcomeBox{DoneText, DoneCaption, BoxOk | IconInformation,
                              FullPath(output) + ", " + SizeInWords(result.bytes)};
        case ConversionStatus::LoadFailed:
        case ConversionStatus::Unfit:
            return OutcomeBox{LoadFailedText, ErrorCaption, BoxOk | IconError,
                              input + ": " + result.problem};
        case ConversionStatus::Declined:
        case ConversionStatus::DeclinedAppeared:
        case ConversionStatus::DeclinedLarge:
            return std::nullopt;
        case ConversionStatus::OpenFailed:
            return OutcomeBox{OpenFailedText, ErrorCaption, BoxOk | IconError, result.problem};
        case ConversionStatus::WriteFailed:
            return OutcomeBox{WriteFailedText, ErrorCaption, BoxOk | IconError, result.problem};
    }
    return std::nullopt;
}

std::string LargeQuestion(int64_t bytes, int64_t width, int64_t height) {
    return "The include file will take " + SizeInWords(bytes) + " for a picture of " +
           std::to_string(width) + " x " + std::to_string(height) + " pixels. Write it?";
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
    job.label = MakeLabel(outputName);
    job.allowOverwrite = [&dialogs, &outcome] {
        return ShowBox(dialogs, OverwriteQuestionText, ErrorCaption, BoxYesNo | IconError, {},
                       outcome.unshownBoxes) == AnswerYes;
    };
    job.allowLarge = [&dialogs, &outcome](int64_t bytes, int64_t width, int64_t height) {
        return ShowBox(dialogs, LargeQuestion(bytes, width, height), LargeFileCaption,
                       BoxYesNo | IconQuestion | DefaultSecond, {},
                       outcome.unshownBoxes) == AnswerYes;
    };
    outcome.result = RunConversion(job);
    if (const std::optional<OutcomeBox> box = BoxFor(outcome.result, inputPath, outputName))
        ShowBox(dialogs, box->text, box->caption, box->flags, box->detail, outcome.unshownBoxes);
    return outcome;
}
