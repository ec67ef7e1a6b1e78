// The arrangement shared by the end-to-end tests: the registry the program
// reads, a folder of the test's own, and the program itself.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app_driver.h"
#include "registry_arrangement.h"
#include "window_query.h"
#include "work_folder.h"

// The file of TRegistryArrangement::CreateMinimal, as Wine's XML 4.0 DOM
// saves it: no declaration, no whitespace between elements, one LF at the end.
constexpr char kMinimalExport[] =
    "<RegParams xlmns=\"http://www.calderine.com/regparams\">"
    "<hive name=\"HKEY_LOCAL_MACHINE\"><key name=\"Software\\Calderine\">"
    "<values><value name=\"Version\" type=\"REG_SZ\">2.1</value></values></key></hive>"
    "<hive name=\"HKEY_LOCAL_MACHINE\"><key name=\"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0\">"
    "<values><value name=\"Start\" type=\"REG_DWORD\" radix=\"decimal\">3</value></values></key></hive>"
    "</RegParams>\n";

class TEndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(HasDisplay()) << "no display: set DISPLAY (for example an Xvfb screen)";
        ASSERT_TRUE(registry_.Ready()) << "the registry could not be arranged";
    }

    // Starts the program in the work folder; check with WaitUntilReady.
    TRegScanApp& Start() {
        app_ = std::make_unique<TRegScanApp>(folder_.Path());
        return *app_;
    }

    // One whole successful run: press, type `typed` in the save dialog,
    // read the location shown with the success box, confirm the box.
    testing::AssertionResult ExportAs(TRegScanApp& app, const std::string& typed, std::string& shownLocation) {
        app.ClickButton1();
        HWND dialog = app.WaitForSaveDialog();
        if (!dialog) return testing::AssertionFailure() << "no save dialog; " << app.DescribeOpenWindows();
        app.SaveAs(dialog, typed);
        const TMessageBox box = app.WaitForMessageBox();
        if (box.text != kSuccessText)
            return testing::AssertionFailure() << "instead of the success box: " << app.DescribeOpenWindows();
        shownLocation = app.LocationText();
        return app.Answer(box, IDOK);
    }

    // Declared first: it outlives the program that reads it.
    TRegistryArrangement registry_;
    TWorkFolder folder_;

private:
    std::unique_ptr<TRegScanApp> app_;
};
