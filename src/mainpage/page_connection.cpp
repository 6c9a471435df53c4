// The connection life cycle on the page: the connect button, opening and closing the
// amplifier, the state read on a worker thread, plug-in and plug-out, the firmware check's
// messages and the factory default. The rules live in tuning/connection; the worker only
// talks to the device and posts, and every control, box and timer is touched on the UI
// thread.
#include <chrono>

#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "mainpage/update_wnds.h"
#include "model/product.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "ui/skin_resources.h"
#include "ui/window_impl_base.h"
#include "ui/window_registry.h"

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr auto kCurvePause = std::chrono::milliseconds(1000);

}  // namespace

EqualizerManager::~EqualizerManager() {
    StopWorker();
}

bool EqualizerManager::UpgradeRunning() const {
    const std::uint32_t status = mSession.Link().sys_upg_status.load();
    return status == UPG_ENTER || status == UPG_START;
}

void EqualizerManager::ShowConnectState(ConnectState state) {
    UiControl button = Find(QStringLiteral("btnConnect"));
    if (!button) {
        return;
    }
    switch (state) {
        case ConnectState::Disconnected:
            button.SetText(QStringLiteral("${btn_disconnected}"));
            button.Selected(false, false);
            button.SetTextColor(kRed);
            return;
        case ConnectState::Connecting:
            button.SetText(QStringLiteral("${btn_connecting}"));
            button.Selected(false, false);
            button.SetTextColor(kRed);
            return;
        case ConnectState::Connected:
            button.SetText(QStringLiteral("${btn_connected}"));
            button.Selected(true, false);
            button.SetTextColor(kWhite);
            return;
    }
}

void EqualizerManager::PostToWindow(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (mWindow != nullptr) {
        tonvia::ui::PostMessageTo(mWindow->GetHWND(), message, wParam, lParam);
    }
}

void EqualizerManager::StartWorker(std::function<void()> body) {
    StopWorker();
    mStopWorker = false;
    mWorkerRunning = true;
    mWorker = std::thread([this, body = std::move(body)] {
        body();
        mWorkerRunning = false;
    });
}

void EqualizerManager::RequestWorkerStop() {
    {
        std::lock_guard lock(mPauseMutex);
        mStopWorker = true;
    }
    mPauseWake.notify_all();
}

void EqualizerManager::StopWorker() {
    RequestWorkerStop();
    if (mWorker.joinable()) {
        mWorker.join();
    }
}

bool EqualizerManager::PauseWorker(std::chrono::milliseconds duration) {
    std::unique_lock lock(mPauseMutex);
    return !mPauseWake.wait_for(lock, duration, [this] { return mStopWorker.load(); });
}

void EqualizerManager::ConnectDevice(bool showError) {
    if (UpgradeRunning()) {
        return;
    }
    CHidDevice& link = Device();
    if (link.IsConnected()) {
        DisconnectDevice();
        return;
    }
    // A state read still running belongs to a device that is gone.
    StopWorker();
    link.OpenHIDDevice();
    if (!link.IsConnected()) {
        LogPrintA("Can not conect usb devices, please connect devices again!\n");
        // A missing permission is worth saying even at start: connecting again cannot help.
        const std::string denied = tonvia::tuning::DeniedDeviceNode(link.Backend());
        if (!denied.empty()) {
            LogPrintA("no permission to open %s\n", denied.c_str());
            if (mHooks.showBox) {
                // One command per line, so that the box need not be wider than the screen.
                const QString command =
                    QLatin1String(tonvia::tuning::kUdevRuleInstallCommand)
                        .toString()
                        .replace(QStringLiteral(" && "), QStringLiteral(" &&\n"));
                QString text = tonvia::ui::Translate(QStringLiteral("${device_permission_tips}"));
                for (const QString& value : {QString::fromStdString(denied), command}) {
                    const qsizetype at = text.indexOf(QStringLiteral("%s"));
                    if (at >= 0) {
                        text.replace(at, 2, value);
                    }
                }
                mHooks.showBox(text);
            }
        } else if (showError && mHooks.showBox) {
            mHooks.showBox(QStringLiteral("${device_connect_fail}"));
        }
        ShowConnectState(ConnectState::Disconnected);
        return;
    }
    mDevicePath = link.OpenPath();
    if (mHooks.closeDeviceDialogs) {
        mHooks.closeDeviceDialogs();
    }
    if (mHooks.closeUpdateDialog) {
        mHooks.closeUpdateDialog();
    }
    LogPrintA("Connect OK\xEF\xBC\x81\n");
    ShowConnectState(ConnectState::Connecting);
    if (!tonvia::mainpage::NoForceUpdate() && mForcedUpdate && mForceWnd != nullptr) {
        // Back in the middle of the forced update: its dialog takes the next step.
        ShowConnectState(ConnectState::Connected);
        mForceWnd->Reconnect();
        return;
    }
    StartStateRead();
}

void EqualizerManager::StartStateRead() {
    Device().DisableQueue();
    PostToWindow(WM_SHOW_LOADING);
    const auto plan = tonvia::tuning::PlanStateRead(Model());
    StartWorker([this, plan] { ReadMcuValueThread(plan); });
}

void EqualizerManager::ReadMcuValueThread(tonvia::tuning::StateReadPlan plan) {
    using tonvia::tuning::DeviceKind;
    LogPrintA("Read mcu value thread start!\n");
    const int status = tonvia::tuning::PC_UI_Status_Init(mSession, plan, &mStopWorker);
    if (mStopWorker.load()) {
        // Whoever stopped the read owns the connection now: a late message from here
        // could only disturb the next one.
        PostToWindow(WM_CLOSE_LOADING);
        return;
    }
    if (status == -1) {
        PostToWindow(WM_CLOSE_LOADING);
        PostToWindow(WM_CONNECT_FAIL);
        PostToWindow(WM_SET_DISCONNECTED);
        return;
    }
    const DeviceKind kind = tonvia::tuning::JudgeHandshake(Device());
    // The curves are drawn by the UI thread when WM_SET_CONNECTED arrives; the pause lets
    // the last reports of a state read reach the model first.
    if (kind == DeviceKind::ThisModel && !PauseWorker(kCurvePause)) {
        PostToWindow(WM_CLOSE_LOADING);
        return;
    }
    if (kind == DeviceKind::ForeignModel) {
        // The handshake report has shown "${device_not_match}"; a foreign device gets no
        // queue and is closed on the UI thread.
        PostToWindow(WM_CLOSE_LOADING);
        PostToWindow(WM_SET_DISCONNECTED);
        LogPrintA("Read mcu value thread end!\n");
        return;
    }
    PostToWindow(WM_SET_CONNECTED);
    PostToWindow(WM_CLOSE_LOADING);
    LogPrintA("Read mcu value thread end!\n");
}

void EqualizerManager::OnConnected() {
    using tonvia::tuning::FirmwareAge;
    CHidDevice& link = Device();
    if (UpgradeRunning() || link.mcu_is_normal_mode.load() == 0) {
        return;
    }
    if (!link.IsConnected() || Live().model == kNoModel) {
        DisconnectDevice();
        return;
    }
    ShowConnectState(ConnectState::Connected);
    link.EnableQueue();
    HistoryForDevice(mDevicePath);
    // All six curves from the state just read (flat EQ for a bypassed channel).
    UpdateEqualizer(-1);
    // The version check follows the connected state; its boxes come as their own messages.
    switch (tonvia::tuning::CompareFirmware(Live().mainVersion, Live().slaveVersion)) {
        case FirmwareAge::Same:
            break;
        case FirmwareAge::DeviceNewer:
            PostToWindow(WM_DSP_FW_NEWER);
            break;
        case FirmwareAge::DeviceOlder:
            if (!tonvia::mainpage::NoForceUpdate()) {
                PostToWindow(WM_FORCE_UPDATE);
            }
            break;
    }
}

void EqualizerManager::DisconnectDevice() {
    if (UpgradeRunning()) {
        return;
    }
    if (mHooks.closeDeviceDialogs) {
        mHooks.closeDeviceDialogs();
    }
    CHidDevice& link = Device();
    link.DisableQueue();
    link.CloseHIDDevice(true);
    mDevicePath.clear();
    ShowConnectState(ConnectState::Disconnected);
    Live().model = kNoModel;
    link.model.store(kNoModel);
}

void EqualizerManager::DevicePlugin(const std::string& path) {
    LogPrintA("DevicePlugin\n");
    if (UpgradeRunning()) {
        LogPrintA("sys_upg_status UPG_ENTER or UPG_START\n");
        return;
    }
    (void)path;
    // An arrival while connected is another device, or this one announced twice: the
    // connection stays.
    if (Device().IsConnected()) {
        return;
    }
    ConnectDevice(false);
}

void EqualizerManager::DevicePlugOut(const std::string& path) {
    LogPrintA("DevicePlugOut\n");
    if (UpgradeRunning()) {
        LogPrintA("sys_upg_status UPG_ENTER or UPG_START\n");
        return;
    }
    // Only the removal of the open device ends the connection.
    if (!Device().IsConnected() || (!mDevicePath.empty() && path != mDevicePath)) {
        return;
    }
    // Closing the link first ends a request the worker waits on; then it is joined.
    RequestWorkerStop();
    DisconnectDevice();
    StopWorker();
    if (!mForcedUpdate && !mMenuUpdate) {
        LogPrintA("DisconnectMsgThread start!\n");
        PostToWindow(WM_SHOW_PLUGOUT);
        LogPrintA("DisconnectMsgThread end!\n");
    }
}

void EqualizerManager::ResetMcuFactoryDefault() {
    LogPrintA("%s\n", "EqualizerManager::ResetMcuFactoryDefault");
    if (!mHooks.askBox || !mHooks.askBox(QStringLiteral("${factory_default_tips}"))) {
        return;
    }
    PostToWindow(WM_SHOW_LOADING);
    StartWorker([this] { FactoryDefaultThread(); });
}

void EqualizerManager::FactoryDefaultThread() {
    LogPrintA("Factory default thread start!\n");
    tonvia::tuning::FactoryDefault(mSession);
    PostToWindow(WM_DEVICE_REBOOT);
    LogPrintA("Factory default thread end!\n");
}
