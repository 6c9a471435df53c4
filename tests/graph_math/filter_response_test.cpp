#include "graph/math/filter_response.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "reference_evaluation.h"

namespace {

constexpr double kTolerance = 1e-9;  // dB, fast form against the plain evaluation

std::vector<double> Peq(double f0, double gain, double q,
                        std::span<const double> frequencies = StandardGrid()) {
    std::vector<double> levels(frequencies.size());
    PeqResponse(CURVE_SAMPLE_RATE, f0, gain, q, frequencies, levels);
    return levels;
}

std::vector<double> Crossover(bool isLowPass, double fc, int order, int type,
                              std::span<const double> frequencies = StandardGrid()) {
    std::vector<double> levels(frequencies.size());
    CrossoverResponse(isLowPass, fc, order, type, frequencies, levels);
    return levels;
}

// Level at one frequency: the array's reference entry keeps the standard angle.
double CrossoverAt(bool isLowPass, double fc, int order, int type, double hz) {
    const std::vector<double> frequencies = {hz, CURVE_SAMPLE_RATE / 2, CURVE_SAMPLE_RATE};
    return Crossover(isLowPass, fc, order, type, frequencies)[0];
}

TEST(FrequencyGrid, RisesLogarithmicallyToHalfTheRateThenHoldsTheRate) {
    const FrequencyGrid& grid = StandardFrequencyGrid();
    EXPECT_NEAR(grid[0], 1.0199, 1e-4);
    EXPECT_NEAR(grid[510], 24000.0, 1e-9);
    EXPECT_EQ(grid[511], 48000.0);
    for (std::size_t i = 1; i < 511; ++i) {
        ASSERT_NEAR(grid[i] / grid[i - 1], grid[1] / grid[0], 1e-12) << i;
    }
    // The drawn range 10 ... 20100 Hz is entries 116 ... 501.
    EXPECT_LT(grid[115], 10.0);
    EXPECT_GE(grid[116], 10.0);
    EXPECT_LE(grid[501], 20100.0);
    EXPECT_GT(grid[502], 20100.0);
}

TEST(FrequencyGrid, ShortArraysStayInBounds) {
    std::vector<double> one(1, -1.0);
    BuildFrequencyGrid(1000.0, one);
    EXPECT_EQ(one[0], 1000.0);
    BuildFrequencyGrid(1000.0, std::span<double>());
}

TEST(PeqBand, ZeroGainIsExactlyFlat) {
    for (const double f0 : {20.0, 1000.0, 19999.0}) {
        for (const double q : {0.5, 5.8, 9.0}) {
            for (const double level : Peq(f0, 0.0, q)) {
                ASSERT_EQ(level, 0.0) << f0 << " Hz, Q " << q;
            }
        }
    }
}

TEST(PeqBand, CutIsTheNegatedBoost) {
    for (const double gain : {6.0, 0.1, 12.0, 18.0}) {
        const std::vector<double> boost = Peq(1000.0, gain, 2.0);
        const std::vector<double> cut = Peq(1000.0, -gain, 2.0);
        for (std::size_t i = 0; i < boost.size(); ++i) {
            ASSERT_NEAR(cut[i], -boost[i], 1e-12) << gain << " dB at point " << i;
        }
    }
}

TEST(PeqBand, ReachesItsGainAtTheCentre) {
    const std::vector<double> frequencies = {1000.0, 24000.0, 48000.0};
    EXPECT_NEAR(Peq(1000.0, 6.0, 2.0, frequencies)[0], 6.0, 1e-9);
    EXPECT_NEAR(Peq(1000.0, -18.0, 0.5, frequencies)[0], -18.0, 1e-9);
}

TEST(PeqBand, DegenerateDesignsAreFlatNotNaN) {
    const BiquadSection flat;
    EXPECT_EQ(DesignPeq(CURVE_SAMPLE_RATE, 1000.0, 6.0, 0.0), flat);
    EXPECT_EQ(DesignPeq(CURVE_SAMPLE_RATE, 0.0, 6.0, 2.0), flat);
    EXPECT_EQ(DesignPeq(CURVE_SAMPLE_RATE, 1000.0, std::numeric_limits<double>::quiet_NaN(), 2.0),
              flat);
    EXPECT_NE(DesignPeq(CURVE_SAMPLE_RATE, 1000.0, 6.0, 2.0), flat);
}

TEST(PeqBand, MatchesThePlainEvaluationAcrossTheModelRange) {
    for (const double f0 : {20.0, 31.0, 200.0, 1000.0, 6300.0, 20000.0}) {
        for (const double gain : {-18.0, -0.5, 3.0, 12.0}) {
            for (const double q : {0.5, 1.41, 5.8, 9.0}) {
                const BiquadSection s = DesignPeq(CURVE_SAMPLE_RATE, f0, gain, q);
                ASSERT_LE(MaxDifference(Peq(f0, gain, q), HornerCascade({&s, 1}, StandardGrid())),
                          kTolerance)
                    << f0 << " Hz " << gain << " dB Q " << q;
            }
        }
    }
}

struct CornerCase {
    int type;
    int order;
    double level;  // dB at the corner frequency
};

class CrossoverCorner : public testing::TestWithParam<CornerCase> {};

TEST_P(CrossoverCorner, LevelAtTheCornerFrequency) {
    const CornerCase c = GetParam();
    for (const bool isLowPass : {true, false}) {
        EXPECT_NEAR(CrossoverAt(isLowPass, 1000.0, c.order, c.type, 1000.0), c.level, 0.005)
            << (isLowPass ? "low-pass" : "high-pass");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Families, CrossoverCorner,
    testing::Values(
        CornerCase{kFilterButterworth, 1, -3.01}, CornerCase{kFilterButterworth, 2, -3.01},
        CornerCase{kFilterButterworth, 3, -3.01}, CornerCase{kFilterButterworth, 4, -3.01},
        CornerCase{kFilterButterworth, 5, -3.01}, CornerCase{kFilterButterworth, 6, -3.01},
        CornerCase{kFilterButterworth, 7, -3.01}, CornerCase{kFilterButterworth, 8, -3.01},
        CornerCase{kFilterLinkwitzRiley, 2, -6.02}, CornerCase{kFilterLinkwitzRiley, 3, -6.02},
        CornerCase{kFilterLinkwitzRiley, 4, -6.02}, CornerCase{kFilterLinkwitzRiley, 8, -6.02},
        CornerCase{kFilterSingleSection, 2, 0.0}, CornerCase{kFilterSingleSection, 7, 0.0},
        CornerCase{kFilterBessel, 2, -4.77}, CornerCase{kFilterBessel, 4, -7.78}));

TEST(CrossoverDesignRules, SingleSectionTypeIgnoresTheSlope) {
    const CrossoverDesign two = DesignCrossover(true, 500.0, 2, kFilterSingleSection);
    EXPECT_EQ(two.sections[0].kind, kSectionSecondOrder);
    EXPECT_EQ(two.sections[1].kind, kSectionEmpty);
    for (const int slope : {0, 1, 3, 8, 9, -4}) {
        EXPECT_EQ(DesignCrossover(true, 500.0, slope, kFilterSingleSection), two) << slope;
    }
}

TEST(CrossoverDesignRules, LinkwitzRileyRaisesAnOddSlope) {
    for (const int odd : {1, 3, 5, 7}) {
        for (const bool isLowPass : {true, false}) {
            EXPECT_EQ(DesignCrossover(isLowPass, 800.0, odd, kFilterLinkwitzRiley),
                      DesignCrossover(isLowPass, 800.0, odd + 1, kFilterLinkwitzRiley))
                << odd;
        }
    }
    // Slope 4: two second-order sections with 1/Q = sqrt(2).
    EXPECT_EQ(CrossoverOrder(3, kFilterLinkwitzRiley), 4);
    const CrossoverDesign four = DesignCrossover(true, 800.0, 3, kFilterLinkwitzRiley);
    const CrossoverDesign butterworth = DesignCrossover(true, 800.0, 2, kFilterButterworth);
    EXPECT_NEAR(four.sections[0].q, butterworth.sections[0].q, 1e-10);
    EXPECT_NEAR(four.sections[1].q, butterworth.sections[0].q, 1e-10);
    EXPECT_EQ(four.sections[2].kind, kSectionEmpty);
}

TEST(CrossoverDesignRules, OrderIsClampedToOneThroughEight) {
    for (const int type : {kFilterButterworth, kFilterLinkwitzRiley, kFilterBessel, 9}) {
        for (const int high : {9, 100, INT_MAX}) {
            EXPECT_EQ(DesignCrossover(false, 300.0, high, type),
                      DesignCrossover(false, 300.0, 8, type))
                << type << " " << high;
        }
        for (const int low : {0, -3, INT_MIN}) {
            EXPECT_EQ(CrossoverOrder(low, type), 1) << type << " " << low;
            const CrossoverDesign design = DesignCrossover(false, 300.0, low, type);
            EXPECT_EQ(design.sections[0].kind, kSectionFirstOrder) << type << " " << low;
            EXPECT_EQ(design.sections[1].kind, kSectionEmpty) << type << " " << low;
        }
    }
}

TEST(CrossoverDesignRules, CornerIsClampedToTheDesignRange) {
    const auto expectSame = [](double corner, double limit) {
        const CrossoverDesign got = DesignCrossover(false, corner, 3, kFilterButterworth);
        const CrossoverDesign want = DesignCrossover(false, limit, 3, kFilterButterworth);
        // The limits are written to eight digits, so 0.0025 Hz sits a hair above the lower one.
        for (std::size_t s = 0; s < got.sections.size(); ++s) {
            EXPECT_NEAR(got.sections[s].q, want.sections[s].q, 1e-9) << corner;
            EXPECT_NEAR(got.sections[s].cosine, want.sections[s].cosine, 1e-12) << corner;
        }
    };
    expectSame(0.0, 0.0025);
    expectSame(-50.0, 0.0025);
    expectSame(std::numeric_limits<double>::quiet_NaN(), 0.0025);
    expectSame(23000.0, 22000.0);
    expectSame(1e9, 22000.0);
}

TEST(CrossoverLevels, EverySectionPassesItsBandAtZeroDecibels) {
    for (const int type : {0, 1, 2, 3, 5}) {
        for (int order = 1; order <= 8; ++order) {
            EXPECT_NEAR(CrossoverAt(true, 2500.0, order, type, 0.0), 0.0, 1e-9) << type << order;
            EXPECT_NEAR(CrossoverAt(false, 2500.0, order, type, 24000.0), 0.0, 1e-9)
                << type << order;
        }
    }
}

TEST(CrossoverLevels, SectionsAtOrBelowMinusEightyDecibelsAreFloored) {
    EXPECT_EQ(CrossoverAt(false, 2000.0, 2, kFilterButterworth, 20.0), -400.0);
    EXPECT_EQ(CrossoverAt(false, 20000.0, 8, kFilterButterworth, 20.0), -1600.0);
    const double above = CrossoverAt(false, 2000.0, 2, kFilterButterworth, 25.0);
    EXPECT_GT(above, -80.0);
    EXPECT_LT(above, -70.0);
}

TEST(CrossoverLevels, MatchThePlainEvaluationAcrossTypesOrdersAndCorners) {
    for (const int type : {0, 1, 2, 3, 6}) {
        for (int order = 1; order <= 8; ++order) {
            for (const double fc : {20.0, 63.0, 500.0, 4000.0, 20000.0}) {
                for (const bool isLowPass : {true, false}) {
                    const auto sections = CrossoverSections(isLowPass, fc, order, type);
                    ASSERT_LE(MaxDifference(Crossover(isLowPass, fc, order, type),
                                            HornerSectionSum(sections, StandardGrid())),
                              kTolerance)
                        << type << " order " << order << " " << fc << " Hz lp " << isLowPass;
                }
            }
        }
    }
}

TEST(Cascade, FloorsTheProductOnce) {
    const auto sections = CrossoverSections(false, 2000.0, 4, kFilterButterworth);
    std::vector<double> levels(StandardGrid().size());
    EvaluateCascade(sections, StandardGrid(), levels);
    EXPECT_LE(MaxDifference(levels, HornerCascade(sections, StandardGrid())), kTolerance);
    // At 150 Hz each section is above -80 dB but their product is not.
    const std::vector<double> at150 = {150.0, 24000.0, 48000.0};
    EvaluateCascade(sections, at150, levels);
    EXPECT_EQ(levels[0], -400.0);
    EXPECT_GT(Crossover(false, 2000.0, 4, kFilterButterworth, at150)[0], -100.0);
}

TEST(Cascade, NoSectionsIsZeroDecibels) {
    std::vector<double> levels(StandardGrid().size(), 5.0);
    EvaluateCascade({}, StandardGrid(), levels);
    for (const double level : levels) {
        ASSERT_EQ(level, 0.0);
    }
}

TEST(Cascade, ProductBeyondTheDoubleRangeStillSums) {
    // Forty bands of +200 dB: 8000 dB at the centre, far outside what a double holds as power.
    const std::vector<BiquadSection> sections(40, DesignPeq(CURVE_SAMPLE_RATE, 1000.0, 200.0, 1.0));
    const std::vector<double> frequencies = {1000.0, 5000.0, 24000.0, 48000.0};
    std::vector<double> levels(4);
    EvaluateCascade(sections, frequencies, levels);
    std::vector<double> one(4);
    EvaluateCascade({sections.data(), 1}, frequencies, one);
    EXPECT_NEAR(levels[0], 8000.0, 1e-6);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        EXPECT_NEAR(levels[i], 40.0 * one[i], 1e-9 * std::max(1.0, std::fabs(levels[i]))) << i;
    }
}

TEST(Cascade, ArrayWithoutAUsableReferenceUsesHalfTheCurveRate) {
    const std::vector<BiquadSection> band = {DesignPeq(CURVE_SAMPLE_RATE, 1000.0, 6.0, 2.0)};
    std::vector<double> one(1);
    EvaluateCascade(band, std::vector<double>{1000.0}, one);
    EXPECT_NEAR(one[0], 6.0, 1e-9);
    std::vector<double> three(3);
    EvaluateCascade(band, std::vector<double>{1000.0, 0.0, 48000.0}, three);
    EXPECT_NEAR(three[0], 6.0, 1e-9);
}

}  // namespace
