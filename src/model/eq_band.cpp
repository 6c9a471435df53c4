#include "model/eq_band.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 11> kOctaveFrequencies = {20,   40,   80,   160,   315,  630,
                                                    1250, 2500, 5000, 10000, 20000};
constexpr std::array<int, 21> kHalfOctaveFrequencies = {
    20,  28,   40,   56,   80,   112,  160,  220,   315,   450,  630,
    890, 1250, 1800, 2500, 3600, 5000, 7100, 10000, 14000, 20000};
constexpr std::array<int, 31> kThirdOctaveFrequencies = {
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

}  // namespace

std::span<const int> BandFrequencyTable(int bandCount) {
    if (bandCount <= 11) {
        return kOctaveFrequencies;
    }
    if (bandCount <= 21) {
        return kHalfOctaveFrequencies;
    }
    return kThirdOctaveFrequencies;
}

int DefaultBandFrequency(int bandCount, int band) {
    const std::span<const int> table = BandFrequencyTable(bandCount);
    const int last = static_cast<int>(table.size()) - 1;
    return table[static_cast<std::size_t>(std::clamp(band, 0, last))];
}

EqBand DefaultEqBand(int bandCount, int band) {
    EqBand result;
    result.freq = DefaultBandFrequency(bandCount, band);
    return result;
}
