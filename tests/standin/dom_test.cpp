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

// A node as the other interface views it, through QueryInterface.
template <class To>
Ref<To> query(IUnknown* from, REFIID iid) {
    Ref<To> to;
    EXPECT_EQ(from->QueryInterface(iid, to.put_void()), S_OK);
    return to;
}

Ref<IXMLDOMNode> as_node(IUnknown* from) {
    return query<IXMLDOMNode>(from, IID_IXMLDOMNode);
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
    static HRESULT set(IXMLDOMElement* element, const OLECHAR* name, const OLECHAR* value) {
        Bstr attribute(name);
        StringVariant v(value);
        return element->setAttribute(attribute.get(), v.get());
    }
    static HRESULT append(IUnknown* parent, IUnknown* child) {
        return as_node(parent)->appendChild(as_node(child).get(), nullptr);
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

TEST_F(DomStandInDocument, AttributesKeepTheOrderSetAndReplaceInPlace) {
    Ref<IXMLDOMElement> root = element(u"value");
    make_root(root.get());
    EXPECT_EQ(set(root.get(), u"name", u"1"), S_OK);
    EXPECT_EQ(set(root.get(), u"type", u"2"), S_OK);
    EXPECT_EQ(set(root.get(), u"radix", u"3"), S_OK);
    EXPECT_EQ(set(root.get(), u"name", u"4"), S_OK);
    EXPECT_EQ(saved(), "<value name=\"4\" type=\"2\" radix=\"3\"/>\n");
}

TEST_F(DomStandInDocument, EmptyTextAndNullText) {
    Ref<IXMLDOMElement> root = element(u"values");
    make_root(root.get());
    Ref<IXMLDOMElement> a = element(u"value");
    EXPECT_EQ(append(a.get(), text(u"").get()), S_OK);
    EXPECT_EQ(append(root.get(), a.get()), S_OK);
    Ref<IXMLDOMText> from_null;
    EXPECT_EQ(doc_->createTextNode(nullptr, from_null.put()), S_OK);
    Ref<IXMLDOMElement> b = element(u"value");
    EXPECT_EQ(append(b.get(), from_null.get()), S_OK);
    EXPECT_EQ(append(root.get(), b.get()), S_OK);
    EXPECT_EQ(saved(), "<values><value></value><value></value></values>\n");
}

TEST_F(DomStandInDocument, AdjacentTextNodesStayApart) {
    Ref<IXMLDOMElement> root = element(u"value");
    make_root(root.get());
    Ref<IXMLDOMText> first = text(u"ab");
    Ref<IXMLDOMText> second = text(u"cd");
    EXPECT_EQ(append(root.get(), first.get()), S_OK);
    EXPECT_EQ(append(root.get(), second.get()), S_OK);
    EXPECT_EQ(saved(), "<value>abcd</value>\n");
    // Both objects remain usable after the save.
    Ref<IXMLDOMDocument> owner;
    EXPECT_EQ(second->get_ownerDocument(owner.put()), S_OK);
}

TEST_F(DomStandInDocument, EmptyDocumentSavesAnEmptyFile) {
    EXPECT_EQ(saved(), "");
    EXPECT_TRUE(fs::exists(path("out.xml")));
}

struct EscapeCase {
    const char* label;
    std::u16string input;
    std::string in_attribute;
    std::string in_text;
};

// Named by its label: gtest would otherwise print the object's raw bytes,
// string buffers' unused bytes included.
void PrintTo(const EscapeCase& c, std::ostream* os) {
    *os << c.label;
}

class DomStandInEscaping : public DomStandInDocument, public testing::WithParamInterface<EscapeCase> {};

TEST_P(DomStandInEscaping, WholeFile) {
    const EscapeCase& c = GetParam();
    Ref<IXMLDOMElement> root = element(u"value");
    make_root(root.get());
    ASSERT_EQ(set(root.get(), u"name", c.input.c_str()), S_OK);
    ASSERT_EQ(append(root.get(), text(c.input.c_str()).get()), S_OK);
    EXPECT_EQ(saved(), "<value name=\"" + c.in_attribute + "\">" + c.in_text + "</value>\n");
}

INSTANTIATE_TEST_SUITE_P(
    DomStandIn, DomStandInEscaping,
    testing::Values(
        EscapeCase{"less_than", u"a<b", "a&lt;b", "a&lt;b"}, EscapeCase{"ampersand", u"a&b", "a&amp;b", "a&amp;b"},
        EscapeCase{"double_quote", u"a\"b", "a&quot;b", "a\"b"}, EscapeCase{"apostrophe", u"a'b", "a'b", "a'b"},
        EscapeCase{"greater_than", u"a>b", "a&gt;b", "a&gt;b"}, EscapeCase{"tab", u"a\tb", "a&#9;b", "a\tb"},
        // A raw CR in text would come back as LF from any parser.
        EscapeCase{"carriage_return", u"a\rb", "a&#13;b", "a&#13;b"},
        EscapeCase{"line_feed", u"a\nb", "a&#10;b", "a\nb"}, EscapeCase{"crlf", u"a\r\nb", "a&#13;&#10;b", "a&#13;\nb"},
        EscapeCase{"spaces_kept", u" 01 ab ", " 01 ab ", " 01 ab "},
        EscapeCase{"backslash_path", u"Software\\Calderine", "Software\\Calderine", "Software\\Calderine"},
        EscapeCase{"latin1_and_euro", u"\u00e9\u20ac", "\xc3\xa9\xe2\x82\xac", "\xc3\xa9\xe2\x82\xac"},
        EscapeCase{"surrogate_pair", u"\U0001F600", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
        EscapeCase{"lone_surrogate", std::u16string(1, char16_t{0xD800}), "\xef\xbf\xbd", "\xef\xbf\xbd"},
        // What XML 1.0 cannot carry is written raw, as Wine's MSXML does.
        EscapeCase{"control_character", u"a\x01z", "a\x01z", "a\x01z"}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return std::string(info.param.label); });

// ---- Saving -----------------------------------------------------------------

TEST_F(DomStandInDocument, SaveFailuresCreateNothing) {
    Ref<IXMLDOMElement> root = element(u"RegParams");
    make_root(root.get());
    const fs::path missing = path("missing") / "out.xml";
    EXPECT_EQ(save_to(missing), E_FAIL);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists(path("missing")));

    fs::create_directory(path("folder"));
    EXPECT_EQ(save_to(path("folder")), E_FAIL) << "a folder is no file";

    StringVariant empty(u"");
    EXPECT_EQ(doc_->save(empty.get()), E_FAIL);

    VARIANT number;
    VariantInit(&number);
    number.vt = 3;  // VT_I4
    number.lVal = 1;
    EXPECT_EQ(doc_->save(number), E_INVALIDARG);
}

TEST_F(DomStandInDocument, SaveReplacesAnExistingFile) {
    const fs::path target = path("out.xml");
    std::ofstream(target) << "a much longer previous content than the new one";
    Ref<IXMLDOMElement> root = element(u"RegParams");
    make_root(root.get());
    EXPECT_EQ(save_to(target), S_OK);
    EXPECT_EQ(readFile(target.string()), "<RegParams/>\n");
}

// ---- Argument checks ----------------------------------------------------------

TEST_F(DomStandInDocument, ElementNames) {
    struct Row {
        const OLECHAR* name;  // null for a null BSTR
        HRESULT expected;
    };
    const Row rows[] = {{nullptr, E_INVALIDARG}, {u"", E_FAIL},  {u"a b", E_FAIL},  {u"1st", E_FAIL},
                        {u"a<b", E_FAIL},        {u"key", S_OK}, {u"_x-1.y", S_OK}, {u"\u00e9l", S_OK}};
    for (const Row& row : rows) {
        Bstr name(row.name);
        IXMLDOMElement* created = reinterpret_cast<IXMLDOMElement*>(&created);
        EXPECT_EQ(doc_->createElement(name.get(), &created), row.expected);
        if (SUCCEEDED(row.expected)) {
            ASSERT_NE(created, nullptr);
            created->Release();
        } else {
            EXPECT_EQ(created, nullptr);
        }
    }
    Bstr name(u"key");
    EXPECT_EQ(doc_->createElement(name.get(), nullptr), E_INVALIDARG);
    EXPECT_EQ(doc_->createTextNode(name.get(), nullptr), E_INVALIDARG);
}

TEST_F(DomStandInDocument, AttributeArguments) {
    Ref<IXMLDOMElement> root = element(u"value");
    make_root(root.get());
    StringVariant v(u"x");
    EXPECT_EQ(root->setAttribute(nullptr, v.get()), E_INVALIDARG);
    Bstr bad(u"a b");
    EXPECT_EQ(root->setAttribute(bad.get(), v.get()), E_FAIL);
    VARIANT number;
    VariantInit(&number);
    number.vt = 3;
    number.lVal = 1;
    Bstr good(u"name");
    EXPECT_EQ(root->setAttribute(good.get(), number), E_INVALIDARG);
    VARIANT null_string;
    VariantInit(&null_string);
    null_string.vt = VT_BSTR;
    null_string.bstrVal = nullptr;
    EXPECT_EQ(root->setAttribute(good.get(), null_string), S_OK);
    EXPECT_EQ(saved(), "<value name=\"\"/>\n");
}

// A node that is no DOM object of ours.
struct ForeignNode final : IXMLDOMNode {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE appendChild(IXMLDOMNode*, IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ownerDocument(IXMLDOMDocument**) override { return E_NOTIMPL; }
};

TEST_F(DomStandInDocument, AppendRefusals) {
    Ref<IXMLDOMElement> root = element(u"root");
    make_root(root.get());
    Ref<IXMLDOMElement> child = element(u"child");
    EXPECT_EQ(append(root.get(), child.get()), S_OK);
    Ref<IXMLDOMNode> root_node = as_node(root.get());

    IXMLDOMNode* out = reinterpret_cast<IXMLDOMNode*>(&out);
    EXPECT_EQ(root_node->appendChild(nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);

    ForeignNode foreign;
    EXPECT_EQ(root_node->appendChild(&foreign, nullptr), E_INVALIDARG);

    Ref<IXMLDOMDocument> other;
    ASSERT_EQ(CoCreateInstance(kDomDocument40, nullptr, 0x15, IID_IXMLDOMDocument, other.put_void()), S_OK);
    EXPECT_EQ(append(root.get(), element(u"elsewhere", other.get()).get()), E_INVALIDARG) << "another document's node";
    EXPECT_EQ(other->putref_documentElement(root.get()), E_INVALIDARG);

    EXPECT_EQ(append(child.get(), root.get()), E_FAIL) << "an ancestor under its descendant";
    EXPECT_EQ(append(root.get(), root.get()), E_FAIL) << "a node under itself";
    Ref<IXMLDOMText> leaf = text(u"t");
    EXPECT_EQ(append(leaf.get(), element(u"x").get()), E_FAIL) << "text has no children";
    EXPECT_EQ(append(doc_.get(), element(u"second").get()), E_FAIL) << "one document element";
    EXPECT_EQ(append(doc_.get(), leaf.get()), E_FAIL);
    EXPECT_EQ(append(root.get(), doc_.get()), E_FAIL);
    EXPECT_EQ(saved(), "<root><child/></root>\n");
}

TEST_F(DomStandInDocument, AppendHandsBackTheChild) {
    Ref<IXMLDOMElement> root = element(u"root");
    Ref<IXMLDOMNode> child = as_node(element(u"child").get());
    Ref<IXMLDOMNode> out;
    EXPECT_EQ(as_node(root.get())->appendChild(child.get(), out.put()), S_OK);
    EXPECT_EQ(out.get(), child.get());
    child.reset();
    // The reference handed back keeps the node alive and usable.
    Ref<IXMLDOMDocument> owner;
    EXPECT_EQ(out->get_ownerDocument(owner.put()), S_OK);
    EXPECT_EQ(owner.get(), doc_.get());
}

TEST_F(DomStandInDocument, AppendToTheDocumentMakesTheDocumentElement) {
    Ref<IXMLDOMElement> root = element(u"root");
    EXPECT_EQ(append(doc_.get(), root.get()), S_OK);
    Ref<IXMLDOMElement> found;
    EXPECT_EQ(doc_->get_documentElement(found.put()), S_OK);
    EXPECT_EQ(found.get(), root.get());
}

TEST_F(DomStandInDocument, OwnerDocuments) {
    IXMLDOMDocument* owner = reinterpret_cast<IXMLDOMDocument*>(&owner);
    EXPECT_EQ(doc_->get_ownerDocument(&owner), S_FALSE);
    EXPECT_EQ(owner, nullptr);
    Ref<IXMLDOMText> leaf = text(u"t");
    Ref<IXMLDOMDocument> of_text;
    EXPECT_EQ(leaf->get_ownerDocument(of_text.put()), S_OK);
    EXPECT_EQ(of_text.get(), doc_.get());
    EXPECT_EQ(leaf->get_ownerDocument(nullptr), E_INVALIDARG);
}

TEST_F(DomStandInDocument, DocumentElementReplaced) {
    Ref<IXMLDOMElement> first = element(u"first");
    make_root(first.get());
    make_root(first.get());
    {
        Ref<IXMLDOMElement> second = element(u"second");
        EXPECT_EQ(append(second.get(), element(u"inner").get()), S_OK);
        make_root(second.get());
    }
    EXPECT_EQ(saved(), "<second><inner/></second>\n");
    // The replaced element is detached but still usable through its reference.
    EXPECT_EQ(append(first.get(), text(u"x").get()), S_OK);
    first.reset();
    EXPECT_EQ(standin::dom_live_objects(), 1u);
    EXPECT_EQ(saved(), "<second><inner/></second>\n");
}

// ---- Interfaces -----------------------------------------------------------------

TEST_F(DomStandInDocument, QueryInterfaceAnswersOnlyTheObjectsOwnInterfaces) {
    Ref<IXMLDOMElement> elem = element(u"e");
    Ref<IXMLDOMText> leaf = text(u"t");
    struct Row {
        IUnknown* object;
        const IID* iid;
        bool answered;
    };
    const Row rows[] = {
        {doc_.get(), &IID_IUnknown, true},         {doc_.get(), &IID_IXMLDOMNode, true},
        {doc_.get(), &IID_IXMLDOMDocument, true},  {doc_.get(), &IID_IXMLDOMElement, false},
        {doc_.get(), &IID_IXMLDOMText, false},     {elem.get(), &IID_IUnknown, true},
        {elem.get(), &IID_IXMLDOMNode, true},      {elem.get(), &IID_IXMLDOMElement, true},
        {elem.get(), &IID_IXMLDOMText, false},     {elem.get(), &IID_IXMLDOMDocument, false},
        {leaf.get(), &IID_IUnknown, true},         {leaf.get(), &IID_IXMLDOMNode, true},
        {leaf.get(), &IID_IXMLDOMText, true},      {leaf.get(), &IID_IXMLDOMElement, false},
        {leaf.get(), &IID_IXMLDOMDocument, false},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        void* out = &out;
        const HRESULT hr = rows[i].object->QueryInterface(*rows[i].iid, &out);
        if (rows[i].answered) {
            EXPECT_EQ(hr, S_OK) << "row " << i;
            EXPECT_EQ(out, rows[i].object) << "row " << i;
            if (out != nullptr) static_cast<IUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(hr, E_NOINTERFACE) << "row " << i;
            EXPECT_EQ(out, nullptr) << "row " << i;
        }
    }
    EXPECT_EQ(elem->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(standin::dom_call_count(DomOp::QueryInterface), std::size(rows) + 1);
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
    {
        // Moving a node out of a detached subtree leaves the rest to be freed.
        Ref<IXMLDOMElement> root = element(u"root");
        make_root(root.get());
        Ref<IXMLDOMElement> moved = element(u"moved");
        {
            Ref<IXMLDOMElement> holder = element(u"holder");
            EXPECT_EQ(append(holder.get(), moved.get()), S_OK);
        }
        EXPECT_EQ(append(root.get(), moved.get()), S_OK);
    }
    EXPECT_EQ(standin::dom_live_objects(), 1u);
    EXPECT_EQ(saved(), "<root><moved/></root>\n");
}

TEST_F(DomStandInDocument, ElementsKeepTheirDocumentAlive) {
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

struct FaultCase {
    const char* label;
    DomOp op;
    // Makes one call of the operation; a failed call must hand out nothing.
    std::function<HRESULT(IXMLDOMDocument* doc, IXMLDOMElement* root, const fs::path& dir)> call;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.label;
}

class DomStandInFaults : public DomStandInDocument, public testing::WithParamInterface<FaultCase> {
protected:
    void SetUp() override {
        DomStandInDocument::SetUp();
        root_ = element(u"root");
        make_root(root_.get());
        standin::dom_reset_faults();
    }
    void TearDown() override {
        root_.reset();
        DomStandInDocument::TearDown();
    }
    HRESULT call_once() { return GetParam().call(doc_.get(), root_.get(), folder_.path()); }

    Ref<IXMLDOMElement> root_;
};

HRESULT checked_out(HRESULT hr, IUnknown* out) {
    if (hr != S_OK && out != nullptr) return E_UNEXPECTED;
    if (out != nullptr) out->Release();
    return hr;
}

TEST_P(DomStandInFaults, NthCallFailsOnce) {
    const DomOp op = GetParam().op;
    standin::dom_fail(op, 2, E_OUTOFMEMORY);
    EXPECT_EQ(call_once(), S_OK);
    EXPECT_EQ(call_once(), E_OUTOFMEMORY);
    EXPECT_EQ(call_once(), S_OK) << "a fault fires once";
    EXPECT_EQ(standin::dom_call_count(op), 3u);
    EXPECT_THROW(standin::dom_fail(op, 0, E_FAIL), std::invalid_argument) << "calls are counted from 1";
    standin::dom_fail(op, 1, E_ACCESSDENIED);
    standin::dom_reset_faults();
    EXPECT_EQ(standin::dom_call_count(op), 0u);
    EXPECT_EQ(call_once(), S_OK) << "reset clears pending faults";
}

// Save's faults write part of the file; its own tests cover them.
class DomStandInOutputFaults : public DomStandInFaults {};

TEST_P(DomStandInOutputFaults, PositiveCodeHandsOutNothing) {
    standin::dom_fail(GetParam().op, 1, S_FALSE);
    EXPECT_EQ(call_once(), S_FALSE);
}

TEST_P(DomStandInOutputFaults, FailedCallChangesNothing) {
    EXPECT_EQ(save_to(path("before.xml")), S_OK);
    standin::dom_fail(GetParam().op, 1, E_FAIL);
    EXPECT_EQ(call_once(), E_FAIL);
    EXPECT_EQ(save_to(path("after.xml")), S_OK);
    EXPECT_EQ(readFile(path("after.xml").string()), readFile(path("before.xml").string()));
    EXPECT_EQ(readFile(path("after.xml").string()), "<root/>\n");
}

const FaultCase kFaultCases[] = {
    FaultCase{"CreateElement", DomOp::CreateElement,
              [](IXMLDOMDocument* doc, IXMLDOMElement*, const fs::path&) {
                  Bstr name(u"x");
                  IXMLDOMElement* out = reinterpret_cast<IXMLDOMElement*>(&out);
                  const HRESULT hr = doc->createElement(name.get(), &out);
                  return checked_out(hr, out);
              }},
    FaultCase{"CreateTextNode", DomOp::CreateTextNode,
              [](IXMLDOMDocument* doc, IXMLDOMElement*, const fs::path&) {
                  Bstr data(u"x");
                  IXMLDOMText* out = reinterpret_cast<IXMLDOMText*>(&out);
                  const HRESULT hr = doc->createTextNode(data.get(), &out);
                  return checked_out(hr, out);
              }},
    FaultCase{"SetAttribute", DomOp::SetAttribute,
              [](IXMLDOMDocument*, IXMLDOMElement* root, const fs::path&) {
                  Bstr name(u"name");
                  StringVariant value(u"v");
                  return root->setAttribute(name.get(), value.get());
              }},
    FaultCase{"AppendChild", DomOp::AppendChild,
              [](IXMLDOMDocument* doc, IXMLDOMElement* root, const fs::path&) {
                  Bstr name(u"child");
                  Ref<IXMLDOMElement> child;
                  if (doc->createElement(name.get(), child.put()) != S_OK) return E_UNEXPECTED;
                  IXMLDOMNode* out = reinterpret_cast<IXMLDOMNode*>(&out);
                  const HRESULT hr = root->appendChild(child.get(), &out);
                  return checked_out(hr, out);
              }},
    FaultCase{"GetOwnerDocument", DomOp::GetOwnerDocument,
              [](IXMLDOMDocument*, IXMLDOMElement* root, const fs::path&) {
                  IXMLDOMDocument* out = reinterpret_cast<IXMLDOMDocument*>(&out);
                  const HRESULT hr = root->get_ownerDocument(&out);
                  return checked_out(hr, out);
              }},
    FaultCase{"GetDocumentElement", DomOp::GetDocumentElement,
              [](IXMLDOMDocument* doc, IXMLDOMElement*, const fs::path&) {
                  IXMLDOMElement* out = reinterpret_cast<IXMLDOMElement*>(&out);
                  const HRESULT hr = doc->get_documentElement(&out);
                  return checked_out(hr, out);
              }},
    FaultCase{"PutrefDocumentElement", DomOp::PutrefDocumentElement,
              [](IXMLDOMDocument* doc, IXMLDOMElement*, const fs::path&) {
                  Bstr name(u"other");
                  Ref<IXMLDOMElement> other;
                  if (doc->createElement(name.get(), other.put()) != S_OK) return E_UNEXPECTED;
                  return doc->putref_documentElement(other.get());
              }},
    FaultCase{"Save", DomOp::Save,
              [](IXMLDOMDocument* doc, IXMLDOMElement*, const fs::path& dir) {
                  StringVariant destination(reinterpret_cast<const OLECHAR*>((dir / "out.xml").u16string().c_str()));
                  return doc->save(destination.get());
              }},
    FaultCase{"QueryInterface", DomOp::QueryInterface, [](IXMLDOMDocument*, IXMLDOMElement* root, const fs::path&) {
                  IXMLDOMNode* out = reinterpret_cast<IXMLDOMNode*>(&out);
                  const HRESULT hr = root->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(&out));
                  return checked_out(hr, out);
              }}};

std::vector<FaultCase> casesWithoutSave() {
    std::vector<FaultCase> cases;
    for (const FaultCase& c : kFaultCases)
        if (c.op != DomOp::Save) cases.push_back(c);
    return cases;
}

std::string faultLabel(const testing::TestParamInfo<FaultCase>& info) {
    return info.param.label;
}

INSTANTIATE_TEST_SUITE_P(DomStandIn, DomStandInFaults, testing::ValuesIn(kFaultCases), faultLabel);
INSTANTIATE_TEST_SUITE_P(DomStandIn, DomStandInOutputFaults, testing::ValuesIn(casesWithoutSave()), faultLabel);

TEST_F(DomStandInDocument, SaveWithPositiveFaultWritesHalfTheFile) {
    Ref<IXMLDOMElement> root = element(u"RegParams");
    ASSERT_EQ(set(root.get(), u"xlmns", u"http://www.example.com/regparams"), S_OK);
    make_root(root.get());
    const std::string whole = saved();
    ASSERT_EQ(whole.size(), 54u);
    standin::dom_fail(DomOp::Save, 1, S_FALSE);
    const fs::path target = path("half.xml");
    EXPECT_EQ(save_to(target), S_FALSE);
    EXPECT_EQ(readFile(target.string()), whole.substr(0, whole.size() / 2));
}

TEST_F(DomStandInDocument, SaveWithNegativeFaultWritesNothing) {
    Ref<IXMLDOMElement> root = element(u"RegParams");
    make_root(root.get());
    standin::dom_fail(DomOp::Save, 1, E_ACCESSDENIED);
    EXPECT_EQ(save_to(path("none.xml")), E_ACCESSDENIED);
    EXPECT_FALSE(fs::exists(path("none.xml")));
}

}  // namespace
