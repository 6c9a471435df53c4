#pragma once
// The drawn response of one output channel: high-pass, low-pass and every EQ band on the
// standard grid, summed in dB.

#include <array>
#include <span>

#include "graph/math/filter_response.h"
#include "model/crossover.h"
#include "model/eq_band.h"
#include "model/scene_config.h"

struct ChannelCurve {
    std::array<double, CURVE_POINTS> frequencies{};  // a copy of StandardFrequencyGrid()
    std::array<double, CURVE_POINTS> levels{};       // dB

    bool operator==(const ChannelCurve&) const = default;
};

// A filter with slope 0 (or below) is off and adds 0 dB. A band adds its level only when it
// is enabled and the EQ is not bypassed; otherwise it counts as 0 dB. Every section is
// floored at -400 dB on its own, as CrossoverResponse and PeqResponse do, and the result
// equals the sum of those responses to well below 1e-9 dB.
void ComputeChannelCurve(const FilterSetting& highPass, const FilterSetting& lowPass,
                         std::span<const EqBand> bands, bool eqBypassed, ChannelCurve& curve);

// The first `eqSize` bands of the channel (0..31), its crossover and its EQ bypass.
void ComputeChannelCurve(const OutChannel& channel, ChannelCurve& curve);
