// The surround settings and the custom EQ against the virtual amplifier: what reaches the
// device from the controls, the confirmations answered in their box, and the window height
// that follows the source's inputs.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <string>
#include <vector>

#include "commands/command_codes.h"
#include "dialog_fixture.h"
#include "dialogs/cs_auto_wnd.h"
#include "graph/equalizer.h"
#include "mainpage/custom_eq_wnd.h"
#include "support/eq_commands.h"
#include "tuning/session.h"

namespace dialog_testing {
namespace {

using tonvia::tuning::CsAutoSelector;
using tonvia::tuning::CsAutoSetting;

struct Rig {
    Rig() {
        session.Link().OpenHIDDevice();
        session.Link().EnableQueue();
    }
    ~Rig() { session.Link().CloseHIDDevice(false); }

    bool Idle() {
        return WaitFor([&] { return session.Link().IsQueueIdle(); });
    }
    // The EQ commands received since the last call, as "channel.band".
    std::vector<std::string> EqSent() {
        EXPECT_TRUE(Idle());
        return testing_support::TakeEqCommands(amp);
    }

    tonvia::sim::VirtualAmplifier amp;
    tonvia::tuning::Session session{amp};
};

TEST_F(DialogTest, TheSurroundDialogQueuesItsWholeBlockAndGrowsWithTheInputs) {
    Rig rig;
    CsAutoSetting block;
    auto dialog = Open(std::make_unique<CSAutoWnd>(rig.session, block, 0x21, 0));
    EXPECT_EQ(block.bytes[0], 0x21);
    auto* edit = dialog->FindControl(QStringLiteral("edit_auto_4")).As<QLineEdit>();
    edit->setText(QStringLiteral("2.5"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), QStringLiteral("2.000"));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("slider_auto_4")).GetValue(), 200);
    QTest::keyClick(edit, Qt::Key_Up);  // at the slider's end
    EXPECT_EQ(edit->text(), QStringLiteral("2.000"));
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), QStringLiteral("1.990"));
    dialog->FindControl(QStringLiteral("btn_auto_6")).As<QAbstractButton>()->click();
    dialog->FindControl(QStringLiteral("combo_front")).As<QComboBox>()->setCurrentIndex(8);
    ASSERT_TRUE(rig.Idle());
    EXPECT_FLOAT_EQ(block.Value(4), 1.99f);
    EXPECT_TRUE(block.Flag(6));
    EXPECT_EQ(block.Selector(CsAutoSelector::Front), 8);
    EXPECT_EQ(rig.amp.Snapshot().surroundBlock,
              std::vector<std::uint8_t>(block.bytes.begin(), block.bytes.end()));

    ClickWhenShown(QStringLiteral("MsgWnd"), QStringLiteral("confirm_btn"));
    dialog->FindControl(QStringLiteral("btn_restore_cs_auto")).As<QAbstractButton>()->click();
    EXPECT_EQ(edit->text(), QStringLiteral("1.000"));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("combo_front")).GetCurSel(), 5);
    EXPECT_TRUE(dialog->FindControl(QStringLiteral("btn_auto_0")).IsSelected());
    ASSERT_TRUE(rig.Idle());
    const std::vector<std::uint8_t> device = rig.amp.Snapshot().surroundBlock;
    ASSERT_EQ(device.size(), CS_AUTO_SETTING_SIZE);
    EXPECT_EQ(device[0], 0x21);
    EXPECT_EQ(device[7], 1);
    EXPECT_EQ((std::vector<std::uint8_t>(device.end() - 4, device.end())),
              (std::vector<std::uint8_t>{0, 5, 5, 5}));

    CsAutoSetting other;
    auto fourInputs = Open(std::make_unique<CSAutoWnd>(rig.session, other, 0, 5));
    EXPECT_EQ(fourInputs->GetWidget()->height() - dialog->GetWidget()->height(), 166);
    EXPECT_EQ(fourInputs->GetWidget()->width(), dialog->GetWidget()->width());
}

TEST_F(DialogTest, TheCustomEqEditsTheUpperBandsOfTheCurrentChannel) {
    Rig rig;
    SceneConfig& live = rig.session.Model().live;
    live.currOutChannel = 3;
    tonvia::tuning::CustomEqTable freqs{};
    tonvia::tuning::CustomEqTable gains{};
    auto eq = Open(std::make_unique<CCustomEqWnd>(rig.session, freqs, gains));
    auto edit = [&](const char* format, int band) {
        return eq->FindControl(QString::asprintf(format, band)).As<QLineEdit>();
    };
    auto focused = [&] { return eq->GetWidget()->focusWidget(); };
    EXPECT_EQ(edit("eq_freq_%d", 0)->text(), QString::number(live.channels[3].eqArray[11].freq));

    // A gain past the slider is clamped and sent; Enter goes on to the next band.
    edit("eq_gain_%d", 2)->setText(QStringLiteral("15"));
    QTest::keyClick(edit("eq_gain_%d", 2), Qt::Key_Return);
    EXPECT_EQ(edit("eq_gain_%d", 2)->text(), QStringLiteral("12.0"));
    EXPECT_EQ(eq->FindControl(QStringLiteral("eq_slider_2")).GetValue(), 120);
    EXPECT_EQ(focused(), edit("eq_freq_%d", 3));
    EXPECT_EQ(rig.EqSent(), std::vector<std::string>{"3.13"});
    EXPECT_EQ(rig.amp.Snapshot().scenes[0].eq[3][13].gainTenths, 180 + 120);
    // Off sends 0 dB and keeps the gain for later.
    eq->FindControl(QStringLiteral("pt_enable_2")).As<QAbstractButton>()->click();
    EXPECT_EQ(edit("eq_gain_%d", 2)->text(), QStringLiteral("0.0"));
    EXPECT_EQ(rig.EqSent(), std::vector<std::string>{"3.13"});
    EXPECT_EQ(rig.amp.Snapshot().scenes[0].eq[3][13].gainTenths, 180);
    EXPECT_FLOAT_EQ(live.channels[3].eqArray[13].gain, 12.0f);

    // Q 8.96 steps up to nothing.
    edit("eq_q_%d", 5)->setText(QStringLiteral("8.96"));
    QTest::keyClick(edit("eq_q_%d", 5), Qt::Key_Return);
    QTest::keyClick(edit("eq_q_%d", 5), Qt::Key_Up);
    EXPECT_EQ(edit("eq_q_%d", 5)->text(), QStringLiteral("8.96"));
    EXPECT_EQ(rig.EqSent(), std::vector<std::string>{"3.16"});
    // Left from the first gain edit ends on the last Q edit.
    QTest::keyClick(edit("eq_gain_%d", 0), Qt::Key_Left);
    EXPECT_EQ(focused(), edit("eq_q_%d", 19));

    // The graph reports -1 for a press on no band: nothing is sent. A drag of band 0 is
    // channel band 11.
    auto* graph = eq->FindControl(QStringLiteral("equalizer")).As<UIEqualizer>();
    graph->setProperty("userdata", QStringLiteral("-1"));
    RaiseNotify(graph, QString::fromLatin1(kNotifyEqualizerEq));
    EXPECT_TRUE(rig.EqSent().empty());
    const QPoint from = graph->BandPoint(0);
    QTest::mousePress(graph, Qt::LeftButton, {}, from);
    QTest::mouseMove(graph, from - QPoint(0, 40));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, from - QPoint(0, 40));
    const std::vector<std::string> dragged = rig.EqSent();
    ASSERT_FALSE(dragged.empty());
    EXPECT_EQ(dragged.back(), "3.11");
    EXPECT_GT(live.channels[3].eqArray[11].gain, 0.5f);

    // Reset, once confirmed: band 19 at 1600 Hz, Q 5.8, 0 dB.
    ClickWhenShown(QStringLiteral("MsgWnd"), QStringLiteral("confirm_btn"));
    eq->FindControl(QStringLiteral("btn_reset_eq")).As<QAbstractButton>()->click();
    EXPECT_EQ(edit("eq_freq_%d", 19)->text(), QStringLiteral("1600"));
    EXPECT_EQ(edit("eq_q_%d", 19)->text(), QStringLiteral("5.80"));
    EXPECT_EQ(rig.EqSent().size(), 20u);
    const auto device = rig.amp.Snapshot().scenes[0].eq[3][30];
    EXPECT_EQ(device.freq, 1600);
    EXPECT_EQ(device.gainTenths, 180);
}

}  // namespace
}  // namespace dialog_testing
