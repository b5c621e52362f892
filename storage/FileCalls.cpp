#include "FileCalls.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace kv {

const FileCalls& systemFileCalls() {
    static const FileCalls calls{
        [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
        [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
        [](int fd) { return ::fsync(fd); },
        [](const char* from, const char* to) { return ::link(from, to); },
        [](const char* from, const char* to) { return ::rename(from, to); },
        [](const char* path) { return ::unlink(path); },
    };
    return calls;
}

FileCalls& fileCalls() {
    static FileCalls calls = systemFileCalls();
    return calls;
}

} // namespace kv
