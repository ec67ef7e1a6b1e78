// The name typed in the save dialog gets the extension ".xml" forced on it;
// when that names another file that exists, the user is asked first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_driver.h"
#include "e2e_fixture.h"
#include "screenshot.h"
#include "window_query.h"

namespace {

struct TForcedName {
    const char* name;
    const char* typed;      // below the test's folder
    const char* written;    // the same
    const char* subfolder;  // created first when not null
};

void PrintTo(const TForcedName& name, std::ostream* out) {
    *out << name.typed;
}

class ForcedExtension : public TEndToEndTest, public testing::WithParamInterface<TForcedName> {};

TEST_P(ForcedExtension, WritesAndShowsTheNameWithXml) {
    ASSERT_TRUE(TRegistryArrangement::CreateMinimal());
    if (GetParam().subfolder) {
        ASSERT_TRUE(CreateDirectoryA(folder_.PathOf(GetParam().subfolder).c_str(), nullptr));
    }
    TRegScanApp& app = Start();
    ASSERT_TRUE(app.WaitUntilReady());

    std::string location;
    ASSERT_TRUE(ExportAs(app, folder_.PathOf(GetParam().typed), location));
    EXPECT_TRUE(app.WaitUntilIdle());
    const std::string written = folder_.PathOf(GetParam().written);
    EXPECT_EQ(location, written);
    EXPECT_EQ(app.LocationText(), written);
    EXPECT_EQ(ReadWholeFile(written), kMinimalExport);
    // Exactly that name, in that letter case, and nothing else.
    const std::string top = GetParam().subfolder ? GetParam().subfolder : GetParam().written;
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{top});
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
                         [](const testing::TestParamInfo<TForcedName>& info) { return std::string(info.param.name); });

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
