#include "cli/dump.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "cli/params.h"
#include "model/positions.h"
#include "platform/text.h"

namespace tonvia::cli {

namespace {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

// Floats of the model print with the digits they were given: -3.5 rather than
// -3.4999999046325684.
double Rounded(float value, double per = 1000.0) {
    return std::round(static_cast<double>(value) * per) / per;
}

void Number(cJSON* object, const char* key, double value) {
    cJSON_AddNumberToObject(object, key, value);
}

void Flag(cJSON* object, const char* key, bool value) {
    cJSON_AddBoolToObject(object, key, value);
}

cJSON* FilterObject(const FilterSetting& f) {
    cJSON* object = cJSON_CreateObject();
    Number(object, "type", f.type);
    Number(object, "slopeDbPerOctave", 6 * f.slope);
    Number(object, "freq", f.fs);
    return object;
}

cJSON* ChannelObject(const SceneConfig& s, int ch) {
    const OutChannel& c = s.channels[At(ch)];
    cJSON* object = cJSON_CreateObject();
    Number(object, "channel", ch + 1);
    Number(object, "position", s.outputs[At(ch)]);
    Number(object, "level", Rounded(c.gain, 10.0));
    Flag(object, "mute", c.mute != 0);
    Flag(object, "phase", c.phase != 0);
    Flag(object, "solo", c.solo != 0);
    Number(object, "delayMs", Rounded(c.delay));
    Flag(object, "eqBypass", c.bypass != 0);
    Number(object, "synchronizeGroup", s.linkSel[At(ch)]);
    Number(object, "delayLinkGroup", s.delayLinkSel[At(ch)]);
    cJSON_AddItemToObject(object, "highPass", FilterObject(c.crossover.hp));
    cJSON_AddItemToObject(object, "lowPass", FilterObject(c.crossover.lp));
    cJSON* bands = cJSON_AddArrayToObject(object, "bands");
    const int count = std::clamp(c.eqSize, 0, kEqBandCount);
    for (int b = 0; b < count; ++b) {
        const EqBand& band = c.eqArray[At(b)];
        cJSON* item = cJSON_CreateObject();
        Number(item, "band", b + 1);
        Number(item, "freq", band.freq);
        Number(item, "q", Rounded(band.q, 100.0));
        Number(item, "gain", Rounded(band.gain, 10.0));
        Flag(item, "enable", band.enable != 0);
        cJSON_AddItemToArray(bands, item);
    }
    return object;
}

cJSON* RoutingArray(const SceneConfig& s) {
    cJSON* sources = cJSON_CreateArray();
    for (int source = 0; source < kInputSourceCount; ++source) {
        cJSON* object = cJSON_CreateObject();
        Number(object, "source", source + 1);
        cJSON_AddStringToObject(object, "name", SourceName(source).c_str());
        cJSON* outputs = cJSON_AddArrayToObject(object, "outputs");
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            cJSON* output = cJSON_CreateObject();
            Number(output, "channel", ch + 1);
            cJSON* inputs = cJSON_AddArrayToObject(output, "inputs");
            cJSON* levels = cJSON_AddArrayToObject(output, "mixLevels");
            const std::int32_t mask = s.inputs[At(source)][At(ch)];
            for (int in = 0; in < SourceInputCount(source); ++in) {
                if ((mask >> in) & 1) {
                    cJSON_AddItemToArray(inputs, cJSON_CreateNumber(in + 1));
                }
                cJSON_AddItemToArray(
                    levels, cJSON_CreateNumber(s.inputMixVolume[At(source)][At(in)][At(ch)]));
            }
            cJSON_AddItemToArray(outputs, output);
        }
        cJSON_AddItemToArray(sources, object);
    }
    return sources;
}

}  // namespace

std::string DumpJson(const ModelSet& model) {
    const SceneConfig& s = model.live;
    JsonPtr root(cJSON_CreateObject());
    cJSON* device = cJSON_AddObjectToObject(root.get(), "device");
    Number(device, "model", s.model);
    Number(device, "mainVersion", s.mainVersion);
    Number(device, "slaveVersion", s.slaveVersion);

    Number(root.get(), "masterVolume", s.mainVolume);
    Flag(root.get(), "masterMute", s.mainVolumeMute != 0);
    Number(root.get(), "source", s.inputSource + 1);
    cJSON_AddStringToObject(root.get(), "sourceName", SourceName(s.inputSource).c_str());
    Number(root.get(), "acc", s.acc);
    Number(root.get(), "subVolume", s.subVolume);
    Number(root.get(), "inputThreshold", s.inputThreshold);

    cJSON* switches = cJSON_AddObjectToObject(root.get(), "switches");
    Flag(switches, "amplifier", s.ampOn != 0);
    Flag(switches, "remoteOut1", s.rem_out1 != 0);
    Flag(switches, "remoteOut2", s.rem_out2 != 0);
    Flag(switches, "speaker2Ohm", s.spk_ohm != 0);
    Flag(switches, "noiseGate", s.noise_gate != 0);

    Flag(root.get(), "outputLink", s.linkMode != 0);
    Flag(root.get(), "outputLock", s.lockMode != 0);
    cJSON* bridges = cJSON_AddArrayToObject(root.get(), "bridges");
    for (const std::int32_t on : s.bridgeOutputs) {
        cJSON_AddItemToArray(bridges, cJSON_CreateBool(on != 0));
    }

    cJSON* channels = cJSON_AddArrayToObject(root.get(), "channels");
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        cJSON_AddItemToArray(channels, ChannelObject(s, ch));
    }
    cJSON_AddItemToObject(root.get(), "routing", RoutingArray(s));

    cJSON* scenes = cJSON_AddArrayToObject(root.get(), "scenes");
    for (int scene = 1; scene <= kStoredSceneCount; ++scene) {
        cJSON* item = cJSON_CreateObject();
        Number(item, "number", scene);
        cJSON_AddStringToObject(
            item, "name", tonvia::platform::WideToUtf8(model.sceneNames[At(scene - 1)]).c_str());
        Flag(item, "stored", ((model.validSceneMask >> (scene - 1)) & 1) != 0);
        cJSON_AddItemToArray(scenes, item);
    }

    char* text = cJSON_Print(root.get());
    std::string out = text != nullptr ? text : "{}";
    cJSON_free(text);
    return out + "\n";
}

}  // namespace tonvia::cli
