// The name typed in the save dialog gets the extension ".xml" forced on it;
// when that names another file that exists, the user is asked first. The
// same presses run in double-byte ANSI code pages, where the second byte of a
// character can be that of "\" or "|", and in a single-byte one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_driver.h"
#include "e2e_fixture.h"
#include "screenshot.h"
#include "unicode_text.h"
#include "window_query.h"
#include "xml_tree_reader.h"

namespace {

struct TUnicodeValue {
    std::string key;  // below HKEY_LOCAL_MACHINE
    std::string name;
    DWORD type;
    std::string data;  // text for REG_SZ and REG_EXPAND_SZ, else bytes
};

// An ANSI code page the program runs in, with a registry whose names and
// texts only a double-byte (or Cyrillic) code page can spell, and the file
// that registry must give. All text in UTF-8.
struct TCodePage {
    UINT codePage;
    const char* locale;  // LC_ALL that gives the code page under Wine
    std::vector<TUnicodeValue> registry;
    std::string exported;
};

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

const std::string kSoftware = kSoftwareKey;
const std::string kDriver = kDriverKey;
const std::string kBinary = std::string("\x01\xAB", 2);

// Values are listed in the order Wine enumerates them (by name, without
// regard to case), one subkey per key. Each top key's longest value name is
// double-byte: its ANSI form takes more bytes than the name has characters.
std::string Exported(const std::string& softwareValues, const std::string& softwareKeys,
                     const std::string& driverValues, const std::string& driverKeys) {
    return "<RegParams xlmns=\"http://www.calderine.com/regparams\">"
           "<hive name=\"HKEY_LOCAL_MACHINE\"><key name=\"Software\\Calderine\"><values>"
           "<value name=\"Version\" type=\"REG_SZ\">2.1</value>" +
           softwareValues + "</values>" + softwareKeys +
           "</key></hive>"
           "<hive name=\"HKEY_LOCAL_MACHINE\">"
           "<key name=\"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0\"><values>"
           "<value name=\"Start\" type=\"REG_DWORD\" radix=\"decimal\">3</value>" +
           driverValues + "</values>" + driverKeys + "</key></hive></RegParams>";
}

// 932: ソ 83 5C, 表 95 5C, 能 94 5C, 十 8F 5C, 予 97 5C; ポ 83 7C.
const TCodePage& Japanese() {
    static const std::string kLong = Repeated("能ソ表ポ十予", 20);  // 120 characters, 240 bytes
    static const TCodePage page = {
        932,
        "ja_JP.UTF-8",
        {
            {kSoftware, "Version", REG_SZ, "2.1"},
            {kSoftware, "表示能力ポート設定", REG_SZ, "ソフト\\表示|能力ポ"},
            {kSoftware + "\\ソフト設定", "ポート", REG_DWORD, std::string("\x07\0\0\0", 4)},
            {kSoftware + "\\ソフト設定", "予定表", REG_EXPAND_SZ, "%ProgramFiles%\\表計算ソフト"},
            {kSoftware + "\\ソフト設定\\" + kLong, "", REG_SZ, "十能表ソポ"},
            {kDriver, "Start", REG_DWORD, std::string("\x03\0\0\0", 4)},
            {kDriver, "デバイス名", REG_SZ, "ソフト表示ポ"},
            {kDriver + "\\パラメータ表", "十能", REG_BINARY, kBinary},
        },
        Exported("<value name=\"表示能力ポート設定\" type=\"REG_SZ\">ソフト\\表示|能力ポ</value>",
                 "<key name=\"ソフト設定\"><values>"
                 "<value name=\"ポート\" type=\"REG_DWORD\" radix=\"decimal\">7</value>"
                 "<value name=\"予定表\" type=\"REG_EXPAND_SZ\">%ProgramFiles%\\表計算ソフト</value>"
                 "</values><key name=\"" +
                     kLong + "\"><values><value name=\"\" type=\"REG_SZ\">十能表ソポ</value></values></key></key>",
                 "<value name=\"デバイス名\" type=\"REG_SZ\">ソフト表示ポ</value>",
                 "<key name=\"パラメータ表\"><values>"
                 "<value name=\"十能\" type=\"REG_BINARY\">01 ab </value></values></key>"),
    };
    return page;
}

// 950: 許 B3 5C, 功 A5 5C, 蓋 BB 5C; 四 A5 7C.
const TCodePage& TraditionalChinese() {
    static const std::string kLong = Repeated("許功蓋四", 30);  // 120 characters, 240 bytes
    static const TCodePage page = {
        950,
        "zh_TW.UTF-8",
        {
            {kSoftware, "Version", REG_SZ, "2.1"},
            {kSoftware, "功能許可設定", REG_SZ, "許可\\功能|四"},
            {kSoftware + "\\許可", "四", REG_DWORD, std::string("\x04\0\0\0", 4)},
            {kSoftware + "\\許可", "蓋章", REG_EXPAND_SZ, "%ProgramFiles%\\功能"},
            {kSoftware + "\\許可\\" + kLong, "", REG_SZ, "功能許可"},
            {kDriver, "Start", REG_DWORD, std::string("\x03\0\0\0", 4)},
            {kDriver, "裝置名稱", REG_SZ, "許可功能"},
            {kDriver + "\\功能參數", "許四", REG_BINARY, kBinary},
        },
        Exported("<value name=\"功能許可設定\" type=\"REG_SZ\">許可\\功能|四</value>",
                 "<key name=\"許可\"><values>"
                 "<value name=\"四\" type=\"REG_DWORD\" radix=\"decimal\">4</value>"
                 "<value name=\"蓋章\" type=\"REG_EXPAND_SZ\">%ProgramFiles%\\功能</value>"
                 "</values><key name=\"" +
                     kLong + "\"><values><value name=\"\" type=\"REG_SZ\">功能許可</value></values></key></key>",
                 "<value name=\"裝置名稱\" type=\"REG_SZ\">許可功能</value>",
                 "<key name=\"功能參數\"><values>"
                 "<value name=\"許四\" type=\"REG_BINARY\">01 ab </value></values></key>"),
    };
    return page;
}

// 1251, single-byte: the control, exact before any double-byte work.
const TCodePage& Cyrillic() {
    static const std::string kLong = Repeated("ДлинноеИмяРаздела", 7);  // 119 characters
    static const TCodePage page = {
        1251,
        "ru_RU.UTF-8",
        {
            {kSoftware, "Version", REG_SZ, "2.1"},
            {kSoftware, "Настройки", REG_SZ, "Путь\\Папка|Файл"},
            {kSoftware + "\\Параметры", "Каталог", REG_EXPAND_SZ, "%ProgramFiles%\\Программа"},
            {kSoftware + "\\Параметры", "Порт", REG_DWORD, std::string("\x07\0\0\0", 4)},
            {kSoftware + "\\Параметры\\" + kLong, "", REG_SZ, "Значение"},
            {kDriver, "Start", REG_DWORD, std::string("\x03\0\0\0", 4)},
            {kDriver, "Устройство", REG_SZ, "Сканер-1"},
            {kDriver + "\\Драйвер", "Данные", REG_BINARY, kBinary},
        },
        Exported("<value name=\"Настройки\" type=\"REG_SZ\">Путь\\Папка|Файл</value>",
                 "<key name=\"Параметры\"><values>"
                 "<value name=\"Каталог\" type=\"REG_EXPAND_SZ\">%ProgramFiles%\\Программа</value>"
                 "<value name=\"Порт\" type=\"REG_DWORD\" radix=\"decimal\">7</value>"
                 "</values><key name=\"" +
                     kLong + "\"><values><value name=\"\" type=\"REG_SZ\">Значение</value></values></key></key>",
                 "<value name=\"Устройство\" type=\"REG_SZ\">Сканер-1</value>",
                 "<key name=\"Драйвер\"><values>"
                 "<value name=\"Данные\" type=\"REG_BINARY\">01 ab </value></values></key>"),
    };
    return page;
}

std::vector<std::string> Utf8Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : FolderNames(folder)) names.push_back(Utf8OfAnsi(name));
    return names;
}

bool ArrangeCodePageRegistry(const TCodePage& page) {
    bool ok = true;
    for (const TUnicodeValue& value : page.registry)
        ok = ok && TRegistryArrangement::SetUnicodeValue(value.key, value.name, value.type, value.data);
    return ok;
}

// Names in UTF-8; the program sees them in the ANSI code page of the run.
struct TForcedName {
    const char* name;
    const char* typed;      // below the test's folder
    const char* written;    // the same
    const char* subfolder;  // created first when not null
    // The code page the press runs in (CMakeLists.txt sets LC_ALL); null:
    // the test command's own. With `codePageRegistry` the registry holds the
    // code page's names and texts, else CreateMinimal's.
    const TCodePage* (*codePage)() = nullptr;
    bool codePageRegistry = false;
};

void PrintTo(const TForcedName& name, std::ostream* out) {
    *out << name.typed;
}

std::string CaseName(const testing::TestParamInfo<TForcedName>& info) {
    return info.param.name;
}

class ForcedExtension : public TEndToEndTest, public testing::WithParamInterface<TForcedName> {};

TEST_P(ForcedExtension, WritesAndShowsTheNameWithXml) {
    const TForcedName& press = GetParam();
    const TCodePage* page = press.codePage ? press.codePage() : nullptr;
    // What the folder must hold in the end, alone.
    const std::string top = press.subfolder ? press.subfolder : press.written;
    if (page) {
        ASSERT_EQ(GetACP(), page->codePage) << "run with LC_ALL=" << page->locale;
        // Without the compiled locale Wine makes no file of such a name (error 2).
        const std::wstring probe = Utf16Of(Utf8OfAnsi(folder_.Path()) + "\\" + top + ".probe");
        ASSERT_TRUE(CreateDirectoryW(probe.c_str(), nullptr) && RemoveDirectoryW(probe.c_str()))
            << "error " << GetLastError() << ": set LOCPATH to the locales of scripts/wine-env.sh";
    }
    ASSERT_TRUE(page && press.codePageRegistry ? ArrangeCodePageRegistry(*page)
                                               : TRegistryArrangement::CreateMinimal());
    const std::string typed = AnsiOf(press.typed), written = AnsiOf(press.written);
    ASSERT_FALSE(typed.empty() || written.empty()) << "not in code page " << GetACP();
    if (press.subfolder) {
        const std::wstring subfolder = Utf16Of(Utf8OfAnsi(folder_.Path()) + "\\" + press.subfolder);
        ASSERT_TRUE(CreateDirectoryW(subfolder.c_str(), nullptr)) << press.subfolder << ": error " << GetLastError();
    }
    TRegScanApp& app = Start();
    ASSERT_TRUE(app.WaitUntilReady());

    app.ClickButton1();
    HWND dialog = app.WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr) << Utf8OfAnsi(app.DescribeOpenWindows());
    app.SaveAs(dialog, folder_.PathOf(typed));
    const TMessageBox box = app.WaitForMessageBox();
    ASSERT_EQ(box.text, kSuccessText) << Utf8OfAnsi(app.DescribeOpenWindows());
    const std::string path = folder_.PathOf(written);
    // The location is filled before the box shows, with exactly the forced name.
    EXPECT_EQ(Utf8OfAnsi(app.LocationText()), Utf8OfAnsi(path));
    ASSERT_TRUE(app.Answer(box, IDOK));
    EXPECT_TRUE(app.WaitUntilIdle());
    EXPECT_EQ(Utf8OfAnsi(app.LocationText()), Utf8OfAnsi(path));
    if (page && press.codePageRegistry)
        EXPECT_EQ(XmlTreeOfFile(path), XmlTreeOfText(page->exported));
    else
        EXPECT_EQ(ReadWholeFile(path), kMinimalExport);
    // Exactly that name, in that letter case, and nothing else (no temporary file).
    EXPECT_EQ(Utf8Names(folder_.Path()), std::vector<std::string>{top});
    if (press.subfolder) {
        const std::string inner = std::string(press.written).substr(top.size() + 1);
        EXPECT_EQ(Utf8Names(folder_.PathOf(AnsiOf(top))), std::vector<std::string>{inner});
    }
    EXPECT_EQ(app.Close(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ExportCommand, ForcedExtension,
                         testing::Values(TForcedName{"other_extension", "settings.txt", "settings.xml", nullptr},
                                         TForcedName{"no_extension", "settings", "settings.xml", nullptr},
                                         TForcedName{"two_dots", "a.b.c", "a.b.xml", nullptr},
                                         TForcedName{"ending_in_a_dot", "settings.", "settings.xml", nullptr},
                                         TForcedName{"upper_case_xml", "Settings.XML", "Settings.xml", nullptr},
                                         TForcedName{"dot_only_in_the_folder", "my.dir\\settings",
                                                     "my.dir\\settings.xml", "my.dir"}),
                         CaseName);

// One press with the code page's own registry and a name whose trail byte is
// that of "\", then presses with the plain registry that each meet one place
// where a path is split: the temporary file's folder, the forced extension,
// and a folder whose last trail byte stands right before the real "\".
const TCodePage* JapanesePage() {
    return &Japanese();
}
const TCodePage* ChinesePage() {
    return &TraditionalChinese();
}
const TCodePage* CyrillicPage() {
    return &Cyrillic();
}

INSTANTIATE_TEST_SUITE_P(
    CodePage932, ForcedExtension,
    testing::Values(TForcedName{"registry_and_name", "ソフト設定.txt", "ソフト設定.xml", nullptr, JapanesePage, true},
                    TForcedName{"trail_byte_in_the_name", "表.xml", "表.xml", nullptr, JapanesePage},
                    TForcedName{"trail_byte_ends_the_folder", "機能\\名前.dat.txt", "機能\\名前.dat.xml", "機能",
                                JapanesePage},
                    TForcedName{"trail_byte_in_the_extension", "設定.表", "設定.xml", nullptr, JapanesePage}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    CodePage950, ForcedExtension,
    testing::Values(TForcedName{"registry_and_name", "許可\\功能.txt", "許可\\功能.xml", "許可", ChinesePage, true},
                    TForcedName{"trail_byte_in_the_extension", "設定.許", "設定.xml", nullptr, ChinesePage},
                    TForcedName{"trail_byte_without_extension", "功能四", "功能四.xml", nullptr, ChinesePage}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(CodePage1251, ForcedExtension,
                         testing::Values(TForcedName{"registry_and_name", "Настройки\\Параметры.txt",
                                                     "Настройки\\Параметры.xml", "Настройки", CyrillicPage, true},
                                         TForcedName{"other_extension", "Отчёт.рег", "Отчёт.xml", nullptr,
                                                     CyrillicPage}),
                         CaseName);

// ---- the question about an existing file of the forced name -----------------------

class ForcedNameExists : public TEndToEndTest {
protected:
    void SetUp() override {
        TEndToEndTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(TRegistryArrangement::CreateMinimal());
        ASSERT_TRUE(WriteWholeFile(folder_.PathOf("settings.xml"), "old content"));
    }

    std::string Question() const {
        return "The file " + folder_.PathOf("settings.xml") + " already exists. Do you want to replace it?";
    }
};

TEST_F(ForcedNameExists, YesReplacesTheFile) {
    TRegScanApp& app = Start();
    ASSERT_TRUE(app.WaitUntilReady());
    app.ClickButton1();
    HWND dialog = app.WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr) << app.DescribeOpenWindows();
    app.SaveAs(dialog, folder_.PathOf("settings.txt"));

    const TMessageBox question = app.WaitForMessageBox();
    ASSERT_NE(question.handle, nullptr) << app.DescribeOpenWindows();
    EXPECT_EQ(question.text, Question());
    EXPECT_NE(GetDlgItem(question.handle, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(question.handle, IDNO), nullptr);
    EXPECT_EQ(app.FindSaveDialog(), nullptr) << "asked after the dialog has closed";
    EXPECT_FALSE(SaveScreenshot(question.handle, "overwrite-confirmation").empty());
    ASSERT_TRUE(app.Answer(question, IDYES));

    const TMessageBox success = app.WaitForMessageBox();
    EXPECT_EQ(success.text, kSuccessText);
    EXPECT_EQ(app.LocationText(), folder_.PathOf("settings.xml"));
    ASSERT_TRUE(app.Answer(success, IDOK));
    EXPECT_TRUE(app.WaitUntilIdle());
    EXPECT_EQ(ReadWholeFile(folder_.PathOf("settings.xml")), kMinimalExport);
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"settings.xml"});
    EXPECT_EQ(app.Close(), 0u);
}

TEST_F(ForcedNameExists, NoEndsTheRunLikeACancel) {
    TRegScanApp& app = Start();
    ASSERT_TRUE(app.WaitUntilReady());
    ASSERT_TRUE(app.TypeInto(app.Location(), "earlier text"));
    app.ClickButton1();
    HWND dialog = app.WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr) << app.DescribeOpenWindows();
    app.SaveAs(dialog, folder_.PathOf("settings"));

    const TMessageBox question = app.WaitForMessageBox();
    ASSERT_NE(question.handle, nullptr) << app.DescribeOpenWindows();
    EXPECT_EQ(question.text, Question());
    ASSERT_TRUE(app.Answer(question, IDNO));
    EXPECT_TRUE(app.WaitUntilIdle()) << "no box after No";
    EXPECT_EQ(app.LocationText(), "");
    EXPECT_EQ(ReadWholeFile(folder_.PathOf("settings.xml")), "old content");
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"settings.xml"});
    EXPECT_EQ(app.Close(), 0u);
}

TEST_F(ForcedNameExists, TypedNameThatExistsIsAskedOnlyByTheDialog) {
    TRegScanApp& app = Start();
    ASSERT_TRUE(app.WaitUntilReady());
    app.ClickButton1();
    HWND dialog = app.WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr) << app.DescribeOpenWindows();
    app.SaveAs(dialog, folder_.PathOf("settings.xml"));

    // The dialog's own question, asked while the dialog is still open.
    const TMessageBox question = app.WaitForMessageBox();
    ASSERT_NE(question.handle, nullptr) << app.DescribeOpenWindows();
    EXPECT_EQ(GetWindow(question.handle, GW_OWNER), dialog);
    EXPECT_NE(question.text, Question());
    ASSERT_TRUE(app.Answer(question, IDYES));

    const TMessageBox success = app.WaitForMessageBox();
    EXPECT_EQ(success.text, kSuccessText) << "a second question about the same file";
    ASSERT_TRUE(app.Answer(success, IDOK));
    EXPECT_TRUE(app.WaitUntilIdle());
    EXPECT_EQ(ReadWholeFile(folder_.PathOf("settings.xml")), kMinimalExport);
    EXPECT_EQ(app.Close(), 0u);
}

}  // namespace
