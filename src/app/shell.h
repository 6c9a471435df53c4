#pragma once

#include <functional>
#include <string>

namespace tonvia::sim {
class DeviceBackend;
}
using DeviceBackend = tonvia::sim::DeviceBackend;

// Options taken from the command line.
struct ShellOptions {
    bool demo = false;      // run against the built-in virtual amplifier
    std::string demoState;  // --demo-state: the virtual amplifier's state file (implies demo)
    bool help = false;
    bool printUdevRule = false;  // print the udev rule that lets the user open the amplifier
    bool startupCheck = false;   // open the main window, report the start-up time, close
    std::string error;           // set when the command line cannot be used
};

ShellOptions ParseShellOptions(int argc, const char* const* argv);

// Opens the debug log when "savelog.ini" is in the working directory and writes the
// header lines (step 1 of the start-up).
void StartDebugLog();

// What the shell hands the window layer once the options, the log and the device backend
// are ready.
struct ShellContext {
    const ShellOptions& options;
    DeviceBackend& backend;
};

// Runs the program's windows until the main window closes; returns the exit code. The
// window layer holds the single-instance guard and makes the first connect attempt.
using WindowRunner = std::function<int(ShellContext& context)>;

// The program's entry point; returns the process exit code. Without a window runner the
// shell checks the single instance itself, connects once, reports and ends (a console run).
int Tonvia(int argc, const char* const* argv, const WindowRunner& runWindows = {});
