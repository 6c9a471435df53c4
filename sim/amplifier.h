#pragma once
// The amplifier's side of the conversation, without any I/O: one request in, the reply
// frames out. Not thread-safe; VirtualAmplifier serialises the calls.

#include <vector>

#include "sim/device_state.h"
#include "sim/wire.h"

namespace tonvia::sim {

struct Outcome {
    std::vector<Bytes> frames;  // reply frames, each sent in its own input report(s)
    bool reboot = false;        // the device restarts once the replies have been read
    bool rejected = false;      // malformed or unknown request (counted, mostly unanswered)
};

class Amplifier {
  public:
    explicit Amplifier(DeviceState state = FactoryState()) : mState(std::move(state)) {}

    Outcome Handle(const Request& request);

    DeviceState& State() { return mState; }
    const DeviceState& State() const { return mState; }

    // Every n-th firmware data block is first answered "not ready" (0: never).
    void SetNotReadyEvery(int n) { mNotReadyEvery = n; }
    // Every upgrade start is answered "not ready".
    void SetRefuseUpgradeStart(bool refuse) { mRefuseUpgradeStart = refuse; }

  private:
    Outcome HandleMcu(const Request& request);
    Outcome HandleDsp(const Request& request);
    Outcome HandleDspGet(const Request& request);
    bool ApplyDspSet(const Request& request);
    Outcome HandleFlash(const Request& request);
    Outcome HandleKaraoke(const Request& request);
    Outcome HandleFirmwareBlock(std::uint8_t type, std::uint8_t subcmd, FirmwareTarget target,
                                const Request& request);
    Bytes CalibrationStatus();
    FirmwareImage* CurrentImage(FirmwareTarget target);

    DeviceState mState;
    int mNotReadyEvery = 8;
    bool mRefuseUpgradeStart = false;
    bool mErasePending = false;
};

}  // namespace tonvia::sim
