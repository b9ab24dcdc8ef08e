#include "viewer/steps.h"

#include <cstddef>

std::vector<Step> StepsOf(const std::vector<std::string>& paths) {
    std::vector<Step> steps;
    steps.reserve(paths.size());
    for (const std::string& path : paths) steps.push_back({path});
    return steps;
}

size_t AddPictureSteps(std::vector<Step>& steps, size_t index, uint64_t count) {
    Step& step = steps[index];
    if (step.counted) return 0;
    step.counted = true;
    if (count <= 1) return 0;
    std::vector<Step> more;
    for (uint64_t picture = 1; picture < count; ++picture)
        more.push_back({step.path, picture, true});
    steps.insert(steps.begin() + static_cast<std::ptrdiff_t>(index) + 1, more.begin(), more.end());
    return more.size();
}
