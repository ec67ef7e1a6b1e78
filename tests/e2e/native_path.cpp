#include "native_path.h"

#include <windows.h>

#include <algorithm>

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
