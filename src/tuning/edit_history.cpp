#include "tuning/edit_history.h"

#include "platform/log.h"
#include "tuning/parameter_sync.h"

namespace tonvia::tuning {

bool EditHistory::Record(const std::string& label, const std::string& gesture,
                         const SceneConfig& before, const SceneConfig& after, std::int64_t nowMs,
                         bool ends, bool untilEnd) {
    // Most actions (a focus, a menu opened) change nothing: no field-by-field compare then.
    std::vector<ParameterChange> changes =
        before == after ? std::vector<ParameterChange>{} : TuningDifferences(before, after);
    HistoryEntry* top = mUndo.empty() ? nullptr : &mUndo.back();
    const bool joins = top != nullptr && top->open && !gesture.empty() && top->gesture == gesture &&
                       (top->untilEnd || nowMs - top->lastMs < kGestureGapMs);
    if (!joins) {
        EndGesture();
        if (changes.empty()) {
            return false;
        }
        mRedo.clear();
        HistoryEntry entry;
        entry.label = label;
        entry.gesture = gesture;
        entry.before = before;
        entry.after = after;
        entry.changes = std::move(changes);
        entry.lastMs = nowMs;
        entry.open = !gesture.empty() && !ends;
        entry.untilEnd = untilEnd;
        mUndo.push_back(std::move(entry));
        if (mUndo.size() > mCapacity) {
            mUndo.pop_front();
        }
        return true;
    }
    // Only what this edit changed moves the entry on: a value a device report changed
    // meanwhile is no part of the gesture.
    top->lastMs = nowMs;
    top->open = !ends;
    if (changes.empty()) {
        return false;
    }
    mRedo.clear();
    CopyParameters(top->after, after, changes);
    top->changes = TuningDifferences(top->before, top->after);
    if (top->changes.empty()) {
        mUndo.pop_back();
    }
    return true;
}

void EditHistory::EndGesture() {
    if (!mUndo.empty()) {
        mUndo.back().open = false;
    }
}

EditResult EditHistory::Undo(Session& session) {
    if (mUndo.empty()) {
        return {};
    }
    HistoryEntry entry = std::move(mUndo.back());
    mUndo.pop_back();
    entry.open = false;
    LogPrintA("Undo %s, %d parameters\n", entry.label.c_str(),
              static_cast<int>(entry.changes.size()));
    EditResult result = WriteParameters(session, entry.before, entry.changes);
    mRedo.push_back(std::move(entry));
    return result;
}

EditResult EditHistory::Redo(Session& session) {
    if (mRedo.empty()) {
        return {};
    }
    HistoryEntry entry = std::move(mRedo.back());
    mRedo.pop_back();
    LogPrintA("Redo %s, %d parameters\n", entry.label.c_str(),
              static_cast<int>(entry.changes.size()));
    EditResult result = WriteParameters(session, entry.after, entry.changes);
    mUndo.push_back(std::move(entry));
    return result;
}

void EditHistory::Clear() {
    mUndo.clear();
    mRedo.clear();
}

}  // namespace tonvia::tuning
