// Whole files, for tests of both builds.
#pragma once

#include <filesystem>
#include <string>

// A fresh folder of its own below the system's temporary folder, removed
// with everything in it when this goes.
class TTempFolder {
public:
    explicit TTempFolder(const std::string& prefix);
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    ~TTempFolder();
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The file's bytes; empty when it cannot be read.
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
