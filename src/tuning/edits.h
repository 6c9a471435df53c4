#pragma once
// The rules half of the main page's edits: levels, routing, channels, switches, EQ bands
// and crossovers. Each operation takes the session, applies the rules (clamps, steps, the
// synchronise group, the bridged partner, the pair channel, the automatic EQ bypass, the
// crossover order), writes the live record, queues the commands in their order with their
// log lines, and returns what it changed. The page refreshes what the result names; the
// command line and the undo history call the same functions.
//
// Conventions: every command carries the live record's scene number and source 0 (the
// routing and mix-level commands carry `inputSource`) and is queued, except the source
// switch, which is sent at once. "The current channel" is the live record's
// `currOutChannel`; "the pair" is its pair channel (SceneConfig::PairChannel); the
// synchronise group of ch is every other channel with the same `linkSel` above 0.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "model/channel_rules.h"
#include "model/scene_config.h"
#include "model/value_format.h"
#include "tuning/session.h"

namespace tonvia::tuning {

// What an edit changed in the live record. The sets name the channels whose value of that
// kind was written (sent or not); the page rewrites those controls, the graph recomputes
// the curves of `Curves()`.
struct EditResult {
    bool refused = false;  // a channel, band or value the operation does not take

    bool mainVolume = false;
    bool mainMute = false;
    bool acc = false;
    bool source = false;           // `inputSource` (the routing options follow)
    bool startVolumePoll = false;  // a source switch was sent: read the volume back
    bool routing = false;          // `inputs` / `inputMixVolume` of the current source
    bool switches = false;         // ampOn, rem_out1/2, spk_ohm, noise_gate
    ChannelSet levels;             // gain
    ChannelSet delays;
    ChannelSet mutes;
    ChannelSet phases;
    ChannelSet solos;
    ChannelSet shows;        // showOutChEqualizer
    ChannelSet compressors;  // compressorOn
    ChannelSet crossovers;   // either filter
    ChannelSet bands;        // any band value or enable flag
    ChannelSet bypass;       // the EQ bypass
    ChannelSet positions;    // `outputs` (position buttons and the speaker diagram follow)
    ChannelSet groups;       // `linkSel` or `delayLinkSel`
    bool bridges = false;    // `bridgeOutputs`
    bool linkLock = false;   // `linkMode`, `lockMode`, `linkOutputs`
    // A notice the page shows in a box, by its language key; null for none.
    const char* notice = nullptr;
    int band = -1;         // the band of the current channel the edit was about
    int madeCurrent = -1;  // the channel the edit made current, -1 none
    bool geqMode = false;  // the PEQ/GEQ mode changed

    // Channels whose response curve changed.
    ChannelSet Curves() const { return crossovers | bands | bypass; }
    bool Changed() const;
    // Adds what `other` changed (its band and current channel win when set).
    void Merge(const EditResult& other);
};

// Asks the user a question by its language key ("${bypass_all_eq_tips}"); true when
// confirmed. An empty function confirms everything.
using Confirm = std::function<bool(std::string_view key)>;

// ---- Shared rules ----

// The current channel: `currOutChannel` when it names a channel, else 0.
int CurrentChannel(const SceneConfig& live);
// The synchronise group of ch without ch itself, ascending; empty when `linkSel` of ch is 0.
std::vector<int> SynchronizeGroup(const SceneConfig& live, int ch);

// ---- Master volume, ACC, source and routing ----

// Master volume v dB: clamped to -60..+6 and rounded; `Main_Volume_Ctrl` with 6 - v, then
// the master mute off (`mainVolumeMute` 0, `Mute_Ctrl`(0)) whatever it was.
EditResult SetMainVolume(Session& session, double volume);
// One dB up or down from the stored volume; nothing at the end of the range.
EditResult StepMainVolume(Session& session, bool up);
EditResult SetMainMute(Session& session, bool on);
// ACC within the ACC slider's range (the layout gives it); `Set_Acc` to the control MCU.
EditResult SetAcc(Session& session, int acc, int sliderMin, int sliderMax);
EditResult StepAcc(Session& session, bool up, int sliderMin, int sliderMax);
// Selects input source `source`. Only when `connected`: `Source_Switch_Ctrl` with 0x51 +
// source at once, and the result asks for the master-volume poll.
EditResult SetInputSource(Session& session, int source, bool connected);
// Routes (on) or unroutes input j of the current source to output ch: `Mix_Ch_Ctrl` with
// the new mask; a first routing of a silent mix level sets it to 100 and sends it.
EditResult SetInputIn(Session& session, int input, int ch, bool on);

// ---- Channel level and delay ----

// The common apply of a channel level, `position` in 0.1 dB (clamped to -600..0): the
// trim of ch (unmuting it when `unmute`), then, when the level moved or `force`, the same
// number of decibels for the synchronise group (a bridged member's partner takes the
// member's level) and for the pair. Followers move in whole tenths of a decibel.
EditResult SetChVolume(Session& session, int ch, int position, bool unmute, bool force);
// A level edit by the user (slider or text): makes ch current first, then SetChVolume
// with unmute and without force.
EditResult EditChVolume(Session& session, int ch, int position);
// 0.5 dB up or down from the stored level (makes ch current; nothing at the range end).
EditResult StepChVolume(Session& session, int ch, bool up);
// The common apply of a delay: ch's delay quantised to the unit shown, sent; the
// synchronise group and the pair move by the same milliseconds.
EditResult SetChDelay(Session& session, int ch, double ms, DelayUnit unit);
// One step: 21 us in milliseconds; one shown centimetre or inch in those units.
EditResult StepChDelay(Session& session, int ch, bool up, DelayUnit unit);
// (A change of the delay unit changes no delay: the model keeps milliseconds.)

// ---- Mute, phase, solo, curve display, current channel ----

// The user's mute / phase of ch; a bridged pair follows. Sends `Mute_Ch_Ctrl` /
// `Phase_Ctrl` per channel.
EditResult SetChMute(Session& session, int ch, bool on);
EditResult SetChPhase(Session& session, int ch, bool on);
// Solo of ch and its pair; switching on clears every other solo. One `Solo_Ctrl` for all
// six channels. The user's solo also sets `lastSoloChannel` and makes ch current.
EditResult SetChSolo(Session& session, int ch, bool on);
EditResult SetChShow(Session& session, int ch, bool on);
// Makes ch the current channel and sends its mute again.
EditResult SelectChannel(Session& session, int ch);

// ---- Switches and the compressor ----

EditResult SetAmpOn(Session& session, bool on);              // Amp_Mute_Ctrl(1 - on)
EditResult SetRemOut(Session& session, int which, bool on);  // which 1 or 2; Rem_Out_Ctrl
EditResult SetSpkOhm(Session& session, bool twoOhm);         // Spk_Ohm_Ctrl
EditResult SetNoiseGate(Session& session, bool on);          // Noise_Gate_Ctrl
EditResult SetChCompressor(Session& session, int ch, bool on);

// ---- EQ bands ----

// Where a band edit came from; the paths differ in what they skip and when they send.
enum class BandPath { Slider, Text, Drag };
enum class BandField { Freq, Q, Gain };

// Gives band `band` of the current channel gain, Q and frequency, with the automatic
// bypass: a bypassed channel given a gain first has its old gains cleared; a channel whose
// gains become flat is bypassed. Group members and the pair take the band. A drag sends
// the current channel's band (and the pair's) at most every 500 ms by `nowMs` and once
// more when `release`; the slider and the text send at once (queued).
EditResult ApplyEqBand(Session& session, int band, float gain, float q, int freq, BandPath path,
                       bool release = false, std::int64_t nowMs = 0);
// Gives channel ch (not only the current one) the bands `bands` at once, each limited to
// the device's ranges; its synchronise group and its pair take the bands they have. Only
// the bands that differ are sent. Automatic bypass as for a band edit: a bypassed channel
// given gains has its hidden gains cleared and the bypass lifted; a channel left flat is
// bypassed. For whole-channel changes: a filter import, a fitted EQ.
EditResult SetChannelBands(Session& session, int ch, std::span<const EqBand> bands);
// One step of a band value from what the page shows (gain 0 for a disabled band or a
// bypassed channel), then applied as a text commit. Nothing at the end of the range.
EditResult StepEqBand(Session& session, int band, BandField field, bool up);
// The band's enable box clicked: off keeps the stored gain and sends 0 dB; on restores it.
EditResult OnEqEnable(Session& session, int band);
// EQ bypass / restore of the current channel, its group and the pair. Asks
// "${bypass_all_eq_tips}" or "${restore_all_eq_tips}" when gains would be hidden or shown.
EditResult SetOutputBypass(Session& session, const Confirm& ask);
// Asks "${reset_all_eq_tips}", then resets the bands of the current channel (and its group,
// each band sent; the pair in the model) and sends `PEQ_Reset_Ctrl` for [c] or [c, pair].
EditResult SetOutputEqReset(Session& session, const Confirm& ask);
// Switches PEQ/GEQ mode after "${geq_mode_tips}" / "${peq_mode_tips}"; page state only.
EditResult SetEqMode(Session& session, const Confirm& ask);

// ---- Crossover ----

// A typed HP (LP) frequency, before clamping: limited to 20..20000, then an HP above the
// channel's LP frequency takes the LP frequency (an LP below the HP the HP frequency).
// The current channel, the pair and the group take it; each filter is sent.
EditResult SetHpFreq(Session& session, int typedHz);
EditResult SetLpFreq(Session& session, int typedHz);
// One logarithmic step, capped at the other filter's frequency.
EditResult StepHpFreq(Session& session, bool up);
EditResult StepLpFreq(Session& session, bool up);
// Filter type 1..3. Linkwitz-Riley takes even slopes only: an odd slope moves up to the
// next even one first.
EditResult SetHpType(Session& session, int type);
EditResult SetLpType(Session& session, int type);
// Filter order 0..8.
EditResult SetHpSlope(Session& session, int slope);
EditResult SetLpSlope(Session& session, int slope);
// The H (highPass) or L handle dragged to `hz`: the model follows every move; the filters
// are sent at most every 500 ms (the same clock as band drags) and at release.
EditResult DragCrossover(Session& session, bool highPass, int hz, bool release, std::int64_t nowMs);

// ---- Refresh ----

// What a whole-page refresh sends again, queued: each channel's mute (a bridged partner
// too), solo and phase from the record, then the current channel's mute.
EditResult ResendChannelSwitches(Session& session);

}  // namespace tonvia::tuning
