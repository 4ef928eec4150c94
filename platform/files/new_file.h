// New files that take no name in their folder until they are complete, so that a process killed
// while it writes one leaves nothing behind. Where the file system cannot make a file without a
// name, it gets a short hidden name of its own instead (".orva-fg-" and eight letters).
#pragma once

#include <sys/types.h>

#include <string>

namespace orva::files {

// A new file in `folder` made with `mode` less the umask and opened for `access` (O_WRONLY or
// O_RDWR). `name` is left empty for a file without a name, else holds the name it was given.
// The descriptor, or -1 with errno.
int MakeNewFile(const std::string& folder, int access, mode_t mode, std::string& name);

// A path that opens the file without a name `fd` once more, for a writer that wants a path.
std::string ReopenPath(int fd);

// Gives the file without a name `fd` the name `path`, which must not exist yet (EEXIST). 0 or
// the system's error.
int NameNewFile(int fd, const std::string& path);

// Gives the file without a name `fd` a short hidden name of its own in `folder`, put in `name`.
// 0 or the system's error.
int NameNewFileIn(int fd, const std::string& folder, std::string& name);

}  // namespace orva::files
