#pragma once
// Parametric filters of one output channel as text, in the forms room-measurement programs
// write: REW's filter settings ("Filter 1: ON PK Fc 100 Hz Gain -3.0 dB Q 2.00", with its
// header lines) and Equalizer APO's configuration ("Filter: ON PK ...", "Preamp: -4.5 dB",
// '#' comments). An import reads the text into the channel's bands and level, reporting
// every filter it does not take or had to limit; an export writes a channel back in REW's
// form with a "Preamp:" line that the import reads again.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/eq_band.h"
#include "model/scene_config.h"
#include "tuning/edits.h"
#include "tuning/session.h"

namespace tonvia::tuning {

enum class FilterNoteKind {
    NotTaken,    // a filter or line the channel cannot hold
    Clamped,     // a value limited to the device's range
    Unreadable,  // a line that could not be read
};

// One line of the import's report. The texts are stable: the command line prints them.
struct FilterNote {
    int line = 0;  // from 1
    FilterNoteKind kind = FilterNoteKind::NotTaken;
    std::string text;

    bool operator==(const FilterNote&) const = default;
};

struct FilterImport {
    // Exactly the channel's band count. The file's peaking filters in file order, then flat
    // bands (0 dB at their default frequency and Q), so that the channel plays the file's
    // filters and nothing else. Values are on the page's resolution: whole Hz, 0.1 dB,
    // Q in hundredths.
    std::vector<EqBand> bands;
    int filtersTaken = 0;
    // The channel level from a preamp line (the sum of several, as Equalizer APO applies
    // them), when it lies within the level range; 0.1 dB resolution.
    std::optional<float> levelDb;
    std::vector<FilterNote> notes;

    // Whether the text gave the channel anything at all.
    bool TookAnything() const { return filtersTaken > 0 || levelDb.has_value(); }
};

// Reads filter text for a channel of `bandCount` bands (0..31). Never fails: what cannot be
// used is in `notes`.
FilterImport ParseFilterText(std::string_view text, int bandCount);

// The first `eqSize` bands of the channel and its level, in REW's filter-settings form;
// a disabled band is written OFF with its stored values. The EQ bypass is not written.
std::string FilterText(const OutChannel& channel, int channelNumber);

// The import on channel ch: the bands through SetChannelBands (the synchronise group and the
// pair follow, automatic bypass), then the level through SetChVolume (the group and the pair
// move by the same decibels, no unmute). Channel ch is made current first, as every band edit
// acts on the current channel. Refused for a channel outside 0..5 or an import whose band
// count differs from the channel's.
EditResult ApplyFilterImport(Session& session, int ch, const FilterImport& import);

}  // namespace tonvia::tuning
