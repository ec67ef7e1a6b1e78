// File moves, deletes and the few handle calls over POSIX calls, with the error codes Windows gives, and the faults
// tests ask for. Names come in the ANSI code page and reach the file system as UTF-8, as under Wine.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include "platform/stand-in/code_page.h"
#include "platform/stand-in/control.h"
#include "platform/stand-in/fault_schedule.h"
#include "platform/stand-in/win_functions.h"

namespace {

constexpr DWORD kErrorGenFailure = 31;
constexpr DWORD kErrorNotSameDevice = 17;
constexpr DWORD kErrorDiskFull = 112;

bool exists(const char* path) {
    struct stat info;
    return ::lstat(path, &info) == 0;
}

// `missing_source` tells ENOENT for the file itself (2) from ENOENT for a
// folder on the way (3).
DWORD win32_error(int error, bool missing_source) {
    switch (error) {
        case ENOENT:
            return missing_source ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EBUSY:
        case EROFS:
        case ENOTEMPTY:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case EXDEV:
            return kErrorNotSameDevice;
        case ENAMETOOLONG:
            return ERROR_BUFFER_OVERFLOW;
        case ENOSPC:
            return kErrorDiskFull;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return kErrorGenFailure;
    }
}

std::string parent_folder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Write-through: the rename itself must reach the disk before we return.
void sync_folder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

BOOL fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

using FileFaults = standin::FaultSchedule<standin::FileCall, standin::FileCall::MoveFileEx, DWORD>;

FileFaults& file_faults() {
    static FileFaults faults;
    return faults;
}

// Counts the call; returns the code of a fault set for it, or 0.
DWORD count_call(standin::FileCall call) {
    return file_faults().enter(call).value_or(ERROR_SUCCESS);
}

// Handles are file descriptors shifted by one, so neither 0 nor
// INVALID_HANDLE_VALUE is ever handed out.
HANDLE to_handle(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

int to_fd(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return -1;
    return static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1);
}

}  // namespace

namespace standin {

void files_fail(FileCall call, unsigned nth, DWORD code) {
    if (code == ERROR_SUCCESS) throw std::invalid_argument("files_fail needs a failure code");
    file_faults().arm(call, nth, code);
}

unsigned files_call_count(FileCall call) {
    return file_faults().count(call);
}

void files_reset_faults() {
    file_faults().reset();
}

}  // namespace standin

BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    if (const DWORD fault = count_call(standin::FileCall::MoveFileEx)) return fail(fault);
    // A null target (delete at reboot) has no meaning here.
    if (lpExistingFileName == nullptr || lpNewFileName == nullptr) return fail(ERROR_INVALID_PARAMETER);
    const std::string from = standin::cp::host_path(lpExistingFileName);
    const std::string to = standin::cp::host_path(lpNewFileName);
    // The program always replaces; without the flag a taken name is refused.
    if ((dwFlags & MOVEFILE_REPLACE_EXISTING) == 0 && exists(to.c_str())) return fail(ERROR_ALREADY_EXISTS);
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        return fail(win32_error(error, error == ENOENT && !exists(from.c_str())));
    }
    if ((dwFlags & MOVEFILE_WRITE_THROUGH) != 0) sync_folder(parent_folder(to));
    return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    if (lpFileName == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (::unlink(standin::cp::host_path(lpFileName).c_str()) != 0) return fail(win32_error(errno, true));
    return TRUE;
}

// Files carry the archive attribute, as Windows gives new files.
DWORD GetFileAttributesA(LPCSTR lpFileName) {
    struct stat info;
    if (lpFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::string path = standin::cp::host_path(lpFileName);
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        SetLastError(win32_error(error, error == ENOENT && exists(parent_folder(path).c_str())));
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/, void* lpSecurityAttributes,
                   DWORD dwCreationDisposition, DWORD /*dwFlagsAndAttributes*/, HANDLE hTemplateFile) {
    // Only what the program asks for: an existing file to read or write, or
    // a new one where no file is.
    const bool create = dwCreationDisposition == CREATE_NEW;
    if (lpFileName == nullptr || lpSecurityAttributes != nullptr || hTemplateFile != nullptr ||
        (!create && dwCreationDisposition != OPEN_EXISTING)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (const DWORD fault = create ? count_call(standin::FileCall::CreateNew) : ERROR_SUCCESS) {
        SetLastError(fault);
        return INVALID_HANDLE_VALUE;
    }
    const bool read = (dwDesiredAccess & GENERIC_READ) != 0, write = (dwDesiredAccess & GENERIC_WRITE) != 0;
    const int mode = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    const std::string path = standin::cp::host_path(lpFileName);
    const int fd = ::open(path.c_str(), mode | O_CLOEXEC | (create ? O_CREAT | O_EXCL : 0), 0666);
    if (fd < 0) {
        const int error = errno;
        SetLastError(create && error == EEXIST
                         ? ERROR_FILE_EXISTS
                         : win32_error(error, error == ENOENT && exists(parent_folder(path).c_str())));
        return INVALID_HANDLE_VALUE;
    }
    return to_handle(fd);
}

BOOL FlushFileBuffers(HANDLE hFile) {
    if (const DWORD fault = count_call(standin::FileCall::FlushFileBuffers)) return fail(fault);
    if (::fsync(to_fd(hFile)) != 0) return fail(errno == EBADF ? ERROR_INVALID_HANDLE : win32_error(errno, true));
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    struct stat info;
    if (lpFileSize == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (::fstat(to_fd(hFile), &info) != 0) return fail(ERROR_INVALID_HANDLE);
    lpFileSize->QuadPart = info.st_size;
    return TRUE;
}

// The program only steps back from the end, and asks for no position.
BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER /*lpNewFilePointer*/,
                      DWORD /*dwMoveMethod*/) {
    if (::lseek(to_fd(hFile), static_cast<off_t>(liDistanceToMove.QuadPart), SEEK_END) < 0)
        return fail(errno == EBADF ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return TRUE;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              void* /*lpOverlapped*/) {
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    const ssize_t got = ::read(to_fd(hFile), lpBuffer, nNumberOfBytesToRead);
    if (got < 0) return fail(errno == EBADF ? ERROR_INVALID_HANDLE : win32_error(errno, true));
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = static_cast<DWORD>(got);
    return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
    if (::close(to_fd(hObject)) != 0) return fail(ERROR_INVALID_HANDLE);
    return TRUE;
}
