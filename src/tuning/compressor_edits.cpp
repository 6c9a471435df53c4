#include "tuning/compressor_edits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "commands/payloads.h"
#include "platform/log.h"
#include "tuning/edit_sends.h"

namespace tonvia::tuning {

namespace {

constexpr std::array<CompressorRowInfo, kCompressorRows> kRows = {{
    {"threshold", 10, 1},
    {"attack_time", 1, 10},
    {"release_time", 1, 100},
}};

int Clamp(int value, SliderRange range) {
    return std::clamp(value, std::min(range.min, range.max), std::max(range.min, range.max));
}

void Store(SceneConfig& live, int ch, CompressorRow row, int sliderValue) {
    const auto c = static_cast<std::size_t>(ch);
    switch (row) {
        case CompressorRow::Threshold:
            live.compThreshold[c] = static_cast<float>(sliderValue) / 10.0f;
            break;
        case CompressorRow::Attack:
            live.compAttack[c] = sliderValue;
            break;
        case CompressorRow::Release:
            live.compRelease[c] = sliderValue;
            break;
    }
}

void Send(Session& session, int ch) {
    const SceneConfig& live = session.Model().live;
    const auto c = static_cast<std::size_t>(ch);
    const CHidDevice::Compressor2Setting setting{live.compThreshold[c], live.compAttack[c],
                                                 live.compRelease[c]};
    session.Link().Compressor_Ctrl2(live.scene, live.inputSource, ch, ch, {&setting, 1}, false);
}

}  // namespace

const CompressorRowInfo& RowInfo(CompressorRow row) {
    return kRows[static_cast<std::size_t>(row)];
}

int CompressorRowOfName(const std::string& name) {
    for (int r = 0; r < kCompressorRows; ++r) {
        if (name.find(kRows[static_cast<std::size_t>(r)].name) != std::string::npos) {
            return r;
        }
    }
    return -1;
}

int CompressorSliderValue(const SceneConfig& live, int ch, CompressorRow row) {
    const auto c = static_cast<std::size_t>(ch);
    switch (row) {
        case CompressorRow::Threshold:
            return static_cast<int>(std::lround(live.compThreshold[c] * 10.0f));
        case CompressorRow::Attack:
            return live.compAttack[c];
        case CompressorRow::Release:
            return live.compRelease[c];
    }
    return 0;
}

std::string CompressorText(CompressorRow row, int sliderValue) {
    char text[32];
    if (row == CompressorRow::Threshold) {
        std::snprintf(text, sizeof text, "%.1fdB", sliderValue / 10.0);
    } else {
        std::snprintf(text, sizeof text, "%dms", sliderValue);
    }
    return text;
}

int SetCompressorSlider(Session& session, int ch, CompressorRow row, int sliderValue,
                        SliderRange range) {
    if (!IsChannel(ch)) {
        return sliderValue;
    }
    const int value = Clamp(sliderValue, range);
    LogPrintA("SetSlider %g %s\n", static_cast<double>(value) / RowInfo(row).scale,
              RowInfo(row).name);
    Store(session.Model().live, ch, row, value);
    Send(session, ch);
    return value;
}

int CommitCompressorText(Session& session, int ch, CompressorRow row, const std::string& text,
                         SliderRange range) {
    if (!IsChannel(ch)) {
        return 0;
    }
    char* end = nullptr;
    const double typed = std::strtod(text.c_str(), &end);
    const int scale = RowInfo(row).scale;
    if (end == text.c_str() || !std::isfinite(typed)) {
        return CompressorSliderValue(session.Model().live, ch, row);  // kept as it was
    }
    const double low = static_cast<double>(std::min(range.min, range.max)) / scale;
    const double high = static_cast<double>(std::max(range.min, range.max)) / scale;
    const double value = std::clamp(typed, low, high);
    LogPrintA("SetEdit %g %s\n", value, RowInfo(row).name);
    // The threshold keeps its first decimal; the times are whole milliseconds.
    const int slider = row == CompressorRow::Threshold
                           ? static_cast<int>(std::trunc(value * 10.0 + (value < 0 ? -1e-9 : 1e-9)))
                           : static_cast<int>(std::trunc(value));
    Store(session.Model().live, ch, row, Clamp(slider, range));
    Send(session, ch);
    return Clamp(slider, range);
}

int StepCompressorSlider(int value, bool up, int step, SliderRange range, bool grid) {
    const int low = std::min(range.min, range.max);
    const int high = std::max(range.min, range.max);
    if ((up && value >= high) || (!up && value <= low)) {
        return value;
    }
    int next = up ? value + step : value - step;
    if (grid && step != 1) {
        next -= next % step;
    }
    return std::clamp(next, low, high);
}

std::pair<int, int> NextCompressorEdit(int row, int ch, bool right) {
    int next = right ? ch + 1 : ch - 1;
    int r = row;
    if (next >= kOutChannelCount) {
        next = 0;
        r = (row + 1) % kCompressorRows;
    } else if (next < 0) {
        next = kOutChannelCount - 1;
        r = (row + kCompressorRows - 1) % kCompressorRows;
    }
    return {r, next};
}

// ---- One channel's whole compressor ----

namespace {

constexpr std::array<CompressorParamInfo, kCompressorParams> kParams = {{
    {"noise", 10, 1, "%.1fdB"},
    {"ratio", 10, 1, "%.1f"},
    {"attack_time", 1, 10, "%.0fms"},
    {"release_time", 1, 100, "%.0fms"},
    {"soft_knee", 10, 1, "%.1fdB"},
}};

void StoreParam(SceneConfig& live, int ch, CompressorParam param, int sliderValue) {
    const auto c = static_cast<std::size_t>(ch);
    const float tenths = static_cast<float>(sliderValue) / 10.0f;
    switch (param) {
        case CompressorParam::Threshold:
            live.compThreshold[c] = tenths;
            break;
        case CompressorParam::Ratio:
            live.compRatio[c] = tenths;
            break;
        case CompressorParam::Attack:
            live.compAttack[c] = sliderValue;
            break;
        case CompressorParam::Release:
            live.compRelease[c] = sliderValue;
            break;
        case CompressorParam::Knee:
            live.compKnee[c] = tenths;
            break;
    }
}

}  // namespace

const CompressorParamInfo& ParamInfo(CompressorParam param) {
    return kParams[static_cast<std::size_t>(param)];
}

int CompressorParamValue(const SceneConfig& live, int ch, CompressorParam param) {
    const auto c = static_cast<std::size_t>(ch);
    switch (param) {
        case CompressorParam::Threshold:
            return static_cast<int>(std::lround(live.compThreshold[c] * 10.0f));
        case CompressorParam::Ratio:
            return static_cast<int>(std::lround(live.compRatio[c] * 10.0f));
        case CompressorParam::Attack:
            return live.compAttack[c];
        case CompressorParam::Release:
            return live.compRelease[c];
        case CompressorParam::Knee:
            return static_cast<int>(std::lround(live.compKnee[c] * 10.0f));
    }
    return 0;
}

std::string CompressorParamText(CompressorParam param, int sliderValue) {
    char text[32];
    std::snprintf(text, sizeof text, ParamInfo(param).format,
                  static_cast<double>(sliderValue) / ParamInfo(param).scale);
    return text;
}

int SetCompressorParam(Session& session, int ch, CompressorParam param, int sliderValue,
                       SliderRange range) {
    if (!IsChannel(ch)) {
        return sliderValue;
    }
    const int value = Clamp(sliderValue, range);
    StoreParam(session.Model().live, ch, param, value);
    SendCompressor(session, ch);
    return value;
}

int CommitCompressorParamText(Session& session, int ch, CompressorParam param,
                              const std::string& text, SliderRange range) {
    if (!IsChannel(ch)) {
        return 0;
    }
    char* end = nullptr;
    const double typed = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(typed)) {
        return CompressorParamValue(session.Model().live, ch, param);
    }
    const int scale = ParamInfo(param).scale;
    const double units =
        std::clamp(typed * scale, static_cast<double>(std::min(range.min, range.max)),
                   static_cast<double>(std::max(range.min, range.max)));
    return SetCompressorParam(session, ch, param,
                              static_cast<int>(std::trunc(units + (units < 0 ? -1e-9 : 1e-9))),
                              range);
}

void SetCompressorBypass(Session& session, int ch, bool bypass) {
    if (!IsChannel(ch)) {
        return;
    }
    LogPrintA("Bypass seleted %d\n", bypass ? 1 : 0);
    session.Model().live.compBypass[static_cast<std::size_t>(ch)] = bypass ? 1 : 0;
    SendCompressor(session, ch);
}

}  // namespace tonvia::tuning
