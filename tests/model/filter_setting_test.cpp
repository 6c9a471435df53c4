// The filter setters correct what a filter cannot take, from the device or the user.
#include <gtest/gtest.h>

#include "model/crossover.h"

namespace {

TEST(FilterSetters, OutOfRangeFrequencyAndTypeFallToTheirDefaults) {
    // {stored, fs after SetFs, type after SetType}
    const int cases[][3] = {{25000, 20, 1}, {-1, 20, 1}, {0, 20, 1},       {4, 20, 1},
                            {3, 20, 3},     {20, 20, 1}, {20000, 20000, 1}};
    for (auto [stored, fs, type] : cases) {
        FilterSetting filter{500, 2, 4, 0};
        filter.SetFs(stored);
        filter.SetType(stored);
        EXPECT_EQ(filter, (FilterSetting{fs, type, 4, 0})) << "stored " << stored;
    }
}

TEST(FilterSetters, SlopeCarriesBypass) {
    // {stored, slope, bypass}; each case starts from the opposite on/off state.
    const int cases[][3] = {{-1, 0, 1}, {0, 0, 1}, {1, 1, 0}, {8, 8, 0}};
    for (auto [stored, slope, bypass] : cases) {
        FilterSetting filter{500, 2, bypass == 1 ? 3 : 0, bypass == 1 ? 0 : 1};
        filter.SetSlope(stored);
        EXPECT_EQ(filter, (FilterSetting{500, 2, slope, bypass})) << "stored " << stored;
    }
}

}  // namespace
