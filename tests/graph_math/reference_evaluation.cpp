#include "reference_evaluation.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace {

// Long double: in double, a high-pass numerator near DC cancels to about 1e-8 dB of noise.
using Complex = std::complex<long double>;

Complex SectionValue(const BiquadSection& s, Complex zInv) {
    const Complex num =
        (static_cast<long double>(s.b2) * zInv + static_cast<long double>(s.b1)) * zInv +
        static_cast<long double>(s.b0);
    const Complex den =
        (static_cast<long double>(s.a2) * zInv + static_cast<long double>(s.a1)) * zInv + 1.0L;
    return num / den;
}

double Level(double power) {
    return power > 1e-8 ? 10.0 * std::log10(power) : 10.0 * std::log10(1e-40);
}

Complex ZInverse(std::span<const double> frequencies, std::size_t i) {
    const double omega = std::numbers::pi * frequencies[i] / frequencies[frequencies.size() - 2];
    return std::polar(1.0L, -static_cast<long double>(omega));
}

}  // namespace

std::vector<double> HornerCascade(std::span<const BiquadSection> sections,
                                  std::span<const double> frequencies) {
    std::vector<double> levels(frequencies.size());
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        Complex h = 1.0L;
        for (const BiquadSection& s : sections) {
            h *= SectionValue(s, ZInverse(frequencies, i));
        }
        levels[i] = Level(static_cast<double>(std::norm(h)));
    }
    return levels;
}

std::vector<double> HornerSectionSum(std::span<const BiquadSection> sections,
                                     std::span<const double> frequencies) {
    std::vector<double> levels(frequencies.size(), 0.0);
    for (const BiquadSection& s : sections) {
        const std::vector<double> part = HornerCascade({&s, 1}, frequencies);
        for (std::size_t i = 0; i < levels.size(); ++i) {
            levels[i] += part[i];
        }
    }
    return levels;
}

std::vector<BiquadSection> CrossoverSections(bool isLowPass, double cornerHz, int order, int type) {
    std::vector<BiquadSection> sections;
    for (const CrossoverSection& s : DesignCrossover(isLowPass, cornerHz, order, type).sections) {
        if (s.kind != kSectionEmpty) {
            sections.push_back(CrossoverBiquad(s, isLowPass));
        }
    }
    return sections;
}

std::vector<double> HornerChannel(const OutChannel& channel) {
    std::vector<BiquadSection> parts;
    const FilterSetting& hp = channel.crossover.hp;
    const FilterSetting& lp = channel.crossover.lp;
    if (hp.slope > 0) {
        const auto s = CrossoverSections(false, hp.fs, hp.slope, hp.type);
        parts.insert(parts.end(), s.begin(), s.end());
    }
    if (lp.slope > 0) {
        const auto s = CrossoverSections(true, lp.fs, lp.slope, lp.type);
        parts.insert(parts.end(), s.begin(), s.end());
    }
    for (int b = 0; b < std::clamp(channel.eqSize, 0, kEqBandCount); ++b) {
        const EqBand& band = channel.eqArray[static_cast<std::size_t>(b)];
        const double gain = (channel.bypass != 0 || band.enable == 0) ? 0.0 : band.gain;
        parts.push_back(DesignPeq(CURVE_SAMPLE_RATE, band.freq, gain, band.q));
    }
    return HornerSectionSum(parts, StandardGrid());
}

std::span<const double> StandardGrid() {
    return StandardFrequencyGrid();
}

double MaxDifference(std::span<const double> a, std::span<const double> b) {
    if (a.size() != b.size()) {
        return std::numeric_limits<double>::infinity();
    }
    double worst = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = a[i] == b[i] ? 0.0 : std::fabs(a[i] - b[i]);
        worst = std::max(worst, std::isnan(d) ? std::numeric_limits<double>::infinity() : d);
    }
    return worst;
}
