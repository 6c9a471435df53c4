#include "tuning/cs_auto_edits.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "model/value_format.h"
#include "platform/log.h"
#include "tuning/edit_sends.h"

namespace tonvia::tuning {

namespace {

constexpr std::size_t kFlagsAt = 1;
constexpr std::size_t kValuesAt = 12;
constexpr std::size_t kSelectorsAt = 48;
static_assert(kSelectorsAt + kCsAutoSelectors == CS_AUTO_SETTING_SIZE);
static_assert(kValuesAt + 4 * kCsAutoValues == kSelectorsAt);

// What restore gives: mode 0 and the front, surround and subwoofer levels at 0 dB.
constexpr std::array<std::uint8_t, kCsAutoSelectors> kRestoredSelectors{0, 5, 5, 5};
constexpr float kRestoredValue = 1.0f;

bool IsFlag(int n) {
    return n >= 0 && n < kCsAutoFlags;
}
bool IsValue(int n) {
    return n >= 0 && n < kCsAutoValues;
}
std::size_t ValueAt(int n) {
    return kValuesAt + 4 * At(n);
}

}  // namespace

bool CsAutoSetting::Flag(int n) const {
    return IsFlag(n) && bytes[kFlagsAt + At(n)] != 0;
}

void CsAutoSetting::SetFlag(int n, bool on) {
    if (IsFlag(n)) {
        bytes[kFlagsAt + At(n)] = on ? 1 : 0;
    }
}

float CsAutoSetting::Value(int n) const {
    if (!IsValue(n)) {
        return 0.0f;
    }
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        word |= static_cast<std::uint32_t>(bytes[ValueAt(n) + i]) << (8 * i);
    }
    return std::bit_cast<float>(word);
}

void CsAutoSetting::SetValue(int n, float value) {
    if (!IsValue(n)) {
        return;
    }
    const auto word = std::bit_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[ValueAt(n) + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
}

int CsAutoSetting::Selector(CsAutoSelector selector) const {
    return bytes[kSelectorsAt + static_cast<std::size_t>(selector)];
}

void CsAutoSetting::SetSelector(CsAutoSelector selector, int index) {
    bytes[kSelectorsAt + static_cast<std::size_t>(selector)] =
        static_cast<std::uint8_t>(std::clamp(index, 0, 0xFF));
}

void SendCsAuto(Session& session, const CsAutoSetting& block) {
    session.Link().CS_Auto_Setting_Ctrl(block.bytes, false);
}

void SetCsAutoFlag(Session& session, CsAutoSetting& block, int n, bool on) {
    if (!IsFlag(n)) {
        return;
    }
    block.SetFlag(n, on);
    LogPrintA("cs auto %d seleted %d\n", n, on ? 1 : 0);
    SendCsAuto(session, block);
}

float TakeCsAutoSlider(Session& session, CsAutoSetting& block, int n, int position) {
    const float value = static_cast<float>(position) / kCsAutoSliderScale;
    LogPrintA("set auto %d slider to %.3f\n", n, static_cast<double>(value));
    if (IsValue(n)) {
        block.SetValue(n, value);
        SendCsAuto(session, block);
    }
    return value;
}

float CommitCsAutoText(Session& session, CsAutoSetting& block, int n, std::string_view text,
                       SliderRange range) {
    const double low = std::min(range.min, range.max) / static_cast<double>(kCsAutoSliderScale);
    const double high = std::max(range.min, range.max) / static_cast<double>(kCsAutoSliderScale);
    const auto value = static_cast<float>(std::clamp(LeadingDecimal(text), low, high));
    if (IsValue(n)) {
        block.SetValue(n, value);
        SendCsAuto(session, block);
    }
    return value;
}

std::optional<int> StepCsAutoSlider(int position, bool up, SliderRange range) {
    LogPrintA("SetChVolumeUp %d \n", up ? 1 : 0);
    const int low = std::min(range.min, range.max);
    const int high = std::max(range.min, range.max);
    if ((up && position >= high) || (!up && position <= low)) {
        return std::nullopt;
    }
    return std::clamp(position + (up ? 1 : -1), low, high);
}

void SetCsAutoSelector(Session& session, CsAutoSetting& block, CsAutoSelector selector, int index) {
    block.SetSelector(selector, index);
    SendCsAuto(session, block);
}

bool RestoreCsAuto(Session& session, CsAutoSetting& block, const Confirm& ask) {
    LogPrintA("on %s\n", "CSAutoWnd::RestoreCSAuto");
    if (!Confirmed(ask, "${restore_cs_auto}")) {
        return false;
    }
    SetCsAutoDefaults(block);
    SendCsAuto(session, block);
    return true;
}

void SetCsAutoDefaults(CsAutoSetting& block) {
    for (int n = 0; n < kCsAutoFlags; ++n) {
        block.SetFlag(n, true);
    }
    for (int n = 0; n < kCsAutoValues; ++n) {
        block.SetValue(n, kRestoredValue);
    }
    for (int s = 0; s < kCsAutoSelectors; ++s) {
        block.SetSelector(static_cast<CsAutoSelector>(s), kRestoredSelectors[At(s)]);
    }
}

std::string CsAutoValueText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
    return text;
}

int CsAutoSliderPosition(float value) {
    return RoundHalfAway(static_cast<double>(value) * kCsAutoSliderScale);
}

}  // namespace tonvia::tuning
