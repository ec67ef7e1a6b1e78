// The stand-in's COM runtime: apartment counting and the class table with its
// faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/stand-in/control.h"
#include "platform/winapi.h"
#include "standin/com_owners.h"

namespace {

using standin_test::Ref;

const CLSID kDomDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
const CLSID kOtherClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x800401F0L);

// Leaves the apartment as it found it and the runtime reset.
class ComStandInRuntime : public testing::Test {
protected:
    void SetUp() override {
        standin::com_reset();
        standin::dom_reset_faults();
        while (standin::com_initialized()) {
            CoUninitialize();
            ++depth_found_;
        }
        standin::com_reset();
    }
    void TearDown() override {
        standin::com_reset();
        while (standin::com_initialized()) CoUninitialize();
        for (unsigned i = 0; i < depth_found_; ++i) CoInitialize(nullptr);
        standin::com_reset();
        EXPECT_EQ(standin::dom_live_objects(), 0u);
    }

    static HRESULT create(DWORD context, Ref<IXMLDOMDocument>& doc, const CLSID& clsid = kDomDocument40) {
        return CoCreateInstance(clsid, nullptr, context, IID_IXMLDOMDocument, doc.put_void());
    }

    unsigned depth_found_ = 0;
};

TEST_F(ComStandInRuntime, CreationNeedsAnInitializeThatSucceeded) {
    Ref<IXMLDOMDocument> doc;
    EXPECT_EQ(create(0x15, doc), kNotInitialized);
    EXPECT_FALSE(doc);

    standin::com_initialize_result(E_OUTOFMEMORY);
    EXPECT_EQ(CoInitialize(nullptr), E_OUTOFMEMORY);
    EXPECT_FALSE(standin::com_initialized());
    EXPECT_EQ(create(CLSCTX_INPROC_SERVER, doc), kNotInitialized);

    standin::com_reset();
    EXPECT_EQ(CoInitialize(nullptr), S_OK) << "reset restores the default result";
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE) << "already initialised";
    EXPECT_EQ(create(CLSCTX_INPROC_SERVER, doc), S_OK);
    CoUninitialize();
    EXPECT_TRUE(standin::com_initialized());
    CoUninitialize();
    EXPECT_FALSE(standin::com_initialized());
    EXPECT_EQ(standin::com_initialize_calls(), 2u);
    EXPECT_EQ(standin::com_uninitialize_calls(), 2u);
}

// Each creation is a new, empty document, under the interface the program
// asks for; creation itself is no DOM call. Every context is recorded, a
// failed creation's too.
TEST_F(ComStandInRuntime, CreatesTheDocumentOrFailsAndRecordsContexts) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    Ref<IXMLDOMDocument> doc;
    ASSERT_EQ(create(0x15, doc), S_OK);
    ASSERT_TRUE(doc);
    Ref<IXMLDOMElement> root;
    EXPECT_EQ(doc->get_documentElement(root.put()), S_FALSE) << "a new document is empty";
    Ref<IUnknown> second;
    ASSERT_EQ(CoCreateInstance(kDomDocument40, nullptr, 0x5, IID_IUnknown, second.put_void()), S_OK);
    EXPECT_NE(static_cast<IUnknown*>(doc.get()), second.get());
    EXPECT_EQ(standin::dom_live_objects(), 2u);
    EXPECT_EQ(standin::com_create_contexts(), (std::vector<DWORD>{0x15, 0x5}));
    EXPECT_EQ(standin::dom_call_count(standin::DomOp::QueryInterface), 0u);
    doc.reset();
    second.reset();
    EXPECT_EQ(standin::dom_live_objects(), 0u);

    // An unknown class, then injected failures that clear the out-parameter,
    // then normal creation again.
    EXPECT_EQ(create(0x15, doc, kOtherClass), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(doc);
    standin::com_fail_create(E_INVALIDARG, 2);
    void* out = &out;
    EXPECT_EQ(CoCreateInstance(kDomDocument40, nullptr, 0x15, IID_IXMLDOMDocument, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(create(0x5, doc), E_INVALIDARG);
    EXPECT_FALSE(doc);
    EXPECT_EQ(create(0x5, doc), S_OK);
    EXPECT_TRUE(doc);
    EXPECT_EQ(standin::com_create_contexts(), (std::vector<DWORD>{0x15, 0x5, 0x15, 0x15, 0x5, 0x5}));
}

}  // namespace
