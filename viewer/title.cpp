#include "viewer/title.h"

#include <cmath>

namespace {

constexpr const char* Dash = " \u2014 ";

std::string PercentOf(double zoom) {
    const double percent = zoom * 100;
    // Below 1 % a whole number would read as nothing at all.
    if (percent < 1) return std::to_string(std::lround(percent * 10) / 10.0).substr(0, 3) + " %";
    return std::to_string(std::lround(percent)) + " %";
}

}  // namespace

std::string WindowTitleOf(const TitleFacts& facts) {
    const size_t slash = facts.path.find_last_of('/');
    std::string title = slash == std::string::npos || slash + 1 == facts.path.size()
                            ? facts.path
                            : facts.path.substr(slash + 1);
    if (facts.shown) {
        title += Dash + std::to_string(facts.size.width) + " \u00d7 " +
                 std::to_string(facts.size.height) + Dash + PercentOf(facts.zoom);
        if (facts.transparency) title += Dash + std::string("transparency shown");
    } else {
        title += Dash + std::string("cannot be shown");
    }
    if (facts.count > 1)
        title += Dash + std::to_string(facts.index + 1) + " of " + std::to_string(facts.count);
    return title;
}
