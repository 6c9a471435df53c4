#pragma once
// The window half of the start-up: the skin, the main window, the message loop.

#include "app/shell.h"
#include "mainpage/main_wnd.h"

struct MainWindowOptions {
    MainWndHooks hooks;
    // Close the main window as soon as it is shown (start-up checks and benchmarks).
    bool closeAfterShow = false;
    // Print the time from process start to the shown window and the peak memory.
    bool reportStartup = false;
};

// Loads the embedded skin, creates the main window "KR DSP Audio" centred on the screen,
// runs the message loop until it closes and returns the exit code. Creates the
// application object when there is none yet.
int RunMainWindow(ShellContext& context, const MainWindowOptions& options = {});
