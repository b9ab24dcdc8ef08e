// Names and arguments made safe for a terminal, and the one way a program tells its user about a
// failure: one line on standard error, "program: message". Libraries report nothing themselves;
// they return a result with its reason, and the program prints that through here.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// `text` safe for one line of a terminal: control characters (C0, DEL, C1) and bytes that are no
// UTF-8 become escapes ("\n", "\r", "\t", "\x1b", "\xff"), so that a message stays one line and a
// name steers nothing. Well-formed characters beyond ASCII are kept; the escapes it writes are
// printable themselves, so text made printable stays as it is.
std::string Printable(std::string_view text);

// One line to `stream`: `line` made printable, then a line feed.
void SayLine(std::FILE* stream, std::string_view line);

// "program: message" as one printable line on standard error.
void ReportError(std::string_view program, std::string_view message);
