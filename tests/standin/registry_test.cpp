// The stand-in registry behaves as Windows does where the scan depends on it.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Owner.h"
#include "platform/stand-in/control.h"
#include "platform/winapi.h"
#include "support/reg_import.h"

namespace {

using standin::RegCall;

// Tests own every handle they open.
class OpenKey {
public:
    OpenKey(HKEY parent, const char* path) : status_(RegOpenKeyExA(parent, path, 0, KEY_READ, key_.put())) {}
    HKEY get() const { return key_.get(); }
    LONG status() const { return status_; }

private:
    TKeyHandle key_;
    LONG status_;
};

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
std::vector<ReadValue> values_of(HKEY root, const char* path) {
    OpenKey key(root, path);
    EXPECT_EQ(key.status(), ERROR_SUCCESS) << path;
    DWORD count = 0, longest_name = 0, longest_data = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest_name,
                               &longest_data, nullptr, nullptr),
              ERROR_SUCCESS);
    std::vector<ReadValue> values;
    for (DWORD i = 0; i < count; ++i) {
        std::string name(longest_name + 1, '\0');
        std::string data(longest_data, '\0');
        DWORD name_length = longest_name + 1, data_length = longest_data, type = 0;
        EXPECT_EQ(RegEnumValueA(key.get(), i, name.data(), &name_length, nullptr, &type,
                                reinterpret_cast<LPBYTE>(data.data()), &data_length),
                  ERROR_SUCCESS);
        values.push_back({name.substr(0, name_length), type, data.substr(0, data_length)});
    }
    return values;
}

std::vector<std::string> subkeys_of(HKEY root, const char* path) {
    OpenKey key(root, path);
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

class RegistryStandIn : public testing::Test {
protected:
    void SetUp() override {
        standin::registry_reset();
        handles_before_ = standin::registry_open_handles();
    }
    void TearDown() override { EXPECT_EQ(standin::registry_open_handles(), handles_before_); }

private:
    std::size_t handles_before_ = 0;
};

TEST_F(RegistryStandIn, SubkeysSortWithoutCaseFoldingToUpperCase) {
    for (const char* name : {"_u", "b", "Z", "a1", "\xE9t\xE9", "B1", "c", "A"})
        standin::registry_create_key(HKEY_LOCAL_MACHINE, std::string("T\\") + name);
    EXPECT_EQ(subkeys_of(HKEY_LOCAL_MACHINE, "T"),
              (std::vector<std::string>{"A", "a1", "b", "B1", "c", "Z", "_u", "\xE9t\xE9"}));
}

TEST_F(RegistryStandIn, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "Software\\Calderine", "Zeta", REG_SZ, std::string("1\0", 2));
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "Software\\Calderine", "Alpha", REG_SZ, std::string("2\0", 2));
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "SOFTWARE\\calderine", "ZETA", REG_DWORD, std::string(4, '\7'));
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "software");

    EXPECT_EQ(subkeys_of(HKEY_LOCAL_MACHINE, ""), std::vector<std::string>{"Software"});
    EXPECT_EQ(
        values_of(HKEY_LOCAL_MACHINE, "sOfTwArE\\CALDERINE"),
        (std::vector<ReadValue>{{"Zeta", REG_DWORD, std::string(4, '\7')}, {"Alpha", REG_SZ, std::string("2\0", 2)}}))
        << "values keep creation order; a replaced value keeps its place";
}

TEST_F(RegistryStandIn, QueryInfoGivesCountsAndLongestSizes) {
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "K", "abc", REG_BINARY, std::string(7, 'x'));
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "K", "abcdefgh", REG_SZ, std::string("yz\0", 3));
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "K\\Sub");
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "K\\LongerSub");
    OpenKey key(HKEY_LOCAL_MACHINE, "K");
    DWORD subkeys = 99, longest_subkey = 99, values = 99, longest_name = 99, longest_data = 99;
    ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr, &values,
                               &longest_name, &longest_data, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(longest_subkey, 9u);  // "LongerSub", no NUL
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(longest_name, 8u);  // "abcdefgh", no NUL
    EXPECT_EQ(longest_data, 7u);  // bytes
    EXPECT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}

TEST_F(RegistryStandIn, EnumValueHonoursBufferSizesExactly) {
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "K", "Name", REG_SZ, std::string("data\0", 5));
    OpenKey key(HKEY_LOCAL_MACHINE, "K");
    struct Case {
        DWORD name_size, data_size;
        bool with_data;
        LONG status;
        DWORD name_after, data_after;
    };
    const Case cases[] = {
        {4, 5, true, ERROR_MORE_DATA, 4, 5},    // no room for the name's NUL
        {5, 4, true, ERROR_MORE_DATA, 5, 5},    // data one byte short: need reported
        {5, 5, true, ERROR_SUCCESS, 4, 5},      // exact fit: lengths without NUL / in bytes
        {5, 0, false, ERROR_SUCCESS, 4, 5},     // no data buffer: only the size
        {100, 100, true, ERROR_SUCCESS, 4, 5},  // larger buffers
    };
    for (const auto& c : cases) {
        char name[100] = {};
        BYTE data[100] = {};
        DWORD name_size = c.name_size, data_size = c.data_size, type = 0;
        EXPECT_EQ(
            RegEnumValueA(key.get(), 0, name, &name_size, nullptr, &type, c.with_data ? data : nullptr, &data_size),
            c.status)
            << c.name_size << "/" << c.data_size;
        EXPECT_EQ(name_size, c.name_after) << c.name_size << "/" << c.data_size;
        EXPECT_EQ(data_size, c.data_after) << c.name_size << "/" << c.data_size;
        if (c.status == ERROR_SUCCESS) {
            EXPECT_STREQ(name, "Name");
            EXPECT_EQ(type, DWORD(REG_SZ));
        }
    }
    char name[10];
    DWORD name_size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key.get(), 1, name, &name_size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryStandIn, EnumKeyHonoursNameBufferSize) {
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "K\\Child");
    OpenKey key(HKEY_LOCAL_MACHINE, "K");
    char name[16];
    DWORD size = 5;
    EXPECT_EQ(RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    size = 6;
    FILETIME written{1, 1};
    ASSERT_EQ(RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, &written), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Child");
    EXPECT_EQ(size, 5u);
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key.get(), 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryStandIn, OpenGivesWindowsResultCodes) {
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "A\\B\\C");
    standin::registry_deny(HKEY_LOCAL_MACHINE, "A\\Locked");
    {
        OpenKey a(HKEY_LOCAL_MACHINE, "A");
        OpenKey c(a.get(), "B\\C");  // a path below an open key
        OpenKey same(c.get(), "");
        OpenKey same_null(c.get(), nullptr);
        EXPECT_EQ(c.status(), ERROR_SUCCESS);
        EXPECT_EQ(same.status(), ERROR_SUCCESS);
        EXPECT_EQ(same_null.status(), ERROR_SUCCESS);
        EXPECT_NE(same.get(), c.get()) << "an empty subkey opens a new handle";
        EXPECT_EQ(OpenKey(a.get(), "Missing").status(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(OpenKey(a.get(), "Locked").status(), ERROR_ACCESS_DENIED);
        EXPECT_EQ(OpenKey(HKEY_CURRENT_USER, "A").status(), ERROR_FILE_NOT_FOUND) << "roots are separate";
    }
    HKEY closed = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &closed), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    HKEY result = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(closed, "B", 0, KEY_READ, &result), ERROR_INVALID_HANDLE);
    EXPECT_EQ(result, nullptr) << "a failed open leaves no handle behind";
    EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryStandIn, CountsOpenHandles) {
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "A");
    const std::size_t before = standin::registry_open_handles();
    {
        OpenKey first(HKEY_LOCAL_MACHINE, "A");
        OpenKey second(HKEY_LOCAL_MACHINE, "A");
        EXPECT_EQ(standin::registry_open_handles(), before + 2);
        EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS) << "closing a root does nothing";
        EXPECT_EQ(standin::registry_open_handles(), before + 2);
    }
    EXPECT_EQ(standin::registry_open_handles(), before);
}

TEST_F(RegistryStandIn, FailsTheNthCallCountedFromNow) {
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "K", "v", REG_DWORD, std::string(4, '\0'));
    OpenKey key(HKEY_LOCAL_MACHINE, "K");
    char name[8];
    auto enum_value = [&] {
        DWORD size = sizeof name;
        return RegEnumValueA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    };
    EXPECT_EQ(enum_value(), ERROR_SUCCESS);
    standin::registry_fail_call(RegCall::EnumValue, 2, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(enum_value(), ERROR_SUCCESS);
    EXPECT_EQ(enum_value(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(enum_value(), ERROR_SUCCESS);
    EXPECT_EQ(standin::registry_call_count(RegCall::EnumValue), 4u);
    EXPECT_EQ(standin::registry_call_count(RegCall::OpenKeyEx), 1u);
    EXPECT_THROW(standin::registry_fail_call(RegCall::EnumValue, 0, ERROR_NOT_ENOUGH_MEMORY), std::invalid_argument);
    const auto past_last = static_cast<RegCall>(static_cast<int>(RegCall::CloseKey) + 1);
    EXPECT_THROW(standin::registry_fail_call(past_last, 1, ERROR_NOT_ENOUGH_MEMORY), std::out_of_range);
    EXPECT_THROW(standin::registry_call_count(past_last), std::out_of_range);

    standin::registry_fail_call(RegCall::OpenKeyEx, 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenKey(HKEY_LOCAL_MACHINE, "K").status(), ERROR_ACCESS_DENIED);
    standin::registry_fail_call(RegCall::QueryInfoKey, 1, ERROR_INVALID_HANDLE);
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(values, 0u) << "a failed call does no work";
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "K\\Sub");
    standin::registry_fail_call(RegCall::EnumKeyEx, 1, ERROR_NO_MORE_ITEMS);
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    const std::size_t open = standin::registry_open_handles();
    HKEY extra = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_READ, &extra), ERROR_SUCCESS);
    standin::registry_fail_call(RegCall::CloseKey, 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(extra), ERROR_INVALID_HANDLE);
    EXPECT_EQ(standin::registry_open_handles(), open) << "a failed close still closes";
}

TEST_F(RegistryStandIn, ResetEmptiesKeysAndCountersButKeepsHandlesCounted) {
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "K");
    OpenKey key(HKEY_LOCAL_MACHINE, "K");
    standin::registry_deny(HKEY_LOCAL_MACHINE, "D");
    standin::registry_fail_call(RegCall::EnumKeyEx, 1, ERROR_ACCESS_DENIED);
    const std::size_t open = standin::registry_open_handles();
    standin::registry_reset();
    EXPECT_EQ(standin::registry_open_handles(), open);
    EXPECT_EQ(standin::registry_call_count(RegCall::OpenKeyEx), 0u);
    EXPECT_EQ(OpenKey(HKEY_LOCAL_MACHINE, "K").status(), ERROR_FILE_NOT_FOUND);
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              1018L)
        << "a handle to a removed key fails, as Windows does";
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "D");
    EXPECT_EQ(OpenKey(HKEY_LOCAL_MACHINE, "D").status(), ERROR_SUCCESS) << "denials cleared";
    EXPECT_EQ(subkeys_of(HKEY_LOCAL_MACHINE, "").size(), 1u) << "faults cleared";
}

// ---- .reg import ----------------------------------------------------------

struct ImportCase {
    const char* header;
    const char* line;
    ReadValue expected;
};

void PrintTo(const ImportCase& c, std::ostream* out) {
    *out << c.line;
}

class RegistryImport : public RegistryStandIn, public testing::WithParamInterface<ImportCase> {};

const char kV4[] = "REGEDIT4";
const char kV5[] = "Windows Registry Editor Version 5.00";

TEST_P(RegistryImport, ReadsEveryDataForm) {
    const auto& c = GetParam();
    importRegText(std::string(c.header) + "\r\n\r\n[HKEY_LOCAL_MACHINE\\T]\r\n" + c.line + "\r\n");
    EXPECT_EQ(values_of(HKEY_LOCAL_MACHINE, "T"), std::vector<ReadValue>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(
    DataForms, RegistryImport,
    testing::Values(
        ImportCase{kV4, R"("s"="a\\b\"c")", {"s", REG_SZ, std::string("a\\b\"c\0", 6)}},
        ImportCase{kV5, "\"caf\xE9\"=\"\"", {"caf\xE9", REG_SZ, std::string(1, '\0')}},
        ImportCase{kV4, "\"n\"=\"\xE9\x80\"", {"n", REG_SZ, std::string("\xE9\x80\0", 3)}},
        ImportCase{kV4, R"(@="default")", {"", REG_SZ, std::string("default\0", 8)}},
        ImportCase{kV4, R"("d"=dword:0102a0ff)", {"d", REG_DWORD, "\xFF\xA0\x02\x01"}},
        ImportCase{kV4, R"("b"=hex:01,ff,00)", {"b", REG_BINARY, std::string("\x01\xFF\0", 3)}},
        ImportCase{kV4, R"("e"=hex:)", {"e", REG_BINARY, ""}},
        ImportCase{kV4, "\"c\"=hex:01,02,\\\r\n  03,04", {"c", REG_BINARY, "\x01\x02\x03\x04"}},
        ImportCase{kV4, R"("none"=hex(0):aa)", {"none", REG_NONE, "\xAA"}},
        ImportCase{kV4, R"("q"=hex(b):08,07,06,05,04,03,02,01)", {"q", REG_QWORD, "\x08\x07\x06\x05\x04\x03\x02\x01"}},
        ImportCase{kV4, R"("big"=hex(5):00,00,00,01)", {"big", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x01", 4)}},
        ImportCase{kV5, R"("x"=hex(2):25,00,41,00,ac,20,00,00)", {"x", REG_EXPAND_SZ, std::string("%A\x80\0", 4)}},
        ImportCase{kV5, R"("m"=hex(7):61,00,00,00,00,01,00,00,00,00)", {"m", REG_MULTI_SZ, std::string("a\0?\0\0", 5)}},
        ImportCase{kV4, R"("x4"=hex(2):25,41,00)", {"x4", REG_EXPAND_SZ, std::string("%A\0", 3)}},
        ImportCase{kV5, "; comment\r\n\r\n\"after\"=dword:1", {"after", REG_DWORD, std::string("\x01\0\0\0", 4)}}));

TEST_F(RegistryStandIn, ImportBuildsKeysInEveryRootAndDeletes) {
    importRegText(
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKLM\\Software\\Calderine\\Empty]\n"
        "[HKEY_CURRENT_USER\\Software\\Gone]\n"
        "\"v\"=\"1\"\n"
        "[HKCU\\Software\\Kept]\n"
        "\"drop\"=\"x\"\n"
        "\"keep\"=\"y\"\n"
        "\"drop\"=-\n"
        "[-HKEY_CURRENT_USER\\Software\\Gone]\n"
        "[hkey_classes_root\\.xml]\n");
    EXPECT_EQ(subkeys_of(HKEY_LOCAL_MACHINE, "Software\\Calderine"), std::vector<std::string>{"Empty"});
    EXPECT_EQ(subkeys_of(HKEY_CURRENT_USER, "Software"), std::vector<std::string>{"Kept"});
    EXPECT_EQ(values_of(HKEY_CURRENT_USER, "Software\\Kept"),
              (std::vector<ReadValue>{{"keep", REG_SZ, std::string("y\0", 2)}}));
    EXPECT_EQ(subkeys_of(HKEY_CLASSES_ROOT, ""), std::vector<std::string>{".xml"});
}

TEST_F(RegistryStandIn, ImportsUtf16FilesWithByteOrderMark) {
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n[HKLM\\U]\r\n\"\u20AC\"=\"\u00E9\u0100\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t ch : text) {
        bytes += static_cast<char>(ch & 0xFF);
        bytes += static_cast<char>(ch >> 8);
    }
    importRegText(bytes);
    EXPECT_EQ(values_of(HKEY_LOCAL_MACHINE, "U"),
              (std::vector<ReadValue>{{"\x80", REG_SZ, std::string("\xE9?\0", 3)}}));
}

TEST_F(RegistryStandIn, MalformedImportThrowsAndChangesNothing) {
    const char* bodies[] = {
        "[HKEY_NOWHERE\\K]", "\"s\"=\"a\\nb\"",  "\"s\"=\"open",  "\"d\"=dword:123456789",
        "\"d\"=dword:xyz",   "\"b\"=hex:1,,2",   "\"b\"=hex:100", "\"w\"=hex(2):41",
        "\"w\"=hex(zz):00",  "\"t\"=\"a\" junk", "\"n\" \"x\"",   "junk",
        "[HKLM\\Unclosed",   "\"u\"=unknown:1",
    };
    for (const char* body : bodies) {
        EXPECT_THROW(importRegText(std::string(kV5) + "\n[HKLM\\Before]\n\"ok\"=\"1\"\n" + body + "\n"),
                     std::runtime_error)
            << body;
        EXPECT_EQ(OpenKey(HKEY_LOCAL_MACHINE, "Before").status(), ERROR_FILE_NOT_FOUND) << body;
    }
    EXPECT_THROW(importRegText("REGEDIT5\n[HKLM\\K]\n"), std::runtime_error);
    EXPECT_THROW(importRegText("REGEDIT4\n\"v\"=\"before any key\"\n"), std::runtime_error);
    EXPECT_THROW(importRegText(""), std::runtime_error);
}

}  // namespace
