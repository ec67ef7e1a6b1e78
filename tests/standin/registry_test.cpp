// The stand-in registry behaves as Windows does where the scan depends on it.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Owner.h"
#include "platform/stand-in/control.h"
#include "platform/winapi.h"
#include "support/reg_import.h"
#include "support/scratch_key.h"

namespace {

using standin::RegCall;

struct ReadValue {
    std::string name;
    DWORD type;
    std::string data;
};

std::string value(const ReadValue& value) {
    return value.name + " " + std::to_string(value.type) + " " + testing::PrintToString(value.data);
}

// The key's values as the stand-in holds them, one "name type data" each.
std::vector<std::string> values_of(HKEY root, const char* path) {
    std::vector<std::string> values;
    if (const auto key = standin::registry_read(root, path))
        for (const auto& read : key->values) values.push_back(value({read.name, read.type, read.data}));
    return values;
}

std::vector<std::string> subkeys_of(HKEY root, const char* path) {
    std::vector<std::string> names;
    if (const auto key = standin::registry_read(root, path))
        for (const auto& child : key->subkeys) names.push_back(child.name);
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

// Where Windows and Wine differ, Windows' way: subkeys fold to upper case
// ("A" before "_"), values keep creation order.
TEST_F(RegistryStandIn, OrdersAsWindowsDoes) {
    for (const char* name : {"_u", "b", "\xE9t\xE9", "A"})
        standin::registry_create_key(HKEY_LOCAL_MACHINE, std::string("T\\") + name);
    EXPECT_EQ(subkeys_of(HKEY_LOCAL_MACHINE, "T"), (std::vector<std::string>{"A", "b", "_u", "\xE9t\xE9"}));
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "T", "Zeta", REG_SZ, std::string("1\0", 2));
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "T", "Alpha", REG_SZ, std::string("2\0", 2));
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "t", "ZETA", REG_DWORD, std::string(4, '\7'));
    EXPECT_EQ(values_of(HKEY_LOCAL_MACHINE, "T"),
              (std::vector<std::string>{value({"Zeta", REG_DWORD, std::string(4, '\7')}),
                                        value({"Alpha", REG_SZ, std::string("2\0", 2)})}));
}

// A denied key opens with code 5 and holds no handle.
TEST_F(RegistryStandIn, CountsOpenHandlesAndDenies) {
    standin::registry_deny(HKEY_LOCAL_MACHINE, "A\\Locked");
    const std::size_t before = standin::registry_open_handles();
    EXPECT_EQ(TOpenKey(HKEY_LOCAL_MACHINE, "A\\Locked").status(), ERROR_ACCESS_DENIED);
    {
        TOpenKey first(HKEY_LOCAL_MACHINE, "A");
        TOpenKey second(HKEY_LOCAL_MACHINE, "A");
        EXPECT_EQ(standin::registry_open_handles(), before + 2);
        EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
        EXPECT_EQ(standin::registry_open_handles(), before + 2) << "closing a root closes no handle";
    }
    EXPECT_EQ(standin::registry_open_handles(), before);
}

TEST_F(RegistryStandIn, FailsTheNthCallCountedFromNow) {
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "K", "v", REG_DWORD, std::string(4, '\0'));
    TOpenKey key(HKEY_LOCAL_MACHINE, "K");
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
    EXPECT_EQ(TOpenKey(HKEY_LOCAL_MACHINE, "K").status(), ERROR_ACCESS_DENIED);
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
    TOpenKey key(HKEY_LOCAL_MACHINE, "K");
    standin::registry_deny(HKEY_LOCAL_MACHINE, "D");
    standin::registry_fail_call(RegCall::EnumKeyEx, 1, ERROR_ACCESS_DENIED);
    const std::size_t open = standin::registry_open_handles();
    standin::registry_reset();
    EXPECT_EQ(standin::registry_open_handles(), open);
    EXPECT_EQ(standin::registry_call_count(RegCall::OpenKeyEx), 0u);
    EXPECT_EQ(TOpenKey(HKEY_LOCAL_MACHINE, "K").status(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              1018L)
        << "its keys are removed as RegDeleteTreeA removes them";
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "D");
    EXPECT_EQ(TOpenKey(HKEY_LOCAL_MACHINE, "D").status(), ERROR_SUCCESS) << "denials cleared";
    char name[8];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
        << "faults cleared";
}

// ---- .reg import ----------------------------------------------------------

const char kV4[] = "REGEDIT4";
const char kV5[] = "Windows Registry Editor Version 5.00";

TEST_F(RegistryStandIn, ImportReadsEveryDataForm) {
    const struct {
        const char* header;
        const char* line;
        ReadValue expected;
    } cases[] = {
        {kV4, R"("s"="a\\b\"c")", {"s", REG_SZ, std::string("a\\b\"c\0", 6)}},
        {kV5, "\"caf\xE9\"=\"\"", {"caf\xE9", REG_SZ, std::string(1, '\0')}},
        {kV4, "\"n\"=\"\xE9\x80\"", {"n", REG_SZ, std::string("\xE9\x80\0", 3)}},
        {kV4, R"(@="default")", {"", REG_SZ, std::string("default\0", 8)}},
        {kV4, R"("d"=dword:0102a0ff)", {"d", REG_DWORD, "\xFF\xA0\x02\x01"}},
        {kV4, R"("b"=hex:01,ff,00)", {"b", REG_BINARY, std::string("\x01\xFF\0", 3)}},
        {kV4, R"("e"=hex:)", {"e", REG_BINARY, ""}},
        {kV4, "\"c\"=hex:01,02,\\\r\n  03,04", {"c", REG_BINARY, "\x01\x02\x03\x04"}},
        {kV4, R"("none"=hex(0):aa)", {"none", REG_NONE, "\xAA"}},
        {kV4, R"("q"=hex(b):08,07,06,05,04,03,02,01)", {"q", REG_QWORD, "\x08\x07\x06\x05\x04\x03\x02\x01"}},
        {kV4, R"("big"=hex(5):00,00,00,01)", {"big", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x01", 4)}},
        {kV5, R"("x"=hex(2):25,00,41,00,ac,20,00,00)", {"x", REG_EXPAND_SZ, std::string("%A\x80\0", 4)}},
        {kV5, R"("m"=hex(7):61,00,00,00,00,01,00,00,00,00)", {"m", REG_MULTI_SZ, std::string("a\0?\0\0", 5)}},
        {kV4, R"("x4"=hex(2):25,41,00)", {"x4", REG_EXPAND_SZ, std::string("%A\0", 3)}},
        {kV5, "; comment\r\n\r\n\"after\"=dword:1", {"after", REG_DWORD, std::string("\x01\0\0\0", 4)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        standin::registry_reset();
        importRegText(std::string(c.header) + "\r\n\r\n[HKEY_LOCAL_MACHINE\\T]\r\n" + c.line + "\r\n");
        EXPECT_EQ(values_of(HKEY_LOCAL_MACHINE, "T"), std::vector<std::string>{value(c.expected)});
    }
}

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
              std::vector<std::string>{value({"keep", REG_SZ, std::string("y\0", 2)})});
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
              std::vector<std::string>{value({"\x80", REG_SZ, std::string("\xE9?\0", 3)})});
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
        EXPECT_EQ(TOpenKey(HKEY_LOCAL_MACHINE, "Before").status(), ERROR_FILE_NOT_FOUND) << body;
    }
    EXPECT_THROW(importRegText("REGEDIT5\n[HKLM\\K]\n"), std::runtime_error);
    EXPECT_THROW(importRegText("REGEDIT4\n\"v\"=\"before any key\"\n"), std::runtime_error);
    EXPECT_THROW(importRegText(""), std::runtime_error);
}

}  // namespace
