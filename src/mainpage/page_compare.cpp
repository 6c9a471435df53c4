// The page half of the checks: the amplifier read again and compared with the model
// ("Verify with Amplifier"), and a profile file compared with the model ("Compare with
// File…"). The comparison and what the buttons write are the rules half's
// (tuning/parameter_sync.h).
#include "dialogs/dialog_common.h"
#include "mainpage/diff_wnd.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "platform/log.h"
#include "profiles/profile_files.h"
#include "tuning/parameter_sync.h"

namespace tuning = tonvia::tuning;

namespace {

// The progress messages of a read: one for each step of this size (percent).
constexpr int kProgressStep = 5;

}  // namespace

void EqualizerManager::VerifyWithAmplifier() {
    LogPrintA("%s\n", "EqualizerManager::VerifyWithAmplifier");
    if (!Device().IsConnected()) {
        if (mHooks.showBox) {
            mHooks.showBox(QStringLiteral("${verify_not_connected}"));
        }
        return;
    }
    // The read starts from the model: what it does not ask for compares equal.
    mVerifyRead = std::make_unique<ModelSet>(Model());
    const tuning::StateReadPlan plan = tuning::PlanStateRead(Model());
    const int total = std::max(1, tuning::StateReadRequests(plan));
    PostToWindow(WM_SHOW_LOADING);
    StartWorker([this, plan, total] {
        LogPrintA("VerifyThread start!\n");
        int shown = -1;
        const auto read = tuning::ReadLiveStateAgain(
            Device(), plan, &mStopWorker, [this, total, &shown](int sent) {
                const int percent = std::min(100, sent * 100 / total);
                if (percent / kProgressStep != shown) {
                    shown = percent / kProgressStep;
                    PostToWindow(WM_READ_PROGRESS, static_cast<std::uintptr_t>(percent));
                }
            });
        // Posted behind every reply: the comparison sees them all.
        PostToWindow(WM_CLOSE_LOADING);
        PostToWindow(WM_VERIFY_DONE, read.answered == read.requests ? 1 : 0);
        LogPrintA("VerifyThread end! %d of %d answered\n", read.answered, read.requests);
    });
}

void EqualizerManager::ApplyToVerifyRead(const WindowMessage& message) {
    if (mVerifyRead) {
        tonvia::commands::ApplyWindowMessage(*mVerifyRead, message,
                                             Device().mcu_is_normal_mode.load() != 0);
    }
}

void EqualizerManager::OnVerifyDone(bool complete) {
    std::unique_ptr<ModelSet> read = std::move(mVerifyRead);
    if (!read) {
        return;
    }
    if (!complete) {
        if (mHooks.showBox) {
            mHooks.showBox(QStringLiteral("${verify_incomplete}"));
        }
        return;
    }
    if (tuning::TuningDifferences(Live(), read->live).empty()) {
        if (mHooks.showBox) {
            mHooks.showBox(QStringLiteral("${verify_in_sync}"));
        }
        return;
    }
    RunDiff(new CDiffWnd(*this, CDiffWnd::Mode::Amplifier, std::move(*read)));
}

void EqualizerManager::CompareWithFile() {
    LogPrintA("%s\n", "EqualizerManager::CompareWithFile");
    if (!mHooks.fileDialog) {
        return;
    }
    const QString filters = tonvia::mainpage::SceneProfileFilter() + QStringLiteral(";;") +
                            tonvia::mainpage::WholeProfileFilter();
    const QString path = mHooks.fileDialog(false, filters, QStringLiteral("spf"));
    if (path.isEmpty()) {
        return;
    }
    const bool whole = path.endsWith(QLatin1String(".wpf"), Qt::CaseInsensitive);
    // The file is read over a copy of the model: what it does not hold compares equal.
    auto file = std::make_unique<ModelSet>(Model());
    const auto result = whole ? tonvia::profiles::ReadWholeProfile(path.toStdString(), *file)
                              : tonvia::profiles::ReadSceneProfile(path.toStdString(), *file);
    if (!result.ok) {
        LogPrintA("read profile file error! %s\n", result.detail.c_str());
        if (mHooks.showBox) {
            mHooks.showBox(QString::fromStdString(result.message));
        }
        return;
    }
    if (!whole || !Device().IsConnected()) {
        // Without the amplifier its stored scenes are unknown: the working settings only.
        ShowFileDiff(std::move(*file), false);
        return;
    }
    // The stored scenes are compared with the amplifier's: read them first, as a whole
    // profile's save does.
    mCompareFile = std::move(file);
    StartStoredScenesRead(kTransferCompareRead);
}

void EqualizerManager::ShowFileDiff(ModelSet file, bool whole) {
    const bool same = [&] {
        for (int scene = 0; scene <= (whole ? kStoredSceneCount : 0); ++scene) {
            if (!tuning::TuningDifferences(*Model().Scene(scene), *file.Scene(scene)).empty()) {
                return false;
            }
        }
        return true;
    }();
    if (same) {
        if (mHooks.showBox) {
            mHooks.showBox(QStringLiteral("${file_in_sync}"));
        }
        return;
    }
    RunDiff(new CDiffWnd(*this, CDiffWnd::Mode::File, std::move(file), whole));
}

void EqualizerManager::RunDiff(CDiffWnd* dialog) {
    QWidget* parent = mWindow != nullptr ? mWindow->GetWidget() : nullptr;
    if (mHooks.runDiff) {
        if (dialog->Create(parent, QStringLiteral("diffwnd"))) {
            dialog->ShowWindow();
            mHooks.runDiff(*dialog);
            dialog->Close(0);
        } else {
            delete dialog;
        }
        return;
    }
    tonvia::dialogs::RunModal(dialog, parent, QStringLiteral("diffwnd"));
}

void EqualizerManager::WriteStoredSceneRows(int scene, const ModelSet& file,
                                            const std::vector<ParameterChange>& rows) {
    if (scene < 1 || scene > kStoredSceneCount || !Device().IsConnected()) {
        return;
    }
    const auto k = static_cast<std::size_t>(scene - 1);
    ModelSet& model = Model();
    SceneConfig merged = model.stored[k];
    tuning::CopyParameters(merged, file.stored[k], rows);
    // An empty slot takes the file's name; a named one keeps its own.
    if (model.sceneNames[k].empty()) {
        model.sceneNames[k] = file.sceneNames[k];
    }
    const tuning::DeviceSceneName name =
        tuning::SceneNameToDevice(model.sceneNames[k], model.nameCodePage);
    // The model follows at once, as a scene save's name does; a failure says so.
    model.stored[k] = merged;
    model.validSceneMask |= 1 << (scene - 1);
    PostToWindow(WM_SHOW_LOADING);
    StartWorker([this, scene, merged, name, live = model.live] {
        LogPrintA("WriteStoredSceneThread %d start!\n", scene);
        CHidDevice& link = Device();
        const auto written = tuning::SetReadCurProfileToMCU(link, merged, &mStopWorker);
        const bool saved = written.Complete() && tuning::SaveWorkingScene(link, scene, name);
        // The working settings back in place.
        const auto restored = tuning::SetReadCurProfileToMCU(link, live, &mStopWorker);
        PostToWindow(WM_CLOSE_LOADING);
        PostToWindow(WM_TRANSFER_DONE, kTransferStoredSceneWrite,
                     saved && restored.Complete() ? 1 : 0);
        LogPrintA("WriteStoredSceneThread end!\n");
    });
}
