#pragma once
// Running the firmware download tool: its script is started by a command interpreter in
// the folder the tool was unpacked into, and everything it prints is captured.

#include <chrono>
#include <string>
#include <vector>

namespace tonvia::platform {

// Names the interpreter that runs the download script, words split at spaces (for example
// "wine cmd /c"); /bin/sh when unset or empty.
inline constexpr const char* kToolShellEnvironment = "TONVIA_TOOL_SHELL";

// What became of one tool run.
struct ToolRun {
    bool started = false;   // the interpreter could be started
    bool timedOut = false;  // still running at the limit: it was ended then
    int exitStatus = -1;    // its exit code; -1 when it did not exit by itself
    std::string output;     // standard output and error, interleaved as written
};

// Keeps at most this much of a tool's output: the end, where the verdict is printed.
inline constexpr std::size_t kMaxToolOutput = 1u << 20;

// Starts `argv` (argv[0] looked up in PATH) with `folder` as its current directory, its
// standard input empty, and standard output and error both into one pipe that is drained
// while it runs, so a talkative tool never blocks on a full pipe. A tool still running
// after `limit` is killed together with everything it started, and its output so far is
// returned. The process's own current directory is not changed.
ToolRun RunCaptured(const std::vector<std::string>& argv, const std::string& folder,
                    std::chrono::milliseconds limit);

// Runs the script at `scriptPath` with the interpreter of kToolShellEnvironment, in the
// script's own folder, for at most `limit`.
ToolRun RunToolCaptured(const std::string& scriptPath, std::chrono::milliseconds limit);

}  // namespace tonvia::platform
