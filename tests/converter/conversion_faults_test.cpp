// The conversion when the system fails it or a user attacks it: the input changing while read, a
// folder the user may not write to, 200 million rows all there, files far costlier than they look.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <thread>

#include "converter/conversion.h"
#include "converter/start.h"
#include "desktop/dialogs_fake.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/pixel_limit.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Every box shown, each as "caption|text|flags".
std::vector<std::string> Boxes(const DialogScript& script) {
    std::vector<std::string> shown;
    for (const AskedBox& b : script.boxes)
        shown.push_back(b.caption + "|" + b.text + "|" + std::to_string(b.flags));
    return shown;
}

// A 24-bit bitmap of `width` x `height` pixels, all of one colour.
std::vector<uint8_t> PlainBmp(int32_t width, int32_t height, uint32_t colour) {
    return bmp::Encode24(
        std::vector<std::vector<uint32_t>>(height, std::vector<uint32_t>(width, colour)));
}

const std::string LoadFailedBox =
    "Error|Something went wrong while loading File.\r\nMaybe the filename wasnt correct.|16";
const std::string OpenFailedBox = "Error|Error! Could not open output file!|16";
const std::string QuestionBox = "Error|This file allready exists! Overwrite?|276";

class ConversionFaultTest : public ::testing::Test {
protected:
    TempDir dir;
};

// ---------------------------------------------------------------------------------------------
// The input between probe and load

struct GateEvent {
    bool open = false;  // an open, else a read
    int opens = 0;      // opens of the file so far, this one included
    int reads = 0;      // reads so far, this one included
};
using GateRule = std::function<bool(const GateEvent&)>;  // true lets the access go on

// Holds every open and read of one file inside the kernel until the test has answered it
// (fanotify permission events), so the test acts at an exact point of the reading code without
// that code knowing. Closing the gate lets anything still held go on.
class FileGate {
public:
    explicit FileGate(const std::string& path)
        : fd_(::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE)) {
        Watch(path);
    }
    ~FileGate() { Close(); }
    // Holds the accesses of one more file too.
    void Watch(const std::string& path) {
        if (fd_ < 0 || ::fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_ACCESS_PERM, AT_FDCWD,
                                       path.c_str()) != 0) {
            if (problem_.empty()) problem_ = std::strerror(errno);
            Close();
        }
    }
    FileGate(const FileGate&) = delete;
    FileGate& operator=(const FileGate&) = delete;

    // Empty while the gate works.
    const std::string& Problem() const { return problem_; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Answers, by `rule`, the accesses waiting now or arriving within `wait`.
    void AnswerWaiting(const GateRule& rule, std::chrono::milliseconds wait) {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(wait.count())) <= 0) return;
        alignas(fanotify_event_metadata) char buffer[4096];
        ssize_t left = ::read(fd_, buffer, sizeof buffer);
        auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
        for (; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            const bool open = (event->mask & FAN_OPEN_PERM) != 0;
            ++(open ? opens_ : reads_);
            const uint32_t verdict = rule({open, opens_, reads_}) ? FAN_ALLOW : FAN_DENY;
            const fanotify_response answer{event->fd, verdict};
            if (::write(fd_, &answer, sizeof answer) != sizeof answer) ADD_FAILURE() << "answer";
            ::close(event->fd);
        }
    }

private:
    int fd_ = -1;
    int opens_ = 0;
    int reads_ = 0;
    std::string problem_;
};

// Runs `work` on a thread of its own while the gate answers by `rule`; false when the work did
// not end within ten seconds (the gate is then opened, so it does end).
bool RunBehindGate(FileGate& gate, const std::function<void()>& work, const GateRule& rule) {
    std::atomic<bool> done = false;
    std::thread worker([&] {
        work();
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done && std::chrono::steady_clock::now() < deadline) gate.AnswerWaiting(rule, 20ms);
    const bool finished = done;
    gate.Close();
    worker.join();
    return finished;
}

// The include file of a picture of one colour, each pixel's line given.
std::string PlainInclude(const std::string& output, int width, int height,
                         const std::string& line) {
    std::string text = MakeLabel(output) + ":\r\nData " + std::to_string(width) + "\r\nData " +
                       std::to_string(height) + "\r\n";
    for (int i = 0; i < width * height; ++i) text += line + "\r\n";
    return text;
}

TEST_F(ConversionFaultTest, InputChangedWhileConvertingGivesOnePictureOrNone) {
    // The input is opened once: what happens to its name afterwards cannot reach the picture,
    // and a change to the open file itself is a load failure, never a picture of two files.
    const std::string input = dir / "case/in.bmp";
    const std::string kept = dir / "kept.bmp";
    const std::string other = dir / "other.bmp";  // another bitmap of the same size
    int writer = -1;                              // opened before the gate, which holds opens
    const auto unlinkInput = [&] { return ::unlink(input.c_str()) == 0; };
    const auto replaceInput = [&] { return ::rename(other.c_str(), input.c_str()) == 0; };
    const auto keepAndReplace = [&] {
        return ::link(input.c_str(), kept.c_str()) == 0 && replaceInput();
    };
    const auto putBack = [&] { return ::rename(kept.c_str(), input.c_str()) == 0; };
    const auto cutShort = [&] { return ::truncate(input.c_str(), 70) == 0; };
    const auto rewrite = [&] {
        const std::vector<uint8_t> bytes = PlainBmp(3, 2, 0x0000FF);
        return ::pwrite(writer, bytes.data(), bytes.size(), 0) == 78;
    };
    const auto deny = [] { return false; };
    struct Case {
        std::string name;
        // What the case does at the input's first three accesses (its open, its first read, then
        // a read or, by a loader that opens it again, a second open), its result answering them.
        std::function<bool()> at[3];
        bool converted;
        std::vector<std::string> folderAfter;
    };
    const Case cases[] = {
        {"vanishes once open", {nullptr, unlinkInput, nullptr}, true, {"out.bi"}},
        {"is replaced", {nullptr, replaceInput, nullptr}, true, {"in.bmp", "out.bi"}},
        {"is swapped and back", {nullptr, keepAndReplace, putBack}, true, {"in.bmp", "out.bi"}},
        {"is cut short in place", {nullptr, nullptr, cutShort}, false, {"in.bmp"}},
        {"is rewritten in place", {nullptr, nullptr, rewrite}, false, {"in.bmp"}},
        {"cannot be opened", {deny, nullptr, nullptr}, false, {"in.bmp"}},
        {"cannot be read", {nullptr, nullptr, deny}, false, {"in.bmp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("the input " + c.name);
        fs::remove_all(dir / "case");
        fs::create_directory(dir / "case");
        bmp::WriteFile(input, PlainBmp(3, 2, 0x102030));
        bmp::WriteFile(other, PlainBmp(3, 2, 0x0000FF));
        // Long ago, so that a write in place shows in the time however coarse its clock.
        const timespec past[2] = {{1, 0}, {1, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, input.c_str(), past, 0), 0);
        writer = ::open(input.c_str(), O_WRONLY | O_CLOEXEC);
        const std::string output = dir / "case/out.bi";
        FileGate gate(input);
        gate.Watch(other);  // so that a load opening the name again is seen reading it
        if (!gate.Problem().empty())
            GTEST_SKIP() << "fanotify permission events need CAP_SYS_ADMIN: " << gate.Problem();
        DialogScript script;
        int acted = 0;
        const bool finished = RunBehindGate(
            gate, [&] { ConvertPicture(input, output, ScriptedDialogs(script)); },
            [&](const GateEvent& e) {
                const int access = e.opens + e.reads;
                if (access > 3 || !c.at[access - 1]) return true;
                ++acted;
                return c.at[access - 1]();
            });
        ::close(writer);
        ASSERT_TRUE(finished);
        EXPECT_EQ(acted, std::count_if(std::begin(c.at), std::end(c.at),
                                       [](const auto& act) { return act != nullptr; }));
        EXPECT_EQ(Boxes(script),
                  std::vector<std::string>{c.converted ? "OK|Done!|64" : LoadFailedBox});
        EXPECT_EQ(ReadText(output),
                  c.converted ? PlainInclude(output, 3, 2, "Data 255, 16, 32,48") : "");
        EXPECT_EQ(Entries(dir / "case"), c.folderAfter);
        fs::remove(kept);
    }
}

TEST_F(ConversionFaultTest, InputLeftAloneBehindTheGateIsConverted) {
    // The gate itself changes nothing: the same conversion without interference succeeds.
    const std::string input = dir.Write("in.bmp", PlainBmp(3, 2, 0x102030));
    FileGate gate(input);
    if (!gate.Problem().empty())
        GTEST_SKIP() << "fanotify permission events need CAP_SYS_ADMIN: " << gate.Problem();
    DialogScript script;
    GateEvent last;
    ASSERT_TRUE(RunBehindGate(
        gate, [&] { ConvertPicture(input, dir / "out.bi", ScriptedDialogs(script)); },
        [&](const GateEvent& e) {
            last = e;
            return true;
        }));
    EXPECT_EQ(Boxes(script), std::vector<std::string>{"OK|Done!|64"});
    EXPECT_EQ(last.opens, 1);  // the probe and the load share it, as the cases above expect
    EXPECT_GE(last.reads, 2);
    EXPECT_EQ(ReadText(dir / "out.bi"), PlainInclude(dir / "out.bi", 3, 2, "Data 255, 16, 32,48"));
}

// ---------------------------------------------------------------------------------------------
// 200,000,000 rows, all there

TEST_F(ConversionFaultTest, CompleteBitmapOfTwoHundredMillionRowsIsRefusedQuickly) {
    // 800 MB of rows, stored sparse: the file holds every row it declares, so only the size of
    // the picture itself can refuse it.
    const bmp::Bitmap tall{.height = 200'000'000};
    const std::string input = dir.Write("tall.bmp", bmp::Encode(tall));
    ASSERT_EQ(::truncate(input.c_str(), 54 + 4 * off_t{tall.height}), 0);
    DialogScript script;
    const auto start = std::chrono::steady_clock::now();
    ConvertPicture(input, dir / "tall.bi", ScriptedDialogs(script));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(Boxes(script), std::vector<std::string>{LoadFailedBox});
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"tall.bmp"});
}

// ---------------------------------------------------------------------------------------------
// Hostile files

// The most memory this process has held so far, in megabytes.
int64_t PeakMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

TEST_F(ConversionFaultTest, HostileFilesAreRefusedBeforeTheirPictureIsMade) {
    // A 16-byte header has no compression field: its 1 where a longer one has it is a pixel.
    const bmp::Bitmap shortHeader{.infoSize = 16,
                                  .width = 23000,
                                  .height = 23000,
                                  .bitCount = 8,
                                  .pixels = {1, 0, 0, 0, 0, 0}};
    const bmp::Bitmap trueColourRuns{
        .width = 23000, .height = 23000, .compression = 1, .pixels = std::vector<uint8_t>(6)};
    std::vector<uint8_t> deltasToTheTop;  // 90 deltas of 255 rows and the end: 362 bytes
    for (int i = 0; i < 90; ++i) deltasToTheTop.insert(deltasToTheTop.end(), {0, 2, 0, 255});
    deltasToTheTop.insert(deltasToTheTop.end(), {0, 1});
    const std::vector<uint8_t> small = PlainBmp(3, 2, 0x102030);
    const std::string unsupported =
        "cut short or damaged, or a kind of picture that is not supported";
    struct Case {
        std::string what;
        std::vector<uint8_t> bytes;
        std::optional<std::string> problem;  // none: the picture is made
        int64_t pixelLimit = DefaultPixelLimit;
    };
    const Case cases[] = {
        {"a 16-byte header", bmp::Encode(shortHeader),
         "declares 23000 x 23000 pixels, more than its 36 bytes hold"},
        {"24-bit pixels claiming run-length data", bmp::Encode(trueColourRuns), unsupported},
        {"run-length data that ends at once", bmp::Encode(bmp::RunLength(8, 23000, 23000, {0, 1})),
         "declares 23000 x 23000 pixels, more rows than its 2 bytes of run-length data can reach"},
        {"run-length data reaching a top row above the limit",
         bmp::Encode(bmp::RunLength(8, 23000, 23000, deltasToTheTop)),
         "23000 x 23000 pixels, more than the limit of 100000000 (bmp2bi --max-pixels raises it)"},
        {"a picture above a lowered limit", small,
         "3 x 2 pixels, more than the limit of 5 (bmp2bi --max-pixels raises it)", 5},
        {"a picture at a lowered limit", small, std::nullopt, 6},
        {"run-length data ending below its top row",
         bmp::Encode(bmp::RunLength(8, 4, 3, {1, 5, 0, 1})),
         "its run-length data ends before its top row"},
        {"run-length data ending in its top row",
         bmp::Encode(bmp::RunLength(8, 1, 2, {1, 1, 0, 0, 1, 2, 0, 1})), std::nullopt},
        {"nothing but the signature", {'B', 'M'}, "cut short inside its header (2 bytes)"},
        {"a header cut short", std::vector<uint8_t>(small.begin(), small.begin() + 30),
         "cut short inside its header (30 bytes)"},
        // The other header forms; a 16-byte one's pixels where longer ones have more.
        {"header 12", bmp::Encode({.infoSize = 12, .pixels = {1, 2, 3, 0}}), std::nullopt},
        {"header 16", bmp::Encode({.infoSize = 16, .pixels = {1, 2, 3, 0}}), std::nullopt},
        {"header 108", bmp::Encode({.infoSize = 108, .pixels = {1, 2, 3, 0}}), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScopedPixelLimit limit(c.pixelLimit);
        const int64_t before = PeakMegabytes();
        const picture::LoadedPicture p = LoadPicture(dir.Write("hostile.bmp", c.bytes));
        EXPECT_LT(PeakMegabytes() - before, 64);  // nothing near the declared size was made
        EXPECT_EQ(!p.pixels, c.problem.has_value());
        EXPECT_EQ(p.problem, c.problem.value_or(""));
    }
}

// ---------------------------------------------------------------------------------------------
// An output folder without write permission

// What the unprivileged child tells the parent in its exit status.
constexpr int ChildConverted = 0;
constexpr int ChildCannotDropRoot = 10;
constexpr int ChildStillMayWrite = 11;
constexpr int ChildCannotReadInput = 12;
constexpr uid_t Nobody = 65534;

// In a forked child: drops root for user and group 65534, converts `input` to each output with
// a scripted desktop that answers Yes, and writes the boxes shown, one per line, to `report`.
[[noreturn]] void ConvertAsNobody(const std::string& input, const std::string& folder,
                                  const std::vector<std::string>& outputs, int report) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
        ::_exit(ChildCannotDropRoot);
    if (::access(folder.c_str(), W_OK) == 0) ::_exit(ChildStillMayWrite);
    if (::access(input.c_str(), R_OK) != 0) ::_exit(ChildCannotReadInput);
    DialogScript script;
    for (const std::string& output : outputs) {
        script.answers = {AnswerYes};
        ConvertPicture(input, output, ScriptedDialogs(script));
    }
    std::string lines;
    for (const std::string& box : Boxes(script)) lines += box + "\n";
    const bool reported =
        ::write(report, lines.data(), lines.size()) == static_cast<ssize_t>(lines.size());
    ::_exit(reported ? ChildConverted : 1);
}

// The conversion needs no screen, so the child forks no other thread's lock.
TEST(ConversionWithoutRights, OutputFolderWithoutWritePermission) {
    TempDir dir;
    const std::string folder = dir / "locked";
    fs::create_directory(folder);
    const std::string input = dir.Write("in.bmp", PlainBmp(2, 2, 0x445566));
    std::ofstream(folder + "/old.bi", std::ios::binary) << "the old content";
    std::ofstream(folder + "/unreadable.bi", std::ios::binary) << "the old content";
    // The old files themselves may be written; only their folder may not be changed.
    ASSERT_EQ(::chmod((folder + "/old.bi").c_str(), 0666), 0);
    ASSERT_EQ(::chmod((folder + "/unreadable.bi").c_str(), 0222), 0);
    ASSERT_EQ(::chmod(input.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        ConvertAsNobody(input, folder,
                        {folder + "/new.bi", folder + "/old.bi", folder + "/unreadable.bi"},
                        channel[1]);
    }
    ::close(channel[1]);
    std::string report;
    char block[512];
    for (ssize_t n; (n = ::read(channel[0], block, sizeof block)) > 0;) report.append(block, n);
    ::close(channel[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(folder.c_str(), 0755);  // so that an unprivileged run can clean up
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    switch (WEXITSTATUS(status)) {
        case ChildCannotDropRoot:
            GTEST_SKIP() << "cannot switch to user 65534 to be refused by permissions";
        case ChildStillMayWrite:
            GTEST_SKIP() << "permissions do not bind this user (a capability overrides them)";
        case ChildCannotReadInput:
            GTEST_SKIP() << "user 65534 cannot reach the temporary folder " << dir.Path();
        default:
            ASSERT_EQ(WEXITSTATUS(status), ChildConverted);
    }
    // Existing files are asked about, readable or not, and rewritten in place, as opening them
    // for writing would; a new file cannot be made.
    EXPECT_EQ(report, OpenFailedBox + "\n" + QuestionBox + "\nOK|Done!|64\n" + QuestionBox +
                          "\nOK|Done!|64\n");
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"old.bi", "unreadable.bi"}));
    for (const std::string name : {"/old.bi", "/unreadable.bi"})
        EXPECT_EQ(ReadText(folder + name),
                  PlainInclude(folder + name, 2, 2, "Data 255, 68, 85,102"));
}

}  // namespace
