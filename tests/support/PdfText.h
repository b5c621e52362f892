// The text layer of a PDF as a reader extracts it, through pdftotext
// (poppler-utils, which kv.sh installs). Pages end with a form feed.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace kv::test {

inline std::string pdfText(const std::string& pdf) {
    const std::string command = "pdftotext -layout '" + pdf + "' - 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string text;
    char buf[4096];
    while (pipe && std::fgets(buf, sizeof buf, pipe.get()))
        text += buf;
    return text;
}

// The right edge of the text that reaches furthest right, in points.
inline double pdfTextRightEdge(const std::string& pdf) {
    const std::string command = "pdftotext -bbox '" + pdf + "' - 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    double right = 0;
    char buf[4096];
    while (pipe && std::fgets(buf, sizeof buf, pipe.get()))
        if (const char* at = std::strstr(buf, "xMax=\""))
            right = std::max(right, std::atof(at + 6));
    return right;
}

inline int pdfPages(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\f'));
}

} // namespace kv::test
