#include "firmware/install.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>

#include "firmware/packages.h"
#include "platform/log.h"
#include "platform/process.h"

namespace tonvia::firmware {

bool IsDirectUpdateFile(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    bool named = false;
    for (const char* pattern : {"MCU_UPG.BIN", "FLASH_UPG.BIN", "BL_UPG.BIN", "UPG_FW.BIN"}) {
        named = named || name.find(pattern) != std::string::npos;
    }
    if (!named) {
        return false;
    }
    // Packages carry the same names ("PVQ6_MCU_UPG.bin"); they are zip archives, which no
    // update file begins like.
    std::array<char, 4> start{};
    std::ifstream file(path, std::ios::binary);
    file.read(start.data(), start.size());
    return !(file.gcount() == 4 && start == std::array<char, 4>{'P', 'K', 3, 4});
}

InstallOutcome RunDownloadScript(CHidDevice& link, const std::string& scriptPath,
                                 std::chrono::milliseconds limit,
                                 const std::function<void()>& toolStarting) {
    Upgrader upgrader(link);
    if (upgrader.UpgradeStart(scriptPath, false) != UPG_FILE_VALID) {
        return InstallOutcome::LoadFailed;
    }
    if (toolStarting) {
        toolStarting();
    }
    const platform::ToolRun run = platform::RunToolCaptured(scriptPath, limit);
    LogPrintA("Download finished.\n");
    return ToolReportedSuccess(run) ? InstallOutcome::Done : InstallOutcome::Failed;
}

InstallOutcome RunDirectUpgrade(CHidDevice& link, const std::string& path,
                                const std::function<void(int percent)>& progress,
                                const std::atomic<bool>* stop, std::chrono::milliseconds limit,
                                UpgradeTimings timings) {
    Upgrader upgrader(link, timings);
    const unsigned started = upgrader.UpgradeStart(path, false);
    LogPrintA("direct upgrade start: %u\n", started);
    if (started != UPG_FILE_VALID) {
        return InstallOutcome::LoadFailed;
    }
    const auto until = std::chrono::steady_clock::now() + limit;
    int shown = -1;
    while (true) {
        if ((stop != nullptr && stop->load()) || std::chrono::steady_clock::now() > until) {
            // Ended from outside: the device stays in its boot loader and says so at the
            // next connection; the state must not stay "upgrading".
            link.sys_upg_status.store(UPG_FAIL);
            link.mUpgPhase.store(3);  // ended: the next step closes the transfer
        }
        const std::uint8_t step = upgrader.UpgradeStep();
        if (step == kUpgradeSucceeded || step == kUpgradeFailed) {
            return step == kUpgradeSucceeded ? InstallOutcome::Done : InstallOutcome::Failed;
        }
        if (step != shown && progress) {
            shown = step;
            progress(step);
        }
    }
}

int CreepProgress(int percent, int& ticks) {
    if (percent < 80) {
        ++ticks;
        if (ticks * 10 >= percent) {
            ticks = 0;
            ++percent;
        }
    }
    return percent;
}

}  // namespace tonvia::firmware
