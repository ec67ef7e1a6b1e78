// File moves, deletes, new files and the handle calls the program
// makes: what Windows does, which the stand-in must do too (both builds).
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/winapi.h"

namespace {

namespace fs = std::filesystem;

void write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

TEST(MoveFileEx, ReplacesOnlyWhenAsked) {
    const TTempFolder folder("regscan-files");
    const std::string from = folder.file("new.xml.tmp"), to = folder.file("out.xml");
    write(from, "new");
    write(to, "old");
    SetLastError(0);
    EXPECT_FALSE(MoveFileExA(from.c_str(), to.c_str(), 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(readFile(to), "old");
    EXPECT_EQ(readFile(from), "new");

    EXPECT_TRUE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(readFile(to), "new");
    EXPECT_FALSE(fs::exists(from));

    EXPECT_TRUE(MoveFileExA(to.c_str(), from.c_str(), 0)) << "a free target needs no flag";
    EXPECT_EQ(readFile(from), "new");
}

TEST(MoveFileEx, ReportsWindowsCodes) {
    const TTempFolder folder("regscan-files");
    const std::string present = folder.file("present");
    write(present, "x");
    fs::create_directory(folder.file("dir"));
    const struct {
        std::string from, to;
        DWORD flags, code;
    } cases[] = {
        {folder.file("missing"), folder.file("any"), 0, ERROR_FILE_NOT_FOUND},
        {folder.file("missing"), folder.file("any"), MOVEFILE_REPLACE_EXISTING, ERROR_FILE_NOT_FOUND},
        {present, folder.file("no-folder/any"), MOVEFILE_REPLACE_EXISTING, ERROR_PATH_NOT_FOUND},
        {present, folder.file("dir"), MOVEFILE_REPLACE_EXISTING, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(MoveFileExA(c.from.c_str(), c.to.c_str(), c.flags)) << c.from << " -> " << c.to;
        EXPECT_EQ(GetLastError(), c.code) << c.from << " -> " << c.to;
    }
    EXPECT_EQ(readFile(present), "x");
}

TEST(DeleteFile, RemovesFilesAndReportsWindowsCodes) {
    const TTempFolder folder("regscan-files");
    const std::string file = folder.file("f");
    write(file, "x");
    EXPECT_TRUE(DeleteFileA(file.c_str()));
    EXPECT_FALSE(fs::exists(file));
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA(folder.path().string().c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << "a folder is no file";
}

// The export asks it whether the name it is about to write is taken.
TEST(GetFileAttributes, TellsFilesFromFolders) {
    const TTempFolder folder("regscan-files");
    const std::string file = folder.file("present.xml");
    write(file, "x");
    const DWORD ofFile = GetFileAttributesA(file.c_str());
    EXPECT_NE(ofFile, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ofFile & FILE_ATTRIBUTE_DIRECTORY, 0u);
    const DWORD ofFolder = GetFileAttributesA(folder.path().string().c_str());
    EXPECT_NE(ofFolder, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ofFolder & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
}

// The temporary file's creation: a new file where no file is, and nothing
// done to one that is there.
TEST(CreateFile, NewFileOnlyWhereNoneIs) {
    const TTempFolder folder("regscan-files");
    const std::string taken = folder.file("reg0000.tmp");
    write(taken, "someone's");
    const struct {
        std::string path;
        DWORD code;  // 0: created
    } cases[] = {{folder.file("reg0001.tmp"), 0},
                 {taken, ERROR_FILE_EXISTS},
                 {folder.file("absent/reg0000.tmp"), ERROR_PATH_NOT_FOUND}};
    for (const auto& c : cases) {
        SetLastError(0);
        const HANDLE file =
            CreateFileA(c.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.code == 0) << c.path;
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file));
            EXPECT_EQ(fs::file_size(c.path), 0u);
        } else {
            EXPECT_EQ(GetLastError(), c.code) << c.path;
        }
    }
    EXPECT_EQ(readFile(taken), "someone's");
}

// The handle calls the writer's check of a saved file makes.
TEST(FileHandle, FlushesAndReadsTheEndOfAFile) {
    const TTempFolder folder("regscan-files");
    const std::string path = folder.file("saved.xml");
    write(path, "<a>0123456789</a>\n");
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
}

// A missing file, or a missing folder on its way, as opening and the
// attributes report it.
TEST(MissingFile, ReportsWhichPartIsMissing) {
    const TTempFolder folder("regscan-files");
    const struct {
        std::string path;
        DWORD code;
    } missing[] = {{folder.file("absent.xml"), ERROR_FILE_NOT_FOUND},
                   {folder.file("absent/saved.xml"), ERROR_PATH_NOT_FOUND}};
    for (const auto& m : missing) {
        SetLastError(0);
        EXPECT_EQ(CreateFileA(m.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), m.code) << m.path;
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(m.path.c_str()), INVALID_FILE_ATTRIBUTES) << m.path;
        EXPECT_EQ(GetLastError(), m.code) << m.path;
    }
}

}  // namespace
