#include "tuning/calibration.h"

#include <algorithm>
#include <thread>

#include "model/positions.h"
#include "platform/log.h"

namespace tonvia::tuning {

namespace {

constexpr std::array<std::int32_t, kCalibrationBands> kThirdOctaves = {
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

// The spectrum's 121 points in the amplifier's request ranges of nine points.
constexpr int kSpectrumChunk = 9;
// The equaliser's eleven bands in two requests.
constexpr int kEqSplit = 5;
constexpr int kEqLastBand = 10;
// The longest wait for a status answer to be applied after the pause.
constexpr std::chrono::milliseconds kStatusWait{2000};

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

// Waits up to `duration`, ending early when a stop is requested.
void Pause(const CalibrationShared& shared, std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (!shared.stop.load() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::min(std::chrono::milliseconds(10), duration));
    }
}

}  // namespace

bool IsIrcEnd(int status) {
    return status == kIrcTestDone || status == kIrcTestFail || status == kIrcTestExit;
}

CalibrationData::CalibrationData() {
    for (auto& channel : bands) {
        for (int b = 0; b < kCalibrationBands; ++b) {
            channel[At(b)].freq = kThirdOctaves[At(b)];
        }
    }
    for (auto& channel : points) {
        for (int p = 0; p < kCalibrationPoints; ++p) {
            channel[At(p)].freq = 20 + (20000 - 20) * p / kCalibrationPoints;
        }
    }
}

bool CalibrationData::Store(const IrcEqRec& record) {
    if (record.channel < 0 || record.channel >= kCalibrationChannels || record.band < 0 ||
        record.band >= kCalibrationBands) {
        return false;
    }
    CalibrationBand& band = bands[At(record.channel)][At(record.band)];
    band.freq = record.freq;
    band.q = record.Q;
    band.gain = record.gain;
    return true;
}

bool CalibrationData::Store(const IrcSpectrumRec& record) {
    if (record.channel < 0 || record.channel >= kCalibrationChannels || record.band < 0 ||
        record.band >= kCalibrationPoints) {
        return false;
    }
    SpectrumPoint& point = points[At(record.channel)][At(record.band)];
    point.gain = record.gain;
    point.freq = static_cast<std::int32_t>(record.freq);
    return true;
}

const char* IrcStatusTip(int status, std::intptr_t value) {
    static constexpr const char* kSteps[] = {nullptr,
                                             "${detect_speaker}",
                                             "${detect_level}",
                                             "${detect_location}",
                                             "${adjust_ch_volume}",
                                             "${compensate_eq}",
                                             "${test_freq_response}"};
    static constexpr const char* kFailures[] = {"${irc_failed_level}",     "${irc_failed_mic}",
                                                "${irc_failed_speaker}",   "${irc_failed_delay}",
                                                "${irc_failed_ch_volume}", "${irc_failed_eq}"};
    if (status >= 0 && status < static_cast<int>(std::size(kSteps))) {
        return kSteps[status];
    }
    switch (status) {
        case kIrcTestDataUpdate:
            return "${test_freq_response}";
        case kIrcTestDone:
        case kIrcTestExit:
            return "${irc_completed}";
        case kIrcTestFail:
            return value >= 0 && value < static_cast<std::intptr_t>(std::size(kFailures))
                       ? kFailures[value]
                       : nullptr;
        default:
            return nullptr;
    }
}

bool ApplyStatus(CalibrationShared& shared, int kind, std::intptr_t value) {
    shared.status.store(kind);
    if (kind < 0 || kind > kIrcLastStatus) {
        return false;
    }
    shared.statusReports.fetch_add(1);
    if (shared.stop.load()) {
        return true;
    }
    switch (kind) {
        case kIrcSpectrumUpdate:
        case kIrcEqUpdate:
            shared.dataChannel.store(static_cast<int>(value));
            break;
        case kIrcTestDataUpdate:
            shared.testDataSeen.store(true);
            break;
        case kIrcTestFail:
            break;
        default:
            shared.progress.store(static_cast<int>(value));
            break;
    }
    return true;
}

void RunCalibration(CHidDevice& link, CalibrationShared& shared, std::uint32_t module,
                    std::uint16_t channelMask, std::uint8_t eqMode, CalibrationTimings timings,
                    const std::function<void(int progress)>& progress) {
    LogPrintA("AutoCalThread begin\n");
    shared.running.store(true);
    shared.testDataSeen.store(false);
    shared.status.store(0);
    link.IRC_Sel_Test_Module(static_cast<int>(module), true);
    SendIrcControl(link, IrcControl::Start, channelMask, eqMode, true);
    while (!IsIrcEnd(shared.status.load()) && !shared.stop.load()) {
        const unsigned before = shared.statusReports.load();
        const bool answered = link.IRC_Get();
        Pause(shared, timings.poll);
        // The status comes through the window's thread: a busy window must not make the
        // worker act on the previous status and so miss a data step.
        const auto limit = std::chrono::steady_clock::now() + kStatusWait;
        while (answered && shared.statusReports.load() == before && !shared.stop.load() &&
               std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const int status = shared.status.load();
        const int channel = shared.dataChannel.load();
        if (shared.stop.load()) {
            break;
        }
        if (status == kIrcSpectrumUpdate) {
            for (int first = 0; first < kCalibrationPoints && !shared.stop.load();
                 first += kSpectrumChunk) {
                link.IRC_Get_Spectrum(channel, first,
                                      std::min(first + kSpectrumChunk, kCalibrationPoints) - 1);
            }
        } else if (status == kIrcEqUpdate) {
            link.IRC_Get_EQ(channel, 0, kEqSplit);
            link.IRC_Get_EQ(channel, kEqSplit + 1, kEqLastBand);
        } else if (status == kIrcTestDataUpdate && shared.testDataSeen.load()) {
            shared.testDataSeen.store(false);
        } else if (progress) {
            progress(shared.progress.load());
        }
        Pause(shared, timings.poll);
    }
    shared.running.store(false);
    LogPrintA("AutoCalThread end, pwm->mIrcStatus=0x%x\n",
              static_cast<unsigned>(shared.status.load()));
}

bool SendIrcControl(CHidDevice& link, IrcControl control, std::uint16_t channelMask,
                    std::uint8_t eqMode, bool now) {
    return link.IRC_Ctrl(static_cast<int>(control), channelMask, eqMode,
                         now || !link.IsQueueEnabled());
}

ChannelBlock CalibrationBlock(const SceneConfig& live, int ch) {
    ChannelBlock block;
    if (ch < 0 || ch >= kOutChannelCount) {
        block.empty = true;
        return block;
    }
    const int code = live.outputs[At(ch)];
    block.bridged = ch % 2 == 1 && live.bridgeOutputs[At(ch / 2)] != 0;
    block.empty = code == 0;
    block.subwoofer = code == kPositionSubwooferLeft || code == kPositionSubwooferRight ||
                      code == kPositionSubwooferLow;
    return block;
}

}  // namespace tonvia::tuning
