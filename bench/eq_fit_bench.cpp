// The EQ fit of one channel: 31 bands on a 500-point measurement shaped like an in-car one
// (cabin gain, door resonances, a comb of reflections, narrow nulls), toward the in-car
// target over 30 Hz..16 kHz. Prints the fit's time with the RMS error before and after, the
// time against the 2 s goal, and against a reference taken in the same run: one band response
// on the fit's grid, timed alone, times the band responses the fit computed (the ratio is
// what the optimiser costs beyond the response maths).
//
//   build/rel/bench/eq_fit_bench [runs]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "graph/math/filter_response.h"
#include "tuning/eq_fit.h"

namespace {

using Clock = std::chrono::steady_clock;
using tonvia::tuning::Response;

constexpr int kMeasuredPoints = 500;
constexpr double kGoalSeconds = 2.0;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Peaks and dips on a gentle slope, a high-frequency roll-off and a reflection comb, plus a
// little noise; the same every run.
Response CarMeasurement() {
    struct Bump {
        double hz, db, q;
    };
    const Bump bumps[] = {{42, 7, 3},   {65, -9, 5},   {110, 6, 2},    {180, -5, 4},
                          {320, 4, 3},  {650, -6, 6},  {1400, 5, 2.5}, {2600, -4, 4},
                          {4200, 6, 3}, {7500, -5, 2}, {11000, 3, 4}};
    std::mt19937 random(20240611);
    std::normal_distribution<double> noise(0.0, 0.4);
    Response r;
    std::vector<double> eval(kMeasuredPoints + 2);
    for (int i = 0; i < kMeasuredPoints; ++i) {
        eval[static_cast<std::size_t>(i)] = 10.0 * std::pow(2400.0, i / (kMeasuredPoints - 1.0));
    }
    eval[kMeasuredPoints] = CURVE_SAMPLE_RATE / 2.0;
    eval[kMeasuredPoints + 1] = CURVE_SAMPLE_RATE;
    r.frequencies.assign(eval.begin(), eval.begin() + kMeasuredPoints);
    r.levels.assign(kMeasuredPoints, 85.0);
    std::vector<double> part(kMeasuredPoints);
    for (const Bump& b : bumps) {
        PeqResponse(CURVE_SAMPLE_RATE, b.hz, b.db, b.q, eval, part);
        for (int i = 0; i < kMeasuredPoints; ++i) {
            r.levels[static_cast<std::size_t>(i)] += part[static_cast<std::size_t>(i)];
        }
    }
    for (int i = 0; i < kMeasuredPoints; ++i) {
        const double f = r.frequencies[static_cast<std::size_t>(i)];
        double& level = r.levels[static_cast<std::size_t>(i)];
        level += 10.0 * std::log10(1.0 + std::pow(f / 14000.0, 4.0)) * -1.0;  // roll-off
        level += 1.5 * std::cos(2.0 * 3.14159265 * f / 900.0) * (f > 500 ? 1.0 : 0.0);
        level += noise(random);
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const Response measured = CarMeasurement();
    const Response target = tonvia::tuning::TargetResponse(tonvia::tuning::BuiltInTarget::Car);
    tonvia::tuning::EqFitOptions options;
    options.lowHz = 30.0;
    options.highHz = 16000.0;
    options.bands = 31;

    std::vector<double> times;
    tonvia::tuning::EqFit fit;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        fit = tonvia::tuning::FitEq(measured, target, options);
        times.push_back(Seconds(start));
        if (!fit.Ok()) {
            std::fprintf(stderr, "eq_fit_bench: %s\n", fit.error.c_str());
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];

    // The reference: one band response on the grid points of the fit's range.
    std::vector<double> grid;
    for (const double f : fit.frequencies) {
        if (f >= options.lowHz && f <= options.highHz) {
            grid.push_back(f);
        }
    }
    grid.push_back(CURVE_SAMPLE_RATE / 2.0);
    grid.push_back(CURVE_SAMPLE_RATE);
    std::vector<double> level(grid.size() - 2);
    constexpr int kReferenceCalls = 20000;
    const auto start = Clock::now();
    for (int i = 0; i < kReferenceCalls; ++i) {
        PeqResponse(CURVE_SAMPLE_RATE, 100.0 + i % 1000, -3.0, 2.0, grid, level);
    }
    const double oneResponse = Seconds(start) / kReferenceCalls;
    const double reference = oneResponse * static_cast<double>(fit.bandEvaluations);

    std::printf("eq fit: %d bands used of %d, %d-point measurement, %zu grid points in range\n",
                fit.bandsUsed, options.bands, kMeasuredPoints, grid.size() - 2);
    std::printf("time: median %.1f ms of %d runs (best %.1f ms)\n", median * 1e3, runs,
                times.front() * 1e3);
    std::printf("rms error over %.0f..%.0f Hz: before %.2f dB, after %.2f dB\n", options.lowHz,
                options.highHz, fit.rmsBeforeDb, fit.rmsAfterDb);
    std::printf("goal %.1f s: ratio %.3f\n", kGoalSeconds, median / kGoalSeconds);
    std::printf("band responses %lld x %.2f us = %.1f ms: ratio %.3f\n", fit.bandEvaluations,
                oneResponse * 1e6, reference * 1e3, median / reference);
    return 0;
}
