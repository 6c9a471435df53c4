// The direct DSP flash transfer of a 512 KiB image against the virtual amplifier with USB
// full-speed pacing (1 ms per report each way) and a device that never asks for patience:
// payload bytes per second against the protocol's limit of 50 bytes per 2 ms round trip
// (25 000 bytes per second).
//
//   build/bench/firmware_bench [KiB]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "firmware/upgrade.h"
#include "sim/virtual_amplifier.h"
#include "tuning/session.h"

int main(int argc, char** argv) {
    const std::size_t kib =
        argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 512;
    std::vector<std::uint8_t> file{2, 77, 0, 0, 0, 1};
    for (std::size_t i = 0; i < kib * 1024; ++i) {
        file.push_back(static_cast<std::uint8_t>(i * 31 + 7));
    }
    file.insert(file.end(), {0, 0, 0, 0});
    std::uint32_t sum = 0;
    for (const std::uint8_t b : file) {
        sum += b;
    }
    for (int shift = 24; shift >= 0; shift -= 8) {
        file.push_back(static_cast<std::uint8_t>(sum >> shift));
    }
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("firmware_bench_" + std::to_string(getpid()) + "_FLASH_UPG.BIN"))
                                 .string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));

    tonvia::sim::Options options;
    options.notReadyEvery = 0;
    tonvia::sim::VirtualAmplifier amp(options);
    tonvia::tuning::Session session(amp);
    CHidDevice& link = session.Link();
    link.OpenHIDDevice();
    link.Hand_Connect();
    amp.SetFullSpeed();
    tonvia::firmware::UpgradeTimings timings;
    timings.restartWait = std::chrono::milliseconds(400);  // the virtual amplifier's reboot
    tonvia::firmware::Upgrader upgrader(link, timings);
    if (upgrader.UpgradeStart(path, false) != tonvia::firmware::UPG_FILE_VALID) {
        std::fprintf(stderr, "firmware_bench: the upgrade did not start\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    std::uint8_t result = 0;
    while (result != tonvia::firmware::kUpgradeSucceeded &&
           result != tonvia::firmware::kUpgradeFailed) {
        result = upgrader.UpgradeStep();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove(path);
    const double rate = static_cast<double>(kib * 1024) / seconds;
    std::printf("DSP flash %zu KiB: %.1f s, %.0f bytes/s, ratio to 25000 bytes/s %.3f (%s)\n", kib,
                seconds, rate, rate / 25000.0,
                result == tonvia::firmware::kUpgradeSucceeded ? "succeeded" : "FAILED");
    return result == tonvia::firmware::kUpgradeSucceeded ? 0 : 1;
}
