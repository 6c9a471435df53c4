#include "dialogs/about_wnd.h"

#include <QDesktopServices>
#include <QUrl>

#include "dialogs/dialog_common.h"
#include "model/product.h"
#include "model/scene_config.h"
#include "platform/log.h"
#include "ui/skin_resources.h"

using tonvia::ui::Translate;

CAboutWnd::CAboutWnd(AboutDeviceInfo device) : mDevice(device) {}

QString CAboutWnd::FirmwareText(const AboutDeviceInfo& device) {
    if (device.model == -1) {
        return QStringLiteral("%1 ").arg(QString::fromLatin1(MODEL_NAME));
    }
    return QStringLiteral("%1 %2 v%3.%4")
        .arg(QString::fromLatin1(MODEL_NAME), Translate(QStringLiteral("${version}")))
        .arg(device.mainVersion)
        .arg(device.slaveVersion);
}

QString CAboutWnd::SoftwareText() {
    return QStringLiteral("%1 %2").arg(Translate(QStringLiteral("${soft_version}")),
                                       QString::fromLatin1(VERSION));
}

QString CAboutWnd::InnerFirmwareText() {
    return QStringLiteral("%1 v%2.%3")
        .arg(Translate(QStringLiteral("${inner_fw_version}")))
        .arg(INNER_FW_MAJOR)
        .arg(INNER_FW_MINOR);
}

void CAboutWnd::OnInit() {
    UiControl firmware = FindControl(QStringLiteral("fw_version"));
    firmware.SetText(FirmwareText(mDevice));
    if (mDevice.model != -1) {
        firmware.SetVisible(true);
    }
    FindControl(QStringLiteral("soft_version")).SetText(SoftwareText());
    UiControl inner = FindControl(QStringLiteral("inner_fw_version"));
    inner.SetText(InnerFirmwareText());
    inner.SetVisible(true);
    UiControl company = FindControl(QStringLiteral("company_title"));
    company.SetText(QStringLiteral("KR DSP Audio"));
    company.SetVisible(false);
    tonvia::dialogs::FitWindowToContents(*this);
}

void CAboutWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender.GetName() == QLatin1String("web_btn")) {
        const QString address = msg.pSender.GetText().trimmed();
        if (!address.isEmpty() && !QDesktopServices::openUrl(QUrl::fromUserInput(address))) {
            LogPrintA("cannot open %s\n", address.toUtf8().constData());
        }
        return;
    }
    DialogImplBase::OnClick(msg);
}

int CAboutWnd::ShowAbout(QWidget* parent, const AboutDeviceInfo& device) {
    return tonvia::dialogs::RunModal(new CAboutWnd(device), parent, QStringLiteral("msgwnd"));
}

int CAboutWnd::ShowAbout(QWidget* parent, const SceneConfig& live) {
    return ShowAbout(parent, AboutDeviceInfo{live.model, live.mainVersion, live.slaveVersion});
}
