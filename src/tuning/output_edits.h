#pragma once
// The rules half of the output configuration: speaker positions, the speaker diagram's
// delays, bridging, the synchronise and delay-link groups, the output lock and link, and
// the output reset. Conventions as in tuning/edits.h (scene 0, source 0, queued commands,
// "the pair" is the current channel's pair channel).

#include <functional>

#include "tuning/edits.h"

namespace tonvia::tuning {

// Gives ch the position `code` (0..24): its backup copy too unless `keepBackup`, the code's
// default crossover, ch made current; sends `CH_Type_Ctrl`, the low-pass and the high-pass
// filter, then the trim of ch.
EditResult SetOutputValue(Session& session, int ch, int code, bool keepBackup);
// The output menu's choice for ch: refused for a code that conflicts with another channel's
// (the menu shows it disabled); a bridged pair takes the position on both channels.
EditResult ChooseOutputPosition(Session& session, int ch, int code);

// A click on the speaker mark of `code`: every channel holding it becomes current in turn.
EditResult SetSpeakerFocus(Session& session, int code);
// The first channel holding `code` moves its delay by 21 us (limited to 0..15 ms, not
// quantised); its synchronise group and the pair follow by the same milliseconds.
EditResult SpeakerDelayStep(Session& session, int code, bool up);
// A delay typed in the speaker diagram, read in the shown unit (`ms` as the reader gives
// it): stored for the first channel holding `code`, with the same propagation.
EditResult SetSpeakerDelay(Session& session, int code, double ms);

// Bridges (on) or unbridges pair 0..2: `bridgeOutputs`, `Output_Bridge_Ctrl` with the three
// values; with `apply` the right channel then follows (ApplyBridge).
EditResult SetBridge(Session& session, int pair, bool on, bool apply);
// On: the right channel becomes a copy of the left one (bands, filters, bypass, level,
// delay, routing, position with its own kept as backup, phase, solo, mute, group), each
// sent. Off: the right channel takes its backup position again.
EditResult ApplyBridge(Session& session, int pair, bool on);

// The synchronise group of ch alone (0 none): members take the current channel's EQ
// bypass, every channel's trim is sent again from its stored level, ch becomes current.
EditResult SetChSynchronize(Session& session, int ch, int group);
// The delay-link group of ch alone (0..6); ch becomes current.
EditResult SetChDelayLink(Session& session, int ch, int group);
// The user's choice of a group for ch: a bridged partner joins the same group.
EditResult ChooseSynchronize(Session& session, int ch, int group);
EditResult ChooseDelayLink(Session& session, int ch, int group);
// Every channel out of its synchronise group ("btn_reset_link").
EditResult ResetSynchronizeGroups(Session& session);
// The output link can be offered only while no channel is in a synchronise or delay-link
// group.
bool OutputLinkOffered(const SceneConfig& live);

// The lock button: asks "${unlock_output_tips}" while locked, "${lock_output_tips}" while
// not. Unlocking also switches the output link off. Sends `CH_Lock_Ctrl`.
EditResult SetOutpuLock(Session& session, const Confirm& ask);
// The copy direction of a new output link: 1 left to right, 2 right to left, 0 cancelled.
using ChooseCopy = std::function<int()>;
// The link button: on goes off without a question (the lock too); off asks the copy
// direction, locks, pairs each channel with its partner position, copies along the pairs
// and sends `CH_Link_Ctrl` with them. Without partner positions the result carries the
// notice "${not_linkable_tips}".
EditResult SetOutputLink(Session& session, const ChooseCopy& choose);
// The output reset: mode 1 the default positions, 2 every position empty; then lock and
// link off, every trim sent, channel 0 current and the bridged pairs set up again.
EditResult ResetOutputs(Session& session, int mode);

}  // namespace tonvia::tuning
