// The page half of the profile files. A scene profile is saved from the model at once; a
// whole profile is saved after the ten stored scenes were read from the device. A load
// reads the file into the model (all or nothing) and writes it into the device behind the
// busy window. The worker only talks to the device with a copy of the records; the page
// follows on the UI thread, and files are written there, after the replies were applied.
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "platform/log.h"
#include "profiles/profile_files.h"
#include "tuning/scene_transfer.h"
#include "ui/skin_resources.h"

namespace {

bool Chinese() {
    return tonvia::ui::SkinResources::Instance().CurrentLanguage().compare(
               QStringLiteral("cn_zh"), Qt::CaseInsensitive) == 0;
}

}  // namespace

QString tonvia::mainpage::SceneProfileFilter() {
    return Chinese() ? QStringLiteral("场景配置文件(*.spf)")
                     : QStringLiteral("Scene Profile(*.spf)");
}

QString tonvia::mainpage::WholeProfileFilter() {
    return Chinese() ? QStringLiteral("整机配置文件(*.wpf)")
                     : QStringLiteral("Whole Config Profile(*.wpf)");
}

using tonvia::mainpage::SceneProfileFilter;
using tonvia::mainpage::WholeProfileFilter;

void EqualizerManager::SaveSenceConfigToFile() {
    LogPrintA("%s\n", "EqualizerManager::SaveSenceConfigToFile");
    if (!mHooks.fileDialog) {
        return;
    }
    const QString path = mHooks.fileDialog(true, SceneProfileFilter(), QStringLiteral("spf"));
    if (path.isEmpty()) {
        return;
    }
    LogPrintA("GetSaveFileName %s ok\n", path.toUtf8().constData());
    const auto result = tonvia::profiles::WriteSceneProfile(Model(), path.toStdString());
    if (!result.detail.empty()) {
        LogPrintA("scene profile: %s\n", result.detail.c_str());
    }
    if (mHooks.showBox) {
        mHooks.showBox(QString::fromStdString(result.message));
    }
}

void EqualizerManager::LoadSenceConfigFromFile() {
    LogPrintA("%s\n", "EqualizerManager::LoadSenceConfigFromFile");
    if (!mHooks.fileDialog) {
        return;
    }
    const QString path = mHooks.fileDialog(false, SceneProfileFilter(), QStringLiteral("spf"));
    if (path.isEmpty()) {
        return;
    }
    LogPrintA("GetOpenFileName %s ok\n", path.toUtf8().constData());
    const auto result = tonvia::profiles::ReadSceneProfile(path.toStdString(), Model());
    if (!result.ok) {
        LogPrintA("read profile file error! %s\n", result.detail.c_str());
        if (mHooks.showBox) {
            mHooks.showBox(QString::fromStdString(result.message));
        }
        return;  // the model is as it was: nothing to send
    }
    PostToWindow(WM_SHOW_LOADING);
    CHidDevice& link = Device();
    StartWorker([this, &link, record = Model().live] {
        LogPrintA("SetCurSceneThread start!\n");
        const auto sent = tonvia::tuning::SetReadCurProfileToMCU(link, record, &mStopWorker);
        PostToWindow(WM_REFRESH_MAIN_PAGE);
        PostToWindow(WM_CLOSE_LOADING);
        PostToWindow(WM_TRANSFER_DONE, kTransferSceneProfile, sent.Complete() ? 1 : 0);
        LogPrintA("SetCurSceneThread end!\n");
    });
}

void EqualizerManager::SaveWholeConfigToFile() {
    LogPrintA("%s\n", "EqualizerManager::SaveWholeConfigToFile");
    if (!mHooks.fileDialog) {
        return;
    }
    const QString path = mHooks.fileDialog(true, WholeProfileFilter(), QStringLiteral("wpf"));
    if (path.isEmpty()) {
        return;
    }
    LogPrintA("GetSaveFileName %s ok\n", path.toUtf8().constData());
    mWholeProfilePath = path.toStdString();
    StartStoredScenesRead(kTransferWholeRead);
}

void EqualizerManager::StartStoredScenesRead(std::uintptr_t doneKind) {
    PostToWindow(WM_SHOW_LOADING);
    std::array<tonvia::tuning::StateReadPlan, kStoredSceneCount> plans{};
    for (int scene = 1; scene <= kStoredSceneCount; ++scene) {
        ModelSet view;
        view.live = Model().stored[static_cast<std::size_t>(scene - 1)];
        plans[static_cast<std::size_t>(scene - 1)] = tonvia::tuning::PlanStateRead(view);
    }
    const tonvia::tuning::StateReadPlan live = tonvia::tuning::PlanStateRead(Model());
    StartWorker([this, plans, live, doneKind, settle = mSceneReadSettle] {
        LogPrintA("SaveWholeSceneThread start!\n");
        const auto read = tonvia::tuning::ReadAllScenes(
            Device(), plans, [this](int scene) { PostToWindow(WM_BUSY_PROGRESS, scene); },
            &mStopWorker, settle);
        if (!read.disconnected && !read.stopped) {
            tonvia::tuning::PC_UI_Status_Init(Session(), live, &mStopWorker);
        }
        // Posted behind every reply: what follows sees the model holding them all.
        PostToWindow(WM_CLOSE_LOADING);
        PostToWindow(WM_TRANSFER_DONE, doneKind, read.Complete() ? 1 : 0);
        LogPrintA("SaveWholeSceneThread end!\n");
    });
}

void EqualizerManager::LoadWholeConfigFromFile() {
    LogPrintA("%s\n", "EqualizerManager::LoadWholeConfigFromFile");
    if (!mHooks.fileDialog) {
        return;
    }
    const QString path = mHooks.fileDialog(false, WholeProfileFilter(), QStringLiteral("wpf"));
    if (path.isEmpty()) {
        return;
    }
    LogPrintA("GetOpenFileName %s ok\n", path.toUtf8().constData());
    const auto result = tonvia::profiles::ReadWholeProfile(path.toStdString(), Model());
    if (!result.ok) {
        LogPrintA("read profile file error! %s\n", result.detail.c_str());
        if (mHooks.showBox) {
            mHooks.showBox(QString::fromStdString(result.message));
        }
        return;
    }
    PostToWindow(WM_SHOW_LOADING);
    StartWorker([this, profile = Model(), settle = mWholeProfileSettle] {
        LogPrintA("SetWholeProfileThread start!\n");
        const auto sent = tonvia::tuning::SetReadWholeProfileToMCU(
            Device(), profile, [this](int scene) { PostToWindow(WM_BUSY_PROGRESS, scene); },
            &mStopWorker);
        PostToWindow(WM_REFRESH_MAIN_PAGE);
        if (!sent.disconnected && !sent.stopped) {
            PostToWindow(WM_BUSY_PROGRESS, kStoredSceneCount + 1);
            PauseWorker(settle);  // the device commits the scenes to flash meanwhile
        }
        PostToWindow(WM_CLOSE_LOADING);
        PostToWindow(WM_TRANSFER_DONE, kTransferWholeWrite, sent.Complete() ? 1 : 0);
        LogPrintA("SetWholeProfileThread end!\n");
    });
}

void EqualizerManager::OnTransferDone(std::uintptr_t kind, bool complete) {
    std::unique_ptr<ModelSet> compare = std::move(mCompareFile);
    if (kind == kTransferCompareRead && complete && compare) {
        ShowFileDiff(std::move(*compare), true);
        return;
    }
    if (!complete) {
        // Nothing half-read is written: an older file at the path stays as it was.
        LogPrintA("transfer %d ended without every answer\n", static_cast<int>(kind));
        if (mHooks.showBox) {
            mHooks.showBox(QStringLiteral("${scene_transfer_fail}"));
        }
        return;
    }
    if (kind != kTransferWholeRead) {
        return;
    }
    const auto result = tonvia::profiles::WriteWholeProfile(Model(), mWholeProfilePath);
    if (!result.detail.empty()) {
        LogPrintA("whole profile: %s\n", result.detail.c_str());
    }
    if (mHooks.showBox) {
        mHooks.showBox(QString::fromStdString(result.message));
    }
}
