// The error of a failed file operation, numbered as the program reports it.
#pragma once

#include <string>

namespace kv {

struct FileError {
    int number = 0;          // classic run-time error number (53 file not found, ...)
    std::string description; // human readable
};

// A save stopped by a signal or a kill before it was complete.
inline constexpr int kErrInterrupted = 18;

} // namespace kv
