#include "model/value_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr double kDelayMaxMsD = kDelay.max;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Fixed-point text that does not depend on the process locale (the window layer runs under
// the user's locale, where printf would write a decimal comma). A value that rounds to zero
// is written without a minus sign.
std::string Fixed(double value, int decimals) {
    char buf[512];  // room for any double in fixed notation
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        return "0";
    }
    std::string text(buf, end);
    if (!text.empty() && text.front() == '-' &&
        text.find_first_not_of("0.", 1) == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

struct LeadingNumber {
    double value = 0.0;
    bool hasPoint = false;  // a decimal point followed the integer digits
};

// Blanks, sign, digits, and optionally a point and more digits. No digits at all reads 0.
LeadingNumber ParseLeadingNumber(std::string_view text, bool allowPoint) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string digits;
    while (i < text.size() && IsDigit(text[i])) {
        digits.push_back(text[i++]);
    }
    std::size_t intDigits = digits.size();
    LeadingNumber number;
    if (allowPoint && i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        std::string fraction;
        while (j < text.size() && IsDigit(text[j])) {
            fraction.push_back(text[j++]);
        }
        if (intDigits > 0 || !fraction.empty()) {
            number.hasPoint = true;
            digits += '.';
            digits += fraction;
        }
    }
    if (intDigits == 0 && !number.hasPoint) {
        return {};
    }
    if (intDigits == 0) {
        digits.insert(digits.begin(), '0');
    }
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                     std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        value = std::numeric_limits<double>::max();
    } else if (ec != std::errc()) {
        value = 0.0;
    }
    number.value = negative ? -value : value;
    return number;
}

int SaturateToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

double LimitDelayMs(double ms) {
    if (std::isnan(ms)) {
        return 0.0;
    }
    return std::clamp(ms, 0.0, kDelayMaxMsD);
}

std::pair<int, int> RangeOf(const SliderState& slider) {
    return {std::min(slider.min, slider.max), std::max(slider.min, slider.max)};
}

}  // namespace

DelayUnit DelayUnitFromIndex(int index) {
    switch (index) {
        case 1:
            return DelayUnit::Centimetres;
        case 2:
            return DelayUnit::Inches;
        default:
            return DelayUnit::Milliseconds;
    }
}

int RoundHalfAway(double x) {
    return SaturateToInt(std::round(x));
}

bool ClampToSlider(SliderState& slider, double v) {
    auto [lo, hi] = RangeOf(slider);
    // A NaN would slip through std::clamp; treat it as the bottom of the range.
    double result =
        std::isnan(v) ? lo : std::clamp(v, static_cast<double>(lo), static_cast<double>(hi));
    if (result == static_cast<double>(slider.pos)) {
        return false;
    }
    slider.pos = RoundHalfAway(result);
    return true;
}

bool StepSlider(SliderState& slider, bool up, double step) {
    auto [lo, hi] = RangeOf(slider);
    double target = static_cast<double>(slider.pos) + (up ? step : -step);
    if (std::isnan(target)) {
        return false;
    }
    target = std::clamp(target, static_cast<double>(lo), static_cast<double>(hi));
    if (target == static_cast<double>(slider.pos)) {
        return false;
    }
    slider.pos = RoundHalfAway(target);
    return true;
}

// ---- Text forms ----

std::string MainVolumeText(double volume) {
    int rounded = RoundHalfAway(volume);
    if (rounded == kMainVolumeSliderMin) {
        return std::string(kOffKey);
    }
    return std::to_string(rounded) + "dB";
}

std::string AccText(int acc, int sliderMin) {
    if (acc == sliderMin) {
        return std::string(kOffKey);
    }
    return std::to_string(acc);
}

std::string ChannelVolumeText(int sliderPos, int sliderMin) {
    if (sliderPos == sliderMin) {
        return std::string(kOffKey);
    }
    // Whole half-decibels, cut toward zero; integer division keeps -0.4 dB from showing "-0.0".
    long long halfDb = 2LL * sliderPos / kChannelLevel.sliderScale;
    return Fixed(static_cast<double>(halfDb) / 2.0, 1) + "dB";
}

std::string DelayText(DelayUnit unit, double ms) {
    ms = LimitDelayMs(ms);
    switch (unit) {
        case DelayUnit::Centimetres:
            return std::to_string(RoundHalfAway(ms * kDelayMaxCm / kDelayMaxMsD)) + " cm";
        case DelayUnit::Inches:
            return std::to_string(RoundHalfAway(ms * kDelayMaxInch / kDelayMaxMsD)) + " in";
        case DelayUnit::Milliseconds:
            break;
    }
    return Fixed(ms, 3) + " ms";
}

std::string SpeakerDelayText(DelayUnit unit, double ms) {
    ms = LimitDelayMs(ms);
    switch (unit) {
        case DelayUnit::Centimetres:
            return std::to_string(RoundHalfAway(ms * kDelayMaxCm / kDelayMaxMsD));
        case DelayUnit::Inches:
            return std::to_string(RoundHalfAway(ms * kDelayMaxInch / kDelayMaxMsD));
        case DelayUnit::Milliseconds:
            break;
    }
    return Fixed(ms, 3);
}

std::string CrossoverFreqText(int hz) {
    return std::to_string(hz) + "Hz";
}

std::string EqFreqText(int hz) {
    return std::to_string(hz);
}

std::string EqQText(double q) {
    return Fixed(q, 2);
}

std::string EqGainText(double gainDb) {
    return Fixed(gainDb, 1);
}

EqBandTexts EqBandTextsFor(const EqBand& band, int bandIndex, int eqSize, bool channelBypassed) {
    if (bandIndex < 0 || bandIndex >= eqSize) {
        return {"0", "0", "0.0"};
    }
    bool flat = band.enable == 0 || channelBypassed;
    return {EqFreqText(band.freq), EqQText(band.q),
            flat ? std::string("0.0") : EqGainText(band.gain)};
}

std::string NoiseThresholdText(int threshold) {
    if (threshold <= kNoiseThresholdOff) {
        return std::string(kOffKey);
    }
    return std::to_string(threshold) + "dBu";
}

// ---- Reading typed text ----

int LeadingInt(std::string_view text) {
    return SaturateToInt(ParseLeadingNumber(text, false).value);
}

double LeadingDecimal(std::string_view text) {
    return ParseLeadingNumber(text, true).value;
}

bool IsOffText(std::string_view text, std::string_view offText) {
    text = TrimBlanks(text);
    offText = TrimBlanks(offText);
    if (offText.empty() || text.size() != offText.size()) {
        return false;
    }
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return std::equal(text.begin(), text.end(), offText.begin(),
                      [&](char a, char b) { return lower(a) == lower(b); });
}

int ReadMainVolume(std::string_view text, std::string_view offText) {
    return IsOffText(text, offText) ? kMainVolumeSliderMin : LeadingInt(text);
}

int ReadAcc(std::string_view text, std::string_view offText, int sliderMin) {
    return IsOffText(text, offText) ? sliderMin : LeadingInt(text);
}

double ReadChannelVolume(std::string_view text, std::string_view offText) {
    return IsOffText(text, offText) ? kChannelLevel.min : LeadingDecimal(text);
}

double ReadDelay(DelayUnit unit, std::string_view text) {
    double typed = LeadingDecimal(text);
    switch (unit) {
        case DelayUnit::Centimetres: {
            double cm = std::trunc(std::clamp(typed, 0.0, kDelayMaxCm));
            return cm * kDelayMaxMsD / kDelayMaxCm;
        }
        case DelayUnit::Inches: {
            double in = std::trunc(std::clamp(typed, 0.0, kDelayMaxInch));
            return in * kDelayMaxMsD / kDelayMaxInch;
        }
        case DelayUnit::Milliseconds:
            break;
    }
    return LimitDelayMs(typed);
}

int ReadFrequency(std::string_view text) {
    std::size_t k = text.find_first_of("kK");
    if (k == std::string_view::npos) {
        return LeadingInt(text);
    }
    LeadingNumber kilo = ParseLeadingNumber(text.substr(0, k), true);
    double hz = kilo.value * 1000.0;
    // "2k5": a digit after the k gives the hundreds of a whole number of kHz.
    if (!kilo.hasPoint && k + 1 < text.size() && IsDigit(text[k + 1])) {
        double hundreds = (text[k + 1] - '0') * 100.0;
        hz += kilo.value < 0 ? -hundreds : hundreds;
    }
    return RoundHalfAway(hz);
}

std::optional<int> ReadEqFrequency(std::string_view text) {
    int hz = ReadFrequency(text);
    if (hz < kFreqMin || hz > kFreqMax) {
        return std::nullopt;
    }
    return hz;
}

int ReadHpFrequency(std::string_view text, int lpFreq) {
    int typed = ReadFrequency(text);
    if (typed > lpFreq) {
        return lpFreq;
    }
    return std::clamp(typed, kFreqMin, kFreqMax);
}

int ReadLpFrequency(std::string_view text, int hpFreq) {
    int typed = ReadFrequency(text);
    if (typed < hpFreq) {
        return hpFreq;
    }
    return std::clamp(typed, kFreqMin, kFreqMax);
}

double ReadEqQ(std::string_view text) {
    return std::clamp(LeadingDecimal(text), static_cast<double>(kEqQMin),
                      static_cast<double>(kEqQMax));
}

int ReadNoiseThreshold(std::string_view text, std::string_view offText) {
    int value = IsOffText(text, offText) ? kNoiseThresholdOff : LeadingInt(text);
    return std::clamp(value, kNoiseThresholdOff, kNoiseThresholdMax);
}

std::uint32_t ReadMemoryNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    } else if (i < text.size() && text[i] == '0') {
        base = 8;
    }
    constexpr std::uint64_t kMax = 0xFFFFFFFFu;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit = 0;
        if (IsDigit(c)) {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base) {
            break;
        }
        value = std::min(value * base + digit, kMax);
    }
    return static_cast<std::uint32_t>(value);
}

// ---- Quantising and steps ----

double QuantizeDelay(DelayUnit unit, double ms) {
    ms = LimitDelayMs(ms);
    switch (unit) {
        case DelayUnit::Centimetres:
            return RoundHalfAway(ms * kDelayMaxCm / kDelayMaxMsD) * kDelayMaxMsD / kDelayMaxCm;
        case DelayUnit::Inches:
            return RoundHalfAway(ms * kDelayMaxInch / kDelayMaxMsD) * kDelayMaxMsD / kDelayMaxInch;
        case DelayUnit::Milliseconds:
            break;
    }
    return ms;
}

int FreqStep(int hz, bool up) {
    constexpr int kSteps = 200;
    const double low = std::log10(static_cast<double>(kFreqMin));
    const double span = std::log10(static_cast<double>(kFreqMax)) - low;
    hz = std::clamp(hz, kFreqMin, kFreqMax);
    const double p = (std::log10(static_cast<double>(hz)) - low) * kSteps / span;
    auto stepBy = [&](int delta) {
        int q = static_cast<int>(std::trunc(p)) + (up ? delta : -delta);
        q = std::clamp(q, 0, kSteps);
        return RoundHalfAway(std::pow(10.0, low + span * q / kSteps));
    };
    int next = stepBy(1);
    if (next == hz) {
        next = stepBy(2);
    }
    return next;
}

std::optional<int> StepEqFrequency(int hz, bool up) {
    if ((up && hz >= kFreqMax) || (!up && hz <= kFreqMin)) {
        return std::nullopt;
    }
    return FreqStep(hz, up);
}

std::optional<int> StepHpFrequency(int hp, int lp, bool up) {
    std::optional<int> next = StepEqFrequency(hp, up);
    if (!next) {
        return std::nullopt;
    }
    int capped = std::min(*next, lp);
    if (capped == hp) {
        return std::nullopt;
    }
    return capped;
}

std::optional<int> StepLpFrequency(int lp, int hp, bool up) {
    std::optional<int> next = StepEqFrequency(lp, up);
    if (!next) {
        return std::nullopt;
    }
    int floored = std::max(*next, hp);
    if (floored == lp) {
        return std::nullopt;
    }
    return floored;
}

std::optional<double> StepEqQ(double q, bool up) {
    constexpr double kAtEnd = 0.025;
    if (up && std::abs(q - kEqQMax) < kAtEnd) {
        return std::nullopt;
    }
    if (!up && std::abs(q - kEqQMin) < kAtEnd) {
        return std::nullopt;
    }
    double next = q + (up ? kEqQStep : -kEqQStep);
    return std::clamp(next, static_cast<double>(kEqQMin), static_cast<double>(kEqQMax));
}

std::optional<double> StepDelay(SliderState& slider, bool up, DelayUnit unit) {
    if (!StepSlider(slider, up, kDelayStep)) {
        return std::nullopt;
    }
    return QuantizeDelay(unit, slider.pos / static_cast<double>(kDelay.sliderScale));
}

int StepNoiseThreshold(int threshold, bool up) {
    int current = std::clamp(threshold, kNoiseThresholdOff, kNoiseThresholdMax);
    return std::clamp(current + (up ? 1 : -1), kNoiseThresholdOff, kNoiseThresholdMax);
}
