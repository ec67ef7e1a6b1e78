#include "work_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/support/find_handle.h"
#include "unicode_text.h"

namespace {

typedef WCHAR*(CDECL* WineGetDosFileNameFn)(LPCSTR);

// Wine's own conversion; absent on Windows, where nothing needs converting.
WineGetDosFileNameFn LookUpWineGetDosFileName() {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (!kernel32) return nullptr;
    FARPROC proc = GetProcAddress(kernel32, "wine_get_dos_file_name");
    return reinterpret_cast<WineGetDosFileNameFn>(reinterpret_cast<void (*)()>(proc));
}

// Calls `visit` for each entry but "." and "..". Names through the W
// functions: a test may leave names that the ANSI code page lacks (Ω under
// 1252), which the A functions give as look-alikes.
void ForEachEntry(const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
    WIN32_FIND_DATAW entry = {};
    TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) return;
    do {
        if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0) visit(entry);
    } while (FindNextFileW(find.get(), &entry));
}

std::wstring WideOfAnsi(const std::string& ansi) {
    return Utf16Of(Utf8OfAnsi(ansi));
}

void EmptyFolder(const std::wstring& folder) {
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            EmptyFolder(path);
            RemoveDirectoryW(path.c_str());
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    });
}

std::string CurrentTestName() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "outside-tests";
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
    return name;
}

}  // namespace

std::string NativePath(const std::string& buildPath) {
    static const WineGetDosFileNameFn toDos = LookUpWineGetDosFileName();
    if (toDos && !buildPath.empty() && buildPath[0] == '/') {
        WCHAR* dosName = toDos(buildPath.c_str());
        if (dosName) {
            std::string result = AnsiOf(std::wstring(dosName));
            HeapFree(GetProcessHeap(), 0, dosName);
            return result;
        }
    }
    std::string result = buildPath;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    // The last character, not the last byte: a double-byte one can end in 0x5C.
    const char* last = CharPrevExA(CP_ACP, folder.c_str(), folder.c_str() + folder.size(), 0);
    if (*last == '\\') return folder + name;
    return folder + "\\" + name;
}

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
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) { names.push_back(Utf8Of(entry.cFileName)); });
    std::sort(names.begin(), names.end());
    return names;
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
