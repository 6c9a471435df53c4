#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "platform/process.h"

namespace {

using namespace std::chrono_literals;
using tonvia::platform::RunCaptured;
using tonvia::platform::RunToolCaptured;

TEST(ToolRun, ATalkativeToolIsDrainedWhileItRuns) {
    // Far more than a pipe holds: a runner that read only after the end would hang here.
    const auto run = RunCaptured(
        {"/bin/sh", "-c", "head -c 300000 /dev/zero | tr '\\0' x; echo; echo oops >&2; exit 3"},
        ".", 20s);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_EQ(run.output.size(), 300000u + 1 + 5);
    EXPECT_EQ(run.output.substr(run.output.size() - 7), "x\noops\n");
}

TEST(ToolRun, AToolPastItsLimitIsEndedWithWhatItPrintedSoFar) {
    const auto start = std::chrono::steady_clock::now();
    // The sleep is a child of the shell and holds the pipe too; it must end with it.
    const auto run =
        RunCaptured({"/bin/sh", "-c", "echo started; sleep 30; echo late"}, ".", 300ms);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.timedOut);
    EXPECT_EQ(run.exitStatus, -1);
    EXPECT_EQ(run.output, "started\n");
    EXPECT_LT(took, 5s);
}

TEST(ToolRun, TheScriptRunsInItsFolderWithTheConfiguredInterpreter) {
    namespace fs = std::filesystem;
    const std::string folder = fs::absolute("tool folder").string();
    fs::create_directories(folder);
    std::ofstream(folder + "/download.bat") << "pwd\necho done success\n";
    const std::string before = tonvia::platform::WorkingDirectory();

    auto run = RunToolCaptured(folder + "/download.bat", 10s);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, folder + "\ndone success\n");
    EXPECT_EQ(tonvia::platform::WorkingDirectory(), before);

    setenv(tonvia::platform::kToolShellEnvironment, "echo  via  shell", 1);
    run = RunToolCaptured(folder + "/download.bat", 10s);
    unsetenv(tonvia::platform::kToolShellEnvironment);
    EXPECT_EQ(run.output, "via shell " + folder + "/download.bat\n");

    EXPECT_FALSE(RunCaptured({"/no/such/interpreter"}, folder, 1s).started);
    EXPECT_FALSE(RunCaptured({"/bin/sh", "-c", "true"}, folder + "/missing", 1s).started);
}

}  // namespace
