// The COM support layer: holders counted on a fake interface, the two report
// forms of the HRESULT check, the assertion, the question box and its
// answers, creation with its one retry, and COM start-up.
#include <gtest/gtest.h>

#include <cstring>

#include "com/MSXML2_TLB.h"
#include "platform/stand-in/control.h"
#include "support/ansi_utf8.h"

namespace {

const IID IID_IFake = {0x1234, 0x5678, 0x9abc, {1, 2, 3, 4, 5, 6, 7, 8}};
const IID IID_IOther = {0x4321, 0x5678, 0x9abc, {1, 2, 3, 4, 5, 6, 7, 8}};

struct IFake : IUnknown {
    virtual int Ping() = 0;
};
struct IOther : IUnknown {};

// Counts AddRef and Release; answers QueryInterface for IFake and,
// optionally, IOther with the result the test chooses.
class FakeObject : public IFake, public IOther {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        ++queries;
        *out = nullptr;
        if (FAILED(queryResult)) return queryResult;
        if (riid == IID_IFake || riid == IID_IUnknown) {
            *out = static_cast<IFake*>(this);
        } else if (riid == IID_IOther) {
            *out = static_cast<IOther*>(this);
        } else {
            return E_NOINTERFACE;
        }
        ++refs;
        ++addRefs;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        ++addRefs;
        return ++refs;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ++releases;
        return --refs;
    }
    int Ping() override { return 42; }

    ULONG refs = 1;  // the test's own reference
    int addRefs = 0;
    int releases = 0;
    int queries = 0;
    HRESULT queryResult = S_OK;
};

}  // namespace

DEFINE_INTERFACE_ID(IFake);
DEFINE_INTERFACE_ID(IOther);

namespace {

typedef TComInterface<IFake> IFakePtr;
typedef TComInterface<IOther> IOtherPtr;

class ComTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::message_boxes_clear();
        standin::message_box_script({}, IDNO);
        standin::debugger_attached(false);
        standin::com_reset();
    }
    void TearDown() override { standin::com_reset(); }
    const std::vector<standin::MessageBoxRecord>& boxes() { return standin::message_boxes(); }
};

// ---- holders ----------------------------------------------------------------

TEST_F(ComTest, HolderCountsCopiesAssignmentsDestructionAndWhatAMethodWrote) {
    FakeObject object;
    {
        IFakePtr a(static_cast<IFake*>(&object), true);
        EXPECT_EQ(object.refs, 2u);
        {
            IFakePtr b(a);
            EXPECT_EQ(object.refs, 3u);
            IFakePtr c;
            c = b;
            EXPECT_EQ(object.refs, 4u);
            const IFakePtr& same = c;
            c = same;  // self-assignment keeps exactly one reference
            EXPECT_EQ(object.refs, 4u);
            EXPECT_EQ(c->Ping(), 42);
        }
        EXPECT_EQ(object.refs, 2u);
        IFakePtr empty;
        a = empty;  // assigning empty releases
        EXPECT_EQ(object.refs, 1u);
    }
    EXPECT_EQ(object.refs, 1u);
    EXPECT_EQ(object.addRefs, object.releases);
    EXPECT_TRUE(boxes().empty());
    // The holder owns what a method writes through it; one in use is reported
    // and released first.
    {
        IFakePtr holder;
        IFake** out = &holder;
        object.AddRef();  // a method hands out one reference
        *out = &object;
        EXPECT_EQ(object.refs, 2u);
        EXPECT_TRUE(boxes().empty());
        out = &holder;
        EXPECT_EQ(*out, nullptr);
        EXPECT_EQ(object.refs, 1u);
    }
    EXPECT_EQ(object.refs, 1u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, "_ASSERTE: ");
    EXPECT_EQ(boxes()[0].text.substr(0, 10), "intf==0 @ ");
}

TEST_F(ComTest, ConversionQueriesTheSource) {
    FakeObject object;
    IFakePtr fake(static_cast<IFake*>(&object), true);
    {
        IOtherPtr other(fake);
        EXPECT_TRUE(other);
        EXPECT_EQ(object.queries, 1);
        EXPECT_EQ(object.refs, 3u);
    }
    EXPECT_EQ(object.refs, 2u);
    IFakePtr none;
    IOtherPtr fromNone(none);
    EXPECT_FALSE(fromNone);
    EXPECT_EQ(object.queries, 1);
    EXPECT_TRUE(boxes().empty());
    // A failed query is checked with its expression text.
    object.queryResult = E_NOINTERFACE;
    standin::message_box_script({IDYES});
    try {
        IOtherPtr other(fake);
        FAIL() << "no exception";
    } catch (const EOleException& e) {
        EXPECT_EQ(e.ErrorCode(), E_NOINTERFACE);
        const std::string start =
            "'src->QueryInterface(GetIID(), (LPVOID*)(&intf))': " + standin::system_message(0x80004002) + " @ ";
        EXPECT_EQ(e.Message().substr(0, start.size()), start);
    }
    EXPECT_EQ(object.refs, 2u);
}

TEST_F(ComTest, CallThroughEmptyHolderIsReportedAndNeverMade) {
    for (int answer : {IDYES, IDNO, IDCANCEL}) {
        standin::message_boxes_clear();
        standin::message_box_script({answer});
        IFakePtr empty;
        try {
            empty->Ping();
            FAIL() << "called through an empty holder";
        } catch (const EOleException& e) {
            EXPECT_EQ(e.ErrorCode(), E_FAIL);
            EXPECT_EQ(e.Message().rfind("intf != 0 failed - ", 0), 0u) << e.Message();
        }
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].caption, "_ASSERTE: ");
        EXPECT_EQ(boxes()[0].text.rfind("intf != 0 @ ", 0), 0u);
    }
}

// ---- HRESULT check ----------------------------------------------------------

// Each report form with every answer, with and without a debugger: Yes ends
// the step with the report, No or a failed box goes on, Cancel breaks into an
// attached debugger and goes on; after HrAbandon nothing goes on, whatever the
// answer.
TEST_F(ComTest, FailuresAreReportedWholeAndAnswered) {
    for (HRESULT hr : {S_OK, S_FALSE, static_cast<HRESULT>(0x7FFFFFFF)}) EXPECT_EQ(HrCheck(hr, "x", "f.cpp", 1), hr);
    EXPECT_TRUE(boxes().empty()) << "success codes pass silently";
    const char* expression = "doc->save(TVarShallow(path))";
    const struct {
        HRESULT code;
        const char* file;
        std::string report;
    } cases[] = {
        {E_ACCESSDENIED, "RegWriter.cpp", "'doc->save(TVarShallow(path))': Access is denied.\r\n @ RegWriter.cpp/77"},
        {E_FAIL, "w.cpp", "'doc->save(TVarShallow(path))': " + standin::system_message(0x80004005) + " @ w.cpp/77"},
        // Inserts stay as written: there are no arguments for them.
        {HRESULT_FROM_WIN32(193), "RegWriter.cpp",
         "'doc->save(TVarShallow(path))': %1 is not a valid Win32 application.\r\n @ RegWriter.cpp/77"},
        // Without a system text the code twice; without a file an empty file part.
        {static_cast<HRESULT>(0x8004ABCD), "a.cpp",
         "(doc->save(TVarShallow(path))) Error: 8004ABCD (-2147177523) @ a.cpp/77"},
        {static_cast<HRESULT>(0x8004ABCD), nullptr,
         "(doc->save(TVarShallow(path))) Error: 8004ABCD (-2147177523) @ /77"},
    };
    for (const auto& c : cases) {
        for (bool abandon : {false, true}) {
            for (bool debugger : {false, true}) {
                standin::debugger_attached(debugger);
                for (int answer : {IDYES, IDNO, IDCANCEL, 0}) {
                    SCOPED_TRACE(testing::Message() << c.report << abandon << debugger << " answer " << answer);
                    standin::message_boxes_clear();
                    standin::message_box_script({answer});
                    const unsigned breaks = standin::debug_breaks();
                    const bool ends = abandon || answer == IDYES;
                    try {
                        EXPECT_EQ(abandon ? (HrAbandon(c.code, expression, c.file, 77), S_OK)
                                          : HrCheck(c.code, expression, c.file, 77),
                                  c.code);
                        EXPECT_FALSE(ends);
                    } catch (const Exception& base) {
                        const auto* e = dynamic_cast<const EOleException*>(&base);
                        ASSERT_NE(e, nullptr);
                        EXPECT_TRUE(ends);
                        EXPECT_EQ(e->Message(), c.report);
                        EXPECT_EQ(e->ErrorCode(), c.code);
                        EXPECT_EQ(e->Source(), c.file ? c.file : "");
                        EXPECT_EQ(e->HelpFile(), "");
                        EXPECT_EQ(e->HelpContext(), 0);
                    }
                    ASSERT_EQ(boxes().size(), 1u);
                    EXPECT_EQ(boxes()[0].caption, "HRCHECK: ");
                    EXPECT_EQ(boxes()[0].style, 0x2023u);
                    EXPECT_EQ(boxes()[0].text,
                              c.report + "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug");
                    EXPECT_EQ(standin::debug_breaks(), breaks + (debugger && answer == IDCANCEL ? 1 : 0));
                }
            }
        }
    }
}

// The report is cut after its last whole character: the 519 bytes that fit
// end inside a 表 of 932, a 表 of UTF-8 and a 😀.
TEST_F(ComTest, LongReportsAreCutSafely) {
    const struct {
        unsigned codePage;
        const char* character;  // repeated to make the expression
        std::size_t reportSize;
    } rows[] = {
        {1252, "e", 519},
        {932, "x\x95\x5C", 519 - 1},           // x表
        {65001, "\xE8\xA1\xA8", 519 - 2},      // 表
        {65001, "\xF0\x9F\x98\x80", 519 - 2},  // 😀
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.codePage) + " " + row.character);
        const TAnsiCodePage codePage(row.codePage);
        standin::message_boxes_clear();
        std::string expression;
        while (expression.size() < 2000) expression += row.character;
        standin::message_box_script({IDYES});
        try {
            HrCheck(E_FAIL, expression.c_str(), std::string(900, 'f').c_str(), 1);
            FAIL() << "no exception";
        } catch (const EOleException& e) {
            EXPECT_EQ(e.Message(), ("'" + expression).substr(0, row.reportSize));
        }
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text.size(), 519u);
        EXPECT_EQ(boxes()[0].text.substr(0, row.reportSize), ("'" + expression).substr(0, row.reportSize));
    }
}

// ---- assertion --------------------------------------------------------------

TEST_F(ComTest, AssertionReportAndYes) {
    EXPECT_EQ(AssertFailed("size != 0", "utilcls.cpp", 31), IDNO);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, "_ASSERTE: ");
    EXPECT_EQ(boxes()[0].text,
              "size != 0 @ utilcls.cpp/31\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug");
    standin::message_box_script({IDYES});
    try {
        AssertFailed("intf != 0", "utilcls.h", 7);
        FAIL() << "no exception";
    } catch (const EOleException& e) {
        EXPECT_EQ(e.Message(), "intf != 0 failed - utilcls.h/7");
        EXPECT_EQ(e.ErrorCode(), static_cast<HRESULT>(0x80004005));
        EXPECT_EQ(e.Source(), "utilcls.h");
    }
}

// ---- creation and COM start-up ------------------------------------------------

const CLSID kDocumentClass = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};

// Only an invalid argument is retried, once, without the remote context.
TEST_F(ComTest, OnlyInvalidArgumentIsRetriedOnce) {
    const struct {
        HRESULT code;
        unsigned failures;
        HRESULT result;
        std::vector<DWORD> contexts;
    } cases[] = {
        {E_INVALIDARG, 1, S_OK, {0x15, 0x5}},
        {E_INVALIDARG, 2, E_INVALIDARG, {0x15, 0x5}},
        {REGDB_E_CLASSNOTREG, 2, REGDB_E_CLASSNOTREG, {0x15}},
        {E_ACCESSDENIED, 2, E_ACCESSDENIED, {0x15}},
        {E_OUTOFMEMORY, 2, E_OUTOFMEMORY, {0x15}},
    };
    for (const auto& c : cases) {
        standin::com_reset();
        standin::com_fail_create(c.code, c.failures);
        IUnknown* unknown = nullptr;
        EXPECT_EQ(CoClassCreator::CoCreateInstance(kDocumentClass, IID_IUnknown, reinterpret_cast<LPVOID*>(&unknown)),
                  c.result)
            << std::hex << c.code;
        EXPECT_EQ(unknown != nullptr, c.result == S_OK);
        if (unknown != nullptr) unknown->Release();
        EXPECT_EQ(standin::com_create_contexts(), c.contexts) << std::hex << c.code;
    }
}

TEST_F(ComTest, ComComesUpOncePerProcess) {
    IUnknown* unknown = nullptr;
    ASSERT_EQ(CoClassCreator::CoCreateInstance(kDocumentClass, IID_IUnknown, reinterpret_cast<LPVOID*>(&unknown)),
              S_OK);
    unknown->Release();
    // Either this creation brought COM up, or an earlier one in this process did.
    const unsigned first = standin::com_initialize_calls();
    EXPECT_LE(first, 1u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(CoClassCreator::CoCreateInstance(kDocumentClass, IID_IUnknown, reinterpret_cast<LPVOID*>(&unknown)),
                  S_OK);
        unknown->Release();
        EnsureOleInit();
    }
    EXPECT_EQ(standin::com_initialize_calls(), first);
    EXPECT_EQ(standin::com_uninitialize_calls(), 0u);
}

TEST_F(ComTest, ComIsReleasedOnlyAfterASuccessfulStart) {
    const struct {
        HRESULT result;
        unsigned uninitializeCalls;
    } cases[] = {{S_OK, 1}, {S_FALSE, 1}, {E_OUTOFMEMORY, 0}, {static_cast<HRESULT>(0x80010106), 0}};
    for (const auto& c : cases) {
        standin::com_reset();
        standin::com_initialize_result(c.result);
        { TInitOle init; }
        EXPECT_EQ(standin::com_initialize_calls(), 1u);
        EXPECT_EQ(standin::com_uninitialize_calls(), c.uninitializeCalls) << std::hex << c.result;
    }
}

// ---- text for COM -------------------------------------------------------------

// Under UTF-8 as the ANSI code page Windows refuses MB_PRECOMPOSED; the
// program's conversions ask only what each code page takes, and give the
// same characters.
TEST_F(ComTest, ConversionsTakeTheFlagsOfEveryCodePage) {
    const struct {
        unsigned codePage;
        const char* ansi;
        std::u16string wide;
    } cases[] = {
        {1252, "", u""},
        {1252, "Gr\xfc\xdf \x80", u"Gr\u00fc\u00df \u20ac"},
        {932, "\x95\x5c\x83\x7c", u"\u8868\u30dd"},
        {950, "\xb3\x5c\xa5\x7c", u"\u8a31\u56db"},
        {65001, "\xe8\xa1\xa8\xf0\x9f\x98\x80", u"\u8868\U0001F600"},
    };
    for (const auto& c : cases) {
        TAnsiCodePage codePage(c.codePage);
        int size = -1;
        BSTR text = AnsiToWide(c.ansi, &size);
        ASSERT_NE(text, nullptr) << c.codePage;
        EXPECT_EQ(std::u16string(text, SysStringLen(text)), c.wide) << c.codePage;
        EXPECT_EQ(size, int(c.wide.size()) + 1) << c.codePage;
        EXPECT_EQ(text[c.wide.size()], u'\0') << c.codePage;
        SysFreeString(text);
        const WideString wide(c.ansi);  // empty holds no string
        EXPECT_EQ(std::u16string(wide.c_bstr(), SysStringLen(wide.c_bstr())), c.wide) << c.codePage;
    }
    // What a conversion with MB_PRECOMPOSED meets there.
    TAnsiCodePage utf8(65001);
    WCHAR out[4];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "x", -1, out, 4), 0);
    EXPECT_EQ(GetLastError(), 1004u);  // ERROR_INVALID_FLAGS
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ComTest, VariantsHoldTheirOwnStrings) {
    { TVarShallow fromEmpty{AnsiString()}; }
    WideString decimal("decimal");
    TVarShallow var(decimal.c_bstr());
    const VARIANT v = var;
    EXPECT_EQ(v.vt, VT_BSTR);
    ASSERT_NE(v.bstrVal, decimal.c_bstr());
    EXPECT_EQ(SysStringLen(v.bstrVal), 7u);
    EXPECT_EQ(std::memcmp(v.bstrVal, decimal.c_bstr(), 7 * sizeof(OLECHAR)), 0);
    EXPECT_TRUE(boxes().empty());
}

}  // namespace
