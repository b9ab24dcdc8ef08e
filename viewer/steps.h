// What the viewer steps through: a step per file, and once an include file of several pictures
// (the tiles of a sprite sheet) has been read, a step per picture of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Step {
    std::string path;
    uint64_t picture = 0;  // of the include file, from 0
    bool counted = false;  // the file's pictures have steps of their own
};

std::vector<Step> StepsOf(const std::vector<std::string>& paths);

// Gives the other pictures of steps[index]'s file, which holds `count`, steps of their own after
// it; returns how many were added (none once the file's pictures are counted).
size_t AddPictureSteps(std::vector<Step>& steps, size_t index, uint64_t count);
