// The undo history and the checks against the amplifier and a file, end to end: the page
// used as the user would, the virtual amplifier's state read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <string>
#include <vector>

#include "edits_fixture.h"
#include "mainpage/diff_wnd.h"
#include "sim/control.h"
#include "tuning/parameter_sync.h"

namespace mainpage_testing {
namespace {

class History : public Edits {
  protected:
    void Undo() { window->OnHistoryKey(false); }
    void Redo() { window->OnHistoryKey(true); }
    std::size_t Entries() { return window->Manager().History().UndoCount(); }
    std::vector<int> Trims(int count) {
        const auto t = Settled().scenes[0].trimHundredths;
        return std::vector<int>(t.begin(), t.begin() + count);
    }
    // The rows of the differences dialog, by their stable names.
    static std::vector<std::string> Names(const CDiffWnd& dialog) {
        std::vector<std::string> names;
        for (const ParameterChange& row : dialog.Rows()) {
            names.push_back(tonvia::tuning::ParameterName(row));
        }
        return names;
    }
    void Press(CDiffWnd& dialog, const char* button) {
        dialog.FindControl(QLatin1String(button)).As<QAbstractButton>()->click();
    }
};

TEST_F(History, ALevelStepOfASynchronisedGroupOfThreeIsUndoneAndRedone) {
    OpenConnected();
    for (const char* sync : {"ch_synchronize_0", "ch_synchronize_1", "ch_synchronize_2"}) {
        Click(sync);
    }
    Type("edit_ch_volume_0", "-4");
    EXPECT_EQ(Trims(4), (std::vector<int>{400, 400, 400, 0}));
    const std::size_t entries = Entries();
    Key("edit_ch_volume_0", Qt::Key_Down);
    EXPECT_EQ(Trims(4), (std::vector<int>{450, 450, 450, 0}));
    EXPECT_EQ(Entries(), entries + 1);

    Undo();
    EXPECT_EQ(Trims(4), (std::vector<int>{400, 400, 400, 0}));
    EXPECT_EQ(window->FindControl(QStringLiteral("edit_ch_volume_2")).GetText(), "-4.0dB");
    EXPECT_TRUE(window->FindControl(QStringLiteral("btn_redo")).IsEnabled());
    Redo();
    EXPECT_EQ(Trims(4), (std::vector<int>{450, 450, 450, 0}));

    // A new edit after an undo: nothing left to redo.
    Undo();
    Type("edit_ch_volume_4", "-2");
    EXPECT_FALSE(window->FindControl(QStringLiteral("btn_redo")).IsEnabled());
    Redo();
    EXPECT_EQ(Trims(5), (std::vector<int>{400, 400, 400, 0, 200}));
}

TEST_F(History, UndoingABridgeGivesThePartnerItsOwnSettingsBack) {
    OpenConnected();
    Type("edit_ch_volume_2", "-7.3");
    Slide("eq_slider_4", -45);
    Type("edit_ch_volume_3", "-12");
    const DeviceState before = Settled();
    Click("bridge_checkbox_1");
    ASSERT_EQ(Settled().scenes[0].bridge[1], 1);
    EXPECT_EQ(Settled().scenes[0].trimHundredths[3], 730);

    Undo();
    const DeviceState after = Settled();
    EXPECT_EQ(after.scenes[0].bridge[1], 0);
    EXPECT_EQ(after.scenes[0].trimHundredths[3], 1200);
    EXPECT_EQ(after.scenes[0].channelType[3], before.scenes[0].channelType[3]);
    EXPECT_EQ(after.scenes[0].highPass[3].freq, before.scenes[0].highPass[3].freq);
    EXPECT_EQ(after.scenes[0].eq[3][4].gainTenths, before.scenes[0].eq[3][4].gainTenths);
    EXPECT_FALSE(window->FindControl(QStringLiteral("bridge_checkbox_1")).IsSelected());
}

TEST_F(History, AGraphDragIsOneEntryThoughTheHandRests) {
    OpenConnected();
    const int start = Settled().scenes[0].highPass[0].freq;
    const std::size_t entries = Entries();
    DragHighPass(200, 1200);  // a rest longer than a held key's repeat gap
    EXPECT_EQ(Entries(), entries + 1);
    EXPECT_GT(Settled().scenes[0].highPass[0].freq, start);
    Undo();
    EXPECT_EQ(Settled().scenes[0].highPass[0].freq, start);
}

TEST_F(History, UndoingAProfileLoadPutsThePreviousSettingsBack) {
    const QString dir = QDir::temp().filePath(QStringLiteral("tonvia-undo-%1").arg(getpid()));
    QDir().mkpath(dir);
    const QString file = dir + QStringLiteral("/car.spf");
    hooks.fileDialog = [&](WindowImplBase&, bool, const QString&) { return file; };
    CMainWnd& main = OpenConnected();
    Type("edit_ch_volume_2", "-9.5");
    Settled();
    ChooseItem("scene_item_save_file");
    Type("edit_ch_volume_2", "-30");
    Settled();
    ChooseItem("scene_item_load_file");
    WaitForWorker(main);
    EXPECT_EQ(Settled().scenes[0].trimHundredths[2], 950);

    Undo();
    EXPECT_EQ(Settled().scenes[0].trimHundredths[2], 3000);
    EXPECT_EQ(main.FindControl(QStringLiteral("edit_ch_volume_2")).GetText(), "-30.0dB");

    QDir(dir).removeRecursively();
}

TEST_F(History, AFilesDifferingValuesAreListedAndWrittenToTheAmplifier) {
    const QString dir = QDir::temp().filePath(QStringLiteral("tonvia-compare-%1").arg(getpid()));
    QDir().mkpath(dir);
    const QString file = dir + QStringLiteral("/car.spf");
    hooks.fileDialog = [&](WindowImplBase&, bool, const QString&) { return file; };
    std::vector<std::string> rows;
    hooks.runDiff = [&](CDiffWnd& dialog) {
        rows = Names(dialog);
        Press(dialog, "btn_write");
        EXPECT_TRUE(dialog.Rows().empty());
    };
    OpenConnected();
    Type("edit_ch_volume_2", "-9.5");
    Settled();
    ChooseItem("scene_item_save_file");
    Type("edit_ch_volume_2", "-30");
    Settled();
    ChooseItem("scene_item_compare_file");
    EXPECT_EQ(rows, (std::vector<std::string>{"ch 3 gain"}));
    EXPECT_EQ(Settled().scenes[0].trimHundredths[2], 950);
    QDir(dir).removeRecursively();
}

// A whole profile compared scene by scene: a stored scene's differing value written into
// that scene of the amplifier, the working settings left as they were.
TEST_F(History, AWholeProfilesStoredSceneIsComparedAndWrittenBack) {
    const QString dir = QDir::temp().filePath(QStringLiteral("tonvia-wpf-%1").arg(getpid()));
    QDir().mkpath(dir);
    const QString file = dir + QStringLiteral("/club.wpf");
    hooks.fileDialog = [&](WindowImplBase&, bool, const QString&) { return file; };
    amp->Edit([](DeviceState& d) {
        d.scenes[2].trimHundredths[4] = 1250;
        d.validMask = 0x2;
    });
    std::vector<std::string> working_rows;
    std::vector<std::string> scene_rows;
    hooks.runDiff = [&](CDiffWnd& dialog) {
        working_rows = Names(dialog);
        dialog.ChooseScene(2);
        scene_rows = Names(dialog);
        Press(dialog, "btn_write");
        WaitForWorker(*window);
        EXPECT_TRUE(dialog.Rows().empty());
    };
    CMainWnd& main = OpenConnected();
    main.Manager().SetTransferPauses(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    ChooseItem("scene_item_save_whole");
    WaitForWorker(main);
    amp->Edit([](DeviceState& d) { d.scenes[2].trimHundredths[4] = 300; });
    const int working = Settled().scenes[0].trimHundredths[4];

    ChooseItem("scene_item_compare_file");
    WaitForWorker(main);
    EXPECT_TRUE(working_rows.empty());
    EXPECT_EQ(scene_rows, (std::vector<std::string>{"ch 5 gain"}));
    const DeviceState d = Settled();
    EXPECT_EQ(d.scenes[2].trimHundredths[4], 1250);
    EXPECT_EQ(d.scenes[0].trimHundredths[4], working);
    QDir(dir).removeRecursively();
}

TEST_F(History, VerifyListsWhatChangedBehindTheProgramsBackAndTakesIt) {
    std::vector<std::string> rows;
    hooks.runDiff = [&](CDiffWnd& dialog) {
        rows = Names(dialog);
        Press(dialog, "btn_take");
        EXPECT_TRUE(dialog.Rows().empty());
    };
    CMainWnd& main = OpenConnected();
    Settled();
    EXPECT_EQ(tonvia::sim::ExecuteControlCommand(*amp, "trim 2 600"), "ok");
    EXPECT_EQ(tonvia::sim::ExecuteControlCommand(*amp, "eqgain 1 5 150"), "ok");
    ChooseItem("scene_item_verify");
    WaitForWorker(main);
    EXPECT_EQ(rows, (std::vector<std::string>{"ch 1 band 5 eq.gain", "ch 2 gain"}));
    EXPECT_EQ(Live().channels[1].gain, -6.0f);
    EXPECT_EQ(main.FindControl(QStringLiteral("edit_ch_volume_1")).GetText(), "-6.0dB");

    boxes.clear();
    ChooseItem("scene_item_verify");
    WaitForWorker(main);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "${verify_in_sync}");
}

}  // namespace
}  // namespace mainpage_testing
