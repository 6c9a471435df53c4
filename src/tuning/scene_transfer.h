#pragma once
// The rules half of the scene actions and of moving whole parameter sets between the PC
// and the device: load, save and delete a stored scene, read all ten stored scenes, write
// a scene profile into the working scene and a whole profile into all ten. Each runs on
// the thread that talks to the device (the page's worker, or the command line's own
// thread) and touches only the link and the records it was given, copies taken on the
// model's thread; the replies reach the model through the session's report path.
//
// Every transfer switches the command queue off, lets what was queued before it reach the
// device, sends its commands at once, each waiting for its acknowledgement, and switches
// the queue on again only while the device is still connected.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/hid_device.h"
#include "model/model_set.h"
#include "model/scene_config.h"
#include "tuning/connection.h"
#include "tuning/session.h"

namespace tonvia::tuning {

struct TransferResult {
    int sent = 0;      // commands written
    int answered = 0;  // of those, how many the device acknowledged in time
    bool stopped = false;
    bool disconnected = false;  // the device went away; the rest was not sent

    bool Complete() const { return !stopped && !disconnected && answered == sent; }
};

// Called with the stored scene a whole transfer has reached, 1..10.
using SceneProgress = std::function<void(int scene)>;

// A scene name as the device stores it: in `codePage`, zero-filled, at most 15 bytes of
// text so that the field always keeps a terminator; a character that would not fit whole
// is left out with everything after it.
inline constexpr int kSceneNameBytes = 16;
using DeviceSceneName = std::array<std::uint8_t, kSceneNameBytes>;
DeviceSceneName SceneNameToDevice(std::wstring_view name, const std::string& codePage);

// The device's time to commit a whole profile to flash before it answers normally again.
inline constexpr std::chrono::milliseconds kWholeProfileSettle{20000};
// The device's time to bring a stored scene into reach before its values are asked for.
inline constexpr std::chrono::milliseconds kSceneReadSettle{1000};

// Sleeps `duration`, or less when `stop` is set meanwhile.
void PauseUnlessStopped(std::chrono::milliseconds duration, const std::atomic<bool>* stop);

// LoadSenceThread: stored scene `scene` (1..10) into the working scene, then the whole
// live state read back (PC_UI_Status_Init). False when the device refused or did not
// acknowledge the load; the read-back then does not run.
bool LoadStoredScene(Session& session, int scene, const StateReadPlan& plan,
                     const std::atomic<bool>* stop = nullptr);

// SaveSenceThread: the name, then the working scene saved into `scene`. True when the
// save was acknowledged.
bool SaveWorkingScene(CHidDevice& link, int scene, const DeviceSceneName& name);

// DeleteSenceThread: clears stored scene `scene`. True when acknowledged.
bool DeleteStoredScene(CHidDevice& link, int scene);

// The whole live state read again while connected (to check the amplifier against the
// model): the queue off, what was queued before reaching the device first, then the
// requests of the connection's read, then the queue on again.
StateReadResult ReadLiveStateAgain(CHidDevice& link, const StateReadPlan& plan,
                                   const std::atomic<bool>* stop = nullptr,
                                   const StateReadProgress& progress = {});

// Reading one stored scene: every request carries `scene`, so the replies fill its
// record; `plan` gives the band counts of its channels.
TransferResult ReadStoredScene(CHidDevice& link, int scene, const StateReadPlan& plan,
                               const std::atomic<bool>* stop = nullptr,
                               std::chrono::milliseconds settle = kSceneReadSettle);

// SaveWholeSceneThread's device half: the ten stored scenes in turn (progress before
// each), their names, then the working scene back in place. `plans` holds the band counts
// of scenes 1..10 at 0..9.
TransferResult ReadAllScenes(CHidDevice& link,
                             const std::array<StateReadPlan, kStoredSceneCount>& plans,
                             const SceneProgress& progress = {},
                             const std::atomic<bool>* stop = nullptr,
                             std::chrono::milliseconds settle = kSceneReadSettle);

// Writes `record` into the working scene: the master volume and mute; per channel the
// low-pass and high-pass filters and every band; then channel types, trims, mutes,
// phases, solos, delays and EQ bypass; the output link and lock; the routing of every
// source (the device then holds what the model shows, whichever source comes next) and
// the mix levels of every input.
// `stop` ends the transfer after the command in flight.
TransferResult SetReadCurProfileToMCU(CHidDevice& link, const SceneConfig& record,
                                      const std::atomic<bool>* stop = nullptr);

// Writes a whole profile: each stored scene's record, name and save (progress before
// each), then the working configuration into the working scene. The routing of every
// source goes into every scene, so the device's scenes equal the file's. The caller waits
// kWholeProfileSettle afterwards before it reads the device again.
TransferResult SetReadWholeProfileToMCU(CHidDevice& link, const ModelSet& profile,
                                        const SceneProgress& progress = {},
                                        const std::atomic<bool>* stop = nullptr);

}  // namespace tonvia::tuning
