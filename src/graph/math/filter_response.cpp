#include "graph/math/filter_response.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "graph/math/section_power.h"

using graph_math_detail::AnglesAt;
using graph_math_detail::PointAngles;
using graph_math_detail::PowerLevel;
using graph_math_detail::ReferenceFrequency;
using graph_math_detail::SectionPower;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kMaxOrder = 8;
constexpr double kDesignSampleRate = 48000.0;
// Corner limits as normalised frequencies: 0.0025 Hz and 22000 Hz at 48 kHz.
constexpr double kOmegaMin = 2.0 * kPi * 5.2083333e-8;
constexpr double kOmegaMax = 2.0 * kPi * 0.45833333;

// Bessel tables, indexed by order (entry 0 unused) and section.
constexpr std::array<double, kMaxOrder + 1> kBesselScale = {
    0.0,          1.0,          0.5773502692, 0.4030076571, 0.3086066999,
    0.2496411504, 0.2093977333, 0.1802208568, 0.1581178777};
constexpr std::array<double, kCrossoverSections> kBesselRealPole = {1.0, 2.3221853546, 3.6467385953,
                                                                    4.9717868586};
using SectionTable = std::array<std::array<double, kCrossoverSections>, kMaxOrder + 1>;
constexpr SectionTable kBesselDamping = {{
    {0, 0, 0, 0},
    {1.0, 0, 0, 0},
    {1.7320508076, 0, 0, 0},
    {1.4470803599, 0, 0, 0},
    {1.9159489237, 1.2414059301, 0, 0},
    {1.7745107195, 1.0911344114, 0, 0},
    {1.9595631418, 1.6361402521, 0.9772172032, 0},
    {1.8784433114, 1.5132682086, 0.8878963849, 0},
    {1.9763194659, 1.7869614419, 1.4067624418, 0.8158806765},
}};
constexpr SectionTable kBesselSectionScale = {{
    {0, 0, 0, 0},
    {1.0, 0, 0, 0},
    {1.7320508076, 0, 0, 0},
    {2.5415414011, 0, 0, 0},
    {3.0232649388, 3.3893657927, 0, 0},
    {3.7778936609, 4.2610228013, 0, 0},
    {4.3360270513, 4.5664891522, 5.1491771521, 0},
    {5.0662061498, 5.3792700335, 6.0495276805, 0},
    {5.6548408694, 5.8253532155, 6.2104149036, 6.9593116508},
}};
// Linkwitz-Riley damping, indexed by half the order.
constexpr std::array<std::array<double, kCrossoverSections>, kMaxOrder / 2 + 1>
    kLinkwitzRileyDamping = {{
        {0, 0, 0, 0},
        {2.0, 0, 0, 0},
        {1.4142135624, 1.4142135624, 0, 0},
        {2.0, 1.0, 1.0, 0},
        {1.847759065, 0.7653668647, 1.847759065, 0.7653668647},
    }};

// A NaN angle goes to the lower limit rather than through every later step.
double ClampOmega(double omega) {
    if (!(omega > kOmegaMin)) {
        return kOmegaMin;
    }
    return omega > kOmegaMax ? kOmegaMax : omega;
}

// The section's frequency scale moves the corner up for a low-pass and down for a high-pass.
double Scaled(double omega, double factor, bool isLowPass) {
    return isLowPass ? omega * factor : omega / factor;
}

double SecondOrderDamping(int type, int order, int section) {
    const int halfOrder = order / 2;
    switch (type) {
        case kFilterSingleSection:
            return 1.0;
        case kFilterButterworth:
            return 2.0 * std::sin((2.0 * (halfOrder - 1 - section) + 1.0) * kPi / (2.0 * order));
        case kFilterLinkwitzRiley:
            return kLinkwitzRileyDamping[static_cast<std::size_t>(halfOrder)]
                                        [static_cast<std::size_t>(section)];
        case kFilterBessel:
            return kBesselDamping[static_cast<std::size_t>(order)]
                                 [static_cast<std::size_t>(section)];
        default:
            return 0.0;
    }
}

// Level of one section at every point, added to `levels` (floored per section) or written.
void SectionLevels(const BiquadSection& section, const double* frequencies, double* levels,
                   std::size_t count, double reference, bool add) {
    const SectionPower power(section);
    for (std::size_t i = 0; i < count; ++i) {
        const PointAngles a = AnglesAt(frequencies[i], reference);
        const double level =
            PowerLevel(power.Numerator(a.phi, a.psi) / power.Denominator(a.phi, a.psi));
        levels[i] = add ? levels[i] + level : level;
    }
}

}  // namespace

void BuildFrequencyGrid(double sampleRate, std::span<double> frequencies) {
    const std::size_t count = frequencies.size();
    if (count == 0) {
        return;
    }
    const double top = std::log10(sampleRate / 2.0);
    for (std::size_t i = 1; i < count; ++i) {
        frequencies[i - 1] =
            std::pow(10.0, static_cast<double>(i) * top / static_cast<double>(count - 1));
    }
    frequencies[count - 1] = sampleRate;
}

const FrequencyGrid& StandardFrequencyGrid() {
    static const FrequencyGrid grid = [] {
        FrequencyGrid g{};
        BuildFrequencyGrid(CURVE_SAMPLE_RATE, g);
        return g;
    }();
    return grid;
}

BiquadSection DesignPeq(double sampleRate, double centreHz, double gainDb, double q) {
    const double a = std::pow(10.0, gainDb / 20.0);
    const double w0 = 2.0 * kPi * centreHz / sampleRate;
    const double s0 = std::sin(w0);
    const double c0 = std::cos(w0);
    const double w1 = w0 * (std::sqrt(4.0 * q * q + 1.0) - 1.0) / (2.0 * q);  // lower band edge
    double t = std::sin(w1) * s0 / (2.0 * (std::cos(w1) - c0));
    if (a < 1.0) {
        t *= a;  // makes a cut the exact inverse of the matching boost
    }
    const double d = 2.0 * t + s0;
    BiquadSection s;
    s.a1 = -4.0 * t * c0 / d;
    s.a2 = (2.0 * t - s0) / d;
    s.b0 = (2.0 * t + a * s0) / d;
    s.b1 = s.a1;
    s.b2 = (2.0 * t - a * s0) / d;
    const bool finite = std::isfinite(s.b0) && std::isfinite(s.b1) && std::isfinite(s.b2) &&
                        std::isfinite(s.a1) && std::isfinite(s.a2);
    return finite ? s : BiquadSection{};
}

int CrossoverOrder(int order, int type) {
    if (type == kFilterSingleSection) {
        order = 2;
    } else if (type == kFilterLinkwitzRiley && order % 2 != 0 && order < kMaxOrder) {
        order += 1;  // (the limit check keeps INT_MAX from overflowing; it clamps to 8 anyway)
    }
    return std::clamp(order, 1, kMaxOrder);
}

CrossoverDesign DesignCrossover(bool isLowPass, double cornerHz, int order, int type) {
    const int n = CrossoverOrder(order, type);
    const double omegaCorner = ClampOmega(2.0 * kPi * cornerHz / kDesignSampleRate);
    const auto nIndex = static_cast<std::size_t>(n);

    CrossoverDesign design;
    int remaining = n;
    for (int s = 0; s < kCrossoverSections; ++s) {
        const auto sIndex = static_cast<std::size_t>(s);
        CrossoverSection& section = design.sections[sIndex];
        double omega = omegaCorner;
        if (type == kFilterBessel) {
            omega = Scaled(omega, kBesselScale[nIndex], isLowPass);
        }
        if (remaining == 0) {
            section = {0.0, std::cos(omega), kSectionEmpty};
        } else if (remaining == 1) {
            if (type == kFilterBessel) {
                omega = Scaled(omega, kBesselRealPole[sIndex], isLowPass);
            }
            omega = ClampOmega(omega);
            const double c = std::cos(omega);
            const double sn = std::sin(omega);
            section = {(c + sn - 1.0) / (c - sn - 1.0), c, kSectionFirstOrder};
            remaining -= 1;
        } else {
            const double damping = SecondOrderDamping(type, n, s);
            if (type == kFilterBessel) {
                omega = ClampOmega(Scaled(omega, kBesselSectionScale[nIndex][sIndex], isLowPass));
            }
            const double sn = std::sin(omega);
            section = {(2.0 - damping * sn) / (2.0 + damping * sn), std::cos(omega),
                       kSectionSecondOrder};
            remaining -= 2;
        }
    }
    return design;
}

BiquadSection CrossoverBiquad(const CrossoverSection& section, bool isLowPass) {
    const double q = section.q;
    BiquadSection b;
    if (section.kind == kSectionFirstOrder) {
        b.a1 = q;
        b.a2 = 0.0;
        if (isLowPass) {
            b.b0 = (1.0 + q) / 2.0;
            b.b1 = b.b0;
        } else {
            b.b0 = (1.0 - q) / 2.0;
            b.b1 = -b.b0;
        }
        b.b2 = 0.0;
    } else if (section.kind == kSectionSecondOrder) {
        const double k = section.cosine;
        b.a1 = -(1.0 + q) * k;
        b.a2 = q;
        const double e = isLowPass ? (1.0 + q) * (1.0 - k) / 4.0 : (1.0 + q) * (1.0 + k) / 4.0;
        b.b0 = e;
        b.b1 = isLowPass ? 2.0 * e : -2.0 * e;
        b.b2 = e;
    }
    return b;
}

void EvaluateCascade(std::span<const BiquadSection> sections, std::span<const double> frequencies,
                     std::span<double> levels) {
    const std::size_t count = std::min(frequencies.size(), levels.size());
    const double reference = ReferenceFrequency(frequencies.data(), frequencies.size());
    for (std::size_t i = 0; i < count; ++i) {
        const PointAngles a = AnglesAt(frequencies[i], reference);
        // A product far from 1 is split into mantissa and binary exponent, so that no
        // number of sections over- or underflows it before its one logarithm.
        double product = 1.0;
        long exponent = 0;
        for (const BiquadSection& s : sections) {
            const SectionPower power(s);
            product *= power.Numerator(a.phi, a.psi) / power.Denominator(a.phi, a.psi);
            const double size = std::fabs(product);
            if (std::isfinite(size) && size != 0.0 && (size > 1e150 || size < 1e-150)) {
                int e = 0;
                product = std::frexp(product, &e);
                exponent += e;
            }
        }
        if (exponent == 0) {
            levels[i] = PowerLevel(product);
        } else {
            const double log10Power = std::log10(product) + static_cast<double>(exponent) *
                                                                std::numbers::ln2 *
                                                                std::numbers::log10e;
            levels[i] = log10Power > -8.0 ? 10.0 * log10Power : kFloorLevelDb;
        }
    }
}

void PeqResponse(double sampleRate, double centreHz, double gainDb, double q,
                 std::span<const double> frequencies, std::span<double> levels) {
    const std::size_t count = std::min(frequencies.size(), levels.size());
    const double reference = ReferenceFrequency(frequencies.data(), frequencies.size());
    SectionLevels(DesignPeq(sampleRate, centreHz, gainDb, q), frequencies.data(), levels.data(),
                  count, reference, false);
}

void CrossoverResponse(bool isLowPass, double cornerHz, int order, int type,
                       std::span<const double> frequencies, std::span<double> levels) {
    const std::size_t count = std::min(frequencies.size(), levels.size());
    const double reference = ReferenceFrequency(frequencies.data(), frequencies.size());
    std::fill_n(levels.begin(), count, 0.0);
    for (const CrossoverSection& section :
         DesignCrossover(isLowPass, cornerHz, order, type).sections) {
        if (section.kind != kSectionEmpty) {
            SectionLevels(CrossoverBiquad(section, isLowPass), frequencies.data(), levels.data(),
                          count, reference, true);
        }
    }
}
