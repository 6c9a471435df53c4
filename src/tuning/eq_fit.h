#pragma once
// EQ from a measurement: reads a measured frequency response (the text a room-measurement
// program exports), and fits a channel's parametric bands so that the measurement plus the
// EQ comes close to a target curve over a chosen range. The bands are the device's: each
// frequency, gain and Q within its ranges, no gain above the user's largest boost. The fit
// uses the graph's own band response and NLopt's bounded local optimisers; SetChannelBands
// (tuning/edits.h) puts the result on a channel.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/eq_band.h"

namespace tonvia::tuning {

// A level per frequency; frequencies positive and increasing.
struct Response {
    std::vector<double> frequencies;  // Hz
    std::vector<double> levels;       // dB
};

// Fewer points than this describe no response worth fitting.
inline constexpr int kMinResponsePoints = 8;

struct ResponseRead {
    std::optional<Response> response;
    std::string error;  // English, naming the line: "line 12: frequencies must increase ..."
};

// Two or three columns (frequency in Hz, level in dB, an optional phase that is ignored)
// separated by blanks, tabs, commas or semicolons. Lines starting with '*', '#' or ';' and
// text lines before the first number row are skipped, as REW's .frd and .txt exports and
// their kin have them. Refused: text after the data, a missing level, a value that is not a
// finite number, frequencies not above 0 or not increasing, fewer than kMinResponsePoints.
// Target files take the same form.
ResponseRead ReadResponseText(std::string_view text);

enum class BuiltInTarget {
    Flat,
    // A common in-car curve: about +8 dB of bass below 60 Hz, easing to 0 dB by 315 Hz, flat to
    // 1 kHz, then falling 1 dB per octave toward the treble.
    Car,
};
// The target as its table of points; levels are read between them on a log-frequency axis
// and held beyond the first and last.
Response TargetResponse(BuiltInTarget target);

struct EqFitOptions {
    double lowHz = 50.0;  // the range the fit corrects and places bands in
    double highHz = 10000.0;
    double maxBoostDb = 6.0;  // no band above this (nor the EQ as a whole, as far as it can)
    int bands = 31;           // the channel's band count
    // Width of the smoothing of the measurement before the fit, in octaves (0: none), so that
    // narrow nulls are not chased.
    double smoothingOctaves = 1.0 / 6.0;
};

struct EqFit {
    std::string error;  // empty when the fit ran
    // `options.bands` bands: the fitted ones by frequency on the page's resolution (whole Hz,
    // 0.1 dB, Q in hundredths), then flat ones at their default frequency and Q.
    std::vector<EqBand> bands;
    int bandsUsed = 0;
    // The curves on one log grid for a graph to draw: the smoothed measurement moved to the
    // target's level, the target, and that measurement with the fitted EQ.
    std::vector<double> frequencies;
    std::vector<double> measured;
    std::vector<double> target;
    std::vector<double> predicted;
    double levelOffsetDb = 0.0;  // added to the measurement to meet the target's level
    // Root mean square of (measured or predicted) - target over the range, on the grid.
    double rmsBeforeDb = 0.0;
    double rmsAfterDb = 0.0;
    long long bandEvaluations = 0;  // band responses computed, the fit's unit of work

    bool Ok() const { return error.empty(); }
};

// Fits the bands. Fails (with `error`) when the range is not inside 20..20000 Hz, does not
// overlap the measurement by at least a third of an octave, or a response is not usable.
EqFit FitEq(const Response& measured, const Response& target, const EqFitOptions& options);

}  // namespace tonvia::tuning
