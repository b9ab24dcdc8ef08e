#include "desktop/dialogs_fake.h"

namespace {

int32_t AnswerBox(DialogScript& script, std::string_view text, std::string_view caption,
                  uint32_t flags, std::string_view detail, std::string_view third = {}) {
    if (script.unavailable) return AnswerUnavailable;
    script.boxes.push_back(
        {std::string(text), std::string(caption), flags, std::string(detail), std::string(third)});
    if (script.whileShown) script.whileShown(script.boxes.back());
    if ((flags & ButtonsMask) != BoxYesNo && third.empty()) return AnswerOk;
    if (script.answers.empty()) {
        ++script.unscripted;
        return AnswerNo;
    }
    const int32_t answer = script.answers.front();
    script.answers.pop_front();
    return answer;
}

FileChoice AnswerChooser(DialogScript& script, const FileChooserRequest& request) {
    if (script.unavailable) return {ChoiceStatus::Unavailable, {}};
    script.requests.push_back(request);
    if (script.choices.empty()) {
        ++script.unscripted;
        return {};
    }
    FileChoice choice = script.choices.front();
    script.choices.pop_front();
    return choice;
}

}  // namespace

Dialogs ScriptedDialogs(DialogScript& script) {
    return {[&script](std::string_view text, std::string_view caption, uint32_t flags,
                      std::string_view detail) {
                return AnswerBox(script, text, caption, flags, detail);
            },
            [&script](const FileChooserRequest& request) { return AnswerChooser(script, request); },
            [&script](std::string_view text, std::string_view caption, uint32_t flags,
                      std::string_view detail, std::string_view third) {
                return AnswerBox(script, text, caption, flags, detail, third);
            }};
}
