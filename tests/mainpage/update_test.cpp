// The firmware update dialogs over the connected main window and the virtual amplifier.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "firmware/upgrade.h"
#include "main_fixture.h"
#include "mainpage/update_wnds.h"
#include "sim/control.h"

namespace mainpage_testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An MCU update file for this model with a correct checksum.
std::string WriteMcuFile(const Bytes& payload) {
    Bytes file{1, 77, 0, 0, 0, 1};
    file.insert(file.end(), payload.begin(), payload.end());
    file.insert(file.end(), {0, 0, 0, 0});
    std::uint32_t sum = 0;
    for (const std::uint8_t b : file) {
        sum += b;
    }
    for (int shift = 24; shift >= 0; shift -= 8) {
        file.push_back(static_cast<std::uint8_t>(sum >> shift));
    }
    const auto path = std::filesystem::temp_directory_path() /
                      ("tonvia-upd-" + std::to_string(getpid()) + "-PVQ6_MCU_UPG.BIN");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return path.string();
}

class Updates : public MainWindowTest {
  protected:
    CMainWnd& OpenConnected() {
        amp->Plug();
        CMainWnd& main = Open();
        QElapsedTimer clock;
        clock.start();
        while (!main.Manager().Device().IsQueueEnabled() && clock.elapsed() < 5000) {
            Pump();
            QThread::msleep(2);
        }
        return main;
    }
    template <class Window>
    Window* Show(Window* window, CMainWnd& main) {
        EXPECT_TRUE(window->Create(main.GetWidget(), QStringLiteral("updatewnd")));
        window->ShowWindow();
        return window;
    }
    static void Click(WindowImplBase& window, const char* name) {
        window.FindControl(QLatin1String(name)).As<QAbstractButton>()->click();
    }
    // Runs the window until the dialog's worker has ended and its messages are shown.
    static void WaitFor(UpdateDialogBase& dialog, const std::function<void()>& each = {}) {
        QElapsedTimer clock;
        clock.start();
        while (dialog.WorkerRunning() && clock.elapsed() < 30000) {
            Pump();
            if (each) {
                each();
            }
            QThread::msleep(2);
        }
        Pump();
    }
    static QString Tips(WindowImplBase& window) {
        return window.FindControl(QStringLiteral("update_tips")).GetText();
    }
    // The amplifier's return after an update closes the dialog, as a connection does.
    static void CloseIfOpen(WindowImplBase* window, const QPointer<QWidget>& widget) {
        if (widget) {
            window->Close(0);
        }
        Pump();
    }
};

constexpr tonvia::firmware::UpgradeTimings kQuick{std::chrono::milliseconds(2000),
                                                  std::chrono::milliseconds(500),
                                                  std::chrono::milliseconds(100), 20};

TEST_F(Updates, AnUpdateFileChosenInTheDialogGoesOverTheLinkWhole) {
    CMainWnd& main = OpenConnected();
    Bytes payload(300);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<std::uint8_t>(i * 13 + 1);
    }
    const std::string path = WriteMcuFile(payload);
    auto* dialog = Show(new CUpdateFwWnd(main.Manager().Device(), {}), main);
    const QPointer<QWidget> shown = dialog->GetWidget();
    dialog->SetFileChooser([&] { return QString::fromStdString(path); });
    dialog->SetUpgradeTimings(kQuick);
    Click(*dialog, "file_btn");
    EXPECT_EQ(dialog->FindControl(QStringLiteral("file_path_edt")).GetText().toStdString(), path);
    Click(*dialog, "update_btn");
    EXPECT_FALSE(dialog->FindControl(QStringLiteral("update_btn")).IsEnabled());
    WaitFor(*dialog);
    EXPECT_EQ(Tips(*dialog), Tr("${please_plug_out_and_in}"));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("progress")).GetValue(), 100);
    EXPECT_TRUE(dialog->FindControl(QStringLiteral("update_btn")).IsEnabled());
    const auto state = amp->Snapshot();
    ASSERT_FALSE(state.images.empty());
    EXPECT_TRUE(state.images.back().finished);
    EXPECT_EQ(Bytes(state.images.back().bytes.begin(), state.images.back().bytes.begin() + 300),
              payload);
    CloseIfOpen(dialog, shown);
    std::filesystem::remove(path);
}

TEST_F(Updates, AnUnplugDuringTheTransferFailsAndLeavesTheBootLoader) {
    CMainWnd& main = OpenConnected();
    const std::string path = WriteMcuFile(Bytes(6400, 0x5A));
    auto* dialog =
        Show(new CUpdateFwWnd(main.Manager().Device(), QString::fromStdString(path)), main);
    const QPointer<QWidget> shown = dialog->GetWidget();
    dialog->SetUpgradeTimings(kQuick);
    amp->SetFullSpeed();  // slow enough to be caught in the middle
    Click(*dialog, "update_btn");
    WaitFor(*dialog, [&] {
        if (shown && dialog->FindControl(QStringLiteral("progress")).GetValue() >= 30 &&
            amp->IsPlugged()) {
            amp->Unplug();
        }
    });
    ASSERT_TRUE(shown);  // the removal does not close the dialog under its worker
    EXPECT_EQ(Tips(*dialog), Tr("${update_fail}"));
    EXPECT_TRUE(amp->Snapshot().bootLoaderMode);
    dialog->Close(0);
    Pump();
    std::filesystem::remove(path);
}

TEST_F(Updates, TheForcedUpdateWithoutAPackageSaysSo) {
    CMainWnd& main = OpenConnected();
    auto* dialog = Show(new CForceUpdateWnd(main.Manager().Device(), {}, {}, {}), main);
    Click(*dialog, "update_btn");
    EXPECT_EQ(Tips(*dialog), Tr("${update_no_file}"));
    EXPECT_EQ(dialog->CurrentKind(), CForceUpdateWnd::kIdle);
    dialog->Close(0);
    Pump();
}

// The whole forced update with the carried placeholder package and its tool: the offer,
// the install, the factory reset after the first return and the end after the second; the
// state is then read again and shows the new version.
TEST_F(Updates, TheForcedUpdateInstallsResetsAndReadsTheAmplifierAgain) {
    const std::string socket = (std::filesystem::temp_directory_path() /
                                ("tonvia-ctl-" + std::to_string(getpid()) + ".sock"))
                                   .string();
    tonvia::sim::ControlEndpoint control(*amp);
    ASSERT_TRUE(control.Start(socket));
    setenv(tonvia::sim::kControlEnvironment, socket.c_str(), 1);
    amp->SetFirmwareVersion(2, 27);
    amp->Edit([](tonvia::sim::DeviceState& d) { d.scenes[0].trimHundredths[0] = 1500; });
    hooks.askBox = [](WindowImplBase&, const QString&) { return true; };
    bool started = false;
    bool closed = false;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* force = dynamic_cast<CForceUpdateWnd*>(WindowImplBase::FromWidget(widget));
            if (force == nullptr || !widget->isVisible()) {
                continue;
            }
            if (!started) {
                started = true;
                force->FindControl(QStringLiteral("check_box_facotry")).Selected(true);
                Click(*force, "update_btn");
            } else if (force->Finished() && !closed) {
                closed = true;
                EXPECT_EQ(Tips(*force), Tr("${update_finish}"));
                Click(*force, "closebtn");
            }
        }
    });
    driver.start();
    CMainWnd& main = OpenConnected();
    QElapsedTimer clock;
    clock.start();
    while (!(closed && main.Manager().Device().IsQueueEnabled()) && clock.elapsed() < 60000) {
        Pump();
        QThread::msleep(5);
    }
    unsetenv(tonvia::sim::kControlEnvironment);
    EXPECT_TRUE(started);
    EXPECT_TRUE(closed);
    EXPECT_EQ(main.Manager().Live().slaveVersion, 28);
    EXPECT_EQ(amp->Snapshot().slaveVersion, 28);
    EXPECT_EQ(amp->Snapshot().scenes[0].trimHundredths[0], 0);  // the factory reset ran
}

}  // namespace
}  // namespace mainpage_testing
