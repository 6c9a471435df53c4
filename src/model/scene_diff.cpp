#include "model/scene_diff.h"

#include <cstddef>
#include <string_view>

namespace {

// Collects the changes of one pair of records; the context fields say where a value sits.
struct Comparer {
    std::vector<ParameterChange>& out;
    ParameterChange where;

    template <class T>
    void Value(std::string_view field, const T& a, const T& b) {
        if (a == b) {
            return;
        }
        ParameterChange change = where;
        change.field = std::string(field);
        change.before = static_cast<double>(a);
        change.after = static_cast<double>(b);
        out.push_back(std::move(change));
    }

    template <class T, std::size_t N>
    void PerChannel(std::string_view field, const std::array<T, N>& a, const std::array<T, N>& b) {
        for (std::size_t i = 0; i < N; ++i) {
            Comparer at{out, where};
            at.where.channel = static_cast<int>(i);
            at.Value(field, a[i], b[i]);
        }
    }

    // A [source][channel] table.
    void PerSource(std::string_view field, const SourceTable& a, const SourceTable& b) {
        for (std::size_t s = 0; s < a.size(); ++s) {
            Comparer at{out, where};
            at.where.source = static_cast<int>(s);
            at.PerChannel(field, a[s], b[s]);
        }
    }

    void Filter(std::string_view prefix, const FilterSetting& a, const FilterSetting& b) {
        const std::string p(prefix);
        Value(p + ".fs", a.fs, b.fs);
        Value(p + ".type", a.type, b.type);
        Value(p + ".slope", a.slope, b.slope);
        Value(p + ".bypass", a.bypass, b.bypass);
    }

    void Channel(const OutChannel& a, const OutChannel& b) {
        for (std::size_t band = 0; band < a.eqArray.size(); ++band) {
            Comparer at{out, where};
            at.where.band = static_cast<int>(band);
            at.Value("eq.gain", a.eqArray[band].gain, b.eqArray[band].gain);
            at.Value("eq.q", a.eqArray[band].q, b.eqArray[band].q);
            at.Value("eq.freq", a.eqArray[band].freq, b.eqArray[band].freq);
            at.Value("eq.enable", a.eqArray[band].enable, b.eqArray[band].enable);
        }
        Value("eqSize", a.eqSize, b.eqSize);
        Value("gain", a.gain, b.gain);
        Value("mute", a.mute, b.mute);
        Value("delay", a.delay, b.delay);
        Value("phase", a.phase, b.phase);
        Value("solo", a.solo, b.solo);
        Value("bypass", a.bypass, b.bypass);
        Value("compressorOn", a.compressorOn, b.compressorOn);
        Value("crossover.bpType", a.crossover.bpType, b.crossover.bpType);
        Filter("crossover.hp", a.crossover.hp, b.crossover.hp);
        Filter("crossover.lp", a.crossover.lp, b.crossover.lp);
    }

    void Scene(const SceneConfig& a, const SceneConfig& b) {
        Value("model", a.model, b.model);
        Value("mainVersion", a.mainVersion, b.mainVersion);
        Value("slaveVersion", a.slaveVersion, b.slaveVersion);
        for (std::size_t i = 0; i < a.flashver.size(); ++i) {
            Value("flashver[" + std::to_string(i) + "]", a.flashver[i], b.flashver[i]);
        }
        Value("inputSource", a.inputSource, b.inputSource);
        Value("mainVolume", a.mainVolume, b.mainVolume);
        Value("acc", a.acc, b.acc);
        Value("subVolume", a.subVolume, b.subVolume);
        Value("mainVolumeMute", a.mainVolumeMute, b.mainVolumeMute);
        Value("ampOn", a.ampOn, b.ampOn);
        Value("rem_out1", a.rem_out1, b.rem_out1);
        Value("rem_out2", a.rem_out2, b.rem_out2);
        Value("spk_ohm", a.spk_ohm, b.spk_ohm);
        Value("noise_gate", a.noise_gate, b.noise_gate);
        Value("dspOn", a.dspOn, b.dspOn);
        Value("chCount", a.chCount, b.chCount);
        for (std::size_t pair = 0; pair < a.bridgeOutputs.size(); ++pair) {
            // A bridged pair is named by its first channel.
            Comparer at{out, where};
            at.where.channel = static_cast<int>(pair * 2);
            at.Value("bridgeOutputs", a.bridgeOutputs[pair], b.bridgeOutputs[pair]);
        }
        for (std::size_t ch = 0; ch < a.channels.size(); ++ch) {
            Comparer at{out, where};
            at.where.channel = static_cast<int>(ch);
            at.Channel(a.channels[ch], b.channels[ch]);
        }
        Value("lastSoloChannel", a.lastSoloChannel, b.lastSoloChannel);
        PerSource("inputs", a.inputs, b.inputs);
        for (std::size_t s = 0; s < a.inputMixVolume.size(); ++s) {
            for (std::size_t in = 0; in < a.inputMixVolume[s].size(); ++in) {
                Comparer at{out, where};
                at.where.source = static_cast<int>(s);
                at.where.input = static_cast<int>(in);
                at.PerChannel("inputMixVolume", a.inputMixVolume[s][in], b.inputMixVolume[s][in]);
            }
        }
        PerSource("inMixPhase", a.inMixPhase, b.inMixPhase);
        PerSource("inDistort", a.inDistort, b.inDistort);
        PerSource("outDistort", a.outDistort, b.outDistort);
        PerSource("csmViceSource", a.csmViceSource, b.csmViceSource);
        PerSource("csmViceCh", a.csmViceCh, b.csmViceCh);
        PerSource("csmViceGain", a.csmViceGain, b.csmViceGain);
        PerChannel("outputs", a.outputs, b.outputs);
        Value("linkMode", a.linkMode, b.linkMode);
        Value("lockMode", a.lockMode, b.lockMode);
        PerChannel("linkSel", a.linkSel, b.linkSel);
        PerChannel("delayLinkSel", a.delayLinkSel, b.delayLinkSel);
        Value("inputThreshold", a.inputThreshold, b.inputThreshold);
        Value("powerOffDelay", a.powerOffDelay, b.powerOffDelay);
        Value("howling_control", a.howling_control, b.howling_control);
        Value("mic_volume", a.mic_volume, b.mic_volume);
        Value("bgmusic_volume", a.bgmusic_volume, b.bgmusic_volume);
        Value("voice_changer", a.voice_changer, b.voice_changer);
        Value("echo_level", a.echo_level, b.echo_level);
        Value("echo_delay", a.echo_delay, b.echo_delay);
        Value("reverb_level", a.reverb_level, b.reverb_level);
        Value("reverb_time", a.reverb_time, b.reverb_time);
        Value("bass", a.bass, b.bass);
        Value("treble", a.treble, b.treble);
        PerChannel("compBypass", a.compBypass, b.compBypass);
        PerChannel("compThreshold", a.compThreshold, b.compThreshold);
        PerChannel("compRatio", a.compRatio, b.compRatio);
        PerChannel("compAttack", a.compAttack, b.compAttack);
        PerChannel("compRelease", a.compRelease, b.compRelease);
        PerChannel("compKnee", a.compKnee, b.compKnee);
    }
};

}  // namespace

std::vector<ParameterChange> CompareScenes(const SceneConfig& before, const SceneConfig& after) {
    std::vector<ParameterChange> changes;
    Comparer{changes, {}}.Scene(before, after);
    return changes;
}

std::vector<ParameterChange> CompareModels(const ModelSet& before, const ModelSet& after) {
    std::vector<ParameterChange> changes;
    for (int scene = 0; scene <= kStoredSceneCount; ++scene) {
        Comparer comparer{changes, {}};
        comparer.where.scene = scene;
        comparer.Scene(*before.Scene(scene), *after.Scene(scene));
    }
    for (std::size_t k = 0; k < before.sceneNames.size(); ++k) {
        if (before.sceneNames[k] != after.sceneNames[k]) {
            ParameterChange change;
            change.scene = static_cast<int>(k) + 1;
            change.field = "sceneName";
            changes.push_back(std::move(change));
        }
    }
    Comparer{changes, {}}.Value("validSceneMask", before.validSceneMask, after.validSceneMask);
    return changes;
}

ChannelSet ChangedChannels(const std::vector<ParameterChange>& changes) {
    ChannelSet channels;
    for (const ParameterChange& change : changes) {
        // Only output-channel fields name a channel of the outputs; the per-input tables
        // name an input channel.
        if (change.source < 0 || change.field == "inputs" || change.field == "inputMixVolume" ||
            change.field == "outDistort") {
            channels.Add(change.channel);
        }
    }
    return channels;
}
