// The converter's file dialog: the desktop's file-open or file-save chooser with the converter's
// titles and defaults.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "desktop/dialogs.h"

inline constexpr int32_t FileDialogOpen = 0;  // any other mode is the save dialog

// The user's choice: the full path when chosen, else an empty path, with Unavailable when no
// desktop could show the dialog. `filter` is in the system's form (description NUL pattern NUL
// ... NUL); an empty filter means all files, an empty `initialDirectory` the current folder.
// `defaultExtension` is appended, in save mode only, to a name chosen without one.
FileChoice FileDialog(const Dialogs& dialogs, int32_t mode, std::string_view filter,
                      int32_t filterIndex, std::string_view initialDirectory,
                      std::string_view defaultExtension);
