// The built main page: every control the page operations look up is there, of the kind
// they expect and carrying the number they read from its user data; the menus hold their
// items.
#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <cstdio>

#include "graph/equalizer.h"
#include "main_fixture.h"
#include "model/dimensions.h"
#include "model/positions.h"
#include "model/value_format.h"
#include "ui/menu.h"

namespace mainpage_testing {
namespace {

enum class Data { None, Number, InputAndChannel };

struct Expected {
    const char* name;  // a printf pattern when `count` > 0
    const char* kind;
    int first = 0;
    int count = 0;  // 0: a single control
    Data data = Data::None;
};

constexpr Expected kControls[] = {
    // master, ACC, source, current channel
    {"edit_main_volume", "EditUI"},
    {"slider_main_volume", "SliderUI"},
    {"main_mute", "OptionUI"},
    {"edit_acc", "EditUI"},
    {"slider_acc", "SliderUI"},
    {"btn_input_source", "ListUI"},
    {"label_channel_name", "LabelUI"},
    {"slider_ch_volume", "SliderUI"},
    {"edit_ch_volume", "EditUI"},
    {"ch_mute", "OptionUI"},
    {"ch_phase", "OptionUI"},
    // switches and buttons of the caption bar
    {"btn_amp_onoff", "SButtonUI"},
    {"btn_rem_out1_onoff", "SButtonUI"},
    {"btn_rem_out2_onoff", "SButtonUI"},
    {"btn_2ohm_spk", "SButtonUI"},
    {"btn_noise_gate", "SButtonUI"},
    {"minbtn", "ButtonUI"},
    {"btnConnect", "SButtonUI"},
    {"btn_option", "ButtonUI"},
    {"btn_scene", "ButtonUI"},
    {"btn_advance", "ButtonUI"},
    {"btn_debug", "ButtonUI"},
    {"btn_irc", "ButtonUI"},
    {"btn_channel_select", "ComboUI"},
    {"soft_version", "LabelUI"},
    {"inner_fw_version", "LabelUI"},
    // equaliser and crossover
    {"equalizer", "UIEqualizer"},
    {"hp_freq", "EditUI"},
    {"lp_freq", "EditUI"},
    {"hp_type", "ComboUI"},
    {"lp_type", "ComboUI"},
    {"hp_slop", "ComboUI"},
    {"lp_slop", "ComboUI"},
    {"btn_bypass", "ButtonUI"},
    {"btn_reset_eq", "ButtonUI"},
    {"btn_arg_eq", "SButtonUI"},
    {"btn_eq_menu", "ButtonUI"},
    {"eq_freq_%d", "EditUI", 0, kEqBandCount, Data::Number},
    {"eq_q_%d", "EditUI", 0, kEqBandCount, Data::Number},
    {"eq_gain_%d", "EditUI", 0, kEqBandCount, Data::Number},
    {"eq_slider_%d", "SliderUI", 0, kEqBandCount, Data::Number},
    {"pt_enable_%d", "CheckBoxUI", 0, kEqBandCount, Data::Number},
    // output configuration
    {"btn_delay_down", "ButtonUI"},
    {"btn_delay_up", "ButtonUI"},
    {"btn_distances", "ButtonUI"},
    {"btn_lock_output", "SButtonUI"},
    {"btn_link_output", "SButtonUI"},
    {"btn_reset_output", "ButtonUI"},
    {"btn_reset_link", "ButtonUI"},
    {"comb_ch_unit", "ComboUI"},
    {"speaker_%d", "SButtonUI", 1, 24, Data::Number},
    {"spk_con_%d", "LabelUI", 1, 24, Data::Number},
    {"spk_delay_%d", "EditUI", 1, 24, Data::Number},
    {"ch_bridge_%d", "SButtonUI", 0, kChannelPairCount, Data::Number},
    {"bridge_checkbox_%d", "CheckBoxUI", 0, kChannelPairCount, Data::Number},
    // channel strips
    {"ch_enable_%d", "SButtonUI", 0, kOutChannelCount, Data::Number},
    {"ch_output_btn_%d", "ButtonUI", 0, kOutChannelCount, Data::Number},
    {"slider_ch_volume_%d", "SliderUI", 0, kOutChannelCount, Data::Number},
    {"edit_ch_volume_%d", "EditUI", 0, kOutChannelCount, Data::Number},
    {"slider_ch_delay_%d", "SliderUI", 0, kOutChannelCount, Data::Number},
    {"edit_ch_delay_%d", "EditUI", 0, kOutChannelCount, Data::Number},
    {"control_empty_%d", "LabelUI", 0, kOutChannelCount, Data::Number},
    {"ch_mute_%d", "OptionUI", 0, kOutChannelCount, Data::Number},
    {"ch_phase_%d", "OptionUI", 0, kOutChannelCount, Data::Number},
    {"ch_solo_%d", "OptionUI", 0, kOutChannelCount, Data::Number},
    {"ch_show_%d", "OptionUI", 0, kOutChannelCount, Data::Number},
    {"ch_synchronize_%d", "OptionUI", 0, kOutChannelCount, Data::Number},
    {"delay_link_%d", "OptionUI", 0, kOutChannelCount, Data::Number},
    {"ch_border_top_%d", "QFrame", 0, kOutChannelCount, Data::Number},
    {"ch_border_buttom_%d", "QFrame", 0, kOutChannelCount, Data::Number},
    {"ch_border_left_%d", "QFrame", 0, kOutChannelCount, Data::Number},
    {"ch_border_right_%d", "QFrame", 0, kOutChannelCount, Data::Number},
};

class PageLayout : public MainWindowTest {};

TEST_F(PageLayout, EveryControlIsThereWithItsKindAndNumber) {
    CMainWnd& main = Open();
    int checked = 0;
    for (const Expected& e : kControls) {
        const int count = e.count == 0 ? 1 : e.count;
        for (int i = e.first; i < e.first + count; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, e.name, i);
            SCOPED_TRACE(name);
            const UiControl control = main.FindControl(QString::fromLatin1(name));
            ASSERT_TRUE(control);
            EXPECT_EQ(control.GetClass().toStdString(), e.kind);
            if (e.data == Data::Number) {
                EXPECT_EQ(control.GetUserData(), QString::number(i));
            }
            ++checked;
        }
    }
    // Routing options: input 0..3 to output channel 0..5.
    for (int input = 0; input < 4; ++input) {
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            const QString name = QStringLiteral("option_ch_in%1_%2").arg(input).arg(ch);
            SCOPED_TRACE(name.toStdString());
            const UiControl control = main.FindControl(name);
            ASSERT_TRUE(control);
            EXPECT_EQ(control.GetClass(), QStringLiteral("OptionUI"));
            EXPECT_EQ(control.GetUserData(), QStringLiteral("%1,%2").arg(input).arg(ch));
            ++checked;
        }
    }
    EXPECT_EQ(checked, 38 + 31 * 5 + 7 + 24 * 3 + 6 + 6 * 17 + 24);
}

TEST_F(PageLayout, ChannelStripsAreBuiltIntoTheirContainer) {
    CMainWnd& main = Open();
    QWidget* container = main.FindControl(QStringLiteral("channel_settings")).Widget();
    ASSERT_NE(container, nullptr);
    for (const char* name :
         {"ch_enable_0", "edit_ch_delay_5", "option_ch_in3_5", "ch_border_left_2"}) {
        SCOPED_TRACE(name);
        QWidget* control = main.FindControl(QLatin1String(name)).Widget();
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(container->isAncestorOf(control));
    }
}

TEST_F(PageLayout, SlidersHaveTheirValueRanges) {
    CMainWnd& main = Open();
    struct Range {
        const char* name;
        int min;
        int max;
    };
    const Range ranges[] = {
        {"slider_main_volume", kMainVolumeSliderMin, kMainVolumeSliderMax},
        {"slider_ch_volume", kChVolumeSliderMin, kChVolumeSliderMax},
        {"slider_ch_volume_0", kChVolumeSliderMin, kChVolumeSliderMax},
        {"slider_ch_volume_5", kChVolumeSliderMin, kChVolumeSliderMax},
        {"eq_slider_0", kEqGainSliderMin, kEqGainSliderMax},
        {"eq_slider_30", kEqGainSliderMin, kEqGainSliderMax},
    };
    for (const Range& r : ranges) {
        SCOPED_TRACE(r.name);
        const UiControl slider = main.FindControl(QLatin1String(r.name));
        EXPECT_EQ(slider.GetMinValue(), r.min);
        EXPECT_EQ(slider.GetMaxValue(), r.max);
    }
    // The delay slider must reach the whole model range; the level slider steps 0.5 dB.
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const UiControl delay = main.FindControl(QStringLiteral("slider_ch_delay_%1").arg(ch));
        EXPECT_LE(delay.GetMinValue(), 0);
        EXPECT_GE(delay.GetMaxValue(), kDelaySliderMax);
        EXPECT_EQ(main.FindControl(QStringLiteral("slider_ch_volume_%1").arg(ch)).GetStep(), 5);
    }
}

TEST_F(PageLayout, BindingShowsTheModel) {
    CMainWnd& main = Open();
    const SceneConfig& live = main.Manager().Live();
    // High-level source selected, only the offered sources listed.
    // The graph is the curve control itself, not the toolkit's stand-in.
    EXPECT_NE(main.FindControl(QStringLiteral("equalizer")).As<UIEqualizer>(), nullptr);
    auto* list = main.FindControl(QStringLiteral("btn_input_source")).As<QListWidget>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->currentRow(), kSourceHighLevel);
    EXPECT_EQ(live.inputSource, kSourceHighLevel);
    for (int i = 0; i < kInputSourceCount; ++i) {
        EXPECT_EQ(list->item(i)->isHidden(),
                  !kInputSources[static_cast<std::size_t>(i)].IsOffered())
            << i;
    }
    // Channel 0 is current and framed; the others are not.
    EXPECT_EQ(main.FindControl(QStringLiteral("label_channel_name")).GetText(), "CH1");
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_enable_0")).IsSelected());
    EXPECT_FALSE(main.FindControl(QStringLiteral("ch_border_top_0")).Widget()->isHidden());
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_border_top_1")).Widget()->isHidden());
    // GEQ mode at start: frequency and Q edits locked, gains editable.
    EXPECT_FALSE(main.FindControl(QStringLiteral("btn_arg_eq")).IsSelected());
    EXPECT_FALSE(main.FindControl(QStringLiteral("eq_freq_0")).IsEnabled());
    EXPECT_TRUE(main.FindControl(QStringLiteral("eq_gain_0")).IsEnabled());
    // The speaker diagram shows exactly the codes the channels hold.
    for (int code = 1; code < kPositionCodeCount; ++code) {
        EXPECT_EQ(!main.FindControl(QStringLiteral("speaker_%1").arg(code)).Widget()->isHidden(),
                  live.IsCodeInUse(code))
            << code;
    }
    EXPECT_EQ(main.FindControl(QStringLiteral("ch_output_btn_0")).GetText(),
              Tr("${front_left_full}"));
    // Without "debug.ini" the debug button stays hidden.
    EXPECT_TRUE(main.FindControl(QStringLiteral("btn_debug")).Widget()->isHidden());
}

// ---- Menus ---------------------------------------------------------------------------------

struct MenuCase {
    const char* file;
    std::vector<const char*> items;
};

class Menus : public MainWindowTest {
  protected:
    CMenuWnd* Build(const char* file) {
        return CMenuWnd::CreateMenu(QLatin1String(file), window->GetHWND(), QPoint(10, 10),
                                    eMenuAlignment_Left | eMenuAlignment_Top);
    }
};

TEST_F(Menus, EachMenuHoldsItsItems) {
    Open();
    const MenuCase cases[] = {
        {"xml/option_menu.xml",
         {"option_item_firmware_upgrade", "option_item_reset_default", "option_item_about",
          "option_item_language", "option_item_language_en", "option_item_language_cn",
          "option_item_language_ru"}},
        {"xml/scene_menu.xml",
         {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene",
          "scene_item_load_file", "scene_item_save_file", "scene_item_load_whole",
          "scene_item_save_whole"}},
        {"xml/advance_menu.xml",
         {"advance_item_mixer", "advance_item_noise_threshold", "advance_item_compressors_on",
          "advance_item_autocal", "advance_item_poweroff_delay", "advance_item_ktv",
          "advance_item_compressor", "advance_item_cs_auto", "advance_item_custom_eq"}},
        {"xml/eq_menu.xml", {"eq_item_channel", "eq_item_import", "eq_item_export", "eq_item_fit"}},
        {"xml/output_menu.xml",
         {"output_menu_front", "output_menu_front_left", "output_menu_front_right",
          "output_menu_rear", "output_menu_rear_left", "output_menu_rear_right",
          "output_menu_center", "output_menu_subwoof"}},
    };
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.file);
        CMenuWnd* menu = Build(c.file);
        ASSERT_NE(menu, nullptr);
        for (const char* item : c.items) {
            EXPECT_NE(menu->FindItem(QLatin1String(item)), nullptr) << item;
        }
        delete menu;
    }
}

TEST_F(Menus, OutputMenuOffersEveryPosition) {
    Open();
    CMenuWnd* menu = Build("xml/output_menu.xml");
    ASSERT_NE(menu, nullptr);
    for (const SpeakerPosition& position : kSpeakerPositions) {
        QAction* action = menu->FindItem(QLatin1String(position.tag));
        ASSERT_NE(action, nullptr) << position.tag;
        EXPECT_EQ(action->data().toString(), QString::number(position.code));
    }
    delete menu;
}

TEST_F(Menus, GroupMenusCarryGroupNumbers) {
    Open();
    for (const char* file : {"xml/delay_link_group_menu.xml", "xml/link_group_menu.xml"}) {
        SCOPED_TRACE(file);
        CMenuWnd* menu = Build(file);
        ASSERT_NE(menu, nullptr);
        const QString prefix = QLatin1String(file).contains(QLatin1String("delay"))
                                   ? QStringLiteral("delay_link_group_")
                                   : QStringLiteral("link_group_");
        for (int group = 0; group <= 6; ++group) {
            QAction* action = menu->FindItem(prefix + QString::number(group));
            ASSERT_NE(action, nullptr) << group;
            EXPECT_EQ(action->data().toString(), QString::number(group));
        }
        delete menu;
    }
}

TEST_F(Menus, ChangesBeforeShowing) {
    CMainWnd& main = Open();
    main.GetWidget()->show();
    Pump();
    // No link open: the device items are disabled, the file items stay usable.
    CMenuWnd* scene =
        main.ShowMenu(CMainWnd::Menu::Scene, main.FindControl(QStringLiteral("btn_scene")));
    ASSERT_NE(scene, nullptr);
    EXPECT_FALSE(scene->FindItem(QStringLiteral("scene_item_load_scene"))->isEnabled());
    EXPECT_FALSE(scene->FindItem(QStringLiteral("scene_item_delete_scene"))->isEnabled());
    EXPECT_TRUE(scene->FindItem(QStringLiteral("scene_item_load_file"))->isEnabled());

    CMenuWnd* option =
        main.ShowMenu(CMainWnd::Menu::Option, main.FindControl(QStringLiteral("btn_option")));
    ASSERT_NE(option, nullptr);
    EXPECT_FALSE(option->FindItem(QStringLiteral("option_item_reset_default"))->isEnabled());
    EXPECT_TRUE(option->FindItem(QStringLiteral("option_item_about"))->isEnabled());
    Pump();

    CMenuWnd* advance =
        main.ShowMenu(CMainWnd::Menu::Advance, main.FindControl(QStringLiteral("btn_advance")));
    ASSERT_NE(advance, nullptr);
    const char* const service[] = {"advance_item_autocal", "advance_item_ktv",
                                   "advance_item_compressor", "advance_item_cs_auto",
                                   "advance_item_custom_eq"};
    for (const char* hidden : service) {
        EXPECT_FALSE(advance->FindItem(QLatin1String(hidden))->isVisible()) << hidden;
    }
    EXPECT_FALSE(advance->FindItem(QStringLiteral("advance_item_poweroff_delay"))->isVisible());
    EXPECT_TRUE(advance->FindItem(QStringLiteral("advance_item_mixer"))->isVisible());
    advance->close();
    Pump();
    // Service use: with "debug.ini" in the working folder the service dialogs are offered.
    {
        QFile marker(QStringLiteral("debug.ini"));
        ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    }
    advance =
        main.ShowMenu(CMainWnd::Menu::Advance, main.FindControl(QStringLiteral("btn_advance")));
    ASSERT_NE(advance, nullptr);
    for (const char* shown : service) {
        EXPECT_TRUE(advance->FindItem(QLatin1String(shown))->isVisible()) << shown;
    }
    EXPECT_FALSE(advance->FindItem(QStringLiteral("advance_item_poweroff_delay"))->isVisible());
    QFile::remove(QStringLiteral("debug.ini"));

    // Output menu of channel 0 (front left full): held codes marked, conflicting ones off.
    CMenuWnd* output =
        main.ShowMenu(CMainWnd::Menu::Output, main.FindControl(QStringLiteral("ch_output_btn_1")));
    ASSERT_NE(output, nullptr);
    EXPECT_FALSE(
        output->FindItem(QStringLiteral("output_menu_front_left_all_freq"))->icon().isNull());
    EXPECT_TRUE(output->FindItem(QStringLiteral("output_menu_center_all_freq"))->icon().isNull());
    EXPECT_TRUE(output->FindItem(QStringLiteral("output_menu_center_all_freq"))->isEnabled());
    output->close();
    Pump();
}

}  // namespace
}  // namespace mainpage_testing
