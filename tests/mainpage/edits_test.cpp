// Editing on the main page end to end: a control used as the user would, through the
// window's routing, the rules and the command queue, to the virtual amplifier's state.
// The arithmetic of the rules is tested without a window in tests/tuning.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/cli.h"
#include "commands/command_codes.h"
#include "edits_fixture.h"
#include "graph/equalizer.h"
#include "main_fixture.h"
#include "mainpage/compressors_on_wnd.h"
#include "mainpage/mixer_wnd.h"
#include "mainpage/scene_wnd.h"
#include "model/positions.h"
#include "platform/paths.h"
#include "sim/state_json.h"
#include "ui/menu.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace mainpage_testing {
namespace {

// Every control of the page reaches the amplifier. The cases run in order on one window,
// each from the state the previous ones left.
TEST_F(Edits, EveryControlOfThePageChangesTheAmplifier) {
    OpenConnected();
    const auto& s0 = [](const DeviceState& d) -> const tonvia::sim::SceneParams& {
        return d.scenes[0];
    };
    int maskBefore = 0;
    struct Case {
        const char* what;
        std::function<void()> act;
        std::function<bool(const DeviceState&)> holds;
    };
    const Case cases[] = {
        {"master volume slider", [&] { Slide("slider_main_volume", -20); },
         [](const DeviceState& d) { return d.mainVolume == -20 && d.mute == 0; }},
        {"master mute", [&] { Click("main_mute"); },
         [](const DeviceState& d) { return d.mute == 1; }},
        {"master volume typed, unmuting", [&] { Type("edit_main_volume", "3"); },
         [](const DeviceState& d) { return d.mainVolume == 3 && d.mute == 0; }},
        {"master volume step", [&] { Key("edit_main_volume", Qt::Key_Down); },
         [](const DeviceState& d) { return d.mainVolume == 2; }},
        {"ACC slider", [&] { Slide("slider_acc", 7); },
         [](const DeviceState& d) { return d.acc == 7; }},
        {"ACC step", [&] { Key("edit_acc", Qt::Key_Up); },
         [](const DeviceState& d) { return d.acc == 8; }},
        {"routing option",
         [&] {
             maskBefore = Live().inputs[static_cast<std::size_t>(Live().inputSource)][0];
             Click("option_ch_in1_0");
         },
         [&](const DeviceState& d) {
             return s0(d).mix[static_cast<std::size_t>(Live().inputSource)][0] ==
                    (maskBefore ^ 0x2);
         }},
        {"level slider of channel 2", [&] { Slide("slider_ch_volume_2", -123); },
         [&](const DeviceState& d) {
             return s0(d).trimHundredths[2] == 1230 && Live().currOutChannel == 2;
         }},
        {"level typed on channel 1", [&] { Type("edit_ch_volume_1", "-7.5"); },
         [&](const DeviceState& d) { return s0(d).trimHundredths[1] == 750; }},
        {"level step on channel 3", [&] { Key("edit_ch_volume_3", Qt::Key_Down); },
         [&](const DeviceState& d) {
             return s0(d).trimHundredths[3] ==
                    static_cast<int>(-Live().channels[3].gain * 100.0f + 0.5f);
         }},
        {"delay slider of channel 4", [&] { Slide("slider_ch_delay_4", 1000); },
         [&](const DeviceState& d) { return s0(d).delayThousandths[4] == 1000; }},
        {"delay typed on channel 5", [&] { Type("edit_ch_delay_5", "2.5"); },
         [&](const DeviceState& d) { return s0(d).delayThousandths[5] == 2500; }},
        {"delay step on channel 5", [&] { Key("edit_ch_delay_5", Qt::Key_Up); },
         [&](const DeviceState& d) { return s0(d).delayThousandths[5] == 2521; }},
        {"channel mute", [&] { Click("ch_mute_1"); },
         [&](const DeviceState& d) { return s0(d).mute[1] == 1; }},
        {"channel phase", [&] { Click("ch_phase_2"); },
         [&](const DeviceState& d) { return s0(d).phase[2] == 1; }},
        {"channel solo", [&] { Click("ch_solo_3"); },
         [&](const DeviceState& d) {
             return s0(d).solo[3] == 1 && s0(d).solo[0] == 0 && Live().currOutChannel == 3;
         }},
        {"amplifier switch", [&] { Click("btn_amp_onoff"); },
         [](const DeviceState& d) { return d.ampMute == 1; }},
        {"remote output 1", [&] { Click("btn_rem_out1_onoff"); },
         [](const DeviceState& d) { return d.remOut1 == 0 && d.remOut2 == 1; }},
        {"speaker impedance", [&] { Click("btn_2ohm_spk"); },
         [](const DeviceState& d) { return d.speakerOhm == 0; }},
        {"noise gate", [&] { Click("btn_noise_gate"); },
         [](const DeviceState& d) { return d.noiseGate == 1; }},
        {"current channel", [&] { Click("ch_enable_0"); },
         [&](const DeviceState&) { return Live().currOutChannel == 0; }},
        {"band slider", [&] { Slide("eq_slider_5", 35); },
         [&](const DeviceState& d) {
             return s0(d).eq[0][5].gainTenths == 180 + 35 && s0(d).peqBypass[0] == 0;
         }},
        {"band gain step", [&] { Key("eq_gain_5", Qt::Key_Up); },
         [&](const DeviceState& d) { return s0(d).eq[0][5].gainTenths == 180 + 36; }},
        {"band enable off sends 0 dB", [&] { Click("pt_enable_5"); },
         [&](const DeviceState& d) {
             return s0(d).eq[0][5].gainTenths == 180 && Live().channels[0].eqArray[5].gain > 3.5f;
         }},
        {"band enable on restores", [&] { Click("pt_enable_5"); },
         [&](const DeviceState& d) { return s0(d).eq[0][5].gainTenths == 180 + 36; }},
        {"high-pass typed", [&] { Type("hp_freq", "120"); },
         [&](const DeviceState& d) { return s0(d).highPass[0].freq == 120; }},
        {"high-pass slope", [&] { Choose("hp_slop", 3); },
         [&](const DeviceState& d) { return s0(d).highPass[0].slope == 3; }},
        {"Linkwitz-Riley takes an even slope", [&] { Choose("hp_type", 2); },
         [&](const DeviceState& d) {
             return s0(d).highPass[0].type == 2 && s0(d).highPass[0].slope == 4;
         }},
        {"low-pass step", [&] { Key("lp_freq", Qt::Key_Down); },
         [&](const DeviceState& d) {
             return s0(d).lowPass[0].freq == Live().channels[0].crossover.lp.fs;
         }},
        {"high-pass handle dragged in the graph", [&] { DragHighPass(60); },
         [&](const DeviceState& d) {
             const int hz = Live().channels[0].crossover.hp.fs;
             return hz > 200 && s0(d).highPass[0].freq == hz;
         }},
        {"PEQ mode", [&] { Click("btn_arg_eq"); },
         [&](const DeviceState&) {
             return !window->Manager().GeqMode() &&
                    window->FindControl(QStringLiteral("eq_freq_0")).IsEnabled();
         }},
        {"EQ bypass", [&] { Click("btn_bypass"); },
         [&](const DeviceState& d) { return s0(d).peqBypass[0] == 1; }},
        {"EQ reset", [&] { Click("btn_reset_eq"); },
         [&](const DeviceState& d) { return s0(d).eq[0][5].gainTenths == 180; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        EXPECT_TRUE(c.holds(Settled()));
    }
    EXPECT_EQ(questions.size(), 3u);  // the mode, the bypass and the reset asked first
}

// ---- The output configuration ----

TEST_F(Edits, TheOutputMenuOffersWhatDoesNotConflictAndSetsThePosition) {
    CMainWnd& main = OpenConnected();
    Click("ch_output_btn_0");
    ChooseItem("output_menu_front_left_mid_freq");
    EXPECT_EQ(Settled().scenes[0].channelType[0], 2);
    EXPECT_EQ(main.FindControl(QStringLiteral("ch_output_btn_0")).GetText(),
              Tr("${front_left_midrange}"));

    Click("ch_output_btn_1");
    CMenuWnd* menu = main.OpenMenu();
    ASSERT_NE(menu, nullptr);
    for (const auto& [tag, offered] : {std::pair{"output_menu_front_left_high_freq", true},
                                       std::pair{"output_menu_front_left_low_freq", true},
                                       std::pair{"output_menu_front_left_mid_freq", false},
                                       std::pair{"output_menu_front_left_mid_high_freq", false},
                                       std::pair{"output_menu_front_left_mid_low_freq", false},
                                       std::pair{"output_menu_front_left_all_freq", false}}) {
        SCOPED_TRACE(tag);
        QAction* item = menu->FindItem(QLatin1String(tag));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->isEnabled(), offered);
    }
    EXPECT_FALSE(
        menu->FindItem(QStringLiteral("output_menu_front_left_mid_freq"))->icon().isNull());
    menu->close();
    Pump();
}

TEST_F(Edits, BridgingCopiesTheLeftChannelAndTheBusyWindowCloses) {
    CMainWnd& main = OpenConnected();
    Type("edit_ch_volume_2", "-7.3");
    Slide("eq_slider_4", -45);
    Click("bridge_checkbox_1");
    Settled();
    const DeviceState d = Settled();
    EXPECT_EQ(d.scenes[0].bridge[1], 1);
    EXPECT_EQ(d.scenes[0].trimHundredths[3], 730);
    EXPECT_EQ(d.scenes[0].eq[3][4].gainTenths, d.scenes[0].eq[2][4].gainTenths);
    EXPECT_EQ(d.scenes[0].channelType[3], d.scenes[0].channelType[2]);
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_bridge_1")).IsSelected());

    // The switch button unbridges: channel 3 takes its own position back.
    Click("ch_bridge_1");
    EXPECT_EQ(Settled().scenes[0].channelType[3], kDefaultOutputs[3]);
    EXPECT_FALSE(main.FindControl(QStringLiteral("bridge_checkbox_1")).IsSelected());
    EXPECT_FALSE(main.Manager().WorkerRunning());
}

TEST_F(Edits, LinkNeedsNoGroupsAndTakesTheLockWithIt) {
    hooks.choiceBox = [](WindowImplBase&, const QString&, const QStringList&) { return 1; };
    CMainWnd& main = OpenConnected();
    Click("btn_link_output");
    DeviceState d = Settled();
    EXPECT_EQ(d.scenes[0].link.on, 1);
    EXPECT_EQ(d.scenes[0].lock, 1);
    EXPECT_FALSE(main.FindControl(QStringLiteral("ch_output_btn_0")).IsEnabled());
    EXPECT_FALSE(main.FindControl(QStringLiteral("ch_synchronize_0")).IsEnabled());

    Click("btn_link_output");  // off again, without a question; the lock goes too
    d = Settled();
    EXPECT_EQ(d.scenes[0].link.on, 0);
    EXPECT_EQ(d.scenes[0].lock, 0);
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_output_btn_0")).IsEnabled());

    Click("ch_synchronize_2");
    EXPECT_EQ(Live().linkSel[2], 1);
    EXPECT_FALSE(main.FindControl(QStringLiteral("btn_link_output")).IsEnabled());
}

TEST_F(Edits, AnEmptyingResetWithADroppedReplyStillEnds) {
    hooks.buttonBox = [](WindowImplBase&, const QString&, const QStringList&) { return 2; };
    CMainWnd& main = OpenConnected();
    amp->DropReplies(1);
    Click("btn_reset_output");
    QElapsedTimer clock;
    clock.start();
    // The dropped reply holds the queue for its reply wait; the busy window outlasts it.
    while (main.Manager().WorkerRunning() && clock.elapsed() < 30000) {
        Pump();
        QThread::msleep(5);
    }
    Pump();
    EXPECT_FALSE(main.Manager().WorkerRunning());
    const auto& log = main.HandledLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "CloseLoading"), log.end());
    const DeviceState d = Settled();
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        SCOPED_TRACE(ch);
        EXPECT_EQ(d.scenes[0].channelType[static_cast<std::size_t>(ch)], 0);
        EXPECT_EQ(main.FindControl(QStringLiteral("ch_output_btn_%1").arg(ch)).GetText(),
                  Tr("${empty}"));
    }
    for (int code = 1; code < kPositionCodeCount; ++code) {
        EXPECT_FALSE(main.FindControl(QStringLiteral("speaker_%1").arg(code)).IsVisible());
    }
}

TEST_F(Edits, TheDiagramsDelayStepRewritesTheChannelsOwnDelay) {
    CMainWnd& main = OpenConnected();
    Type("edit_ch_delay_0", "1");
    Click("btn_delay_up");
    EXPECT_EQ(Settled().scenes[0].delayThousandths[0], 1021);
    EXPECT_EQ(main.FindControl(QStringLiteral("edit_ch_delay_0")).GetText(), "1.021 ms");
    EXPECT_EQ(main.FindControl(QStringLiteral("slider_ch_delay_0")).GetValue(), 1021);
    // In centimetres the diagram shows rnd(1.021 x 519 / 15) = 35.
    Choose("comb_ch_unit", 1);
    const int code = Live().outputs[0];
    EXPECT_EQ(main.FindControl(QStringLiteral("spk_delay_%1").arg(code)).GetText(), "35");
}

// A scene profile saved from the page and loaded back into the amplifier's working scene.
TEST_F(Edits, ASceneProfileSavedAndLoadedBackReachesTheAmplifier) {
    const QString dir = QDir::temp().filePath(QStringLiteral("tonvia-spf-%1").arg(getpid()));
    QDir().mkpath(dir);
    QString chosen = dir + QStringLiteral("/car");  // typed without its extension
    hooks.fileDialog = [&](WindowImplBase&, bool, const QString&) { return chosen; };
    CMainWnd& main = OpenConnected();
    Type("edit_ch_volume_2", "-9.5");
    Settled();
    ChooseItem("scene_item_save_file");
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "${profile_save_ok}");
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("/car.spf")));

    Type("edit_ch_volume_2", "-30");
    EXPECT_EQ(Settled().scenes[0].trimHundredths[2], 3000);
    chosen = dir + QStringLiteral("/car.spf");
    ChooseItem("scene_item_load_file");
    QElapsedTimer clock;
    clock.start();
    while (main.Manager().WorkerRunning() && clock.elapsed() < 20000) {
        Pump();
        QThread::msleep(2);
    }
    Pump();
    EXPECT_EQ(Settled().scenes[0].trimHundredths[2], 950);
    EXPECT_EQ(main.FindControl(QStringLiteral("edit_ch_volume_2")).GetText(), "-9.5dB");
    QDir(dir).removeRecursively();
}

TEST_F(Edits, ScenesAreSavedNamedLoadedAndDeletedThroughTheSceneList) {
    std::vector<std::wstring> names;  // what the name box is given, one per save
    hooks.nameBox = [&](WindowImplBase&, std::wstring& name) {
        if (names.empty()) {
            return 0;
        }
        name = names.front();
        names.erase(names.begin());
        return 1;
    };
    CMainWnd& main = OpenConnected();
    ModelSet& model = main.Manager().Model();
    Type("edit_ch_volume_1", "-7.5");
    Settled();

    CSceneWnd* save = OpenScenes(main, CSceneWnd::kSave);
    names = {L"Club"};
    ConfirmRow(main, *save, 2);  // an empty scene: no overwrite question
    EXPECT_TRUE(questions.empty());
    DeviceState d = Settled();
    EXPECT_EQ(d.scenes[3].trimHundredths[1], 750);
    EXPECT_EQ(d.sceneNames[3][0], 'C');
    EXPECT_EQ(save->RowName(2), "Club");
    EXPECT_EQ(save->CurrentRow(), 2);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "${save_scene_ok}");

    names = {L"Club"};  // scene 3's name into scene 5: refused, and 5 stays unnamed
    ConfirmRow(main, *save, 4);
    EXPECT_TRUE(boxes.back().contains(QStringLiteral("Club")) && boxes.back().contains('3'));
    EXPECT_TRUE(model.sceneNames[4].empty());
    EXPECT_EQ(Settled().validMask & (1u << 4), 0u);
    EXPECT_EQ(save->CurrentRow(), 2);

    names = {L""};  // an empty name is saved
    ConfirmRow(main, *save, 5);
    EXPECT_NE(Settled().validMask & (1u << 5), 0u);

    names = {L"Club"};  // scene 3 under its own name: asks to overwrite, then saves
    ConfirmRow(main, *save, 2);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].contains('3'));
    save->Close(0);
    Pump();

    Type("edit_ch_volume_1", "-30");
    Settled();
    CSceneWnd* load = OpenScenes(main, CSceneWnd::kLoad);
    EXPECT_EQ(load->CurrentRow(), 2);  // the device names scene 3 as its current one
    ConfirmRow(main, *load, 5);        // unnamed: the question shows the number only
    EXPECT_FALSE(questions.back().contains('"'));
    EXPECT_TRUE(questions.back().contains('6'));
    ConfirmRow(main, *load, 2);
    EXPECT_TRUE(questions.back().contains(QStringLiteral("Club")));
    EXPECT_EQ(Settled().scenes[0].trimHundredths[1], 750);
    EXPECT_EQ(main.FindControl(QStringLiteral("edit_ch_volume_1")).GetText(), "-7.5dB");

    // A double-click marks the row even when the question is declined; a current-scene
    // report of 0 forgets the scene but leaves the mark.
    hooks.askBox = [](WindowImplBase&, const QString&) { return false; };
    auto* list = load->FindControl(QStringLiteral("listview")).As<QListWidget>();
    emit list->itemDoubleClicked(list->item(7));
    EXPECT_EQ(load->CurrentRow(), 7);
    tonvia::ui::PostMessageTo(load->GetHWND(), WM_SENCE_ID, 0, 0);
    Pump();
    EXPECT_EQ(main.Manager().SceneId(), 0);
    EXPECT_EQ(load->CurrentRow(), 7);
    load->Close(0);
    Pump();

    const std::size_t asked = questions.size();
    CSceneWnd* remove = OpenScenes(main, CSceneWnd::kDelete);
    ConfirmRow(main, *remove, 2);
    EXPECT_EQ(questions.size(), asked);  // no question
    EXPECT_EQ(remove->RowName(2), "");
    EXPECT_EQ(Settled().validMask & (1u << 2), 0u);
    remove->Close(0);
    Pump();
}

// A whole profile saved from one amplifier's scenes and written back after they changed;
// an unplug in the middle of a save writes no file.
TEST_F(Edits, AWholeProfileIsSavedFromTheScenesAndWrittenBack) {
    const QString dir = QDir::temp().filePath(QStringLiteral("tonvia-wpf-%1").arg(getpid()));
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/club.wpf");
    hooks.fileDialog = [&](WindowImplBase&, bool, const QString&) { return path; };
    amp->Edit([](DeviceState& d) {
        d.scenes[2].trimHundredths[4] = 1250;
        d.scenes[2].lock = 1;
        d.validMask = 0x2;
    });
    CMainWnd& main = OpenConnected();
    main.Manager().SetTransferPauses(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    ChooseItem("scene_item_save_whole");
    WaitForWorker(main);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "${profile_save_ok}");
    ASSERT_TRUE(QFileInfo::exists(path));

    amp->Edit([](DeviceState& d) {
        d.scenes[2].trimHundredths[4] = 0;
        d.scenes[2].lock = 0;
    });
    ChooseItem("scene_item_load_whole");
    WaitForWorker(main);
    DeviceState d = Settled();
    EXPECT_EQ(d.scenes[2].trimHundredths[4], 1250);
    EXPECT_EQ(d.scenes[2].lock, 1);

    // Unplugged while scene 3 is read: the old file stays, and the user is told. Paced as
    // over USB, so that a loaded machine still sees scene 3 being read.
    QFile::remove(path);
    amp->SetFullSpeed();
    QTimer unplug;
    unplug.setInterval(1);
    QObject::connect(&unplug, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* text = widget->findChild<QLabel*>(QStringLiteral("MessageText"));
            if (widget->isVisible() && text != nullptr && text->text().contains('3')) {
                amp->Unplug();
                unplug.stop();
            }
        }
    });
    unplug.start();
    ChooseItem("scene_item_save_whole");
    WaitForWorker(main);
    EXPECT_FALSE(amp->IsPlugged());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(std::find(boxes.begin(), boxes.end(), "${scene_transfer_fail}") != boxes.end());
    QDir(dir).removeRecursively();
}

// The compressors of the six channels: their columns only, typed values sent queued, the
// on box through the channel operation, and the focus moving round the grid.
TEST_F(Edits, TheCompressorsDialogEditsTheSixChannels) {
    CMainWnd& main = OpenConnected();
    auto* dialog = new CCompressorsOnWnd(main.Manager());
    ASSERT_TRUE(dialog->Create(main.GetWidget(), QStringLiteral("compressorsonwnd")));
    dialog->ShowWindow();
    Pump();
    EXPECT_TRUE(dialog->FindControl(QStringLiteral("column_5")).IsVisible());
    EXPECT_FALSE(dialog->FindControl(QStringLiteral("column_6")).IsVisible());
    EXPECT_FALSE(dialog->FindControl(QStringLiteral("column_7")).IsVisible());
    auto* threshold = dialog->FindControl(QStringLiteral("edit_threshold_1")).As<QLineEdit>();
    ASSERT_NE(threshold, nullptr);
    threshold->setText(QStringLiteral("20.55"));
    QTest::keyClick(threshold, Qt::Key_Return);
    dialog->FindControl(QStringLiteral("box_enable_3")).As<QAbstractButton>()->click();
    const DeviceState d = Settled();
    EXPECT_EQ(threshold->text(), "20.5dB");
    EXPECT_EQ(d.scenes[0].compressor2[1].thresholdInt, 20);
    EXPECT_EQ(d.scenes[0].compressor2[1].thresholdTenths, 5);
    EXPECT_EQ(d.scenes[0].compressorOn[3], 1);
    auto* release = dialog->FindControl(QStringLiteral("edit_release_time_5")).As<QLineEdit>();
    release->setFocus();
    QTest::keyClick(release, Qt::Key_Right);
    EXPECT_TRUE(dialog->FindControl(QStringLiteral("edit_threshold_0")).Widget()->hasFocus());
    dialog->Close(0);
    Pump();

    // The current channel's whole compressor: typed, stepped off the grid, bypassed.
    auto* one = new CCompressorWnd(main.Manager());
    ASSERT_TRUE(one->Create(main.GetWidget(), QStringLiteral("compressorwnd")));
    one->ShowWindow();
    Pump();
    EXPECT_EQ(one->FindControl(QStringLiteral("curr_channel_text")).GetText(), "CH1");
    auto* ratio = one->FindControl(QStringLiteral("edit_ratio")).As<QLineEdit>();
    ratio->setText(QStringLiteral("4.25"));
    QTest::keyClick(ratio, Qt::Key_Return);
    auto* attack = one->FindControl(QStringLiteral("edit_attack_time")).As<QLineEdit>();
    attack->setText(QStringLiteral("25"));
    QTest::keyClick(attack, Qt::Key_Return);
    QTest::keyClick(attack, Qt::Key_Up);
    one->FindControl(QStringLiteral("btn_bp")).As<QAbstractButton>()->click();
    const DeviceState after = Settled();
    EXPECT_EQ(ratio->text(), "4.2");
    EXPECT_EQ(attack->text(), "35ms");
    EXPECT_EQ(after.scenes[0].compressor[0].ratioTenths, 42);
    EXPECT_EQ(after.scenes[0].compressor[0].attackMs, 35);
    EXPECT_EQ(after.scenes[0].compressor[0].bypass, main.Manager().Live().compBypass[0]);
    one->Close(0);
    Pump();
}

// The mixer over the optical source (two inputs, with the second source): focusing never
// switches a route on, the first enable is +6 dB, typed levels clamp, a bridged pair
// follows, the second source and its gain go out, clipping shows, and a new connection
// closes it.
TEST_F(Edits, TheMixerRoutesLevelsBridgesAndShowsClipping) {
    CMainWnd& main = OpenConnected();
    Settled();
    amp->ClearRequests();
    Live().inputSource = 0;
    Live().inputs[0][4] = 0;
    Live().inputMixVolume[0][1][4] = 80;  // stored, but off
    Live().inputs[0][3] = 0;
    Live().inputMixVolume[0][0][3] = 0;
    auto* mixer = new CMixerWnd(main.Manager());
    ASSERT_TRUE(mixer->Create(main.GetWidget(), QStringLiteral("MixerWnd")));
    mixer->ShowWindow();
    Pump();
    auto control = [&](const QString& name) { return mixer->FindControl(name); };
    auto edit = [&](const char* name) { return control(QLatin1String(name)).As<QLineEdit>(); };
    const QString opt = tonvia::ui::Translate(QStringLiteral("${source_opt}"));
    EXPECT_EQ(control(QStringLiteral("title_label_1")).GetText(), opt + QStringLiteral(" R"));
    EXPECT_FALSE(control(QStringLiteral("column_6")).IsVisible());
    EXPECT_FALSE(control(QStringLiteral("box_0_2")).IsVisible());
    EXPECT_TRUE(control(QStringLiteral("cmb_csm_vice_source_1")).IsVisible());

    edit("box_edit_4_1")->setFocus();
    Pump();
    edit("box_edit_5_1")->setFocus();  // left unchanged: still off
    Pump();
    EXPECT_FALSE(control(QStringLiteral("box_enable_4_1")).IsSelected());
    control(QStringLiteral("box_enable_3_0")).As<QAbstractButton>()->click();
    EXPECT_EQ(edit("box_edit_3_0")->text(), "6dB");
    // The page under the dialog follows: output 4 now takes input 1.
    EXPECT_TRUE(main.FindControl(QStringLiteral("option_ch_in0_3")).IsSelected());
    edit("box_edit_2_0")->setText(QStringLiteral("10"));
    QTest::keyClick(edit("box_edit_2_0"), Qt::Key_Return);
    EXPECT_EQ(edit("box_edit_2_0")->text(), "6dB");
    edit("box_edit_1_1")->setText(QStringLiteral("-100"));
    QTest::keyClick(edit("box_edit_1_1"), Qt::Key_Return);
    EXPECT_FALSE(control(QStringLiteral("box_enable_1_1")).IsSelected());

    control(QStringLiteral("ch_bridge_2")).As<QAbstractButton>()->click();
    Pump();
    control(QStringLiteral("box_volume_4_0")).As<QAbstractSlider>()->setSliderPosition(70);
    EXPECT_EQ(edit("box_edit_5_0")->text(), "-24dB");

    auto* vice = control(QStringLiteral("cmb_csm_vice_source_0")).As<QComboBox>();
    vice->setCurrentIndex(1);  // tagged 0301
    edit("csm_vice_gain_edit_0")->setText(QStringLiteral("9"));
    QTest::keyClick(edit("csm_vice_gain_edit_0"), Qt::Key_Return);
    EXPECT_EQ(edit("csm_vice_gain_edit_0")->text(), "6dB");

    amp->Edit([](DeviceState& s) { s.outputDistortion[0][4] = 1; });
    mixer->OnTimer(CMixerWnd::kDistortionTimerId);
    const DeviceState d = Settled();
    QElapsedTimer clock;
    clock.start();
    while (Live().outDistort[0][4] == 0 && clock.elapsed() < 3000) {
        Pump();
    }
    EXPECT_EQ(control(QStringLiteral("out_distort_4")).Widget()->property("normalimage"),
              QStringLiteral("img/off.png"));
    for (const auto& r : amp->Requests()) {  // the focus passing sent nothing
        EXPECT_FALSE(r.subcmd == DSP_INPUT_MIX_CH_TRIM && r.data[2] == 1 && r.data[3] == 4);
    }
    EXPECT_EQ(d.scenes[0].inputMixTrim[0][0][3], 100);
    EXPECT_EQ(d.scenes[0].inputMixTrim[0][0][2], 100);
    EXPECT_EQ(d.scenes[0].inputMixTrim[0][1][1], 0);
    EXPECT_EQ(d.scenes[0].inputMixTrim[0][0][5], 70);
    EXPECT_EQ(d.scenes[0].crossMix[0][0].viceSource, 3);
    EXPECT_EQ(d.scenes[0].crossMix[0][0].viceChannel, 1);
    EXPECT_EQ(d.scenes[0].crossMix[0][0].viceGain, 38);
    EXPECT_EQ(Live().bridgeOutputs[2], 1);

    main.Manager().DisconnectDevice();
    Pump();
    EXPECT_EQ(CMixerWnd::Current(), nullptr);
}

// The command line reads the same amplifier into the same scene profile as the window.
TEST_F(Edits, TheCommandLineSavesTheSceneProfileTheWindowSaves) {
    const QString dir = QDir::temp().filePath(QStringLiteral("tonvia-cli-spf-%1").arg(getpid()));
    QDir().mkpath(dir);
    const QString window = dir + QStringLiteral("/window.spf");
    hooks.fileDialog = [&](WindowImplBase&, bool, const QString&) { return window; };
    OpenConnected();
    // The first channel: an edit makes its channel current, and profiles keep that choice.
    Type("edit_ch_volume_0", "-9.5");
    const std::string state = (dir + QStringLiteral("/amp.json")).toStdString();
    {
        std::ofstream file(state);
        file << tonvia::sim::DeviceStateToJson(Settled());
    }
    ChooseItem("scene_item_save_file");
    const std::string cli = (dir + QStringLiteral("/cli.spf")).toStdString();
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> args = {"--demo-state", state, "profile", "save", cli};
    ASSERT_EQ(tonvia::cli::RunCli(args, out, err), 0) << err.str();
    const auto saved = tonvia::platform::ReadWholeFile(window.toStdString());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved, tonvia::platform::ReadWholeFile(cli));
    QDir(dir).removeRecursively();
}

// A profile written by a worker: the page follows the record on the UI thread and the
// channel switches reach the device again.
TEST_F(Edits, RefreshMainPageShowsTheRecordAndSendsTheSwitches) {
    CMainWnd& main = OpenConnected();
    SceneConfig& live = Live();
    live.mainVolume = -30;
    live.channels[1].gain = -20.5f;
    live.channels[2].mute = 1;
    live.channels[4].solo = 1;
    live.channels[3].phase = 1;
    live.channels[5].delay = 2.0f;
    live.channels[0].crossover.hp.fs = 250;
    live.currOutChannel = 0;
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_REFRESH_MAIN_PAGE);
    Pump();  // the refresh queues its commands first; Settled then waits for them
    const DeviceState d = Settled();
    auto text = [&](const char* name) { return main.FindControl(QLatin1String(name)).GetText(); };
    EXPECT_EQ(main.FindControl(QStringLiteral("slider_main_volume")).GetValue(), -30);
    EXPECT_EQ(text("edit_ch_volume_1"), "-20.5dB");
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_mute_2")).IsSelected());
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_solo_4")).IsSelected());
    EXPECT_EQ(text("edit_ch_delay_5"), "2.000 ms");
    EXPECT_EQ(text("hp_freq"), "250Hz");
    EXPECT_EQ(d.scenes[0].mute[2], 1);
    EXPECT_EQ(d.scenes[0].solo[4], 1);
    EXPECT_EQ(d.scenes[0].phase[3], 1);
}

// The off word is the current language's, both shown and typed; scene names take the
// language's code page.
TEST_F(Edits, TheOffWordFollowsTheLanguage) {
    CMainWnd& main = OpenConnected();
    Type("edit_ch_volume_1", "-12.5");
    Type("edit_ch_volume_2", "-60");
    ChooseItem("option_item_language_ru");
    EXPECT_EQ(main.FindControl(QStringLiteral("edit_ch_volume_2")).GetText(), Tr("${off}"));
    EXPECT_EQ(main.FindControl(QStringLiteral("edit_ch_volume_1")).GetText(), "-12.5dB");
    EXPECT_EQ(main.Manager().Model().nameCodePage, "WINDOWS-1251");
    const QByteArray off = Tr("${off}").toUtf8();
    Type("edit_main_volume", off.constData());
    EXPECT_EQ(Settled().mainVolume, -60);
    EXPECT_EQ(amp->Snapshot().scenes[0].trimHundredths[2], 6000);
    ChooseItem("option_item_language_en");
}

}  // namespace
}  // namespace mainpage_testing
