// File moves, deletes and temporary names over POSIX calls, with the error
// codes Windows gives, and the move faults tests ask for.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/stand-in/control.h"
#include "platform/stand-in/win_functions.h"

namespace {

constexpr DWORD kErrorGenFailure = 31;
constexpr DWORD kErrorNotSameDevice = 17;
constexpr DWORD kErrorFileExists = 80;
constexpr DWORD kErrorBufferOverflow = 111;
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
            return kErrorBufferOverflow;
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

struct MoveFault {
    unsigned at;  // counter value of the call that fails
    DWORD code;
};

struct MoveFaults {
    unsigned calls = 0;
    std::vector<MoveFault> pending;
};

MoveFaults& move_faults() {
    static MoveFaults faults;
    return faults;
}

// Counts the call; returns the code of a fault set for it, or 0.
DWORD count_move() {
    auto& faults = move_faults();
    const unsigned number = ++faults.calls;
    for (auto fault = faults.pending.begin(); fault != faults.pending.end(); ++fault) {
        if (fault->at == number) {
            const DWORD code = fault->code;
            faults.pending.erase(fault);
            return code;
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace

namespace standin {

void files_fail_move(unsigned nth, DWORD code) {
    if (nth == 0) throw std::invalid_argument("files_fail_move counts calls from 1");
    if (code == ERROR_SUCCESS) throw std::invalid_argument("files_fail_move needs a failure code");
    move_faults().pending.push_back({move_faults().calls + nth, code});
}

unsigned files_move_calls() {
    return move_faults().calls;
}

void files_reset_faults() {
    move_faults() = MoveFaults{};
}

}  // namespace standin

BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    if (const DWORD fault = count_move()) return fail(fault);
    // A null target (delete at reboot) has no meaning here.
    if (lpExistingFileName == nullptr || lpNewFileName == nullptr) return fail(ERROR_INVALID_PARAMETER);
    int result = 0;
    if ((dwFlags & MOVEFILE_REPLACE_EXISTING) != 0) {
        result = std::rename(lpExistingFileName, lpNewFileName);
    } else {
        // Atomic refusal to replace, where the file system supports it.
        result = ::renameat2(AT_FDCWD, lpExistingFileName, AT_FDCWD, lpNewFileName, RENAME_NOREPLACE);
        if (result != 0 && errno == EINVAL) {
            if (exists(lpNewFileName)) return fail(ERROR_ALREADY_EXISTS);
            result = std::rename(lpExistingFileName, lpNewFileName);
        }
    }
    if (result != 0) {
        const int error = errno;
        return fail(win32_error(error, error == ENOENT && !exists(lpExistingFileName)));
    }
    if ((dwFlags & MOVEFILE_WRITE_THROUGH) != 0) sync_folder(parent_folder(lpNewFileName));
    return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    if (lpFileName == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (::unlink(lpFileName) != 0) return fail(win32_error(errno, true));
    return TRUE;
}

UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName) {
    if (lpPathName == nullptr || lpTempFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string stem = lpPathName;
    if (stem.empty() || stem.back() != '/') stem += '/';
    if (lpPrefixString != nullptr) stem += std::string(lpPrefixString).substr(0, 3);

    auto name_for = [&stem](UINT number) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X.tmp", number);
        return stem + hex;
    };
    auto hand_out = [lpTempFileName](const std::string& name) {
        if (name.size() + 1 > MAX_PATH) {
            SetLastError(kErrorBufferOverflow);
            return false;
        }
        name.copy(lpTempFileName, name.size());
        lpTempFileName[name.size()] = '\0';
        return true;
    };

    // With a number given, Windows only forms the name and creates nothing.
    if (uUnique != 0) return hand_out(name_for(uUnique & 0xFFFF)) ? uUnique : 0;

    const UINT start = static_cast<UINT>(std::time(nullptr) ^ ::getpid());
    for (UINT attempt = 0; attempt < 0xFFFF; ++attempt) {
        const UINT number = (start + attempt) % 0xFFFF + 1;  // 1..0xFFFF
        const std::string name = name_for(number);
        if (name.size() + 1 > MAX_PATH) {
            SetLastError(kErrorBufferOverflow);
            return 0;
        }
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            hand_out(name);
            return number;
        }
        if (errno != EEXIST) {
            // ENOENT here is a missing folder.
            SetLastError(win32_error(errno, false));
            return 0;
        }
    }
    SetLastError(kErrorFileExists);
    return 0;
}
