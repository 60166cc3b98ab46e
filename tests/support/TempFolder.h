#pragma once
// A fresh folder under /tmp for one test, removed with everything in it at the
// end; and an environment variable set for a scope.
#include <optional>
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Writes bytes to a file below the folder, creating its parent folders.
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::string m_path;
};

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// A temporary folder that is the data folder (BRELK_DATA_DIR) for its lifetime.
class ScopedDataFolder {
public:
    ScopedDataFolder() : m_env("BRELK_DATA_DIR", m_folder.Path()) {}
    const TempFolder& Folder() const { return m_folder; }
    const std::string& Path() const { return m_folder.Path(); }

private:
    TempFolder m_folder;
    ScopedEnv m_env;
};
