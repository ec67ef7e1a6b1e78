// What the registry functions do where the scan depends on it, in a key of
// the test's own: order, sizes, result codes. The stand-in must do the same
// (both builds). Names are chosen to order alike under Windows and Wine (no
// characters between "Z" and "a"; values created in sorted order).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Owner.h"
#include "platform/winapi.h"
#include "support/scratch_key.h"

namespace {

const char kPath[] = "Software\\RegScanPlatformTest";

struct ReadValue {
    std::string name;
    DWORD type;
    std::string data;
    bool operator==(const ReadValue&) const = default;
};

void PrintTo(const ReadValue& value, std::ostream* out) {
    *out << "{\"" << value.name << "\", " << value.type << ", " << testing::PrintToString(value.data) << "}";
}

// Reads through the API the way the scan does: buffers sized from the maxima.
std::vector<ReadValue> valuesOf(const std::string& path) {
    TOpenKey key(HKEY_CURRENT_USER, path.c_str());
    EXPECT_EQ(key.status(), ERROR_SUCCESS) << path;
    DWORD count = 0, longestName = 0, longestData = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                               &longestData, nullptr, nullptr),
              ERROR_SUCCESS);
    std::vector<ReadValue> values;
    for (DWORD i = 0; i < count; ++i) {
        std::string name(longestName + 1, '\0'), data(longestData, '\0');
        DWORD nameLength = longestName + 1, dataLength = longestData, type = 0;
        EXPECT_EQ(RegEnumValueA(key.get(), i, name.data(), &nameLength, nullptr, &type,
                                reinterpret_cast<LPBYTE>(data.data()), &dataLength),
                  ERROR_SUCCESS);
        values.push_back({name.substr(0, nameLength), type, data.substr(0, dataLength)});
    }
    return values;
}

std::vector<std::string> subkeysOf(const std::string& path) {
    TOpenKey key(HKEY_CURRENT_USER, path.c_str());
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        const LONG status = RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) {
            ADD_FAILURE() << "RegEnumKeyExA gave " << status;
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

TEST(Registry, SubkeysSortWithoutCase) {
    const TScratchKey scratch(HKEY_CURRENT_USER, kPath);
    for (const char* name : {"b", "Z", "a1", "B1", "c", "A"}) scratch.create(name);
    EXPECT_EQ(subkeysOf(kPath), (std::vector<std::string>{"A", "a1", "b", "B1", "c", "Z"}));
}

TEST(Registry, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
    const TScratchKey scratch(HKEY_CURRENT_USER, kPath);
    scratch.set("Sub", "Alpha", REG_SZ, std::string("2\0", 2));
    scratch.set("Sub", "Zeta", REG_SZ, std::string("1\0", 2));
    scratch.set("SUB", "ZETA", REG_DWORD, std::string(4, '\7'));
    EXPECT_EQ(subkeysOf(kPath), std::vector<std::string>{"Sub"});
    EXPECT_EQ(
        valuesOf(std::string(kPath) + "\\sUb"),
        (std::vector<ReadValue>{{"Alpha", REG_SZ, std::string("2\0", 2)}, {"Zeta", REG_DWORD, std::string(4, '\7')}}))
        << "a replaced value keeps its place and name";
}

TEST(Registry, QueryInfoGivesCountsAndLongestSizes) {
    const TScratchKey scratch(HKEY_CURRENT_USER, kPath);
    scratch.set("", "abc", REG_BINARY, std::string(7, 'x'));
    scratch.set("", "abcdefgh", REG_SZ, std::string("yz\0", 3));
    scratch.create("Sub");
    scratch.create("LongerSub");
    TOpenKey key(HKEY_CURRENT_USER, kPath);
    DWORD subkeys = 99, longestSubkey = 99, values = 99, longestName = 99, longestData = 99;
    ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                               &longestName, &longestData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(longestSubkey, 9u);  // "LongerSub", no NUL
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(longestName, 8u);  // "abcdefgh", no NUL
    EXPECT_EQ(longestData, 7u);  // bytes
    EXPECT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}

TEST(Registry, EnumerationHonoursBufferSizesExactly) {
    const TScratchKey scratch(HKEY_CURRENT_USER, kPath);
    scratch.set("", "Name", REG_SZ, std::string("data\0", 5));
    scratch.create("Child");
    TOpenKey key(HKEY_CURRENT_USER, kPath);
    const struct {
        DWORD nameSize, dataSize;
        bool withData;
        LONG status;
        DWORD nameAfter, dataAfter;
    } cases[] = {
        {4, 5, true, ERROR_MORE_DATA, 4, 5},    // no room for the name's NUL
        {5, 4, true, ERROR_MORE_DATA, 5, 5},    // data one byte short: need reported
        {5, 5, true, ERROR_SUCCESS, 4, 5},      // exact fit: lengths without NUL / in bytes
        {5, 0, false, ERROR_SUCCESS, 4, 5},     // no data buffer: only the size
        {100, 100, true, ERROR_SUCCESS, 4, 5},  // larger buffers
    };
    for (const auto& c : cases) {
        char name[100] = {};
        BYTE data[100] = {};
        DWORD nameSize = c.nameSize, dataSize = c.dataSize, type = 0;
        EXPECT_EQ(RegEnumValueA(key.get(), 0, name, &nameSize, nullptr, &type, c.withData ? data : nullptr, &dataSize),
                  c.status)
            << c.nameSize << "/" << c.dataSize;
        EXPECT_EQ(nameSize, c.nameAfter) << c.nameSize << "/" << c.dataSize;
        EXPECT_EQ(dataSize, c.dataAfter) << c.nameSize << "/" << c.dataSize;
        if (c.status == ERROR_SUCCESS) {
            EXPECT_STREQ(name, "Name");
            EXPECT_EQ(type, DWORD(REG_SZ));
        }
    }
    char name[16];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key.get(), 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    size = 5;
    EXPECT_EQ(RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    size = 6;
    FILETIME written{1, 1};
    ASSERT_EQ(RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, &written), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Child");
    EXPECT_EQ(size, 5u);
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key.get(), 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST(Registry, FailedOpensGiveWindowsResultCodes) {
    const TScratchKey scratch(HKEY_CURRENT_USER, kPath);
    scratch.create("A\\B\\C");
    {
        const TOpenKey a(HKEY_CURRENT_USER, (std::string(kPath) + "\\A").c_str());
        const TOpenKey c(a.get(), "B\\C");  // a path below an open key
        const TOpenKey same(c.get(), "");
        const TOpenKey sameNull(c.get(), nullptr);
        EXPECT_EQ(c.status(), ERROR_SUCCESS);
        EXPECT_EQ(same.status(), ERROR_SUCCESS);
        EXPECT_EQ(sameNull.status(), ERROR_SUCCESS);
        EXPECT_NE(same.get(), c.get()) << "an empty subkey opens a new handle";
        EXPECT_EQ(TOpenKey(a.get(), "Missing").status(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(TOpenKey(HKEY_LOCAL_MACHINE, kPath).status(), ERROR_FILE_NOT_FOUND) << "roots are separate";
    }
    HKEY closed = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kPath, 0, KEY_READ, &closed), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    HKEY result = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(closed, "A", 0, KEY_READ, &result), ERROR_INVALID_HANDLE);
    EXPECT_EQ(result, nullptr) << "a failed open leaves no handle behind";
    EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS) << "closing a root does nothing";

    const TOpenKey removed(HKEY_CURRENT_USER, (std::string(kPath) + "\\A").c_str());
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kPath) + "\\A").c_str()), ERROR_SUCCESS);
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKeyA(removed.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              1018L)
        << "a handle to a removed key fails (ERROR_KEY_DELETED)";
}

}  // namespace
