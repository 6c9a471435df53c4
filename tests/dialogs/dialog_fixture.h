#pragma once
// Shared set-up of the dialog tests: the program's skin package loaded, the error, exit and
// quit hooks recorded instead of acted on, helpers that drive modal runs, and a link to
// the virtual amplifier whose replies reach the windows through the window registry.

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "link/hid_device.h"
#include "sim/virtual_amplifier.h"
#include "ui/shots.h"
#include "ui/window_impl_base.h"

namespace dialog_testing {

// Pumps events until `done` holds or `timeout` passes; returns whether it held.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

using gui_testing::WriteShot;

// The shown top-level window of a window class, or null.
QWidget* ShownWindow(const QString& className);
// A named control inside a window.
QWidget* Child(QWidget* window, const QString& name);

// Runs `step` once the window of `className` is shown (polled from the event loop, so it
// works while a modal run is waiting). `step` gets the window.
void WhenShown(const QString& className, std::function<void(QWidget*)> step);
// Clicks a control of the window once it is shown.
void ClickWhenShown(const QString& className, const QString& control);

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    void SelectLanguage(const QString& name);

    // Creates a dialog that the test owns (no self-deletion) and shows it.
    template <class T>
    std::unique_ptr<T> Open(std::unique_ptr<T> dialog, const QString& windowName = {}) {
        dialog->SetAutoDelete(false);
        EXPECT_TRUE(dialog->Create(nullptr, windowName));
        dialog->CenterWindow();
        dialog->ShowWindow();
        return dialog;
    }

    std::vector<QString> errorBoxes;
    std::vector<int> exitCodes;
    int quits = 0;
};

// With the virtual amplifier connected and the command queue running.
class DeviceDialogTest : public DialogTest {
  protected:
    DeviceDialogTest();
    ~DeviceDialogTest() override;

    // Waits until every queued command reached the amplifier.
    bool WaitForQueue();

    tonvia::sim::VirtualAmplifier amp;
    CHidDevice link;
};

}  // namespace dialog_testing
