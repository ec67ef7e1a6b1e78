#include "support/files.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

TTempFolder::TTempFolder(const std::string& prefix) {
    std::random_device random;
    do path_ = std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(random()));
    while (!std::filesystem::create_directory(path_));
}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}
