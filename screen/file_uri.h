// What the desktop hands over when files are dropped onto the window: local paths, or file://
// URIs, which name a path with percent escapes.
#pragma once

#include <string>
#include <string_view>

namespace screen_internal {

// The local path an item names: a file URI ("file:///p", "file://localhost/p", "file:/p", scheme
// in any case) decoded, with its percent escapes, except "%00", which no path can hold; any other
// item (a plain path, another host's file, another scheme) as it is. Line ends around the item go.
std::string LocalPathOf(std::string_view item);

}  // namespace screen_internal
