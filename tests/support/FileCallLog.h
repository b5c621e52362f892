// Records the file-changing system calls a piece of code makes, in order, as
// short lines: "write NAME", "fsync NAME", "link NAME NAME", "rename NAME NAME",
// "unlink NAME", "fsync dir/" (a folder) (NAME: the file name alone, temporaries as
// "~tmp:TARGET" or "~bak:TARGET"). Installed for one scope.
#pragma once

#include "FileCalls.h"

#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kv::test {

class FileCallLog {
public:
    FileCallLog() {
        lines().clear();
        names().clear();
        FileCalls calls = systemFileCalls();
        calls.open = [](const char* path, int flags, mode_t mode) {
            const int fd = systemFileCalls().open(path, flags, mode);
            if (fd >= 0) names()[fd] = shortName(path, (flags & O_DIRECTORY) != 0);
            return fd;
        };
        calls.write = [](int fd, const void* data, std::size_t size) {
            note("write " + names()[fd]);
            return systemFileCalls().write(fd, data, size);
        };
        calls.fsync = [](int fd) {
            note("fsync " + names()[fd]);
            return systemFileCalls().fsync(fd);
        };
        calls.link = [](const char* from, const char* to) {
            note("link " + shortName(from) + " " + shortName(to));
            return systemFileCalls().link(from, to);
        };
        calls.rename = [](const char* from, const char* to) {
            note("rename " + shortName(from) + " " + shortName(to));
            return systemFileCalls().rename(from, to);
        };
        calls.unlink = [](const char* path) {
            note("unlink " + shortName(path));
            return systemFileCalls().unlink(path);
        };
        fileCalls() = calls;
    }
    ~FileCallLog() { fileCalls() = systemFileCalls(); }
    FileCallLog(const FileCallLog&) = delete;
    FileCallLog& operator=(const FileCallLog&) = delete;

    const std::vector<std::string>& calls() const { return lines(); }

    // The name as logged: temporaries of the program's own kind say which
    // file they stand in for, without their random part.
    static std::string shortName(const std::string& path, bool folder = false) {
        if (folder) return "dir/";
        std::string name = std::filesystem::path(path).filename().string();
        if (name.rfind(".kvsave-", 0) == 0) {
            const auto first = name.find('-', 8);
            const auto second = name.find('-', first + 1);
            std::string rest = name.substr(second + 1);
            const std::string ext = rest.substr(rest.size() - 4);
            return "~" + ext.substr(1) + ":" + rest.substr(0, rest.size() - 4);
        }
        return name;
    }

private:
    static std::vector<std::string>& lines() {
        static std::vector<std::string> l;
        return l;
    }
    static std::map<int, std::string>& names() {
        static std::map<int, std::string> n;
        return n;
    }
    static void note(const std::string& line) {
        // Repeated writes of one file are one step.
        if (lines().empty() || lines().back() != line) lines().push_back(line);
    }
};

} // namespace kv::test
