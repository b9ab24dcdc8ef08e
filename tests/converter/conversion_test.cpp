// The conversion: picture loading, labels, the include file byte for byte, and the
// converter's message boxes as a scripted desktop sees them.
#include "converter/conversion.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "converter/start.h"
#include "desktop/dialogs_fake.h"
#include "pixeldata/writer.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/pixel_limit.h"
#include "tests/support/png_writer.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const auto Bmp24 = bmp::Encode24;

// The include file as the format describes it, written here with printf.
std::string ExpectedFile(const std::string& label, int32_t w, int32_t h,
                         const std::vector<uint32_t>& argb) {
    std::string text =
        label + ":\r\nData " + std::to_string(w) + "\r\nData " + std::to_string(h) + "\r\n";
    char line[64];
    for (uint32_t c : argb) {
        std::snprintf(line, sizeof line, "Data %u, %u, %u,%u\r\n", c >> 24, (c >> 16) & 0xFF,
                      (c >> 8) & 0xFF, c & 0xFF);
        text += line;
    }
    return text;
}

class ConversionTest : public ::testing::Test {
protected:
    void Convert(const std::string& input, const std::string& output) {
        ConvertPicture(input, output, dialogs);
    }
    // The one box shown, as "caption|text|flags".
    std::string OnlyBox() const {
        if (script.boxes.size() != 1) return "boxes shown: " + std::to_string(script.boxes.size());
        const AskedBox& b = script.boxes[0];
        return b.caption + "|" + b.text + "|" + std::to_string(b.flags);
    }
    std::vector<std::string> FolderEntries() const { return Entries(dir.Path()); }

    TempDir dir;
    DialogScript script;
    Dialogs dialogs = ScriptedDialogs(script);
};

const std::string DoneBox = "OK|Done!|64";
const std::string LoadFailedBox =
    "Error|Something went wrong while loading File.\r\nMaybe the filename wasnt correct.|16";
const std::string WriteFailedBox = "Error|Error! Could not write output file!|16";
// Yes/No with No the default (0x100), so that Return keeps the file.
const std::string QuestionBox = "Error|This file allready exists! Overwrite?|276";

// ---------------------------------------------------------------------------------------------
// Label, names

// Names that gave a BASIC label keep it; digits first and letters outside ASCII do not.
TEST(MakeLabel, ReplacesBlanksAndMarksAndTrims) {
    const std::tuple<std::string, std::string> cases[] = {
        {"Unnamed.bi", "Unnamed_bi"},
        {"Resflower.bi", "Resflower_bi"},
        {" my pic.bi ", "my_pic_bi"},
        {"C:\\out\\a.bi", "C:\\out\\a_bi"},
        {"out/dir-1/a+b.bi", "out_dir_1_a_b_bi"},
        {"!\"#$%&'()*+,-./09:;@[`{~", "_______________09:;@[`{~"},
        {"   ", ""},
        {"Resnew\nline\r.bi", "Resnew_line__bi"},  // a label is one line
        {"2024.bi", "_2024_bi"},
        {" 9", "_9"},
        {"Res\xc3\xa9t\xc3\xa9 \xc3\x86sop \xc5\x81\xc3\xb3"
         "d\xc5\xba \xc3\x9f.bi",
         "Resete_AEsop_Lodz_ss_bi"},
        {"\xc3\xa9"
         "clair.bi",
         "eclair_bi"},
        {"Res\xe2\x82\xac\xc3\x97\xf0\x9f\x98\x80.bi", "Res____bi"},  // euro, times, an emoji
        {std::string("a\tb\x7f\xe9\x01\x1b", 7), "a_b____"},          // controls, a stray byte
        {"Res\xc3.bi", "Res__bi"},                                    // a cut-short character
    };
    for (const auto& [name, label] : cases) EXPECT_EQ(MakeLabel(name), label) << name;
}

TEST(DeriveOutputName, DropsTheExtensionFromTheLastDot) {
    EXPECT_EQ(DeriveOutputName("/home/u/Bilder/blume.bmp"), "Resblume.bi");
    EXPECT_EQ(DeriveOutputName("x/bild.jpeg"), "Resbild.bi");
    EXPECT_EQ(DeriveOutputName("x/abcd"), "Resabcd.bi");
    EXPECT_EQ(DeriveOutputName("x/ab"), "Resab.bi");
    EXPECT_EQ(DeriveOutputName(""), "Res.bi");
    EXPECT_EQ(DeriveOutputName("C:\\x\\ab"), "Resab.bi");
    EXPECT_EQ(DeriveOutputName("C:\\x/y\\bild.jpeg"), "Resbild.bi");
    EXPECT_EQ(DeriveOutputName("my.pics/sheet.v2.PNG"), "Ressheet.v2.bi");
    EXPECT_EQ(DeriveOutputName("x/.gif"), "Res.bi");
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST_F(ConversionTest, PictureHoldsTheDecodedPixels) {
    const picture::LoadedPicture p = LoadPicture(dir.Write("a.bmp", Bmp24({{0x102030, 0x405060}})));
    ASSERT_TRUE(p.pixels);
    EXPECT_EQ(p.pixels.Width(), 2);
    EXPECT_EQ(p.pixels.Height(), 1);
    EXPECT_EQ(p.pixels.Row(0)[1], 0xFF405060u);
}

TEST_F(ConversionTest, PicturesThatCannotBeMade) {
    std::vector<uint8_t> cut = Bmp24({{1, 2, 3}, {4, 5, 6}});
    cut.resize(cut.size() - 5);
    std::vector<uint8_t> cutNoOffset = cut;  // offset 0: the rows follow the headers
    bmp::Put32(cutNoOffset, 10, 0);
    bmp::Bitmap rle4At8 = bmp::RunLength(8, 1, 1, {0, 1});
    rle4At8.compression = 2;
    const bmp::Bitmap rleCut = bmp::RunLength(8, 1, 1, {1, 2, 0});
    const std::pair<std::string, std::string> cases[] = {
        {dir / "missing.bmp", "cannot read: No such file or directory"},
        {"", "cannot read: No such file or directory"},
        {dir.Write("png.bmp", {0x89, 'P', 'N', 'G'}),
         "not a picture file this program reads (BMP, PNG, JPEG, GIF, WebP, TIFF, HEIC, AVIF)"},
        {dir.Write("cut.bmp", cut), "declares 3 x 2 pixels, more than its 73 bytes hold"},
        {dir.Write("cut0.bmp", cutNoOffset), "declares 3 x 2 pixels, more than its 73 bytes hold"},
        {dir.Write("rlecut.bmp", bmp::Encode(rleCut)),
         "its run-length data ends before its top row"},
        {dir.Write("rle.bmp", bmp::Encode(rle4At8)),
         "cut short or damaged, or a kind of picture that is not supported"},
        {dir.Path(), "a folder, not a picture file"},
        {dir / "pipe.bmp", "a pipe, not a regular file"},
    };
    ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
    for (const auto& [path, problem] : cases) {
        const picture::LoadedPicture p = LoadPicture(path);
        EXPECT_FALSE(p.pixels) << path;
        EXPECT_EQ(p.problem, problem) << path;
    }
}

TEST_F(ConversionTest, HugeDeclaredSizesAreRefusedBeforeAllocation) {
    // 60 bytes declaring 1 x 200,000,000 pixels: refused from the header and the file size.
    const std::vector<uint8_t> bytes = bmp::Encode({.height = 200'000'000, .pixels = {1, 2}});
    ASSERT_EQ(bytes.size(), 56u);
    const auto start = std::chrono::steady_clock::now();
    const picture::LoadedPicture p = LoadPicture(dir.Write("tall.bmp", bytes));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_FALSE(p.pixels);
    EXPECT_EQ(p.problem, "declares 1 x 200000000 pixels, more than its 56 bytes hold");

    // Beyond a raised pixel limit, run-length pictures with data enough to reach every row (the
    // files stored sparse) fail cleanly on their size alone.
    const ScopedPixelLimit noLimit(INT64_MAX);
    bmp::Bitmap rle = bmp::RunLength(8, INT32_MAX, INT32_MAX, {0, 1});
    const std::string hugePath = dir.Write("huge.bmp", bmp::Encode(rle));
    ASSERT_EQ(::truncate(hugePath.c_str(), 40'000'000), 0);
    const picture::LoadedPicture huge = LoadPicture(hugePath);
    EXPECT_FALSE(huge.pixels);
    EXPECT_EQ(huge.problem.rfind("too large for this machine's memory", 0), 0u) << huge.problem;
    rle.width = 40000;
    rle.height = 20000;  // 3.2 GB: beyond what an image may hold
    rle.pixels.resize(400);
    const picture::LoadedPicture big = LoadPicture(dir.Write("big.bmp", bmp::Encode(rle)));
    EXPECT_FALSE(big.pixels);
    EXPECT_EQ(big.problem.rfind("too large for ", 0), 0u) << big.problem;

    const bmp::Bitmap oddBits{.height = 2, .bitCount = 7, .pixels = {1, 2}};
    EXPECT_EQ(LoadPicture(dir.Write("odd.bmp", bmp::Encode(oddBits))).problem,
              "unsupported bit count (7)");
}

// ---------------------------------------------------------------------------------------------
// The include file

TEST_F(ConversionTest, TheTwoByOneExampleByteForByte) {
    const std::string input = dir.Write("in.bmp", Bmp24({{0xFF0000, 0x0000FF}}));
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    Convert(input, "Unnamed.bi");
    fs::current_path(previous);
    EXPECT_EQ(ReadText(dir / "Unnamed.bi"),
              "Unnamed_bi:\r\nData 2\r\nData 1\r\nData 255, 255, 0,0\r\nData 255, 0, 0,255\r\n");
    EXPECT_EQ(OnlyBox(), DoneBox);
}

TEST_F(ConversionTest, OnePixelGivesFourLines) {
    Convert(dir.Write("in.bmp", Bmp24({{0x000000}})), dir / "one.bi");
    const std::string label = MakeLabel(dir / "one.bi");
    EXPECT_EQ(ReadText(dir / "one.bi"), label + ":\r\nData 1\r\nData 1\r\nData 255, 0, 0,0\r\n");
}

TEST_F(ConversionTest, AlphaComesFromTheLoader) {
    const bmp::Bitmap b{
        .width = 2, .bitCount = 32, .pixels = bmp::StoreRows({{0x00FFFFFF, 0x7F010203}}, 32)};
    Convert(dir.Write("a.bmp", bmp::Encode(b)), dir / "a.bi");
    EXPECT_EQ(ReadText(dir / "a.bi"),
              ExpectedFile(MakeLabel(dir / "a.bi"), 2, 1, {0x00FFFFFF, 0x7F010203}));
}

TEST_F(ConversionTest, EveryChannelValueInEveryPosition) {
    // 256 x 3 pixels: value v in alpha, red, green and blue of column v, in each row's own mix.
    std::vector<uint32_t> argb;
    std::vector<std::vector<uint32_t>> rows(3);
    for (uint32_t y = 0; y < 3; ++y) {
        for (uint32_t v = 0; v < 256; ++v) {
            const uint32_t c = (v << 24) | (((v + 85 * y) & 0xFF) << 16) |
                               (((255 - v) & 0xFF) << 8) | ((v * 7 + y) & 0xFF);
            rows[y].push_back(c);
            argb.push_back(c);
        }
    }
    const bmp::Bitmap b{
        .width = 256, .height = 3, .bitCount = 32, .pixels = bmp::StoreRows(rows, 32)};
    Convert(dir.Write("all.bmp", bmp::Encode(b)), dir / "all.bi");
    EXPECT_EQ(ReadText(dir / "all.bi"), ExpectedFile(MakeLabel(dir / "all.bi"), 256, 3, argb));
}

TEST_F(ConversionTest, LargePictureAcrossManyBlocks) {
    // About 4.5 MB of text: several of the writer's blocks, lines split across their ends.
    const int32_t w = 701, h = 300;
    std::vector<std::vector<uint32_t>> rows(h, std::vector<uint32_t>(w));
    std::vector<uint32_t> argb;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            rows[y][x] = static_cast<uint32_t>(x * 2654435761u + y * 40503u) & 0xFFFFFF;
            argb.push_back(0xFF000000u | rows[y][x]);
        }
    }
    std::vector<int64_t> reported;
    ConversionJob job{.inputPath = dir.Write("big.bmp", Bmp24(rows)),
                      .outputPath = dir / "big.bi",
                      .label = "big_bi",
                      .allowOverwrite = {},
                      .progress =
                          [&reported](int64_t done, int64_t total) {
                              EXPECT_EQ(total, int64_t{w} * h);
                              reported.push_back(done);
                          },
                      .allowLarge = {},
                      .written = {}};
    ASSERT_EQ(RunConversion(job).status, ConversionStatus::Done);
    EXPECT_EQ(ReadText(dir / "big.bi"), ExpectedFile("big_bi", w, h, argb));
    ASSERT_GE(reported.size(), 3u);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.back(), int64_t{w} * h);
}

TEST_F(ConversionTest, WriterStopsAtTheFirstRefusedBlock) {
    const picture::LoadedPicture p = LoadPicture(dir.Write("a.bmp", Bmp24({{1, 2}, {3, 4}})));
    ASSERT_TRUE(p.pixels);
    int calls = 0;
    EXPECT_FALSE(WriteIncludeFile("x", p.pixels.View(), [&calls](std::string_view) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);
}

// ---------------------------------------------------------------------------------------------
// Boxes and the output file

TEST_F(ConversionTest, LoadFailureTouchesNothing) {
    WriteText(dir / "old.bi", "old");
    for (const std::string& input :
         {dir / "missing.bmp", std::string(), dir.Write("x.bmp", {'X', 'Y'})}) {
        script.boxes.clear();
        Convert(input, dir / "old.bi");
        EXPECT_EQ(OnlyBox(), LoadFailedBox) << input;
    }
    Convert(dir / "missing.bmp", dir / "new.bi");
    EXPECT_EQ(ReadText(dir / "old.bi"), "old");
    EXPECT_FALSE(fs::exists(dir / "new.bi"));
}

TEST_F(ConversionTest, CutShortBitmapIsALoadFailureNotDone) {
    std::vector<uint8_t> cut = Bmp24({{1, 2, 3}, {4, 5, 6}});
    cut.resize(cut.size() - 6);
    Convert(dir.Write("cut.bmp", cut), dir / "cut.bi");
    EXPECT_EQ(OnlyBox(), LoadFailedBox);
    EXPECT_FALSE(fs::exists(dir / "cut.bi"));
}

TEST_F(ConversionTest, OverwriteQuestionAnsweredNoLeavesTheFile) {
    WriteText(dir / "out.bi", "precious");
    script.answers = {AnswerNo};
    Convert(dir.Write("in.bmp", Bmp24({{5}})), dir / "out.bi");
    EXPECT_EQ(OnlyBox(), QuestionBox);
    EXPECT_EQ(ReadText(dir / "out.bi"), "precious");
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"in.bmp", "out.bi"}));
}

TEST_F(ConversionTest, AnyNameThatExistsIsAskedAbout) {
    fs::create_symlink("nowhere.bi", dir / "dangling.bi");
    WriteText(dir / "unreadable.bi", "old");
    ASSERT_EQ(::chmod((dir / "unreadable.bi").c_str(), 0222), 0);
    const std::string input = dir.Write("in.bmp", Bmp24({{1}}));
    for (const char* name : {"dangling.bi", "unreadable.bi"}) {
        script.boxes.clear();
        script.answers = {AnswerNo};
        Convert(input, dir / name);
        EXPECT_EQ(OnlyBox(), QuestionBox) << name;
    }
    EXPECT_EQ(FolderEntries(),
              (std::vector<std::string>{"dangling.bi", "in.bmp", "unreadable.bi"}));
}

TEST_F(ConversionTest, OutputAppearingWhileWritingIsAskedAboutOnceMore) {
    const std::string input = dir.Write("in.bmp", Bmp24({{1, 2}}));
    for (const bool yes : {false, true}) {
        fs::remove(dir / "out.bi");
        int asked = 0;
        const ConversionJob job{.inputPath = input,
                                .outputPath = dir / "out.bi",
                                .label = "out_bi",
                                .allowOverwrite = [&] { return ++asked, yes; },
                                .progress =
                                    [&](int64_t, int64_t) {  // another run is quicker
                                        if (!fs::exists(dir / "out.bi"))
                                            WriteText(dir / "out.bi", "the other run's");
                                    },
                                .allowLarge = {},
                                .written = {}};
        EXPECT_EQ(RunConversion(job).status,
                  yes ? ConversionStatus::Done : ConversionStatus::DeclinedAppeared);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(ReadText(dir / "out.bi") == "the other run's", !yes);
        EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"in.bmp", "out.bi"}));
    }
}

TEST_F(ConversionTest, OverwriteQuestionAnsweredYesReplacesTheFile) {
    WriteText(dir / "out.bi", "old");
    ASSERT_EQ(::chmod((dir / "out.bi").c_str(), 0640), 0);
    script.answers = {AnswerYes};
    Convert(dir.Write("in.bmp", Bmp24({{0x010203}})), dir / "out.bi");
    ASSERT_EQ(script.boxes.size(), 2u);
    EXPECT_EQ(script.boxes[1].text, "Done!");
    EXPECT_EQ(ReadText(dir / "out.bi"),
              ExpectedFile(MakeLabel(dir / "out.bi"), 1, 1, {0xFF010203}));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "out.bi").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);  // the replaced file's mode carries over
}

TEST_F(ConversionTest, NewFilesGetTheUsualMode) {
    const mode_t old = ::umask(027);
    Convert(dir.Write("in.bmp", Bmp24({{1}})), dir / "new.bi");
    ::umask(old);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "new.bi").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(ConversionTest, QuestionComesOnlyAfterThePictureIsSplit) {
    const std::string input = dir.Write("in.bmp", Bmp24({{0x0A0B0C}}));
    WriteText(dir / "out.bi", "old");
    script.answers = {AnswerYes};
    // While the question is up, the input changes; the file written must still be the first one.
    script.whileShown = [&](const AskedBox& box) {
        if (box.flags & BoxYesNo) bmp::WriteFile(input, Bmp24({{0x999999}}));
    };
    Convert(input, dir / "out.bi");
    EXPECT_EQ(ReadText(dir / "out.bi"),
              ExpectedFile(MakeLabel(dir / "out.bi"), 1, 1, {0xFF0A0B0C}));
}

TEST_F(ConversionTest, OutputThatCannotBeOpened) {
    const std::string input = dir.Write("in.bmp", Bmp24({{1}}));
    for (const std::string& output : {std::string(), dir / "no/such/folder/x.bi", dir.Path()}) {
        script.boxes.clear();
        script.answers = {AnswerYes};  // the folder exists, so it is asked about first
        Convert(input, output);
        EXPECT_EQ(script.boxes.back().text, "Error! Could not open output file!") << output;
        EXPECT_EQ(script.boxes.back().flags, 16u);
    }
}

TEST_F(ConversionTest, PipeWithoutReaderFailsToOpenInsteadOfHanging) {
    ASSERT_EQ(::mkfifo((dir / "pipe.bi").c_str(), 0600), 0);
    script.answers = {AnswerYes};
    Convert(dir.Write("in.bmp", Bmp24({{1}})), dir / "pipe.bi");
    EXPECT_EQ(script.boxes.back().text, "Error! Could not open output file!");
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.bi"));
}

TEST_F(ConversionTest, SymbolicLinkIsFollowedAndStays) {
    fs::create_directory(dir / "real");
    WriteText(dir / "real/target.bi", "old");
    fs::create_symlink("real/target.bi", dir / "link.bi");
    fs::create_symlink("real/fresh.bi", dir / "dangling.bi");
    script.answers = {AnswerYes, AnswerYes};
    const std::string input = dir.Write("in.bmp", Bmp24({{7}}));
    Convert(input, dir / "link.bi");
    Convert(input, dir / "dangling.bi");
    EXPECT_TRUE(fs::is_symlink(dir / "link.bi"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.bi"));
    EXPECT_EQ(ReadText(dir / "real/target.bi"),
              ExpectedFile(MakeLabel(dir / "link.bi"), 1, 1, {0xFF000007}));
    EXPECT_EQ(ReadText(dir / "real/fresh.bi"),
              ExpectedFile(MakeLabel(dir / "dangling.bi"), 1, 1, {0xFF000007}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 2);
}

TEST_F(ConversionTest, FullDeviceGivesTheWriteErrorBox) {
    // Our own node for the full device, so that nothing can ever replace the real /dev/full.
    if (::mknod((dir / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "mknod needs root";
    script.answers = {AnswerYes};
    Convert(dir.Write("in.bmp", Bmp24({{1, 2}})), dir / "full");
    ASSERT_EQ(script.boxes.size(), 2u);
    EXPECT_EQ(script.boxes[1].caption + "|" + script.boxes[1].text + "|" +
                  std::to_string(script.boxes[1].flags),
              WriteFailedBox);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "full").c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));  // written in place, never renamed over
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"full", "in.bmp"}));
}

// Makes writes beyond `bytes` fail (EFBIG) for the test's duration, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    sighandler_t previousHandler_;
};

TEST_F(ConversionTest, WriteFailureKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string input = dir.Write("in.bmp", Bmp24({std::vector<uint32_t>(300, 0x123456)}));
    WriteText(dir / "out.bi", "the old content");
    script.answers = {AnswerYes};
    {
        const FileSizeLimit limit(4000);  // the file needs about 7 kB
        Convert(input, dir / "out.bi");
        Convert(input, dir / "fresh.bi");
    }
    ASSERT_EQ(script.boxes.size(), 3u);
    EXPECT_EQ(script.boxes[1].text, "Error! Could not write output file!");
    EXPECT_EQ(script.boxes[2].text, "Error! Could not write output file!");
    EXPECT_EQ(ReadText(dir / "out.bi"), "the old content");
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"in.bmp", "out.bi"}));
}

// Each box keeps its text; its detail says what the user needs to know.
TEST_F(ConversionTest, BoxesSayWhatHappened) {
    const std::string input = dir.Write("in.bmp", Bmp24({{1, 2}}));
    const std::string psd = dir.Write("layers.psd", {'8', 'B', 'P', 'S', 0, 1, 0, 0});
    std::vector<uint8_t> cutPng(8 + 25);
    std::copy_n("\x89PNG\r\n\x1A\n", 8, cutPng.begin());
    const std::string cut = dir.Write("cut.png", cutPng);
    const std::string nowhere = dir / "missing/out.bi";
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {input, dir / "out.bi", DoneBox, dir / "out.bi" + ", "},
        {psd, dir / "p.bi", LoadFailedBox, psd + ": a PSD file, which this program does not read"},
        {cut, dir / "c.bi", LoadFailedBox, cut + ": a damaged PNG header: "},
        {dir.Path(), dir / "d.bi", LoadFailedBox, dir.Path() + ": a folder, not a picture file"},
        {input, nowhere, "Error|Error! Could not open output file!|16",
         "cannot open " + nowhere + ": No such file or directory"},
    };
    for (const auto& [in, out, box, detail] : cases) {
        script.boxes.clear();
        Convert(in, out);
        EXPECT_EQ(OnlyBox(), box) << in;
        ASSERT_FALSE(script.boxes.empty());
        EXPECT_EQ(script.boxes[0].detail.rfind(detail, 0), 0u) << script.boxes[0].detail;
    }
}

// An include file above the limit is written after a Yes, or of the picture shrunk to fit
// 640 x 480 after the third answer, to a question whose default is No; the question tells the
// size, and what the third answer writes.
TEST_F(ConversionTest, LargeIncludeFilesAreAskedAbout) {
    const picture::Pixels pixels = picture::Pixels::AllocateZeroed(2600, 2600);
    ASSERT_GT(IncludeFileBytes("big_bi", pixels.View()), LargeIncludeFileBytes);
    const std::string input = dir / "big.png";
    ASSERT_TRUE(WritePng(input, 2600, 2600, std::vector<uint32_t>(2600 * 2600, 0)));
    // The answer; the include file's size lines then ("" for none), the end of the "Done!" box.
    const std::tuple<int32_t, std::string, std::string> cases[] = {
        {AnswerNo, "", ""},
        {AnswerThird, "Data 480\r\nData 480\r\n", "B, the picture shrunk to 480 \u00D7 480 pixels"},
        {AnswerYes, "Data 2600\r\nData 2600\r\n", "108.2 MB"},
    };
    for (const auto& [answer, start, doneEnd] : cases) {
        script.boxes.clear();
        script.answers = {answer};
        fs::remove(dir / "big.bi");
        Convert(input, dir / "big.bi");
        ASSERT_FALSE(script.boxes.empty());
        EXPECT_EQ(script.boxes[0].text,
                  "The include file will take 108.2 MB for a picture of 2600 x 2600 pixels. "
                  "Write it?");
        EXPECT_EQ(script.boxes[0].flags, IconQuestion);  // No is the default of three ways
        EXPECT_EQ(script.boxes[0].third, FitAnswer);
        EXPECT_EQ(script.boxes[0].detail,
                  "Fit 640 \u00D7 480 writes the picture shrunk to 480 \u00D7 480 pixels, about "
                  "3.7 MB.");
        const std::string written = fs::exists(dir / "big.bi") ? ReadText(dir / "big.bi") : "";
        EXPECT_EQ(written.substr(written.find('\n') + 1, start.size()), start) << answer;
        if (answer == AnswerNo) continue;
        ASSERT_EQ(script.boxes.size(), 2u);
        const std::string& done = script.boxes[1].detail;
        EXPECT_EQ(done.substr(done.size() - std::min(done.size(), doneEnd.size())), doneEnd);
    }
    EXPECT_EQ(fs::file_size(dir / "big.bi"),
              IncludeFileBytes(MakeLabel(dir / "big.bi"), pixels.View()));
    EXPECT_EQ(SizeInWords(999), "999 bytes");
    EXPECT_EQ(SizeInWords(1'100'000'000), "1.1 GB");
}

TEST_F(ConversionTest, WithoutADesktopTheBoxesAreReportedNotPrinted) {
    script.unavailable = true;
    WriteText(dir / "out.bi", "old");
    const std::string input = dir.Write("in.bmp", Bmp24({{1}}));
    const std::tuple<std::string, ConversionStatus, std::string_view> cases[] = {
        {input, ConversionStatus::Declined, OverwriteQuestionText},  // unanswerable: no Yes
        {dir / "missing.bmp", ConversionStatus::LoadFailed, LoadFailedText},
    };
    for (const auto& [path, status, text] : cases) {
        testing::internal::CaptureStderr();
        const ConversionOutcome outcome = ConvertPicture(path, dir / "out.bi", dialogs);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(outcome.result.status, status);
        ASSERT_EQ(outcome.unshownBoxes.size(), 1u);
        EXPECT_EQ(outcome.unshownBoxes[0].caption, ErrorCaption);
        EXPECT_EQ(outcome.unshownBoxes[0].text, text);
    }
    EXPECT_EQ(ReadText(dir / "out.bi"), "old");
}

}  // namespace
