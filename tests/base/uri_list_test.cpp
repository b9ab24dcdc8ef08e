#include "base/uri_list.h"

#include <gtest/gtest.h>

namespace {

// Each list names at most one file; one that names none must not be guessed at.
TEST(UriList, OnlyFileUrisOfThisHostDecodedWithoutControlCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        // list, path (empty: none)
        {"file:///tmp/a%20b%C3%BC.png\r\n", "/tmp/a b\xC3\xBC.png"},
        {"FILE://LocalHost/tmp/a.png", "/tmp/a.png"},
        {"file://box.example/tmp/a.png\n", "/tmp/a.png"},
        {"# comment\r\n\r\nfile:///tmp/a.png\r\n", "/tmp/a.png"},
        {"file://elsewhere/tmp/a.png", ""},
        {"data:image/png;base64,AAAA", ""},
        {"http://box.example/a.png", ""},
        {"file:/tmp/a.png", ""},
        {"file://", ""},
        {"file:///tmp/a.png%00.bmp", ""},
        {"file:///tmp/a%0Ab.png", ""},
        {"file:///tmp/a%7F.png", ""},
        {"file:///tmp/a\tb.png", ""},
        {"file:///tmp/a%2", ""},
        {"file:///tmp/a%zz.png", ""},
        {"file:///tmp/a.png#frag", ""},
        {"file:///tmp/a.png?x=1", ""},
        {"file:///tmp/%25.png", "/tmp/%.png"},
    };
    for (const auto& [list, path] : cases) {
        const std::vector<std::string> paths = LocalPathsOfUriList(list, "box.example");
        EXPECT_EQ(paths, path.empty() ? std::vector<std::string>{} : std::vector<std::string>{path})
            << list;
    }
    EXPECT_EQ(LocalPathsOfUriList("data:,x\nfile:///b\r\nfile:///c", "h"),
              (std::vector<std::string>{"/b", "/c"}));
}

}  // namespace
