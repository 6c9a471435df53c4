#include "tuning/filter_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "platform/log.h"
#include "tuning/edit_sends.h"

namespace tonvia::tuning {

namespace {

// Equalizer APO commands that are no filter of one channel; reported, never read.
constexpr std::array<std::string_view, 14> kOtherCommands = {
    "Channel", "Device", "Include", "Delay", "Copy",  "GraphicEQ", "Convolution",
    "Stage",   "If",     "ElseIf",  "Else",  "EndIf", "Eval",      "LoudnessCorrection"};

struct FilterType {
    std::string_view code;
    std::string_view name;  // as the report names it
};
// Filter codes of both programs; the shelf and pass variants differ only in slope or Q.
constexpr std::array<FilterType, 19> kFilterTypes = {{
    {"PK", "peaking"},    {"PEQ", "peaking"},    {"MODAL", "modal"},    {"LP", "low-pass"},
    {"LPQ", "low-pass"},  {"LP1", "low-pass"},   {"HP", "high-pass"},   {"HPQ", "high-pass"},
    {"HP1", "high-pass"}, {"LS", "low shelf"},   {"LSC", "low shelf"},  {"LSQ", "low shelf"},
    {"HS", "high shelf"}, {"HSC", "high shelf"}, {"HSQ", "high shelf"}, {"BP", "band-pass"},
    {"NO", "notch"},      {"AP", "all-pass"},    {"IIR", "IIR"},
}};

__attribute__((format(printf, 1, 2))) std::string Printf(const char* format, ...) {
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < s.size() && !IsBlank(s[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back(s.substr(start, i - start));
        }
    }
    return words;
}

// The whole word as a finite number; nullopt otherwise.
std::optional<double> Number(std::string_view word) {
    double value = 0.0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// "Filter", "Filter 12", "Filter12": a filter line's head.
bool IsFilterHead(std::string_view head) {
    if (head.size() < 6 || !Same(head.substr(0, 6), "Filter")) {
        return false;
    }
    const std::string_view number = Trim(head.substr(6));
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

double Round(double value, double unitsPerWhole) {
    return std::round(value * unitsPerWhole) / unitsPerWhole;
}

class Reader {
  public:
    explicit Reader(int bandCount) : mBandCount(std::clamp(bandCount, 0, kEqBandCount)) {}

    void Line(int number, std::string_view line) {
        mLine = number;
        line = Trim(line);
        if (line.empty() || line.front() == '#') {
            return;
        }
        // Filters, the preamp and other commands are "Head: ..."; a line without a colon has
        // no head.
        const std::size_t colon = line.find(':');
        const std::string_view head =
            colon == std::string_view::npos ? std::string_view() : Trim(line.substr(0, colon));
        const std::string_view body = colon == std::string_view::npos ? "" : line.substr(colon + 1);
        const auto other = std::find_if(kOtherCommands.begin(), kOtherCommands.end(),
                                        [&](std::string_view c) { return Same(c, head); });
        if (IsFilterHead(head)) {
            mInFilters = true;
            Filter(Words(body));
        } else if (Same(head, "Preamp")) {
            mInFilters = true;
            Preamp(Words(body));
        } else if (other != kOtherCommands.end()) {
            Note(FilterNoteKind::NotTaken,
                 Printf("'%.*s' not taken: only filters and the preamp are imported",
                        static_cast<int>(other->size()), other->data()));
        } else if (mInFilters) {
            // Before the first filter, anything else is a header: a program's name, a date,
            // notes, a measurement's name.
            Note(FilterNoteKind::Unreadable, "line not understood");
        }
    }

    FilterImport Finish() {
        while (static_cast<int>(mResult.bands.size()) < mBandCount) {
            mResult.bands.push_back(
                DefaultEqBand(mBandCount, static_cast<int>(mResult.bands.size())));
        }
        if (mPreampLine > 0) {
            const double level = Round(mPreamp, kChannelLevel.sliderScale);
            if (level >= kChannelLevel.min && level <= kChannelLevel.max) {
                mResult.levelDb = static_cast<float>(level);
            } else {
                mLine = mPreampLine;
                Note(FilterNoteKind::NotTaken,
                     Printf("preamp %g dB not taken: the channel level runs from %g to %g dB",
                            mPreamp, kChannelLevel.min, kChannelLevel.max));
            }
        }
        std::stable_sort(mResult.notes.begin(), mResult.notes.end(),
                         [](const FilterNote& a, const FilterNote& b) { return a.line < b.line; });
        return std::move(mResult);
    }

  private:
    void Note(FilterNoteKind kind, std::string text) {
        mResult.notes.push_back({mLine, kind, std::move(text)});
    }

    void Filter(const std::vector<std::string_view>& words) {
        std::size_t i = 0;
        bool on = true;
        if (i < words.size() && (Same(words[i], "ON") || Same(words[i], "OFF"))) {
            on = Same(words[i], "ON");
            ++i;
        }
        // REW writes unused filters as "None" (or leaves them empty).
        if (i == words.size() || Same(words[i], "None")) {
            return;
        }
        if (i == 0) {
            Note(FilterNoteKind::Unreadable, "filter not understood: ON or OFF expected");
            return;
        }
        if (!on) {
            Note(FilterNoteKind::NotTaken, "filter is off");
            return;
        }
        const std::string_view code = words[i++];
        const auto type = std::find_if(kFilterTypes.begin(), kFilterTypes.end(),
                                       [&](const FilterType& t) { return Same(t.code, code); });
        if (type == kFilterTypes.end()) {
            Note(FilterNoteKind::NotTaken,
                 Printf("'%.*s' filter not taken: only peaking filters are imported",
                        static_cast<int>(code.size()), code.data()));
            return;
        }
        if (type->name != "peaking") {
            Note(FilterNoteKind::NotTaken,
                 Printf("%.*s filter not taken: only peaking filters are imported",
                        static_cast<int>(type->name.size()), type->name.data()));
            return;
        }
        Peaking(std::span(words).subspan(i));
    }

    void Peaking(std::span<const std::string_view> words) {
        std::optional<double> fc;
        std::optional<double> gain;
        std::optional<double> q;
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::string_view key = words[i];
            std::optional<double>* field = Same(key, "Fc")     ? &fc
                                           : Same(key, "Gain") ? &gain
                                           : Same(key, "Q")    ? &q
                                           : Same(key, "BW")   ? &q
                                                               : nullptr;
            if (field == nullptr) {
                Note(FilterNoteKind::Unreadable, Printf("filter not understood at '%.*s'",
                                                        static_cast<int>(key.size()), key.data()));
                return;
            }
            if (Same(key, "BW") && i + 1 < words.size() && Same(words[i + 1], "Oct")) {
                ++i;
            }
            const std::optional<double> value =
                i + 1 < words.size() ? Number(words[i + 1]) : std::nullopt;
            if (!value) {
                Note(FilterNoteKind::Unreadable,
                     Printf("filter not understood: no number after '%.*s'",
                            static_cast<int>(key.size()), key.data()));
                return;
            }
            ++i;
            *field = *value;
            const std::string_view unit = i + 1 < words.size() ? words[i + 1] : "";
            if (field == &fc && Same(unit, "kHz")) {
                *fc *= 1000.0;
                ++i;
            } else if ((field == &fc && Same(unit, "Hz")) || (field == &gain && Same(unit, "dB"))) {
                ++i;
            }
            if (Same(key, "BW")) {
                // Bandwidth in octaves to Q, as both programs define it.
                if (*value <= 0.0) {
                    Note(FilterNoteKind::Unreadable, "bandwidth must be above 0 octaves");
                    return;
                }
                // sqrt(2^N) / (2^N - 1), in a form that does not overflow for large N.
                q = std::exp2(-*value / 2.0) / (1.0 - std::exp2(-*value));
            }
        }
        if (!fc || !gain || !q) {
            Note(FilterNoteKind::Unreadable, "peaking filter needs Fc, Gain and Q");
            return;
        }
        if (!std::isfinite(*fc) || !std::isfinite(*q)) {
            Note(FilterNoteKind::Unreadable, "filter not understood: a value is out of all range");
            return;
        }
        if (*fc <= 0.0 || *q <= 0.0) {
            Note(FilterNoteKind::Unreadable,
                 *fc <= 0.0 ? "frequency must be above 0 Hz" : "Q must be above 0");
            return;
        }
        if (static_cast<int>(mResult.bands.size()) >= mBandCount) {
            Note(FilterNoteKind::NotTaken,
                 Printf("peaking filter not taken: the channel has %d band%s", mBandCount,
                        mBandCount == 1 ? "" : "s"));
            return;
        }
        // The page's resolution: whole hertz, tenths of a decibel, Q in hundredths. Rounding
        // is not reported; limiting is.
        EqBand band;
        const double hz = std::round(std::min(*fc, 1e9));
        band.freq = static_cast<int>(std::clamp(hz, kFrequency.min, kFrequency.max));
        if (hz != band.freq) {
            Note(FilterNoteKind::Clamped,
                 Printf("frequency %g Hz limited to %d Hz", *fc, band.freq));
        }
        const double db = Round(*gain, kEqGain.sliderScale);
        const double dbLimited = std::clamp(db, kEqGain.min, kEqGain.max);
        if (db != dbLimited) {
            Note(FilterNoteKind::Clamped,
                 Printf("gain %g dB limited to %.1f dB", *gain, dbLimited));
        }
        band.gain = static_cast<float>(dbLimited);
        const double qRounded = Round(*q, 100.0);
        const double qLimited = std::clamp(qRounded, kEqQ.min, kEqQ.max);
        if (qRounded != qLimited) {
            Note(FilterNoteKind::Clamped, Printf("Q %g limited to %.2f", *q, qLimited));
        }
        band.q = static_cast<float>(qLimited);
        band.enable = 1;
        mResult.bands.push_back(band);
        ++mResult.filtersTaken;
    }

    void Preamp(const std::vector<std::string_view>& words) {
        const std::optional<double> value = words.empty() ? std::nullopt : Number(words[0]);
        if (!value || words.size() > 2 || (words.size() == 2 && !Same(words[1], "dB"))) {
            Note(FilterNoteKind::Unreadable, "preamp not understood");
            return;
        }
        mPreamp += *value;
        mPreampLine = mLine;
    }

    int mBandCount;
    int mLine = 0;
    bool mInFilters = false;
    double mPreamp = 0.0;
    int mPreampLine = 0;
    FilterImport mResult;
};

}  // namespace

FilterImport ParseFilterText(std::string_view text, int bandCount) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    Reader reader(bandCount);
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        reader.Line(++number, text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return reader.Finish();
}

std::string FilterText(const OutChannel& channel, int channelNumber) {
    std::string text = "Filter Settings file\n\nEqualiser: Generic\n";
    text += Printf("Tonvia output channel %d\n", channelNumber);
    // + 0.0 keeps a level or gain of -0 from reading "-0.0".
    text += Printf("Preamp: %.1f dB\n", Round(channel.gain, kChannelLevel.sliderScale) + 0.0);
    const int count = std::clamp(channel.eqSize, 0, kEqBandCount);
    for (int i = 0; i < count; ++i) {
        const EqBand& band = channel.eqArray[At(i)];
        text += Printf("Filter %d: %s PK Fc %d Hz Gain %.1f dB Q %.2f\n", i + 1,
                       band.enable != 0 ? "ON" : "OFF", band.freq,
                       Round(band.gain, kEqGain.sliderScale) + 0.0, static_cast<double>(band.q));
    }
    return text;
}

EditResult ApplyFilterImport(Session& session, int ch, const FilterImport& import) {
    if (!IsChannel(ch) || static_cast<int>(import.bands.size()) !=
                              std::clamp(Channel(session, ch).eqSize, 0, kEqBandCount)) {
        return Refused();
    }
    LogPrintA("ApplyFilterImport channel(%d) filters(%d)\n", ch, import.filtersTaken);
    EditResult result;
    if (CurrentChannel(Live(session)) != ch) {
        result = SelectChannel(session, ch);
    }
    result.Merge(SetChannelBands(session, ch, import.bands));
    if (import.levelDb) {
        const int position =
            RoundHalfAway(static_cast<double>(*import.levelDb) * kChannelLevel.sliderScale);
        result.Merge(SetChVolume(session, ch, position, false, false));
    }
    return result;
}

}  // namespace tonvia::tuning
