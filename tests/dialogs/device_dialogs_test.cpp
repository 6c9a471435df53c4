// The dialogs that talk to the amplifier, against the virtual amplifier: the noise
// threshold, the memory read/write and the power-off delay.
#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <chrono>

#include "commands/command_codes.h"
#include "dialog_fixture.h"
#include "dialogs/ktv_wnd.h"
#include "dialogs/mem_wr_wnd.h"
#include "dialogs/noise_threshold_wnd.h"
#include "dialogs/poweroff_delay_wnd.h"
#include "model/scene_config.h"
#include "platform/settings.h"
#include "tuning/session.h"

namespace {

using namespace dialog_testing;

class NoiseThreshold : public DeviceDialogTest {
  protected:
    std::unique_ptr<CNoiseThresholdWnd> OpenWith(int stored, int source = 0) {
        live.inputThreshold = stored;
        live.inputSource = source;
        return Open(std::make_unique<CNoiseThresholdWnd>(link, live), QStringLiteral("msgwnd"));
    }
    static QLineEdit* Edit(const CNoiseThresholdWnd& dialog) {
        return dialog.FindControl(QStringLiteral("value_edt")).As<QLineEdit>();
    }
    SceneConfig live;
};

struct StepCase {
    const char* name;
    int stored;
    // Typed text committed with Enter, or empty to press the key below in the edit.
    const char* typed;
    Qt::Key key;
    const char* shown;
    int value;
};

class NoiseThresholdSteps : public NoiseThreshold,
                            public ::testing::WithParamInterface<StepCase> {};

TEST_P(NoiseThresholdSteps, ShowStoreAndSendTheClampedValue) {
    const StepCase& c = GetParam();
    auto dialog = OpenWith(c.stored);
    QLineEdit* edit = Edit(*dialog);
    if (*c.typed != '\0') {
        edit->clear();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        QTest::keyClick(edit, Qt::Key_Return);
    } else {
        QTest::keyClick(edit, c.key);
    }
    EXPECT_EQ(edit->text(), QString::fromUtf8(c.shown));
    EXPECT_EQ(live.inputThreshold, c.value);
    ASSERT_TRUE(WaitForQueue());
    EXPECT_TRUE(WaitFor([&] { return amp.Snapshot().inputThreshold == c.value; }))
        << int(amp.Snapshot().inputThreshold);
    EXPECT_EQ(edit->selectedText(), edit->text());  // ready for the next value
}

INSTANTIATE_TEST_SUITE_P(
    Values, NoiseThresholdSteps,
    ::testing::Values(StepCase{"UpFromOff", -61, "", Qt::Key_Up, "-60dBu", -60},
                      StepCase{"UpFromStoredBelowRange", -75, "", Qt::Key_Up, "-60dBu", -60},
                      StepCase{"UpAtTheTop", -40, "", Qt::Key_Up, "-40dBu", -40},
                      StepCase{"DownToOff", -60, "", Qt::Key_Down, "Off", -61},
                      StepCase{"TypedBelowRange", -50, "-100", Qt::Key_unknown, "Off", -61},
                      StepCase{"TypedWithUnit", -61, "-45dBu", Qt::Key_unknown, "-45dBu", -45},
                      StepCase{"TypedOffWord", -45, "off", Qt::Key_unknown, "Off", -61},
                      StepCase{"TypedNoNumber", -45, "abc", Qt::Key_unknown, "-40dBu", -40}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NoiseThreshold, OpensShowingOffForStoredValuesBelowTheRange) {
    auto dialog = OpenWith(-70);
    EXPECT_EQ(Edit(*dialog)->text(), QStringLiteral("Off"));
    EXPECT_EQ(live.inputThreshold, -70);  // nothing changes until the user does
}

TEST_F(NoiseThreshold, ShowsOnlyTheInputsOfTheCurrentSource) {
    auto dialog = OpenWith(-50, /*high level*/ 5);
    EXPECT_EQ(dialog->InputCount(), 4);
    for (int i = 0; i < CNoiseThresholdWnd::kMeterSlots; ++i) {
        const bool shown = i < 4;
        EXPECT_EQ(dialog->FindControl(QString::asprintf("in_%d", i)).IsVisible(), shown) << i;
        EXPECT_EQ(dialog->FindControl(QString::asprintf("prg_group_%d", i)).IsVisible(), shown)
            << i;
        EXPECT_EQ(dialog->FindControl(QString::asprintf("progress_%d", i)).GetValue(), -100) << i;
    }
}

TEST_F(NoiseThreshold, PollsTheInputNoiseAndShowsEachLevel) {
    amp.Edit([](tonvia::sim::DeviceState& state) {
        state.inputNoiseTenths = {-555, -723, -100, -999};
    });
    auto dialog = OpenWith(-50, 5);
    EXPECT_EQ(link.mDialogWnd.load(), dialog->GetHWND());
    EXPECT_TRUE(dialog->HasTimer(CNoiseThresholdWnd::kPollTimerId));
    UiControl second = dialog->FindControl(QStringLiteral("prg_group_1"));
    ASSERT_TRUE(WaitFor([&] { return second.GetText() == QStringLiteral(" -72.3"); }))
        << second.GetText().toStdString();
    EXPECT_EQ(dialog->FindControl(QStringLiteral("prg_group_0")).GetText(),
              QStringLiteral(" -55.5"));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("progress_0")).GetValue(), -56);
    EXPECT_EQ(dialog->FindControl(QStringLiteral("progress_3")).GetValue(), -100);

    dialog->FindControl(QStringLiteral("confirm_btn")).As<QAbstractButton>()->click();
    EXPECT_FALSE(dialog->HasTimer(CNoiseThresholdWnd::kPollTimerId));
    EXPECT_TRUE(dialog->IsClosing());
}

TEST_F(NoiseThreshold, DoesNotPollWithoutADevice) {
    link.CloseHIDDevice(false);
    auto dialog = OpenWith(-50, 5);
    EXPECT_FALSE(dialog->HasTimer(CNoiseThresholdWnd::kPollTimerId));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("progress_0")).GetValue(), -100);
}

TEST_F(NoiseThreshold, WithdrawsItsRegistrationWhenGone) {
    auto dialog = OpenWith(-50);
    ASSERT_NE(link.mDialogWnd.load(), kNoWindow);
    dialog.reset();
    EXPECT_EQ(link.mDialogWnd.load(), kNoWindow);
}

class MemoryDialog : public DeviceDialogTest {
  protected:
    std::unique_ptr<CMemWrWnd> OpenIt() {
        return Open(std::make_unique<CMemWrWnd>(link), QStringLiteral("memwrwnd"));
    }
    static void Type(const CMemWrWnd& dialog, const char* edit, const char* text) {
        auto* line = dialog.FindControl(QString::fromLatin1(edit)).As<QLineEdit>();
        line->clear();
        QTest::keyClicks(line, QString::fromLatin1(text));
    }
    static void Click(const CMemWrWnd& dialog, const char* button) {
        dialog.FindControl(QString::fromLatin1(button)).As<QAbstractButton>()->click();
    }
    static QString Shown(const CMemWrWnd& dialog, const char* edit) {
        return dialog.FindControl(QString::fromLatin1(edit)).GetText();
    }
};

struct NumberCase {
    const char* typed;
    std::uint32_t value;
    const char* shown;
};

class MemoryNumbers : public MemoryDialog, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(MemoryNumbers, AreReadByTheirPrefixAndWrittenToTheDevice) {
    const NumberCase& c = GetParam();
    auto dialog = OpenIt();
    Type(*dialog, "addr_edit", c.typed);
    Type(*dialog, "data_edit", "0x5a");
    Click(*dialog, "write_btn");
    EXPECT_EQ(Shown(*dialog, "addr_edit"), QString::fromLatin1(c.shown));
    EXPECT_EQ(Shown(*dialog, "data_edit"), QStringLiteral("0x0000005a"));
    EXPECT_EQ(ReadConfigString("mem_addr", ""), std::to_string(c.value));
    EXPECT_EQ(ReadConfigString("mem_data", ""), "90");
    ASSERT_TRUE(WaitForQueue());
    EXPECT_TRUE(WaitFor([&] {
        const auto memory = amp.Snapshot().memory;
        const auto it = memory.find(c.value);
        return it != memory.end() && it->second == 0x5Au;
    }));
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, MemoryNumbers,
    ::testing::Values(NumberCase{"0x10", 16, "0x00000010"}, NumberCase{"0X1f", 31, "0x0000001f"},
                      NumberCase{"010", 8, "0x00000008"}, NumberCase{"10", 10, "0x0000000a"},
                      NumberCase{"12ab", 12, "0x0000000c"}, NumberCase{"", 0, "0x00000000"},
                      NumberCase{"0xFFFFFFFF", 0xFFFFFFFFu, "0xffffffff"}));

TEST_F(MemoryDialog, ReadShowsTheWordTheDeviceHolds) {
    amp.Edit([](tonvia::sim::DeviceState& state) { state.memory[0x20] = 0xDEADBEEF; });
    auto dialog = OpenIt();
    EXPECT_EQ(link.mMemWnd.load(), dialog->GetHWND());
    Type(*dialog, "addr_edit", "0x20");
    Type(*dialog, "data_edit", "7");
    Click(*dialog, "read_btn");
    EXPECT_TRUE(WaitFor([&] {
        return Shown(*dialog, "data_edit") == QStringLiteral("0xdeadbeef");
    })) << Shown(*dialog, "data_edit").toStdString();
    EXPECT_EQ(Shown(*dialog, "addr_edit"), QStringLiteral("0x00000020"));
    EXPECT_EQ(ReadConfigString("mem_data", ""), std::to_string(0xDEADBEEFu));
}

TEST_F(MemoryDialog, ReadComesAfterQueuedWritesAndNeverHoldsTheWindow) {
    auto dialog = OpenIt();
    // A write then a read of the same word: the read answers with the written value.
    Type(*dialog, "addr_edit", "0x30");
    Type(*dialog, "data_edit", "0x1234");
    Click(*dialog, "write_btn");
    Type(*dialog, "data_edit", "0");
    Click(*dialog, "read_btn");
    EXPECT_TRUE(WaitFor([&] {
        return Shown(*dialog, "data_edit") == QStringLiteral("0x00001234");
    })) << Shown(*dialog, "data_edit").toStdString();

    // A device that stays silent leaves the window free.
    ASSERT_TRUE(WaitForQueue());
    amp.SetSilent(true);
    const auto start = std::chrono::steady_clock::now();
    Click(*dialog, "read_btn");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(MemoryDialog, OpensWithTheValuesKeptLastTimeAcrossTheWholeRange) {
    ASSERT_TRUE(WriteConfigString("mem_addr", "4294967295"));  // above the signed range
    ASSERT_TRUE(WriteConfigString("mem_data", "junk"));
    auto dialog = OpenIt();
    EXPECT_EQ(Shown(*dialog, "addr_edit"), QStringLiteral("0xffffffff"));
    EXPECT_EQ(Shown(*dialog, "data_edit"), QStringLiteral("0x00000000"));
}

TEST(MemoryStoredNumber, ReadsDecimalTextOfEitherSign) {
    EXPECT_EQ(CMemWrWnd::ReadStoredNumber("16"), 16u);
    EXPECT_EQ(CMemWrWnd::ReadStoredNumber(" 4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(CMemWrWnd::ReadStoredNumber("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(CMemWrWnd::ReadStoredNumber("4294967296"), 0u);
    EXPECT_EQ(CMemWrWnd::ReadStoredNumber(""), 0u);
    EXPECT_EQ(CMemWrWnd::ReadStoredNumber("x1"), 0u);
}

TEST_F(MemoryDialog, CloseCommandEndsTheApplicationCloseButtonOnlyTheDialog) {
    auto dialog = OpenIt();
    dialog->SendSystemCommand(SC_CLOSE);
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(dialog->IsClosing());
    Click(*dialog, "closebtn");
    EXPECT_TRUE(dialog->IsClosing());
}

class PowerOffDelay : public DeviceDialogTest {
  protected:
    SceneConfig live;
};

TEST_F(PowerOffDelay, EditAndSliderSendTheClampedDelay) {
    auto dialog = Open(std::make_unique<CPowerOffDelayWnd>(link, live), QStringLiteral("msgwnd"));
    auto* edit = dialog->FindControl(QStringLiteral("value_edt")).As<QLineEdit>();
    UiControl slider = dialog->FindControl(QStringLiteral("slider_poweroff_delay"));
    EXPECT_EQ(edit->text(), QStringLiteral("0 ms"));

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("5000"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), QStringLiteral("1000 ms"));
    EXPECT_EQ(slider.GetValue(), 1000);
    EXPECT_EQ(live.powerOffDelay, 1000);
    ASSERT_TRUE(WaitForQueue());
    EXPECT_TRUE(WaitFor([&] { return amp.Snapshot().powerOffDelayMs == 1000; }));

    slider.Widget()->setFocus();
    QTest::keyClick(slider.Widget(), Qt::Key_PageDown);
    EXPECT_EQ(edit->text(), QStringLiteral("950 ms"));
    EXPECT_EQ(live.powerOffDelay, 950);
    ASSERT_TRUE(WaitForQueue());
    EXPECT_TRUE(WaitFor([&] { return amp.Snapshot().powerOffDelayMs == 950; }));
}

}  // namespace

namespace dialog_testing {
namespace {

// The karaoke panel over a session of its own: clamps to the slider, the one-unit step,
// the focus ring, and the howling control sent again when the panel opens.
TEST_F(DialogTest, TheKaraokePanelClampsStepsAndQueuesEachValue) {
    tonvia::sim::VirtualAmplifier amp;
    tonvia::tuning::Session session(amp);
    session.Link().OpenHIDDevice();
    session.Link().EnableQueue();
    session.Model().live.howling_control = 1;
    session.Model().live.echo_delay = 300;
    auto panel = Open(std::make_unique<CKtvWnd>(session), QStringLiteral("ktvwnd"));
    auto* mic = panel->FindControl(QStringLiteral("edit_mic_volume")).As<QLineEdit>();
    mic->setText(QStringLiteral("75dB"));
    QTest::keyClick(mic, Qt::Key_Return);
    auto* delay = panel->FindControl(QStringLiteral("edit_echo_delay")).As<QLineEdit>();
    QTest::keyClick(delay, Qt::Key_Up);
    auto* voice = panel->FindControl(QStringLiteral("edit_voice_changer")).As<QLineEdit>();
    voice->setFocus();
    QTest::keyClick(voice, Qt::Key_Right);
    // The window's focus widget: an offscreen window is never the active one.
    auto focused = [&] { return panel->GetWidget()->focusWidget(); };
    EXPECT_EQ(focused(), panel->FindControl(QStringLiteral("edit_treble")).Widget());
    QTest::keyClick(mic, Qt::Key_Left);
    EXPECT_EQ(focused(), panel->FindControl(QStringLiteral("edit_reverb_time")).Widget());
    EXPECT_TRUE(WaitFor([&] { return session.Link().IsQueueIdle(); }));
    EXPECT_EQ(mic->text(), "60dB");
    EXPECT_EQ(delay->text(), "301ms");
    EXPECT_EQ(session.Model().live.mic_volume, 60);
    const auto karaoke = amp.Snapshot().karaoke;
    EXPECT_EQ(karaoke[KTV_MIC_VOL - 1], 60);
    EXPECT_EQ(karaoke[KTV_ECHO_DELAY - 1], 301);
    EXPECT_EQ(karaoke[KTV_HOWLING - 1], 1);
    panel.reset();
    session.Link().CloseHIDDevice(false);
}

}  // namespace
}  // namespace dialog_testing
