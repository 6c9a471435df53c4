#include "tuning/edit_sends.h"

#include <algorithm>
#include <array>

#include "tuning/mixer_edits.h"

namespace tonvia::tuning {

namespace {

// Channel commands carry source 0; only the routing commands carry the selected source.
constexpr int kChannelSource = 0;
// Filter_Ctrl's filter numbers.
constexpr int kHighPassFilter = 2;
constexpr int kLowPassFilter = 1;

}  // namespace

void SendTrim(Session& session, int ch) {
    // The device takes an attenuation; 0 - gain keeps 0 dB from travelling as -0.
    const float attenuation[] = {0.0f - Channel(session, ch).gain};
    session.Link().Trim_Ctrl(Live(session).scene, kChannelSource, ch, ch, attenuation, false);
}

void SendMute(Session& session, int ch) {
    const int mute[] = {Channel(session, ch).mute};
    session.Link().Mute_Ch_Ctrl(Live(session).scene, kChannelSource, ch, ch, mute, false);
}

void SendPhase(Session& session, int ch) {
    const int phase[] = {Channel(session, ch).phase};
    session.Link().Phase_Ctrl(Live(session).scene, kChannelSource, ch, ch, phase, false);
}

void SendDelay(Session& session, int ch) {
    const float delay[] = {Channel(session, ch).delay};
    session.Link().Delay_Ctrl(Live(session).scene, kChannelSource, ch, ch, delay, false);
}

void SendSolos(Session& session) {
    const SceneConfig& live = Live(session);
    std::array<int, kOutChannelCount> solos{};
    for (int i = 0; i < kOutChannelCount; ++i) {
        solos[At(i)] = live.channels[At(i)].solo;
    }
    session.Link().Solo_Ctrl(live.scene, kChannelSource, 0, kOutChannelCount - 1, solos, false);
}

void SendFilter(Session& session, int ch, bool highPass) {
    const Crossover& crossover = Channel(session, ch).crossover;
    const FilterSetting& f = highPass ? crossover.hp : crossover.lp;
    session.Link().Filter_Ctrl(Live(session).scene, kChannelSource, ch,
                               highPass ? kHighPassFilter : kLowPassFilter, f.fs, f.slope, f.type,
                               false);
}

// The model may hold values from a profile or a report the device would not take.
void SendBand(Session& session, int ch, int band) {
    const EqBand& b = Channel(session, ch).eqArray[At(band)];
    const float gain = b.enable != 0 ? std::clamp(b.gain, kEqGainMin, kEqGainMax) : 0.0f;
    session.Link().EQ_Ctrl(Live(session).scene, kChannelSource, ch, band,
                           std::clamp(b.freq, kFreqMin, kFreqMax),
                           std::clamp(b.q, kEqQMin, kEqQMax), gain, false);
}

void SendBypass(Session& session, int ch) {
    const int value = Channel(session, ch).bypass;
    session.Link().PEQ_Bypass_Ctrl(Live(session).scene, kChannelSource, ch, ch,
                                   std::span<const int>(&value, 1), false);
}

void SendType(Session& session, int ch) {
    const int code[] = {Live(session).outputs[At(ch)]};
    session.Link().CH_Type_Ctrl(Live(session).scene, kChannelSource, ch, ch, code, false);
}

void SendLink(Session& session, std::span<const tonvia::commands::ChannelPair> pairs) {
    const SceneConfig& live = Live(session);
    session.Link().CH_Link_Ctrl(live.scene, live.linkMode == 1 ? 1 : 0, pairs, false);
}

void SendLock(Session& session) {
    const SceneConfig& live = Live(session);
    session.Link().CH_Lock_Ctrl(live.scene, live.lockMode == 1 ? 1 : 0, false);
}

void SendBridges(Session& session) {
    const SceneConfig& live = Live(session);
    std::array<int, kChannelPairCount> bridges{};
    std::copy(live.bridgeOutputs.begin(), live.bridgeOutputs.end(), bridges.begin());
    session.Link().Output_Bridge_Ctrl(live.scene, kChannelSource, bridges, false);
}

void SendLevel(Session& session, int source, int input, int output, int level) {
    const int trims[] = {level};
    session.Link().Input_Mix_Trim_Ctrl(Live(session).scene, source, input, output, output, trims,
                                       false);
}

void SendVice(Session& session, int source, int input) {
    const SceneConfig& live = Live(session);
    session.Link().Cross_Source_Mix_Ctrl(
        live.scene, source, input, live.csmViceSource[At(source)][At(input)],
        live.csmViceCh[At(source)][At(input)],
        live.csmViceGain[At(source)][At(input)] + kViceGainWireOffset, false);
}

void SendCompressor(Session& session, int ch) {
    const SceneConfig& live = Live(session);
    const auto c = At(ch);
    session.Link().Compressor_Ctrl(live.scene, live.inputSource, ch, live.compBypass[c],
                                   live.compThreshold[c], live.compRatio[c], live.compKnee[c],
                                   live.compAttack[c], live.compRelease[c], false);
}

}  // namespace tonvia::tuning
