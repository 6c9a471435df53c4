// Device reports on the page: what each report shows once the model took it, the curves
// the graph gets, and the re-sends that reach the amplifier.
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <functional>
#include <memory>

#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "graph/equalizer.h"
#include "main_fixture.h"
#include "model/positions.h"
#include "ui/window_registry.h"

namespace mainpage_testing {
namespace {

void Post(const CMainWnd& main, unsigned code, std::intptr_t value,
          std::unique_ptr<MessageRecord> record = nullptr, unsigned message = WM_READ_DSP_VALUE) {
    tonvia::ui::PostMessageTo(main.GetHWND(), message, code, value, std::move(record));
}

template <class Record>
std::unique_ptr<Record> ForChannel(int channel) {
    auto r = std::make_unique<Record>();
    r->channel = channel;  // scene 0: the live record
    return r;
}

void PostValue(const CMainWnd& main, unsigned code, int channel, int value) {
    auto r = ForChannel<ChValueRec>(channel);
    r->value = value;
    Post(main, code, 0, std::move(r));
}

void PostLink(const CMainWnd& main) {
    auto r = std::make_unique<LinkRec>();
    r->link = 1;
    Post(main, DSP_CH_LINK, 0, std::move(r));
}

double Peak(const ChannelCurve& curve) {
    double peak = -1e9;
    for (std::size_t i = 0; i < curve.levels.size(); ++i) {
        if (curve.frequencies[i] >= 20 && curve.frequencies[i] <= 20000) {
            peak = std::max(peak, curve.levels[i]);
        }
    }
    return peak;
}

class Reports : public MainWindowTest {
  protected:
    // The window connected to the virtual amplifier, its state read over and the command
    // queue on.
    CMainWnd& OpenConnected() {
        amp->Plug();
        CMainWnd& main = Open();
        CHidDevice& link = main.Manager().Device();
        QElapsedTimer clock;
        clock.start();
        do {
            Pump();
            QThread::msleep(5);
        } while ((main.Manager().WorkerRunning() || !link.IsQueueEnabled()) &&
                 clock.elapsed() < 30000);
        return main;
    }
    QString Text(const char* name) const {
        return window->FindControl(QLatin1String(name)).GetText();
    }
    bool Selected(const char* name) const {
        return window->FindControl(QLatin1String(name)).IsSelected();
    }
    int Value(const char* name) const {
        return window->FindControl(QLatin1String(name)).GetValue();
    }
    bool Enabled(const char* name) const {
        return window->FindControl(QLatin1String(name)).IsEnabled();
    }
};

struct ReportCase {
    const char* what;
    std::function<void(CMainWnd&)> post;
    std::function<void()> check;
};

TEST_F(Reports, EachReportShowsWhatItNames) {
    CMainWnd& main = Open();
    EqualizerManager& manager = main.Manager();
    SceneConfig& live = manager.Live();
    // The page as bound, with the high-level source selected.
    const ModelSet initial = manager.Model();
    ModelSet before;
    auto reset = [&] {
        manager.Model() = initial;
        live.inputSource = kSourceHighLevel;
        main.FindControl(QStringLiteral("btn_input_source")).SelectItem(kSourceHighLevel, false);
        manager.ShowInputSource();
        manager.UpdateAllVolumeEdit();
        manager.RebuildSpeakers();
        manager.ShowCurrentChannel(0);
    };
    auto sourceFour = [&] {
        EXPECT_EQ(live.inputSource, 4);
        EXPECT_EQ(main.FindControl(QStringLiteral("btn_input_source")).GetCurSel(), 4);
        // The low-level source has no routing options to show.
        EXPECT_FALSE(main.FindControl(QStringLiteral("option_ch_in0_0")).IsVisible());
    };
    const ReportCase cases[] = {
        {"volume -12", [](CMainWnd& m) { Post(m, DSP_VOLUME, -12); },
         [&] {
             EXPECT_EQ(Value("slider_main_volume"), -12);
             EXPECT_EQ(Text("edit_main_volume"), "-12dB");
         }},
        {"volume -60", [](CMainWnd& m) { Post(m, DSP_VOLUME, -60); },
         [&] { EXPECT_EQ(Text("edit_main_volume"), Tr("${off}")); }},
        {"band 30 of 31 stored, band 31 ignored",
         [](CMainWnd& m) {
             for (const int band : {30, 31}) {
                 auto r = ForChannel<EqBandRec>(0);
                 r->band = band, r->freq = 16000, r->Q = 2.0f, r->gain = band == 30 ? -3.5f : 6.0f;
                 Post(m, DSP_EQ_CH, 0, std::move(r));
             }
         },
         [&] {
             EXPECT_EQ(Text("eq_freq_30"), "16000");
             EXPECT_EQ(Text("eq_q_30"), "2.00");
             EXPECT_EQ(Text("eq_gain_30"), "-3.5");
             EXPECT_EQ(Value("eq_slider_30"), -35);
             EXPECT_TRUE(Selected("pt_enable_30"));
         }},
        {"band of a bypassed channel shows no gain",
         [](CMainWnd& m) {
             m.Manager().Live().channels[0].bypass = 1;
             auto r = ForChannel<EqBandRec>(0);
             r->band = 2, r->freq = 100, r->Q = 1.0f, r->gain = 4.0f;
             Post(m, DSP_EQ_CH, 0, std::move(r));
         },
         [&] {
             EXPECT_EQ(Text("eq_freq_2"), "100");
             EXPECT_EQ(Text("eq_gain_2"), "0.0");
             EXPECT_EQ(Value("eq_slider_2"), 0);
             EXPECT_FALSE(Selected("pt_enable_2"));
         }},
        {"trim -12.5 of the current channel",
         [](CMainWnd& m) {
             auto r = ForChannel<ChFloatRec>(0);
             r->value = -12.5f;
             Post(m, DSP_TRIM_CH, 0, std::move(r));
         },
         [&] {
             EXPECT_EQ(Value("slider_ch_volume_0"), -125);
             EXPECT_EQ(Text("edit_ch_volume_0"), "-12.5dB");
             EXPECT_EQ(Value("slider_ch_volume"), -125);
             EXPECT_EQ(Text("edit_ch_volume"), "-12.5dB");
         }},
        {"channel type keeps the crossover", [](CMainWnd& m) { PostValue(m, DSP_CH_TYPE, 0, 1); },
         [&] {
             EXPECT_EQ(Text("ch_output_btn_0"), Tr("${front_left_tweeter}"));
             EXPECT_TRUE(main.FindControl(QStringLiteral("speaker_1")).IsVisible());
             EXPECT_EQ(Text("hp_freq"),
                       QStringLiteral("%1Hz").arg(initial.live.channels[0].crossover.hp.fs));
         }},
        {"EQ bypass 1 of the current channel",
         [&](CMainWnd& m) {
             live.channels[0].eqArray[0].gain = 3.0f;  // "${bypass_eq}" before the report
             manager.ShowCurrentChannel(0);
             EXPECT_EQ(Text("btn_bypass"), Tr("${bypass_eq}"));
             PostValue(m, DSP_EQ_BYPASS, 0, 1);
         },
         [&] { EXPECT_EQ(Text("btn_bypass"), Tr("${restore_eq}")); }},
        {"mute of a bridged channel",
         [](CMainWnd& m) {
             m.Manager().Live().bridgeOutputs[1] = 1;
             PostValue(m, DSP_MUTE_CH, 2, 1);
         },
         [&] {
             EXPECT_TRUE(Selected("ch_mute_2"));
             EXPECT_TRUE(Selected("ch_mute_3"));
             EXPECT_FALSE(Selected("ch_mute_1"));
         }},
        {"solo is exclusive",
         [](CMainWnd& m) {
             m.Manager().Live().channels[1].solo = 1;
             m.FindControl(QStringLiteral("ch_solo_1")).Selected(true, false);
             PostValue(m, DSP_CH_SOLO, 4, 1);
         },
         [&] {
             EXPECT_TRUE(Selected("ch_solo_4"));
             EXPECT_FALSE(Selected("ch_solo_1"));
         }},
        {"link on", [](CMainWnd& m) { PostLink(m); },
         [&] {
             EXPECT_TRUE(Selected("btn_link_output"));
             EXPECT_TRUE(Selected("btn_lock_output"));
             EXPECT_FALSE(Enabled("ch_synchronize_2"));
             EXPECT_FALSE(Enabled("delay_link_2"));
             EXPECT_FALSE(Enabled("ch_output_btn_2"));
         }},
        {"lock released while linked",
         [](CMainWnd& m) {
             PostLink(m);
             Post(m, DSP_CH_LOCK, 0, std::make_unique<LockRec>());
         },
         [&] {
             EXPECT_FALSE(Selected("btn_lock_output"));
             EXPECT_FALSE(Selected("btn_link_output"));
             EXPECT_TRUE(Enabled("ch_output_btn_2"));
         }},
        {"amplifier mute", [](CMainWnd& m) { Post(m, DSP_AMP_MUTE, 1); },
         [&] {
             EXPECT_EQ(Text("btn_amp_onoff"), Tr("${amp_off}"));
             EXPECT_FALSE(Selected("btn_amp_onoff"));
         }},
        {"karaoke code 11 changes nothing",
         [&](CMainWnd& m) {
             before = manager.Model();
             Post(m, 11, 5, nullptr, WM_READ_KTV_VALUE);
         },
         [&] { EXPECT_TRUE(manager.Model() == before); }},
        {"source 0x55", [](CMainWnd& m) { Post(m, DSP_SOURCE_SWITCH, 0x55); }, sourceFour},
        {"source 0x5A", [](CMainWnd& m) { Post(m, DSP_SOURCE_SWITCH, 0x5A); }, sourceFour},
    };
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        c.post(main);
        Pump();
        c.check();
    }
}

// What a state read leaves in the model reaches the graph: every channel's curve, the
// bypassed one flat.
TEST_F(Reports, UpdateEqualizerHandsEveryCurveToTheGraph) {
    CMainWnd& main = Open();
    EqualizerManager& manager = main.Manager();
    auto* graph = main.FindControl(QStringLiteral("equalizer")).As<UIEqualizer>();
    ASSERT_NE(graph, nullptr);
    manager.ShowCurrentChannel(0);
    for (const int ch : {0, 1, 2}) {
        OutChannel& c = manager.Live().channels[static_cast<std::size_t>(ch)];
        c.eqArray[10] = EqBand{6.0f, 2.0f, 1000, 1};
        c.bypass = ch == 1 ? 1 : 0;
    }
    manager.UpdateEqualizer(-1);
    EXPECT_EQ(graph->CurveCount(), kOutChannelCount);
    EXPECT_EQ(graph->CurrentChannel(), 0);
    EXPECT_FALSE(graph->IsAllFlat());
    EXPECT_FLOAT_EQ(graph->Band(10).gain, 6.0f);
    EXPECT_NEAR(Peak(graph->Curve(0)), 6.0, 0.2);
    EXPECT_NEAR(Peak(graph->Curve(2)), 6.0, 0.2);  // not the current channel
    EXPECT_LT(Peak(graph->Curve(1)), 0.5);
}

TEST_F(Reports, ReSendsReachTheAmplifier) {
    CMainWnd& main = OpenConnected();
    CHidDevice& link = main.Manager().Device();
    ASSERT_TRUE(link.IsConnected());
    ASSERT_TRUE(link.IsQueueEnabled());
    SceneConfig& live = main.Manager().Live();
    live.bridgeOutputs[1] = 1;
    live.linkMode = 1;
    live.lockMode = 1;
    amp->Edit([](tonvia::sim::DeviceState& s) { s.scenes[0].link.on = 1; });

    PostValue(main, DSP_MUTE_CH, 2, 1);
    auto trim = ForChannel<ChFloatRec>(3);
    trim->value = -12.5f;
    Post(main, DSP_TRIM_CH, 0, std::move(trim));
    PostValue(main, DSP_CH_SOLO, 4, 1);
    auto phase = ForChannel<ChPhaseRec>(1);
    phase->phase = 1;
    Post(main, DSP_PHASE_CH, 0, std::move(phase));
    Post(main, DSP_CH_LOCK, 0, std::make_unique<LockRec>());
    QElapsedTimer clock;
    clock.start();
    do {
        Pump();
        QThread::msleep(5);
    } while (!(clock.elapsed() > 100 && link.IsQueueIdle()) && clock.elapsed() < 10000);

    const auto s = amp->Snapshot().scenes[0];
    EXPECT_EQ(s.mute[2], 1);
    EXPECT_EQ(s.mute[3], 1);  // the bridged partner
    EXPECT_EQ(s.trimHundredths[3], 1250);
    EXPECT_EQ(s.solo[4], 1);
    EXPECT_EQ(std::count(s.solo.begin(), s.solo.end(), 1), 1);
    EXPECT_EQ(s.phase[1], 1);
    EXPECT_EQ(s.link.on, 0);
}

}  // namespace
}  // namespace mainpage_testing
