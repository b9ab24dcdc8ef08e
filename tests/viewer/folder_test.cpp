// Folders named on the viewer's command line.
#include "viewer/folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/bitmap/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "viewer/picture_file.h"

namespace {

TEST(ViewerFolder, NamesInTheOrderOfAFileManager) {
    const std::vector<std::string> sorted = {"",
                                             "01.png",
                                             "1.png",
                                             "2.png",
                                             "10.png",
                                             "a.png",
                                             "B.png",
                                             "b.png",
                                             "img2.png",
                                             "img010.png",
                                             "img10.png",
                                             "img10a.png",
                                             "img10b.png",
                                             "img100.png",
                                             "z9999999999999999999999.png",
                                             "z10000000000000000000000.png"};
    for (size_t i = 0; i + 1 < sorted.size(); ++i) {
        EXPECT_TRUE(NameBefore(sorted[i], sorted[i + 1])) << sorted[i] << " " << sorted[i + 1];
        EXPECT_FALSE(NameBefore(sorted[i + 1], sorted[i])) << sorted[i] << " " << sorted[i + 1];
    }
    EXPECT_FALSE(NameBefore("a.png", "a.png"));
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// A folder gives its pictures and include files, known by content, in name order; hidden files,
// other files and subfolders are passed over. A folder with none stays itself and says so.
TEST(ViewerFolder, AFolderStandsForItsPicturesAndIncludeFiles) {
    const TempDir dir;
    const std::vector<uint8_t> bmp = bmp::Encode24({{0x0000FF, 0x00FF00}});
    const std::vector<uint8_t> include =
        Bytes("pic_bi:\r\nData 1\r\nData 1\r\nData 255, 1, 2,3\r\n");
    dir.Write("pic10.bmp", bmp);
    dir.Write("Pic9.data", include);  // an include file by its content
    dir.Write("pic11.png", Bytes("not a picture at all"));
    dir.Write("notes.txt", Bytes("Shopping list\n"));
    dir.Write(".hidden.bmp", bmp);
    ::mkdir((dir / "sub").c_str(), 0700);
    dir.Write("sub/inner.bmp", bmp);
    ::mkdir((dir / "empty").c_str(), 0700);
    dir.Write("empty/notes.txt", Bytes("nothing to show\n"));
    const std::string alone = dir / "notes.txt";
    EXPECT_EQ(FilesToShow({alone, dir.Path(), dir / "empty", dir.Path() + "/"}),
              (std::vector<std::string>{alone, dir / "Pic9.data", dir / "pic10.bmp", dir / "empty",
                                        dir / "Pic9.data", dir / "pic10.bmp"}));
    EXPECT_EQ(ReadPictureFile(dir / "empty").problem,
              "is a folder without pictures or include files");
    EXPECT_EQ(ReadPictureFile(dir.Path()).problem, "is a folder, not a picture");
    EXPECT_EQ(FilesToShow({dir / "missing"}), std::vector<std::string>{dir / "missing"});
}

}  // namespace
