// The calibration dialog against the virtual amplifier's calibration sequence: blocked
// channels, the option warning, a whole run with its data, keep and discard, and the
// handle cleared on close.
#include "mainpage/auto_cal_wnd.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <functional>

#include "commands/command_codes.h"
#include "sim/virtual_amplifier.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace {

using tonvia::sim::DeviceState;

class AutoCal : public ::testing::Test {
  protected:
    AutoCal() : session(amp, tonvia::ui::WindowRegistry::Instance()) {
        auto& skin = tonvia::ui::SkinResources::Instance();
        QString error;
        if (!skin.IsLoaded()) {
            EXPECT_TRUE(skin.LoadEmbeddedPackage(&error)) << error.toStdString();
        }
        session.Link().OpenHIDDevice();
        session.Link().EnableQueue();
        SceneConfig& live = session.Model().live;
        live.outputs = {1, 7, 2, 8, 22, 0};
        live.bridgeOutputs = {0, 1, 0};
    }
    ~AutoCal() override { session.Link().CloseHIDDevice(false); }

    CAutoCalWnd* Make() {
        auto* dialog = new CAutoCalWnd(session);
        dialog->SetTimings({std::chrono::milliseconds(5)});
        dialog->SetBoxes([this](const QString& text) { notices.push_back(text); },
                         [this](const QString& text) {
                             notices.push_back(text);
                             return false;
                         });
        EXPECT_TRUE(dialog->Create(nullptr, QStringLiteral("AutoCalWnd")));
        return dialog;
    }
    static void Click(CAutoCalWnd& dialog, const char* name) {
        dialog.FindControl(QLatin1String(name)).As<QAbstractButton>()->click();
    }
    static bool PumpUntil(const std::function<bool()>& done, int ms = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        QCoreApplication::processEvents();
        return done();
    }
    int IrcRequests(std::uint8_t code, std::uint8_t optype) {
        int count = 0;
        for (const auto& r : amp.Requests()) {
            count += r.subcmd == code && r.optype == optype ? 1 : 0;
        }
        return count;
    }
    QString Tips(CAutoCalWnd& dialog) {
        return dialog.FindControl(QStringLiteral("tips")).GetText();
    }

    tonvia::sim::VirtualAmplifier amp;
    tonvia::tuning::Session session;
    QStringList notices;
};

TEST_F(AutoCal, BlocksChannelsWarnsWithoutPartsAndRunsToAKeptResult) {
    CAutoCalWnd* dialog = Make();
    dialog->ShowWindow();
    auto box = [&](int ch) { return dialog->FindControl(QString::asprintf("ch_checkbox_%d", ch)); };
    EXPECT_TRUE(box(2).IsEnabled());
    EXPECT_FALSE(box(3).IsEnabled());  // second half of a bridged pair
    EXPECT_FALSE(box(3).IsSelected());
    EXPECT_FALSE(box(4).IsEnabled());  // subwoofer
    EXPECT_EQ(box(4).GetToolTip(),
              tonvia::ui::Translate(QStringLiteral("${irc_subwoof_not_test}")));
    EXPECT_FALSE(box(5).IsEnabled());  // empty

    for (const char* part : {"irc_eq", "irc_delay", "irc_phase"}) {
        dialog->FindControl(QLatin1String(part)).Selected(false);
    }
    Click(*dialog, "start_auto_cal");
    EXPECT_EQ(notices, QStringList{QStringLiteral("${irc_option_warning_tips}")});
    EXPECT_FALSE(dialog->Running());
    dialog->FindControl(QStringLiteral("irc_eq")).Selected(true);

    Click(*dialog, "irc_save_data");  // nothing to keep yet
    EXPECT_EQ(Tips(*dialog), tonvia::ui::Translate(QStringLiteral("${irc_start_tips}")));
    box(1).Selected(false);
    box(2).Selected(false);
    amp.ClearRequests();
    Click(*dialog, "start_auto_cal");
    EXPECT_FALSE(dialog->FindControl(QStringLiteral("closebtn")).IsEnabled());
    ASSERT_TRUE(PumpUntil([&] { return !dialog->Running(); }));
    ASSERT_TRUE(
        PumpUntil([&] { return dialog->FindControl(QStringLiteral("closebtn")).IsEnabled(); }));
    EXPECT_EQ(amp.Snapshot().calibration.channelMask, 0x1);
    EXPECT_EQ(amp.Snapshot().calibration.module, 1);
    EXPECT_EQ(IrcRequests(DSP_IRC_SPECTRUM, OP_GET), 14);
    EXPECT_EQ(IrcRequests(DSP_IRC_EQ, OP_GET), 2);
    EXPECT_EQ(Tips(*dialog), tonvia::ui::Translate(QStringLiteral("${irc_completed}")));
    EXPECT_NE(dialog->Data().points[0][120].gain, 0.0f);
    EXPECT_EQ(dialog->Data().bands[0][10].freq, 20000);

    // A record past the tables is dropped, not stored.
    IrcEqRec stray;
    stray.channel = 6;
    stray.band = 40;
    tonvia::tuning::CalibrationData data;
    EXPECT_FALSE(data.Store(stray));

    Click(*dialog, "irc_save_data");
    Click(*dialog, "irc_save_data");  // decided already
    EXPECT_TRUE(PumpUntil([&] { return session.Link().IsQueueIdle(); }));
    EXPECT_EQ(amp.Snapshot().calibration.lastDecision, 2);
    EXPECT_EQ(Tips(*dialog), tonvia::ui::Translate(QStringLiteral("${irc_start_tips}")));
    Click(*dialog, "closebtn");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(session.Link().mCalWnd.load(), kNoWindow);
}

TEST_F(AutoCal, ClosingAfterAStoppedRunDiscardsAndReturnsZero) {
    CAutoCalWnd* dialog = Make();
    QTimer::singleShot(0, [&] {
        Click(*dialog, "start_auto_cal");
        PumpUntil([&] { return amp.Snapshot().calibration.step >= 3; });
        Click(*dialog, "start_auto_cal");
        EXPECT_EQ(Tips(*dialog), tonvia::ui::Translate(QStringLiteral("${irc_stoped}")));
        Click(*dialog, "closebtn");
    });
    EXPECT_EQ(dialog->ShowModal(), 0);
    EXPECT_TRUE(notices.isEmpty());  // nothing to keep: no question
    EXPECT_TRUE(PumpUntil([&] { return session.Link().IsQueueIdle(); }));
    const DeviceState d = amp.Snapshot();
    EXPECT_FALSE(d.calibration.running);
    EXPECT_EQ(d.calibration.lastDecision, 3);
}

}  // namespace
