#pragma once
// The rules of the compressors dialog: threshold, attack and release of each output
// channel's compressor, stored in the live record and queued to the amplifier. The slider
// ranges come from the dialog's layout; every value is kept inside them.

#include <string>
#include <utility>

#include "tuning/session.h"

namespace tonvia::tuning {

enum class CompressorRow { Threshold = 0, Attack = 1, Release = 2 };
inline constexpr int kCompressorRows = 3;

struct CompressorRowInfo {
    const char* name;  // as in the control names: "slider_%s_%d", "edit_%s_%d"
    int scale;         // slider units per model unit
    int step;          // up/down step in slider units
};
const CompressorRowInfo& RowInfo(CompressorRow row);
// The row a control name belongs to, -1 for none.
int CompressorRowOfName(const std::string& name);

struct SliderRange {
    int min = 0;
    int max = 0;
};

// The model value of `ch` in `row`, in slider units.
int CompressorSliderValue(const SceneConfig& live, int ch, CompressorRow row);
// The edit text of a model value in slider units ("%.1fdB", "%dms").
std::string CompressorText(CompressorRow row, int sliderValue);

// Stores a slider value (clamped to `range`) and queues Compressor_Ctrl2 for the channel.
// Returns the value stored, in slider units.
int SetCompressorSlider(Session& session, int ch, CompressorRow row, int sliderValue,
                        SliderRange range);
// A typed text: its leading number in model units (a trailing unit is ignored), clamped
// to the slider's range, the threshold to its first decimal and the times to whole
// milliseconds; stored and queued. Returns the slider value stored; a text without a
// number changes nothing and returns the stored one.
int CommitCompressorText(Session& session, int ch, CompressorRow row, const std::string& text,
                         SliderRange range);
// One step of `value` up or down; with `grid` a step other than 1 lands on its grid
// (toward zero).
int StepCompressorSlider(int value, bool up, int step, SliderRange range, bool grid = true);
// The edit the focus moves to from (row, ch): right to the next channel, past the sixth to
// the first of the next row, rows wrapping round.
std::pair<int, int> NextCompressorEdit(int row, int ch, bool right);

// ---- One channel's whole compressor ----

enum class CompressorParam { Threshold = 0, Ratio, Attack, Release, Knee };
inline constexpr int kCompressorParams = 5;

struct CompressorParamInfo {
    const char* name;  // "slider_%s", "edit_%s"
    int scale;
    int step;
    const char* format;  // of the model value
};
const CompressorParamInfo& ParamInfo(CompressorParam param);

int CompressorParamValue(const SceneConfig& live, int ch, CompressorParam param);
std::string CompressorParamText(CompressorParam param, int sliderValue);
// Stores a slider value of `param` (clamped) and queues Compressor_Ctrl with the channel's
// six values; returns what was stored.
int SetCompressorParam(Session& session, int ch, CompressorParam param, int sliderValue,
                       SliderRange range);
// A typed text for `param`, as CommitCompressorText.
int CommitCompressorParamText(Session& session, int ch, CompressorParam param,
                              const std::string& text, SliderRange range);
void SetCompressorBypass(Session& session, int ch, bool bypass);

}  // namespace tonvia::tuning
