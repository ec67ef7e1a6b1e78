#include "support/scratch_key.h"

#include <cctype>
#include <stdexcept>

#include "framework/Owner.h"
#include "support/reg_text.h"

namespace {

void check(LONG code, const char* call, const std::string& path) {
    if (code != ERROR_SUCCESS)
        throw std::runtime_error(std::string(call) + " of " + path + " failed with " + std::to_string(code));
}

// One level a call: Wine's A functions take no path longer than MAX_PATH.
// A trail byte can be "\\": the path is stepped by characters.
TKeyHandle createKey(HKEY root, const std::string& path) {
    TKeyHandle key;
    HKEY parent = root;
    const char* start = path.c_str();
    for (const char* at = start;; at = CharNextExA(CP_ACP, at, 0)) {
        if (*at != '\\' && *at != '\0') continue;
        const std::string name(start, at);
        TKeyHandle child;
        check(RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, child.put(), nullptr),
              "RegCreateKeyExA", path);
        key = std::move(child);
        parent = key.get();
        if (*at == '\0') return key;
        start = at + 1;
    }
}

void setValue(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& bytes) {
    check(RegSetValueExA(createKey(root, path).get(), name.c_str(), 0, type,
                         reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())),
          "RegSetValueExA", path + " " + name);
}

void deleteTree(HKEY root, const std::string& path) {
    const LONG code = RegDeleteTreeA(root, path.c_str());
    if (code != ERROR_FILE_NOT_FOUND) check(code, "RegDeleteTreeA", path);
}

// Key names compare without regard to case; ASCII folding is all the
// tests' own keys need.
bool inside(const std::string& path, const std::string& key) {
    if (path.size() < key.size() || (path.size() > key.size() && path[key.size()] != '\\')) return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(path[i])) != std::tolower(static_cast<unsigned char>(key[i])))
            return false;
    return true;
}

}  // namespace

TScratchKey::TScratchKey(HKEY root, const std::string& path) {
    take(root, path);
    create("");
}

TScratchKey::~TScratchKey() {
    for (const TOwned& key : owned_) RegDeleteTreeA(key.root, key.path.c_str());
}

void TScratchKey::take(HKEY root, const std::string& path) {
    deleteTree(root, path);
    owned_.push_back(TOwned{root, path});
}

void TScratchKey::create(const std::string& sub) const {
    createKey(root(), sub.empty() ? path() : path() + "\\" + sub);
}

void TScratchKey::set(const std::string& sub, const std::string& name, DWORD type, const std::string& bytes) const {
    setValue(root(), sub.empty() ? path() : path() + "\\" + sub, name, type, bytes);
}

bool TScratchKey::owns(HKEY root, const std::string& path) const {
    for (const TOwned& key : owned_)
        if (key.root == root && inside(path, key.path)) return true;
    return false;
}

void TScratchKey::import(const std::string& regText) const {
    for (const RegTextOperation& op : parseRegText(regText)) {
        if (!owns(op.root, op.path)) throw std::runtime_error("registry text names a key not taken: " + op.path);
        switch (op.kind) {
            case RegTextOperation::Kind::CreateKey:
                createKey(op.root, op.path);
                break;
            case RegTextOperation::Kind::SetValue:
                setValue(op.root, op.path, op.name, op.type, op.data);
                break;
            case RegTextOperation::Kind::DeleteKey:
                deleteTree(op.root, op.path);
                break;
            case RegTextOperation::Kind::DeleteValue:
                throw std::runtime_error("deleting a value is not done here: " + op.path + " " + op.name);
        }
    }
}
