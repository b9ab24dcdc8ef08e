// bmp2bi as a user runs it: the real program in a scratch folder, its exit status, its output
// and the files it leaves.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "converter/conversion.h"
#include "pixeldata/reader.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/png_writer.h"
#include "tests/support/temp_dir.h"
#include "viewer/picture_file.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string OnePixelFile(const std::string& label, uint32_t rgb) {
    std::ostringstream s;
    s << label << ":\r\nData 1\r\nData 1\r\nData 255, " << (rgb >> 16) << ", "
      << ((rgb >> 8) & 0xFF) << "," << (rgb & 0xFF) << "\r\n";
    return s.str();
}

class Bmp2biTest : public ::testing::Test {
protected:
    // Runs bmp2bi with `args` (each quoted for the shell) in the scratch folder, after `shell`.
    Outcome Run(const std::vector<std::string>& args, const std::string& shell = "") {
        std::string command = shell + "cd '" + dir.Path() + "' && '" + BMP2BI + "'";
        for (const std::string& a : args) command += " '" + a + "'";
        command += " >'" + dir.Path() + "/.out' 2>'" + dir.Path() + "/.err'";
        const int raw = std::system(command.c_str());
        const Outcome o{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(dir / ".out"),
                        ReadText(dir / ".err")};
        fs::remove(dir / ".out");
        fs::remove(dir / ".err");
        return o;
    }
    ptrdiff_t Files() const { return std::ssize(Entries(dir.Path())); }
    std::string Input(const std::string& name, uint32_t rgb) {
        fs::create_directories(fs::path(dir / name).parent_path());
        return dir.Write(name, bmp::Encode24({{rgb}}));
    }

    TempDir dir;
};

TEST_F(Bmp2biTest, HelpAndVersion) {
    const Outcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: bmp2bi [options] PICTURE...\n", 0), 0u);
    for (const char* option : {"--output-dir DIR", "--max-pixels N", "(default 100000000)",
                               "--fit WxH", "--scale P% | F", "--size WxH", "--crop WxH+X+Y",
                               "--smooth", "--packed", "-j N, --jobs N", "'-' is"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(help.err, "");
    const Outcome version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("bmp2bi ", 0), 0u);
}

// What each command line means is the options unit's (bmp2bi_options_test); here, that a usage
// error ends the run with status 2 before any file is touched, and says why and where help is.
TEST_F(Bmp2biTest, UsageErrorsExitWithTwo) {
    Input("a.bmp", 1);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no input files"},
        {{"--fit", "10x", "a.bmp"}, "--fit needs WxH, not '10x'"},
        {{"a.bmp", "-j"}, "option -j needs a value"},
    };
    for (const auto& [args, message] : cases) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 2) << o.err;
        EXPECT_EQ(o.err, "bmp2bi: " + message + "\nTry 'bmp2bi --help' for more information.\n");
        EXPECT_EQ(o.out, "");
    }
    EXPECT_EQ(Files(), 1);
}

TEST_F(Bmp2biTest, SeveralFilesBesideTheirInputs) {
    Input("flower.bmp", 0x102030);
    Input("pics/tree.bmp", 0x405060);
    const Outcome o = Run({"flower.bmp", "pics/tree.bmp"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "flower.bmp -> Resflower.bi\npics/tree.bmp -> pics/Restree.bi\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(ReadText(dir / "Resflower.bi"), OnePixelFile("Resflower_bi", 0x102030));
    EXPECT_EQ(ReadText(dir / "pics/Restree.bi"), OnePixelFile("Restree_bi", 0x405060));
}

TEST_F(Bmp2biTest, ExplicitOutputNameGivesTheLabel) {
    Input("in.bmp", 0xFF00FF);
    const Outcome o = Run({"-q", "-o", "my pic.bi", "in.bmp"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(ReadText(dir / "my pic.bi"), OnePixelFile("my_pic_bi", 0xFF00FF));
    // The label comes from the output file's own name.
    fs::create_directory(dir / "sub");
    EXPECT_EQ(Run({"-q", "--max-pixels=1", "-o", "sub/out.bi", "in.bmp"}).status, 0);
    EXPECT_EQ(ReadText(dir / "sub/out.bi"), OnePixelFile("out_bi", 0xFF00FF));
}

TEST_F(Bmp2biTest, FailureLinesShowControlCharactersEscaped) {
    const Outcome o = Run({"x\ny\x1b\xff.bmp"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "bmp2bi: x\\ny\\x1b\\xff.bmp: cannot read: No such file or directory\n");
}

TEST_F(Bmp2biTest, FileSizeLimitIsAWriteErrorAndLeavesNothing) {
    // About 20 kB of text.
    dir.Write("in.bmp", bmp::Encode({.width = 1000, .pixels = std::vector<uint8_t>(3000)}));
    const Outcome o = Run({"in.bmp"}, "ulimit -f 4 && ");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "bmp2bi: in.bmp: cannot write Resin.bi: File too large\n");
    EXPECT_EQ(Files(), 1);
}

TEST_F(Bmp2biTest, KilledRunLeavesNoTemporaryFile) {
    // 252 MB of text: written long enough to be interrupted.
    const bmp::Bitmap big{
        .width = 4000, .height = 3000, .pixels = std::vector<uint8_t>(36'000'000, 0x40)};
    const std::string input = dir.Write("big.bmp", bmp::Encode(big));
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) ::_exit(::execl(BMP2BI, "bmp2bi", "-q", input.c_str(), nullptr));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Files() == 1 && std::chrono::steady_clock::now() < deadline)
            ::usleep(500);  // until the temporary file is there
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << ": " << status;
        EXPECT_EQ(Files(), 1) << signal;
    }
}

TEST_F(Bmp2biTest, OutputDirectoryInBothSpellings) {
    Input("a.bmp", 1);
    Input("b.bmp", 2);
    EXPECT_EQ(Run({"--output-dir", "out/new/deep", "a.bmp"}).status, 0);  // made with its parents
    EXPECT_EQ(ReadText(dir / "out/new/deep/Resa.bi"), OnePixelFile("Resa_bi", 1));
    EXPECT_EQ(Run({"--output-dir", "out", "a.bmp"}).status, 0);
    EXPECT_EQ(Run({"--output-dir=out/", "b.bmp"}).status, 0);
    EXPECT_EQ(ReadText(dir / "out/Resa.bi"), OnePixelFile("Resa_bi", 1));
    EXPECT_EQ(ReadText(dir / "out/Resb.bi"), OnePixelFile("Resb_bi", 2));
}

TEST_F(Bmp2biTest, ExistingOutputNeedsForce) {
    Input("a.bmp", 7);
    std::ofstream(dir / "Resa.bi") << "keep me";
    const Outcome refused = Run({"a.bmp"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "bmp2bi: a.bmp: Resa.bi exists; use --force to replace it\n");
    EXPECT_EQ(ReadText(dir / "Resa.bi"), "keep me");
    const Outcome forced = Run({"--force", "a.bmp"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(ReadText(dir / "Resa.bi"), OnePixelFile("Resa_bi", 7));
}

TEST_F(Bmp2biTest, OneLinePerFailedFileAndTheRestConverted) {
    Input("good.bmp", 3);
    std::ofstream(dir / "notes.txt") << "not a picture";
    std::vector<uint8_t> cut = bmp::Encode24({{4}});
    cut.resize(cut.size() - 3);
    dir.Write("cut.bmp", cut);
    const Outcome o = Run({"missing.bmp", "notes.txt", "good.bmp", "cut.bmp", "-o"});
    EXPECT_EQ(o.status, 2);  // "-o" without its value: nothing runs at all
    EXPECT_FALSE(fs::exists(dir / "Resgood.bi"));

    // Files converted at once report in input order all the same.
    for (const char* jobs : {"-j1", "-j3"}) {
        const Outcome run =
            Run({"--force", jobs, "missing.bmp", "notes.txt", "good.bmp", "cut.bmp"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(
            run.err,
            "bmp2bi: missing.bmp: cannot read: No such file or directory\n"
            "bmp2bi: notes.txt: not a picture file this program reads (BMP, PNG, JPEG, GIF, WebP, "
            "TIFF, HEIC, AVIF)\n"
            "bmp2bi: cut.bmp: declares 1 x 1 pixels, more than its 55 bytes hold\n");
        EXPECT_EQ(run.out, "good.bmp -> Resgood.bi\n");
    }
    EXPECT_EQ(ReadText(dir / "Resgood.bi"), OnePixelFile("Resgood_bi", 3));
    EXPECT_FALSE(fs::exists(dir / "Rescut.bi"));
}

// A scale far beyond any picture says the size it asked for, whatever the pixel limit.
TEST_F(Bmp2biTest, AbsurdScalesSayTheSizeTheyAskFor) {
    dir.Write("wide.bmp", bmp::Encode24({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--scale", "1e9"},
         "brought to 4000000000 x 3000000000 it would have more pixels than the limit of "
         "100000000"},
        {{"--scale", "1e9", "--max-pixels", "9223372036854775807"},
         "brought to 4000000000 x 3000000000 it would be too large for a picture"},
        {{"--scale", "2e4", "--max-pixels", "9223372036854775807"},
         "brought to 80000 x 60000 it would be too large for a picture"},
        {{"--scale", "1e300", "--max-pixels", "9223372036854775807"},
         "brought to 9007199254740992 x 9007199254740992 it would be too large"},
    };
    for (const auto& [options, problem] : cases) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-f", "wide.bmp"});
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err.rfind("bmp2bi: wide.bmp: " + problem, 0), 0u) << o.err;
    }
    EXPECT_FALSE(fs::exists(dir / "Reswide.bi"));
}

TEST_F(Bmp2biTest, TopDownBitmapsAndPngFilesConvert) {
    dir.Write("down.bmp", bmp::Encode({.height = -1, .pixels = bmp::StoreRows({{0x123456}}, 24)}));
    ASSERT_TRUE(WritePng(dir / "sprite.sheet.png", 1, 1, {0xFF654321}));
    const Outcome o = Run({"down.bmp", "sprite.sheet.png"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ReadText(dir / "Resdown.bi"), OnePixelFile("Resdown_bi", 0x123456));
    EXPECT_EQ(ReadText(dir / "Ressprite.sheet.bi"), OnePixelFile("Ressprite_sheet_bi", 0x654321));
}

TEST_F(Bmp2biTest, NeverOverwritesItsOwnInputOrEarlierOutputs) {
    Input("a/x.bmp", 1);
    Input("b/x.bmp", 2);
    fs::create_directory(dir / "out");
    const Outcome twice = Run({"--force", "--output-dir", "out", "a/x.bmp", "b/x.bmp"});
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.err, "bmp2bi: b/x.bmp: out/Resx.bi is the output of a/x.bmp already\n");
    EXPECT_EQ(ReadText(dir / "out/Resx.bi"), OnePixelFile("Resx_bi", 1));

    const std::vector<uint8_t> original = bmp::Encode24({{5}});
    dir.Write("self.bmp", original);
    const Outcome self = Run({"--force", "-o", "self.bmp", "self.bmp"});
    EXPECT_EQ(self.status, 1);
    EXPECT_EQ(self.err, "bmp2bi: self.bmp: the output self.bmp would replace the input\n");
    EXPECT_EQ(ReadText(dir / "self.bmp"), std::string(original.begin(), original.end()));
}

TEST_F(Bmp2biTest, StandardOutputIntoAPipeIsTheFileByteForByte) {
    ASSERT_TRUE(WritePng(dir / "pic.png", 3, 2, {0xFF102030, 0x00FFFFFF, 0x80FF0000, 1, 2, 3}));
    // What bmp2bi writes into a pipe, as a reader at its other end gets it.
    const auto piped = [this](const std::string& args) {
        const std::string command = "cd '" + dir.Path() + "' && '" + BMP2BI + "' " + args +
                                    " pic.png 2>&1 | cat > piped.bi";
        return std::system(command.c_str()) == 0 ? ReadText(dir / "piped.bi") : "";
    };
    for (const char* form : {"--quiet", "--packed"}) {
        ASSERT_EQ(Run({"--force", form, "pic.png"}).status, 0);
        // Labelled as the file of the default name.
        EXPECT_EQ(piped(std::string("-o - ") + form), ReadText(dir / "Respic.bi")) << form;
    }
    // A pipe named through links is written in place, without --force or a message.
    std::string expected = ReadText(dir / "Respic.bi");
    EXPECT_EQ(piped("--packed -o /dev/stdout"), expected.replace(0, 9, "stdout"));
}

// The packed file reads as the unpacked one does, in the viewer's reader and in the stream its
// build-time generator embeds.
TEST_F(Bmp2biTest, PackedFileReadsAsTheUnpackedOne) {
    const std::vector<uint32_t> pixels{0xFF102030, 0x00FFFFFF, 0x80FF0000, 0x01020304, 0, ~0u};
    ASSERT_TRUE(WritePng(dir / "pic.png", 2, 3, pixels));
    ASSERT_EQ(Run({"-o", "plain.bi", "pic.png"}).status, 0);
    ASSERT_EQ(Run({"--packed", "-o", "packed.bi", "pic.png"}).status, 0);
    const std::string packed = ReadText(dir / "packed.bi");
    EXPECT_EQ(packed.substr(packed.find("Data &H")),
              "Data &HFF102030\r\nData &H00FFFFFF\r\n"
              "Data &H80FF0000\r\nData &H01020304\r\nData &H00000000\r\nData &HFFFFFFFF\r\n");
    IncludeFileStream plainStream, packedStream;
    IncludeFileError error;
    ASSERT_TRUE(ReadIncludeFile(ReadText(dir / "plain.bi"), plainStream, error));
    ASSERT_TRUE(ReadIncludeFile(packed, packedStream, error));
    EXPECT_EQ(packedStream.bytes, plainStream.bytes);
    EXPECT_EQ(ValueCountMismatch(packedStream), "");
    const PictureFile picture = ReadPictureFile(dir / "packed.bi");
    ASSERT_EQ(picture.status, PictureFileStatus::Ok) << picture.problem;
    EXPECT_TRUE(picture.warnings.empty());
    for (int64_t i = 0; i < 6; ++i)
        EXPECT_EQ(picture.pixels.Row(i / 2)[i % 2], pixels[static_cast<size_t>(i)]) << i;
}

}  // namespace
