// Hostile inputs for the viewer and bmp2bi, run as the real programs: a huge line, a pipe, a
// signal right after the output is put in place, temporary files of writers that died. Each
// run's status, first message line, peak memory and time, and the files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <set>

#include "converter/temporary_names.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Case {
    std::string what;
    std::vector<std::string> command;  // run in a folder of its own
    std::function<void(const TempDir&)> make;
    int status;                        // the exit status, or 128 + the signal that ended it
    std::string error;                 // the start of the first line on standard error
    std::set<std::string> filesAfter;  // the folder's entries afterwards
    bool signalOnceWritten = false;    // SIGTERM once Resa.bi exists, standard output held
    bool noThreads = false;            // every thread the program starts is refused
};

[[noreturn]] void RunChild(const TempDir& dir, const Case& c, int out) {
    ::alarm(60);  // a program that hangs ends by SIGALRM instead of holding up the test
    // New threads get stacks of the stack limit's size: one of a terabyte cannot be mapped.
    const rlimit hugeStacks{rlim_t{1} << 40, rlim_t{1} << 40};
    if (c.noThreads && ::setrlimit(RLIMIT_STACK, &hugeStacks) != 0) ::_exit(97);
    const int err = ::open((dir / ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (::chdir(dir.Path().c_str()) != 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(99);
    std::vector<char*> argv;
    for (const std::string& arg : c.command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(98);
}

// A program writing to a full pipe waits there until the test reads, after its signal.
void SignalOnceWritten(const TempDir& dir, pid_t child) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(dir / "Resa.bi") && std::chrono::steady_clock::now() < deadline)
        ::usleep(200);
    ::kill(child, SIGTERM);
}

void Check(const TempDir& dir, const Case& c) {
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC | (c.signalOnceWritten ? O_NONBLOCK : 0)), 0);
    const std::string block(4096, 'x');
    while (c.signalOnceWritten && ::write(pipe[1], block.data(), block.size()) > 0) {
    }
    for (const int end : pipe) ::fcntl(end, F_SETFL, 0);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) RunChild(dir, c, pipe[1]);
    ::close(pipe[1]);
    if (c.signalOnceWritten) SignalOnceWritten(dir, child);
    char buffer[4096];
    while (::read(pipe[0], buffer, sizeof buffer) > 0) {
    }
    ::close(pipe[0]);
    int raw = 0;
    rusage usage{};
    ::wait4(child, &raw, 0, &usage);
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), c.status);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_LT(usage.ru_maxrss / 1024, 64);  // megabytes
    std::string firstLine;
    std::getline(std::ifstream(dir / ".err"), firstLine);
    EXPECT_EQ(firstLine.substr(0, c.error.size()), c.error);
    fs::remove(dir / ".err");
    const std::vector<std::string> after = Entries(dir.Path());
    EXPECT_EQ(std::set<std::string>(after.begin(), after.end()), c.filesAfter);
}

std::string Temporary(const std::string& host, pid_t pid,
                      const std::string& marker = "pixeltools-tmp") {
    return ".Resa.bi." + marker + "." + host + "." + std::to_string(pid) + ".Ab12Cd";
}

TEST(HostileRuns, RefusedQuicklyInLittleMemoryOrDoneAsPromised) {
    const std::string host = HostInTemporaryNames();
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    // Only the dead writer's file goes: not a live writer's, another host's, another form's, a
    // link.
    const std::set<std::string> others = {Temporary(host, ::getpid()), Temporary("elsewhere", dead),
                                          Temporary(host, dead, "tmp")};
    const std::string link =
        ".Resa.bi.pixeltools-tmp." + host + "." + std::to_string(dead) + ".Link00";
    const Case cases[] = {
        {"a Data line of 1 GB",
         {VIEWER, "huge.bi"},
         [](const TempDir& d) {
             std::ofstream(d / "huge.bi") << "Data 1\r\nData 1\r\n";
             fs::resize_file(d / "huge.bi", int64_t{1} << 30);  // zeros to the end: one line
         },
         1,
         "viewer: huge.bi: malformed line 3: expected a line of at most 16384 bytes, found \"\\x00",
         {"huge.bi"}},
        {"a pipe",
         {VIEWER, "fifo"},
         [](const TempDir& d) { ::mkfifo((d / "fifo").c_str(), 0600); },
         1,
         "viewer: fifo: is not a regular file (a pipe or a device)",
         {"fifo"}},
        {"SIGTERM after the output is in place",
         {BMP2BI, "a.bmp"},
         [](const TempDir& d) { d.Write("a.bmp", bmp::Encode24({{0x123456}})); },
         0,
         "",
         {"a.bmp", "Resa.bi"},
         true},
        {"no threads to be had: a batch, its filter and its writer on the one thread",
         {BMP2BI, "-j", "2", "--size", "8x130", "a.bmp", "b.bmp"},
         [](const TempDir& d) {
             d.Write("a.bmp", bmp::Encode24({{0x123456}}));
             d.Write("b.bmp", bmp::Encode24({{0x654321}}));
         },
         0,
         "",
         {"a.bmp", "b.bmp", "Resa.bi", "Resb.bi"},
         false,
         true},
        {"temporary files of writers",
         {BMP2BI, "a.bmp"},
         [&](const TempDir& d) {
             for (const std::string& name : others) d.Write(name, {1});
             d.Write(Temporary(host, dead), {1});
             fs::create_symlink(d.Write("a.bmp", bmp::Encode24({{0x123456}})), d / link);
         },
         0,
         "",
         [&] {
             std::set<std::string> after = others;
             after.insert({"a.bmp", "Resa.bi", link});
             return after;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempDir dir;
        c.make(dir);
        Check(dir, c);
    }
}

}  // namespace
