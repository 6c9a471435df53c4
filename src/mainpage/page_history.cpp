// The page half of the undo history: user actions bracketed into entries, undo and redo
// shown on the page. The entries and what undo writes are the rules half's
// (tuning/edit_history.h).
#include <chrono>

#include "commands/apply_reports.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "platform/log.h"

namespace tuning = tonvia::tuning;

using tonvia::mainpage::NowMs;

void EqualizerManager::BeginUserEdit(std::string label, std::string gesture, bool untilEnd) {
    if (!mScopes.empty()) {
        EditScope& outer = mScopes.back();
        if (mHistory.Record(outer.label, {}, outer.snapshot, Live(), NowMs())) {
            ShowHistoryButtons();
        }
        outer.snapshot = Live();
    }
    mScopes.push_back(EditScope{std::move(label), std::move(gesture), untilEnd, Live()});
}

void EqualizerManager::EndUserEdit(bool endsGesture) {
    if (mScopes.empty()) {
        return;
    }
    EditScope scope = std::move(mScopes.back());
    mScopes.pop_back();
    if (mHistory.Record(scope.label, scope.gesture, scope.snapshot, Live(), NowMs(),
                        endsGesture, scope.untilEnd)) {
        ShowHistoryButtons();
    }
    if (!mScopes.empty()) {
        // What the inner action changed is its entry, not the outer one's.
        mScopes.back().snapshot = Live();
    }
}

void EqualizerManager::AbsorbReport(const WindowMessage& message) {
    if (mScopes.empty()) {
        return;
    }
    // A report reaches the snapshots as it reaches the model: through a model whose live
    // record is the snapshot. Reports come inside an action only under a nested loop (a
    // dialog, a box), so the copy stays off the edits' path.
    const bool normal = Device().mcu_is_normal_mode.load() != 0;
    ModelSet view = Model();
    for (EditScope& scope : mScopes) {
        view.live = scope.snapshot;
        tonvia::commands::ApplyWindowMessage(view, message, normal);
        scope.snapshot = view.live;
    }
}

void EqualizerManager::BeginLoadEntry(std::string label) {
    mPendingLoad = PendingLoad{std::move(label), Live()};
}

void EqualizerManager::FinishLoadEntry() {
    if (!mPendingLoad) {
        return;
    }
    const PendingLoad load = std::move(*mPendingLoad);
    mPendingLoad.reset();
    if (mHistory.Record(load.label, {}, load.before, Live(), NowMs())) {
        ShowHistoryButtons();
    }
}

tuning::EditResult EqualizerManager::Undo() {
    mHistory.EndGesture();
    const tuning::EditResult result = mHistory.Undo(mSession);
    ShowEdit(result);
    ShowHistoryButtons();
    return result;
}

tuning::EditResult EqualizerManager::Redo() {
    mHistory.EndGesture();
    const tuning::EditResult result = mHistory.Redo(mSession);
    ShowEdit(result);
    ShowHistoryButtons();
    return result;
}

void EqualizerManager::ShowHistoryButtons() {
    Find(QStringLiteral("btn_undo")).SetEnabled(mHistory.CanUndo());
    Find(QStringLiteral("btn_redo")).SetEnabled(mHistory.CanRedo());
}

void EqualizerManager::HistoryForDevice(const std::string& path) {
    if (!mHistoryDevice.empty() && path != mHistoryDevice) {
        LogPrintA("another amplifier: the undo history is cleared\n");
        mHistory.Clear();
    }
    mHistoryDevice = path;
    ShowHistoryButtons();
}
