#include "work_folder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "native_path.h"
#include "tests/support/find_handle.h"
#include "unicode_text.h"

namespace {

// Names through the W functions: a test may leave names that the ANSI code
// page lacks (Ω under 1252), which the A functions give as look-alikes.
class TFind {
public:
    explicit TFind(const std::wstring& folder) : handle_(FindFirstFileW((folder + L"\\*").c_str(), &data_)) {}
    // The entries other than "." and "..", one by one.
    const WIN32_FIND_DATAW* Next() {
        while (handle_) {
            if (!first_ && !FindNextFileW(handle_.get(), &data_)) return nullptr;
            first_ = false;
            if (wcscmp(data_.cFileName, L".") != 0 && wcscmp(data_.cFileName, L"..") != 0) return &data_;
        }
        return nullptr;
    }

private:
    WIN32_FIND_DATAW data_ = {};
    TFindHandle handle_;
    bool first_ = true;
};

std::wstring WideOfAnsi(const std::string& ansi) {
    return Utf16Of(Utf8OfAnsi(ansi));
}

void EmptyFolder(const std::wstring& folder) {
    TFind find(folder);
    while (const WIN32_FIND_DATAW* entry = find.Next()) {
        const std::wstring path = folder + L"\\" + entry->cFileName;
        if (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            EmptyFolder(path);
            RemoveDirectoryW(path.c_str());
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
}

std::string CurrentTestName() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "outside-tests";
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
    return name;
}

}  // namespace

TWorkFolder::TWorkFolder() {
    const std::string root = NativePath(E2E_WORK_DIR);
    CreateDirectoryA(root.c_str(), nullptr);
    path_ = JoinPath(root, CurrentTestName());
    CreateDirectoryA(path_.c_str(), nullptr);
    EmptyFolder(WideOfAnsi(path_));
}

std::string TWorkFolder::PathOf(const std::string& name) const {
    return JoinPath(path_, name);
}

std::vector<std::string> TWorkFolder::Names() const {
    return FolderNames(path_);
}

std::vector<std::string> FolderNames(const std::string& folder) {
    return FolderNames(WideOfAnsi(folder));
}

std::vector<std::string> FolderNames(const std::wstring& folder) {
    std::vector<std::string> names;
    TFind find(folder);
    while (const WIN32_FIND_DATAW* entry = find.Next()) names.push_back(Utf8Of(entry->cFileName));
    std::sort(names.begin(), names.end());
    return names;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadWholeFile(const std::string& path) {
    std::string content;
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) content.append(buffer, got);
    return content;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}
