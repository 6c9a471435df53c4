// Whole-profile transfers against the virtual amplifier: the software overhead per command
// without transport latency, then with USB full-speed pacing (1 ms per report each way) the
// wall time of writing a whole profile and of reading the ten stored scenes, against the
// ideal of 2 ms per round trip plus the transfer's fixed pauses (none here: the pauses are
// the caller's and are passed as 0). bench/state_read_bench run beside it gives the same
// ratio for the connection's read, the reference for the virtual amplifier's own pacing.
// Then the .wpf text and file of a full profile, written and read.
//
//   build/bench/transfer_bench [file runs]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "profiles/profile_files.h"
#include "sim/virtual_amplifier.h"
#include "tuning/scene_transfer.h"
#include "tuning/session.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void Report(const char* what, const tonvia::tuning::TransferResult& r, double seconds) {
    const double ideal = r.sent * 0.002;
    std::printf("%s: %d commands (%d answered), %.1f ms, ideal %.1f ms, ratio %.3f\n", what, r.sent,
                r.answered, seconds * 1e3, ideal * 1e3, seconds / ideal);
}

// Every stored scene different and named, every band in use: the largest profile.
ModelSet FullProfile() {
    ModelSet profile;
    for (int k = 0; k < kStoredSceneCount; ++k) {
        SceneConfig& scene = profile.stored[static_cast<std::size_t>(k)];
        profile.sceneNames[static_cast<std::size_t>(k)] = L"Scene" + std::to_wstring(k + 1);
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            OutChannel& c = scene.channels[static_cast<std::size_t>(ch)];
            c.gain = -0.5f * static_cast<float>(k + ch);
            c.delay = 0.25f * static_cast<float>(k);
            for (EqBand& band : c.eqArray) {
                band.gain = 0.5f * static_cast<float>(k % 5);
            }
        }
    }
    return profile;
}

}  // namespace

int main(int argc, char** argv) {
    const int fileRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    tonvia::sim::VirtualAmplifier amp;
    tonvia::tuning::Session session(amp);
    CHidDevice& link = session.Link();
    link.OpenHIDDevice();
    if (!link.IsConnected()) {
        std::fprintf(stderr, "transfer_bench: the virtual amplifier did not open\n");
        return 1;
    }
    const ModelSet profile = FullProfile();

    // Without transport latency: what the transfer itself costs per command.
    auto start = Clock::now();
    const auto idle = tonvia::tuning::SetReadWholeProfileToMCU(link, profile);
    std::printf("latency 0: software overhead %.1f us per command (%d commands)\n",
                Seconds(start) * 1e6 / std::max(1, idle.sent), idle.sent);

    amp.SetFullSpeed();
    start = Clock::now();
    const auto written = tonvia::tuning::SetReadWholeProfileToMCU(link, profile);
    Report("whole profile written", written, Seconds(start));

    std::array<tonvia::tuning::StateReadPlan, kStoredSceneCount> plans{};
    for (auto& plan : plans) {
        plan.bandCounts.fill(kEqBandCount);
    }
    start = Clock::now();
    const auto read =
        tonvia::tuning::ReadAllScenes(link, plans, {}, nullptr, std::chrono::milliseconds(0));
    Report("ten scenes read", read, Seconds(start));
    session.ProcessReports();

    const std::string path = "/tmp/transfer_bench_" + std::to_string(getpid()) + ".wpf";
    std::size_t bytes = tonvia::profiles::WholeProfileText(profile).size();  // warms the heap
    start = Clock::now();
    for (int i = 0; i < fileRuns; ++i) {
        bytes = tonvia::profiles::WholeProfileText(profile).size();
    }
    const double text = Seconds(start) / fileRuns;
    start = Clock::now();
    for (int i = 0; i < fileRuns; ++i) {
        if (!tonvia::profiles::WriteWholeProfile(profile, path).ok) {
            std::fprintf(stderr, "transfer_bench: the profile could not be written\n");
            return 1;
        }
    }
    const double write = Seconds(start) / fileRuns;
    ModelSet back;
    start = Clock::now();
    for (int i = 0; i < fileRuns; ++i) {
        if (!tonvia::profiles::ReadWholeProfile(path, back).ok) {
            std::fprintf(stderr, "transfer_bench: the profile could not be read\n");
            return 1;
        }
    }
    const double readFile = Seconds(start) / fileRuns;
    std::remove(path.c_str());
    std::printf(
        ".wpf of %zu bytes: text %.3f ms, file write %.3f ms, file read %.3f ms "
        "(%d runs; goal under 5 ms each)\n",
        bytes, text * 1e3, write * 1e3, readFile * 1e3, fileRuns);
    return written.Complete() && read.Complete() ? 0 : 1;
}
