#include "converter/start.h"

#include <optional>

namespace {

// Shows a box; one that no desktop could show is kept in `unshown` for the program to tell.
int32_t ShowBox(const Dialogs& dialogs, std::string_view text, std::string_view caption,
                uint32_t flags, std::vector<UnshownBox>& unshown) {
    const int32_t answer =
        dialogs.messageBox ? dialogs.messageBox(text, caption, flags) : AnswerUnavailable;
    if (answer == AnswerUnavailable) unshown.push_back({std::string(caption), std::string(text)});
    return answer;
}

struct OutcomeBox {
    std::string_view text;
    std::string_view caption;
    uint32_t flags = 0;
};

// The box that tells the user how a conversion ended; none when the user declined to overwrite.
std::optional<OutcomeBox> BoxFor(ConversionStatus status) {
    switch (status) {
        case ConversionStatus::Done:
            return OutcomeBox{DoneText, DoneCaption, BoxOk | IconInformation};
        case ConversionStatus::LoadFailed:
            return OutcomeBox{LoadFailedText, ErrorCaption, BoxOk | IconError};
        case ConversionStatus::Declined:
        case ConversionStatus::DeclinedAppeared:
            return std::nullopt;
        case ConversionStatus::OpenFailed:
            return OutcomeBox{OpenFailedText, ErrorCaption, BoxOk | IconError};
        case ConversionStatus::WriteFailed:
            return OutcomeBox{WriteFailedText, ErrorCaption, BoxOk | IconError};
    }
    return std::nullopt;
}

}  // namespace

ConversionOutcome ConvertPicture(const std::string& inputPath, const std::string& outputName,
                                 const Dialogs& dialogs) {
    ConversionOutcome outcome;
    ConversionJob job;
    job.inputPath = inputPath;
    job.outputPath = outputName;
    job.label = MakeLabel(outputName);
    job.allowOverwrite = [&dialogs, &outcome] {
        return ShowBox(dialogs, OverwriteQuestionText, ErrorCaption, BoxYesNo | IconError,
                       outcome.unshownBoxes) == AnswerYes;
    };
    outcome.result = RunConversion(job);
    if (const std::optional<OutcomeBox> box = BoxFor(outcome.result.status))
        ShowBox(dialogs, box->text, box->caption, box->flags, outcome.unshownBoxes);
    return outcome;
}
