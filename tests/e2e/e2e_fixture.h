// The arrangement shared by the end-to-end tests: the registry the program
// reads, a folder of the test's own, and the program itself.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app_driver.h"
#include "registry_arrangement.h"
#include "work_folder.h"

class TEndToEndTest : public testing::Test {
protected:
    // Starts the program in the work folder; check with WaitUntilReady.
    TRegScanApp& Start(const std::string& dllOverrides = "") {
        app_ = std::make_unique<TRegScanApp>(folder_.Path(), dllOverrides);
        return *app_;
    }
    TRegScanApp& App() { return *app_; }

    // Declared first: it outlives the program that reads it.
    TRegistryArrangement registry_;
    TWorkFolder folder_;

private:
    std::unique_ptr<TRegScanApp> app_;
};
