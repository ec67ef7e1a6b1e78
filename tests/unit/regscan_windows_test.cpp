// The scan against the real registry (Wine's, in the tests): keys the test
// creates under HKEY_CURRENT_USER and deletes again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Exception.h"
#include "framework/Owner.h"
#include "framework/SysUtils.h"
#include "regscan/RegScanner.h"

namespace {

// A test key of its own, removed with everything below it.
class TTestKey {
public:
    TTestKey() : path_("Software\\RegScanUnitTest\\" + std::to_string(GetCurrentProcessId())) {
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        create("");
    }
    TTestKey(const TTestKey&) = delete;
    TTestKey& operator=(const TTestKey&) = delete;
    ~TTestKey() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\RegScanUnitTest"); }

    const std::string& path() const { return path_; }

    void create(const std::string& sub) {
        TKeyHandle key;
        const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
    }

    void set(const std::string& sub, const char* name, DWORD type, const std::string& bytes) {
        create(sub);
        TKeyHandle key;
        const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, KEY_ALL_ACCESS, key.put()), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

private:
    std::string path_;
};

std::string scanFailure(TRegScanner& scanner, const std::string& path) {
    try {
        scanner.scan(HKEY_CURRENT_USER, path);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

TEST(WindowsScan, ReadsTheFourTypesAndLeavesDetIdOut) {
    TTestKey key;
    key.set("", "", REG_SZ, std::string("default\0", 8));
    key.set("", "a_sz", REG_SZ, std::string("2.1\0", 4));
    key.set("", "b_expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    key.set("", "c_binary", REG_BINARY, std::string("\0\x10\xff", 3));
    key.set("", "d_dword", REG_DWORD, "\xff\xff\xff\xff");
    key.set("", "DetID", REG_MULTI_SZ, std::string("a\0\0", 3));
    key.set("sub", "DetID", REG_DWORD, std::string("\1\0\0\0", 4));
    key.set("sub", "e_empty", REG_BINARY, "");

    TRegScanner scanner;
    scanner.scan(HKEY_CURRENT_USER, key.path());
    ASSERT_EQ(scanner.trees.size(), 1u);
    const TRegKey* root = scanner.trees[0].key;
    EXPECT_EQ(root->name, key.path());
    std::vector<std::string> seen;
    for (const auto& value : root->values) seen.push_back(value.name + "=" + value_text(value));
    EXPECT_EQ(seen, (std::vector<std::string>{"=default", "a_sz=2.1", "b_expand=%TEMP%\\x", "c_binary=00 10 ff ",
                                              "d_dword=4294967295"}));
    ASSERT_EQ(root->subKeys.size(), 1u);
    ASSERT_EQ(root->subKeys[0]->values.size(), 1u);
    EXPECT_EQ(root->subKeys[0]->values[0].name, "e_empty");
    EXPECT_EQ(root->subKeys[0]->name, "sub");
}

TEST(WindowsScan, MultiStringAnywhereFails) {
    TTestKey key;
    key.set("deep\\deeper", "list", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    TRegScanner scanner;
    EXPECT_EQ(scanFailure(scanner, key.path()), "TRegScanner::TValue, unrecognized registry type: 0x7");
    EXPECT_TRUE(scanner.trees.empty());
}

TEST(WindowsScan, MissingPathFailsWithCode2AndTheSystemText) {
    TTestKey key;
    TRegScanner scanner;
    const std::string missing = key.path() + "\\missing";
    EXPECT_EQ(scanFailure(scanner, missing),
              "TRegScanner, opening of registry key " + missing + " failed (2): " + SysErrorMessage(2));
    EXPECT_FALSE(SysErrorMessage(2).empty());
}

TEST(WindowsScan, KeepsTheSystemsEnumerationOrder) {
    TTestKey key;
    for (const char* name : {"b", "A", "c", "a1", "Z", "B1"}) key.create(name);
    TKeyHandle handle;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.path().c_str(), 0, KEY_READ, handle.put()), ERROR_SUCCESS);
    std::vector<std::string> systemOrder;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(handle.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        systemOrder.push_back(name);
    }

    TRegScanner scanner;
    scanner.scan(HKEY_CURRENT_USER, key.path());
    std::vector<std::string> scanned;
    for (const TRegKey* child : scanner.trees[0].key->subKeys) scanned.push_back(child->name);
    EXPECT_EQ(scanned, systemOrder);
    EXPECT_EQ(scanned.size(), 6u);
}

TEST(WindowsScan, Codepage1252NamesAndStrings) {
    TTestKey key;
    key.set("k\xe9y", "Gr\xfc\xdf", REG_SZ, std::string("\x80 5\0", 5));
    TRegScanner scanner;
    scanner.scan(HKEY_CURRENT_USER, key.path());
    const TRegKey* child = scanner.trees.at(0).key->subKeys.at(0);
    EXPECT_EQ(child->name, "k\xe9y");
    ASSERT_EQ(child->values.size(), 1u);
    EXPECT_EQ(child->values[0].name, "Gr\xfc\xdf");
    EXPECT_EQ(child->values[0].data, "\x80 5");
}

}  // namespace
