// Files of one test: a folder of its own, emptied at the start and kept
// afterwards for a look; paths the build knows, made usable by the program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Owner.h"

// The build records host paths; under Wine "/a/b" becomes Wine's DOS name
// for it (Z:\a\b). A Windows path only gets backslashes.
std::string NativePath(const std::string& buildPath);
// `folder` + "\" + `name`.
std::string JoinPath(const std::string& folder, const std::string& name);

class TWorkFolder {
public:
    // Named after the running test.
    TWorkFolder();
    const std::string& Path() const { return path_; }
    std::string PathOf(const std::string& name) const;
    // Names of the files and folders in it, in UTF-8, sorted.
    std::vector<std::string> Names() const;

private:
    std::string path_;
};

// Names of the files and folders in `folder`, in UTF-8 (exact in every code
// page), sorted; the folder named in ANSI or, whatever its characters, in
// UTF-16.
std::vector<std::string> FolderNames(const std::string& folder);
std::vector<std::string> FolderNames(const std::wstring& folder);
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& content);
