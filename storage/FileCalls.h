// The system calls that change files, gathered in one table so that tests can
// watch the order in which a save makes them, or make one of them fail as a
// full disk, a read-only folder or a broken device would.
#pragma once

#include <cstddef>
#include <sys/types.h>

namespace kv {

struct FileCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*link)(const char* from, const char* to);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
};

// The calls in use: the system's own unless a test put others in their place.
FileCalls& fileCalls();
// The system's own calls.
const FileCalls& systemFileCalls();

} // namespace kv
