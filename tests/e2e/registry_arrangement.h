// The two subtrees the program reads, arranged by a test. What was there
// before is kept aside and put back when the arrangement ends, so a demo
// registry in the same prefix survives the tests.
#pragma once

#include <windows.h>

#include <string>

#include "regscan/RegExport.h"

// The bytes of a REG_DWORD.
inline std::string DwordData(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

class TRegistryArrangement {
public:
    // Both subtrees absent until the test creates them.
    TRegistryArrangement();
    TRegistryArrangement(const TRegistryArrangement&) = delete;
    TRegistryArrangement& operator=(const TRegistryArrangement&) = delete;
    ~TRegistryArrangement();
    // False when an earlier content could not be kept aside (and stays).
    bool Ready() const { return ready_; }

    // Keys are paths below HKEY_LOCAL_MACHINE. Key and name in UTF-8, written
    // through the W functions so they reach the registry as the same
    // characters in every code page; so is the text of the string types
    // (stored with a NUL added), other types take bytes.
    static bool CreateKey(const std::string& key);
    static bool SetValue(const std::string& key, const std::string& name, DWORD type, const std::string& data);
    // Two readable subtrees with one value each: enough for a run to save.
    static bool CreateMinimal();

private:
    bool ready_ = false;
};

// The XML 4.0 document class made unusable for the life of the object, and
// usable again afterwards.
enum class TXmlBreak {
    // Unregistered (32-bit view); registered again with regsvr32.
    Unregistered,
    // Redirected (TreatAs) to the XML HTTP 4.0 class: the class stays
    // registered and its creation fails, the new object having no document
    // interface (E_NOINTERFACE).
    TreatedAsOther,
};

class TXmlClassBroken {
public:
    explicit TXmlClassBroken(TXmlBreak how);
    TXmlClassBroken(const TXmlClassBroken&) = delete;
    TXmlClassBroken& operator=(const TXmlClassBroken&) = delete;
    ~TXmlClassBroken();
    // False when the registry could not be changed so.
    bool Broken() const { return broken_; }

    static bool ClassRegistered();

private:
    TXmlBreak how_;
    bool broken_;
};
