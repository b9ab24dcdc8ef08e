// The files of a dropped text/uri-list: which of its lines name a file of this machine, and which
// file. Only "file://" URIs whose host is empty, "localhost" or this machine's name count; their
// path is percent-decoded. A URI of any other scheme, a malformed escape, a NUL or other control
// character, a query or fragment ("?", "#"), or a path that is not absolute is left out: such a
// line names no file here, and guessing one could name another file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The local paths of `uriList` (lines ended by CR LF or LF, "#" comments), in its order.
std::vector<std::string> LocalPathsOfUriList(std::string_view uriList, std::string_view hostName);

// This machine's name, as file URIs of it carry it.
std::string ThisHostName();
