#pragma once
// The rules of the karaoke panel: the nine values and the howling control of the live
// record's karaoke block, each stored at once and queued to the amplifier as its own
// karaoke command. The slider ranges come from the panel's layout.

#include <string>

#include "tuning/compressor_edits.h"
#include "tuning/session.h"

namespace tonvia::tuning {

// In the order of the focus ring.
enum class KaraokeParam {
    MicVolume = 0,
    MusicVolume,
    VoiceChanger,
    Treble,
    Bass,
    EchoLevel,
    EchoDelay,
    ReverbLevel,
    ReverbTime,
};
inline constexpr int kKaraokeParams = 9;

// The name in the control names ("slider_%s", "edit_%s").
const char* KaraokeName(KaraokeParam param);
// The parameter a control name stands for, -1 for none.
int KaraokeParamOfName(const std::string& name);

int KaraokeValue(const SceneConfig& live, KaraokeParam param);
std::string KaraokeText(KaraokeParam param, int value);  // "%ddB", "%dms", "%d"
// The leading whole number of a typed text (a trailing unit ignored); 0 without one.
int LeadingNumber(const std::string& text);

// Clamps `value` to `range`, stores it and queues the parameter's command; returns it.
int SetKaraokeValue(Session& session, KaraokeParam param, int value, SliderRange range);
void SetHowlingControl(Session& session, bool on);
// Queues the stored value of the karaoke field named as in the record ("mic_volume", ...,
// "howling_control"); false for any other name.
bool SendKaraokeField(Session& session, const std::string& field);
// The next edit of the ring to the right, or the previous one to the left.
KaraokeParam NextKaraokeEdit(KaraokeParam param, bool right);

}  // namespace tonvia::tuning
