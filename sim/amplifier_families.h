#pragma once
// Internal to the amplifier: what the files of its command families share.

#include <cstdint>
#include <utility>

#include "sim/amplifier.h"

namespace tonvia::sim::amplifier_detail {

// Flash transfer codes; the boot loader takes these besides the system family.
inline constexpr std::uint8_t kFlashErase = 0x02;
inline constexpr std::uint8_t kFlashUpgradeStart = 0x03;
inline constexpr std::uint8_t kFlashUpgradeData = 0x04;
inline constexpr std::uint8_t kFlashUpgradeFinish = 0x05;

// Calibration status codes: status reads step through them, a stop request sets kIrcExit.
inline constexpr std::uint8_t kIrcSpectrumReady = 7;
inline constexpr std::uint8_t kIrcEqReady = 8;
inline constexpr std::uint8_t kIrcTestData = 9;
inline constexpr std::uint8_t kIrcDone = 10;
inline constexpr std::uint8_t kIrcFail = 11;
inline constexpr std::uint8_t kIrcExit = 12;

inline Bytes Ack(std::uint8_t type, std::uint8_t subcmd, std::uint8_t status) {
    const std::uint8_t data[] = {status};
    return MakeFrame(type, subcmd, kOpAck, data);
}

inline Bytes Update(std::uint8_t type, std::uint8_t subcmd, const Bytes& data) {
    return MakeFrame(type, subcmd, kOpUpdate, data);
}

inline Outcome Reply(Bytes frame) {
    Outcome outcome;
    outcome.frames.push_back(std::move(frame));
    return outcome;
}

inline Outcome Rejected() {
    Outcome outcome;
    outcome.rejected = true;
    return outcome;
}

inline bool ValidScene(int scene) {
    return scene >= 0 && scene < kSceneSlots;
}
inline bool ValidSource(int source) {
    return source >= 0 && source < kSources;
}

}  // namespace tonvia::sim::amplifier_detail
