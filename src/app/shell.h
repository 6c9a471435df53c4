#pragma once

#include <string>

// Options taken from the command line.
struct ShellOptions {
    bool demo = false;      // run against the built-in virtual amplifier
    std::string demoState;  // --demo-state: the virtual amplifier's state file (implies demo)
    bool help = false;
    std::string error;  // set when the command line cannot be used
};

ShellOptions ParseShellOptions(int argc, const char* const* argv);

// Opens the debug log when "savelog.ini" is in the working directory and writes the
// header lines (step 1 of the start-up).
void StartDebugLog();

// The program's entry point; returns the process exit code.
int Tonvia(int argc, const char* const* argv);
