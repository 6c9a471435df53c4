// The measurement tools end to end: filter files through the EQ menu and the time alignment
// from distances, each reaching the virtual amplifier and undone in one step.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "edits_fixture.h"
#include "mainpage/distances_wnd.h"

namespace mainpage_testing {
namespace {

class MeasurementTools : public Edits {
  protected:
    void SetUp() override {
        Edits::SetUp();
        dir = QDir::temp().filePath(QStringLiteral("tonvia-tools-%1").arg(getpid()));
        QDir().mkpath(dir);
        hooks.fileDialog = [this](WindowImplBase&, bool, const QString&) { return file; };
        hooks.runToolDialog = [this](WindowImplBase& dialog) { useDialog(dialog); };
    }
    void TearDown() override {
        Edits::TearDown();
        QDir(dir).removeRecursively();
    }
    void Write(const QString& name, const QByteArray& text) {
        file = dir + QLatin1Char('/') + name;
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    }
    std::size_t Entries() { return window->Manager().History().UndoCount(); }
    // The amplifier's bands of channel ch as frequency, Q × 100 (the wire carries tenths) and
    // gain × 10 + 180.
    std::vector<std::array<int, 3>> Bands(int ch, int count) {
        const DeviceState state = Settled();
        std::vector<std::array<int, 3>> bands;
        for (int b = 0; b < count; ++b) {
            const auto& band =
                state.scenes[0].eq[static_cast<std::size_t>(ch)][static_cast<std::size_t>(b)];
            bands.push_back({band.freq, band.qHundredths, band.gainTenths});
        }
        return bands;
    }
    // What the test does with the next dialog the page opens.
    template <class Dialog>
    void RunDialog(const std::function<void(Dialog&)>& use) {
        useDialog = [use](WindowImplBase& dialog) {
            auto* typed = dynamic_cast<Dialog*>(&dialog);
            ASSERT_NE(typed, nullptr);
            use(*typed);
        };
    }
    static void Press(WindowImplBase& dialog, const char* button) {
        auto* widget = dialog.FindControl(QLatin1String(button)).As<QAbstractButton>();
        ASSERT_NE(widget, nullptr) << button;
        widget->click();
    }

    QString dir;
    QString file;
    std::function<void(WindowImplBase&)> useDialog;
};

TEST_F(MeasurementTools, AFilterFileImportedThroughTheMenuReachesTheAmplifier) {
    Write(QStringLiteral("room.txt"),
          "Filter Settings file\n\nEqualiser: Generic\n"
          "Filter  1: ON  PK       Fc    63.0 Hz  Gain  -4.5 dB  Q  3.00\n"
          "Filter  2: ON  LS       Fc   100 Hz  Gain   3.0 dB\n"
          "Filter  3: ON  PK       Fc  2500 Hz  Gain   2.0 dB  Q  1.50\n");
    OpenConnected();
    // The menu names the current channel and acts on it.
    Click("ch_enable_2");
    Click("btn_eq_menu");
    ASSERT_NE(window->OpenMenu(), nullptr);
    EXPECT_EQ(window->OpenMenu()->FindItem(QStringLiteral("eq_item_channel"))->text(), "CH3");
    window->OpenMenu()->close();
    ChooseItem("eq_item_import");

    const auto bands = Bands(2, 2);
    EXPECT_EQ(bands[0], (std::array<int, 3>{63, 300, 135}));
    EXPECT_EQ(bands[1], (std::array<int, 3>{2500, 150, 200}));
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(boxes.back().startsWith(QStringLiteral("2 filters imported into CH3.")))
        << boxes.back().toStdString();
    EXPECT_TRUE(boxes.back().contains(QStringLiteral("Line 5, not taken: low shelf")))
        << boxes.back().toStdString();
    EXPECT_EQ(window->FindControl(QStringLiteral("eq_gain_0")).GetText(), "-4.5");

    // A file of no filters changes nothing and says so; so does one far too large.
    const auto before = Bands(2, 31);
    Write(QStringLiteral("half.txt"), "Filter 1: ON PK Fc 100 Hz\n");
    ChooseItem("eq_item_import");
    EXPECT_TRUE(boxes.back().startsWith(
        QStringLiteral("half.txt holds no peaking filter or preamp\nthat CH3 can take.")));
    EXPECT_TRUE(boxes.back().contains(QStringLiteral("Line 1, not understood")));
    Write(QStringLiteral("huge.txt"), QByteArray(2 << 20, ' '));
    ChooseItem("eq_item_import");
    EXPECT_TRUE(boxes.back().startsWith(QStringLiteral("huge.txt is too large")));
    EXPECT_EQ(Bands(2, 31), before);
}

TEST_F(MeasurementTools, ExportedFiltersImportBackToTheSameBands) {
    OpenConnected();
    Click("btn_arg_eq");  // PEQ: frequencies and Q move too
    Slide("eq_slider_3", -65);
    Slide("eq_slider_5", 35);
    Key("eq_freq_5", Qt::Key_Up);
    Key("eq_q_5", Qt::Key_Down);
    const auto shaped = Bands(0, 31);
    Write(QStringLiteral("ch1.txt"), {});
    ChooseItem("eq_item_export");
    EXPECT_TRUE(boxes.back().contains(QStringLiteral("ch1.txt")));

    Click("btn_reset_eq");
    ASSERT_NE(Bands(0, 31), shaped);
    ChooseItem("eq_item_import");
    EXPECT_EQ(Bands(0, 31), shaped);
}

TEST_F(MeasurementTools, DistancesSetTheDelaysAndOneUndoRestoresThem) {
    RunDialog<CDistancesWnd>([](CDistancesWnd& dialog) {
        const char* distances[] = {"120", "95", "140", "100"};
        for (int ch = 0; ch < 4; ++ch) {
            dialog.FindControl(QStringLiteral("distance_%1").arg(ch))
                .SetText(QLatin1String(distances[ch]));
        }
        Press(dialog, "btn_apply");
        EXPECT_TRUE(dialog.FindControl(QStringLiteral("report_text")).IsVisible());
    });
    OpenConnected();
    Type("edit_ch_delay_4", "2.5");
    const auto before = Settled().scenes[0].delayThousandths;
    const std::size_t entries = Entries();
    Click("btn_distances");

    // Sound runs 343 m/s: each speaker waits for the 140 cm of CH3, within one 21 us step.
    const auto delays = Settled().scenes[0].delayThousandths;
    EXPECT_NEAR(delays[0], 583, 21);
    EXPECT_NEAR(delays[1], 1312, 21);
    EXPECT_EQ(delays[2], 0u);
    EXPECT_NEAR(delays[3], 1166, 21);
    EXPECT_EQ(delays[4], 2500u);  // left blank: kept
    EXPECT_EQ(window->FindControl(QStringLiteral("edit_ch_delay_2")).GetText(), "0.000 ms");
    EXPECT_EQ(Entries(), entries + 1);

    window->OnHistoryKey(false);
    EXPECT_EQ(Settled().scenes[0].delayThousandths, before);

    // The distances are offered again, here in inches as the page now shows.
    Choose("comb_ch_unit", 2);
    RunDialog<CDistancesWnd>([](CDistancesWnd& dialog) {
        EXPECT_EQ(dialog.FindControl(QStringLiteral("distance_2")).GetText(), "55.1");
        EXPECT_EQ(dialog.FindControl(QStringLiteral("unit_2")).GetText(), "inch");
        dialog.FindControl(QStringLiteral("distance_1")).SetText(QStringLiteral("far"));
        Press(dialog, "btn_apply");
        EXPECT_TRUE(dialog.FindControl(QStringLiteral("report_text"))
                        .GetText()
                        .startsWith(QStringLiteral("CH2: enter a distance in inch")));
    });
    Click("btn_distances");
    EXPECT_EQ(Settled().scenes[0].delayThousandths, before);
}

}  // namespace
}  // namespace mainpage_testing
