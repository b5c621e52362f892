// Test helpers: a temporary folder removed at the end of the test, and
// writers for small recordings.
#pragma once

#include "SampleRecord.h"

#include <string>
#include <vector>

namespace kv::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// n ordinary records, 20 ms apart, record type 'O'.
std::vector<SampleRecord> plainRecords(int n);
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);

} // namespace kv::test
