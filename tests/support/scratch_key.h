// Registry keys of a test's own, in the registry of either build: removed
// with everything below them when taken and again when the owner goes, and
// filled by calls or from registry export text. A call that fails throws
// std::runtime_error naming the call, its code and the key.
#pragma once

#include <string>
#include <vector>

#include "framework/Owner.h"
#include "platform/winapi.h"

class TScratchKey {
public:
    // Takes `path` below `root` and creates it empty.
    TScratchKey(HKEY root, const std::string& path);
    TScratchKey(const TScratchKey&) = delete;
    TScratchKey& operator=(const TScratchKey&) = delete;
    ~TScratchKey();

    HKEY root() const { return owned_.front().root; }
    const std::string& path() const { return owned_.front().path; }

    // Takes one more key to fill and remove (not created).
    void take(HKEY root, const std::string& path);
    // `sub` below the first key ("" for that key), created with every key
    // above it.
    void create(const std::string& sub) const;
    void set(const std::string& sub, const std::string& name, DWORD type, const std::string& bytes) const;
    // The keys and values the text creates or sets, and the keys it deletes,
    // done by calls; each key it names must lie in a key taken here.
    void import(const std::string& regText) const;

private:
    struct TOwned {
        HKEY root;
        std::string path;
    };
    bool owns(HKEY root, const std::string& path) const;

    std::vector<TOwned> owned_;
};

// A key a test opens for reading, with the code the open gave.
class TOpenKey {
public:
    TOpenKey(HKEY parent, const char* path) : status_(RegOpenKeyExA(parent, path, 0, KEY_READ, key_.put())) {}
    HKEY get() const { return key_.get(); }
    LONG status() const { return status_; }

private:
    TKeyHandle key_;
    LONG status_;
};
