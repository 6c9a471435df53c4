// Channel curve computation: all six channels with 31 non-flat bands each and an
// eighth-order high-pass and low-pass, as after loading a scene. bench/curve_bench.py runs
// this and times scipy's sosfreqz on the same sections for the ratio; keep the settings
// below in step with ChannelSettings() there.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "graph/math/channel_curve.h"
#include "graph/math/filter_response.h"

namespace {

std::array<OutChannel, kOutChannelCount> BenchChannels() {
    std::array<OutChannel, kOutChannelCount> channels;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        OutChannel& c = channels[static_cast<std::size_t>(ch)];
        c.crossover.hp.fs = 40 + 10 * ch;
        c.crossover.hp.type = 1 + ch % 3;
        c.crossover.hp.SetSlope(8);
        c.crossover.lp.fs = 16000 - 1000 * ch;
        c.crossover.lp.type = 1 + (ch + 1) % 3;
        c.crossover.lp.SetSlope(8);
        for (int b = 0; b < kEqBandCount; ++b) {
            EqBand& band = c.eqArray[static_cast<std::size_t>(b)];
            band.gain = -11.5f + static_cast<float>((ch * 7 + b * 3) % 23);
            band.q = 0.5f + 0.5f * static_cast<float>((ch + b) % 17);
        }
    }
    return channels;
}

void BM_FullCurveUpdate(benchmark::State& state) {
    const auto channels = BenchChannels();
    std::array<ChannelCurve, kOutChannelCount> curves;
    for (auto _ : state) {
        for (std::size_t ch = 0; ch < channels.size(); ++ch) {
            ComputeChannelCurve(channels[ch], curves[ch]);
        }
        benchmark::DoNotOptimize(curves.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FullCurveUpdate)->Unit(benchmark::kMicrosecond);

// The same curves assembled from the public per-part responses, one logarithm per section
// and point: what the composition would cost without its shared product.
void BM_FullCurveUpdateByParts(benchmark::State& state) {
    const auto channels = BenchChannels();
    const FrequencyGrid& grid = StandardFrequencyGrid();
    std::array<ChannelCurve, kOutChannelCount> curves;
    std::array<double, CURVE_POINTS> part{};
    for (auto _ : state) {
        for (std::size_t ch = 0; ch < channels.size(); ++ch) {
            const OutChannel& c = channels[ch];
            ChannelCurve& curve = curves[ch];
            curve.frequencies = grid;
            CrossoverResponse(false, c.crossover.hp.fs, c.crossover.hp.slope, c.crossover.hp.type,
                              grid, curve.levels);
            CrossoverResponse(true, c.crossover.lp.fs, c.crossover.lp.slope, c.crossover.lp.type,
                              grid, part);
            for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
                curve.levels[i] += part[i];
            }
            for (const EqBand& band : c.eqArray) {
                PeqResponse(CURVE_SAMPLE_RATE, band.freq, band.gain, band.q, grid, part);
                for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
                    curve.levels[i] += part[i];
                }
            }
        }
        benchmark::DoNotOptimize(curves.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FullCurveUpdateByParts)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
