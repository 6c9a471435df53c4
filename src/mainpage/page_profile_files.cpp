// The page half of the scene profile files: the save writes the working configuration at
// once; the load reads the file into the model (all or nothing) and writes it into the
// device's working scene behind the busy window. The worker only talks to the device with
// a copy of the record; the page follows on the UI thread.
#include "mainpage/equalizer_manager.h"
#include "platform/log.h"
#include "profiles/profile_files.h"
#include "tuning/scene_transfer.h"
#include "ui/skin_resources.h"

namespace {

// The dialogs' filter in the page's language.
QString SceneProfileFilter() {
    const bool chinese = tonvia::ui::SkinResources::Instance().CurrentLanguage().compare(
                             QStringLiteral("cn_zh"), Qt::CaseInsensitive) == 0;
    return chinese ? QStringLiteral("场景配置文件(*.spf)") : QStringLiteral("Scene Profile(*.spf)");
}

}  // namespace

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
        tonvia::tuning::SetReadCurProfileToMCU(link, record, &mStopWorker);
        PostToWindow(WM_REFRESH_MAIN_PAGE);
        PostToWindow(WM_CLOSE_LOADING);
        LogPrintA("SetCurSceneThread end!\n");
    });
}
