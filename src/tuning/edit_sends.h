#pragma once
// What the edit files of src/tuning share: the argument checks and the one-channel sends.
// Every command carries the live record's scene and source 0 and is queued. Private to
// src/tuning.

#include <span>
#include <string_view>

#include "commands/payloads.h"
#include "tuning/edits.h"

namespace tonvia::tuning {

inline std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}
inline bool IsChannel(int ch) {
    return ch >= 0 && ch < kOutChannelCount;
}
inline bool IsBridged(const SceneConfig& live, int ch) {
    return live.bridgeOutputs[At(ch / 2)] != 0;
}
inline EditResult Refused() {
    EditResult result;
    result.refused = true;
    return result;
}
// An empty question function confirms.
inline bool Confirmed(const Confirm& ask, std::string_view key) {
    return !ask || ask(key);
}
inline SceneConfig& Live(Session& session) {
    return session.Model().live;
}
inline OutChannel& Channel(Session& session, int ch) {
    return Live(session).channels[At(ch)];
}

// The level of ch as the attenuation the device takes.
void SendTrim(Session& session, int ch);
void SendMute(Session& session, int ch);
void SendPhase(Session& session, int ch);
void SendDelay(Session& session, int ch);
// One `Solo_Ctrl` with all six channels' solos.
void SendSolos(Session& session);
void SendFilter(Session& session, int ch, bool highPass);
// Band values limited to what the device takes; a disabled band goes out at 0 dB.
void SendBand(Session& session, int ch, int band);
void SendBypass(Session& session, int ch);
// The position code of ch (`CH_Type_Ctrl`).
void SendType(Session& session, int ch);
// The output link with the given copy pairs; the lock; the three bridge values.
void SendLink(Session& session, std::span<const tonvia::commands::ChannelPair> pairs);
void SendLock(Session& session);
void SendBridges(Session& session);
// One route's mix level, and the cross-source mix of one input of a source.
void SendLevel(Session& session, int source, int input, int output, int level);
void SendVice(Session& session, int source, int input);
// The whole compressor of ch, on the live record's source.
void SendCompressor(Session& session, int ch);

}  // namespace tonvia::tuning
