#pragma once
// tonvia-cli: the command-line front end on the same session and rules as the window.
// RunCli is the whole program; main() only hands it the arguments and the streams, so tests
// run it in-process.

#include <chrono>
#include <ostream>
#include <span>
#include <string>

namespace tonvia::cli {

// Exit codes.
inline constexpr int kExitDone = 0;
inline constexpr int kExitDevice = 1;       // the device refused or did not answer
inline constexpr int kExitArguments = 2;    // bad arguments or a bad file
inline constexpr int kExitNoAmplifier = 3;  // none found, or no permission to open it
inline constexpr int kExitDiffers = 4;      // diff: the amplifier differs from the file

// The device's own waits; tests shorten them for the virtual amplifier.
struct CliTimings {
    std::chrono::milliseconds sceneReadSettle{1000};
    std::chrono::milliseconds wholeProfileSettle{20000};
    // Longest wait for the queued commands to reach the device before the process ends.
    std::chrono::milliseconds queueDrainLimit{30000};
};

// Runs one command line (`args` without the program name); returns the exit code.
int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const CliTimings& timings = {});

// The usage text of --help.
std::string UsageText();

}  // namespace tonvia::cli
