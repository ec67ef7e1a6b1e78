// Values of the snapshot and the text forms the parameter file holds.
#include <gtest/gtest.h>

#include "framework/Exception.h"
#include "regscan/RegScanner.h"

namespace {

TRegScanner::TValue makeValue(DWORD type, const std::string& bytes) {
    return TRegScanner::TValue("v", nullptr, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size()));
}

std::string exceptionMessage(DWORD type) {
    try {
        makeValue(type, std::string("\1\0\0\0", 4));
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

struct TextCase {
    const char* label;
    DWORD type;
    std::string bytes;
    std::string data;  // what the value holds
    std::string text;  // what the file holds
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.label;
}

class ValueTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ValueTextTest, BuildsAndRenders) {
    const TextCase& c = GetParam();
    const TRegScanner::TValue value = makeValue(c.type, c.bytes);
    EXPECT_EQ(value.type, c.type);
    if (c.type != REG_DWORD) {
        EXPECT_EQ(value.data, c.data);
    }
    EXPECT_EQ(value_text(value), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ValueTextTest,
    ::testing::Values(TextCase{"sz", REG_SZ, std::string("2.1\0", 4), "2.1", "2.1"},
                      TextCase{"sz_empty", REG_SZ, std::string("\0", 1), "", ""},
                      TextCase{"sz_no_data", REG_SZ, "", "", ""},
                      TextCase{"sz_nul_inside", REG_SZ, std::string("ab\0cd\0", 6), "ab", "ab"},
                      TextCase{"sz_without_nul", REG_SZ, "abc", "abc", "abc"},
                      TextCase{"expand_unexpanded", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15),
                               "%SystemRoot%\\x", "%SystemRoot%\\x"},
                      TextCase{"binary", REG_BINARY, "\x01\xab\xff", "\x01\xab\xff", "01 ab ff "},
                      TextCase{"binary_nuls", REG_BINARY, std::string("\0\x10", 2), std::string("\0\x10", 2), "00 10 "},
                      TextCase{"binary_empty", REG_BINARY, "", "", ""},
                      TextCase{"dword_max", REG_DWORD, "\xff\xff\xff\xff", "", "4294967295"},
                      TextCase{"dword_zero", REG_DWORD, std::string("\0\0\0\0", 4), "", "0"},
                      TextCase{"dword_little_endian", REG_DWORD, std::string("\x01\x02\0\0", 4), "", "513"},
                      TextCase{"dword_four_bytes", REG_DWORD, "\x78\x56\x34\x12", "", "305419896"},
                      TextCase{"dword_short", REG_DWORD, "\x07", "", "7"},
                      TextCase{"dword_empty", REG_DWORD, "", "", "0"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.label); });

TEST(RegValue, UnsupportedTypesThrowWithTheirCode) {
    const struct {
        DWORD type;
        const char* message;
    } cases[] = {
        {REG_NONE, "TRegScanner::TValue, unrecognized registry type: 0x0"},
        {REG_DWORD_BIG_ENDIAN, "TRegScanner::TValue, unrecognized registry type: 0x5"},
        {REG_LINK, "TRegScanner::TValue, unrecognized registry type: 0x6"},
        {REG_MULTI_SZ, "TRegScanner::TValue, unrecognized registry type: 0x7"},
        {REG_RESOURCE_LIST, "TRegScanner::TValue, unrecognized registry type: 0x8"},
        {REG_QWORD, "TRegScanner::TValue, unrecognized registry type: 0xb"},
        {0xFFFFFFFF, "TRegScanner::TValue, unrecognized registry type: 0xffffffff"},
    };
    for (const auto& c : cases) EXPECT_EQ(exceptionMessage(c.type), c.message) << c.type;
}

TEST(RegValue, ValueTextRefusesTypesWithoutTextForm) {
    TRegScanner::TValue value = makeValue(REG_SZ, std::string("x\0", 2));
    value.type = REG_MULTI_SZ;
    try {
        value_text(value);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TRegScanner::TValue, unrecognized registry type: 0x7");
    }
}

TEST(TextForms, BytesToHex) {
    EXPECT_EQ(bytes_to_hex(std::string("\x01\xab\xff", 3)), "01 ab ff ");
    EXPECT_EQ(bytes_to_hex(std::string("\x00\xff", 2)), "00 ff ");
    EXPECT_EQ(bytes_to_hex(""), "");
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string hex = bytes_to_hex(all);
    ASSERT_EQ(hex.size(), 768u);
    EXPECT_EQ(hex.substr(0, 12), "00 01 02 03 ");
    EXPECT_EQ(hex.substr(hex.size() - 6), "fe ff ");
}

// The ends of the named range and a name the file carries often.
TEST(TextForms, MapRegType) {
    EXPECT_EQ(map_reg_type(0), "REG_NONE");
    EXPECT_EQ(map_reg_type(4), "REG_DWORD");
    EXPECT_EQ(map_reg_type(11), "UNRECOGNIZED_REG_TYPE");
    EXPECT_EQ(map_reg_type(0xFFFFFFFFu), "UNRECOGNIZED_REG_TYPE");
}

HKEY rootHandle(uint32_t value) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(value)));
}

TEST(TextForms, MapHiveName) {
    EXPECT_EQ(map_hive_name(HKEY_CLASSES_ROOT), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(map_hive_name(HKEY_CURRENT_USER), "HKEY_CURRENT_USER");
    EXPECT_EQ(map_hive_name(HKEY_LOCAL_MACHINE), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(map_hive_name(HKEY_USERS), "HKEY_USERS");
    EXPECT_EQ(map_hive_name(HKEY_PERFORMANCE_DATA), "HKEY_PERFORMANCE_DATA");
    EXPECT_EQ(map_hive_name(HKEY_CURRENT_CONFIG), "HKEY_CURRENT_CONFIG");
    EXPECT_EQ(map_hive_name(rootHandle(0x80000002)), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(map_hive_name(rootHandle(0x80000006)), "");
    EXPECT_EQ(map_hive_name(nullptr), "");
}

// A tree left behind is a leak, one freed twice a double free: the sanitizer
// run sees both.
TEST(Snapshot, ClearFreesTreesAndEmptiesTheList) {
    TRegScanner scanner;
    auto* root = new TRegKey;
    root->name = "Software\\Calderine";
    auto* child = new TRegKey;
    child->parent = root;
    root->subKeys.push_back(child);
    scanner.trees.push_back(TRegTreeNode{root, HKEY_LOCAL_MACHINE, "Software\\Calderine"});
    scanner.trees.push_back(TRegTreeNode{nullptr, HKEY_LOCAL_MACHINE, "empty entry"});
    scanner.clear();
    EXPECT_TRUE(scanner.trees.empty());
}

}  // namespace
