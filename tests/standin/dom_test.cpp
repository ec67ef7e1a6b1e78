// The stand-in's XML DOM document: building, saving byte for byte as Wine's
// MSXML writes, faults on each operation, and object lifetimes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/stand-in/control.h"
#include "platform/winapi.h"
#include "standin/com_owners.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;
using standin::DomOp;
using standin_test::Bstr;
using standin_test::Ref;
using standin_test::StringVariant;

const CLSID kDomDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};

HRESULT set(IXMLDOMElement* element, const OLECHAR* name, const OLECHAR* value) {
    Bstr attribute(name);
    StringVariant v(value);
    return element->setAttribute(attribute.get(), v.get());
}

// A node as the holders convert it, through QueryInterface.
Ref<IXMLDOMNode> as_node(IUnknown* from) {
    Ref<IXMLDOMNode> node;
    EXPECT_EQ(from->QueryInterface(IID_IXMLDOMNode, node.put_void()), S_OK);
    return node;
}

class DomStandInDocument : public testing::Test {
protected:
    void SetUp() override {
        standin::com_reset();
        standin::dom_reset_faults();
        initialised_here_ = SUCCEEDED(CoInitialize(nullptr));
        ASSERT_EQ(CoCreateInstance(kDomDocument40, nullptr, 0x15, IID_IXMLDOMDocument, doc_.put_void()), S_OK);
    }
    void TearDown() override {
        doc_.reset();
        EXPECT_EQ(standin::dom_live_objects(), 0u);
        standin::dom_reset_faults();
        if (initialised_here_) CoUninitialize();
    }

    Ref<IXMLDOMElement> element(const OLECHAR* name, IXMLDOMDocument* from = nullptr) {
        Bstr tag(name);
        Ref<IXMLDOMElement> created;
        EXPECT_EQ((from ? from : doc_.get())->createElement(tag.get(), created.put()), S_OK);
        EXPECT_TRUE(created);
        return created;
    }
    Ref<IXMLDOMText> text(const OLECHAR* data) {
        Bstr content(data);
        Ref<IXMLDOMText> created;
        EXPECT_EQ(doc_->createTextNode(content.get(), created.put()), S_OK);
        EXPECT_TRUE(created);
        return created;
    }
    static HRESULT append(IUnknown* parent, IUnknown* child) {
        Ref<IXMLDOMNode> out;  // handed back, released at once as the program does
        return as_node(parent)->appendChild(as_node(child).get(), out.put());
    }
    void make_root(IXMLDOMElement* root) { EXPECT_EQ(doc_->putref_documentElement(root), S_OK); }

    fs::path path(const char* name) const { return folder_.path() / name; }
    HRESULT save_to(const fs::path& target) {
        StringVariant destination(reinterpret_cast<const OLECHAR*>(target.u16string().c_str()));
        return doc_->save(destination.get());
    }
    // Saves into the test folder and reads the file back.
    std::string saved() {
        const fs::path target = path("out.xml");
        EXPECT_EQ(save_to(target), S_OK);
        return readFile(target.string());
    }

    Ref<IXMLDOMDocument> doc_;
    const TTempFolder folder_{"regscan-dom"};
    bool initialised_here_ = false;
};

// ---- Building and saving ----------------------------------------------------

TEST_F(DomStandInDocument, WriterSequenceGivesTheExactFile) {
    {
        Ref<IXMLDOMElement> root = element(u"RegParams");
        ASSERT_EQ(set(root.get(), u"xlmns", u"http://www.example.com/regparams"), S_OK);
        make_root(root.get());

        Ref<IXMLDOMElement> hive = element(u"hive");
        ASSERT_EQ(set(hive.get(), u"name", u"HKEY_LOCAL_MACHINE"), S_OK);
        Ref<IXMLDOMElement> document_element;
        ASSERT_EQ(doc_->get_documentElement(document_element.put()), S_OK);
        EXPECT_EQ(document_element.get(), root.get()) << "the element's one COM object is handed out again";
        ASSERT_EQ(append(document_element.get(), hive.get()), S_OK);

        // The key's children come from the key's parent's owner document.
        Ref<IXMLDOMDocument> owner;
        ASSERT_EQ(hive->get_ownerDocument(owner.put()), S_OK);
        EXPECT_EQ(owner.get(), doc_.get());
        Ref<IXMLDOMElement> key = element(u"key", owner.get());
        ASSERT_EQ(set(key.get(), u"name", u"Software\\Calderine"), S_OK);
        ASSERT_EQ(append(hive.get(), key.get()), S_OK);
        Ref<IXMLDOMElement> values = element(u"values", owner.get());
        {
            Ref<IXMLDOMElement> item = element(u"value");
            ASSERT_EQ(set(item.get(), u"name", u"Version"), S_OK);
            ASSERT_EQ(set(item.get(), u"type", u"REG_SZ"), S_OK);
            ASSERT_EQ(append(item.get(), text(u"2.1").get()), S_OK);
            ASSERT_EQ(append(values.get(), item.get()), S_OK);
        }
        {
            Ref<IXMLDOMElement> item = element(u"value");
            ASSERT_EQ(set(item.get(), u"name", u"Table"), S_OK);
            ASSERT_EQ(set(item.get(), u"type", u"REG_BINARY"), S_OK);
            ASSERT_EQ(append(item.get(), text(u"01 ab ").get()), S_OK);
            ASSERT_EQ(append(values.get(), item.get()), S_OK);
        }
        ASSERT_EQ(append(key.get(), values.get()), S_OK);
        Ref<IXMLDOMElement> empty_key = element(u"key");
        ASSERT_EQ(set(empty_key.get(), u"name", u"Options"), S_OK);
        ASSERT_EQ(append(key.get(), empty_key.get()), S_OK);
        ASSERT_EQ(append(empty_key.get(), element(u"values").get()), S_OK);
    }
    EXPECT_EQ(standin::dom_live_objects(), 1u) << "only the document is still held";
    EXPECT_EQ(saved(),
              "<RegParams xlmns=\"http://www.example.com/regparams\">"
              "<hive name=\"HKEY_LOCAL_MACHINE\"><key name=\"Software\\Calderine\"><values>"
              "<value name=\"Version\" type=\"REG_SZ\">2.1</value>"
              "<value name=\"Table\" type=\"REG_BINARY\">01 ab </value>"
              "</values><key name=\"Options\"><values/></key></key></hive></RegParams>\n");
}

// Attributes keep the order set; empty text reaches the DOM as a null BSTR.
TEST_F(DomStandInDocument, AttributeOrderAndNullStrings) {
    Ref<IXMLDOMElement> root = element(u"values");
    make_root(root.get());
    EXPECT_EQ(set(root.get(), u"radix", u"1"), S_OK);
    EXPECT_EQ(set(root.get(), u"type", u"2"), S_OK);
    VARIANT null_string;
    VariantInit(&null_string);
    null_string.vt = VT_BSTR;
    null_string.bstrVal = nullptr;
    Bstr name(u"name");
    EXPECT_EQ(root->setAttribute(name.get(), null_string), S_OK);
    Ref<IXMLDOMElement> a = element(u"value");
    EXPECT_EQ(append(a.get(), text(u"").get()), S_OK);
    EXPECT_EQ(append(root.get(), a.get()), S_OK);
    Ref<IXMLDOMText> from_null;
    EXPECT_EQ(doc_->createTextNode(nullptr, from_null.put()), S_OK);
    Ref<IXMLDOMElement> b = element(u"value");
    EXPECT_EQ(append(b.get(), from_null.get()), S_OK);
    EXPECT_EQ(append(root.get(), b.get()), S_OK);
    EXPECT_EQ(saved(), "<values radix=\"1\" type=\"2\" name=\"\"><value></value><value></value></values>\n");
}

// Each character the writer can meet, in an attribute and in text.
TEST_F(DomStandInDocument, EscapesAsWinesMsxmlInTheWholeFile) {
    const struct {
        std::u16string input;
        std::string in_attribute, in_text;
    } cases[] = {
        {u"a<b", "a&lt;b", "a&lt;b"},
        {u"a&b", "a&amp;b", "a&amp;b"},
        {u"a\"b", "a&quot;b", "a\"b"},
        {u"a'b", "a'b", "a'b"},
        {u"a>b", "a&gt;b", "a&gt;b"},
        {u"a\tb", "a&#9;b", "a\tb"},
        {u"a\rb", "a&#13;b", "a&#13;b"},  // a raw CR in text would come back as LF from any parser
        {u"a\nb", "a&#10;b", "a\nb"},
        {u"a\r\nb", "a&#13;&#10;b", "a&#13;\nb"},
        {u" 01 ab ", " 01 ab ", " 01 ab "},
        {u"Software\\Calderine", "Software\\Calderine", "Software\\Calderine"},
        {u"\u00e9\u20ac", "\xc3\xa9\xe2\x82\xac", "\xc3\xa9\xe2\x82\xac"},
        {u"\U0001F600", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
        {std::u16string(1, char16_t{0xD800}), "\xef\xbf\xbd", "\xef\xbf\xbd"},
        // What XML 1.0 cannot carry is written raw, as Wine's MSXML does.
        {u"a\x01z", "a\x01z", "a\x01z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in_attribute));
        ASSERT_EQ(CoCreateInstance(kDomDocument40, nullptr, 0x15, IID_IXMLDOMDocument, doc_.put_void()), S_OK);
        Ref<IXMLDOMElement> root = element(u"value");
        make_root(root.get());
        ASSERT_EQ(set(root.get(), u"name", c.input.c_str()), S_OK);
        ASSERT_EQ(append(root.get(), text(c.input.c_str()).get()), S_OK);
        EXPECT_EQ(saved(), "<value name=\"" + c.in_attribute + "\">" + c.in_text + "</value>\n");
    }
}

// ---- Saving -----------------------------------------------------------------

// Save's faults: a positive code writes half the file, as a write that fails
// part-way; a negative one writes nothing.
TEST_F(DomStandInDocument, SaveReplacesCreatesNothingAndFails) {
    EXPECT_EQ(saved(), "") << "a document without element is an empty file";
    const fs::path target = path("out.xml");
    std::ofstream(target) << "a much longer previous content than the new one";
    Ref<IXMLDOMElement> root = element(u"RegParams");
    ASSERT_EQ(set(root.get(), u"xlmns", u"http://www.example.com/regparams"), S_OK);
    make_root(root.get());
    EXPECT_EQ(save_to(target), S_OK);
    const std::string whole = "<RegParams xlmns=\"http://www.example.com/regparams\"/>\n";
    EXPECT_EQ(readFile(target.string()), whole);

    const fs::path missing = path("missing") / "out.xml";
    EXPECT_EQ(save_to(missing), E_FAIL);
    EXPECT_FALSE(fs::exists(path("missing")));
    fs::create_directory(path("folder"));
    EXPECT_EQ(save_to(path("folder")), E_FAIL) << "a folder is no file";

    standin::dom_fail(DomOp::Save, 1, S_FALSE);
    EXPECT_EQ(save_to(path("half.xml")), S_FALSE);
    EXPECT_EQ(readFile(path("half.xml").string()), whole.substr(0, whole.size() / 2));
    standin::dom_fail(DomOp::Save, 1, E_ACCESSDENIED);
    EXPECT_EQ(save_to(path("none.xml")), E_ACCESSDENIED);
    EXPECT_FALSE(fs::exists(path("none.xml")));
    EXPECT_EQ(standin::dom_call_count(DomOp::Save), 6u);
}

// No node at all comes from an empty holder, left by a failed call the user
// went on after.
TEST_F(DomStandInDocument, AppendHandsBackTheChildIfAskedAndRefusesNoNode) {
    Ref<IXMLDOMElement> root = element(u"root");
    make_root(root.get());
    Ref<IXMLDOMNode> child = as_node(element(u"child").get());
    Ref<IXMLDOMNode> out;
    EXPECT_EQ(as_node(root.get())->appendChild(child.get(), out.put()), S_OK);
    EXPECT_EQ(out.get(), child.get());
    child.reset();
    // The reference handed back keeps the node alive and usable.
    Ref<IXMLDOMDocument> owner;
    EXPECT_EQ(out->get_ownerDocument(owner.put()), S_OK);
    EXPECT_EQ(owner.get(), doc_.get());

    IXMLDOMNode* none = reinterpret_cast<IXMLDOMNode*>(&none);
    EXPECT_EQ(as_node(root.get())->appendChild(nullptr, &none), E_INVALIDARG);
    EXPECT_EQ(none, nullptr);
    // The result is optional (the benchmark's DOM floor asks for none).
    EXPECT_EQ(as_node(root.get())->appendChild(as_node(element(u"next").get()).get(), nullptr), S_OK);
    EXPECT_EQ(saved(), "<root><child/><next/></root>\n");
}

// ---- Interfaces -----------------------------------------------------------------

TEST_F(DomStandInDocument, QueryInterfaceAnswersOnlyTheObjectsOwnInterfaces) {
    Ref<IXMLDOMElement> elem = element(u"e");
    Ref<IXMLDOMText> leaf = text(u"t");
    // Each object answers IUnknown, IXMLDOMNode and its own interface.
    const std::pair<IUnknown*, const IID*> objects[] = {
        {doc_.get(), &IID_IXMLDOMDocument}, {elem.get(), &IID_IXMLDOMElement}, {leaf.get(), &IID_IXMLDOMText}};
    const IID* const iids[] = {&IID_IUnknown, &IID_IXMLDOMNode, &IID_IXMLDOMDocument, &IID_IXMLDOMElement,
                               &IID_IXMLDOMText};
    for (const auto& [object, own] : objects) {
        for (std::size_t i = 0; i < std::size(iids); ++i) {
            const bool answered = i < 2 || iids[i] == own;
            void* out = &out;
            const HRESULT hr = object->QueryInterface(*iids[i], &out);
            EXPECT_EQ(hr, answered ? S_OK : E_NOINTERFACE) << own->Data1 << " asked " << i;
            EXPECT_EQ(out, answered ? object : nullptr) << own->Data1 << " asked " << i;
            if (out != nullptr) static_cast<IUnknown*>(out)->Release();
        }
    }
    EXPECT_EQ(standin::dom_call_count(DomOp::QueryInterface), std::size(objects) * std::size(iids));
}

// ---- Lifetimes ----------------------------------------------------------------

TEST_F(DomStandInDocument, UnappendedNodesAreFreedWithTheirLastReference) {
    {
        Ref<IXMLDOMElement> lonely = element(u"lonely");
        ASSERT_EQ(set(lonely.get(), u"name", u"x"), S_OK);
        Ref<IXMLDOMText> leaf = text(u"t");
        EXPECT_EQ(standin::dom_live_objects(), 3u);
    }
    EXPECT_EQ(standin::dom_live_objects(), 1u);
    {
        // A detached subtree lives while any of its nodes is referenced.
        Ref<IXMLDOMElement> values = element(u"values");
        Ref<IXMLDOMElement> item = element(u"value");
        Ref<IXMLDOMText> leaf = text(u"deep");
        EXPECT_EQ(append(item.get(), leaf.get()), S_OK);
        EXPECT_EQ(append(values.get(), item.get()), S_OK);
        values.reset();
        item.reset();
        Ref<IXMLDOMDocument> owner;
        EXPECT_EQ(leaf->get_ownerDocument(owner.put()), S_OK);
    }
    EXPECT_EQ(standin::dom_live_objects(), 1u);
    // Elements keep their document alive.
    Ref<IXMLDOMElement> root = element(u"root");
    make_root(root.get());
    Ref<IXMLDOMText> leaf = text(u"kept");
    doc_.reset();
    EXPECT_EQ(standin::dom_live_objects(), 3u);
    EXPECT_EQ(append(root.get(), leaf.get()), S_OK);
    leaf.reset();
    ASSERT_EQ(root->get_ownerDocument(doc_.put()), S_OK);
    root.reset();
    EXPECT_EQ(saved(), "<root>kept</root>\n");
}

// ---- Faults ---------------------------------------------------------------------
// When a fault is due is the schedule's business, tested with the registry;
// here, what a failed call of each operation does.

// Calls `call` with an out-parameter holding garbage; a failed call must leave
// it null, and a reference handed out is released.
template <class Out, class Call>
HRESULT handing_out(Call call) {
    Out* out = reinterpret_cast<Out*>(&out);
    const HRESULT hr = call(&out);
    if (hr != S_OK && out != nullptr) return E_UNEXPECTED;
    if (out != nullptr) out->Release();
    return hr;
}

// Each operation failing with a negative and a positive code.
TEST_F(DomStandInDocument, FailedCallHandsOutAndChangesNothing) {
    Ref<IXMLDOMElement> root = element(u"root");
    make_root(root.get());
    const struct {
        DomOp op;
        std::function<HRESULT()> call;  // one call of the operation
    } cases[] = {
        {DomOp::CreateElement,
         [&] {
             Bstr name(u"x");
             return handing_out<IXMLDOMElement>([&](auto out) { return doc_->createElement(name.get(), out); });
         }},
        {DomOp::CreateTextNode,
         [&] {
             Bstr data(u"x");
             return handing_out<IXMLDOMText>([&](auto out) { return doc_->createTextNode(data.get(), out); });
         }},
        {DomOp::SetAttribute, [&] { return set(root.get(), u"name", u"v"); }},
        {DomOp::AppendChild,
         [&] {
             Ref<IXMLDOMElement> child = element(u"child");
             return handing_out<IXMLDOMNode>([&](auto out) { return root->appendChild(child.get(), out); });
         }},
        {DomOp::GetOwnerDocument,
         [&] { return handing_out<IXMLDOMDocument>([&](auto out) { return root->get_ownerDocument(out); }); }},
        {DomOp::GetDocumentElement,
         [&] { return handing_out<IXMLDOMElement>([&](auto out) { return doc_->get_documentElement(out); }); }},
        {DomOp::PutrefDocumentElement, [&] { return doc_->putref_documentElement(element(u"other").get()); }},
        {DomOp::QueryInterface,
         [&] {
             return handing_out<IXMLDOMNode>(
                 [&](auto out) { return root->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(out)); });
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.op));
        standin::dom_reset_faults();
        for (const HRESULT code : {E_OUTOFMEMORY, S_FALSE}) {
            standin::dom_fail(c.op, 1, code);
            EXPECT_EQ(c.call(), code);
        }
        EXPECT_EQ(standin::dom_call_count(c.op), 2u);
        EXPECT_EQ(saved(), "<root/>\n");
    }
}

}  // namespace
