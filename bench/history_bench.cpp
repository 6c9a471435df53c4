// The undo history and the check against the amplifier, at USB full-speed pacing:
//  - verify: the whole state read again against the compare of the model with what it
//    brought (all 6 x 31 bands, the routing and the levels different);
//  - undo of a 31-band reset: from the undo to the last command on the wire, against the
//    same band commands queued straight on the link (one queue cycle per command).
//
//   build/bench/bench/history_bench [compare runs]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "sim/virtual_amplifier.h"
#include "tuning/edit_history.h"
#include "tuning/edits.h"
#include "tuning/parameter_sync.h"
#include "tuning/scene_transfer.h"
#include "tuning/session.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace tonvia::tuning;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void WaitIdle(Session& session) {
    while (!session.Link().IsQueueIdle()) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// Every band of every channel away from its default: the largest compare a tuning makes.
void ShapeBands(SceneConfig& record, float gain) {
    for (auto& channel : record.channels) {
        for (auto& band : channel.eqArray) {
            band.gain = gain;
            band.q = 2.0f;
        }
        channel.gain = -gain;
    }
    for (auto& source : record.inputMixVolume) {
        for (auto& input : source) {
            input.fill(50);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;

    tonvia::sim::VirtualAmplifier amp;
    Session session(amp);
    session.Link().OpenHIDDevice();
    if (!session.Link().IsConnected() || !session.Link().Hand_Connect()) {
        std::fprintf(stderr, "history_bench: the virtual amplifier did not answer\n");
        return 1;
    }
    amp.SetFullSpeed();
    session.Link().EnableQueue();

    // Verify: the read, then the compare.
    const auto readStart = Clock::now();
    const StateReadResult read = ReadLiveStateAgain(session.Link(), PlanStateRead(session.Model()));
    session.ProcessReports();
    const double readSeconds = Since(readStart);
    SceneConfig pc = session.Model().live;
    SceneConfig amplifier = pc;
    ShapeBands(pc, 3.0f);
    ShapeBands(amplifier, -2.0f);
    std::size_t rows = 0;
    const auto compareStart = Clock::now();
    for (int i = 0; i < runs; ++i) {
        rows += TuningDifferences(pc, amplifier).size();
    }
    const double compareSeconds = Since(compareStart) / runs;
    rows /= static_cast<std::size_t>(runs);
    std::printf("verify: state read %.1f ms (%d requests, %d answered)\n", readSeconds * 1e3,
                read.requests, read.answered);
    std::printf(
        "verify: compare %.1f us for %zu differing parameters, %.4f of the 1 ms goal, "
        "%.5f of the read\n",
        compareSeconds * 1e6, rows, compareSeconds / 1e-3, compareSeconds / readSeconds);

    // Undo of a 31-band reset of channel 1 against the same commands queued on the link.
    SceneConfig& live = session.Model().live;
    for (auto& band : live.channels[0].eqArray) {
        band.gain = 4.0f;
    }
    live.channels[0].bypass = 0;
    live.currOutChannel = 0;
    const SceneConfig before = live;
    SetOutputEqReset(session, {});
    WaitIdle(session);
    EditHistory history;
    history.Record("reset", {}, before, live, 0);

    amp.ClearRequests();
    const auto undoStart = Clock::now();
    history.Undo(session);
    WaitIdle(session);
    const double undoSeconds = Since(undoStart);
    const auto commands = amp.Requests().size();

    amp.ClearRequests();
    const auto queueStart = Clock::now();
    for (int b = 0; b < kEqBandCount; ++b) {
        const EqBand& band = live.channels[0].eqArray[static_cast<std::size_t>(b)];
        session.Link().EQ_Ctrl(0, 0, 0, b, band.freq, band.q, band.gain, false);
    }
    WaitIdle(session);
    const double queueSeconds = Since(queueStart);
    const auto queued = amp.Requests().size();

    std::printf("undo of a 31-band reset: %zu commands in %.1f ms (%.2f ms each)\n", commands,
                undoSeconds * 1e3, undoSeconds * 1e3 / static_cast<double>(commands));
    std::printf("the same band commands queued on the link: %zu in %.1f ms (%.2f ms each)\n",
                queued, queueSeconds * 1e3, queueSeconds * 1e3 / static_cast<double>(queued));
    std::printf("undo per command / queue cycle per command: ratio %.3f\n",
                (undoSeconds / static_cast<double>(commands)) /
                    (queueSeconds / static_cast<double>(queued)));
    session.Link().CloseHIDDevice(false);
    return 0;
}
