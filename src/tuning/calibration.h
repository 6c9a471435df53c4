#pragma once
// The amplifier's room calibration: the run that starts it and follows its status, and the
// measured data it reports. The amplifier measures and corrects by itself; this side sends
// the control commands, fetches the data for display and keeps or discards the result.
//
// Threads: `RunCalibration` runs on a worker and is the only sender while it runs; the
// owner of the window applies the status reports (`ApplyStatus`) and writes nothing else
// the worker reads.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "commands/reply_records.h"
#include "link/hid_device.h"
#include "model/scene_config.h"

namespace tonvia::tuning {

inline constexpr int kCalibrationChannels = kOutChannelCount;
inline constexpr int kCalibrationBands = 31;
inline constexpr int kCalibrationPoints = 121;
inline constexpr int kCalibrationQ100 = 580;  // Q 5.8 of the bands not yet reported

// Correction parts, sent as the test module.
inline constexpr std::uint32_t kIrcModuleEq = 1;
inline constexpr std::uint32_t kIrcModuleDelay = 2;
inline constexpr std::uint32_t kIrcModulePhase = 4;

// Status kinds of the status reply.
enum IrcStatus : int {
    kIrcStartTest = 0,
    kIrcSpectrumUpdate = 7,
    kIrcEqUpdate = 8,
    kIrcTestDataUpdate = 9,
    kIrcTestDone = 10,
    kIrcTestFail = 11,
    kIrcTestExit = 12,
};
// The last status kind a status reply carries; the data kinds follow at 20..27.
inline constexpr int kIrcLastStatus = kIrcTestExit;
bool IsIrcEnd(int status);

// IRC_Ctrl's first byte.
enum class IrcControl { Stop = 0, Start = 1, Keep = 2, Discard = 3 };

struct CalibrationBand {
    float gain = 0.0f;  // dB
    float q = kCalibrationQ100 / 100.0f;
    std::int32_t freq = 0;  // Hz
};
struct SpectrumPoint {
    float gain = 0.0f;
    std::int32_t freq = 0;
};

// The measured data of the six channels, with the index checks a device report needs.
struct CalibrationData {
    std::array<std::array<CalibrationBand, kCalibrationBands>, kCalibrationChannels> bands;
    std::array<std::array<SpectrumPoint, kCalibrationPoints>, kCalibrationChannels> points;

    // Every band at 0 dB on its third-octave centre, every point on the linear grid.
    CalibrationData();
    // False, storing nothing, for a channel, band or point the tables do not hold.
    bool Store(const IrcEqRec& record);
    bool Store(const IrcSpectrumRec& record);
};

// What the dialog and the worker share. The worker reads the status fields and the stop
// request; the window thread writes them.
struct CalibrationShared {
    std::atomic<int> status{0};
    std::atomic<int> progress{0};
    std::atomic<int> dataChannel{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> testDataSeen{false};
    std::atomic<bool> running{false};
    // Counts the status reports applied, so that the worker knows when its request's
    // answer has reached the window's thread.
    std::atomic<unsigned> statusReports{0};
};

// The worker's pause between a status request and its follow-up, and after it.
struct CalibrationTimings {
    std::chrono::milliseconds poll{500};
};

// The language key of the tip a status shows, null for none (11 takes the reason).
const char* IrcStatusTip(int status, std::intptr_t value);

// Applies a status report (kinds 0..12) to the shared fields, as the window must before
// it shows anything. Returns false for a data kind.
bool ApplyStatus(CalibrationShared& shared, int kind, std::intptr_t value);

// Selects the module, starts the measurement of `channelMask`, then asks for the status
// until it ends or a stop is requested, fetching each channel's spectrum (14 requests)
// and equaliser (2) when they are ready and calling `progress` with the last progress
// otherwise.
void RunCalibration(CHidDevice& link, CalibrationShared& shared, std::uint32_t module,
                    std::uint16_t channelMask, std::uint8_t eqMode, CalibrationTimings timings,
                    const std::function<void(int progress)>& progress);

// IRC_Ctrl: at once from the calibration thread (`now`), else through the command queue
// while it runs, so that a window never waits for the reply.
bool SendIrcControl(CHidDevice& link, IrcControl control, std::uint16_t channelMask = 0,
                    std::uint8_t eqMode = 0, bool now = false);

// Why a channel cannot be measured: only the first half of a bridged pair is, an empty
// position has no speaker, and the microphone cannot judge a subwoofer.
struct ChannelBlock {
    bool bridged = false;
    bool empty = false;
    bool subwoofer = false;
    bool Any() const { return bridged || empty || subwoofer; }
};
ChannelBlock CalibrationBlock(const SceneConfig& live, int ch);

}  // namespace tonvia::tuning
