// Names and arguments that could steer a terminal (ESC, BEL, bytes that are no UTF-8), given to
// the three programs: every line they print shows them escaped, so no such byte reaches the
// terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

const std::string Name = "no\x1b[31m\afile\xff.png";
const std::string Shown = "no\\x1b[31m\\x07file\\xff.png";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// The program in `dir`, without a display: whatever would need one must not be reached.
Outcome RunIn(const TempDir& dir, const std::vector<std::string>& command) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(60);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        const int out = ::open((dir / ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open((dir / ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (::chdir(dir.Path().c_str()) != 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(99);
        std::vector<char*> argv;
        for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(98);
    }
    int raw = 0;
    ::waitpid(child, &raw, 0);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(dir / ".out"), ReadText(dir / ".err")};
}

TEST(TerminalNames, EveryProgramPrintsNamesEscaped) {
    const TempDir dir;
    dir.Write("bad\x1b.bi",
              {'D', 'a', 't', 'a', ' ', '1', '\n', 0x1b, '[', '3', '1', 'm', 0x07, 0xff, '\n'});
    const std::string tryHelp = " --help' for more information.\n";
    const struct {
        std::vector<std::string> command;
        int status;
        std::string err;
    } cases[] = {
        {{BMP2BI, Name}, 1, "bmp2bi: " + Shown + ": cannot read: No such file or directory\n"},
        {{BMP2BI, "-q", "--\x1b[2J"},
         2,
         "bmp2bi: unknown option --\\x1b[2J\nTry 'bmp2bi" + tryHelp},
        {{VIEWER, Name}, 1, "viewer: " + Shown + ": no such file\n"},
        {{VIEWER, "-\a\xff"}, 2, "viewer: unknown option -\\x07\\xff\nTry 'viewer" + tryHelp},
        {{VIEWER, "bad\x1b.bi"},
         1,
         "viewer: bad\\x1b.bi: malformed line 2: expected a label (a name followed by \":\"), a "
         "\"Data\" line or a blank line, found \"\\x1b[31m\\x07\\xff\"\n"},
        {{CONVERTER, Name},
         2,
         "converter: unexpected argument '" + Shown + "'\nTry 'converter" + tryHelp},
        {{CONVERTER, "--help", Name},
         2,
         "converter: unexpected argument '" + Shown + "'\nTry 'converter" + tryHelp},
    };
    for (const auto& c : cases) {
        const Outcome run = RunIn(dir, c.command);
        EXPECT_EQ(run.status, c.status) << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "") << c.err;
    }
}

}  // namespace
