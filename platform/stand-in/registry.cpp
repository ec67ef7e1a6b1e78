// The five registry functions of the stand-in over the in-memory keys, with
// the handles, call counters, injected faults and denials tests steer; and
// the three that tests write with, neither counted nor faulted.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>

#include "platform/stand-in/code_page.h"
#include "platform/stand-in/control.h"
#include "platform/stand-in/fault_schedule.h"
#include "platform/stand-in/registry_store.h"
#include "platform/stand-in/win_functions.h"

namespace standin {

namespace {

constexpr LONG kErrorKeyDeleted = 1018;

// Where the last RegEnumKeyExA on a handle stopped, so that enumerating index
// after index does not walk the sorted subkeys from the start every time.
struct SubkeyCursor {
    const reg::Key* key = nullptr;
    std::uint64_t generation = 0;
    DWORD index = 0;
    std::map<std::u16string, std::shared_ptr<reg::Key>, reg::FoldedLess>::const_iterator position;
};

struct RegistryState {
    std::map<ULONG_PTR, std::shared_ptr<reg::Key>> handles;
    // Never reused, so a closed handle stays invalid. Kept far from the
    // predefined roots and aligned like real handles.
    ULONG_PTR next_handle = 0x1000;
    FaultSchedule<RegCall, RegCall::CloseKey, LONG> faults;
    std::map<ULONG_PTR, SubkeyCursor> cursors;  // by open handle
};

RegistryState& state() {
    static RegistryState registry;
    return registry;
}

// Counts the call; returns the code of a fault set for it, or 0.
LONG count_call(RegCall call) {
    return state().faults.enter(call).value_or(ERROR_SUCCESS);
}

struct Resolved {
    LONG status;
    std::shared_ptr<reg::Key> key;
};

HKEY open_handle(std::shared_ptr<reg::Key> key) {
    auto& registry = state();
    const ULONG_PTR handle = registry.next_handle;
    registry.next_handle += 4;
    registry.handles.emplace(handle, std::move(key));
    return reinterpret_cast<HKEY>(handle);
}

Resolved resolve(HKEY handle) {
    if (auto root = reg::root_key(handle)) return {ERROR_SUCCESS, root};
    auto& handles = state().handles;
    auto open = handles.find(reinterpret_cast<ULONG_PTR>(handle));
    if (open == handles.end()) return {ERROR_INVALID_HANDLE, nullptr};
    if (open->second->deleted) return {kErrorKeyDeleted, nullptr};
    return {ERROR_SUCCESS, open->second};
}

std::shared_ptr<reg::Key> root_or_throw(HKEY root) {
    auto key = reg::root_key(root);
    if (!key) throw std::invalid_argument("not a predefined registry root");
    return key;
}

// Copies a name in the ANSI code page with its NUL if the buffer (size in
// bytes, NUL included) holds it; the size word then gets the length without
// the NUL.
LONG copy_name(const std::string& name, LPSTR buffer, LPDWORD size) {
    if (*size < name.size() + 1) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

void clear_time(PFILETIME time) {
    if (time != nullptr) *time = FILETIME{0, 0};
}

RegistryKey copy_of(const std::string& name, const reg::Key& key) {
    RegistryKey copy{name, {}, {}};
    for (const auto& value : key.values)
        copy.values.push_back({cp::utf16_to_ansi(value.name), value.type, reg::ansi_data(value)});
    for (const auto& [child_name, child] : key.subkeys)
        copy.subkeys.push_back(copy_of(cp::utf16_to_ansi(child_name), *child));
    return copy;
}

}  // namespace

void registry_reset() {
    reg::reset_roots();
    state().faults.reset();
}

void registry_create_key(HKEY root, const std::string& path) {
    reg::create_key(root_or_throw(root), cp::ansi_to_utf16(path));
}

void registry_set_value(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const std::string& data) {
    reg::set_value(*reg::create_key(root_or_throw(root), cp::ansi_to_utf16(path)), cp::ansi_to_utf16(name), type,
                   reg::stored_data(type, data));
}

void registry_delete_key(HKEY root, const std::string& path) {
    reg::delete_key(root, cp::ansi_to_utf16(path));
}

void registry_delete_value(HKEY root, const std::string& path, const std::string& name) {
    if (auto key = reg::find_key(reg::root_key(root), cp::ansi_to_utf16(path)))
        reg::delete_value(*key, cp::ansi_to_utf16(name));
}

void registry_deny(HKEY root, const std::string& path) {
    reg::create_key(root_or_throw(root), cp::ansi_to_utf16(path))->denied = true;
}

void registry_fail_call(RegCall call, unsigned nth, LONG code) {
    if (code == ERROR_SUCCESS) throw std::invalid_argument("registry_fail_call needs a failure code");
    state().faults.arm(call, nth, code);
}

unsigned registry_call_count(RegCall call) {
    return state().faults.count(call);
}

std::size_t registry_open_handles() {
    return state().handles.size();
}

std::optional<RegistryKey> registry_read(HKEY root, const std::string& path) {
    const auto key = reg::find_key(root_or_throw(root), cp::ansi_to_utf16(path));
    if (!key) return std::nullopt;
    return copy_of(path, *key);
}

}  // namespace standin

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM /*samDesired*/, PHKEY phkResult) {
    if (const LONG fault = standin::count_call(standin::RegCall::OpenKeyEx)) {
        if (phkResult != nullptr) *phkResult = nullptr;
        return fault;
    }
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    auto [status, parent] = standin::resolve(hKey);
    if (status != ERROR_SUCCESS) return status;
    auto key = standin::reg::find_key(parent, standin::cp::ansi_to_utf16(lpSubKey != nullptr ? lpSubKey : ""));
    if (!key) return ERROR_FILE_NOT_FOUND;
    if (key->denied) return ERROR_ACCESS_DENIED;
    *phkResult = standin::open_handle(key);
    return ERROR_SUCCESS;
}

LSTATUS RegQueryInfoKeyA(HKEY hKey, LPSTR /*lpClass*/, LPDWORD /*lpcchClass*/, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                         LPDWORD lpcbMaxSubKeyLen, LPDWORD /*lpcbMaxClassLen*/, LPDWORD lpcValues,
                         LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD /*lpcbSecurityDescriptor*/,
                         PFILETIME /*lpftLastWriteTime*/) {
    if (const LONG fault = standin::count_call(standin::RegCall::QueryInfoKey)) return fault;
    if (lpReserved != nullptr) return ERROR_INVALID_PARAMETER;
    auto [status, key] = standin::resolve(hKey);
    if (status != ERROR_SUCCESS) return status;

    // Keys here have no class, and none is asked for. Name lengths are in
    // UTF-16 units, data sizes as stored (UTF-16 for strings), as Windows gives
    // them to the A call.
    DWORD longest_subkey = 0;
    for (const auto& [name, child] : key->subkeys) longest_subkey = std::max<DWORD>(longest_subkey, name.size());
    DWORD longest_name = 0;
    DWORD longest_data = 0;
    for (const auto& value : key->values) {
        longest_name = std::max<DWORD>(longest_name, value.name.size());
        longest_data = std::max<DWORD>(longest_data, value.data.size());
    }
    if (lpcSubKeys != nullptr) *lpcSubKeys = static_cast<DWORD>(key->subkeys.size());
    if (lpcbMaxSubKeyLen != nullptr) *lpcbMaxSubKeyLen = longest_subkey;
    if (lpcValues != nullptr) *lpcValues = static_cast<DWORD>(key->values.size());
    if (lpcbMaxValueNameLen != nullptr) *lpcbMaxValueNameLen = longest_name;
    if (lpcbMaxValueLen != nullptr) *lpcbMaxValueLen = longest_data;
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (const LONG fault = standin::count_call(standin::RegCall::EnumValue)) return fault;
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    auto [status, key] = standin::resolve(hKey);
    if (status != ERROR_SUCCESS) return status;
    if (dwIndex >= key->values.size()) return ERROR_NO_MORE_ITEMS;

    const auto& value = key->values[dwIndex];
    const std::string name = standin::cp::utf16_to_ansi(value.name);
    const std::string data = standin::reg::ansi_data(value);
    if (*lpcchValueName < name.size() + 1) return ERROR_MORE_DATA;
    if (lpData != nullptr && *lpcbData < data.size()) {
        *lpcbData = static_cast<DWORD>(data.size());
        return ERROR_MORE_DATA;
    }
    standin::copy_name(name, lpValueName, lpcchValueName);
    if (lpType != nullptr) *lpType = value.type;
    if (lpData != nullptr) std::memcpy(lpData, data.data(), data.size());
    if (lpcbData != nullptr) *lpcbData = static_cast<DWORD>(data.size());
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                      LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (const LONG fault = standin::count_call(standin::RegCall::EnumKeyEx)) return fault;
    // Keys here have no class: none is asked for.
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr || lpClass != nullptr ||
        lpcchClass != nullptr)
        return ERROR_INVALID_PARAMETER;
    auto [status, key] = standin::resolve(hKey);
    if (status != ERROR_SUCCESS) return status;
    if (dwIndex >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;

    auto& cursor = standin::state().cursors[reinterpret_cast<ULONG_PTR>(hKey)];
    const bool resumable =
        cursor.key == key.get() && cursor.generation == standin::reg::tree_generation() && cursor.index <= dwIndex;
    const auto position =
        resumable ? std::next(cursor.position, dwIndex - cursor.index) : std::next(key->subkeys.cbegin(), dwIndex);
    cursor = {key.get(), standin::reg::tree_generation(), dwIndex, position};
    if (const LONG copied = standin::copy_name(standin::cp::utf16_to_ansi(position->first), lpName, lpcchName))
        return copied;
    standin::clear_time(lpftLastWriteTime);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY hKey) {
    // An injected failure still closes the handle, so that tests counting
    // open handles stay meaningful after it.
    const LONG fault = standin::count_call(standin::RegCall::CloseKey);
    LONG status = ERROR_SUCCESS;
    if (!standin::reg::root_key(hKey)) {  // closing a predefined root succeeds and does nothing
        auto& handles = standin::state().handles;
        standin::state().cursors.erase(reinterpret_cast<ULONG_PTR>(hKey));
        status = handles.erase(reinterpret_cast<ULONG_PTR>(hKey)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }
    return fault != ERROR_SUCCESS ? fault : status;
}

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPSTR /*lpClass*/, DWORD /*dwOptions*/,
                        REGSAM /*samDesired*/, void* lpSecurityAttributes, PHKEY phkResult,
                        LPDWORD /*lpdwDisposition*/) {
    if (lpSubKey == nullptr || phkResult == nullptr || lpSecurityAttributes != nullptr) return ERROR_INVALID_PARAMETER;
    auto [status, parent] = standin::resolve(hKey);
    if (status != ERROR_SUCCESS) return status;
    const std::u16string path = standin::cp::ansi_to_utf16(lpSubKey);
    *phkResult = standin::open_handle(standin::reg::create_key(parent, path));
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType, const BYTE* lpData,
                       DWORD cbData) {
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    auto [status, key] = standin::resolve(hKey);
    if (status != ERROR_SUCCESS) return status;
    const std::string data(reinterpret_cast<const char*>(lpData), lpData != nullptr ? cbData : 0);
    standin::reg::set_value(*key, standin::cp::ansi_to_utf16(lpValueName != nullptr ? lpValueName : ""), dwType,
                            standin::reg::stored_data(dwType, data));
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey) {
    // Below a predefined root only: all the tests need.
    if (!standin::reg::root_key(hKey) || lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    const std::u16string path = standin::cp::ansi_to_utf16(lpSubKey);
    if (!standin::reg::find_key(standin::reg::root_key(hKey), path)) return ERROR_FILE_NOT_FOUND;
    standin::reg::delete_key(hKey, path);
    return ERROR_SUCCESS;
}
