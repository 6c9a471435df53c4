// The connection's whole-state read against the virtual amplifier: round trips, wall time
// with no transport latency and with USB full-speed pacing (1 ms per report each way), and
// how far the paced read is from the ideal of 2 ms per round trip.
//
//   build/bench/state_read_bench [runs at latency 0] [runs at full speed]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "link/hid_device.h"
#include "sim/virtual_amplifier.h"
#include "state_read.h"
#include "tuning/session.h"

namespace {

using Clock = std::chrono::steady_clock;

// The window layer is not here: posted messages are dropped (their records freed).
class DroppingSink final : public WindowMessageSink {
  public:
    bool PostWindowMessage(WindowHandle, WindowMessage) override { return true; }
};

struct Measurement {
    int roundTrips = 0;
    int answered = 0;
    double seconds = 0.0;  // per read
};

Measurement Measure(CHidDevice& link, tonvia::sim::VirtualAmplifier& amp, int runs) {
    Measurement m;
    const int before = amp.GetCounters().replies;
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i) {
        const e2e::StateReadResult result = e2e::ReadWholeState(link);
        m.roundTrips = result.requests;
        m.answered += result.answered;
    }
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count() / runs;
    m.answered /= runs;
    if (amp.GetCounters().replies - before != m.roundTrips * runs) {
        std::fprintf(stderr, "state_read_bench: replies and requests do not match\n");
    }
    return m;
}

int Runs(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::max(1, std::atoi(argv[index])) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const int idleRuns = Runs(argc, argv, 1, 50);
    const int pacedRuns = Runs(argc, argv, 2, 3);

    tonvia::sim::VirtualAmplifier amp;
    DroppingSink sink;
    CHidDevice link(amp, sink);
    link.mMainWnd = 1;
    tonvia::tuning::ConfigureLink(link);
    link.OpenHIDDevice();
    if (!link.IsConnected() || !link.Hand_Connect()) {
        std::fprintf(stderr, "state_read_bench: the virtual amplifier did not answer\n");
        return 1;
    }

    Measurement warmUp = Measure(link, amp, 1);
    const Measurement idle = Measure(link, amp, idleRuns);
    amp.SetFullSpeed();
    const Measurement paced = Measure(link, amp, pacedRuns);
    (void)warmUp;

    const double ideal = idle.roundTrips * 0.002;
    std::printf("state read: %d round trips (%d answered)\n", idle.roundTrips, idle.answered);
    std::printf("latency 0:  %.3f ms per read (%d runs)\n", idle.seconds * 1e3, idleRuns);
    std::printf("software overhead: %.1f us per round trip\n",
                idle.seconds * 1e6 / idle.roundTrips);
    std::printf("full speed: %.1f ms per read (%d runs), ideal %.1f ms, ratio %.3f\n",
                paced.seconds * 1e3, pacedRuns, ideal * 1e3, paced.seconds / ideal);
    return idle.answered == idle.roundTrips && paced.answered == paced.roundTrips ? 0 : 1;
}
