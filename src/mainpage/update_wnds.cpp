#include "mainpage/update_wnds.h"

#include <QDir>
#include <QFileDialog>

#include "dialogs/dialog_common.h"
#include "firmware/install.h"
#include "firmware/packages.h"
#include "link/mcu_records.h"
#include "platform/log.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace {

using tonvia::firmware::InstallOutcome;

// The message that ends a tool run or a direct transfer.
unsigned OutcomeMessage(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::LoadFailed:
            return WM_UPG_LOAD_FAIL;
        case InstallOutcome::Failed:
            return WM_UPG_FAIL;
        case InstallOutcome::Done:
            return WM_UPG_DONE;
    }
    return WM_UPG_FAIL;
}

QString FormatPercent(const char* key, int percent) {
    QString text = tonvia::ui::Translate(QLatin1String(key));
    text.replace(QLatin1String("%d"), QString::number(percent));
    return text;
}

}  // namespace

// ---- Shared --------------------------------------------------------------------------------

UpdateDialogBase::~UpdateDialogBase() {
    JoinWorker();
}

void UpdateDialogBase::OnDestroyed() {
    // The worker posts to this window and uses the link: it ends before the window goes.
    mStop = true;
    JoinWorker();
}

void UpdateDialogBase::StartWorker(std::function<void()> body) {
    JoinWorker();
    mStop = false;
    mRunning = true;
    mWorker = std::thread([this, body = std::move(body)] {
        body();
        mRunning = false;
    });
}

void UpdateDialogBase::JoinWorker() {
    if (mWorker.joinable()) {
        mWorker.join();
    }
}

void UpdateDialogBase::Post(unsigned message, std::uintptr_t wParam) const {
    tonvia::ui::PostMessageTo(GetHWND(), message, wParam);
}

void UpdateDialogBase::OnMessage(WindowMessage& message) {
    switch (message.message) {
        case WM_UPG_PROGRESS:
            ShowPercent(static_cast<int>(message.wParam));
            return;
        case WM_UPG_PROGRESS_RESET:
            ShowPercent(0);
            if (message.wParam == 1) {
                SetTimer(kCreepTimer, kCreepPeriodMs);
            }
            return;
        default:
            DialogImplBase::OnMessage(message);
    }
}

void UpdateDialogBase::OnTimer(unsigned id) {
    if (id != kCreepTimer) {
        return;
    }
    UiControl bar = ActiveBar();
    if (!bar) {
        return;
    }
    ShowPercent(tonvia::firmware::CreepProgress(bar.GetValue(), Ticks()));
}

// ---- CUpdateFwWnd ---------------------------------------------------------------------------

int CUpdateFwWnd::ShowUpdateFw(QWidget* parent, CHidDevice& link, const QString& path) {
    return tonvia::dialogs::RunModal(new CUpdateFwWnd(link, path), parent,
                                     QStringLiteral("updatefwwnd"));
}

void CUpdateFwWnd::OnInit() {
    if (!mPath.isEmpty()) {
        FindControl(QStringLiteral("file_path_edt")).SetText(mPath);
    }
    ShowPercent(0);
    FindControl(QStringLiteral("update_tips")).SetText(QString());
    tonvia::dialogs::FitWindowToContents(*this);
}

UiControl CUpdateFwWnd::ActiveBar() const {
    return FindControl(QStringLiteral("progress"));
}

void CUpdateFwWnd::ShowPercent(int percent) {
    FindControl(QStringLiteral("progress")).SetValue(percent);
    FindControl(QStringLiteral("update_tips")).SetText(QString::asprintf("%d%%", percent));
}

int& CUpdateFwWnd::Ticks() {
    static int ticks = 0;
    return ticks;
}

void CUpdateFwWnd::ChooseFile() {
    QString path;
    if (mChooser) {
        path = mChooser();
    } else {
        path = QFileDialog::getOpenFileName(GetWidget(), QString(), QDir::currentPath(),
                                            QStringLiteral("PVQ6_MCU_UPG.bin (PVQ6_MCU_UPG.bin)"));
    }
    if (path.isEmpty()) {
        return;
    }
    mPath = path;
    FindControl(QStringLiteral("file_path_edt")).SetText(path);
    LogPrintA("Upg_GetOpenFileName %s ok\n", path.toUtf8().constData());
}

void CUpdateFwWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == QLatin1String(DUI_MSGTYPE_SETFOCUS) &&
        msg.pSender.GetName() == QLatin1String("file_path_edt") && mPath.isEmpty() &&
        !WorkerRunning()) {
        ChooseFile();
        return;
    }
    UpdateDialogBase::Notify(msg);
}

void CUpdateFwWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("file_btn")) {
        ChooseFile();
        return;
    }
    if (name == QLatin1String("update_btn")) {
        BeginUpdate();
        return;
    }
    UpdateDialogBase::OnClick(msg);
}

void CUpdateFwWnd::EnableControls(bool enabled) {
    for (const char* name : {"closebtn", "cancel_btn", "file_btn", "update_btn", "file_path_edt"}) {
        FindControl(QLatin1String(name)).SetEnabled(enabled);
    }
}

void CUpdateFwWnd::EmptyWorkFolder() {
    if (!mFolder.empty()) {
        tonvia::firmware::DeleteWorkFolder(mFolder);
    }
}

void CUpdateFwWnd::BeginUpdate() {
    LogPrintA("%s\n", "CUpdateFwWnd::BeginUpdate");
    if (WorkerRunning()) {
        return;
    }
    mLink.DisableQueue();
    FindControl(QStringLiteral("update_tips")).SetText(QStringLiteral("${loading_fw}"));
    EnableControls(false);
    const std::string path = mPath.toStdString();
    const auto timings = mTimings;
    StartWorker([this, path, timings] {
        if (tonvia::firmware::IsDirectUpdateFile(path)) {
            // An update file goes over the link itself; its steps are the progress.
            Post(WM_UPG_PROGRESS_RESET, 0);
            const InstallOutcome outcome = tonvia::firmware::RunDirectUpgrade(
                mLink, path, [this](int percent) { Post(WM_UPG_PROGRESS, percent); }, &mStop,
                std::chrono::minutes(30), timings);
            if (outcome == InstallOutcome::Done) {
                Post(WM_UPG_PROGRESS, 100);
            }
            Post(OutcomeMessage(outcome));
            return;
        }
        if (tonvia::firmware::PrepareUpgradePackages(path, mFolder, mScript) != 0) {
            Post(WM_UPG_LOAD_FAIL);
            return;
        }
        const InstallOutcome outcome =
            tonvia::firmware::RunDownloadScript(mLink, mScript, tonvia::firmware::kToolTimeLimit,
                                                [this] { Post(WM_UPG_PROGRESS_RESET, 1); });
        if (outcome == InstallOutcome::Done) {
            Post(WM_UPG_PROGRESS, 100);
        }
        Post(OutcomeMessage(outcome));
    });
}

void CUpdateFwWnd::OnMessage(WindowMessage& message) {
    switch (message.message) {
        case WM_UPG_FAIL:
            KillTimer(kCreepTimer);
            EnableControls(true);
            FindControl(QStringLiteral("update_tips")).SetText(QStringLiteral("${update_fail}"));
            EmptyWorkFolder();
            return;
        case WM_UPG_LOAD_FAIL:
            KillTimer(kCreepTimer);
            EnableControls(true);
            FindControl(QStringLiteral("update_tips")).SetText(QStringLiteral("${load_fw_fail}"));
            return;
        case WM_UPG_DONE:
            KillTimer(kCreepTimer);
            EnableControls(true);
            FindControl(QStringLiteral("update_tips"))
                .SetText(QStringLiteral("${please_plug_out_and_in}"));
            EmptyWorkFolder();
            return;
        default:
            UpdateDialogBase::OnMessage(message);
    }
}

// ---- CForceUpdateWnd ------------------------------------------------------------------------

int CForceUpdateWnd::ShowForceUpdate(QWidget* parent, CHidDevice& link, const QString& mcuPackage,
                                     const std::string& mcuScript, const std::string& flashScript,
                                     CForceUpdateWnd** current) {
    auto* window = new CForceUpdateWnd(link, mcuPackage, mcuScript, flashScript);
    int finished = 0;
    window->mResult = &finished;  // the window deletes itself before the run returns
    if (current != nullptr) {
        *current = window;
    }
    const int code = tonvia::dialogs::RunModal(window, parent, QStringLiteral("forceupdatewnd"));
    if (current != nullptr) {
        *current = nullptr;
    }
    return finished != 0 ? 1 : code;
}

void CForceUpdateWnd::OnInit() {
    FindControl(QStringLiteral("mcu_file")).SetText(mMcuPackage);
    FindControl(QStringLiteral("flash_file"))
        .SetText(mFlashScript.empty() ? QString() : QString::fromStdString(mFlashScript));
    FindControl(QStringLiteral("mcu_progress")).SetValue(0);
    FindControl(QStringLiteral("flash_progress")).SetValue(0);
    tonvia::dialogs::FitWindowToContents(*this);
}

UiControl CForceUpdateWnd::ActiveBar() const {
    if (mKind == kMcu) {
        return FindControl(QStringLiteral("mcu_progress"));
    }
    if (mKind == kFlash) {
        return FindControl(QStringLiteral("flash_progress"));
    }
    return {};
}

void CForceUpdateWnd::ShowPercent(int percent) {
    if (mKind != kMcu && mKind != kFlash) {
        return;
    }
    ActiveBar().SetValue(percent);
    FindControl(QStringLiteral("update_tips"))
        .SetText(FormatPercent(
            mKind == kMcu ? "${update_progress_mcu}" : "${update_progress_flash}", percent));
}

int& CForceUpdateWnd::Ticks() {
    static int ticks = 0;
    return ticks;
}

void CForceUpdateWnd::EnableButtons(bool enabled) {
    for (const char* name : {"update_btn", "cancel_btn", "closebtn"}) {
        FindControl(QLatin1String(name)).SetEnabled(enabled);
    }
}

void CForceUpdateWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender.GetName() == QLatin1String("update_btn")) {
        BeginUpdate();
        return;
    }
    UpdateDialogBase::OnClick(msg);
}

void CForceUpdateWnd::BeginUpdate() {
    LogPrintA("%s\n", "CForceUpdateWnd::BeginUpdate");
    mLink.DisableQueue();
    UiControl tips = FindControl(QStringLiteral("update_tips"));
    if (mKind == kIdle && !FindControl(QStringLiteral("mcu_file")).GetText().isEmpty()) {
        mKind = kMcu;
        FindControl(QStringLiteral("mcu_progress")).SetValue(0);
        FindControl(QStringLiteral("flash_progress")).SetValue(0);
        EnableButtons(false);
        tips.SetText(QStringLiteral("${update_check_mcu}"));
    } else if (mKind == kMcu && !FindControl(QStringLiteral("flash_file")).GetText().isEmpty()) {
        mKind = kFlash;
        tips.SetText(QStringLiteral("${update_check_flash}"));
    } else {
        tips.SetText(QStringLiteral("${update_no_file}"));
        FindControl(QStringLiteral("mcu_progress")).SetValue(0);
        FindControl(QStringLiteral("flash_progress")).SetValue(0);
        return;
    }
    const Kind kind = mKind;
    const std::string script = kind == kMcu ? mMcuScript : mFlashScript;
    StartWorker([this, kind, script] {
        const InstallOutcome outcome = tonvia::firmware::RunDownloadScript(
            mLink, script, tonvia::firmware::kToolTimeLimit, [this, kind] {
                Post(kind == kMcu ? WM_UPG_START_MCU : WM_UPG_START_FLASH);
                Post(WM_UPG_PROGRESS_RESET, 1);
            });
        if (outcome == InstallOutcome::Done) {
            Post(WM_UPG_PROGRESS, 100);
        }
        Post(OutcomeMessage(outcome));
    });
}

void CForceUpdateWnd::Reconnect() {
    if (WorkerRunning()) {
        // The tool restarts the amplifier itself while it installs; its end decides.
        LogPrintA("force update: the device came back while the worker runs\n");
        return;
    }
    UiControl tips = FindControl(QStringLiteral("update_tips"));
    if (mKind == kMcu && !mFlashScript.empty()) {
        BeginUpdate();
        return;
    }
    if (mKind == kMcu || mKind == kFlash) {
        if (FindControl(QStringLiteral("check_box_facotry")).IsSelected()) {
            tips.SetText(QStringLiteral("${update_factory}"));
            ResetMcuFactoryDefault();
            return;
        }
        tips.SetText(QStringLiteral("${update_finish}"));
        EnableButtons(true);
        mKind = kIdle;
        // The update is complete: the connection reads the state again.
        mFinished = true;
        if (mResult != nullptr) {
            *mResult = 1;
        }
        return;
    }
    mFinished = true;
    if (mResult != nullptr) {
        *mResult = 1;
    }
    if (mKind == kFactory) {
        tips.SetText(QStringLiteral("${update_finish}"));
    }
    EnableButtons(true);
    mKind = kIdle;
}

void CForceUpdateWnd::ResetMcuFactoryDefault() {
    LogPrintA("CForceUpdateWnd::ResetMcuFactoryDefault\n");
    mKind = kFactory;
    StartWorker([this] {
        LogPrintA("Factory default thread start!\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        mLink.Factory_Default_Ctrl();
        Post(WM_DEVICE_REBOOT);
        LogPrintA("Factory default thread end!\n");
    });
}

void CForceUpdateWnd::OnMessage(WindowMessage& message) {
    UiControl tips = FindControl(QStringLiteral("update_tips"));
    switch (message.message) {
        case WM_DEVICE_REBOOT:
            tips.SetText(QStringLiteral("${update_factory_reboot}"));
            return;
        case WM_UPG_FAIL:
            KillTimer(kCreepTimer);
            tips.SetText(QStringLiteral("${please_update_again}"));
            FindControl(QStringLiteral("update_btn")).SetEnabled(true);
            mKind = kIdle;
            return;
        case WM_UPG_LOAD_FAIL:
            KillTimer(kCreepTimer);
            tips.SetText(QStringLiteral("${load_fw_fail}"));
            // Another try must stay possible.
            EnableButtons(true);
            mKind = kIdle;
            return;
        case WM_UPG_START_MCU:
            tips.SetText(QStringLiteral("${update_start_mcu}"));
            return;
        case WM_UPG_START_FLASH:
            tips.SetText(QStringLiteral("${update_start_flash}"));
            return;
        case WM_UPG_DONE:
            KillTimer(kCreepTimer);
            tips.SetText(QStringLiteral("${please_plug_out_and_in}"));
            return;
        default:
            UpdateDialogBase::OnMessage(message);
    }
}
