// The measurement tools end to end: filter files through the EQ menu, the time alignment
// from distances and the EQ fit, each reaching the virtual amplifier and undone in one step.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cmath>
#include <functional>

#include "edits_fixture.h"
#include "graph/math/filter_response.h"
#include "graph/response_chart.h"
#include "mainpage/distances_wnd.h"
#include "mainpage/eq_fit_wnd.h"

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

// A room that lifts 80 Hz by 6 dB and pulls 1.2 kHz down by 5 dB, on a 75 dB level.
QByteArray Measurement() {
    constexpr int kPoints = 300;
    std::vector<double> hz(kPoints + 2);
    for (int i = 0; i < kPoints; ++i) {
        hz[static_cast<std::size_t>(i)] = 15.0 * std::pow(22000.0 / 15.0, i / (kPoints - 1.0));
    }
    hz[kPoints] = CURVE_SAMPLE_RATE / 2.0;
    hz[kPoints + 1] = CURVE_SAMPLE_RATE;
    std::vector<double> bump(kPoints), dip(kPoints);
    PeqResponse(CURVE_SAMPLE_RATE, 80.0, 6.0, 2.0, hz, bump);
    PeqResponse(CURVE_SAMPLE_RATE, 1200.0, -5.0, 3.0, hz, dip);
    QByteArray text = "* Freq(Hz) SPL(dB) Phase(degrees)\n";
    for (int i = 0; i < kPoints; ++i) {
        const auto k = static_cast<std::size_t>(i);
        text += QByteArray::number(hz[k], 'f', 3) + ' ' +
                QByteArray::number(75.0 + bump[k] + dip[k], 'f', 2) + " 0\n";
    }
    return text;
}

TEST_F(MeasurementTools, AFittedEqIsShownBeforeItIsAppliedAndUndoneInOneStep) {
    std::vector<EqBand> fitted;
    int bandsUsed = 0;
    RunDialog<CEqFitWnd>([&](CEqFitWnd& dialog) {
        // A broken file first: the reader's line is named and nothing is loaded.
        Write(QStringLiteral("bad.frd"), "20 80\n25 81\n31 x\n");
        Press(dialog, "btn_measurement");
        EXPECT_EQ(dialog.FindControl(QStringLiteral("fit_status")).GetText(),
                  "bad.frd could not be read:\nline 3: no level after the frequency");
        EXPECT_FALSE(dialog.FindControl(QStringLiteral("btn_fit")).IsEnabled());

        Write(QStringLiteral("seat.frd"), Measurement());
        Press(dialog, "btn_measurement");
        Press(dialog, "btn_fit");
        ASSERT_TRUE(dialog.ShownFit().has_value());
        const auto* chart = dialog.FindControl(QStringLiteral("fit_chart")).As<ResponseChart>();
        ASSERT_NE(chart, nullptr);
        EXPECT_EQ(chart->GetSeries().size(), 3u);
        EXPECT_LT(dialog.ShownFit()->rmsAfterDb, dialog.ShownFit()->rmsBeforeDb / 2);
        EXPECT_TRUE(dialog.FindControl(QStringLiteral("fit_status"))
                        .GetText()
                        .startsWith(QStringLiteral("RMS error over 50–10000 Hz")));
        fitted = dialog.ShownFit()->bands;
        bandsUsed = dialog.ShownFit()->bandsUsed;
        Press(dialog, "btn_apply");
        EXPECT_FALSE(dialog.FindControl(QStringLiteral("btn_apply")).IsEnabled());
    });
    OpenConnected();
    const auto before = Bands(0, 31);
    const std::size_t entries = Entries();
    ChooseItem("eq_item_fit");

    ASSERT_GT(bandsUsed, 0);
    const auto after = Bands(0, bandsUsed);
    for (int b = 0; b < bandsUsed; ++b) {
        const EqBand& band = fitted[static_cast<std::size_t>(b)];
        EXPECT_EQ(after[static_cast<std::size_t>(b)],
                  (std::array<int, 3>{band.freq, static_cast<int>(std::lround(band.q * 10)) * 10,
                                      static_cast<int>(std::lround(band.gain * 10)) + 180}))
            << b;
    }
    EXPECT_EQ(Entries(), entries + 1);
    window->OnHistoryKey(false);
    EXPECT_EQ(Bands(0, 31), before);
}

}  // namespace
}  // namespace mainpage_testing
