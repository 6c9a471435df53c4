#pragma once
// What differs between two records, parameter by parameter: the base for refreshing exactly
// the controls an edit touched, for the undo history and for checking the amplifier
// against the model. Page state (the current channel, the shown curves, the GEQ mode), the
// record's own scene number and what is derived from other fields (the link partners, the
// positions' backup copy) are not compared.

#include <string>
#include <vector>

#include "model/channel_rules.h"
#include "model/model_set.h"
#include "model/scene_config.h"

struct ParameterChange {
    int scene = 0;      // 0 live, 1..10 stored (CompareModels only)
    int channel = -1;   // output channel (or input channel of the per-input tables); -1 none
    int band = -1;      // EQ band; -1 none
    int source = -1;    // input source of the routing tables; -1 none
    int input = -1;     // input row of the mix levels; -1 none
    std::string field;  // the member's name, e.g. "gain", "eq.freq", "crossover.hp.slope"
    double before = 0.0;
    double after = 0.0;

    bool operator==(const ParameterChange&) const = default;
};

// Every parameter whose value differs from `before` to `after`, in member order.
std::vector<ParameterChange> CompareScenes(const SceneConfig& before, const SceneConfig& after);
// The same over the live record and the ten stored scenes (each change names its scene),
// then each changed scene name (named by its scene) and the valid-scene mask.
std::vector<ParameterChange> CompareModels(const ModelSet& before, const ModelSet& after);

// The output channels that any of `changes` names.
ChannelSet ChangedChannels(const std::vector<ParameterChange>& changes);
