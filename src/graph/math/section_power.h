#pragma once
// Internal to graph_math: |H|^2 of one biquad section from two precomputed terms per point,
// phi = sin^2(w/2) and psi = sin^2(w). With z = e^(jw),
//   |b0 + b1 z^-1 + b2 z^-2|^2 = (S - phi * B)^2 + psi * C^2,
//   S = b0 + b1 + b2, B = 2 (b0 + b2), C = b0 - b2,
// and the same for 1 + a1 z^-1 + a2 z^-2. Both parts are squares, so the power is never
// negative, and a high-pass numerator (S = 0) keeps its precision at low frequencies where
// a cos w form cancels to noise.

#include <cmath>
#include <numbers>

#include "graph/math/filter_response.h"

namespace graph_math_detail {

struct PointAngles {
    double phi = 0.0;  // sin^2(w/2)
    double psi = 0.0;  // sin^2(w)
};

inline PointAngles AnglesAt(double frequency, double referenceFrequency) {
    const double omega = std::numbers::pi * frequency / referenceFrequency;
    const double half = std::sin(0.5 * omega);
    const double full = std::sin(omega);
    return {half * half, full * full};
}

// The f_ref of a frequency array: its second-to-last entry when that is usable.
inline double ReferenceFrequency(const double* frequencies, std::size_t count) {
    if (count >= 2) {
        const double reference = frequencies[count - 2];
        if (reference > 0.0 && std::isfinite(reference)) {
            return reference;
        }
    }
    return CURVE_SAMPLE_RATE / 2.0;
}

struct SectionPower {
    double numSum = 1.0;    // S of the numerator
    double numSlope = 0.0;  // B
    double numOdd = 0.0;    // C^2
    double denSum = 1.0;
    double denSlope = 0.0;
    double denOdd = 0.0;

    explicit SectionPower(const BiquadSection& s)
        : numSum(s.b0 + s.b1 + s.b2),
          numSlope(2.0 * (s.b0 + s.b2)),
          numOdd((s.b0 - s.b2) * (s.b0 - s.b2)),
          denSum(1.0 + s.a1 + s.a2),
          denSlope(2.0 * (1.0 + s.a2)),
          denOdd((1.0 - s.a2) * (1.0 - s.a2)) {}

    double Numerator(double phi, double psi) const {
        const double even = numSum - phi * numSlope;
        return even * even + psi * numOdd;
    }
    double Denominator(double phi, double psi) const {
        const double even = denSum - phi * denSlope;
        return even * even + psi * denOdd;
    }
};

// A section with b = a is exactly 0 dB everywhere and can be left out of a product.
inline bool IsIdentity(const BiquadSection& s) {
    return s.b0 == 1.0 && s.b1 == s.a1 && s.b2 == s.a2;
}

inline double PowerLevel(double power) {
    return power > kFloorPower ? 10.0 * std::log10(power) : kFloorLevelDb;
}

}  // namespace graph_math_detail
