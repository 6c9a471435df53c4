#include "tuning/eq_fit.h"

#include <nlopt.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <numeric>
#include <span>

#include "graph/math/filter_response.h"
#include "model/dimensions.h"
#include "model/value_ranges.h"
#include "platform/log.h"

namespace tonvia::tuning {

namespace {

// The in-car target: a bass shelf of +8 dB below 60 Hz that is half gone near 110 Hz and
// gone by 315 Hz, flat through the midrange, then -1 dB per octave above 1 kHz. Hz, dB.
constexpr double kCarTarget[][2] = {
    {20.0, 8.0},    {50.0, 8.0},    {63.0, 7.6},     {80.0, 6.6},     {100.0, 5.0},  {125.0, 3.2},
    {160.0, 1.7},   {200.0, 0.8},   {250.0, 0.3},    {315.0, 0.0},    {1000.0, 0.0}, {2000.0, -1.0},
    {4000.0, -2.0}, {8000.0, -3.0}, {16000.0, -4.0}, {20000.0, -4.3},
};

// The curves are compared on this many points, log-spaced over the measured part of
// 20..20000 Hz.
constexpr int kGridPoints = 320;
// Errors where the response lies below the target (a boost would fix them) count this much
// against those above it (a cut would), so that where the bands cannot fix both the fit
// leans to cuts.
constexpr double kBelowTargetWeight = 0.5;
// The EQ as a whole boosting past the user's maximum: squared excess, this much heavier.
constexpr double kOverBoostWeight = 50.0;
// A deviation smaller than this gets no band of its own.
constexpr double kPlaceThresholdDb = 1.0;
// A band whose gain ends below this did nothing where it was put.
constexpr double kIdleGainDb = 0.05;
// Optimiser evaluations for each band as it is placed, and for all bands together at the
// end; a fixed budget, so that a fit takes a predictable time.
constexpr int kPlaceEvaluations = 40;
constexpr int kRefineEvaluations = 400;
// Forward-difference step of each parameter (octaves, dB, octaves of Q).
constexpr double kStep = 1e-4;
// Least overlap of the range and the measurement, in octaves.
constexpr double kLeastRangeOctaves = 1.0 / 3.0;

std::string Line(int number, const std::string& why) {
    return "line " + std::to_string(number) + ": " + why;
}

std::string Hz(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%g Hz", hz);
    return text;
}

// Any number from_chars reads, "nan" and "inf" included, so that they can be named; a
// leading '+' is taken too.
std::optional<double> Number(std::string_view word) {
    if (word.starts_with('+')) {
        word.remove_prefix(1);
    }
    double value = 0.0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (error != std::errc() || stop != end || word.empty()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    auto separator = [](char c) {
        return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r';
    };
    while (i < line.size()) {
        while (i < line.size() && separator(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !separator(line[i])) {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

// Whether the response is one to compute with; the reason when it is not.
std::string Unusable(const Response& r, const char* what) {
    if (r.frequencies.size() != r.levels.size() || r.frequencies.empty()) {
        return std::string("the ") + what + " has no points";
    }
    for (std::size_t i = 0; i < r.frequencies.size(); ++i) {
        if (!std::isfinite(r.frequencies[i]) || !std::isfinite(r.levels[i]) ||
            r.frequencies[i] <= 0.0 || (i > 0 && r.frequencies[i] <= r.frequencies[i - 1])) {
            return std::string("the ") + what + " is not a response: point " +
                   std::to_string(i + 1);
        }
    }
    return {};
}

// The level at f, read on a straight line between the neighbouring points on a log-frequency
// axis; held beyond the ends.
double LevelAt(const Response& r, double f) {
    const auto& fs = r.frequencies;
    if (f <= fs.front()) {
        return r.levels.front();
    }
    if (f >= fs.back()) {
        return r.levels.back();
    }
    const std::size_t hi =
        static_cast<std::size_t>(std::upper_bound(fs.begin(), fs.end(), f) - fs.begin());
    const std::size_t lo = hi - 1;
    const double t = std::log(f / fs[lo]) / std::log(fs[hi] / fs[lo]);
    return r.levels[lo] + t * (r.levels[hi] - r.levels[lo]);
}

// Power average of the measured points within `octaves` around each grid frequency, so that
// a narrow null (little power) hardly pulls the level down; where the window holds fewer than
// three points, the level read between points.
std::vector<double> Smoothed(const Response& r, std::span<const double> grid, double octaves) {
    std::vector<double> powerSum(r.levels.size() + 1, 0.0);
    for (std::size_t i = 0; i < r.levels.size(); ++i) {
        powerSum[i + 1] = powerSum[i] + std::pow(10.0, r.levels[i] / 10.0);
    }
    const double half = std::exp2(octaves / 2.0);
    std::vector<double> levels;
    levels.reserve(grid.size());
    for (const double f : grid) {
        const auto& fs = r.frequencies;
        const auto first = std::lower_bound(fs.begin(), fs.end(), f / half) - fs.begin();
        const auto last = std::upper_bound(fs.begin(), fs.end(), f * half) - fs.begin();
        const auto count = last - first;
        if (octaves > 0.0 && count >= 3) {
            const double mean = (powerSum[static_cast<std::size_t>(last)] -
                                 powerSum[static_cast<std::size_t>(first)]) /
                                static_cast<double>(count);
            levels.push_back(10.0 * std::log10(mean));
        } else {
            levels.push_back(LevelAt(r, f));
        }
    }
    return levels;
}

// One band in the optimiser's terms: log2 of the frequency, the gain, log2 of Q.
struct BandParams {
    double octave = 0.0;
    double gain = 0.0;
    double logQ = 0.0;
};

struct Bounds {
    BandParams low;
    BandParams high;
};

// The fit over the grid points of the range: the bands, each one's level at every point, and
// their sum.
class Fitter {
  public:
    Fitter(std::span<const double> frequencies, std::span<const double> measured,
           std::span<const double> target, const Bounds& bounds, double maxBoost)
        : mMeasured(measured.begin(), measured.end()),
          mTarget(target.begin(), target.end()),
          mBounds(bounds),
          mMaxBoost(maxBoost),
          mSum(frequencies.size(), 0.0) {
        // The response functions read f_ref = fs / 2 from the second-to-last frequency.
        mFrequencies.assign(frequencies.begin(), frequencies.end());
        mFrequencies.push_back(CURVE_SAMPLE_RATE / 2.0);
        mFrequencies.push_back(CURVE_SAMPLE_RATE);
    }

    const std::vector<BandParams>& Bands() const { return mBands; }
    long long Evaluations() const { return mEvaluations; }

    // Puts up to `count` bands, one at a time on the largest remaining deviation, each
    // optimised on its own as it is put.
    void Place(int count) {
        const std::size_t n = mMeasured.size();
        std::vector<bool> spent(n, false);
        int attempts = 0;
        while (static_cast<int>(mBands.size()) < count && attempts++ < 4 * count) {
            std::size_t at = n;
            double best = kPlaceThresholdDb;
            for (std::size_t i = 0; i < n; ++i) {
                const double need = mTarget[i] - mMeasured[i] - mSum[i];  // > 0: a boost
                const double score =
                    need < 0.0 ? -need : kBelowTargetWeight * std::min(need, mMaxBoost - mSum[i]);
                if (!spent[i] && score > best) {
                    best = score;
                    at = i;
                }
            }
            if (at == n) {
                return;
            }
            const double before = Cost(mSum);
            AddBand(StartingBand(at));
            const std::size_t band = mBands.size() - 1;
            const std::size_t only[] = {band};
            Optimise(only, kPlaceEvaluations);
            if (std::abs(mBands[band].gain) < kIdleGainDb || Cost(mSum) > before - 1e-9) {
                RemoveLastBand();
                // Nothing to gain there: look elsewhere, a sixth of an octave either side.
                const double f = mFrequencies[at];
                for (std::size_t i = 0; i < n; ++i) {
                    spent[i] = spent[i] || std::abs(std::log2(mFrequencies[i] / f)) < 1.0 / 6.0;
                }
            }
        }
    }

    // All bands together.
    void Refine() {
        std::vector<std::size_t> all(mBands.size());
        std::iota(all.begin(), all.end(), std::size_t{0});
        if (!all.empty()) {
            Optimise(all, kRefineEvaluations);
        }
    }

  private:
    void Levels(const BandParams& b, std::span<double> out) {
        ++mEvaluations;
        PeqResponse(CURVE_SAMPLE_RATE, std::exp2(b.octave), b.gain, std::exp2(b.logQ), mFrequencies,
                    out.first(mMeasured.size()));
    }

    // The weighted mean square error of measured + eq against the target, with the penalty
    // for boosting past the maximum.
    double Cost(std::span<const double> eq) const {
        double sum = 0.0;
        for (std::size_t i = 0; i < mMeasured.size(); ++i) {
            const double e = mMeasured[i] + eq[i] - mTarget[i];
            const double over = std::max(0.0, eq[i] - mMaxBoost);
            sum += (e > 0.0 ? 1.0 : kBelowTargetWeight) * e * e + kOverBoostWeight * over * over;
        }
        return sum / static_cast<double>(mMeasured.size());
    }

    // Cost(eq - removed + added), summed in a scratch buffer so that `eq` stays as it is.
    double CostReplacing(std::span<const double> eq, std::span<const double> removed,
                         std::span<const double> added) {
        for (std::size_t i = 0; i < mScratch.size(); ++i) {
            mScratch[i] = eq[i] - removed[i] + added[i];
        }
        return Cost(mScratch);
    }

    // A peaking band that would fill the deviation at point `at`: its gain, and the width
    // over which the deviation keeps more than half its size and its sign.
    BandParams StartingBand(std::size_t at) const {
        auto need = [&](std::size_t i) { return mTarget[i] - mMeasured[i] - mSum[i]; };
        const double peak = need(at);
        std::size_t lo = at;
        std::size_t hi = at;
        while (lo > 0 && need(lo - 1) * peak > 0.0 && std::abs(need(lo - 1)) > std::abs(peak) / 2) {
            --lo;
        }
        while (hi + 1 < mMeasured.size() && need(hi + 1) * peak > 0.0 &&
               std::abs(need(hi + 1)) > std::abs(peak) / 2) {
            ++hi;
        }
        // Bandwidth N octaves to Q: sqrt(2^N) / (2^N - 1).
        const double octaves = std::max(std::log2(mFrequencies[hi] / mFrequencies[lo]), 1.0 / 12.0);
        const double ratio = std::exp2(octaves);
        BandParams b;
        b.octave = std::log2(mFrequencies[at]);
        b.gain = peak;
        b.logQ = std::log2(std::sqrt(ratio) / (ratio - 1.0));
        return Limited(b);
    }

    BandParams Limited(BandParams b) const {
        b.octave = std::clamp(b.octave, mBounds.low.octave, mBounds.high.octave);
        b.gain = std::clamp(b.gain, mBounds.low.gain, mBounds.high.gain);
        b.logQ = std::clamp(b.logQ, mBounds.low.logQ, mBounds.high.logQ);
        return b;
    }

    void AddBand(const BandParams& b) {
        mBands.push_back(b);
        mLevels.emplace_back(mMeasured.size());
        Levels(b, mLevels.back());
        for (std::size_t i = 0; i < mSum.size(); ++i) {
            mSum[i] += mLevels.back()[i];
        }
    }

    void RemoveLastBand() {
        for (std::size_t i = 0; i < mSum.size(); ++i) {
            mSum[i] -= mLevels.back()[i];
        }
        mBands.pop_back();
        mLevels.pop_back();
    }

    // Optimises the listed bands with the others held, by bounded L-BFGS on forward-difference
    // gradients; keeps the best point any evaluation saw.
    void Optimise(std::span<const std::size_t> free, int maxEvaluations) {
        const std::size_t n = mMeasured.size();
        std::vector<double> held = mSum;
        for (const std::size_t b : free) {
            for (std::size_t i = 0; i < n; ++i) {
                held[i] -= mLevels[b][i];
            }
        }
        Problem problem{
            .fitter = *this,
            .free = free,
            .held = held,
            .levels = std::vector<std::vector<double>>(free.size(), std::vector<double>(n)),
            .total = std::vector<double>(n),
            .stepped = std::vector<double>(n),
            .best = std::numeric_limits<double>::infinity(),
            .bestX = {}};
        mScratch.assign(n, 0.0);

        std::vector<double> x;
        std::vector<double> lower;
        std::vector<double> upper;
        for (const std::size_t b : free) {
            x.insert(x.end(), {mBands[b].octave, mBands[b].gain, mBands[b].logQ});
            lower.insert(lower.end(), {mBounds.low.octave, mBounds.low.gain, mBounds.low.logQ});
            upper.insert(upper.end(), {mBounds.high.octave, mBounds.high.gain, mBounds.high.logQ});
        }
        nlopt::opt opt(nlopt::LD_LBFGS, static_cast<unsigned>(x.size()));
        opt.set_lower_bounds(lower);
        opt.set_upper_bounds(upper);
        opt.set_min_objective(&Problem::Objective, &problem);
        opt.set_maxeval(maxEvaluations);
        opt.set_ftol_rel(1e-7);
        double minimum = 0.0;
        try {
            opt.optimize(x, minimum);
        } catch (const std::exception& e) {
            // Stopped by round-off or a failed line search: the best point seen still counts.
            LogPrintA("EQ fit: the optimiser stopped early (%s)\n", e.what());
        }
        if (problem.bestX.empty()) {
            return;
        }
        for (std::size_t k = 0; k < free.size(); ++k) {
            const std::size_t b = free[k];
            mBands[b] =
                Limited({problem.bestX[3 * k], problem.bestX[3 * k + 1], problem.bestX[3 * k + 2]});
            Levels(mBands[b], mLevels[b]);
        }
        mSum = held;
        for (const std::size_t b : free) {
            for (std::size_t i = 0; i < n; ++i) {
                mSum[i] += mLevels[b][i];
            }
        }
    }

    struct Problem {
        Fitter& fitter;
        std::span<const std::size_t> free;
        std::vector<double> held;
        std::vector<std::vector<double>> levels;  // of each free band at x
        std::vector<double> total;
        std::vector<double> stepped;
        double best;
        std::vector<double> bestX;  // empty until an evaluation gave a finite cost

        static double Objective(unsigned count, const double* x, double* gradient, void* data) {
            auto& p = *static_cast<Problem*>(data);
            Fitter& f = p.fitter;
            p.total = p.held;
            for (std::size_t k = 0; k < p.free.size(); ++k) {
                f.Levels({x[3 * k], x[3 * k + 1], x[3 * k + 2]}, p.levels[k]);
                for (std::size_t i = 0; i < p.total.size(); ++i) {
                    p.total[i] += p.levels[k][i];
                }
            }
            const double cost = f.Cost(p.total);
            if (gradient != nullptr) {
                for (std::size_t k = 0; k < p.free.size(); ++k) {
                    for (std::size_t j = 0; j < 3; ++j) {
                        double params[3] = {x[3 * k], x[3 * k + 1], x[3 * k + 2]};
                        params[j] += kStep;
                        f.Levels({params[0], params[1], params[2]}, p.stepped);
                        gradient[3 * k + j] =
                            (f.CostReplacing(p.total, p.levels[k], p.stepped) - cost) / kStep;
                    }
                }
            }
            if (cost < p.best) {
                p.best = cost;
                p.bestX.assign(x, x + count);
            }
            return cost;
        }
    };

    std::vector<double> mFrequencies;  // the range's grid points, then fs / 2 and fs
    std::vector<double> mMeasured;
    std::vector<double> mTarget;
    Bounds mBounds;
    double mMaxBoost;
    std::vector<BandParams> mBands;
    std::vector<std::vector<double>> mLevels;
    std::vector<double> mSum;
    std::vector<double> mScratch;
    long long mEvaluations = 0;
};

double Rms(std::span<const double> a, std::span<const double> b, std::size_t first,
           std::size_t last) {
    double sum = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    }
    return std::sqrt(sum / static_cast<double>(last - first));
}

}  // namespace

ResponseRead ReadResponseText(std::string_view text) {
    ResponseRead read;
    Response r;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        const std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string_view::npos ||
            std::string_view("*#;").find(line[start]) != std::string_view::npos) {
            continue;
        }
        const std::vector<std::string_view> fields = Fields(line);
        const std::optional<double> f = Number(fields[0]);
        if (!f) {
            if (!r.frequencies.empty()) {
                read.error = Line(number, "text among the data");
                return read;
            }
            continue;  // a header
        }
        const std::optional<double> level = fields.size() >= 2 ? Number(fields[1]) : std::nullopt;
        if (!level) {
            read.error = Line(number, "no level after the frequency");
            return read;
        }
        if (!std::isfinite(*f) || !std::isfinite(*level)) {
            read.error = Line(number, "not a finite number");
            return read;
        }
        if (*f <= 0.0) {
            read.error = Line(number, "frequency " + Hz(*f) + " is not above 0 Hz");
            return read;
        }
        if (!r.frequencies.empty() && *f <= r.frequencies.back()) {
            read.error = Line(number, "frequencies must increase (" + Hz(*f) + " after " +
                                          Hz(r.frequencies.back()) + ")");
            return read;
        }
        r.frequencies.push_back(*f);
        r.levels.push_back(*level);
    }
    if (r.frequencies.size() < static_cast<std::size_t>(kMinResponsePoints)) {
        read.error = "only " + std::to_string(r.frequencies.size()) +
                     " points: a response needs at least " + std::to_string(kMinResponsePoints);
        return read;
    }
    read.response = std::move(r);
    return read;
}

Response TargetResponse(BuiltInTarget target) {
    Response r;
    if (target == BuiltInTarget::Flat) {
        r.frequencies = {kFrequency.min, kFrequency.max};
        r.levels = {0.0, 0.0};
        return r;
    }
    for (const auto& point : kCarTarget) {
        r.frequencies.push_back(point[0]);
        r.levels.push_back(point[1]);
    }
    return r;
}

EqFit FitEq(const Response& measured, const Response& target, const EqFitOptions& options) {
    EqFit fit;
    fit.error = Unusable(measured, "measurement");
    if (fit.error.empty()) {
        fit.error = Unusable(target, "target");
    }
    if (!fit.error.empty()) {
        return fit;
    }
    if (!(options.lowHz >= kFrequency.min && options.highHz <= kFrequency.max &&
          options.lowHz < options.highHz)) {
        fit.error = "the range must lie within 20..20000 Hz, its low end below its high end";
        return fit;
    }
    const double gridLow = std::max(kFrequency.min, measured.frequencies.front());
    const double gridHigh = std::min(kFrequency.max, measured.frequencies.back());
    const double low = std::max(options.lowHz, gridLow);
    const double high = std::min(options.highHz, gridHigh);
    if (!(high > low && std::log2(high / low) >= kLeastRangeOctaves)) {
        fit.error = "the measurement covers too little of the range";
        return fit;
    }
    const int bandCount = std::clamp(options.bands, 0, kEqBandCount);
    // On the gain's resolution, so that rounding the bands cannot pass it.
    const double maxBoost =
        std::floor(std::clamp(options.maxBoostDb, 0.0, kEqGain.max) * kEqGain.sliderScale + 1e-9) /
        kEqGain.sliderScale;

    fit.frequencies.resize(kGridPoints);
    for (int i = 0; i < kGridPoints; ++i) {
        fit.frequencies[static_cast<std::size_t>(i)] =
            gridLow * std::pow(gridHigh / gridLow, i / static_cast<double>(kGridPoints - 1));
    }
    fit.measured = Smoothed(measured, fit.frequencies, std::max(0.0, options.smoothingOctaves));
    for (const double f : fit.frequencies) {
        fit.target.push_back(LevelAt(target, f));
    }
    // The grid points of the range (a relative tolerance keeps its ends in).
    const auto& grid = fit.frequencies;
    const auto first = static_cast<std::size_t>(
        std::lower_bound(grid.begin(), grid.end(), low * (1.0 - 1e-9)) - grid.begin());
    const auto last = static_cast<std::size_t>(
        std::upper_bound(grid.begin(), grid.end(), high * (1.0 + 1e-9)) - grid.begin());
    double offset = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        offset += fit.target[i] - fit.measured[i];
    }
    fit.levelOffsetDb = offset / static_cast<double>(last - first);
    for (double& level : fit.measured) {
        level += fit.levelOffsetDb;
    }
    fit.rmsBeforeDb = Rms(fit.measured, fit.target, first, last);

    const Bounds bounds{{std::log2(low), kEqGain.min, std::log2(kEqQ.min)},
                        {std::log2(high), maxBoost, std::log2(kEqQ.max)}};
    const auto range = [&](const std::vector<double>& v) {
        return std::span(v).subspan(first, last - first);
    };
    Fitter fitter(range(fit.frequencies), range(fit.measured), range(fit.target), bounds, maxBoost);
    fitter.Place(bandCount);
    fitter.Refine();
    fit.bandEvaluations = fitter.Evaluations();

    // On the page's resolution and inside the bounds once more.
    const int lowHz = static_cast<int>(std::ceil(low - 1e-9));
    const int highHz = static_cast<int>(std::floor(high + 1e-9));
    for (const BandParams& b : fitter.Bands()) {
        EqBand band;
        band.freq = std::clamp(static_cast<int>(std::lround(std::exp2(b.octave))), lowHz, highHz);
        band.gain = static_cast<float>(std::clamp(
            std::round(b.gain * kEqGain.sliderScale) / kEqGain.sliderScale, kEqGain.min, maxBoost));
        band.q = static_cast<float>(
            std::clamp(std::round(std::exp2(b.logQ) * 100.0) / 100.0, kEqQ.min, kEqQ.max));
        if (band.gain != 0.0f) {
            fit.bands.push_back(band);
        }
    }
    std::sort(fit.bands.begin(), fit.bands.end(),
              [](const EqBand& a, const EqBand& b) { return a.freq < b.freq; });
    fit.bandsUsed = static_cast<int>(fit.bands.size());

    // The fitted bands' response on the whole grid (f_ref = fs / 2 again).
    std::vector<double> eval = fit.frequencies;
    eval.push_back(CURVE_SAMPLE_RATE / 2.0);
    eval.push_back(CURVE_SAMPLE_RATE);
    std::vector<double> level(grid.size());
    fit.predicted = fit.measured;
    for (const EqBand& band : fit.bands) {
        PeqResponse(CURVE_SAMPLE_RATE, band.freq, band.gain, band.q, eval, level);
        for (std::size_t i = 0; i < grid.size(); ++i) {
            fit.predicted[i] += level[i];
        }
    }
    fit.rmsAfterDb = Rms(fit.predicted, fit.target, first, last);
    while (static_cast<int>(fit.bands.size()) < bandCount) {
        fit.bands.push_back(DefaultEqBand(bandCount, static_cast<int>(fit.bands.size())));
    }
    return fit;
}

}  // namespace tonvia::tuning
