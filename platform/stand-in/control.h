// What tests can see and steer in the stand-in: registry contents and faults,
// file faults, the COM class table, message boxes, the DOM's live objects and
// the ANSI code page. A fault is set on the n-th call from now, the next call
// being the 1st; n = 0 throws std::invalid_argument.
// Stand-in build only; the program itself never includes this.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "win_types.h"

namespace standin {

// ---- Registry -------------------------------------------------------------

enum class RegCall { OpenKeyEx, QueryInfoKey, EnumValue, EnumKeyEx, CloseKey };

// Empties every root, clears faults and denials. Open handles stay counted
// (a test that leaks one should see it).
void registry_reset();
// Creates the key and all missing keys above it; path below a root, "\"-separated.
void registry_create_key(HKEY root, const std::string& path);
// Sets (creates or replaces) a value; the key is created if missing.
// Values keep creation order; replacing keeps the place.
void registry_set_value(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const std::string& data);
// Removes the key with everything below it, or one value; nothing when absent.
void registry_delete_key(HKEY root, const std::string& path);
void registry_delete_value(HKEY root, const std::string& path, const std::string& name);
// RegOpenKeyExA of this key (by full path below root) fails with code 5;
// the key is created if missing.
void registry_deny(HKEY root, const std::string& path);
// The n-th call (1-based, counted from now) of `call` returns `code`
// (non-zero) instead of doing its work; RegCloseKey still closes the handle.
void registry_fail_call(RegCall call, unsigned nth, LONG code);
// How many times each function has been called since the last reset.
unsigned registry_call_count(RegCall call);
// Handles opened by RegOpenKeyExA and not yet closed.
std::size_t registry_open_handles();

struct RegistryValue {
    std::string name;
    DWORD type;
    std::string data;
};
// A key with everything below it: values in creation order, subkeys in the
// order RegEnumKeyExA gives them.
struct RegistryKey {
    std::string name;  // the path asked for, for the key read
    std::vector<RegistryValue> values;
    std::vector<RegistryKey> subkeys;
};
// A copy of the key at `path` below `root`; nothing when the key is missing.
std::optional<RegistryKey> registry_read(HKEY root, const std::string& path);

// ---- Files ----------------------------------------------------------------

// CreateNew: CreateFileA with CREATE_NEW.
enum class FileCall { CreateNew, FlushFileBuffers, MoveFileEx };

// The n-th call (1-based, counted from now) of `call` fails with `code`
// (non-zero) as its last error and does nothing.
void files_fail(FileCall call, unsigned nth, DWORD code);
// Calls of `call` since the last files_reset_faults.
unsigned files_call_count(FileCall call);
// Clears pending faults and the call counts.
void files_reset_faults();

// ---- Code page ------------------------------------------------------------

// The ANSI code page in effect: at start the one Wine takes from the locale
// (LC_ALL, LC_CTYPE, LANG: ja_JP 932, zh_TW 950, ru_RU 1251, ka_GE 65001,
// anything else 1252). Sets one of these and returns the one before; any
// other throws std::invalid_argument.
// Registry names and string data are held as UTF-16, so a code page chosen
// after they were set reads them as the A functions of Windows would.
UINT ansi_code_page(UINT code_page);

// ---- Messages -------------------------------------------------------------

// The texts FormatMessageA gives, each ending in CR LF; empty when none.
std::string system_message(DWORD code);

// ---- Message boxes --------------------------------------------------------

struct MessageBoxRecord {
    std::string caption;
    std::string text;
    UINT style;
};
// Answers for the next question boxes, in order; when the script runs out, a
// box answers `fallback` (default IDNO). A box with only an OK button answers
// IDOK and takes nothing from the script. Every box is recorded.
void message_box_script(std::vector<int> answers, int fallback = IDNO);
const std::vector<MessageBoxRecord>& message_boxes();
void message_boxes_clear();
// DebugBreak calls seen; IsDebuggerPresent answers `attached`.
void debugger_attached(bool attached);
unsigned debug_breaks();

// ---- COM runtime ----------------------------------------------------------

void com_reset();  // class table registered, no faults
// The next `count` creations fail with `code` (then behave normally again).
void com_fail_create(HRESULT code, unsigned count = 1);
// Class contexts passed to CoCreateInstance since the last reset.
const std::vector<DWORD>& com_create_contexts();
unsigned com_initialize_calls();
unsigned com_uninitialize_calls();
// What CoInitialize returns (default S_OK).
void com_initialize_result(HRESULT hr);
// Whether CoInitialize has succeeded more often than CoUninitialize ran.
// com_reset leaves this alone: the program initialises COM once a process.
bool com_initialized();
// BSTRs allocated and not yet freed.
std::size_t bstr_live();

// ---- XML DOM --------------------------------------------------------------

enum class DomOp {
    CreateElement,
    CreateTextNode,
    SetAttribute,
    AppendChild,
    GetOwnerDocument,
    GetDocumentElement,
    PutrefDocumentElement,
    Save,
    QueryInterface
};
// The n-th call (1-based, counted from now) of `op` returns `code` without
// doing its work (for Save with S_OK or S_FALSE: writes half the file, then
// returns the code, as a write that fails part-way; on a full disk the DOM
// has been seen to report S_OK for a cut file).
void dom_fail(DomOp op, unsigned nth, HRESULT code);
void dom_reset_faults();
unsigned dom_call_count(DomOp op);
// DOM objects (documents, elements, text nodes) with a reference held.
std::size_t dom_live_objects();

}  // namespace standin
