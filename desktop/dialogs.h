// The desktop's dialogs as both programs use them: modal message boxes and the file-open and
// file-save choosers. A Dialogs record is a table of plain function values, so the real desktop
// (DesktopDialogs, GTK 3) and the scripted fake of the tests are interchangeable.
//
// Texts passed in are the system's Windows-1252 byte strings; paths are bytes, used unchanged. A
// message box's detail, the second paragraph under its text, is UTF-8 (reasons and paths).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Message-box flags: buttons in bits 0-3, icon in bits 4-7.
inline constexpr uint32_t ButtonsMask = 0x0F;
inline constexpr uint32_t BoxOk = 0x00;
inline constexpr uint32_t BoxYesNo = 0x04;
inline constexpr uint32_t IconMask = 0xF0;
inline constexpr uint32_t IconError = 0x10;
inline constexpr uint32_t IconQuestion = 0x20;
inline constexpr uint32_t IconWarning = 0x30;
inline constexpr uint32_t IconInformation = 0x40;
// Bit 8: the second button (No) is the default, for questions where Yes costs something.
inline constexpr uint32_t DefaultSecond = 0x100;

// What a message box gives back. Escape or closing a Yes/No box counts as No.
inline constexpr int32_t AnswerUnavailable = 0;  // no desktop to show the box on
inline constexpr int32_t AnswerOk = 1;
inline constexpr int32_t AnswerYes = 6;
inline constexpr int32_t AnswerNo = 7;
inline constexpr int32_t AnswerThird = 8;  // the third answer of a three-way question

// Texts in boxes are kept to about this many characters each, a longer one shortened in its
// middle: a box stays on the screen, and builds at once, whatever it is given.
inline constexpr int32_t BoxTextLimit = 1000;

struct FileChooserRequest {
    bool save = false;  // the file-save dialog instead of the file-open one
    std::string title;
    // The system's filter form: pairs of a description and a pattern list ("*.a;*.b"), each
    // ended by a NUL, the whole ended by a second NUL.
    std::string filter;
    int32_t filterIndex = 1;  // 1-based: the pair shown first
    std::string initialFolder;
    std::string defaultExtension;  // save mode: appended to a name typed without one
};

enum class ChoiceStatus { Chosen, Cancelled, Unavailable };

struct FileChoice {
    ChoiceStatus status = ChoiceStatus::Cancelled;
    std::string path;  // the full path when chosen
};

struct Dialogs {
    std::function<int32_t(std::string_view text, std::string_view caption, uint32_t flags,
                          std::string_view detail)>
        messageBox;
    std::function<FileChoice(const FileChooserRequest& request)> chooseFile;
    // A question with a third answer, `third` (in the system's code page), between No and Yes:
    // AnswerYes, AnswerThird or AnswerNo, which is the default and what Escape or closing the box
    // give. The flags choose the icon.
    std::function<int32_t(std::string_view text, std::string_view caption, uint32_t flags,
                          std::string_view detail, std::string_view third)>
        askThreeWays;
};

// The desktop's own dialogs (GTK 3), opened lazily on first use. `ownerWindow` is the X11 window
// the dialogs stay above (0: none). Without a display every call reports Unavailable.
Dialogs DesktopDialogs(uint64_t ownerWindow = 0);

// --- Pieces of the desktop boundary, exposed for their tests ---

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};
// The pairs of a filter in the system's form; a missing final NUL is tolerated.
std::vector<FileFilter> ParseFilterText(std::string_view filter);
// A glob that matches letters in either case ("*.BMP" -> "*.[Bb][Mm][Pp]").
std::string CaseInsensitivePattern(std::string_view pattern);
// Windows-1252 bytes as UTF-8 (the five undefined codes become U+FFFD).
std::string Windows1252ToUtf8(std::string_view text);
// A box's text (in the system's code page) or detail (UTF-8) as it is shown: UTF-8, valid, line
// breaks as "\n", at most about BoxTextLimit characters.
std::string BoxText(std::string_view text);
std::string BoxDetail(std::string_view detail);
// A chosen save name with the default extension appended when its file name has none.
std::string WithDefaultExtension(std::string path, std::string_view extension);
