// Whole files, for tests of both builds.
#pragma once

#include <string>

// The file's bytes; empty when it cannot be read.
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
