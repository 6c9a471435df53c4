#pragma once
// The main window over the program's own skin, with a virtual amplifier behind it and the
// boxes, quits and restarts recorded instead of acted on.

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "mainpage/main_wnd.h"
#include "sim/virtual_amplifier.h"

namespace mainpage_testing {

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the main window (not shown) at `dpi`; the window is the test's.
    CMainWnd& Open(int dpi = 96);
    void Close();
    // Runs the posted messages and timers that are due.
    static void Pump();
    // Writes a picture of the window to the shots folder.
    void Shot(const QString& name);
    // The hooks Open uses; tests may change them before opening.
    MainWndHooks hooks;
    std::string instanceName;

    // Unplugged at first: plug it in before Open to connect at start.
    std::unique_ptr<tonvia::sim::VirtualAmplifier> amp;
    std::unique_ptr<CMainWnd> window;
    std::vector<QString> boxes;
    int quits = 0;
    int restarts = 0;
    int updateDialogs = 0;
};

// The language key's text in the current language.
QString Tr(const char* key);

}  // namespace mainpage_testing
