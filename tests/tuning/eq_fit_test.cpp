// The EQ fit, checked with the channel curve maths rather than with its own numbers, and the
// reading of measured responses.
#include "tuning/eq_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graph/math/channel_curve.h"

namespace {

using namespace tonvia::tuning;

// `level` dB minus the response of the bands, on 500 log-spaced points over 10..24000 Hz:
// what a microphone would read from a system that the bands would make flat.
Response InverseOf(const std::vector<EqBand>& bands, double level) {
    constexpr int kPoints = 500;
    std::vector<double> eval(kPoints + 2);
    for (int i = 0; i < kPoints; ++i) {
        eval[static_cast<std::size_t>(i)] = 10.0 * std::pow(2400.0, i / (kPoints - 1.0));
    }
    eval[kPoints] = CURVE_SAMPLE_RATE / 2.0;
    eval[kPoints + 1] = CURVE_SAMPLE_RATE;
    Response r{{eval.begin(), eval.begin() + kPoints}, std::vector<double>(kPoints, level)};
    std::vector<double> part(kPoints);
    for (const EqBand& b : bands) {
        PeqResponse(CURVE_SAMPLE_RATE, b.freq, b.gain, b.q, eval, part);
        for (std::size_t i = 0; i < part.size(); ++i) {
            r.levels[i] -= part[i];
        }
    }
    return r;
}

ChannelCurve CurveOf(const std::vector<EqBand>& bands) {
    ChannelCurve curve;
    ComputeChannelCurve(FilterSetting{}, FilterSetting{}, bands, false, curve);
    return curve;
}

TEST(EqFit, RecoversTheInverseOfAKnownEqWithinOneDecibelOfFlat) {
    const std::vector<EqBand> known = {{5.0f, 1.0f, 60, 1},   {-6.0f, 2.0f, 100, 1},
                                       {4.0f, 3.0f, 250, 1},  {-5.0f, 1.5f, 1000, 1},
                                       {3.0f, 4.0f, 3000, 1}, {-4.0f, 2.0f, 6000, 1}};
    EqFitOptions options;
    options.bands = 10;
    const EqFit fit = FitEq(InverseOf(known, 80.0), TargetResponse(BuiltInTarget::Flat), options);
    ASSERT_TRUE(fit.Ok()) << fit.error;
    ASSERT_EQ(fit.bands.size(), 10u);
    EXPECT_GT(fit.rmsBeforeDb, 2.0);
    EXPECT_LT(fit.rmsAfterDb, 1.0);
    EXPECT_NEAR(fit.levelOffsetDb, -80.0, 1.0);

    // Measurement + fitted EQ = fitted EQ - known EQ, up to a level: on the channel curve's
    // grid, within 1 dB RMS of flat over 50 Hz..10 kHz.
    const ChannelCurve fitted = CurveOf(fit.bands);
    const ChannelCurve wanted = CurveOf(known);
    std::vector<double> error;
    for (std::size_t i = 0; i < fitted.frequencies.size(); ++i) {
        if (fitted.frequencies[i] >= 50.0 && fitted.frequencies[i] <= 10000.0) {
            error.push_back(fitted.levels[i] - wanted.levels[i]);
        }
    }
    double mean = 0.0;
    for (const double e : error) {
        mean += e / static_cast<double>(error.size());
    }
    double square = 0.0;
    for (const double e : error) {
        square += (e - mean) * (e - mean) / static_cast<double>(error.size());
    }
    EXPECT_LT(std::sqrt(square), 1.0);
}

TEST(EqFit, StaysWithinTheMaximumBoostTheRangeAndTheDevice) {
    // Deep narrow dips that only large boosts would fill, and peaks past the cut range.
    const Response measured = InverseOf({{15.0f, 6.0f, 90, 1},
                                         {12.0f, 9.0f, 1800, 1},
                                         {-25.0f, 3.0f, 400, 1},
                                         {-10.0f, 0.5f, 4000, 1}},
                                        75.0);
    EqFitOptions options;
    options.lowHz = 100.0;
    options.highHz = 5000.0;
    options.maxBoostDb = 3.04;  // on the gain's 0.1 dB steps: 3.0
    const EqFit fit = FitEq(measured, TargetResponse(BuiltInTarget::Car), options);
    ASSERT_TRUE(fit.Ok()) << fit.error;
    ASSERT_EQ(fit.bands.size(), 31u);
    EXPECT_LT(fit.rmsAfterDb, fit.rmsBeforeDb);
    for (int i = 0; i < 31; ++i) {
        const EqBand& b = fit.bands[static_cast<std::size_t>(i)];
        SCOPED_TRACE(i);
        if (i >= fit.bandsUsed) {
            EXPECT_EQ(b, DefaultEqBand(31, i));
            continue;
        }
        EXPECT_LE(b.gain, 3.0f);
        EXPECT_GE(b.gain, kEqGainMin);
        EXPECT_GE(b.q, kEqQMin);
        EXPECT_LE(b.q, kEqQMax);
        EXPECT_GE(b.freq, 100);
        EXPECT_LE(b.freq, 5000);
    }
    // The EQ as a whole boosts no more than the maximum either, give or take the soft limit.
    for (std::size_t i = 0; i < fit.frequencies.size(); ++i) {
        EXPECT_LE(fit.predicted[i] - fit.measured[i], 3.5) << fit.frequencies[i];
    }
}

TEST(ResponseText, ReadsMeasurementExportsAndNamesTheLineItRefuses) {
    std::string rows;
    for (int i = 1; i <= 8; ++i) {
        rows += std::to_string(i * 100) + "\t" + std::to_string(80 - i) + "\n";
    }
    const ResponseRead frd = ReadResponseText(
        "* Measurement data measured by REW V5.20\n* Source: Umik\nFreq(Hz) SPL(dB) "
        "Phase(degrees)\n; comment\n\n20.0 80.5 -12\r\n25,81.0,-10\n31.5;+79.5\n40 78 0\n"
        "50 77\n63 76.5\n80 76\n100 75.25\n");
    ASSERT_TRUE(frd.response) << frd.error;
    EXPECT_EQ(frd.response->frequencies,
              (std::vector<double>{20.0, 25.0, 31.5, 40.0, 50.0, 63.0, 80.0, 100.0}));
    EXPECT_EQ(frd.response->levels.front(), 80.5);
    EXPECT_EQ(frd.response->levels[2], 79.5);

    const std::pair<std::string, std::string> refused[] = {
        {"Freq SPL\n" + rows + "end of data\n", "line 10: text among the data"},
        {rows + "900 nan\n", "line 9: not a finite number"},
        {"0 80\n" + rows, "line 1: frequency 0 Hz is not above 0 Hz"},
        {rows + "800 70\n", "line 9: frequencies must increase (800 Hz after 800 Hz)"},
        {"100\n" + rows, "line 1: no level after the frequency"},
        {"100 1\n200 2\n300 3\n", "only 3 points: a response needs at least 8"},
    };
    for (const auto& [text, error] : refused) {
        const ResponseRead read = ReadResponseText(text);
        EXPECT_FALSE(read.response);
        EXPECT_EQ(read.error, error);
    }
}

}  // namespace
