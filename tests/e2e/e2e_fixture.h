// The arrangement shared by the end-to-end tests: the registry the program
// reads, a folder of the test's own, and the program itself, with the steps
// every run takes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app_driver.h"
#include "registry_arrangement.h"
#include "screenshot.h"
#include "unicode_text.h"
#include "window_query.h"
#include "work_folder.h"

// The file the export writes, composed as Wine's XML 4.0 DOM saves it: no
// declaration, no whitespace between elements, one LF at the end. Built by
// appending: GCC 12 warns wrongly about "literal" + std::string at -O3.

// One value element; a REG_DWORD in decimal.
inline std::string ValueXml(const std::string& name, const std::string& type, const std::string& text) {
    std::string xml = "<value name=\"";
    xml.append(name).append("\" type=\"").append(type);
    xml.append(type == "REG_DWORD" ? "\" radix=\"decimal\">" : "\">");
    return xml.append(text).append("</value>");
}

// A key element: its values' elements, then its subkeys' elements.
inline std::string KeyXml(const std::string& name, const std::string& values, const std::string& subkeys = "") {
    std::string xml = "<key name=\"";
    xml.append(name).append(values.empty() ? "\"><values/>" : "\"><values>").append(values);
    return xml.append(values.empty() ? "" : "</values>").append(subkeys).append("</key>");
}

// The whole file: the software key's element, then the driver key's.
inline std::string ExportXml(const std::string& softwareKey, const std::string& driverKey) {
    std::string xml = "<RegParams xlmns=\"http://www.calderine.com/regparams\"><hive name=\"HKEY_LOCAL_MACHINE\">";
    xml.append(softwareKey).append("</hive><hive name=\"HKEY_LOCAL_MACHINE\">").append(driverKey);
    return xml.append("</hive></RegParams>\n");
}

constexpr char kDriverKeyXml[] = "SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0";

// The file of TRegistryArrangement::CreateMinimal.
inline const std::string kMinimalExport = ExportXml(KeyXml("Software\\Calderine", ValueXml("Version", "REG_SZ", "2.1")),
                                                    KeyXml(kDriverKeyXml, ValueXml("Start", "REG_DWORD", "3")));

// Names the tests of a parameter table after the rows' own names.
inline constexpr auto RowName = [](const auto& info) { return std::string(info.param.name); };

// A picture's name from a case name: "a_b" becomes "prefix-a-b".
inline std::string ShotName(const char* prefix, const char* caseName) {
    std::string name = std::string(prefix) + "-" + caseName;
    for (char& c : name)
        if (c == '_') c = '-';
    return name;
}

// A length of the designed layout (pixels at 96 dpi) on this screen.
inline int Scaled(int designed) {
    const TScreenDC screen(GetDC(nullptr));
    return MulDiv(designed, GetDeviceCaps(screen.get(), LOGPIXELSY), 96);
}

struct TDesignedRect {
    int left, top, width, height;
};

// Checks `actual` against the designed rectangle; `what` names it in failures.
inline void ExpectRect(const RECT& actual, const TDesignedRect& designed, const char* what) {
    EXPECT_EQ(actual.left, Scaled(designed.left)) << what;
    EXPECT_EQ(actual.top, Scaled(designed.top)) << what;
    EXPECT_EQ(actual.right - actual.left, Scaled(designed.width)) << what;
    EXPECT_EQ(actual.bottom - actual.top, Scaled(designed.height)) << what;
}

class TEndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(HasDisplay()) << "no display: set DISPLAY (for example an Xvfb screen)";
        ASSERT_TRUE(registry_.Ready()) << "the registry could not be arranged";
    }

    // Starts the program in the work folder and waits for its main window;
    // with `earlier` typed into the location box, which a run must clear.
    testing::AssertionResult Launch(const char* earlier = nullptr) {
        app_ = std::make_unique<TRegScanApp>(folder_.Path());
        testing::AssertionResult ready = app_->WaitUntilReady();
        if (!ready || !earlier || app_->TypeInto(app_->Location(), earlier)) return ready;
        return testing::AssertionFailure() << "the location box did not take \"" << earlier << "\"";
    }
    TRegScanApp& App() { return *app_; }

    // Presses the button and waits for the save dialog.
    testing::AssertionResult OpenSaveDialog(HWND& dialog) {
        App().ClickButton1();
        dialog = App().WaitForSaveDialog();
        if (dialog) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "no save dialog; " << Utf8OfAnsi(App().DescribeOpenWindows());
    }

    // One whole successful run: press, see the location cleared while the
    // save dialog shows, type `typed`, read the location shown with the
    // success box, confirm the box. `shots` keeps pictures of the dialog and
    // the box.
    testing::AssertionResult ExportAs(const std::string& typed, std::string& shownLocation, bool shots = false) {
        HWND dialog = nullptr;
        if (testing::AssertionResult opened = OpenSaveDialog(dialog); !opened) return opened;
        if (!App().LocationText().empty())
            return testing::AssertionFailure() << "the location \"" << App().LocationText() << "\" stayed";
        if (shots && SaveScreenshot(dialog, "save-dialog").empty())
            return testing::AssertionFailure() << "no picture of the save dialog";
        App().SaveAs(dialog, typed);
        const TMessageBox box = App().WaitForMessageBox();
        if (box.text != kSuccessText)
            return testing::AssertionFailure() << "instead of the success box: " << App().DescribeOpenWindows();
        shownLocation = App().LocationText();
        if (shots && SaveScreenshot(box.handle, "success-box").empty())
            return testing::AssertionFailure() << "no picture of the success box";
        return App().Answer(box, IDOK);
    }

    // The run is over (no window left but the main one, enabled), the
    // location box shows `location` and the work folder holds exactly `names`.
    testing::AssertionResult EndedWith(const std::string& location, const std::vector<std::string>& names = {}) {
        if (testing::AssertionResult idle = App().WaitUntilIdle(); !idle) return idle;
        const std::string shown = App().LocationText();
        if (shown != location)
            return testing::AssertionFailure()
                   << "the location shows \"" << Utf8OfAnsi(shown) << "\", not \"" << Utf8OfAnsi(location) << "\"";
        if (folder_.Names() != names)
            return testing::AssertionFailure() << "the work folder holds " << testing::PrintToString(folder_.Names());
        return testing::AssertionSuccess();
    }

    // Declared first: it outlives the program that reads it.
    TRegistryArrangement registry_;
    TWorkFolder folder_;

private:
    std::unique_ptr<TRegScanApp> app_;
};
