#pragma once
// The about box: the connected amplifier's model and firmware, this program's version and
// the firmware it carries, and a link to the maker's web site.

#include <QString>

#include "ui/window_impl_base.h"

class QWidget;
struct SceneConfig;

// What the about box shows of the amplifier (the live record's identity).
struct AboutDeviceInfo {
    int model = -1;  // -1: no device
    int mainVersion = 0;
    int slaveVersion = 0;
};

class CAboutWnd : public DialogImplBase {
  public:
    explicit CAboutWnd(AboutDeviceInfo device);

    QString ClassName() const override { return QStringLiteral("AboutWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_ABOUT"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;

    static int ShowAbout(QWidget* parent, const AboutDeviceInfo& device);
    static int ShowAbout(QWidget* parent, const SceneConfig& live);

    // The texts of the version controls, with the language texts looked up.
    static QString FirmwareText(const AboutDeviceInfo& device);
    static QString SoftwareText();
    static QString InnerFirmwareText();

  private:
    AboutDeviceInfo mDevice;
};
