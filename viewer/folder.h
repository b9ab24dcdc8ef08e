// Folders on the viewer's command line: each stands for the include files and pictures in it,
// in the order of their names, as a file manager lists them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The files to show for the command line's names: a folder's include files and pictures (by
// content, whatever their names) sorted by NameBefore, its other files, hidden files and
// subfolders passed over; a folder without any, or one that cannot be read, stays itself (to be
// shown as such); any other name stays as given.
std::vector<std::string> FilesToShow(const std::vector<std::string>& names);

// Whether name a sorts before b: letters without regard to case, digits by the number they make
// ("img2" before "img10"), and where that finds no difference, byte by byte.
bool NameBefore(std::string_view a, std::string_view b);
