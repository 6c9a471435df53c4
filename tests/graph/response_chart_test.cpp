#include "graph/response_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// The level axis holds every level drawn within 20 Hz..20 kHz, ends on whole grid steps and
// is never so short that a flat curve looks ragged.
TEST(ResponseChartAxis, HoldsTheCurvesOnWholeSteps) {
    struct Case {
        const char* what;
        std::vector<double> frequencies;
        std::vector<double> levels;
    };
    const Case cases[] = {
        {"a flat curve", {20, 1000, 20000}, {0, 0, 0}},
        {"a room at 80 dB", {20, 100, 1000, 20000}, {78, 91.5, 79, 70.2}},
        {"a deep null", {50, 200, 400}, {0, -47, 3}},
        {"levels beyond the axis ends do not count", {5, 100, 40000}, {-200, 1, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResponseChart chart;
        chart.SetSeries({{QStringLiteral("curve"), Qt::white, c.frequencies, c.levels}});
        const double step = chart.LevelStep();
        EXPECT_GE(chart.AxisTop() - chart.AxisBottom(), 24.0);
        EXPECT_EQ(std::fmod(chart.AxisBottom(), step), 0.0);
        EXPECT_EQ(std::fmod(chart.AxisTop(), step), 0.0);
        for (std::size_t i = 0; i < c.levels.size(); ++i) {
            if (c.frequencies[i] >= 20 && c.frequencies[i] <= 20000) {
                EXPECT_LT(chart.AxisBottom(), c.levels[i]);
                EXPECT_GT(chart.AxisTop(), c.levels[i]);
            }
        }
        EXPECT_LE(chart.AxisTop() - chart.AxisBottom(), 80.0);
    }
}

}  // namespace
