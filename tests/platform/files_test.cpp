// File moves, deletes, new files and the handle calls the program
// makes: what Windows does, which the stand-in must do too (both builds).
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/winapi.h"

namespace {

namespace fs = std::filesystem;

void write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Whether CreateFileA gave a handle (closed again at once).
bool opened(const std::string& path, DWORD disposition) {
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

// Each call failing as the program can meet it, with the code Windows
// leaves; nothing there is changed.
TEST(FileCalls, FailuresLeaveWindowsCodesAndTouchNothing) {
    const TTempFolder folder("regscan-files");
    const std::string present = folder.file("present"), other = folder.file("other"),
                      taken = folder.file("reg0000.tmp");
    const std::string missing = folder.file("missing"), free = folder.file("free"),
                      noFolder = folder.file("no-folder/any"), dir = folder.file("dir");
    write(present, "x");
    write(other, "old");
    write(taken, "someone's");
    fs::create_directory(dir);
    const DWORD replace = MOVEFILE_REPLACE_EXISTING;
    const struct {
        const char* label;
        std::function<bool()> call;  // true: the call succeeded
        DWORD code;
    } cases[] = {
        {"move onto a file, not asked to replace", [&] { return MoveFileExA(present.c_str(), other.c_str(), 0); },
         ERROR_ALREADY_EXISTS},
        {"move a missing file", [&] { return MoveFileExA(missing.c_str(), free.c_str(), 0); }, ERROR_FILE_NOT_FOUND},
        {"move a missing file, replacing", [&] { return MoveFileExA(missing.c_str(), free.c_str(), replace); },
         ERROR_FILE_NOT_FOUND},
        {"move into a missing folder", [&] { return MoveFileExA(present.c_str(), noFolder.c_str(), replace); },
         ERROR_PATH_NOT_FOUND},
        {"move onto a folder", [&] { return MoveFileExA(present.c_str(), dir.c_str(), replace); }, ERROR_ACCESS_DENIED},
        {"delete a missing file", [&] { return DeleteFileA(missing.c_str()); }, ERROR_FILE_NOT_FOUND},
        {"delete a folder", [&] { return DeleteFileA(dir.c_str()); }, ERROR_ACCESS_DENIED},
        {"new file where one is", [&] { return opened(taken, CREATE_NEW); }, ERROR_FILE_EXISTS},
        {"new file in a missing folder", [&] { return opened(noFolder, CREATE_NEW); }, ERROR_PATH_NOT_FOUND},
        {"open a missing file", [&] { return opened(missing, OPEN_EXISTING); }, ERROR_FILE_NOT_FOUND},
        {"open in a missing folder", [&] { return opened(noFolder, OPEN_EXISTING); }, ERROR_PATH_NOT_FOUND},
        {"attributes of a missing file", [&] { return GetFileAttributesA(missing.c_str()) != INVALID_FILE_ATTRIBUTES; },
         ERROR_FILE_NOT_FOUND},
        {"attributes in a missing folder",
         [&] { return GetFileAttributesA(noFolder.c_str()) != INVALID_FILE_ATTRIBUTES; }, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(c.call()) << c.label;
        EXPECT_EQ(GetLastError(), c.code) << c.label;
    }
    EXPECT_EQ(readFile(present), "x");
    EXPECT_EQ(readFile(other), "old");
    EXPECT_EQ(readFile(taken), "someone's");
    EXPECT_TRUE(fs::is_directory(dir));
}

// The calls the export makes when all goes well: the temporary file created
// new and checked through its handle, the destination's kind asked, the
// replacement, and the deletion of what is left.
TEST(FileCalls, SuccessfulCallsDoWhatTheySay) {
    const TTempFolder folder("regscan-files");
    const std::string from = folder.file("new.xml.tmp"), to = folder.file("out.xml");
    EXPECT_TRUE(opened(from, CREATE_NEW));
    EXPECT_EQ(fs::file_size(from), 0u);
    write(from, "<a>0123456789</a>\n");
    const HANDLE file = CreateFileA(from.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FlushFileBuffers(file));
    LARGE_INTEGER size = {};
    ASSERT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, 18);
    LARGE_INTEGER back = {};
    back.QuadPart = -5;
    ASSERT_TRUE(SetFilePointerEx(file, back, nullptr, FILE_END));
    char tail[8] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, tail, sizeof tail, &read, nullptr));
    EXPECT_EQ(std::string(tail, read), "</a>\n");
    EXPECT_TRUE(CloseHandle(file));

    const DWORD ofFile = GetFileAttributesA(from.c_str());
    EXPECT_NE(ofFile, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ofFile & FILE_ATTRIBUTE_DIRECTORY, 0u);
    const DWORD ofFolder = GetFileAttributesA(folder.path().string().c_str());
    EXPECT_NE(ofFolder, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ofFolder & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));

    write(to, "old");
    EXPECT_TRUE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(readFile(to), "<a>0123456789</a>\n");
    EXPECT_FALSE(fs::exists(from));
    EXPECT_TRUE(MoveFileExA(to.c_str(), from.c_str(), 0)) << "a free target needs no flag";
    EXPECT_EQ(readFile(from), "<a>0123456789</a>\n");
    EXPECT_TRUE(DeleteFileA(from.c_str()));
    EXPECT_FALSE(fs::exists(from));
}

}  // namespace
