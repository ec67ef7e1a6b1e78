// The application's start-up: after Initialize, a DLL beside the program is
// not what a load by its bare name finds. The search setting belongs to the
// process, and CTest runs each test in a process of its own.
#include "framework/win/Application.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/Owner.h"
#include "framework/SysUtils.h"

namespace {

using TModuleHandle = TOwner<HMODULE, &FreeLibrary>;

std::string FolderOf(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    // By character: a trail byte can be '\\' in a double-byte code page.
    return folder.substr(0, LastDelimiter("\\", folder));
}

TEST(Initialize, LimitsTheDllSearchToTheSystemFolder) {
    const std::string programFolder = FolderOf(nullptr);
    // Two copies of one DLL lie beside the program (CMakeLists.txt): the
    // first is found before the start-up step, so the second, not loaded yet,
    // tells what the search finds after it.
    {
        const TModuleHandle before(LoadLibraryA("regscan_planted_before.dll"));
        ASSERT_TRUE(before) << "error " << GetLastError() << ": no DLL beside the program in " << programFolder;
        EXPECT_EQ(FolderOf(before.get()), programFolder);
    }
    Application->Initialize();
    SetLastError(0);
    const TModuleHandle after(LoadLibraryA("regscan_planted_after.dll"));
    EXPECT_FALSE(after) << "loaded from " << FolderOf(after.get());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    // The system's own DLLs are still found by their bare names.
    const TModuleHandle system(LoadLibraryA("version.dll"));
    EXPECT_TRUE(system) << "error " << GetLastError();
}

}  // namespace
