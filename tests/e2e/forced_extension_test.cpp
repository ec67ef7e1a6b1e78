// The name typed in the save dialog gets the extension ".xml" forced on it;
// when that names another file that exists, the user is asked first. The
// same presses run in double-byte ANSI code pages, where the second byte of a
// character can be that of "\" or "|", and in single-byte ones, where a name
// with characters the code page lacks must write nothing rather than a file
// of a look-alike name.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app_driver.h"
#include "e2e_fixture.h"
#include "screenshot.h"
#include "unicode_text.h"
#include "window_query.h"

namespace {

// One registry spelled in the words of an ANSI code page (UTF-8 here): in
// the software key beside "Version" a value whose name is longer than
// "Version", so its ANSI form takes more bytes than the longest name has
// characters; a subkey with a REG_DWORD and a REG_EXPAND_SZ (named so that
// Wine enumerates them in this order: by name, without regard to case) and a
// subkey of a long name; in the driver key a text and a subkey with binary
// data.
struct TCodePageWords {
    const char* valueName;
    const char* valueText;
    const char* subkey;
    const char* dwordName;
    const char* expandName;
    const char* expandText;  // after "%ProgramFiles%\"
    const char* longUnit;    // repeated to the long subkey's name
    int longTimes;
    const char* defaultText;  // the long subkey's default value
    const char* driverName;
    const char* driverText;
    const char* driverSubkey;
    const char* binaryName;
};

// An ANSI code page the program runs in.
struct TCodePage {
    UINT codePage;
    const char* locale;  // LC_ALL that gives the code page under Wine
    TCodePageWords words;
};

// 932: ソ 83 5C, 表 95 5C, 能 94 5C, 十 8F 5C, 予 97 5C; ポ 83 7C. 950: 許 B3 5C,
// 功 A5 5C, 蓋 BB 5C; 四 A5 7C. 1251, single-byte: the control, exact before
// any double-byte work.
const TCodePage kJapanese = {
    932,
    "ja_JP.UTF-8",
    {"表示能力ポート設定", "ソフト\\表示|能力ポ", "ソフト設定", "ポート", "予定表", "表計算ソフト", "能ソ表ポ十予", 20,
     "十能表ソポ", "デバイス名", "ソフト表示ポ", "パラメータ表", "十能"}};
const TCodePage kTraditionalChinese = {950,
                                       "zh_TW.UTF-8",
                                       {"功能許可設定", "許可\\功能|四", "許可", "四", "蓋章", "功能", "許功蓋四", 30,
                                        "功能許可", "裝置名稱", "許可功能", "功能參數", "許四"}};
// Western, single-byte: the presses of names it cannot hold (Ω).
const TCodePage kWestern = {1252, "C.UTF-8", {}};
const TCodePage kCyrillic = {1251,
                             "ru_RU.UTF-8",
                             {"Настройки", "Путь\\Папка|Файл", "Параметры", "Адрес", "Каталог", "Программа",
                              "ДлинноеИмяРаздела", 7, "Значение", "Устройство", "Сканер-1", "Драйвер", "Данные"}};

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

bool ArrangeCodePageRegistry(const TCodePageWords& w) {
    const std::string software = kSoftwareKey, driver = kDriverKey;
    const std::string subkey = software + "\\" + w.subkey;
    bool ok = true;
    const auto set = [&](const std::string& key, const std::string& name, DWORD type, const std::string& data) {
        ok = ok && TRegistryArrangement::SetValue(key, name, type, data);
    };
    set(software, "Version", REG_SZ, "2.1");
    set(software, w.valueName, REG_SZ, w.valueText);
    set(subkey, w.dwordName, REG_DWORD, DwordData(7));
    set(subkey, w.expandName, REG_EXPAND_SZ, std::string("%ProgramFiles%\\") + w.expandText);
    set(subkey + "\\" + Repeated(w.longUnit, w.longTimes), "", REG_SZ, w.defaultText);
    set(driver, "Start", REG_DWORD, DwordData(3));
    set(driver, w.driverName, REG_SZ, w.driverText);
    set(driver + "\\" + w.driverSubkey, w.binaryName, REG_BINARY, "\x01\xAB");
    return ok;
}

// The file ArrangeCodePageRegistry(w) must give (UTF-8).
std::string ExportOf(const TCodePageWords& w) {
    const std::string expanded = std::string("%ProgramFiles%\\") + w.expandText;
    return ExportXml(
        KeyXml("Software\\Calderine",
               ValueXml("Version", "REG_SZ", "2.1") + ValueXml(w.valueName, "REG_SZ", w.valueText),
               KeyXml(w.subkey,
                      ValueXml(w.dwordName, "REG_DWORD", "7") + ValueXml(w.expandName, "REG_EXPAND_SZ", expanded),
                      KeyXml(Repeated(w.longUnit, w.longTimes), ValueXml("", "REG_SZ", w.defaultText)))),
        KeyXml(kDriverKeyXml, ValueXml("Start", "REG_DWORD", "3") + ValueXml(w.driverName, "REG_SZ", w.driverText),
               KeyXml(w.driverSubkey, ValueXml(w.binaryName, "REG_BINARY", "01 ab "))));
}

// The first element of a relative path.
std::string TopOf(const std::string& path) {
    return path.substr(0, path.find('\\'));
}

// Names in UTF-8, typed as Unicode text; the program sees them in the ANSI
// code page of the run.
struct TForcedName {
    const char* name;
    const char* typed;      // below the test's folder
    const char* written;    // the same; null: nothing may be written
    const char* subfolder;  // created first when not null
    // The code page the press runs in (CMakeLists.txt sets LC_ALL); null:
    // the test command's own. With `codePageRegistry` the registry holds the
    // code page's names and texts, else CreateMinimal's.
    const TCodePage* codePage = nullptr;
    bool codePageRegistry = false;
    // A file there before the press (in a folder made for it), which must
    // stay as it was.
    const char* existing = nullptr;
    // Where nothing is written: the name as the error box shows it, and the
    // characters it names.
    const char* refusedAs = nullptr;
    const char* lacking = nullptr;
};

void PrintTo(const TForcedName& name, std::ostream* out) {
    *out << name.typed;
}

class ForcedExtension : public TEndToEndTest, public testing::WithParamInterface<TForcedName> {};

// The error box for a chosen name with characters the code page lacks.
std::string RefusalText(const std::string& shownPath, const char* lacking) {
    return std::string(kErrorPrefix) + "The file name " + shownPath + " cannot be used with this system's code page (" +
           std::to_string(GetACP()) + "), which lacks " + lacking + " (shown as \"?\").";
}

TEST_P(ForcedExtension, WritesTheChosenNameWithXmlOrNothing) {
    const TForcedName& press = GetParam();
    const TCodePage* page = press.codePage;
    const std::string folder = Utf8OfAnsi(folder_.Path());
    if (page) {
        ASSERT_EQ(GetACP(), page->codePage) << "run with LC_ALL=" << page->locale;
        // Without the compiled locale Wine makes no file of such a name (error 2).
        const std::wstring probe = Utf16Of(folder + "\\" + TopOf(press.typed) + ".probe");
        ASSERT_TRUE(CreateDirectoryW(probe.c_str(), nullptr) && RemoveDirectoryW(probe.c_str()))
            << "error " << GetLastError() << ": set LOCPATH to the locales of scripts/wine-env.sh";
    }
    ASSERT_TRUE(page && press.codePageRegistry ? ArrangeCodePageRegistry(page->words)
                                               : TRegistryArrangement::CreateMinimal());
    if (press.subfolder) {
        const std::wstring subfolder = Utf16Of(folder + "\\" + press.subfolder);
        ASSERT_TRUE(CreateDirectoryW(subfolder.c_str(), nullptr)) << press.subfolder << ": error " << GetLastError();
    }
    if (press.existing) {
        const std::string existing = press.existing;
        if (existing != TopOf(existing)) {
            ASSERT_TRUE(CreateDirectoryW(Utf16Of(folder + "\\" + TopOf(existing)).c_str(), nullptr));
        }
        ASSERT_TRUE(WriteWholeFile(folder_.PathOf(AnsiOf(existing)), "old content")) << existing;
    }
    ASSERT_TRUE(Launch());
    HWND dialog = nullptr;
    ASSERT_TRUE(OpenSaveDialog(dialog));
    App().SaveAs(dialog, Utf16Of(folder + "\\" + press.typed));
    const TMessageBox box = App().WaitForMessageBox();
    std::string location;
    if (press.written) {
        const std::string written = AnsiOf(press.written);
        ASSERT_FALSE(written.empty()) << "not in code page " << GetACP();
        ASSERT_EQ(box.text, kSuccessText) << Utf8OfAnsi(App().DescribeOpenWindows());
        location = folder_.PathOf(written);
        // The location is filled before the box shows, with exactly the forced name.
        EXPECT_EQ(Utf8OfAnsi(App().LocationText()), Utf8OfAnsi(location));
        ASSERT_TRUE(App().Answer(box, IDOK));
        EXPECT_EQ(ReadWholeFile(location), page && press.codePageRegistry ? ExportOf(page->words) : kMinimalExport);
    } else {
        ASSERT_EQ(box.text, RefusalText(folder_.PathOf(press.refusedAs), press.lacking))
            << Utf8OfAnsi(App().DescribeOpenWindows());
        EXPECT_EQ(App().LocationText(), "");
        EXPECT_FALSE(
            SaveScreenshot(box.handle, std::string("error-box-name-outside-the-code-page-") + press.name).empty());
        ASSERT_TRUE(App().Answer(box, IDOK));
    }
    // Exactly those names, in that letter case, and nothing else (no
    // temporary file, no look-alike).
    std::set<std::string> names;
    for (const char* name : {press.written, press.subfolder, press.existing})
        if (name) names.insert(TopOf(name));
    EXPECT_TRUE(EndedWith(location, {names.begin(), names.end()}));
    if (press.subfolder) {
        std::vector<std::string> inner;
        if (press.written) inner.push_back(std::string(press.written).substr(std::string(press.subfolder).size() + 1));
        EXPECT_EQ(FolderNames(Utf16Of(folder + "\\" + press.subfolder)), inner);
    }
    if (press.existing) {
        EXPECT_EQ(ReadWholeFile(folder_.PathOf(AnsiOf(press.existing))), "old content");
    }
    EXPECT_EQ(App().Close(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ExportCommand, ForcedExtension,
                         testing::Values(TForcedName{"other_extension", "settings.txt", "settings.xml", nullptr},
                                         TForcedName{"no_extension", "settings", "settings.xml", nullptr},
                                         TForcedName{"two_dots", "a.b.c", "a.b.xml", nullptr},
                                         TForcedName{"ending_in_a_dot", "settings.", "settings.xml", nullptr},
                                         TForcedName{"upper_case_xml", "Settings.XML", "Settings.xml", nullptr},
                                         TForcedName{"dot_only_in_the_folder", "my.dir\\settings",
                                                     "my.dir\\settings.xml", "my.dir"}),
                         RowName);

// One press with the code page's own registry and a name whose trail byte is
// that of "\", then presses with the plain registry that each meet one place
// where a path is split: the temporary file's folder, the forced extension,
// and a folder whose last trail byte stands right before the real "\".

INSTANTIATE_TEST_SUITE_P(
    CodePage932, ForcedExtension,
    testing::Values(TForcedName{"registry_and_name", "ソフト設定.txt", "ソフト設定.xml", nullptr, &kJapanese, true},
                    TForcedName{"trail_byte_in_the_name", "表.xml", "表.xml", nullptr, &kJapanese},
                    TForcedName{"trail_byte_ends_the_folder", "機能\\名前.dat.txt", "機能\\名前.dat.xml", "機能",
                                &kJapanese},
                    TForcedName{"trail_byte_in_the_extension", "設定.表", "設定.xml", nullptr, &kJapanese},
                    // Ω is in this code page: the name converts exactly.
                    TForcedName{"greek_letter", "Ωmega.txt", "Ωmega.xml", nullptr, &kJapanese}),
    RowName);

INSTANTIATE_TEST_SUITE_P(
    CodePage950, ForcedExtension,
    testing::Values(TForcedName{"registry_and_name", "許可\\功能.txt", "許可\\功能.xml", "許可", &kTraditionalChinese,
                                true},
                    TForcedName{"trail_byte_in_the_extension", "設定.許", "設定.xml", nullptr, &kTraditionalChinese},
                    TForcedName{"trail_byte_without_extension", "功能四", "功能四.xml", nullptr, &kTraditionalChinese}),
    RowName);

// Names the code page cannot hold, typed over files of their look-alike
// names (Windows' best fit of Ω is O): the error box, and every file as it
// was. 中 has no look-alike.
INSTANTIATE_TEST_SUITE_P(CodePage1252, ForcedExtension,
                         testing::Values(TForcedName{"over_a_look_alike", "Ωmega.xml", nullptr, nullptr, &kWestern,
                                                     false, "Omega.xml", "?mega.xml", "U+03A9"},
                                         TForcedName{"folder_over_a_look_alike", "Ω\\x.xml", nullptr, "Ω", &kWestern,
                                                     false, "O\\x.xml", "?\\x.xml", "U+03A9"},
                                         TForcedName{"without_a_look_alike", "中.xml", nullptr, nullptr, &kWestern,
                                                     false, nullptr, "?.xml", "U+4E2D"}),
                         RowName);

INSTANTIATE_TEST_SUITE_P(CodePage1251, ForcedExtension,
                         testing::Values(TForcedName{"registry_and_name", "Настройки\\Параметры.txt",
                                                     "Настройки\\Параметры.xml", "Настройки", &kCyrillic, true},
                                         TForcedName{"other_extension", "Отчёт.рег", "Отчёт.xml", nullptr, &kCyrillic}),
                         RowName);

// ---- the question about an existing file of the forced name -----------------------

// A name typed over an earlier settings.xml: asked once, by the program when
// the forced extension makes the name, by the dialog when it was typed.
struct TReplace {
    const char* name;
    const char* typed;
    bool askedByTheDialog;
    int answer;  // IDYES replaces the file; IDNO ends the run like a cancel
};

class ForcedNameExists : public TEndToEndTest, public testing::WithParamInterface<TReplace> {};

TEST_P(ForcedNameExists, IsAskedOnceThenReplacedOrKept) {
    const TReplace& row = GetParam();
    const std::string file = folder_.PathOf("settings.xml");
    ASSERT_TRUE(TRegistryArrangement::CreateMinimal());
    ASSERT_TRUE(WriteWholeFile(file, "old content"));
    ASSERT_TRUE(Launch("earlier text"));
    HWND dialog = nullptr;
    ASSERT_TRUE(OpenSaveDialog(dialog));
    App().SaveAs(dialog, folder_.PathOf(row.typed));

    const TMessageBox question = App().WaitForMessageBox();
    ASSERT_NE(question.handle, nullptr) << App().DescribeOpenWindows();
    const std::string ours = "The file " + file + " already exists. Do you want to replace it?";
    if (row.askedByTheDialog) {
        // The dialog's own question, asked while the dialog is still open.
        EXPECT_EQ(GetWindow(question.handle, GW_OWNER), dialog);
        EXPECT_NE(question.text, ours);
    } else {
        EXPECT_EQ(question.text, ours);
        EXPECT_NE(GetDlgItem(question.handle, IDYES), nullptr);
        EXPECT_NE(GetDlgItem(question.handle, IDNO), nullptr);
        EXPECT_EQ(App().FindSaveDialog(), nullptr) << "asked after the dialog has closed";
        EXPECT_FALSE(SaveScreenshot(question.handle, "overwrite-confirmation").empty());
    }
    ASSERT_TRUE(App().Answer(question, row.answer));

    const bool replaced = row.answer == IDYES;
    if (replaced) {
        const TMessageBox success = App().WaitForMessageBox();
        EXPECT_EQ(success.text, kSuccessText) << "a second question about the same file";
        EXPECT_EQ(App().LocationText(), file);
        ASSERT_TRUE(App().Answer(success, IDOK));
    }
    EXPECT_TRUE(EndedWith(replaced ? file : "", {"settings.xml"})) << "a box after the answer";
    EXPECT_EQ(ReadWholeFile(file), replaced ? kMinimalExport : "old content");
    EXPECT_EQ(App().Close(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ExportCommand, ForcedNameExists,
                         testing::Values(TReplace{"yes_replaces_the_file", "settings.txt", false, IDYES},
                                         TReplace{"no_ends_the_run_like_a_cancel", "settings", false, IDNO},
                                         TReplace{"typed_name_asked_only_by_the_dialog", "settings.xml", true, IDYES}),
                         RowName);

}  // namespace
