// The converter's button handler and file dialog against a scripted desktop: what "Chose File"
// asks and writes into the two fields, "Start" on a typed path, "Exit", and IDs that mean nothing.
#include "converter/handler.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <tuple>

#include "converter/file_dialog.h"
#include "converter/paths.h"
#include "desktop/dialogs_fake.h"
#include "screen/screen.h"
#include "screen/window/headless.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::string_literals;

class HandlerTest : public ::testing::Test {
protected:
    HandlerTest() {
        AttachFields(state, inputPath, outputName);
        state.Desktop = ScriptedDialogs(script);
    }

    // "Chose File" answered with `choice`.
    void ChooseFile(FileChoice choice) {
        script.choices.push_back(std::move(choice));
        HandleButton(state, "CF");
    }

    DialogScript script;
    ScrollTextBox inputPath{TextFieldKind::ScrollTextBox, 10, 10, 50};
    ScrollTextBox outputName{TextFieldKind::ScrollTextBox, 10, 30, 50, "Unnamed.bi"};
    ConverterState state;
};

TEST_F(HandlerTest, ChoseFileAsksForABitmapInTheCurrentFolder) {
    ChooseFile({ChoiceStatus::Chosen, "/home/u/Bilder/blume.bmp"});
    ASSERT_EQ(script.requests.size(), 1u);
    const FileChooserRequest& asked = script.requests[0];
    EXPECT_FALSE(asked.save);
    EXPECT_EQ(asked.title,
              "Datei \xD6"
              "ffnen");
    EXPECT_EQ(
        asked.filter,
        "Alle Bilder (*.bmp, *.png, *.jpg, *.jpeg, *.gif, *.webp, *.tif, *.tiff, *.heic, *.heif, "
        "*.avif)\0*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.tif;*.tiff;*.heic;*.heif;*.avif\0"
        "BMP Dateien (*.BMP)\0*.BMP\0\0"s);
    EXPECT_EQ(asked.filterIndex, 1);
    EXPECT_EQ(asked.initialFolder, ".");
    EXPECT_EQ(asked.defaultExtension, "");
    EXPECT_EQ(inputPath.Text, "/home/u/Bilder/blume.bmp");
    EXPECT_EQ(outputName.Text, "Resblume.bi");
    EXPECT_TRUE(script.boxes.empty());
}

TEST_F(HandlerTest, CancellingLeavesBothFieldsAsTheyWere) {
    inputPath.Text = "typed/before.bmp";
    outputName.Text = "mine.bi";
    ChooseFile({ChoiceStatus::Cancelled, {}});
    EXPECT_EQ(inputPath.Text, "typed/before.bmp");
    EXPECT_EQ(outputName.Text, "mine.bi");
}

TEST_F(HandlerTest, WithoutADesktopTheFieldsStayAndTheConsoleIsTold) {
    script.unavailable = true;
    inputPath.Text = "typed/before.bmp";
    ::testing::internal::CaptureStderr();
    HandleButton(state, "CF");
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(inputPath.Text, "typed/before.bmp");
    EXPECT_EQ(outputName.Text, "Unnamed.bi");
    EXPECT_NE(said.find("file dialog"), std::string::npos) << said;
}

TEST_F(HandlerTest, OutputNameDropsTheExtensionAfterTheLastSeparator) {
    const std::pair<std::string, std::string> cases[] = {
        {"/x/abcd", "Resabcd.bi"},           // no dot: the name stays whole
        {"/x/abc", "Resabc.bi"},             //
        {"/x/a", "Resa.bi"},                 //
        {"C:\\x\\bild.jpeg", "Resbild.bi"},  // whatever the extension is
        {"C:\\Bilder\\blume.bmp", "Resblume.bi"},
        {"/home/u/my.pics\\flower.BMP", "Resflower.bi"},
        {"relative.bmp", "Resrelative.bi"},
    };
    for (const auto& [path, name] : cases) {
        ChooseFile({ChoiceStatus::Chosen, path});
        EXPECT_EQ(inputPath.Text, path);
        EXPECT_EQ(outputName.Text, name) << path;
    }
}

TEST_F(HandlerTest, ADroppedFileFillsBothFieldsTheFirstOfSeveral) {
    TakeDroppedFile(state, {});
    EXPECT_EQ(inputPath.Text, "");
    EXPECT_EQ(outputName.Text, "Unnamed.bi");
    TakeDroppedFile(state, {"/tmp/B\xC3\xA4ume \xC3\x9C.bmp", "/tmp/second.bmp"});
    EXPECT_EQ(inputPath.Text, "/tmp/B\xC3\xA4ume \xC3\x9C.bmp");
    EXPECT_EQ(outputName.Text, "ResB\xC3\xA4ume \xC3\x9C.bi");
    EXPECT_TRUE(script.requests.empty());  // no dialog, no conversion
    EXPECT_TRUE(script.boxes.empty());
}

// The output name follows the path, typed, pasted or dropped, until the user writes their own;
// choosing or dropping a file makes it the converter's again. Each step: what is done, then the
// two fields' texts.
TEST_F(HandlerTest, TheOutputNameFollowsThePathUntilTheUserEditsIt) {
    const auto type = [this](const char* path) { inputPath.Text = path; };
    const std::tuple<std::function<void()>, const char*> steps[] = {
        {[] {}, "Unnamed.bi"},
        {[&] { type("/p/a.png"); }, "Resa.bi"},
        {[&] { type("/p/a.png.jpg"); }, "Resa.png.bi"},  // a paste arrives the same way
        {[&] { type(""); }, "Unnamed.bi"},
        {[&] { TakeDroppedFile(state, {"/d/drop.gif"}); }, "Resdrop.bi"},
        {[&] { outputName.Text = "mine.bi"; }, "mine.bi"},
        {[&] { type("/p/b.bmp"); }, "mine.bi"},  // the user's own name stays
        {[&] {
             ChooseFile({ChoiceStatus::Chosen, "/c/chosen.bmp"});
         },
         "Reschosen.bi"},
        {[&] { type("/p/c.tif"); }, "Resc.bi"},
    };
    for (const auto& [act, output] : steps) {
        act();
        FollowInputPath(state);
        EXPECT_EQ(outputName.Text, output) << inputPath.Text;
    }
}

TEST_F(HandlerTest, OnlyTheExactIdsAct) {
    inputPath.Text = "a.bmp";
    for (const char* id : {"Chose File", "cf", "start", "EXIT", "Start ", ""})
        HandleButton(state, id);
    EXPECT_TRUE(script.requests.empty());
    EXPECT_TRUE(script.boxes.empty());
    EXPECT_EQ(inputPath.Text, "a.bmp");
    EXPECT_EQ(outputName.Text, "Unnamed.bi");
}

TEST_F(HandlerTest, ExitEndsTheProgramAtOnceWithStatusZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(HandleButton(state, "Exit"), ::testing::ExitedWithCode(0), "");
}

// "Start" converts whatever the two fields hold at that moment.
class StartTest : public HandlerTest {
protected:
    static void SetUpTestSuite() {
        headless::UseHeadlessBackend();
        ASSERT_EQ(OpenScreen(640, 50, 32), ScreenResult::Ok);
    }
    static void TearDownTestSuite() { CloseScreen(); }

    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.Path());
    }
    void TearDown() override { std::filesystem::current_path(previous); }

    // An opaque red pixel left of an opaque blue one.
    std::string WriteRedBlue(const std::string& name) {
        return dir.Write(name, bmp::Encode24({{0xFF0000, 0x0000FF}}));
    }

    TempDir dir;
    std::filesystem::path previous;
};

TEST_F(StartTest, ATypedPathIsConvertedToTheNameInTheOutputField) {
    inputPath.Text = WriteRedBlue("typed.bmp");
    HandleButton(state, "Start");
    EXPECT_EQ(ReadText(dir / "Unnamed.bi"),
              "Unnamed_bi:\r\nData 2\r\nData 1\r\nData 255, 255, 0,0\r\nData 255, 0, 0,255\r\n");
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].text, "Done!");
    EXPECT_EQ(script.boxes[0].caption, "OK");
    EXPECT_EQ(inputPath.Text, dir / "typed.bmp");
}

TEST_F(StartTest, AChosenFileIsWrittenUnderItsDerivedName) {
    ChooseFile({ChoiceStatus::Chosen, WriteRedBlue("blume.bmp")});
    HandleButton(state, "Start");
    const std::string written = ReadText(dir / "Resblume.bi");
    EXPECT_EQ(written.substr(0, written.find('\r')), "Resblume_bi:");
    EXPECT_EQ(script.boxes.size(), 1u);
}

TEST_F(StartTest, WithoutADesktopTheOutcomeGoesToStandardError) {
    script.unavailable = true;
    std::ofstream(dir / "out.bi", std::ios::binary) << "old";
    inputPath.Text = WriteRedBlue("in.bmp");
    outputName.Text = dir / "out.bi";
    testing::internal::CaptureStderr();
    HandleButton(state, "Start");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("This file allready exists! Overwrite?"), std::string::npos) << err;
    EXPECT_EQ(ReadText(dir / "out.bi"), "old");  // an unanswerable question is no Yes
}

// "~/" in either field is the home folder; a path longer than the system takes is refused at
// once, and the box shows it shortened in its middle.
TEST_F(StartTest, HomeFolderAndOverlongPaths) {
    const char* home = std::getenv("HOME");
    const std::string homeBefore = home ? home : "";
    ::setenv("HOME", dir.Path().c_str(), 1);
    WriteRedBlue("home.bmp");
    inputPath.Text = "~/home.bmp";
    outputName.Text = "~/fromhome.bi";
    HandleButton(state, "Start");
    ::setenv("HOME", homeBefore.c_str(), 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "fromhome.bi"));
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].text, "Done!");

    const std::string name(20 << 20, 'n');
    const std::pair<std::string, std::string> cases[] = {
        // input, output: the overlong one is shown in 200 characters
        {"/" + name, "out.bi"},
        {WriteRedBlue("short.bmp"), "/" + name},
    };
    for (const auto& [input, output] : cases) {
        script.boxes.clear();
        inputPath.Text = input;
        outputName.Text = output;
        HandleButton(state, "Start");
        ASSERT_EQ(script.boxes.size(), 1u);
        const std::string& detail = script.boxes[0].detail;
        const std::string shown = "/" + name.substr(0, 98) + "\u2026" + name.substr(0, 100);
        EXPECT_NE(detail.find(shown), std::string::npos) << detail.substr(0, 300);
        EXPECT_LT(detail.size(), 300u);
        EXPECT_NE(detail.find("File name too long"), std::string::npos) << detail.substr(0, 300);
    }
}

// A file URI pasted into the input field is its path by the rules of a dropped one; other
// pasted text stays as it is.
TEST_F(StartTest, APastedFileUriBecomesItsPath) {
    const std::pair<std::string, std::string> cases[] = {
        {"file:///tmp/B%C3%A4ume%20%C3%9C.png\r\nfile:///x", "/tmp/B\xC3\xA4ume \xC3\x9C.png"},
        {"FILE://localhost/tmp/a.png", "/tmp/a.png"},
        {"file://elsewhere.example/tmp/a.png", ""},  // another machine's
        {"file:///tmp/a.png%00.bmp", ""},            // refused, as a drop would be
        {"/tmp/plain file.png", "/tmp/plain file.png"},
        {"file:notes.txt", "file:notes.txt"},  // no URI of a file
    };
    for (const auto& [clipboard, path] : cases) {
        inputPath.Text.clear();
        inputPath.Focused = 1;
        headless::SetClipboardText(clipboard);
        headless::PressKey(22);  // Ctrl+V
        headless::Sync();
        Update(inputPath);
        EXPECT_EQ(inputPath.Text, path) << clipboard;
    }
}

TEST(Paths, TheHomeFolderAndShownPaths) {
    const char* home = std::getenv("HOME");
    const std::string homeBefore = home ? home : "";
    ::setenv("HOME", "/home/u", 1);
    const std::pair<std::string, std::string> cases[] = {
        {"~/a.png", "/home/u/a.png"}, {"~", "/home/u"}, {"~user/a.png", "~user/a.png"},
        {"a/~/b", "a/~/b"},           {"", ""},
    };
    for (const auto& [typed, path] : cases) EXPECT_EQ(ExpandHome(typed), path) << typed;
    ::setenv("HOME", homeBefore.c_str(), 1);
    EXPECT_EQ(ShownPath("/short.png"), "/short.png");
    EXPECT_EQ(WithShownPath("cannot open /" + std::string(300, 'x') + ": why",
                            "/" + std::string(300, 'x')),
              "cannot open /" + std::string(98, 'x') + "\u2026" + std::string(100, 'x') + ": why");
}

// A typed or dropped name that could steer the console's terminal reaches it escaped.
TEST_F(StartTest, WithoutADesktopANameReachesTheConsoleEscaped) {
    script.unavailable = true;
    inputPath.Text = "no\x1b[31m\afile\xff.png";
    testing::internal::CaptureStderr();
    HandleButton(state, "Start");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "converter: no desktop for the message box \"Error\": Something went wrong while "
              "loading File.  Maybe the filename wasnt correct. (no\\x1b[31m\\x07file\\xff.png: "
              "cannot read: No such file or directory)\n");
}

TEST_F(StartTest, AnEmptyPathIsTheLoadFailure) {
    HandleButton(state, "Start");
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].caption, "Error");
    EXPECT_EQ(script.boxes[0].flags, BoxOk | IconError);
    EXPECT_FALSE(std::filesystem::exists(dir / "Unnamed.bi"));
}

// Busy while converting (held at writing into a pipe nobody reads yet, after the overwrite
// question), not while a box is up, nor afterwards.
TEST_F(StartTest, ThePointerIsBusyWhileConvertingButNotUnderABox) {
    ASSERT_EQ(::mkfifo((dir / "pipe.bi").c_str(), 0600), 0);
    const int reader = ::open((dir / "pipe.bi").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    inputPath.Text = dir.Write("in.bmp", bmp::Encode24({std::vector<uint32_t>(20000, 7)}));
    outputName.Text = dir / "pipe.bi";  // more than a pipe holds goes in
    script.answers = {AnswerYes};
    std::vector<bool> busyUnderBoxes;
    std::atomic<int> boxes = 0;
    script.whileShown = [&](const AskedBox&) {
        headless::Sync();
        busyUnderBoxes.push_back(headless::PointerBusy());
        ++boxes;
    };
    std::atomic<bool> finished = false;
    std::thread start([&] {
        HandleButton(state, "Start");
        finished = true;
    });
    bool busyWhileWriting = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!busyWhileWriting && std::chrono::steady_clock::now() < deadline) {
        headless::Sync();
        busyWhileWriting = boxes > 0 && headless::PointerBusy();
    }
    for (char buffer[4096]; !finished;)
        if (::read(reader, buffer, sizeof buffer) <= 0) std::this_thread::yield();
    start.join();
    ::close(reader);
    headless::Sync();
    EXPECT_TRUE(busyWhileWriting);
    EXPECT_EQ(busyUnderBoxes, (std::vector<bool>{false, false}));  // the question, "Done!"
    EXPECT_FALSE(headless::PointerBusy());
}

// The file dialog's own defaults, in the mode the converter itself does not use.
TEST(FileDialog, SaveModeWithItsDefaults) {
    DialogScript script;
    script.choices.push_back({ChoiceStatus::Chosen, "/tmp/out.bi"});
    const std::string chosen = FileDialog(ScriptedDialogs(script), 1, "", 1, "", "bi").path;
    EXPECT_EQ(chosen, "/tmp/out.bi");
    ASSERT_EQ(script.requests.size(), 1u);
    const FileChooserRequest& asked = script.requests[0];
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.title, "Datei Speichern");
    EXPECT_EQ(asked.filter, "Alle Dateien (*.*)\0*.*\0\0"s);
    EXPECT_EQ(asked.initialFolder, ".");
    EXPECT_EQ(asked.defaultExtension, "bi");
}

TEST(FileDialog, OpenModeTakesNoDefaultExtensionAndKeepsThePathAsChosen) {
    DialogScript script;
    // On this desktop blanks at the ends of a name are part of it.
    script.choices.push_back({ChoiceStatus::Chosen, "/pics/ edge .bmp "});
    const std::string chosen =
        FileDialog(ScriptedDialogs(script), FileDialogOpen, "B\0*.b\0\0"s, 1, "/pics", "bmp").path;
    EXPECT_EQ(chosen, "/pics/ edge .bmp ");
    ASSERT_EQ(script.requests.size(), 1u);
    EXPECT_EQ(script.requests[0].defaultExtension, "");
    EXPECT_EQ(script.requests[0].initialFolder, "/pics");
    EXPECT_EQ(script.requests[0].filter, "B\0*.b\0\0"s);
}

}  // namespace
