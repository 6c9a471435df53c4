#include "tuning/speaker_distances.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/log.h"
#include "tuning/edit_sends.h"

namespace tonvia::tuning {

namespace {

double Metres(double distance, DistanceUnit unit) {
    return unit == DistanceUnit::Centimetres ? distance / 100.0 : distance * 0.0254;
}

// How much later the sound from `nearer` must leave to arrive with the sound from `farther`.
double PathDelayMs(double farther, double nearer, DistanceUnit unit) {
    return (Metres(farther, unit) - Metres(nearer, unit)) / kSpeedOfSound * 1000.0;
}

std::string DistanceText(double distance, DistanceUnit unit) {
    char text[48];
    std::snprintf(text, sizeof text, unit == DistanceUnit::Centimetres ? "%.1f cm" : "%.1f in",
                  distance);
    return text;
}

}  // namespace

double QuantizeDelayStep(double ms) {
    if (!(ms > 0.0)) {
        return 0.0;
    }
    const double steps = std::round(ms / kDelay.step);
    // Whole microseconds, as the delay travels, so that the value is exactly the wire's.
    const double onStep = std::round(steps * kDelay.step * 1000.0) / 1000.0;
    return std::min(onStep, kDelay.max);
}

std::optional<SpeakerDelays> DelaysFromDistances(const SpeakerDistances& distances,
                                                 DistanceUnit unit) {
    SpeakerDelays delays;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const std::optional<double>& d = distances[At(ch)];
        if (!d) {
            continue;
        }
        if (!std::isfinite(*d) || *d < 0.0) {
            return std::nullopt;
        }
        if (delays.farthest < 0 || *d > *distances[At(delays.farthest)]) {
            delays.farthest = ch;
        }
        if (delays.nearest < 0 || *d < *distances[At(delays.nearest)]) {
            delays.nearest = ch;
        }
    }
    if (delays.farthest < 0) {
        return std::nullopt;
    }
    const double farthest = *distances[At(delays.farthest)];
    auto delayOf = [&](int ch) { return PathDelayMs(farthest, *distances[At(ch)], unit); };
    delays.spreadMs = delayOf(delays.nearest);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (distances[At(ch)]) {
            const double ms = delayOf(ch);
            delays.delayMs[At(ch)] = QuantizeDelayStep(ms);
            if (ms > kDelay.max) {
                delays.limited.Add(ch);
            }
        }
    }
    return delays;
}

DistanceAlignment AlignSpeakerDistances(Session& session, const SpeakerDistances& distances,
                                        DistanceUnit unit) {
    const SceneConfig& live = Live(session);
    SpeakerDistances speakers = distances;
    for (int left = 0; left < kOutChannelCount; left += 2) {
        if (IsBridged(live, left)) {
            std::optional<double>& own = speakers[At(left)];
            own = own ? own : speakers[At(left + 1)];
            speakers[At(left + 1)].reset();
        }
    }
    DistanceAlignment alignment;
    const std::optional<SpeakerDelays> delays = DelaysFromDistances(speakers, unit);
    if (!delays) {
        alignment.edit.refused = true;
        return alignment;
    }
    alignment.delays = *delays;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const std::optional<double>& ms = delays->delayMs[At(ch)];
        if (!ms) {
            continue;
        }
        LogPrintA("speaker distance channel(%d) delay(%.3f)\n", ch, *ms);
        std::vector<int> written{ch};
        if (IsBridged(live, ch)) {
            written.push_back(ch + 1);
            alignment.delays.delayMs[At(ch + 1)] = *ms;
        }
        for (const int w : written) {
            Channel(session, w).delay = static_cast<float>(*ms);
            SendDelay(session, w);
            alignment.edit.delays.Add(w);
        }
    }

    char line[160];
    std::snprintf(line, sizeof line,
                  "ch %d is farthest (%s), ch %d nearest (%s): %.3f ms apart at %g m/s",
                  delays->farthest + 1, DistanceText(*speakers[At(delays->farthest)], unit).c_str(),
                  delays->nearest + 1, DistanceText(*speakers[At(delays->nearest)], unit).c_str(),
                  delays->spreadMs, kSpeedOfSound);
    alignment.report.emplace_back(line);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (delays->limited.Has(ch)) {
            std::snprintf(line, sizeof line,
                          "ch %d would need %.3f ms: limited to %.3f ms, the most the amplifier "
                          "delays",
                          ch + 1,
                          PathDelayMs(*speakers[At(delays->farthest)], *speakers[At(ch)], unit),
                          kDelay.max);
            alignment.report.emplace_back(line);
        }
    }
    return alignment;
}

}  // namespace tonvia::tuning
