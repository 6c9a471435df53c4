// The connection life cycle end to end: the main window against the virtual amplifier.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <optional>

#include "commands/command_codes.h"
#include "link/mcu_records.h"
#include "main_fixture.h"
#include "ui/window_registry.h"

namespace mainpage_testing {
namespace {

using namespace std::chrono_literals;

class Connection : public MainWindowTest {
  protected:
    QString ButtonText() { return window->FindControl(QStringLiteral("btnConnect")).GetText(); }
    bool Connected() { return window->FindControl(QStringLiteral("btnConnect")).IsSelected(); }
    // Runs the window until `done` holds or 5 s have passed.
    template <class Done>
    bool PumpUntil(Done done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 5000) {
            Pump();
            QThread::msleep(2);
        }
        return done();
    }
    CMainWnd& OpenConnected() {
        amp->Plug();
        CMainWnd& main = Open();
        EXPECT_TRUE(PumpUntil([this] { return Connected(); }));
        return main;
    }
    // The last system-family request with this code the amplifier saw.
    std::optional<tonvia::sim::Request> LastMcu(std::uint8_t code) {
        std::optional<tonvia::sim::Request> found;
        for (const auto& request : amp->Requests()) {
            if (request.type == CMD_MCU && request.subcmd == code) {
                found = request;
            }
        }
        return found;
    }
};

TEST_F(Connection, WithoutADeviceTheStartIsQuietAndTheButtonComplains) {
    CMainWnd& main = Open();
    Pump();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ButtonText(), Tr("${btn_disconnected}"));
    main.FindControl(QStringLiteral("btnConnect")).As<QAbstractButton>()->click();
    Pump();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("${device_connect_fail}"));
}

TEST_F(Connection, TheStateReadFillsTheModelAndTheButtonThenPressingItDisconnects) {
    amp->Edit([](tonvia::sim::DeviceState& s) { s.mainVolume = -23; });
    CMainWnd& main = OpenConnected();
    EXPECT_EQ(ButtonText(), Tr("${btn_connected}"));
    EXPECT_EQ(main.Manager().Live().model, 77);
    EXPECT_EQ(main.Manager().Live().mainVolume, -23);
    EXPECT_TRUE(main.Manager().Device().IsQueueEnabled());
    EXPECT_TRUE(boxes.empty());

    amp->ClearRequests();
    main.FindControl(QStringLiteral("btnConnect")).As<QAbstractButton>()->click();
    Pump();
    EXPECT_FALSE(main.Manager().Device().IsConnected());
    EXPECT_EQ(ButtonText(), Tr("${btn_disconnected}"));
    EXPECT_EQ(main.Manager().Live().model, -1);
    const auto leaving = LastMcu(MCU_PC_CONNECT);  // PC-connect 0 went out before the close
    ASSERT_TRUE(leaving);
    EXPECT_EQ(leaving->data, (tonvia::sim::Bytes{0}));
}

TEST_F(Connection, TheReadShowsTheAmplifierOnThePage) {
    amp->Edit([](tonvia::sim::DeviceState& s) {
        s.mainVolume = -23;
        s.scenes[0].trimHundredths[2] = 1250;  // -12.5 dB
        s.scenes[0].delayThousandths[3] = 1500;
        s.scenes[0].mute[1] = 1;
        s.scenes[0].eq[0][5].gainTenths = 220;  // +4.0 dB
        s.scenes[0].highPass[0] = {2, 120, 4};
    });
    CMainWnd& main = OpenConnected();
    auto text = [&](const char* name) {
        return main.FindControl(QString::fromLatin1(name)).GetText();
    };
    EXPECT_EQ(text("edit_main_volume"), QStringLiteral("-23dB"));
    EXPECT_EQ(text("edit_ch_volume_2"), QStringLiteral("-12.5dB"));
    EXPECT_EQ(main.FindControl(QStringLiteral("slider_ch_volume_2")).GetValue(), -125);
    EXPECT_EQ(main.FindControl(QStringLiteral("slider_ch_delay_3")).GetValue(), 1500);
    EXPECT_TRUE(text("edit_ch_delay_3").startsWith(QStringLiteral("1.500")));
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_mute_1")).IsSelected());
    EXPECT_EQ(text("eq_gain_5"), QStringLiteral("4.0"));
    EXPECT_EQ(text("hp_freq"), QStringLiteral("120Hz"));
}

TEST_F(Connection, TheFirmwareVersionDecidesTheMessage) {
    struct Case {
        std::uint8_t main, slave;
        const char* handler;  // nullptr: no message
    };
    for (const Case& c : {Case{2, 28, nullptr}, Case{2, 30, "DspFwNewer"}, Case{3, 0, "DspFwNewer"},
                          Case{2, 27, "ForceUpdate"}, Case{1, 99, "ForceUpdate"}}) {
        SCOPED_TRACE(testing::Message() << int(c.main) << "." << int(c.slave));
        amp->SetFirmwareVersion(c.main, c.slave);
        CMainWnd& main = OpenConnected();
        Pump();
        const auto& log = main.HandledLog();
        const bool newer =
            !boxes.empty() && boxes.back().contains(QStringLiteral("%1").arg(c.slave));
        const bool force = std::find(log.begin(), log.end(), "ForceUpdate") != log.end();
        EXPECT_EQ(newer, c.handler != nullptr && std::string(c.handler) == "DspFwNewer");
        EXPECT_EQ(force, c.handler != nullptr && std::string(c.handler) == "ForceUpdate");
        boxes.clear();
        Close();
        amp->Unplug();
    }
}

TEST_F(Connection, AForeignModelIsTurnedAwayAndTheBootLoaderOffersTheUpdate) {
    amp->SetModel(76);
    amp->Plug();
    Open();
    EXPECT_TRUE(PumpUntil([this] { return !boxes.empty(); }));
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0], Tr("${device_not_match}") + QStringLiteral(" 76"));
    EXPECT_TRUE(PumpUntil([this] { return !window->Manager().Device().IsConnected(); }));
    EXPECT_FALSE(window->Manager().Device().IsQueueEnabled());
    Close();
    boxes.clear();

    amp->SetModel(77);
    amp->SetBootLoaderMode(true);
    Open();
    EXPECT_TRUE(PumpUntil([this] { return !boxes.empty(); }));
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0], QStringLiteral("${device_status_unnormal}"));
    EXPECT_EQ(updateDialogs, 1);  // the update dialog follows the notice
}

TEST_F(Connection, UnplugNoticesAndReplugConnectsAgain) {
    CMainWnd& main = OpenConnected();
    amp->Unplug();
    EXPECT_TRUE(PumpUntil([this] { return !boxes.empty(); }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("${device_plugout}"));
    EXPECT_FALSE(main.Manager().Device().IsConnected());
    EXPECT_EQ(ButtonText(), Tr("${btn_disconnected}"));
    amp->Plug();
    EXPECT_TRUE(PumpUntil([this] { return Connected(); }));
}

TEST_F(Connection, AnUnplugInTheMiddleOfTheReadEndsDisconnected) {
    amp->SetFullSpeed();
    amp->Plug();
    CMainWnd& main = Open();
    PumpUntil([this] { return window->Manager().WorkerRunning(); });
    amp->Unplug();
    EXPECT_TRUE(PumpUntil(
        [&] { return !main.Manager().WorkerRunning() && !main.Manager().Device().IsConnected(); }));
    Pump();
    EXPECT_EQ(ButtonText(), Tr("${btn_disconnected}"));
    EXPECT_FALSE(main.Manager().Device().IsQueueEnabled());
}

TEST_F(Connection, ClosingInTheMiddleOfTheReadEndsPromptly) {
    amp->SetFullSpeed();  // about half a second of round trips
    amp->Plug();
    Open();
    QElapsedTimer clock;
    clock.start();
    // The read runs on its worker; the window closes under it.
    PumpUntil([this] { return window->Manager().WorkerRunning(); });
    window->SendSystemCommand(SC_CLOSE);
    Close();
    EXPECT_LT(clock.elapsed(), 3000);
}

}  // namespace
}  // namespace mainpage_testing
