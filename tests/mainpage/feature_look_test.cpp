// The feature dialogs filled with what the virtual amplifier holds, in each language at
// 100 % and 150 %: each window is as large as its contents ask, and a picture of it goes to
// the shots folder.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLayout>
#include <QThread>
#include <cmath>
#include <functional>

#include "commands/command_codes.h"
#include "dialogs/cs_auto_wnd.h"
#include "dialogs/ktv_wnd.h"
#include "dialogs/msg_wnd.h"
#include "main_fixture.h"
#include "mainpage/auto_cal_wnd.h"
#include "mainpage/compressors_on_wnd.h"
#include "mainpage/custom_eq_wnd.h"
#include "mainpage/diff_wnd.h"
#include "mainpage/distances_wnd.h"
#include "mainpage/eq_fit_wnd.h"
#include "mainpage/mixer_wnd.h"
#include "platform/settings.h"
#include "tuning/custom_eq_edits.h"
#include "tuning/mixer_edits.h"
#include "ui/menu.h"
#include "ui/window_registry.h"

namespace mainpage_testing {
namespace {

struct LookParam {
    const char* languageItem;
    const char* tag;
    int dpi;
};

class FeatureLook : public MainWindowTest, public ::testing::WithParamInterface<LookParam> {
  protected:
    CMainWnd& OpenConnected(int dpi) {
        amp->Edit([](tonvia::sim::DeviceState& s) {
            auto& scene = s.scenes[0];
            scene.mix[0] = {1, 2, 3, 3, 1, 2};
            for (int o = 0; o < 6; ++o) {
                scene.inputMixTrim[0][0][static_cast<std::size_t>(o)] =
                    static_cast<std::uint8_t>(60 + 6 * o);
                scene.inputMixTrim[0][1][static_cast<std::size_t>(o)] =
                    static_cast<std::uint8_t>(94 - 4 * o);
            }
            scene.crossMix[0][0] = {3, 1, 28};
            scene.inputPhase[0][1] = 1;
            scene.compressorOn = {1, 1, 0, 0, 1, 0};
            for (std::size_t ch = 0; ch < 6; ++ch) {
                scene.compressor2[ch].thresholdInt = static_cast<std::int8_t>(20 + 5 * ch);
                scene.compressor2[ch].attackMs = static_cast<std::uint16_t>(10 + 20 * ch);
            }
            s.karaoke[KTV_MIC_VOL - 1] = 48;
            s.karaoke[KTV_ECHO_DELAY - 1] = 220;
            s.outputDistortion[0][3] = 1;
        });
        amp->Plug();
        hooks.fileDialog = [this](WindowImplBase&, bool, const QString&) { return file; };
        CMainWnd& main = Open(dpi);
        main.GetWidget()->show();
        Wait([&] { return main.FindControl(QStringLiteral("btnConnect")).IsSelected(); });
        Wait([&] { return !main.Manager().WorkerRunning(); });
        return main;
    }
    static void Wait(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 10000) {
            Pump();
            QThread::msleep(2);
        }
        Pump();
    }
    // Shows the dialog over the page, fills it, checks that it has the room its layout asks
    // for and writes its picture.
    void Look(WindowImplBase* dialog, const char* name, const QString& suffix,
              const std::function<void(WindowImplBase&)>& fill = {}) {
        ASSERT_TRUE(dialog->Create(window->GetWidget(), QLatin1String(name)));
        dialog->ShowWindow();
        if (fill) {
            fill(*dialog);
        }
        Pump();
        QWidget* host = dialog->GetWidget();
        QWidget* root = host->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_NE(root, nullptr);
        const QSize needed = root->layout()->totalMinimumSize();
        EXPECT_GE(host->width(), needed.width()) << name;
        EXPECT_GE(host->height(), needed.height()) << name;
        const QString dir = QStringLiteral(TONVIA_SHOTS_DIR);
        QDir().mkpath(dir);
        EXPECT_TRUE(host->grab().save(dir + QStringLiteral("/feature_") + QLatin1String(name) +
                                      QLatin1Char('_') + suffix + QStringLiteral(".png")));
        dialog->Close(0);
        Pump();
    }

    QString file;  // what the open and save dialogs choose
};

TEST_P(FeatureLook, EachDialogFitsItsContentsAndIsPictured) {
    const LookParam& p = GetParam();
    CMainWnd& main = OpenConnected(p.dpi);
    auto record = std::make_unique<MenuCommandRecord>();
    record->name = QLatin1String(p.languageItem);
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_MENU_COMMAND, 0, 0, std::move(record));
    Pump();
    const QString suffix = QStringLiteral("%1_%2").arg(QLatin1String(p.tag)).arg(p.dpi * 100 / 96);
    EqualizerManager& owner = main.Manager();
    tonvia::tuning::Session& session = owner.Session();
    // One clipping poll first, so that the mixer's indicators show what it found.
    ASSERT_TRUE(tonvia::tuning::RequestDistortion(session, 0));
    Wait([&] { return owner.Live().outDistort[0][3] != 0; });
    Look(new CMixerWnd(owner), "mixer", suffix);
    Look(new CCompressorsOnWnd(owner), "compressors_on", suffix);
    Look(new CCompressorWnd(owner), "compressor", suffix);
    Look(new CKtvWnd(session), "ktv", suffix);
    tonvia::tuning::CsAutoSetting block;
    tonvia::tuning::SetCsAutoDefaults(block);
    Look(new CSAutoWnd(session, block, 0, 0), "cs_auto", suffix);
    const tonvia::tuning::CustomEqTable gains{};
    Look(new CCustomEqWnd(session, tonvia::tuning::CustomEqFactoryFrequencies(), gains),
         "custom_eq", suffix);

    // The differences from an amplifier that holds three values otherwise.
    ModelSet amplifier = owner.Model();
    amplifier.live.channels[1].gain = -6.0f;
    amplifier.live.channels[0].eqArray[4].gain = -3.0f;
    amplifier.live.channels[2].crossover.hp.SetSlope(4);
    Look(new CDiffWnd(owner, CDiffWnd::Mode::Amplifier, amplifier), "diff", suffix);
    // The measurement tools: the distances applied, a fitted EQ, an import's report.
    const QString files = QDir::temp().filePath(QStringLiteral("tonvia-look-%1").arg(p.tag));
    QDir().mkpath(files);
    auto write = [&](const char* name, const QByteArray& text) {
        QFile out(files + QLatin1Char('/') + QLatin1String(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        return out.fileName();
    };
    Look(new CDistancesWnd(owner), "distances", suffix, [](WindowImplBase& dialog) {
        const char* distances[] = {"120", "95", "140", "100", "", "210"};
        for (int ch = 0; ch < 6; ++ch) {
            dialog.FindControl(QStringLiteral("distance_%1").arg(ch))
                .SetText(QLatin1String(distances[ch]));
        }
        static_cast<CDistancesWnd&>(dialog).Apply();
    });
    QByteArray measured = "* Freq(Hz) SPL(dB)\n";
    for (int i = 0; i < 200; ++i) {
        const double hz = 15.0 * std::pow(22000.0 / 15.0, i / 199.0);
        const double octave = std::log2(hz / 100.0);
        const double level = 82.0 + 7.0 * std::exp(-octave * octave * 4.0) -
                             4.0 * std::exp(-std::pow(std::log2(hz / 2500.0) * 3.0, 2.0));
        measured += QByteArray::number(hz, 'f', 2) + ' ' + QByteArray::number(level, 'f', 2) + '\n';
    }
    const QString measurement = write("seat.frd", measured);
    Look(new CEqFitWnd(owner, 0), "eq_fit", suffix, [&](WindowImplBase& dialog) {
        auto& fit = static_cast<CEqFitWnd&>(dialog);
        fit.FindControl(QStringLiteral("target_combo")).SelectItem(1);
        EXPECT_TRUE(fit.LoadMeasurement(measurement));
        EXPECT_TRUE(fit.Fit());
    });
    const QString filters = write("room.txt",
                                  "Filter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 3.00\n"
                                  "Filter 2: ON LS Fc 100 Hz Gain 3.0 dB\n"
                                  "Filter 3: ON PK Fc 2500 Hz Gain 25.0 dB Q 1.50\n"
                                  "Filter 4: OFF PK Fc 1000 Hz Gain 1.0 dB Q 1.00\n");
    file = filters;
    boxes.clear();
    record = std::make_unique<MenuCommandRecord>();
    record->name = QStringLiteral("eq_item_import");
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_MENU_COMMAND, 0, 0, std::move(record));
    Pump();
    ASSERT_EQ(boxes.size(), 1u);
    Look(new CMsgWnd(QStringLiteral("${tips}"), boxes.front(), {QStringLiteral("${confirm}")}, 1),
         "import_report", suffix);
    QDir(files).removeRecursively();

    // The calibration after a run of the first two channels: curves and the done state.
    auto* calibration = new CAutoCalWnd(session);
    calibration->SetTimings({std::chrono::milliseconds(5)});
    ASSERT_TRUE(calibration->Create(main.GetWidget(), QStringLiteral("autocal")));
    calibration->ShowWindow();
    for (int ch = 2; ch < 6; ++ch) {
        calibration->FindControl(QString::asprintf("ch_checkbox_%d", ch)).Selected(false);
    }
    calibration->FindControl(QStringLiteral("start_auto_cal")).As<QAbstractButton>()->click();
    Wait([&] {
        return calibration->FindControl(QStringLiteral("closebtn")).IsEnabled() &&
               !calibration->Running();
    });
    const QString dir = QStringLiteral(TONVIA_SHOTS_DIR);
    EXPECT_TRUE(calibration->GetWidget()->grab().save(dir + QStringLiteral("/feature_autocal_") +
                                                      suffix + QStringLiteral(".png")));
    calibration->SetBoxes({}, [](const QString&) { return false; });
    calibration->FindControl(QStringLiteral("closebtn")).As<QAbstractButton>()->click();
    Pump();
    WriteConfigString("lan", "0");
}

INSTANTIATE_TEST_SUITE_P(Languages, FeatureLook,
                         ::testing::Values(LookParam{"option_item_language_en", "en", 96},
                                           LookParam{"option_item_language_en", "en", 144},
                                           LookParam{"option_item_language_cn", "cn_zh", 96},
                                           LookParam{"option_item_language_cn", "cn_zh", 144},
                                           LookParam{"option_item_language_ru", "ru", 96},
                                           LookParam{"option_item_language_ru", "ru", 144}),
                         [](const ::testing::TestParamInfo<LookParam>& info) {
                             return std::string(info.param.tag) + "_" +
                                    std::to_string(info.param.dpi * 100 / 96);
                         });

}  // namespace
}  // namespace mainpage_testing
