#pragma once
// Plain evaluation of biquad sections in complex arithmetic (Horner's rule at
// z^-1 = e^(-jw), in long double), section by section, for checking the library's faster form.

#include <span>
#include <vector>

#include "graph/math/channel_curve.h"
#include "graph/math/filter_response.h"

// dB of the product of the sections at each frequency, floored once.
std::vector<double> HornerCascade(std::span<const BiquadSection> sections,
                                  std::span<const double> frequencies);
// Sum of each section's floored level.
std::vector<double> HornerSectionSum(std::span<const BiquadSection> sections,
                                     std::span<const double> frequencies);
std::vector<BiquadSection> CrossoverSections(bool isLowPass, double cornerHz, int order, int type);
// A channel curve the long way: every part on its own, every band designed (0 dB included).
std::vector<double> HornerChannel(const OutChannel& channel);

std::span<const double> StandardGrid();
// Largest |a - b|; infinite when the sizes differ or a value is NaN.
double MaxDifference(std::span<const double> a, std::span<const double> b);
