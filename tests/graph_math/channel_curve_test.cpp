#include "graph/math/channel_curve.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "reference_evaluation.h"

namespace {

class ChannelCurveTest : public testing::Test {
  protected:
    // Filters off, every band 0 dB and enabled.
    OutChannel channel;

    ChannelCurve Compute() const {
        ChannelCurve curve;
        curve.levels.fill(99.0);
        ComputeChannelCurve(channel, curve);
        return curve;
    }

    void SetFilter(FilterSetting& f, int fs, int type, int slope) {
        f.fs = fs;
        f.type = type;
        f.SetSlope(slope);
    }

    void SetBand(int index, int freq, float gain, float q, bool enabled = true) {
        EqBand& b = channel.eqArray[static_cast<std::size_t>(index)];
        b.freq = freq;
        b.gain = gain;
        b.q = q;
        b.enable = enabled ? 1 : 0;
    }
};

TEST_F(ChannelCurveTest, DefaultChannelIsExactlyFlatOnTheStandardGrid) {
    const ChannelCurve curve = Compute();
    for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
        ASSERT_EQ(curve.frequencies[i], StandardFrequencyGrid()[i]);
        ASSERT_EQ(curve.levels[i], 0.0) << i;
    }
}

TEST_F(ChannelCurveTest, ZeroDisabledAndBypassedBandsAddNothing) {
    SetFilter(channel.crossover.hp, 60, kFilterButterworth, 4);
    SetFilter(channel.crossover.lp, 9000, kFilterBessel, 3);
    SetBand(3, 400, 5.0f, 2.0f);
    const ChannelCurve withOneBand = Compute();

    SetBand(7, 1000, 0.0f, 1.0f);
    SetBand(9, 3000, -12.0f, 4.0f, false);
    EXPECT_EQ(Compute(), withOneBand);

    SetBand(3, 400, 0.0f, 2.0f);
    const ChannelCurve filtersOnly = Compute();
    SetBand(3, 400, 5.0f, 2.0f);
    channel.bypass = 1;
    EXPECT_EQ(Compute(), filtersOnly);
}

TEST_F(ChannelCurveTest, OffFilterAddsNothing) {
    SetFilter(channel.crossover.hp, 2000, kFilterLinkwitzRiley, 0);
    SetFilter(channel.crossover.lp, 100, kFilterBessel, 0);
    SetBand(0, 1000, -6.0f, 2.0f);
    std::vector<double> band(CURVE_POINTS);
    PeqResponse(CURVE_SAMPLE_RATE, 1000.0, -6.0, 2.0, StandardGrid(), band);
    EXPECT_EQ(MaxDifference(Compute().levels, band), 0.0);
}

TEST_F(ChannelCurveTest, OnlyBandsBelowTheBandCountCount) {
    SetBand(30, 5000, 9.0f, 1.0f);
    channel.eqSize = 30;
    const ChannelCurve flat = Compute();
    EXPECT_EQ(flat.levels[300], 0.0);
    channel.eqSize = 1000;  // more than the channel holds
    EXPECT_NE(Compute(), flat);
    channel.eqSize = -1;
    EXPECT_EQ(Compute(), flat);
}

TEST_F(ChannelCurveTest, EqualsTheSumOfItsPartsIncludingFloors) {
    std::mt19937 random(41);
    std::uniform_int_distribution<int> freq(kFreqMin, kFreqMax);
    std::uniform_real_distribution<float> gain(kEqGainMin, kEqGainMax);
    std::uniform_real_distribution<float> q(kEqQMin, kEqQMax);
    std::uniform_int_distribution<int> type(0, 4);
    std::uniform_int_distribution<int> slope(0, 9);
    for (int round = 0; round < 40; ++round) {
        SetFilter(channel.crossover.hp, freq(random), type(random), slope(random));
        SetFilter(channel.crossover.lp, freq(random), type(random), slope(random));
        for (int b = 0; b < kEqBandCount; ++b) {
            SetBand(b, freq(random), round % 5 == 0 ? 0.0f : gain(random), q(random),
                    random() % 8 != 0);
        }
        channel.bypass = round % 7 == 3 ? 1 : 0;
        ASSERT_LE(MaxDifference(Compute().levels, HornerChannel(channel)), 1e-9) << round;
    }
}

TEST_F(ChannelCurveTest, SteepFiltersAtTheEdgesFloorEachSection) {
    SetFilter(channel.crossover.hp, 20000, kFilterButterworth, 8);
    const ChannelCurve curve = Compute();
    EXPECT_EQ(curve.levels[151], -1600.0);  // about 20 Hz: four sections at -400 dB
    EXPECT_LE(MaxDifference(curve.levels, HornerChannel(channel)), 1e-9);
}

TEST_F(ChannelCurveTest, ExtremeBandsLeaveTheFastProductButStillSum) {
    // 31 bands of +100 dB at one frequency: 3100 dB, more than a double holds as power.
    for (int b = 0; b < kEqBandCount; ++b) {
        SetBand(b, 1000, 100.0f, 1.0f);
    }
    const ChannelCurve curve = Compute();
    const std::vector<double> reference = HornerChannel(channel);
    for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
        // Coefficients of +100 dB bands cancel to ~1e-8 dB of noise near DC in any evaluation.
        ASSERT_NEAR(curve.levels[i], reference[i], 1e-6 + 1e-9 * std::fabs(reference[i])) << i;
    }
}

}  // namespace
