#pragma once

// A main window started as a new user's: settings and data folders of its own, the source tree as program folder.
// start() ends a running window first, as a restart of the program would.
#include "MainWindowTestSupport.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace pelan::test {

class FreshStartFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
        setDataFolderOverride(folder.file("data"));
        setProgramFolderOverride(env("PELAN_SOURCE_DIR").toStdString());
    }
    void TearDown() override {
        if (window != nullptr)
            destroyMainWindow(window);
        setDataFolderOverride("");
        setProgramFolderOverride("");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    void start() {
        if (window != nullptr)
            destroyMainWindow(window);
        window = createMainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(waitFor([this] { return window->IsStarted(); }));
    }

    pelan::testing::TempFolder folder;
    std::unique_ptr<CMainWnd> window;
};

} // namespace pelan::test
