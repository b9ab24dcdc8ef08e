// bmp2bi run as a user runs it: the real program in a scratch folder, its exit status, its output
// and the files it leaves.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/bitmap/bmp_builder.h"
#include "tests/support/temp_dir.h"

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

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
        std::filesystem::remove(dir / ".out");
        std::filesystem::remove(dir / ".err");
        return o;
    }
    ptrdiff_t Files() const { return std::ssize(Entries(dir.Path())); }
    std::string Input(const std::string& name, uint32_t rgb) {
        std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
        return dir.Write(name, bmp::Encode24({{rgb}}));
    }

    TempDir dir;
};
