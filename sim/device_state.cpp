#include "sim/device_state.h"

namespace tonvia::sim {

namespace {

constexpr std::array<std::uint16_t, kBands> kThirdOctave{
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

// Default speaker positions of the outputs and the crossover each position brings.
constexpr PerOutput<std::uint8_t> kDefaultPositions{6, 12, 15, 18, 22, 23};

struct DefaultCrossover {
    Filter highPass;
    Filter lowPass;
};

DefaultCrossover CrossoverFor(std::uint8_t position) {
    if (position >= 22 && position <= 24) {  // subwoofers
        return {{1, 30, 4}, {1, 50, 2}};
    }
    return {{3, 20, 0}, {3, 20000, 0}};  // full range
}

// Default routing: per output, the mask of the inputs it takes.
PerOutput<std::uint8_t> DefaultMix(int source) {
    if (source == 4 || source == 5) {
        return {1, 2, 4, 8, 3, 3};
    }
    return {1, 2, 1, 2, 3, 3};
}

}  // namespace

std::uint16_t DefaultBandFrequency(int band) {
    return band >= 0 && band < kBands ? kThirdOctave[static_cast<std::size_t>(band)] : 1000;
}

SceneParams DefaultScene() {
    SceneParams scene;
    for (std::size_t ch = 0; ch < kOutputs; ++ch) {
        const auto crossover = CrossoverFor(kDefaultPositions[ch]);
        scene.highPass[ch] = crossover.highPass;
        scene.lowPass[ch] = crossover.lowPass;
        scene.channelType[ch] = kDefaultPositions[ch];
        for (std::size_t band = 0; band < kBands; ++band) {
            scene.eq[ch][band].freq = kThirdOctave[band];
        }
    }
    for (std::size_t source = 0; source < kSources; ++source) {
        scene.mix[source] = DefaultMix(static_cast<int>(source));
        for (std::size_t input = 0; input < kInputSlots; ++input) {
            for (std::size_t band = 0; band < kBands; ++band) {
                scene.inputEq[source][input][band].freq = kThirdOctave[band];
            }
            for (std::size_t out = 0; out < kOutputs; ++out) {
                const bool routed = (scene.mix[source][out] >> input) & 1u;
                scene.inputMixTrim[source][input][out] = routed ? 100 : 0;
            }
        }
    }
    return scene;
}

DeviceState FactoryState() {
    DeviceState state;
    const SceneParams defaults = DefaultScene();
    for (auto& scene : state.scenes) {
        scene = defaults;
    }
    for (std::size_t slot = 1; slot < kSceneSlots; ++slot) {
        state.sceneNames[slot].fill(0xFF);  // erased flash
    }
    state.inputNoiseTenths = {-705, -712, -698, -720, -1000, -1000};
    state.karaoke[0] = 60;  // microphone volume
    state.karaoke[1] = 60;  // music volume
    return state;
}

}  // namespace tonvia::sim
