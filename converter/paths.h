// Paths as the converter's user gives them: typed with "~/" for the home folder, or pasted as the
// file URI a file manager copies. And paths as the converter's boxes show them.
#pragma once

#include <string>
#include <string_view>

// `path` with a leading "~" or "~/" made the home folder ($HOME, else the user's entry); other
// paths as they are.
std::string ExpandHome(std::string path);
// A pasted line that is a file URI made its path by the rules of a dropped one; nothing for a
// file URI those rules refuse (another host, a NUL); any other line as it is.
std::string PathOfPastedLine(std::string_view line);
// About as many characters as a box shows of a path: a longer one loses its middle.
inline constexpr int32_t ShownPathLimit = 200;
// `path` as a box shows it, at most ShownPathLimit characters, in a time that does not grow with
// it: a short one as it is, a longer one valid UTF-8.
std::string ShownPath(std::string_view path);
// `text` with `path` in it shown as ShownPath shows it.
std::string WithShownPath(std::string text, std::string_view path);
