#include "ProfileFile.h"

#include <SimpleIni.h>

#include <cstdio>
#include <filesystem>

namespace kv {

struct ProfileFile::Impl {
    CSimpleIniA ini{false, false, false};
};

ProfileFile::ProfileFile(std::string path)
    : m_path(std::move(path)), m_impl(std::make_unique<Impl>()) {
    m_impl->ini.SetSpaces(false);
    m_impl->ini.SetQuotes(false);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(m_path, ec)) {
        m_loaded = !std::filesystem::exists(m_path, ec);
        return;
    }
    m_loaded = m_impl->ini.LoadFile(m_path.c_str()) >= 0;
    if (!m_loaded) m_impl->ini.Reset();
}

ProfileFile::~ProfileFile() = default;

std::string ProfileFile::read(const std::string& section, const std::string& key,
                              const std::string& def) const {
    const char* v = m_impl->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    std::string text = v ? std::string(v) : def;
    if (v && text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    if (text.size() > kMaxValueLength) text.resize(kMaxValueLength);
    return text;
}

void ProfileFile::write(const std::string& section, const std::string& key,
                        const std::string& value) {
    m_impl->ini.SetValue(section.c_str(), key.c_str(), value.c_str());
}

void ProfileFile::discardContents() {
    m_impl->ini.Reset();
}

bool ProfileFile::save() {
    const std::string temp = m_path + ".tmp";
    if (m_impl->ini.SaveFile(temp.c_str(), false) < 0) {
        std::remove(temp.c_str());
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, m_path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

} // namespace kv
