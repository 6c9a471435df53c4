#include "model/crossover.h"

#include "model/eq_band.h"

void FilterSetting::SetFs(int hz) {
    // An out-of-range corner goes to the bottom of the range, not the nearest end.
    fs = (hz < kFreqMin || hz > kFreqMax) ? kFreqMin : hz;
}

void FilterSetting::SetType(int filterType) {
    type = (filterType < kFilterButterworth || filterType > kFilterBessel) ? kFilterButterworth
                                                                           : filterType;
}

void FilterSetting::SetSlope(int order) {
    slope = order < 0 ? 0 : order;
    bypass = slope == 0 ? 1 : 0;
}
