#pragma once
// The rules of the automatic-surround settings: eleven on/off options, nine decimal values
// and four selectors kept in one 52-byte block that travels byte for byte. Every change is
// written into the block and the whole block is queued again. The block belongs to whoever
// opened the editor; these functions write it in place.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "commands/command_codes.h"
#include "tuning/compressor_edits.h"
#include "tuning/edits.h"

namespace tonvia::tuning {

inline constexpr int kCsAutoFlags = 11;
inline constexpr int kCsAutoValues = 9;
// Slider positions per unit of a value.
inline constexpr int kCsAutoSliderScale = 100;

// In byte order, 48 onwards.
enum class CsAutoSelector { Mode = 0, Front, Surround, Subwoofer };
inline constexpr int kCsAutoSelectors = 4;

// Byte 0: copied from the opener's setting, never changed here. Bytes 1..11: option N at
// 1 + N, 1 on. Bytes 12..47: value N as a little-endian float at 12 + 4N. Bytes 48..51:
// the selectors' item indices.
struct CsAutoSetting {
    std::array<std::uint8_t, CS_AUTO_SETTING_SIZE> bytes{};

    bool Flag(int n) const;
    void SetFlag(int n, bool on);
    float Value(int n) const;
    void SetValue(int n, float value);
    int Selector(CsAutoSelector selector) const;
    void SetSelector(CsAutoSelector selector, int index);
};

// Queues the whole block (CS_Auto_Setting_Ctrl, not at once).
void SendCsAuto(Session& session, const CsAutoSetting& block);

// Option n (0..10) on or off, then queued. An option outside the range changes nothing.
void SetCsAutoFlag(Session& session, CsAutoSetting& block, int n, bool on);
// A slider position of value n (0..8): position / 100 stored and queued; returns it.
float TakeCsAutoSlider(Session& session, CsAutoSetting& block, int n, int position);
// A typed value: its leading decimal clamped to the slider's range / 100, stored and
// queued; returns what was stored.
float CommitCsAutoText(Session& session, CsAutoSetting& block, int n, std::string_view text,
                       SliderRange range);
// One position (0.01) up or down within the slider's range; nullopt at the end it moves
// toward.
std::optional<int> StepCsAutoSlider(int position, bool up, SliderRange range);
// A selector's item index stored (0..255) and queued.
void SetCsAutoSelector(Session& session, CsAutoSetting& block, CsAutoSelector selector, int index);
// After "${restore_cs_auto}" is confirmed: every option on, every value 1.0, mode 0 and
// the three levels at item 5 (0 dB), queued. Byte 0 stays. Returns whether it restored.
bool RestoreCsAuto(Session& session, CsAutoSetting& block, const Confirm& ask);
// The restored values without sending them (byte 0 stays).
void SetCsAutoDefaults(CsAutoSetting& block);

// "%.3f", as the edits show a value.
std::string CsAutoValueText(float value);
// The slider position of a value.
int CsAutoSliderPosition(float value);

}  // namespace tonvia::tuning
