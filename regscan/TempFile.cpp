#include "regscan/TempFile.h"

#include "framework/Exception.h"
#include "framework/Owner.h"
#include "framework/SysUtils.h"
#include "platform/winapi.h"

namespace {

// "reg", four hexadecimal digits and ".tmp": the length of every temporary
// name in characters.
constexpr std::size_t kNameLength = 11;

// The folder part of `path` with its separator: "C:" for "C:name" (the
// drive's current folder), empty for a bare name (the current folder).
AnsiString FolderOf(const AnsiString& path) {
    const std::size_t separator = LastDelimiter("\\/", path);
    if (separator != AnsiString::npos) return path.substr(0, separator + 1);
    // The colon only as a character of its own, never a second byte.
    if (path.size() >= 2 && path[1] == ':' && CharNextExA(CP_ACP, path.c_str(), 0) == path.c_str() + 1)
        return path.substr(0, 2);
    return AnsiString();
}

// A path's length as Windows limits it: in UTF-16 units, whatever the code
// page takes in bytes.
std::size_t PathLength(const AnsiString& path) {
    const int units = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    return units > 0 ? static_cast<std::size_t>(units) - 1 : path.size();
}

[[noreturn]] void ThrowFileFailure(const char* format, const AnsiString& destination, DWORD code) {
    throw Exception(Format(format, destination.c_str(), static_cast<unsigned>(code), SysErrorMessage(code).c_str()));
}

}  // namespace

TTempFile::TTempFile(const AnsiString& destination) : destination_(destination) {
    const char* const failure = "TRegScanner, no temporary file could be created beside %s (0x%x): %s";
    const AnsiString folder = FolderOf(destination);
    // Never a cut name: a folder without room for one within MAX_PATH fails
    // here, naming the destination.
    if (PathLength(folder) + kNameLength >= MAX_PATH) ThrowFileFailure(failure, destination, ERROR_BUFFER_OVERFLOW);
    // CREATE_NEW never takes a name that a file already has: the first free
    // name is ours alone.
    for (unsigned number = 0; number <= 0xFFFF; ++number) {
        const AnsiString name = folder + Format("reg%04x.tmp", number);
        const TFileHandle file(
            CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            path_ = name;
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS) ThrowFileFailure(failure, destination, error);
    }
    ThrowFileFailure(failure, destination, ERROR_FILE_EXISTS);
}

TTempFile::~TTempFile() {
    if (!replaced_) DeleteFileA(path_.c_str());
}

AnsiString TTempFile::FlushedTail(std::size_t count) const {
    const char* const failure = "TRegScanner, the file %s could not be written completely (0x%x): %s";
    // Write access: FlushFileBuffers needs it.
    TFileHandle file(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !FlushFileBuffers(file.get())) ThrowFileFailure(failure, destination_, GetLastError());

    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size)) ThrowFileFailure(failure, destination_, GetLastError());
    const std::size_t length =
        static_cast<unsigned long long>(size.QuadPart) < count ? static_cast<std::size_t>(size.QuadPart) : count;
    LARGE_INTEGER back = {};
    back.QuadPart = -static_cast<LONGLONG>(length);
    AnsiString tail(length, '\0');
    DWORD read = 0;
    if (!SetFilePointerEx(file.get(), back, nullptr, FILE_END) ||
        !ReadFile(file.get(), tail.data(), static_cast<DWORD>(length), &read, nullptr))
        ThrowFileFailure(failure, destination_, GetLastError());
    tail.resize(read);
    return tail;
}

void TTempFile::ReplaceDestination() {
    if (!MoveFileExA(path_.c_str(), destination_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowFileFailure("TRegScanner, failure in MoveFileEx replacing %s (0x%x): %s", destination_, GetLastError());
    replaced_ = true;
}
