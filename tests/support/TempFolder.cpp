#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempFolder::TempFolder()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "brelk-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void TempFolder::Write(const std::string& name, const std::string& bytes) const
{
    std::filesystem::path p = std::filesystem::path(m_path) / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

std::string TempFolder::Read(const std::string& name) const
{
    std::ifstream in(std::filesystem::path(m_path) / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    if (const char* old = std::getenv(name))
        m_old = old;
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (m_old)
        ::setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}
