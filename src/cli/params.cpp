#include "cli/params.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>

#include "cli/texts.h"
#include "model/positions.h"

namespace tonvia::cli {

namespace {

using tuning::EditResult;
using tuning::Session;

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

// Lower case without blanks, hyphens and underscores: "Low Level", "low-level" and
// "lowlevel" are one name.
std::string Folded(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '-' && c != '_') {
            out += Lower(c);
        }
    }
    return out;
}

std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

struct Number {
    double value = 0.0;
    std::string_view digits;  // the number as typed, without its unit
    std::string_view unit;
};

// A finite decimal number, then anything as its unit.
std::optional<Number> ReadNumber(std::string_view text) {
    std::string_view body = text;
    if (body.starts_with('+')) {
        body.remove_prefix(1);
    }
    Number number;
    const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), number.value);
    if (error != std::errc() || !std::isfinite(number.value)) {
        return std::nullopt;
    }
    number.digits = text.substr(0, static_cast<std::size_t>(end - text.data()));
    number.unit = body.substr(static_cast<std::size_t>(end - body.data()));
    return number;
}

// A number with no unit or with `unit`.
std::optional<double> NumberIn(std::string_view text, std::string_view unit) {
    const auto number = ReadNumber(text);
    if (!number || (!number->unit.empty() && !SameWord(number->unit, unit))) {
        return std::nullopt;
    }
    return number->value;
}

std::optional<bool> OnOff(std::string_view text) {
    if (SameWord(text, "on") || text == "1") {
        return true;
    }
    if (SameWord(text, "off") || text == "0") {
        return false;
    }
    return std::nullopt;
}

// Hz, or kHz with "k"/"kHz"; a whole number of hertz either way.
std::optional<int> Frequency(std::string_view text) {
    const auto number = ReadNumber(text);
    if (!number) {
        return std::nullopt;
    }
    double hz = number->value;
    if (SameWord(number->unit, "k") || SameWord(number->unit, "khz")) {
        hz *= 1000.0;
    } else if (!number->unit.empty() && !SameWord(number->unit, "hz")) {
        return std::nullopt;
    }
    if (hz < 0.0 || hz > 1.0e6 || hz != std::floor(hz)) {
        return std::nullopt;
    }
    return static_cast<int>(hz);
}

constexpr std::array<const char*, 4> kFilterTypeKeys = {"", "${butterworth}", "${linkwitz_riley}",
                                                        "${bessel}"};

std::optional<int> FilterType(std::string_view text) {
    if (const auto n = WholeNumber(text); n && *n >= kFilterButterworth && *n <= kFilterBessel) {
        return *n;
    }
    const std::string name = Folded(text);
    if (name == "butterworth" || name == "bw") {
        return kFilterButterworth;
    }
    if (name == "linkwitzriley" || name == "linkwitzr" || name == "lr") {
        return kFilterLinkwitzRiley;
    }
    if (name == "bessel") {
        return kFilterBessel;
    }
    return std::nullopt;
}

// "off" or 6..48 dB per octave in steps of 6, with or without "dB"; the filter order.
std::optional<int> Slope(std::string_view text) {
    if (SameWord(text, "off")) {
        return 0;
    }
    const auto db = NumberIn(text, "db");
    if (!db || *db < 0.0 || *db > 6.0 * kSlopeMax || std::fmod(*db, 6.0) != 0.0) {
        return std::nullopt;
    }
    return static_cast<int>(*db / 6.0);
}

// The page's texts with the off word in English.
std::string Shown(std::string text) {
    return text == kOffKey ? English(kOffKey) : text;
}

const char* OnOffText(bool on) {
    return on ? "on" : "off";
}

bool IsBandParam(ParamKind kind) {
    return kind == ParamKind::EqFreq || kind == ParamKind::EqQ || kind == ParamKind::EqGain ||
           kind == ParamKind::EqEnable;
}

bool IsCrossoverParam(ParamKind kind) {
    return kind >= ParamKind::HpType && kind <= ParamKind::LpFreq;
}

bool IsHighPass(ParamKind kind) {
    return kind == ParamKind::HpType || kind == ParamKind::HpSlope || kind == ParamKind::HpFreq;
}

struct Word {
    std::string_view word;
    ParamKind kind;
};

constexpr Word kChannelWords[] = {
    {"level", ParamKind::Level}, {"mute", ParamKind::Mute},   {"phase", ParamKind::Phase},
    {"solo", ParamKind::Solo},   {"delay", ParamKind::Delay}, {"bypass", ParamKind::Bypass},
};
constexpr Word kBandWords[] = {
    {"freq", ParamKind::EqFreq},
    {"q", ParamKind::EqQ},
    {"gain", ParamKind::EqGain},
    {"enable", ParamKind::EqEnable},
};
constexpr Word kHpWords[] = {
    {"type", ParamKind::HpType}, {"slope", ParamKind::HpSlope}, {"freq", ParamKind::HpFreq}};
constexpr Word kLpWords[] = {
    {"type", ParamKind::LpType}, {"slope", ParamKind::LpSlope}, {"freq", ParamKind::LpFreq}};

template <std::size_t N>
std::optional<ParamKind> Lookup(const Word (&words)[N], std::string_view word) {
    for (const Word& w : words) {
        if (w.word == word) {
            return w.kind;
        }
    }
    return std::nullopt;
}

std::string_view WordOf(ParamKind kind) {
    for (const std::span<const Word> table :
         {std::span<const Word>(kChannelWords), std::span<const Word>(kBandWords),
          std::span<const Word>(kHpWords), std::span<const Word>(kLpWords)}) {
        for (const Word& w : table) {
            if (w.kind == kind) {
                return w.word;
            }
        }
    }
    return "?";
}

}  // namespace

std::optional<int> ParseSource(std::string_view text) {
    if (const auto n = WholeNumber(text)) {
        if (*n >= 1 && *n <= kInputSourceCount) {
            return *n - 1;
        }
        return std::nullopt;
    }
    const std::string name = Folded(text);
    for (const InputSourceInfo& source : kInputSources) {
        const std::string_view tag = std::string_view(source.tag).substr(7);  // after "source_"
        if (name == tag || name == Folded(English(std::string("${") + source.tag + "}"))) {
            return source.index;
        }
    }
    return std::nullopt;
}

std::string SourceName(int index) {
    if (index < 0 || index >= kInputSourceCount) {
        return "?";
    }
    return English(std::string("${") + kInputSources[At(index)].tag + "}");
}

std::optional<Param> ParseParam(std::span<const std::string> words, std::string* error) {
    auto fail = [&](std::string why) -> std::optional<Param> {
        *error = std::move(why);
        return std::nullopt;
    };
    if (words.empty()) {
        return fail("a parameter is missing");
    }
    const std::string& first = words[0];
    if (first == "master-volume" || first == "master-mute" || first == "source") {
        if (words.size() != 1) {
            return fail("'" + first + "' takes no further words");
        }
        Param param;
        param.kind = first == "source"        ? ParamKind::Source
                     : first == "master-mute" ? ParamKind::MasterMute
                                              : ParamKind::MasterVolume;
        return param;
    }
    if (first != "ch") {
        return fail("unknown parameter '" + first + "'");
    }
    const auto channel = words.size() > 1 ? WholeNumber(words[1]) : std::nullopt;
    if (!channel || *channel < 1 || *channel > kOutChannelCount) {
        return fail("'ch' needs a channel number from 1 to 6");
    }
    Param param;
    param.channel = *channel - 1;
    if (words.size() < 3) {
        return fail(
            "'ch N' needs a parameter: level, mute, phase, solo, delay, bypass, eq, hp or lp");
    }
    const std::string& what = words[2];
    std::size_t used = 3;
    if (const auto kind = Lookup(kChannelWords, what)) {
        param.kind = *kind;
    } else if (what == "eq") {
        const auto band = words.size() > 3 ? WholeNumber(words[3]) : std::nullopt;
        if (!band || *band < 1 || *band > kEqBandCount) {
            return fail("'eq' needs a band number from 1 to 31");
        }
        param.band = *band - 1;
        const auto field = words.size() > 4 ? Lookup(kBandWords, words[4]) : std::nullopt;
        if (!field) {
            return fail("'eq B' needs freq, q, gain or enable");
        }
        param.kind = *field;
        used = 5;
    } else if (what == "hp" || what == "lp") {
        const auto field = words.size() > 3 ? (what == "hp" ? Lookup(kHpWords, words[3])
                                                            : Lookup(kLpWords, words[3]))
                                            : std::nullopt;
        if (!field) {
            return fail("'" + what + "' needs type, slope or freq");
        }
        param.kind = *field;
        used = 4;
    } else {
        return fail("unknown channel parameter '" + what + "'");
    }
    if (words.size() != used) {
        return fail("unexpected word '" + words[used] + "'");
    }
    return param;
}

std::optional<ParamValue> ParseValue(const Param& param, std::string_view text,
                                     std::string* error) {
    ParamValue value;
    auto fail = [&](std::string why) -> std::optional<ParamValue> {
        *error = ParamName(param) + ": " + std::move(why) + ", not '" + std::string(text) + "'";
        return std::nullopt;
    };
    switch (param.kind) {
        case ParamKind::MasterVolume:
        case ParamKind::Level: {
            if (SameWord(text, "off")) {
                value.number = kMainVolume.min;  // both ranges start at -60 dB
                return value;
            }
            const auto db = NumberIn(text, "db");
            if (!db) {
                return fail("expected a level in dB (-10, -10dB or off)");
            }
            value.number = *db;
            return value;
        }
        case ParamKind::MasterMute:
        case ParamKind::Mute:
        case ParamKind::Phase:
        case ParamKind::Solo:
        case ParamKind::Bypass:
        case ParamKind::EqEnable: {
            const auto on = OnOff(text);
            if (!on) {
                return fail("expected on or off");
            }
            value.on = *on;
            return value;
        }
        case ParamKind::Source: {
            const auto source = ParseSource(text);
            if (!source) {
                return fail(
                    "expected a source name (optical, coaxial, bluetooth, aux, low-level, "
                    "high-level, dmp, udp, scp) or number 1 to 9");
            }
            value.integer = *source;
            return value;
        }
        case ParamKind::Delay: {
            const auto number = ReadNumber(text);
            if (!number) {
                return fail("expected a delay with its unit (1.5ms, 35cm or 14in)");
            }
            if (number->unit.empty() || SameWord(number->unit, "ms")) {
                value.unit = DelayUnit::Milliseconds;
            } else if (SameWord(number->unit, "cm")) {
                value.unit = DelayUnit::Centimetres;
            } else if (SameWord(number->unit, "in")) {
                value.unit = DelayUnit::Inches;
            } else {
                return fail("expected a delay unit of ms, cm or in");
            }
            // The delay edit's reading: limited to 0..15 ms, cm and in cut to whole units.
            value.number = ReadDelay(value.unit, number->digits);
            return value;
        }
        case ParamKind::EqFreq:
        case ParamKind::HpFreq:
        case ParamKind::LpFreq: {
            const auto hz = Frequency(text);
            if (!hz) {
                return fail("expected a frequency (120, 120Hz, 1.5k)");
            }
            if (param.kind == ParamKind::EqFreq && (*hz < kFreqMin || *hz > kFreqMax)) {
                return fail("band frequencies run from 20 to 20000 Hz");
            }
            value.integer = *hz;
            return value;
        }
        case ParamKind::EqQ: {
            const auto q = NumberIn(text, "");
            if (!q) {
                return fail("expected a Q factor (0.5 to 9)");
            }
            value.number = *q;
            return value;
        }
        case ParamKind::EqGain: {
            const auto db = NumberIn(text, "db");
            if (!db) {
                return fail("expected a gain in dB (-3.5 or -3.5dB)");
            }
            value.number = *db;
            return value;
        }
        case ParamKind::HpType:
        case ParamKind::LpType: {
            const auto type = FilterType(text);
            if (!type) {
                return fail("expected butterworth, linkwitz-riley, bessel or 1 to 3");
            }
            value.integer = *type;
            return value;
        }
        case ParamKind::HpSlope:
        case ParamKind::LpSlope: {
            const auto order = Slope(text);
            if (!order) {
                return fail("expected off or 6 to 48 dB per octave in steps of 6 (24dB)");
            }
            value.integer = *order;
            return value;
        }
    }
    return fail("cannot be set");
}

std::string ParamName(const Param& param) {
    switch (param.kind) {
        case ParamKind::MasterVolume:
            return "master-volume";
        case ParamKind::MasterMute:
            return "master-mute";
        case ParamKind::Source:
            return "source";
        default:
            break;
    }
    std::string name = "ch " + std::to_string(param.channel + 1) + " ";
    if (IsBandParam(param.kind)) {
        name += "eq " + std::to_string(param.band + 1) + " ";
    } else if (IsCrossoverParam(param.kind)) {
        name += IsHighPass(param.kind) ? "hp " : "lp ";
    }
    return name + std::string(WordOf(param.kind));
}

std::string ParamText(const Param& param, const ModelSet& model) {
    const SceneConfig& live = model.live;
    if (param.kind == ParamKind::MasterVolume) {
        return Shown(MainVolumeText(live.mainVolume));
    }
    if (param.kind == ParamKind::MasterMute) {
        return OnOffText(live.mainVolumeMute != 0);
    }
    if (param.kind == ParamKind::Source) {
        return SourceName(live.inputSource);
    }
    const OutChannel& c = live.channels[At(param.channel)];
    if (IsBandParam(param.kind)) {
        const EqBand& band = c.eqArray[At(param.band)];
        const EqBandTexts texts = EqBandTextsFor(band, param.band, c.eqSize, c.bypass == 1);
        switch (param.kind) {
            case ParamKind::EqFreq:
                return texts.freq;
            case ParamKind::EqQ:
                return texts.q;
            case ParamKind::EqGain:
                return texts.gain;
            default:
                return OnOffText(band.enable != 0);
        }
    }
    if (IsCrossoverParam(param.kind)) {
        const FilterSetting& f = IsHighPass(param.kind) ? c.crossover.hp : c.crossover.lp;
        switch (param.kind) {
            case ParamKind::HpType:
            case ParamKind::LpType:
                return f.type >= kFilterButterworth && f.type <= kFilterBessel
                           ? English(kFilterTypeKeys[At(f.type)])
                           : "-";
            case ParamKind::HpSlope:
            case ParamKind::LpSlope:
                return f.slope == 0 ? English(kOffKey) : std::to_string(6 * f.slope) + "dB";
            default:
                return CrossoverFreqText(f.fs);
        }
    }
    switch (param.kind) {
        case ParamKind::Level:
            return Shown(ChannelVolumeText(kChannelLevel.Positions(c.gain)));
        case ParamKind::Mute:
            return OnOffText(c.mute != 0);
        case ParamKind::Phase:
            return OnOffText(c.phase != 0);
        case ParamKind::Solo:
            return OnOffText(c.solo != 0);
        case ParamKind::Delay:
            return DelayText(DelayUnit::Milliseconds, c.delay);
        default:
            return OnOffText(c.bypass != 0);
    }
}

std::vector<Param> AllParams() {
    std::vector<Param> all = {
        {ParamKind::MasterVolume}, {ParamKind::MasterMute}, {ParamKind::Source}};
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        for (const Word& w : kChannelWords) {
            all.push_back({w.kind, ch});
        }
        for (const std::span<const Word> table :
             {std::span<const Word>(kHpWords), std::span<const Word>(kLpWords)}) {
            for (const Word& w : table) {
                all.push_back({w.kind, ch});
            }
        }
        for (int band = 0; band < kEqBandCount; ++band) {
            for (const Word& w : kBandWords) {
                all.push_back({w.kind, ch, band});
            }
        }
    }
    return all;
}

EditResult ApplyParam(Session& session, const Param& param, const ParamValue& value) {
    SceneConfig& live = session.Model().live;
    EditResult result;
    // The band, bypass and crossover edits act on the current channel, as on the page.
    const bool onCurrent =
        IsBandParam(param.kind) || IsCrossoverParam(param.kind) || param.kind == ParamKind::Bypass;
    if (onCurrent && tuning::CurrentChannel(live) != param.channel) {
        result = tuning::SelectChannel(session, param.channel);
    }
    const int ch = param.channel;
    switch (param.kind) {
        case ParamKind::MasterVolume:
            result.Merge(tuning::SetMainVolume(session, value.number));
            break;
        case ParamKind::MasterMute:
            result.Merge(tuning::SetMainMute(session, value.on));
            break;
        case ParamKind::Source:
            result.Merge(tuning::SetInputSource(session, value.integer, true));
            break;
        case ParamKind::Level: {
            // The level edit's commit: tenths of a dB within the slider's range.
            const int position = std::clamp(RoundHalfAway(value.number * kChannelLevel.sliderScale),
                                            kChVolumeSliderMin, kChVolumeSliderMax);
            result.Merge(tuning::EditChVolume(session, ch, position));
            break;
        }
        case ParamKind::Mute:
            result.Merge(tuning::SetChMute(session, ch, value.on));
            break;
        case ParamKind::Phase:
            result.Merge(tuning::SetChPhase(session, ch, value.on));
            break;
        case ParamKind::Solo:
            result.Merge(tuning::SetChSolo(session, ch, value.on));
            break;
        case ParamKind::Delay:
            result.Merge(tuning::SetChDelay(session, ch, value.number, value.unit));
            break;
        case ParamKind::Bypass:
            if ((live.channels[At(ch)].bypass != 0) != value.on) {
                result.Merge(tuning::SetOutputBypass(session, {}));
            }
            break;
        case ParamKind::EqEnable:
            if ((live.channels[At(ch)].eqArray[At(param.band)].enable != 0) != value.on) {
                result.Merge(tuning::OnEqEnable(session, param.band));
            }
            break;
        case ParamKind::EqFreq:
        case ParamKind::EqQ:
        case ParamKind::EqGain: {
            // A text commit of the band: the two other edits give what they show.
            const OutChannel& c = live.channels[At(ch)];
            if (param.band >= std::clamp(c.eqSize, 0, kEqBandCount)) {
                result.refused = true;
                break;
            }
            const EqBandTexts shown =
                EqBandTextsFor(c.eqArray[At(param.band)], param.band, c.eqSize, c.bypass == 1);
            int freq = LeadingInt(shown.freq);
            double q = LeadingDecimal(shown.q);
            double gain = LeadingDecimal(shown.gain);
            if (param.kind == ParamKind::EqFreq) {
                freq = value.integer;
            } else if (param.kind == ParamKind::EqQ) {
                q = ReadEqQ(EqQText(value.number));
            } else {
                gain = value.number;
            }
            const int position = std::clamp(RoundHalfAway(gain * kEqGain.sliderScale),
                                            kEqGainSliderMin, kEqGainSliderMax);
            result.Merge(tuning::ApplyEqBand(session, param.band,
                                             static_cast<float>(position) / kEqGain.sliderScale,
                                             static_cast<float>(q), freq, tuning::BandPath::Text));
            break;
        }
        case ParamKind::HpType:
            result.Merge(tuning::SetHpType(session, value.integer));
            break;
        case ParamKind::LpType:
            result.Merge(tuning::SetLpType(session, value.integer));
            break;
        case ParamKind::HpSlope:
            result.Merge(tuning::SetHpSlope(session, value.integer));
            break;
        case ParamKind::LpSlope:
            result.Merge(tuning::SetLpSlope(session, value.integer));
            break;
        case ParamKind::HpFreq:
            result.Merge(tuning::SetHpFreq(session, value.integer));
            break;
        case ParamKind::LpFreq:
            result.Merge(tuning::SetLpFreq(session, value.integer));
            break;
    }
    return result;
}

bool Names(const EditResult& result, const Param& param) {
    const int ch = param.channel;
    switch (param.kind) {
        case ParamKind::MasterVolume:
            return result.mainVolume;
        case ParamKind::MasterMute:
            return result.mainMute;
        case ParamKind::Source:
            return result.source;
        case ParamKind::Level:
            return result.levels.Has(ch);
        case ParamKind::Mute:
            return result.mutes.Has(ch);
        case ParamKind::Phase:
            return result.phases.Has(ch);
        case ParamKind::Solo:
            return result.solos.Has(ch);
        case ParamKind::Delay:
            return result.delays.Has(ch);
        case ParamKind::Bypass:
            return result.bypass.Has(ch);
        case ParamKind::EqFreq:
        case ParamKind::EqQ:
        case ParamKind::EqGain:
        case ParamKind::EqEnable:
            // A bypass changes what every band shows.
            return result.bands.Has(ch) || result.bypass.Has(ch);
        default:
            return result.crossovers.Has(ch);
    }
}

std::vector<ChangedParam> ChangedParams(const EditResult& result, const ModelSet& before,
                                        const ModelSet& after) {
    std::vector<ChangedParam> changed;
    for (const Param& param : AllParams()) {
        if (!Names(result, param)) {
            continue;
        }
        std::string now = ParamText(param, after);
        if (now != ParamText(param, before)) {
            changed.push_back({ParamName(param), std::move(now)});
        }
    }
    return changed;
}

}  // namespace tonvia::cli
