// The names of the temporary files that output files are written to, which say whose they are, and
// the removal of those that conversions which died left behind (SIGKILL, a crash, a power cut).
//
// A name is "." + the target's name (at most 150 bytes) + ".pixeltools-tmp." + this host's name
// (letters, digits and "-", at most 64 bytes) + "." + the writer's process id + "." + six letters
// or digits that make it unique. The host's name keeps a folder shared between machines safe: a
// process id means something only on the host that wrote it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

// The mkostemp pattern of a temporary file for the target `base` (a name without folder) in
// `folder`, written by this process.
std::string TemporaryPattern(const std::string& folder, std::string_view base);

// The process id that `name` (without folder) says wrote it, when it is the name of a temporary
// file of host `host`, as TemporaryPattern makes them there.
std::optional<pid_t> TemporaryWriter(std::string_view name, std::string_view host);

// This host's name as temporary names hold it.
const std::string& HostInTemporaryNames();

// Removes from `folder` the temporary files of this host whose writer no longer exists: regular
// files of this user only, never a link, a folder or a name of any other form. Each folder is
// looked through once per process, so a batch into one folder pays for it once.
void RemoveStaleTemporaries(const std::string& folder);
