#pragma once
// The rules half of moving whole parameter sets to the device: a scene profile into the
// working scene. Runs on the thread that talks to the device (the page's worker, or the
// command line's own thread) and touches only the link and the record it was given, a
// copy taken on the model's thread.

#include <atomic>

#include "link/hid_device.h"
#include "model/scene_config.h"

namespace tonvia::tuning {

struct TransferResult {
    int sent = 0;      // commands written
    int answered = 0;  // of those, how many the device acknowledged in time
    bool stopped = false;
};

// Writes `record` into the working scene: the master volume and mute; per channel the
// low-pass and high-pass filters and every band; then channel types, trims, mutes,
// phases, solos, delays and EQ bypass; the routing of every source (the device then holds
// what the model shows, whichever source comes next) and the mix levels of every input.
// The queue is off while the commands go out one by one, each waiting for its
// acknowledgement; it comes back on only while the device is still connected. `stop`
// ends the transfer after the command in flight.
TransferResult SetReadCurProfileToMCU(CHidDevice& link, const SceneConfig& record,
                                      const std::atomic<bool>* stop = nullptr);

}  // namespace tonvia::tuning
