#pragma once
// Single parameters between records and the amplifier: which parameters of a tuning differ
// between two records, their stable names, and the rules half that writes a chosen set of
// them into the live record and queues the commands that carry them. The undo history, the
// check against the amplifier, the comparison with a profile file and the command line share
// it, so "turn A into B" is one piece of code.

#include <span>
#include <string>
#include <vector>

#include "model/scene_diff.h"
#include "tuning/edits.h"
#include "tuning/session.h"

namespace tonvia::tuning {

// Whether a compared field belongs to a tuning. Identity and versions, the clipping
// indicators and what is derived (the last soloed channel, a filter's bypass) do not.
bool IsTuningParameter(const ParameterChange& change);

// Whether the change lies in a per-input table of a source (input phase, second source,
// clipping): its `channel` then counts inputs, not outputs.
bool NamesAnInput(const ParameterChange& change);

// The tuning parameters in which `b` differs from `a`, in member order (`before` holds a's
// value, `after` b's).
std::vector<ParameterChange> TuningDifferences(const SceneConfig& a, const SceneConfig& b);

// The parameter's stable name, numbered from 1 as on the page: "ch 2 band 7 eq.gain",
// "source 3 input 1 ch 2 inputMixVolume", "scene 4 ch 1 gain", "bridge 2", "masterVolume".
std::string ParameterName(const ParameterChange& change);
// A value as the name's lines print it: the shortest form that reads back ("%g").
std::string ParameterValueText(double value);

// Copies the parameters `rows` name from `from` into the live record and, with `send`,
// queues the commands that carry them, each command once however many of its fields
// changed (a band's frequency, Q and gain travel together). While the amplifier is not
// connected only the model changes. Rows of a stored scene (scene above 0) and fields that are no
// tuning are left alone. The source switch, when one is among the rows, goes first and at once, as
// the page sends it. Returns what changed, for the page to show.
EditResult WriteParameters(Session& session, const SceneConfig& from,
                           std::span<const ParameterChange> rows, bool send = true);

// The model alone: copies the parameters `rows` name from `from` into `to`.
void CopyParameters(SceneConfig& to, const SceneConfig& from,
                    std::span<const ParameterChange> rows);

// Queues the live record's values of `rows` without changing the model: the amplifier is
// given what the program holds.
EditResult SendParameters(Session& session, std::span<const ParameterChange> rows);

}  // namespace tonvia::tuning
