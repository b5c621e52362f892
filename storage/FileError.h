// The error of a failed file operation, numbered as the program reports it.
#pragma once

#include <string>

namespace kv {

// The numbers a file error is reported with, the classic run-time error
// numbers. Plain numbers underneath, as they are shown and stored as numbers.
enum FileErrorNumber : int {
    kErrInvalidCall = 5,                 // Invalid procedure call or argument
    kErrTooFewRecords = kErrInvalidCall, // a cut or save of fewer records than load
    kErrOutOfMemory = 7,                 // Out of memory
    kErrTypeMismatch = 13,               // Type mismatch (an answer that is no number)
    kErrInterrupted = 18,      // a save stopped by a signal or a kill before it was complete
    kErrFileNotFound = 53,     // File not found
    kErrFileAlreadyOpen = 55,  // File already open (saving over the recording in use)
    kErrDeviceIO = 57,         // Device I/O error
    kErrDiskFull = 61,         // Disk full
    kErrPastEnd = 62,          // Input past end of file
    kErrPermissionDenied = 70, // Permission denied (another program holds the file)
    kErrPathFileAccess = 75,   // Path/File access error
    kErrPathNotFound = 76,     // Path not found
    kErrInvalidProperty = 380, // Invalid property value
    kErrCancelled = 32755,     // the person cancelled the file dialog
};

struct FileError {
    int number = 0;          // a FileErrorNumber
    std::string description; // human readable
};

// The error of a data file that ends before the records it should hold.
inline FileError pastEndError(const std::string& path) {
    return FileError{kErrPastEnd,
                     path + " ended before all its records were read (it changed or is damaged)"};
}

} // namespace kv
