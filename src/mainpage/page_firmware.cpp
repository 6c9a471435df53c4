// The page half of the firmware updates: the forced update of the carried package when the
// amplifier runs older firmware, and the update dialog of the option menu.
#include <cstdio>

#include "firmware/packages.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "mainpage/update_wnds.h"
#include "model/product.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "ui/skin_resources.h"
#include "ui/window_impl_base.h"

bool tonvia::mainpage::NoForceUpdate() {
    return IsLocalFileExist("noForceUpdate.ini");
}

namespace {

// Fills the "%d" marks of a translated text from left to right.
QString FillNumbers(QString text, std::initializer_list<int> numbers) {
    for (const int n : numbers) {
        const auto at = text.indexOf(QLatin1String("%d"));
        if (at < 0) {
            break;
        }
        text.replace(at, 2, QString::number(n));
    }
    return text;
}

}  // namespace

void EqualizerManager::ForceUpdate() {
    if (tonvia::mainpage::NoForceUpdate()) {
        return;
    }
    const QString question =
        FillNumbers(tonvia::ui::Translate(QStringLiteral("${update_tips}")),
                    {Live().mainVersion, Live().slaveVersion, INNER_FW_MAJOR, INNER_FW_MINOR});
    if (!mHooks.askBox || !mHooks.askBox(question)) {
        return;
    }
    LogPrintA("Start force update!\n");
    std::string package;
    std::string folder;
    std::string script;
    int error = tonvia::firmware::ExtractResource(tonvia::firmware::kFirmwareFile,
                                                  tonvia::firmware::kFirmwareResource,
                                                  tonvia::firmware::kResourceType, &package);
    if (error == 0) {
        error = tonvia::firmware::PrepareUpgradePackages(package, folder, script);
    }
    if (error != 0) {
        std::remove(package.c_str());
        if (!folder.empty()) {
            tonvia::firmware::DeleteWorkFolder(folder);
        }
        if (mHooks.showBox) {
            mHooks.showBox(QString::asprintf("File prepare error. error code %d", error));
        }
        return;
    }
    mForcedUpdate = true;
    const int result = CForceUpdateWnd::ShowForceUpdate(
        mWindow != nullptr ? mWindow->GetWidget() : nullptr, Device(),
        QString::fromStdString(package), script, std::string(), &mForceWnd);
    mForcedUpdate = false;
    tonvia::firmware::DeleteWorkFolder(folder);
    std::remove(package.c_str());
    if (result == 1) {
        // The amplifier runs the new firmware: its whole state is read again.
        Device().DisableQueue();
        PostToWindow(WM_SHOW_LOADING);
        const auto plan = tonvia::tuning::PlanStateRead(Model());
        StartWorker([this, plan] { ReadMcuValueThread(plan); });
    }
}

void EqualizerManager::ShowUpdateFw(const QString& path) {
    // A plug-out while the dialog runs is the update's own: no notice for it.
    mMenuUpdate = true;
    CUpdateFwWnd::ShowUpdateFw(mWindow != nullptr ? mWindow->GetWidget() : nullptr, Device(), path);
    mMenuUpdate = false;
    if (Device().IsConnected()) {
        Device().EnableQueue();
    }
}
