// The export command's flow, its dialogs scripted, under every fault it can
// meet: each registry call, each DOM operation, the creation, the save and the
// replacement failing in turn at every position a clean run reaches, the
// question box answered Yes and No. After each run nothing is left open or
// alive, no temporary file is left beside the destination, the destination
// holds the whole new file, the earlier file or what the continuation leaves,
// and the user saw exactly the described boxes and final message. The scan
// alone too: a failed one leaves a scanner's earlier tree as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/utilcls.h"
#include "framework/SysUtils.h"
#include "platform/stand-in/control.h"
#include "regscan/RegExport.h"
#include "support/expected_export.h"
#include "support/files.h"
#include "support/scripted_export_dialogs.h"
#include "support/snapshot_text.h"
#include "support/xml_tree.h"

namespace {

using namespace std::string_literals;
using standin::DomOp;
using standin::RegCall;
namespace fs = std::filesystem;

// ---- the registry fixture -------------------------------------------------------

// Each key with its values, parents first; a row without a name only
// creates the key. `key` is below tree 0 (the software key) or 1 (the driver's).
struct FixtureValue {
    int tree;
    const char* key;
    const char* name;
    DWORD type;
    std::string data;  // as stored, terminating NULs included
};

const char* const kTrees[] = {kSoftwareKey, kDriverKey};

const FixtureValue kFixture[] = {
    {0, "", "", REG_SZ, "Calderine ORVEX\0"s},
    {0, "", "Version", REG_SZ, "2.1\0"s},
    {0, "", "Flags", REG_DWORD, "\xff\xff\xff\xff"s},
    {0, "", "DetID", REG_MULTI_SZ, "A\0B\0\0"s},
    {0, "", "InstallDir", REG_EXPAND_SZ, "%ProgramFiles%\\Calderine\0"s},
    {0, "", "Blob", REG_BINARY, "\x00\x10\xff"s},
    {0, "Devices", nullptr, 0, ""},
    {0, "Devices\\Unit 1", "Port", REG_DWORD, "\x78\x03\0\0"s},
    {0, "Devices\\Unit 1", "Name", REG_SZ, "Front <left> & \"right\"\0"s},
    {0, "Devices\\Unit 1", "DetID", REG_DWORD, "\x07\0\0\0"s},
    {0, "Devices\\Unit 1", "Gain", REG_BINARY, "\xde\xad\xbe\xef"s},
    {0, "Devices\\Unit 1\\Calibration", "Curve", REG_BINARY, "\x01\x02\x03"s},
    {0, "Devices\\Unit 1\\Calibration", "Date", REG_SZ, "2024-01-02"s},  // stored without its NUL
    {0, "Devices\\Unit 1\\Calibration", "Points", REG_DWORD, "\x0c\0\0\0"s},
    {0, "Devices\\Unit 1\\Calibration\\History", nullptr, 0, ""},
    {0, "Devices\\Unit 2", "Caf\xe9", REG_SZ, "Gr\xfc\xdf \x80\0"s},
    {0, "Devices\\Unit 2", "Lines", REG_SZ, "a\tb\r\nc\0"s},
    {0, "Devices\\Unit 2", "detid", REG_SZ, "kept: other letter case\0"s},
    {0, "Empty", nullptr, 0, ""},
    {0, "Settings", "Path", REG_SZ, "C:\\Program Files\\Calderine\\\0"s},
    {0, "Settings", "Retries", REG_DWORD, "\x03\0\0\0"s},
    {0, "Settings", "Timeout", REG_DWORD, "\0\0\0\0"s},
    {0, "Settings", "Mode", REG_EXPAND_SZ, "%TEMP%\0"s},
    {0, "Settings\\Advanced", "Trace", REG_DWORD, "\x01\0\0\0"s},
    {0, "Settings\\Advanced", "Mask", REG_BINARY, ""s},
    {1, "", "BufferSize", REG_DWORD, "\0\x10\0\0"s},
    {1, "", "Description", REG_SZ, "ORVEX acquisition driver\0"s},
    {1, "", "DetID", REG_SZ, "driver id, left out\0"s},
    {1, "", "ImagePath", REG_EXPAND_SZ, "%SystemRoot%\\System32\\drivers\\orvex.sys\0"s},
    {1, "Enum", nullptr, 0, ""},
    {1, "Parameters", "Irq", REG_DWORD, "\x07\0\0\0"s},
    {1, "Parameters", "Dma", REG_DWORD, "\x05\0\0\0"s},
    {1, "Parameters", "Options", REG_BINARY, "\x01\x00"s},
    {1, "Parameters\\Channels", "Count", REG_DWORD, "\x08\0\0\0"s},
};

void storeFixture() {
    standin::registry_reset();
    for (const char* tree : kTrees) standin::registry_create_key(HKEY_LOCAL_MACHINE, tree);
    for (const FixtureValue& value : kFixture) {
        const std::string path = std::string(kTrees[value.tree]) + (*value.key ? "\\"s + value.key : "");
        if (value.name == nullptr)
            standin::registry_create_key(HKEY_LOCAL_MACHINE, path);
        else
            standin::registry_set_value(HKEY_LOCAL_MACHINE, path, value.name, value.type, value.data);
    }
}

// What the scan meets in the fixture: the names RegOpenKeyExA is asked for,
// in its order (each tree's path, then each subkey's own name, depth first),
// and how many keys, subkeys and values there are.
struct Sizes {
    std::vector<std::string> opened;
    unsigned subKeys = 0, values = 0;
};

void measure(const standin::RegistryKey& key, Sizes& sizes) {
    sizes.opened.push_back(key.name);
    sizes.subKeys += static_cast<unsigned>(key.subkeys.size());
    sizes.values += static_cast<unsigned>(key.values.size());
    for (const standin::RegistryKey& child : key.subkeys) measure(child, sizes);
}

Sizes fixtureSizes() {
    Sizes sizes;
    for (const char* tree : kTrees) measure(*standin::registry_read(HKEY_LOCAL_MACHINE, tree), sizes);
    return sizes;
}

using Element = TExpectedElement;

// ---- what the writer asks of the DOM, call by call ---------------------------

// What the writer goes on to do after the answer No to a failed call.
enum class AfterNo {
    Abandon,                     // the next use of the empty holder is asserted: the export ends
    DropAttribute,               // the attribute is missing
    DropElement,                 // the element is missing with everything in it
    DropElementAfterNullAppend,  // the same, after the append of the empty node is reported
    DropText,                    // the value element has no text
    DropTextAfterNullAppend,     // the same, after the append of the empty node is reported
};

struct DomCall {
    DomOp op;
    std::string expression;  // reported expression text
    const char* file;        // base name of the reporting source file
    AfterNo afterNo;
    Element* target;
    std::string attribute;  // for DropAttribute
};

const char* const kCreateElement = "this->createElement(tagName, (Msxml2_tlb::IXMLDOMElementPtr*)&element)";
const char* const kCreateTextNode = "this->createTextNode(data, (Msxml2_tlb::IXMLDOMTextPtr*)&text)";
const char* const kAppendChild = "this->appendChild(newChild, (Msxml2_tlb::IXMLDOMNodePtr*)&outNewChild)";
const char* const kOwnerDocument = "this->get_ownerDocument((Msxml2_tlb::IXMLDOMDocumentPtr*)&DOMDocument)";
const char* const kDocumentElement = "this->get_documentElement((Msxml2_tlb::IXMLDOMElementPtr*)&DOMElement)";
const char* const kQueryInterface = "src->QueryInterface(GetIID(), (LPVOID*)(&intf))";
const char* const kCreateDocument =
    "CoClassCreator::CoCreateInstance(Msxml2_tlb::CLSID_DOMDocument40, IID_IXMLDOMDocument, (LPVOID *)&doc)";
const char* const kSave = "doc->save(TVarShallow(path))";

class Plan {
public:
    explicit Plan(Element* document) {
        add(DomOp::CreateElement, kCreateElement, "MSXML2_TLB.cpp", AfterNo::Abandon, document);
        add(DomOp::SetAttribute,
            "rootElem->setAttribute(WideString(\"xlmns\").c_bstr(), "
            "TVarShallow(\"http://www.calderine.com/regparams\"))",
            "RegWriter.cpp", AfterNo::DropAttribute, document, "xlmns");
        add(DomOp::PutrefDocumentElement, "", "", AfterNo::Abandon, document);
        for (auto& hive : document->children) {
            add(DomOp::CreateElement, kCreateElement, "MSXML2_TLB.cpp", AfterNo::Abandon, &hive);
            add(DomOp::SetAttribute, "elem->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(hiveName))",
                "RegWriter.cpp", AfterNo::DropAttribute, &hive, "name");
            add(DomOp::GetDocumentElement, kDocumentElement, "MSXML2_TLB.cpp", AfterNo::Abandon, &hive);
            appended(&hive);
            key(&hive.children.front());
        }
    }

    const std::vector<DomCall>& calls() const { return calls_; }
    // The n-th call (1-based) of `op`.
    const DomCall& call(DomOp op, unsigned nth) const {
        for (const DomCall& c : calls_)
            if (c.op == op && --nth == 0) return c;
        throw std::out_of_range("no such call in the plan");
    }
    unsigned count(DomOp op) const {
        unsigned n = 0;
        for (const DomCall& c : calls_) n += c.op == op;
        return n;
    }

private:
    void add(DomOp op, std::string expression, const char* file, AfterNo afterNo, Element* target,
             std::string attribute = "") {
        calls_.push_back({op, std::move(expression), file, afterNo, target, std::move(attribute)});
    }
    // The node view of the child (an interface query), then the append.
    void appended(Element* child) {
        add(DomOp::QueryInterface, kQueryInterface, "utilcls.h", AfterNo::DropElementAfterNullAppend, child);
        add(DomOp::AppendChild, kAppendChild, "MSXML2_TLB.h", AfterNo::DropElement, child);
    }
    void key(Element* key) {
        add(DomOp::GetOwnerDocument, kOwnerDocument, "MSXML2_TLB.h", AfterNo::Abandon, key);
        add(DomOp::CreateElement, kCreateElement, "MSXML2_TLB.cpp", AfterNo::Abandon, key);
        add(DomOp::SetAttribute, "elem->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(node->name.c_str()))",
            "RegWriter.cpp", AfterNo::DropAttribute, key, "name");
        appended(key);
        Element* values = &key->children.front();
        // Without a "values" element the first value's append is asserted; an
        // empty one is only missing.
        add(DomOp::CreateElement, kCreateElement, "MSXML2_TLB.cpp",
            values->children.empty() ? AfterNo::DropElementAfterNullAppend : AfterNo::Abandon, values);
        for (auto& item : values->children) {
            add(DomOp::CreateElement, kCreateElement, "MSXML2_TLB.cpp", AfterNo::Abandon, &item);
            add(DomOp::SetAttribute, "item->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(it->name.c_str()))",
                "RegWriter.cpp", AfterNo::DropAttribute, &item, "name");
            add(DomOp::SetAttribute,
                "item->setAttribute(WideString(\"type\").c_bstr(), TVarShallow(map_reg_type(it->type).c_str()))",
                "RegWriter.cpp", AfterNo::DropAttribute, &item, "type");
            if (item.attributes.size() == 3)
                add(DomOp::SetAttribute,
                    "item->setAttribute(WideString(\"radix\").c_bstr(), "
                    "TVarShallow(WideString(\"decimal\").c_bstr()))",
                    "RegWriter.cpp", AfterNo::DropAttribute, &item, "radix");
            add(DomOp::CreateTextNode, kCreateTextNode, "MSXML2_TLB.cpp", AfterNo::DropTextAfterNullAppend, &item);
            add(DomOp::QueryInterface, kQueryInterface, "utilcls.h", AfterNo::DropTextAfterNullAppend, &item);
            add(DomOp::AppendChild, kAppendChild, "MSXML2_TLB.h", AfterNo::DropText, &item);
            appended(&item);
        }
        appended(values);
        for (std::size_t i = 1; i < key->children.size(); ++i) this->key(&key->children[i]);
    }

    std::vector<DomCall> calls_;
};

// ---- what the user sees --------------------------------------------------------

const char* const kPromptTail = "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug";
const UINT kQuestionStyle = MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL;

// The start of a failed check's report, up to the file part.
std::string reportHead(const std::string& expression, HRESULT code) {
    const std::string text = standin::system_message(static_cast<DWORD>(code));
    if (!text.empty()) return "'" + expression + "': " + text + " @ ";
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, ") Error: %lX (%ld) @ ",
                  static_cast<unsigned long>(static_cast<uint32_t>(code)), static_cast<long>(code));
    return "(" + expression + numbers;
}

struct ExpectedBox {
    std::string caption;
    std::string head;  // the report up to the file part
    std::string file;  // base name of the source file in the report
};

ExpectedBox hrcheckBox(const std::string& expression, HRESULT code, const std::string& file) {
    return {"HRCHECK: ", reportHead(expression, code), file};
}

ExpectedBox assertionBox() {
    return {"_ASSERTE: ", "intf != 0 @ ", "utilcls.h"};
}

// How the export ends, after the save dialog unless the scan failed.
enum class Ending {
    Success,          // the location box gets the path; the success box
    CheckReport,      // the error box with the report of the last question box
    AssertionReport,  // the error box with "intf != 0 failed - file/line" of the last question box
    Message,          // the error box with `message`
};

enum class Destination { Earlier, Clean, Tree };

struct Expectation {
    int answer = IDYES;  // to every question box
    bool asked = true;   // the save dialog was shown
    std::vector<ExpectedBox> boxes;
    Ending ending = Ending::Success;
    std::string message;
    Destination destination = Destination::Clean;
    std::string tree;  // for Destination::Tree
};

const char* const kEarlierFile = "<earlier/>\n";
// A file of the user's under the name older versions saved to first.
const char* const kDecoyName = "settings.xml.tmp~";
const char* const kDecoyFile = "the user's own\n";

// ---- the test fixture -------------------------------------------------------------

class ExportFaults : public ::testing::Test {
protected:
    void SetUp() override {
        resetFaults();
        handlesBefore_ = standin::registry_open_handles();
        bstrsBefore_ = standin::bstr_live();
        storeFixture();
        cleanRun();
    }
    void TearDown() override { resetFaults(); }

    static void resetFaults() {
        standin::com_reset();
        standin::dom_reset_faults();
        standin::files_reset_faults();
        standin::message_boxes_clear();
        standin::message_box_script({}, IDNO);
    }

    // A run on fresh registry, DOM and file state, with an earlier file at the
    // destination and every question box answered `answer`; `arm` sets the fault.
    template <class Arm>
    TExportRun run(int answer, Arm arm) {
        resetFaults();
        storeFixture();
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << kEarlierFile;
        std::ofstream(folder_.file(kDecoyName), std::ios::binary | std::ios::trunc) << kDecoyFile;
        standin::message_box_script({}, answer);
        arm();
        return RunScriptedExport(path_);
    }

    void cleanRun() {
        resetFaults();
        const TExportRun outcome = RunScriptedExport(path_);
        ASSERT_EQ(outcome.path, path_);
        ASSERT_EQ(outcome.shown, (std::vector<TExportBox>{SaveDialogShown(), SuccessShown()}));
        ASSERT_TRUE(standin::message_boxes().empty());
        cleanBytes_ = readFile(path_);
        for (RegCall call :
             {RegCall::OpenKeyEx, RegCall::QueryInfoKey, RegCall::EnumValue, RegCall::EnumKeyEx, RegCall::CloseKey})
            registryCalls_[static_cast<int>(call)] = standin::registry_call_count(call);
        for (int op = 0; op <= static_cast<int>(DomOp::QueryInterface); ++op)
            domCalls_[op] = standin::dom_call_count(static_cast<DomOp>(op));
        creations_ = static_cast<unsigned>(standin::com_create_contexts().size());
        moves_ = standin::files_call_count(standin::FileCall::MoveFileEx);
    }

    unsigned registryCalls(RegCall call) const { return registryCalls_[static_cast<int>(call)]; }
    unsigned domCalls(DomOp op) const { return domCalls_[static_cast<int>(op)]; }

    // Everything a run must leave, and everything the user must have seen.
    void verify(const Expectation& expected, const TExportRun& outcome) {
        EXPECT_EQ(standin::registry_open_handles(), handlesBefore_) << "registry handles left open";
        EXPECT_EQ(standin::dom_live_objects(), 0u) << "DOM objects outlived the export";
        EXPECT_EQ(standin::bstr_live(), bstrsBefore_) << "strings outlived the export";

        std::vector<std::string> entries;
        for (const auto& entry : fs::directory_iterator(folder_.path()))
            entries.push_back(entry.path().filename().string());
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{"settings.xml", kDecoyName}))
            << "stray files beside the destination";
        EXPECT_EQ(readFile(folder_.file(kDecoyName)), kDecoyFile) << "a file the export did not create was touched";

        switch (expected.destination) {
            case Destination::Earlier:
                EXPECT_EQ(readFile(path_), kEarlierFile) << "the earlier file was touched";
                break;
            case Destination::Clean:
                EXPECT_EQ(readFile(path_), cleanBytes_) << "not the clean run's file";
                break;
            case Destination::Tree:
                EXPECT_EQ(xmlTreeOfFile(path_), expected.tree);
                break;
        }

        const auto& boxes = standin::message_boxes();
        ASSERT_EQ(boxes.size(), expected.boxes.size());
        std::string lastReport;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            SCOPED_TRACE("question box " + std::to_string(i + 1));
            EXPECT_EQ(boxes[i].caption, expected.boxes[i].caption);
            EXPECT_EQ(boxes[i].style, kQuestionStyle);
            const std::string& text = boxes[i].text;
            ASSERT_GE(text.size(), std::strlen(kPromptTail));
            EXPECT_EQ(text.substr(text.size() - std::strlen(kPromptTail)), kPromptTail);
            lastReport = text.substr(0, text.size() - std::strlen(kPromptTail));
            const std::string& head = expected.boxes[i].head;
            ASSERT_EQ(lastReport.substr(0, head.size()), head) << lastReport;
            expectFileAndLine(lastReport.substr(head.size()), expected.boxes[i].file);
        }

        // The save dialog unless the scan failed, then the one box that ends the run.
        std::vector<TExportBox> shown = outcome.shown;
        if (expected.asked) {
            ASSERT_FALSE(shown.empty());
            EXPECT_EQ(shown.front(), SaveDialogShown());
            shown.erase(shown.begin());
        }
        ASSERT_EQ(shown.size(), 1u) << "the boxes after the save dialog";
        const TExportBox& last = shown.front();
        EXPECT_EQ(outcome.path, expected.ending == Ending::Success ? path_ : "");
        switch (expected.ending) {
            case Ending::Success:
                EXPECT_EQ(last, SuccessShown());
                break;
            case Ending::CheckReport:
                EXPECT_EQ(last, ErrorShown(lastReport));
                break;
            case Ending::AssertionReport: {
                const std::string where = lastReport.substr(std::strlen("intf != 0 @ "));
                const TExportBox start = ErrorShown("intf != 0 failed - ");
                EXPECT_EQ(last.what, start.what);
                ASSERT_EQ(last.text.substr(0, start.text.size()), start.text) << last.text;
                if (expected.answer == IDYES) {
                    EXPECT_EQ(last.text, start.text + where);
                } else {
                    // After No the holder ends the operation from the line below
                    // its assertion, so only the file is the box's.
                    expectFileAndLine(last.text.substr(start.text.size()), expected.boxes.back().file);
                }
                break;
            }
            case Ending::Message:
                EXPECT_EQ(last, ErrorShown(expected.message));
                break;
        }
    }

    // "<path ending in /file>/<line>"
    static void expectFileAndLine(const std::string& where, const std::string& file) {
        const auto slash = where.rfind('/');
        ASSERT_NE(slash, std::string::npos) << where;
        const std::string path = where.substr(0, slash), line = where.substr(slash + 1);
        EXPECT_FALSE(line.empty()) << where;
        EXPECT_EQ(line.find_first_not_of("0123456789"), std::string::npos) << where;
        EXPECT_EQ(fs::path(path).filename().string(), file) << where;
    }

    // The only place the fault points of each family are shown.
    static void report(const std::string& family, unsigned points) {
        std::cout << "[ faults   ] " << family << ": " << points << " fault points" << std::endl;
    }

    const TTempFolder folder_{"regscan-export-faults"};
    const std::string path_ = folder_.file("settings.xml");
    std::size_t handlesBefore_ = 0;
    std::size_t bstrsBefore_ = 0;
    std::string cleanBytes_;
    unsigned registryCalls_[5] = {};
    unsigned domCalls_[static_cast<int>(DomOp::QueryInterface) + 1] = {};
    unsigned creations_ = 0;
    unsigned moves_ = 0;
};

// ---- the clean run -------------------------------------------------------------------

TEST_F(ExportFaults, CleanRunWritesTheWholeFixtureAndEveryCallIsCounted) {
    Element document = ExpectedDocument();
    EXPECT_EQ(xmlTreeOfFile(path_), document.Render());
    EXPECT_EQ(schemaErrors(path_), "");
    EXPECT_EQ(standin::registry_open_handles(), handlesBefore_);
    EXPECT_EQ(standin::dom_live_objects(), 0u);

    const Sizes sizes = fixtureSizes();
    const auto keys = static_cast<unsigned>(sizes.opened.size());
    EXPECT_EQ(registryCalls(RegCall::OpenKeyEx), keys);
    EXPECT_EQ(registryCalls(RegCall::QueryInfoKey), keys);
    EXPECT_EQ(registryCalls(RegCall::EnumValue), sizes.values);  // "DetID" values are enumerated too
    EXPECT_EQ(registryCalls(RegCall::EnumKeyEx), sizes.subKeys);
    EXPECT_EQ(registryCalls(RegCall::CloseKey), keys);

    const Plan plan(&document);
    for (int op = 0; op <= static_cast<int>(DomOp::QueryInterface); ++op) {
        if (static_cast<DomOp>(op) == DomOp::Save) continue;
        EXPECT_EQ(domCalls(static_cast<DomOp>(op)), plan.count(static_cast<DomOp>(op))) << "DOM operation " << op;
    }
    EXPECT_EQ(domCalls(DomOp::Save), 1u);
    EXPECT_EQ(creations_, 1u);
    EXPECT_EQ(moves_, 1u);
}

// ---- the registry ---------------------------------------------------------------------

TEST_F(ExportFaults, EachRegistryCallFailingEndsBeforeTheSaveOrIsIgnoredWhenClosing) {
    const std::vector<std::string> opened = fixtureSizes().opened;

    // `message`: the report's start, before the system's text; null for the
    // opening's, which names the key; empty when the result is not looked at.
    const struct {
        RegCall call;
        const char* label;
        LONG code;
        const char* message;
    } calls[] = {
        {RegCall::OpenKeyEx, "RegOpenKeyExA", ERROR_ACCESS_DENIED, nullptr},
        {RegCall::QueryInfoKey, "RegQueryInfoKeyA", ERROR_INVALID_HANDLE, "error in RegQueryInfoKey (0x6): "},
        {RegCall::EnumValue, "RegEnumValueA", ERROR_MORE_DATA, "failure in RegEnumValue (0xea): "},
        {RegCall::EnumKeyEx, "RegEnumKeyExA", ERROR_NO_MORE_ITEMS, "failure in RegEnumKeyEx (0x103): "},
        {RegCall::CloseKey, "RegCloseKey", ERROR_INVALID_HANDLE, ""},
    };
    std::string figures;
    unsigned points = 0;
    for (const auto& c : calls) {
        ASSERT_GT(registryCalls(c.call), 0u);
        figures += " "s + c.label + " " + std::to_string(registryCalls(c.call));
        for (unsigned nth = 1; nth <= registryCalls(c.call); ++nth) {
            SCOPED_TRACE(std::string(c.label) + " call " + std::to_string(nth));
            const TExportRun outcome = run(IDYES, [&] { standin::registry_fail_call(c.call, nth, c.code); });
            const std::string system =
                standin::system_message(c.code).substr(0, standin::system_message(c.code).size() - 2);
            Expectation expected;
            expected.asked = false;
            expected.ending = Ending::Message;
            expected.destination = Destination::Earlier;
            if (c.message == nullptr)
                expected.message = Format("TRegScanner, opening of registry key %s failed (%x): %s",
                                          opened.at(nth - 1).c_str(), static_cast<unsigned>(c.code), system.c_str());
            else if (*c.message)
                expected.message = "TRegScanner, " + std::string(c.message) + system;
            else
                expected = Expectation{};  // the clean run's file and success
            verify(expected, outcome);
            ++points;
        }
    }
    report("registry calls (" + figures.substr(1) + ")", points);
}

// The scan alone, failing deep in the software tree with codes the table above
// does not give, at a denied key, and at a value of a type the snapshot does
// not hold: the message names the call and code, and a scanner's earlier tree
// stays as it was.
TEST_F(ExportFaults, ScanFailingAtDepthLeavesTheEarlierTreeAsItWas) {
    const std::string calibration = kSoftwareKey + "\\Devices\\Unit 1\\Calibration"s;
    const struct {
        RegCall call;
        unsigned nth;  // 0: no call fails; the key is denied, or holds a QWORD without a code
        LONG code;
        std::string message;
    } cases[] = {
        {RegCall::OpenKeyEx, 4, ERROR_INVALID_HANDLE, "TRegScanner, opening of registry key Calibration failed (6): "},
        {RegCall::OpenKeyEx, 0, ERROR_ACCESS_DENIED, "TRegScanner, opening of registry key Calibration failed (5): "},
        {RegCall::QueryInfoKey, 4, ERROR_ACCESS_DENIED, "TRegScanner, error in RegQueryInfoKey (0x5): "},
        {RegCall::EnumValue, 8, ERROR_NO_MORE_ITEMS, "TRegScanner, failure in RegEnumValue (0x103): "},
        {RegCall::EnumKeyEx, 4, ERROR_INVALID_HANDLE, "TRegScanner, failure in RegEnumKeyEx (0x6): "},
        {RegCall::CloseKey, 0, 0, "TRegScanner::TValue, unrecognized registry type: 0xb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        storeFixture();
        TRegScanner scanner;
        scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
        const std::string before = describe(scanner);
        if (c.nth != 0)
            standin::registry_fail_call(c.call, c.nth, c.code);
        else if (c.code != 0)
            standin::registry_deny(HKEY_LOCAL_MACHINE, calibration);
        else
            standin::registry_set_value(HKEY_LOCAL_MACHINE, calibration, "q", REG_QWORD, std::string(8, '\0'));
        EXPECT_EQ(scanFailure(scanner, HKEY_LOCAL_MACHINE, kSoftwareKey),
                  c.message + (c.code != 0 ? SysErrorMessage(c.code) : ""));
        EXPECT_EQ(describe(scanner), before);
        EXPECT_EQ(standin::registry_open_handles(), handlesBefore_);
    }
}

// ---- the DOM ---------------------------------------------------------------------------

// Each operation the writer checks, with the code its failure is given:
// chosen so both report forms occur, with the system's text and without
// one (code in hexadecimal and decimal).
const struct {
    DomOp op;
    const char* label;
    HRESULT code;
} kDomFaults[] = {
    {DomOp::CreateElement, "createElement", E_OUTOFMEMORY},
    {DomOp::SetAttribute, "setAttribute", E_FAIL},
    {DomOp::CreateTextNode, "createTextNode", E_OUTOFMEMORY},
    {DomOp::AppendChild, "appendChild", static_cast<HRESULT>(0xC00CE225L)},  // no system text
    {DomOp::QueryInterface, "QueryInterface", E_NOINTERFACE},
    {DomOp::GetOwnerDocument, "get_ownerDocument", E_POINTER},
    {DomOp::GetDocumentElement, "get_documentElement", E_POINTER},
};

// What a failed call leads to, by the answer in its question box.
Expectation expectationFor(const DomCall& call, HRESULT code, int answer) {
    Expectation expected;
    expected.answer = answer;
    expected.boxes = {hrcheckBox(call.expression, code, call.file)};
    if (answer == IDYES) {
        expected.ending = Ending::CheckReport;
        expected.destination = Destination::Earlier;
        return expected;
    }
    const ExpectedBox nullAppend = hrcheckBox(kAppendChild, E_INVALIDARG, "MSXML2_TLB.h");
    switch (call.afterNo) {
        case AfterNo::Abandon:
            expected.boxes.push_back(assertionBox());
            expected.ending = Ending::AssertionReport;
            expected.destination = Destination::Earlier;
            return expected;
        case AfterNo::DropAttribute:
            call.target->RemoveAttribute(call.attribute);
            break;
        case AfterNo::DropElementAfterNullAppend:
            expected.boxes.push_back(nullAppend);
            [[fallthrough]];
        case AfterNo::DropElement:
            call.target->dropped = true;
            break;
        case AfterNo::DropTextAfterNullAppend:
            expected.boxes.push_back(nullAppend);
            [[fallthrough]];
        case AfterNo::DropText:
            call.target->text.clear();
            break;
    }
    expected.ending = Ending::Success;
    expected.destination = Destination::Tree;
    return expected;
}

TEST_F(ExportFaults, EachDomOperationFailingAnsweredYesThenNo) {
    std::string figures;
    unsigned points = 0;
    for (const auto& fault : kDomFaults) {
        ASSERT_GT(domCalls(fault.op), 0u);
        figures += " "s + fault.label + " " + std::to_string(domCalls(fault.op));
        for (unsigned nth = 1; nth <= domCalls(fault.op); ++nth) {
            for (int answer : {IDYES, IDNO}) {
                SCOPED_TRACE(std::string(fault.label) + " call " + std::to_string(nth) +
                             (answer == IDYES ? ", Yes" : ", No"));
                Element document = ExpectedDocument();
                const Plan plan(&document);
                Expectation expected = expectationFor(plan.call(fault.op, nth), fault.code, answer);
                if (expected.destination == Destination::Tree) expected.tree = document.Render();
                const TExportRun outcome = run(answer, [&] { standin::dom_fail(fault.op, nth, fault.code); });
                verify(expected, outcome);
            }
            ++points;
        }
    }
    report("DOM operations (" + figures.substr(1) + ")", points);
}

// ---- the calls made once: document element, creation, save, replacement -----------------

// Each failing, with each answer its question box can get. A file that did
// not reach the destination ends the export as a failure whatever the answer,
// with the earlier file as it was: a failed save after its question box, the
// other file steps (not COM calls) without one.
TEST_F(ExportFaults, EachCallMadeOnceFailing) {
    ASSERT_EQ(domCalls(DomOp::PutrefDocumentElement), 1u);
    ASSERT_EQ(creations_, 1u);
    ASSERT_EQ(domCalls(DomOp::Save), 1u);
    ASSERT_EQ(moves_, 1u);
    using standin::FileCall;
    const std::string where = " " + path_ + " ";
    const std::vector<int> yes{IDYES}, yesNo{IDYES, IDNO}, every{IDYES, IDNO, IDCANCEL};
    // When the run goes on to the empty holder's assertion.
    enum class Holder { Never, AfterNo, Always };
    const struct {
        const char* label;
        std::function<void()> arm;
        const std::vector<int>& answers;
        const char* expression;  // the question box's call, reported with `code`; null: no box
        HRESULT code;
        Ending ending;
        std::string message;  // for Ending::Message
        Holder holder;
        bool retried;                        // the creation was tried again with the smaller class context
        const char* file = "RegWriter.cpp";  // of the question box's report
    } cases[] = {
        // Its result is not checked: the document is left without a root, and
        // the first append to it meets an empty holder, whatever the answer.
        {"document element not set", [] { standin::dom_fail(DomOp::PutrefDocumentElement, 1, E_FAIL); }, yesNo, nullptr,
         S_OK, Ending::AssertionReport, "", Holder::Always, false},
        {"creation failed", [] { standin::com_fail_create(REGDB_E_CLASSNOTREG, 1); }, yesNo, kCreateDocument,
         REGDB_E_CLASSNOTREG, Ending::CheckReport, "", Holder::AfterNo, false},
        // E_INVALIDARG is retried once with the smaller class context.
        {"creation: E_INVALIDARG once", [] { standin::com_fail_create(E_INVALIDARG, 1); }, yes, nullptr, S_OK,
         Ending::Success, "", Holder::Never, true},
        {"creation: E_INVALIDARG twice", [] { standin::com_fail_create(E_INVALIDARG, 2); }, yesNo, kCreateDocument,
         E_INVALIDARG, Ending::CheckReport, "", Holder::AfterNo, false},
        {"save failed", [] { standin::dom_fail(DomOp::Save, 1, E_ACCESSDENIED); }, every, kSave, E_ACCESSDENIED,
         Ending::CheckReport, "", Holder::Never, false},
        // A part-way write reported as such counts as E_FAIL.
        {"save part-way", [] { standin::dom_fail(DomOp::Save, 1, S_FALSE); }, every, kSave, E_FAIL, Ending::CheckReport,
         "", Holder::Never, false},
        // A cut file reported as saved, as on a full disk.
        {"save cut short, success reported", [] { standin::dom_fail(DomOp::Save, 1, S_OK); }, every, nullptr, S_OK,
         Ending::Message, "TRegScanner, the file" + where + "could not be written completely", Holder::Never, false},
        {"temporary file not created", [] { standin::files_fail(FileCall::CreateNew, 1, ERROR_ACCESS_DENIED); }, every,
         nullptr, S_OK, Ending::Message,
         "TRegScanner, no temporary file could be created beside" + where + "(0x5): Access is denied.", Holder::Never,
         false},
        {"flush failed", [] { standin::files_fail(FileCall::FlushFileBuffers, 1, 112); }, every, nullptr, S_OK,
         Ending::Message,
         "TRegScanner, the file" + where +
             "could not be written completely (0x70): There is not enough space on the disk.",
         Holder::Never, false},
        {"replacement failed", [] { standin::files_fail(FileCall::MoveFileEx, 1, 32); }, every, nullptr, S_OK,
         Ending::Message,
         "TRegScanner, failure in MoveFileEx replacing" + where +
             "(0x20): The process cannot access the file because it is being used by another process.",
         Holder::Never, false},
        // The hive's append asks for the document element, then converts the
        // hive to a node: with both failing, the document element's is reported.
        {"document element and the hive's node",
         [] {
             standin::dom_fail(DomOp::GetDocumentElement, 1, E_FAIL);
             standin::dom_fail(DomOp::QueryInterface, 1, E_FAIL);
         },
         yes, kDocumentElement, E_FAIL, Ending::CheckReport, "", Holder::Never, false, "MSXML2_TLB.cpp"},
    };
    for (const auto& c : cases) {
        for (int answer : c.answers) {
            SCOPED_TRACE(std::string(c.label) + (answer == IDYES ? ", Yes" : answer == IDNO ? ", No" : ", Cancel"));
            const TExportRun outcome = run(answer, c.arm);
            Expectation expected;
            expected.answer = answer;
            if (c.expression) expected.boxes = {hrcheckBox(c.expression, c.code, c.file)};
            expected.ending = c.ending;
            expected.message = c.message;
            expected.destination = c.ending == Ending::Success ? Destination::Clean : Destination::Earlier;
            if (c.holder == Holder::Always || (c.holder == Holder::AfterNo && answer == IDNO)) {
                expected.boxes.push_back(assertionBox());
                expected.ending = Ending::AssertionReport;
            }
            verify(expected, outcome);
            if (c.retried) {
                EXPECT_EQ(standin::com_create_contexts(), (std::vector<DWORD>{0x15, 0x5}));
            }
        }
    }
    report(
        "document element, creation (first attempt, retry), save (failed, part-way, cut short), temporary file, "
        "flush, replacement, two checks in order",
        static_cast<unsigned>(std::size(cases)));
}

}  // namespace
