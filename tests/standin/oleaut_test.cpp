// BSTR layout and lifetime, and VARIANT clearing, in the stand-in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/stand-in/control.h"
#include "platform/winapi.h"

namespace {

uint32_t prefix_of(BSTR s) {
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(s) - sizeof(uint32_t), sizeof(bytes));
    return bytes;
}

TEST(OleAutStandIn, BstrPrefixHoldsByteCountAndTextEndsInNul) {
    for (const std::u16string text : {u"", u"a", u"Software\\Calderine", u"\u00e9\u20ac\U0001F600"}) {
        SCOPED_TRACE(text.size());
        const std::size_t live_before = standin::bstr_live();
        BSTR s = SysAllocString(text.c_str());
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(standin::bstr_live(), live_before + 1);
        EXPECT_EQ(prefix_of(s), text.size() * 2);
        EXPECT_EQ(SysStringLen(s), text.size());
        EXPECT_EQ(std::u16string(s, text.size()), text);
        EXPECT_EQ(s[text.size()], u'\0');
        SysFreeString(s);
        EXPECT_EQ(standin::bstr_live(), live_before);
    }
}

// Null in, null out; the length of a null string is 0.
TEST(OleAutStandIn, NullInputsAndAllocStringLen) {
    const std::size_t live_before = standin::bstr_live();
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(standin::bstr_live(), live_before);

    BSTR s = SysAllocStringLen(nullptr, 5);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 5u);
    EXPECT_EQ(prefix_of(s), 10u);
    for (int i = 0; i <= 5; ++i) EXPECT_EQ(s[i], u'\0') << i;
    SysFreeString(s);

    // With a source, exactly the count is copied, NULs included.
    const char16_t source[] = u"ab\0cdef";
    s = SysAllocStringLen(source, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 4u);
    EXPECT_EQ(std::u16string(s, 4), std::u16string(u"ab\0c", 4));
    EXPECT_EQ(s[4], u'\0');
    SysFreeString(s);
}

TEST(OleAutStandIn, VariantInitGivesEmptyAndClearFreesTheString) {
    const std::size_t live_before = standin::bstr_live();
    VARIANT v;
    v.vt = VT_BSTR;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);

    v.vt = VT_BSTR;
    v.bstrVal = nullptr;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);

    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"decimal");
    EXPECT_EQ(standin::bstr_live(), live_before + 1);
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(standin::bstr_live(), live_before);
    // A second clear finds nothing to free.
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(standin::bstr_live(), live_before);
}

}  // namespace
