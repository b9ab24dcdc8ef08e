// Hostile inputs for the viewer and bmp2bi, run as the real programs: a huge line, a pipe, a
// device, a signal right after the output is put in place, temporary files of writers that died.
// Each run's status, first message line, peak memory and time, and the files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <set>

#include "converter/temporary_names.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string firstErrorLine;
    int64_t peakMegabytes = 0;
    double seconds = 0;
};

struct Case {
    std::string what;
    std::vector<std::string> command;
    std::function<void(const TempDir&)> make;
    int status;
    std::string error;                 // the start of the first line on standard error
    std::set<std::string> filesAfter;  // the folder's entries afterwards
    std::string signalOnceThere = {};  // SIGTERM as soon as this file exists, standard output held
};

// A pipe whose buffer is full: a program writing to it waits until the test reads.
void FillPipe(int out) {
    ::fcntl(out, F_SETFL, O_NONBLOCK);
    const std::string block(4096, 'x');
    while (::write(out, block.data(), block.size()) > 0) {
    }
    ::fcntl(out, F_SETFL, 0);
}

void WaitFor(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(path) && std::chrono::steady_clock::now() < deadline) ::usleep(200);
}

[[noreturn]] void RunChild(const TempDir& dir, const Case& c, int out) {
    ::alarm(60);  // a program that hangs ends by SIGALRM instead of holding up the test
    const int err = ::open((dir / ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (::chdir(dir.Path().c_str()) != 0 || err < 0) ::_exit(99);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : c.command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(98);
}

Outcome RunCase(const TempDir& dir, const Case& c) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return {};
    if (!c.signalOnceThere.empty()) FillPipe(pipe[1]);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) RunChild(dir, c, pipe[1]);
    ::close(pipe[1]);
    if (!c.signalOnceThere.empty()) {
        WaitFor(dir / c.signalOnceThere);
        ::kill(child, SIGTERM);
    }
    char buffer[4096];
    while (::read(pipe[0], buffer, sizeof buffer) > 0) {
    }
    ::close(pipe[0]);
    int raw = 0;
    rusage usage{};
    ::wait4(child, &raw, 0, &usage);
    Outcome run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMegabytes = usage.ru_maxrss / 1024;
    std::ifstream errors(dir / ".err");
    std::getline(errors, run.firstErrorLine);
    fs::remove(dir / ".err");
    return run;
}

pid_t DeadProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::string Temporary(const std::string& host, pid_t pid, const std::string& unique = "Ab12Cd") {
    return ".Resa.bi.pixeltools-tmp." + host + "." + std::to_string(pid) + "." + unique;
}

TEST(HostileRuns, RefusedQuicklyInLittleMemoryOrDoneAsPromised) {
    const std::string host = HostInTemporaryNames();
    const pid_t dead = DeadProcess();
    const std::string stale = Temporary(host, dead);
    // Names a stale file's removal must leave alone: a live writer, another host's writer, a name
    // of another form, a link and a folder.
    const std::set<std::string> others = {
        Temporary(host, ::getpid()),
        Temporary("elsewhere", dead),
        Temporary(host, dead, "Ab12C"),
        ".Resa.bi.tmp." + host + "." + std::to_string(dead) + ".Ab12Cd",
        Temporary(host, dead, "Link00"),
        Temporary(host, dead, "Dir000")};
    const std::string bmp2bi = BMP2BI;
    const std::string viewer = VIEWER;
    const Case cases[] = {
        {"a Data line of 1 GB",
         {viewer, "huge.bi"},
         [](const TempDir& d) {
             std::ofstream(d / "huge.bi") << "Data 1\r\nData 1\r\n";
             fs::resize_file(d / "huge.bi", int64_t{1} << 30);  // zeros to the end: one line
         },
         1,
         "viewer: huge.bi: malformed line 3: expected a line of at most 16384 bytes, found "
         "\"\\x00",
         {"huge.bi"}},
        {"a pipe",
         {viewer, "fifo"},
         [](const TempDir& d) { ::mkfifo((d / "fifo").c_str(), 0600); },
         1,
         "viewer: fifo: is not a regular file (a pipe or a device)",
         {"fifo"}},
        {"a device",
         {viewer, "/dev/zero"},
         [](const TempDir&) {},
         1,
         "viewer: /dev/zero: is not a regular file (a pipe or a device)",
         {}},
        {"SIGTERM after the output is in place",
         {bmp2bi, "a.bmp"},
         [](const TempDir& d) { d.Write("a.bmp", bmp::Encode24({{0x123456}})); },
         0,
         "",
         {"a.bmp", "Resa.bi"},
         "Resa.bi"},
        {"temporary files of writers",
         {bmp2bi, "-f", "a.bmp"},
         [&](const TempDir& d) {
             d.Write("a.bmp", bmp::Encode24({{0x123456}}));
             for (const std::string& name : others) d.Write(name, {1});
             d.Write(stale, {1});
             fs::remove(d / Temporary(host, dead, "Link00"));
             fs::create_symlink("a.bmp", d / Temporary(host, dead, "Link00"));
             fs::remove(d / Temporary(host, dead, "Dir000"));
             fs::create_directory(d / Temporary(host, dead, "Dir000"));
         },
         0,
         "",
         [&] {
             std::set<std::string> after = others;
             after.insert({"a.bmp", "Resa.bi"});
             return after;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempDir dir;
        c.make(dir);
        const Outcome run = RunCase(dir, c);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.firstErrorLine.substr(0, c.error.size()), c.error);
        EXPECT_LT(run.peakMegabytes, 64);
        EXPECT_LT(run.seconds, 10);
        const std::vector<std::string> after = Entries(dir.Path());
        EXPECT_EQ(std::set<std::string>(after.begin(), after.end()), c.filesAfter);
    }
}

}  // namespace
