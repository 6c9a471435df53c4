#pragma once
// The parameters the command line gets and sets, in the words the user types
// ("ch 2 eq 5 gain"), their values in the page's text form, and a set through the rules
// half of the page's edits. Channels and bands are numbered from 1 in words, from 0 here.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_set.h"
#include "model/value_format.h"
#include "tuning/edits.h"
#include "tuning/session.h"

namespace tonvia::cli {

enum class ParamKind {
    MasterVolume,
    MasterMute,
    Source,
    Level,
    Mute,
    Phase,
    Solo,
    Delay,
    Bypass,
    EqFreq,
    EqQ,
    EqGain,
    EqEnable,
    HpType,
    HpSlope,
    HpFreq,
    LpType,
    LpSlope,
    LpFreq,
};

struct Param {
    ParamKind kind = ParamKind::MasterVolume;
    int channel = -1;  // 0..5 for the channel parameters
    int band = -1;     // 0..30 for the band parameters

    bool operator==(const Param&) const = default;
};

// A typed value, read for one parameter; which member counts depends on the kind.
struct ParamValue {
    double number = 0.0;  // dB, Hz, Q, or the delay in `unit`
    int integer = 0;      // source index, filter type, filter order
    bool on = false;
    DelayUnit unit = DelayUnit::Milliseconds;

    bool operator==(const ParamValue&) const = default;
};

// Reads the words of a parameter; nullopt with `error` set when they name none.
std::optional<Param> ParseParam(std::span<const std::string> words, std::string* error);
// Reads a value for `param`; nullopt with `error` set when it is not one.
std::optional<ParamValue> ParseValue(const Param& param, std::string_view text, std::string* error);

// The parameter in the words it is typed with: "ch 2 eq 5 gain".
std::string ParamName(const Param& param);
// The value as the page shows it ("-6.0dB", "on", "Linkwitz-R").
std::string ParamText(const Param& param, const ModelSet& model);
// Every parameter of the live record, in a fixed order.
std::vector<Param> AllParams();

// Sets the parameter through the rules the page applies: channel and band edits make the
// channel current first, a band takes the other two values the page shows, a switch that
// already has the value is left alone.
tuning::EditResult ApplyParam(tuning::Session& session, const Param& param,
                              const ParamValue& value);
// Whether `result` names the value of `param` as written.
bool Names(const tuning::EditResult& result, const Param& param);

// One changed parameter: its words and its new text.
struct ChangedParam {
    std::string name;
    std::string text;
};
// The parameters `result` names whose text differs between the two models.
std::vector<ChangedParam> ChangedParams(const tuning::EditResult& result, const ModelSet& before,
                                        const ModelSet& after);

// The source index of a name ("optical", "bt", "High Level") or number 1..9.
std::optional<int> ParseSource(std::string_view text);
// The English name of source `index` ("Optical"); "?" outside the table.
std::string SourceName(int index);

}  // namespace tonvia::cli
