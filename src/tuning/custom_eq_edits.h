#pragma once
// The rules of the custom EQ: twenty bands of the current output channel, dialog band i
// being channel band 11 + i. Each edit stores the band in the live record and queues
// EQ_Ctrl for that one band; a disabled band goes out at 0 dB. Unlike the main page, no
// other channel follows and the channel's EQ bypass is left alone.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "tuning/compressor_edits.h"
#include "tuning/edits.h"

namespace tonvia::tuning {

inline constexpr int kCustomEqBands = 20;
inline constexpr int kCustomEqFirstBand = 11;
static_assert(kCustomEqFirstBand + kCustomEqBands <= kEqBandCount);
// The gain slider's range when no layout gives one: the band gain range, which is what the
// EQ command carries (0.1 dB per position).
inline constexpr SliderRange kCustomEqGainSlider{kEqGainSliderMin, kEqGainSliderMax};

// Whole numbers per dialog band, as the opener supplies the factory frequencies (Hz) and
// gains (dB).
using CustomEqTable = std::array<int, kCustomEqBands>;

// The frequencies bands 11..30 of a 31-band channel start with: the factory table of an
// opener that has none of its own (its gains are all 0 dB).
CustomEqTable CustomEqFactoryFrequencies();

// The channel band of dialog band i.
int CustomEqChannelBand(int i);
// Dialog band i (0..19) of the current channel.
const EqBand& CustomEqBand(const SceneConfig& live, int i);

// What band i's controls show: frequency "%d", Q "%.2f", gain "%.1f" (and the slider at
// gain x 10) when enabled, else "0.0" and 0; the box is on for an enabled band with a gain.
struct CustomEqView {
    std::string freq;
    std::string q;
    std::string gain;
    int slider = 0;
    bool box = false;
};
CustomEqView CustomEqViewOf(const SceneConfig& live, int i);

// The twenty bands as the device plays them (a disabled band at 0 dB), for the graph.
std::array<EqBand, kCustomEqBands> CustomEqShownBands(const SceneConfig& live);

// The three edits of band i committed: the frequency as the main page reads it (outside
// 20..20000 the stored one stays), Q clamped to 0.5..9.0 with two decimals, the gain
// clamped to the slider's range / 10. A band whose values all match (and is enabled)
// is left as it is; otherwise it is stored, enabled and queued.
struct CustomEqCommit {
    bool sent = false;
    int slider = 0;                       // the gain slider's new position
    std::optional<std::string> gainText;  // the gain edit's new text when the clamp moved it
};
CustomEqCommit CommitCustomEqBand(Session& session, int i, std::string_view freqText,
                                  std::string_view qText, std::string_view gainText,
                                  SliderRange gainRange = kCustomEqGainSlider);
// The gain slider of band i at `position`: gain position / 10 with the frequency and Q
// of the edits, stored enabled and queued. Returns the gain.
float TakeCustomEqSlider(Session& session, int i, int position, std::string_view freqText,
                         std::string_view qText);

// Steps from a shown value; nullopt where the step is refused. Gain: 0.1 dB within the
// slider's range / 10, none within 0.01 dB of the end it moves toward. Q: 0.05, none
// within 0.05 of 0.5 or 9.0 (stricter than the main page). Frequency: the main page's
// logarithmic step (StepEqFrequency).
std::optional<float> StepCustomEqGain(float gain, bool up,
                                      SliderRange gainRange = kCustomEqGainSlider);
std::optional<double> StepCustomEqQ(double q, bool up);

// The on/off box of band i clicked with the gain slider at `sliderPosition`. An enabled
// band with a gain on the slider goes off (sent at 0 dB, its gain kept); a disabled band
// whose kept gain the slider does not show comes back. Returns whether anything changed.
bool ToggleCustomEqBand(Session& session, int i, int sliderPosition);

// A band dragged in the graph to the values of `dragged`. The graph reports -1 when the
// press hit no band; such reports and any beyond band 19 are ignored, as is a move the
// band cannot show. Returns whether the band was stored and queued.
bool ApplyCustomEqDrag(Session& session, int n, const EqBand& dragged);

// After "${reset_all_eq_tips}": every band at 0 dB, Q 5.8, enabled, on the third-octave
// centres 20 .. 1600 Hz, each queued. Returns whether it reset.
bool ResetCustomEq(Session& session, const Confirm& ask);
// After "${restore_all_factory_eq_tips}": the factory frequencies and gains, Q 5.8,
// enabled, each queued.
bool RestoreCustomEqFactory(Session& session, const CustomEqTable& freqs,
                            const CustomEqTable& gains, const Confirm& ask);

// The edits form three rows of twenty: frequency, Q, gain.
enum class CustomEqRow { Freq = 0, Q = 1, Gain = 2 };
using CustomEqEdit = std::pair<CustomEqRow, int>;
// Right: the next band of the row, past band 19 band 0 of the next row. Left: the band
// before; from band 0 to band 19 of the row above, the frequency row staying on itself,
// and from the gain row to the gain row when the Q edit there cannot take the focus.
CustomEqEdit NextCustomEqEdit(CustomEqEdit from, bool right, bool lastQEnabled = true);
// Enter: frequency to Q, Q to gain of the same band, gain to the next band's frequency.
CustomEqEdit ReturnCustomEqEdit(CustomEqEdit from);

}  // namespace tonvia::tuning
