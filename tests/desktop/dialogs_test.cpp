// The desktop boundary's pure pieces, the desktop without a display, and the scripted fake.
#include "desktop/dialogs.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/text_encoding.h"
#include "desktop/dialogs_fake.h"

namespace {

using namespace std::string_literals;

TEST(ParseFilterText, PairsOfDescriptionAndPatterns) {
    const auto filters = ParseFilterText("BMP Dateien (*.BMP)\0*.BMP\0Alle\0*.*;*.txt\0\0"s);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "BMP Dateien (*.BMP)");
    EXPECT_EQ(filters[0].patterns, std::vector<std::string>{"*.BMP"});
    EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.*", "*.txt"}));
    EXPECT_EQ(ParseFilterText("A\0*.a"s).size(), 1u);  // no closing NULs at all
    EXPECT_TRUE(ParseFilterText(""s).empty());
    EXPECT_TRUE(ParseFilterText("\0\0"s).empty());
}

TEST(CaseInsensitivePattern, MatchesEitherCaseAndOnlyThat) {
    const std::string bmp = CaseInsensitivePattern("*.BMP");
    EXPECT_EQ(bmp, "*.[Bb][Mm][Pp]");
    for (const char* name : {"b.bmp", "B.BMP", "x.Bmp"})
        EXPECT_EQ(fnmatch(bmp.c_str(), name, 0), 0) << name;
    for (const char* name : {"b.bmpx", "bmp", "b.bm"})
        EXPECT_NE(fnmatch(bmp.c_str(), name, 0), 0) << name;
    const std::string bracket = CaseInsensitivePattern("[1]?.x");
    EXPECT_EQ(fnmatch(bracket.c_str(), "[1]a.X", 0), 0);
    EXPECT_NE(fnmatch(bracket.c_str(), "1a.x", 0), 0);
    const std::string all = CaseInsensitivePattern("*.*");
    EXPECT_EQ(fnmatch(all.c_str(), "README", 0), 0);  // the system's "*.*" is every file
}

TEST(Windows1252ToUtf8, ConvertsTheSystemsTexts) {
    EXPECT_EQ(Windows1252ToUtf8("Datei \xD6"
                                "ffnen"),
              "Datei \xC3\x96"
              "ffnen");
    EXPECT_EQ(Windows1252ToUtf8("\x80\x9F\xA0\xFF"), "\xE2\x82\xAC\xC5\xB8\xC2\xA0\xC3\xBF");
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");
    EXPECT_EQ(Windows1252ToUtf8("plain\r\n"), "plain\r\n");
}

// Whatever a box is given, GTK gets valid UTF-8 of a bounded length.
TEST(BoxText, ValidAndBoundedInTheMiddle) {
    EXPECT_EQ(BoxText("Done!\r\nNext \xD7"), "Done!\nNext \xC3\x97");
    EXPECT_EQ(BoxDetail("/tmp/\xFF.png"), "/tmp/\xEF\xBF\xBD.png");
    const std::string longText = "<" + std::string(50'000'000, 'x') + ">";
    for (const std::string& shown : {BoxText(longText), BoxDetail(longText)}) {
        EXPECT_LE(CharacterCount(shown), BoxTextLimit) << shown.substr(0, 80);
        EXPECT_EQ(shown.front(), '<');
        EXPECT_EQ(shown.back(), '>');
        EXPECT_NE(shown.find("x\xE2\x80\xA6x"), std::string::npos);  // the ellipsis between
    }
}

TEST(WithDefaultExtension, OnlyForNamesWithoutOne) {
    EXPECT_EQ(WithDefaultExtension("/a/b", "bi"), "/a/b.bi");
    EXPECT_EQ(WithDefaultExtension("/a.d/b", ".bi"), "/a.d/b.bi");
    EXPECT_EQ(WithDefaultExtension("/a/b.txt", "bi"), "/a/b.txt");
    EXPECT_EQ(WithDefaultExtension("/a/b", ""), "/a/b");
}

TEST(DesktopDialogs, WithoutADisplayTheyAreUnavailable) {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    const Dialogs desktop = DesktopDialogs();
    EXPECT_EQ(desktop.messageBox("text", "caption", BoxOk | IconError, ""), AnswerUnavailable);
    EXPECT_EQ(desktop.askThreeWays("text", "caption", IconQuestion, "", "third"),
              AnswerUnavailable);
    const FileChoice choice = desktop.chooseFile(FileChooserRequest{});
    EXPECT_EQ(choice.status, ChoiceStatus::Unavailable);
    EXPECT_TRUE(choice.path.empty());
}

TEST(ScriptedDialogs, AnswersFromTheScriptAndRecordsTheQuestions) {
    DialogScript script;
    script.answers = {AnswerYes};
    script.choices = {{ChoiceStatus::Chosen, "/tmp/a.bmp"}};
    const Dialogs fake = ScriptedDialogs(script);
    EXPECT_EQ(fake.messageBox("ok?", "C", BoxOk, ""), AnswerOk);  // OK boxes need no script
    EXPECT_EQ(fake.messageBox("q1", "C", BoxYesNo, ""), AnswerYes);
    EXPECT_EQ(fake.messageBox("q2", "C", BoxYesNo, ""), AnswerNo);  // nothing scripted left
    EXPECT_EQ(script.unscripted, 1);
    ASSERT_EQ(script.boxes.size(), 3u);
    EXPECT_EQ(script.boxes[2].text, "q2");

    FileChooserRequest request;
    request.title =
        "Datei \xD6"
        "ffnen";
    EXPECT_EQ(fake.chooseFile(request).path, "/tmp/a.bmp");
    EXPECT_EQ(fake.chooseFile(request).status, ChoiceStatus::Cancelled);
    EXPECT_EQ(script.requests.size(), 2u);
    EXPECT_EQ(script.unscripted, 2);

    script.answers = {AnswerThird};
    EXPECT_EQ(fake.askThreeWays("q3", "C", IconQuestion, "d", "Fit"), AnswerThird);
    EXPECT_EQ(fake.askThreeWays("q4", "C", IconQuestion, "d", "Fit"), AnswerNo);  // the default
    EXPECT_EQ(script.boxes.back().third, "Fit");

    script.unavailable = true;
    EXPECT_EQ(fake.messageBox("x", "C", BoxOk, ""), AnswerUnavailable);
    EXPECT_EQ(fake.chooseFile(request).status, ChoiceStatus::Unavailable);
}

}  // namespace
