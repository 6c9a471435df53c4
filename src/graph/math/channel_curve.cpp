#include "graph/math/channel_curve.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "graph/math/section_power.h"

using graph_math_detail::AnglesAt;
using graph_math_detail::IsIdentity;
using graph_math_detail::PointAngles;
using graph_math_detail::PowerLevel;
using graph_math_detail::ReferenceFrequency;
using graph_math_detail::SectionPower;

// The point loops also get an AVX2 version, picked at load time where the processor has it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TONVIA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TONVIA_VECTOR_CLONES
#endif

namespace {

using PointArray = std::array<double, CURVE_POINTS>;

struct StandardAngles {
    PointArray phi{};
    PointArray psi{};
};

const StandardAngles& Angles() {
    static const StandardAngles angles = [] {
        const FrequencyGrid& grid = StandardFrequencyGrid();
        const double reference = ReferenceFrequency(grid.data(), grid.size());
        StandardAngles a;
        for (std::size_t i = 0; i < grid.size(); ++i) {
            const PointAngles point = AnglesAt(grid[i], reference);
            a.phi[i] = point.phi;
            a.psi[i] = point.psi;
        }
        return a;
    }();
    return angles;
}

// A peaking band's level lies between 0 dB and its gain, so a well-formed band above
// -70 dB never reaches the -80 dB floor and needs no floor test.
bool BandCanFloor(const EqBand& band) {
    return !(band.gain > -70.0f && band.gain < 70.0f && band.q > 0.0f && band.freq > 0 &&
             band.freq < CURVE_SAMPLE_RATE / 2);
}

// Calls visit(section, canFloor) for every section of the channel that is not exactly 0 dB.
template <typename Visit>
void ForEachSection(const FilterSetting& highPass, const FilterSetting& lowPass,
                    std::span<const EqBand> bands, bool eqBypassed, Visit&& visit) {
    const auto filter = [&](const FilterSetting& setting, bool isLowPass) {
        if (setting.slope <= 0) {
            return;
        }
        const CrossoverDesign design =
            DesignCrossover(isLowPass, setting.fs, setting.slope, setting.type);
        for (const CrossoverSection& section : design.sections) {
            if (section.kind != kSectionEmpty) {
                visit(CrossoverBiquad(section, isLowPass), true);
            }
        }
    };
    filter(highPass, false);
    filter(lowPass, true);
    if (eqBypassed) {
        return;
    }
    for (const EqBand& band : bands) {
        if (band.enable == 0 || band.gain == 0.0f) {
            continue;  // designs b = a: exactly 0 dB
        }
        const BiquadSection section = DesignPeq(CURVE_SAMPLE_RATE, band.freq, band.gain, band.q);
        if (!IsIdentity(section)) {
            visit(section, BandCanFloor(band));
        }
    }
}

// Running products of the kept sections' |N|^2 and |D|^2 per point, so that a whole curve
// needs one division and one logarithm per point; floored sections are counted instead.
// Only the ratio matters, so every few sections both products are scaled by the same power
// of two (exact) to keep them near 1; low bands and steep high-pass sections would otherwise
// take them below 1e-200 at the lowest points. The loops have no branches, so that they run
// on vector registers.
struct Products {
    PointArray numerator;
    PointArray denominator;
    PointArray floorDb;
    PointArray smallest;  // least and greatest value of either product so far
    PointArray largest;
    int sinceRescale = 0;

    static constexpr int kRescaleEvery = 4;

    Products() {
        numerator.fill(1.0);
        denominator.fill(1.0);
        floorDb.fill(0.0);
        smallest.fill(1.0);
        largest.fill(1.0);
    }

    void Multiply(const BiquadSection& section, bool canFloor, const StandardAngles& angles) {
        const SectionPower power(section);
        if (canFloor) {
            PointArray keptNum;
            PointArray keptDen;
            SelectKept(power, angles.phi.data(), angles.psi.data(), keptNum.data(), keptDen.data(),
                       floorDb.data());
            MultiplyKept(keptNum.data(), keptDen.data(), numerator.data(), denominator.data(),
                         smallest.data(), largest.data());
        } else {
            MultiplyAll(power, angles.phi.data(), angles.psi.data(), numerator.data(),
                        denominator.data(), smallest.data(), largest.data());
        }
        if (++sinceRescale == kRescaleEvery) {
            sinceRescale = 0;
            Rescale(numerator.data(), denominator.data());
        }
    }

    // Whether every partial product stayed where a double holds it to full precision.
    bool InRange(std::size_t i) const { return smallest[i] >= 1e-200 && largest[i] <= 1e200; }

  private:
    TONVIA_VECTOR_CLONES static void MultiplyAll(
        const SectionPower& power, const double* __restrict phi, const double* __restrict psi,
        double* __restrict numerator, double* __restrict denominator, double* __restrict smallest,
        double* __restrict largest) {
        for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
            const double num = numerator[i] * power.Numerator(phi[i], psi[i]);
            const double den = denominator[i] * power.Denominator(phi[i], psi[i]);
            numerator[i] = num;
            denominator[i] = den;
            smallest[i] = std::min(smallest[i], std::min(num, den));
            largest[i] = std::max(largest[i], std::max(num, den));
        }
    }

    // Two passes: the compiler keeps a select feeding a product as a branch, which stops
    // it from using vector registers, but vectorises a stored select.
    TONVIA_VECTOR_CLONES static void SelectKept(
        const SectionPower& power, const double* __restrict phi, const double* __restrict psi,
        double* __restrict keptNum, double* __restrict keptDen, double* __restrict floorDb) {
        for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
            const double n = power.Numerator(phi[i], psi[i]);
            const double d = power.Denominator(phi[i], psi[i]);
            const bool kept = n > kFloorPower * d;  // n / d > 1e-8 without the division
            keptNum[i] = kept ? n : 1.0;
            keptDen[i] = kept ? d : 1.0;
            floorDb[i] += kept ? 0.0 : kFloorLevelDb;
        }
    }

    TONVIA_VECTOR_CLONES static void MultiplyKept(const double* __restrict keptNum,
                                                  const double* __restrict keptDen,
                                                  double* __restrict numerator,
                                                  double* __restrict denominator,
                                                  double* __restrict smallest,
                                                  double* __restrict largest) {
        for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
            const double num = numerator[i] * keptNum[i];
            const double den = denominator[i] * keptDen[i];
            numerator[i] = num;
            denominator[i] = den;
            smallest[i] = std::min(smallest[i], std::min(num, den));
            largest[i] = std::max(largest[i], std::max(num, den));
        }
    }

    // Multiplies both products by 2^(-e), e being the denominator's binary exponent, which
    // brings the denominator into [1, 2) and leaves the ratio exactly as it was. A
    // denominator of 0, infinity or NaN gives a product the range or finiteness check
    // catches, as it would have without the scaling.
    TONVIA_VECTOR_CLONES static void Rescale(double* __restrict numerator,
                                             double* __restrict denominator) {
        for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
            const auto bits = std::bit_cast<std::uint64_t>(denominator[i]);
            const std::uint64_t biasedExponent = (bits >> 52) & 0x7FF;
            const auto scale = std::bit_cast<double>((2046 - biasedExponent) << 52);
            numerator[i] *= scale;
            denominator[i] *= scale;
        }
    }
};

}  // namespace

void ComputeChannelCurve(const FilterSetting& highPass, const FilterSetting& lowPass,
                         std::span<const EqBand> bands, bool eqBypassed, ChannelCurve& curve) {
    const StandardAngles& angles = Angles();
    Products products;
    ForEachSection(highPass, lowPass, bands, eqBypassed,
                   [&](const BiquadSection& section, bool canFloor) {
                       products.Multiply(section, canFloor, angles);
                   });

    curve.frequencies = StandardFrequencyGrid();
    std::array<bool, CURVE_POINTS> slow{};
    bool anySlow = false;
    for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
        curve.levels[i] = 10.0 * std::log10(products.numerator[i] / products.denominator[i]) +
                          products.floorDb[i];
        // NaN fails the range test too.
        slow[i] = !products.InRange(i) || !std::isfinite(curve.levels[i]);
        anySlow |= slow[i];
    }
    if (!anySlow) {
        return;
    }
    // Extreme settings (or a pole on the unit circle) took a product out of the safe range:
    // those points are summed section by section instead.
    for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
        if (slow[i]) {
            curve.levels[i] = 0.0;
        }
    }
    ForEachSection(highPass, lowPass, bands, eqBypassed, [&](const BiquadSection& section, bool) {
        const SectionPower power(section);
        for (std::size_t i = 0; i < CURVE_POINTS; ++i) {
            if (slow[i]) {
                curve.levels[i] += PowerLevel(power.Numerator(angles.phi[i], angles.psi[i]) /
                                              power.Denominator(angles.phi[i], angles.psi[i]));
            }
        }
    });
}

void ComputeChannelCurve(const OutChannel& channel, ChannelCurve& curve) {
    const auto bandCount =
        static_cast<std::size_t>(std::clamp(channel.eqSize, 0, static_cast<int>(kEqBandCount)));
    ComputeChannelCurve(channel.crossover.hp, channel.crossover.lp,
                        std::span<const EqBand>(channel.eqArray.data(), bandCount),
                        channel.bypass != 0, curve);
}
