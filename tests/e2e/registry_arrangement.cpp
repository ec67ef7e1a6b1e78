#include "registry_arrangement.h"

#include "app_process.h"
#include "framework/Owner.h"
#include "unicode_text.h"

namespace {

const char kStashKey[] = "Software\\RegScanEndToEndStash";
const char kXmlClassKey[] = "CLSID\\{88D969C0-F192-11D4-A65F-0040963251E5}";
const char kXmlClassTreatAsKey[] = "CLSID\\{88D969C0-F192-11D4-A65F-0040963251E5}\\TreatAs";
const char kXmlHttpClass[] = "{88D969C5-F192-11D4-A65F-0040963251E5}";

struct TStashed {
    const char* key;
    const char* stash;
};
// The driver's whole service key, so that a parent the tests create goes too.
const TStashed kStashed[] = {
    {kSoftwareKey, "Software\\RegScanEndToEndStash\\software"},
    {"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv", "Software\\RegScanEndToEndStash\\driver"},
};

bool OpenInto(TKeyHandle& key, HKEY root, const char* path) {
    return RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key.put()) == 0;
}

// The path in UTF-8.
bool CreateInto(TKeyHandle& key, HKEY root, const std::string& path) {
    const std::wstring wide = Utf16Of(path);
    return RegCreateKeyExW(root, wide.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) == 0;
}

bool KeyExists(HKEY root, const char* path) {
    TKeyHandle key;
    return OpenInto(key, root, path);
}

// Copies `from` with everything below it to `to`.
bool CopyTree(const char* from, const char* to) {
    TKeyHandle source;
    TKeyHandle target;
    return OpenInto(source, HKEY_LOCAL_MACHINE, from) && CreateInto(target, HKEY_LOCAL_MACHINE, to) &&
           RegCopyTreeA(source.get(), nullptr, target.get()) == 0;
}

void DeleteTree(const char* path) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, path);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
}

// A stash left by a run that did not finish holds the real contents: put it
// back before anything else.
void RestoreStash() {
    if (!KeyExists(HKEY_LOCAL_MACHINE, kStashKey)) return;
    for (const TStashed& entry : kStashed) {
        DeleteTree(entry.key);
        if (KeyExists(HKEY_LOCAL_MACHINE, entry.stash)) CopyTree(entry.stash, entry.key);
    }
    DeleteTree(kStashKey);
}

}  // namespace

TRegistryArrangement::TRegistryArrangement() {
    RestoreStash();
    TKeyHandle stash;
    CreateInto(stash, HKEY_LOCAL_MACHINE, kStashKey);
    ready_ = true;
    for (const TStashed& entry : kStashed) {
        // What cannot be kept aside is not deleted either.
        if (KeyExists(HKEY_LOCAL_MACHINE, entry.key) && !CopyTree(entry.key, entry.stash)) {
            ready_ = false;
            continue;
        }
        DeleteTree(entry.key);
    }
}

TRegistryArrangement::~TRegistryArrangement() {
    RestoreStash();
}

bool TRegistryArrangement::CreateKey(const std::string& key) {
    TKeyHandle created;
    return CreateInto(created, HKEY_LOCAL_MACHINE, key);
}

bool TRegistryArrangement::SetValue(const std::string& key, const std::string& name, DWORD type,
                                    const std::string& data) {
    std::string bytes = data;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        const std::wstring text = Utf16Of(data);
        bytes.assign(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
    }
    TKeyHandle created;
    return CreateInto(created, HKEY_LOCAL_MACHINE, key) &&
           RegSetValueExW(created.get(), Utf16Of(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == 0;
}

bool TRegistryArrangement::CreateMinimal() {
    return SetValue(kSoftwareKey, "Version", REG_SZ, "2.1") && SetValue(kDriverKey, "Start", REG_DWORD, DwordData(3));
}

TXmlClassBroken::TXmlClassBroken(TXmlBreak how) : how_(how) {
    if (how == TXmlBreak::Unregistered) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kXmlClassKey);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kXmlClassKey);
        broken_ = !ClassRegistered();
        return;
    }
    TKeyHandle treatAs;
    broken_ = CreateInto(treatAs, HKEY_CLASSES_ROOT, kXmlClassTreatAsKey) &&
              RegSetValueExA(treatAs.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kXmlHttpClass),
                             sizeof(kXmlHttpClass)) == 0;
}

TXmlClassBroken::~TXmlClassBroken() {
    if (how_ == TXmlBreak::TreatedAsOther) {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kXmlClassTreatAsKey);
        return;
    }
    TAppProcess regsvr32("regsvr32.exe", "", "/s msxml4.dll");
    regsvr32.WaitForExit(60000);
}

bool TXmlClassBroken::ClassRegistered() {
    return KeyExists(HKEY_CLASSES_ROOT, kXmlClassKey);
}
