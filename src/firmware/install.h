#pragma once
// The worker halves of the update dialogs, without Qt, so that the command line can
// install firmware the same way: a package through the download tool, or an update file
// straight over the link, and the progress bar's creep while the tool gives no progress.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "firmware/upgrade.h"
#include "link/hid_device.h"

namespace tonvia::firmware {

enum class InstallOutcome {
    LoadFailed,  // the package or file could not be prepared or was refused
    Failed,      // the installation ran and did not succeed
    Done,
};

// Whether the file is an update file for a transfer over the link rather than a package for
// the download tool: its name holds …MCU_UPG.BIN, …FLASH_UPG.BIN, …BL_UPG.BIN or
// …UPG_FW.BIN in any letter case, and it is not a zip archive.
bool IsDirectUpdateFile(const std::string& path);

// Runs the download script of a prepared package: the upgrade start for a script (no
// device work), then the tool, judged by its output. `toolStarting` is called just
// before the tool runs (the dialogs start their progress creep then).
InstallOutcome RunDownloadScript(CHidDevice& link, const std::string& scriptPath,
                                 std::chrono::milliseconds limit,
                                 const std::function<void()>& toolStarting);

// Writes an update file over the link: UpgradeStart, then UpgradeStep until the end,
// `progress` hearing every new percentage. `stop` ends the transfer as failed; so does a
// transfer still running after `limit`.
InstallOutcome RunDirectUpgrade(CHidDevice& link, const std::string& path,
                                const std::function<void(int percent)>& progress,
                                const std::atomic<bool>* stop = nullptr,
                                std::chrono::milliseconds limit = std::chrono::minutes(30),
                                UpgradeTimings timings = {});

// One 500 ms tick of the creep: below 80 % the bar moves one percent once `ticks` x 10
// reaches it, so one percent per tick up to 10 %, then ever slower, never past 80 %.
int CreepProgress(int percent, int& ticks);

}  // namespace tonvia::firmware
