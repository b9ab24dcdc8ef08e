// Pictures given to the viewer on its command line: a pixel-data include file, recognised by its
// content rather than its name, or any picture file the bitmap loader reads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "picture/picture.h"

enum class PictureFileStatus {
    Ok,
    Missing,
    Unreadable,
    NotAPicture,  // a folder, an empty file, or neither an include file nor a picture
    Malformed,    // an include file with a line of no known kind
    NoPicture,    // a declared width or height below 1
    TooLarge,     // more pixels than allowed, or than memory holds
    Undecodable,  // a picture the loader could not decode
};

struct PictureFile {
    PictureFileStatus status = PictureFileStatus::Ok;
    std::string problem;                // why it cannot be shown, when not Ok
    std::vector<std::string> warnings;  // what is odd about a picture shown all the same
    // 0xAARRGGBB, when Ok: missing values of an include file leave pixels 0x00000000.
    picture::Pixels pixels;
    // The picture's own size, larger than the pixels' where a picture was read reduced.
    int64_t fullWidth = 0;
    int64_t fullHeight = 0;
    // An include file may hold several pictures (the tiles of a sprite sheet): how many, as far
    // as it was read, and the label of the one read.
    uint64_t pictureCount = 1;
    std::string label;
};

// Reads the file into plain memory; no screen is needed. A picture may come reduced as
// `options` allow (include files never do). Of an include file, the picture numbered `index`
// (from 0) is read.
PictureFile ReadPictureFile(const std::string& path, const picture::LoadOptions& options = {},
                            uint64_t index = 0);

// Whether the file's first bytes are those of an include file, as ReadPictureFile tells.
bool IsIncludeFile(const std::string& path);

// The picture of an include file's text, made as ReadPictureFile makes it from a file.
PictureFile ReadIncludePicture(std::string_view text, uint64_t index = 0);
