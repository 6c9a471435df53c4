#pragma once
// The undo history of the live record. Each entry is one user edit: the record before and
// after it and the tuning parameters it changed, those of the synchronise group, the bridged
// partner and the pair included. Undo writes the earlier values of exactly those parameters
// back through the rules half (model, then the amplifier through the command queue); redo
// writes the later ones. A gesture (a drag, a held arrow key, a slider pulled along) is one
// entry however many edits it makes. Works on the model alone while no amplifier is
// connected.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "model/scene_config.h"
#include "model/scene_diff.h"
#include "tuning/edits.h"
#include "tuning/session.h"

namespace tonvia::tuning {

struct HistoryEntry {
    std::string label;    // what the user did ("ChannelVolumeSlider", "LoadSceneFromFile")
    std::string gesture;  // edits with the same gesture join while it goes on; empty: never
    SceneConfig before;
    SceneConfig after;
    std::vector<ParameterChange> changes;  // before -> after, tuning parameters only
    std::int64_t lastMs = 0;               // when the gesture last added to the entry
    bool open = false;                     // the gesture may still add to it
    bool untilEnd = false;                 // a drag: it goes on until released, however slow
};

class EditHistory {
  public:
    static constexpr std::size_t kCapacity = 500;
    // Edits of one gesture further apart than this start a new entry: two separate clicks
    // on the same arrow are two edits, a held key repeats far faster.
    static constexpr std::int64_t kGestureGapMs = 800;

    explicit EditHistory(std::size_t capacity = kCapacity) : mCapacity(capacity) {}

    // Records an edit that turned `before` into `after` (live records). An edit that changed
    // no tuning parameter records nothing. It joins the newest entry while that is open with
    // the same non-empty `gesture` and was added to less than kGestureGapMs before `nowMs`;
    // a gesture brought back to where it started leaves no entry. `ends` closes the entry
    // (a drag released); an entry begun with `untilEnd` (a drag) ignores the gap and stays
    // open until then. A new entry drops the redo entries; the oldest goes beyond the
    // capacity. True when the history changed.
    bool Record(const std::string& label, const std::string& gesture, const SceneConfig& before,
                const SceneConfig& after, std::int64_t nowMs, bool ends = false,
                bool untilEnd = false);
    // Closes the newest entry: the next edit starts a new one.
    void EndGesture();

    bool CanUndo() const { return !mUndo.empty(); }
    bool CanRedo() const { return !mRedo.empty(); }
    std::size_t UndoCount() const { return mUndo.size(); }
    std::size_t RedoCount() const { return mRedo.size(); }
    // The entry Undo (Redo) would take; null when there is none.
    const HistoryEntry* NextUndo() const { return mUndo.empty() ? nullptr : &mUndo.back(); }
    const HistoryEntry* NextRedo() const { return mRedo.empty() ? nullptr : &mRedo.back(); }

    // Writes the newest entry's earlier values and moves it to the redo list. Nothing (an
    // empty result) when there is no entry.
    EditResult Undo(Session& session);
    // Writes the last undone entry's later values and moves it back.
    EditResult Redo(Session& session);
    void Clear();

  private:
    std::size_t mCapacity;
    std::deque<HistoryEntry> mUndo;
    std::vector<HistoryEntry> mRedo;
};

}  // namespace tonvia::tuning
