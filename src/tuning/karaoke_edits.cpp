#include "tuning/karaoke_edits.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "platform/log.h"

namespace tonvia::tuning {

namespace {

struct KaraokeInfo {
    const char* name;
    const char* format;
    std::int32_t SceneConfig::*field;
    bool (CHidDevice::*send)(int, bool);
};

constexpr std::array<KaraokeInfo, kKaraokeParams> kParams = {{
    {"mic_volume", "%ddB", &SceneConfig::mic_volume, &CHidDevice::KTV_Mic_Vol_Ctrl},
    {"bgmusic_volume", "%ddB", &SceneConfig::bgmusic_volume, &CHidDevice::KTV_Music_Vol_Ctrl},
    {"voice_changer", "%d", &SceneConfig::voice_changer, &CHidDevice::KTV_Voice_Changer_Ctrl},
    {"treble", "%d", &SceneConfig::treble, &CHidDevice::KTV_Treble_Gain_Ctrl},
    {"bass", "%d", &SceneConfig::bass, &CHidDevice::KTV_Bass_Gain_Ctrl},
    {"echo_level", "%ddB", &SceneConfig::echo_level, &CHidDevice::KTV_Echo_Level_Ctrl},
    {"echo_delay", "%dms", &SceneConfig::echo_delay, &CHidDevice::KTV_Echo_Delay_Ctrl},
    {"reverb_level", "%d", &SceneConfig::reverb_level, &CHidDevice::KTV_Reverb_Level_Ctrl},
    {"reverb_time", "%dms", &SceneConfig::reverb_time, &CHidDevice::KTV_Reverb_Time_Ctrl},
}};

const KaraokeInfo& Info(KaraokeParam param) {
    return kParams[static_cast<std::size_t>(param)];
}

}  // namespace

const char* KaraokeName(KaraokeParam param) {
    return Info(param).name;
}

int KaraokeParamOfName(const std::string& name) {
    for (int p = 0; p < kKaraokeParams; ++p) {
        const std::string own = kParams[static_cast<std::size_t>(p)].name;
        if (name == "slider_" + own || name == "edit_" + own) {
            return p;
        }
    }
    return -1;
}

int KaraokeValue(const SceneConfig& live, KaraokeParam param) {
    return live.*(Info(param).field);
}

std::string KaraokeText(KaraokeParam param, int value) {
    char text[32];
    std::snprintf(text, sizeof text, Info(param).format, value);
    return text;
}

int LeadingNumber(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    // Far past any slider; the clamp that follows brings it into range.
    return static_cast<int>(std::clamp(value, -100000L, 100000L));
}

int SetKaraokeValue(Session& session, KaraokeParam param, int value, SliderRange range) {
    const int stored =
        std::clamp(value, std::min(range.min, range.max), std::max(range.min, range.max));
    session.Model().live.*(Info(param).field) = stored;
    (session.Link().*(Info(param).send))(stored, false);
    return stored;
}

bool SendKaraokeField(Session& session, const std::string& field) {
    const SceneConfig& live = session.Model().live;
    if (field == "howling_control") {
        session.Link().KTV_Howling_Ctrl(live.howling_control, false);
        return true;
    }
    for (const KaraokeInfo& info : kParams) {
        if (field == info.name) {
            (session.Link().*(info.send))(live.*(info.field), false);
            return true;
        }
    }
    return false;
}

void SetHowlingControl(Session& session, bool on) {
    const int value = on ? 1 : 0;
    session.Model().live.howling_control = value;
    session.Link().KTV_Howling_Ctrl(value, false);
}

KaraokeParam NextKaraokeEdit(KaraokeParam param, bool right) {
    const int p = static_cast<int>(param);
    return static_cast<KaraokeParam>(right ? (p + 1) % kKaraokeParams
                                           : (p + kKaraokeParams - 1) % kKaraokeParams);
}

}  // namespace tonvia::tuning
