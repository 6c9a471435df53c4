// Notification and menu routing, and the right/left key ring: pure tables, no window.
#include <gtest/gtest.h>

#include "mainpage/page_routes.h"

namespace {

struct RouteCase {
    const char* type;
    const char* name;
    const char* userData;
    PageAction action;
    int index;
    bool up = false;
};

TEST(PageRoutes, NotificationsReachTheirOperation) {
    const RouteCase cases[] = {
        {"click", "btnConnect", "", PageAction::ConnectDevice, -1},
        {"click", "ch_output_btn_3", "3", PageAction::OutputMenu, 3},
        {"click", "ch_enable_4", "4", PageAction::SetCurChannelChange, 4},
        {"click", "ch_bridge_1", "1", PageAction::SetBridge, 1},
        {"click", "bridge_checkbox_2", "2", PageAction::SetBridge, 2},
        {"click", "speaker_17", "17", PageAction::SetSpeakerFocus, 17},
        {"click", "pt_enable_30", "30", PageAction::OnEqEnable, 30},
        {"click", "btn_delay_up", "", PageAction::SpeakerDelayStepCurrent, -1, true},
        {"click", "btn_delay_down", "", PageAction::SpeakerDelayStepCurrent, -1, false},
        {"click", "btn_reset_link", "", PageAction::ResetSynchronizeGroups, -1},
        {"click", "btn_lock_output", "", PageAction::SetOutpuLock, -1},
        {"click", "btn_debug", "", PageAction::MemWr, -1},
        {"click", "btn_eq_menu", "", PageAction::EqMenu, -1},
        {"click", "btn_distances", "", PageAction::SpeakerDistances, -1},
        {"click", "btn_noise_gate", "", PageAction::NoiseGateSwitch, -1},
        {"click", "btn_irc", "", PageAction::None, -1},
        {"click", "unknown_button", "", PageAction::None, -1},
        // The number comes from the user data, not from the name.
        {"click", "ch_enable_x", "2", PageAction::SetCurChannelChange, 2},
        {"selectchanged", "ch_show_2", "2", PageAction::SetChShow, 2},
        {"selectchanged", "ch_mute", "", PageAction::ChannelMute, -1},
        {"selectchanged", "ch_mute_5", "5", PageAction::ChannelMute, 5},
        {"selectchanged", "ch_phase", "", PageAction::ChannelPhase, -1},
        {"selectchanged", "ch_solo_1", "1", PageAction::ChannelSolo, 1},
        {"selectchanged", "ch_synchronize_0", "0", PageAction::SetChSynchronize, 0},
        {"selectchanged", "delay_link_3", "3", PageAction::DelayLinkMenu, 3},
        {"selectchanged", "main_mute", "", PageAction::MainMute, -1},
        {"valuechanged", "eq_slider_7", "7", PageAction::EqSlider, 7},
        {"movevaluechanged", "slider_main_volume", "", PageAction::SetMainVolumeSlider, -1},
        {"valuechanged", "slider_acc", "", PageAction::SetAccSlider, -1},
        {"valuechanged", "slider_ch_volume", "", PageAction::ChannelVolumeSlider, -1},
        {"movevaluechanged", "slider_ch_volume_2", "2", PageAction::ChannelVolumeSlider, 2},
        {"valuechanged", "slider_ch_delay_4", "4", PageAction::ChannelDelaySlider, 4},
        {"valuechangedup", "eq_freq_3", "3", PageAction::SetEqFreqUp, 3, true},
        {"valuechangeddown", "eq_q_3", "3", PageAction::SetEqQUp, 3, false},
        {"valuechangedup", "eq_gain_9", "9", PageAction::SetEqGainUp, 9, true},
        {"valuechangeddown", "hp_freq", "", PageAction::SetHpFreqUp, -1, false},
        {"valuechangedup", "edit_acc", "", PageAction::SetAccUp, -1, true},
        {"valuechangedup", "edit_ch_volume", "", PageAction::SetChVolumeUp, -1, true},
        {"valuechangeddown", "edit_ch_delay_1", "1", PageAction::SetChDelayUp, 1, false},
        {"valuechangedup", "spk_delay_22", "22", PageAction::SpeakerDelayStep, 22, true},
        {"valuechangedright", "eq_gain_0", "0", PageAction::FocusForward, -1},
        {"valuechangedleft", "hp_freq", "", PageAction::FocusBack, -1},
        {"return", "edit_main_volume", "", PageAction::SetMainVolumeEdit, -1},
        {"return", "lp_freq", "", PageAction::SetLpFreq, -1},
        {"return", "spk_delay_5", "5", PageAction::SetSpkDelayEdit, 5},
        {"return", "eq_q_4", "4", PageAction::EqEditNext, 4},
        {"killfocus", "eq_q_4", "4", PageAction::SetChEqEdit, 4},
        {"killfocus", "spk_delay_5", "5", PageAction::None, -1},
        {"killfocus", "edit_ch_volume_3", "3", PageAction::ChannelVolumeCommit, 3},
        {"killfocus", "edit_acc", "", PageAction::SetAccEdit, -1},
        {"setfocus", "eq_gain_2", "2", PageAction::UpdateEqualizerBand, 2},
        {"setfocus", "spk_delay_9", "9", PageAction::SpeakerDelayFocus, 9},
        {"setfocus", "slider_ch_delay_3", "3", PageAction::ChannelFocus, 3},
        {"setfocus", "edit_main_volume", "", PageAction::None, -1},
        {"itemselect", "comb_ch_unit", "", PageAction::DelayUnitChange, -1},
        {"itemselect", "hp_slop", "", PageAction::SetHpSlope, -1},
        {"itemselect", "btn_input_source", "", PageAction::SetInputSource, -1},
        {"itemselect", "btn_channel_select", "", PageAction::None, -1},
        {"equalizer_eq", "equalizer", "5", PageAction::EqualizerCallback, 5, false},
        {"equalizer_lp_release", "equalizer", "0", PageAction::EqualizerCallback, 0, true},
        // The H and L handles need no band: a graph without a chosen one still routes.
        {"equalizer_hp", "equalizer", "-1", PageAction::EqualizerCallback, -1},
        {"windowsize", "", "", PageAction::WindowSize, 0},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.name);
        const PageRoute route =
            RouteNotify(QLatin1String(c.type), QLatin1String(c.name), QLatin1String(c.userData));
        EXPECT_STREQ(PageActionName(route.action), PageActionName(c.action));
        if (c.action != PageAction::None) {
            EXPECT_EQ(route.index, c.index);
            EXPECT_EQ(route.up, c.up);
        }
    }
}

TEST(PageRoutes, GraphPartsAndRoutingOptions) {
    EXPECT_EQ(RouteNotify("equalizer_hp_release", "equalizer", "2").part, 1);
    EXPECT_EQ(RouteNotify("equalizer_lp", "equalizer", "2").part, 2);
    EXPECT_EQ(RouteNotify("equalizer_eq", "equalizer", "2").part, 0);

    const PageRoute routing = RouteNotify("selectchanged", "option_ch_in3_5", "3,5");
    EXPECT_EQ(routing.action, PageAction::SetInputIn);
    EXPECT_EQ(routing.index, 3);
    EXPECT_EQ(routing.second, 5);
    // Inputs and channels the page does not have are not routed.
    EXPECT_EQ(RouteNotify("selectchanged", "option_ch_in4_0", "").action, PageAction::None);
    EXPECT_EQ(RouteNotify("selectchanged", "option_ch_in0_6", "").action, PageAction::None);
    EXPECT_EQ(RouteNotify("selectchanged", "option_ch_inx", "").action, PageAction::None);
}

TEST(PageRoutes, MenuChoices) {
    struct Case {
        const char* name;
        const char* userData;
        PageAction action;
        int index;
    };
    const Case cases[] = {
        {"output_menu_front_left_all_freq", "6", PageAction::SetOutputValue, -1},
        {"output_item_empty", "0", PageAction::SetOutputValue, -1},
        {"delay_link_group_3", "3", PageAction::SetChDelayLink, 3},
        {"delay_link_group_0", "0", PageAction::SetChDelayLink, 0},
        // A group the page has no colour for is refused.
        {"delay_link_group_9", "9", PageAction::None, -1},
        {"link_group_2", "2", PageAction::SetChSynchronizeGroup, 2},
        {"link_group_7", "7", PageAction::None, -1},
        {"delay_link_group_x", "", PageAction::None, -1},
        {"option_item_language", "", PageAction::ChangeLanguage, -1},
        {"option_item_language_ru", "", PageAction::ChangeLanguage, -1},
        {"option_item_firmware_upgrade", "", PageAction::FirmwareUpgrade, -1},
        {"scene_item_saveas_scene", "", PageAction::SaveSceneToDsp, -1},
        {"scene_item_load_whole", "", PageAction::LoadWholeFromFile, -1},
        {"advance_item_compressors_on", "", PageAction::CompressorsOn, -1},
        {"advance_item_ktv", "", PageAction::KaraokePanel, -1},
        {"advance_item_autocal", "", PageAction::AutoCal, -1},
        {"advance_item_custom_eq", "", PageAction::CustomEq, -1},
        {"eq_item_import", "", PageAction::ImportFilters, -1},
        {"eq_item_export", "", PageAction::ExportFilters, -1},
        {"eq_item_fit", "", PageAction::EqFromMeasurement, -1},
        {"eq_item_channel", "", PageAction::None, -1},  // the menu's heading
        {"option_menu_language", "", PageAction::None, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PageRoute route = RouteMenu(QLatin1String(c.name), QLatin1String(c.userData));
        EXPECT_STREQ(PageActionName(route.action), PageActionName(c.action));
        EXPECT_EQ(route.index, c.index);
    }
}

TEST(FocusRing, RightAndLeftWalkTheEdits) {
    struct Case {
        const char* from;
        bool forward;
        int eqSize;
        bool geq;
        const char* to;
    };
    const Case cases[] = {
        {"hp_freq", true, 31, false, "lp_freq"},
        {"edit_main_volume", true, 31, false, "eq_freq_0"},
        {"edit_main_volume", true, 31, true, "eq_gain_0"},  // GEQ: frequencies are locked
        {"eq_freq_30", true, 31, false, "eq_q_0"},
        {"eq_q_30", true, 31, false, "eq_gain_0"},
        {"eq_gain_30", true, 31, false, "edit_ch_volume_0"},
        {"eq_freq_9", true, 10, false, "eq_q_0"},  // a channel with 10 bands
        {"edit_ch_volume_5", true, 31, false, "edit_ch_delay_0"},
        {"edit_ch_delay_5", true, 31, false, "hp_freq"},
        {"hp_freq", false, 31, false, "edit_ch_delay_5"},
        {"eq_freq_0", false, 31, false, "edit_main_volume"},
        {"eq_gain_0", false, 31, true, "edit_main_volume"},
        {"eq_q_3", true, 31, true, "eq_q_4"},  // left over from PEQ mode
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + (c.forward ? " right" : " left"));
        const auto next = FocusRingNext(QLatin1String(c.from), c.forward, c.eqSize, c.geq);
        ASSERT_TRUE(next);
        EXPECT_EQ(next->toStdString(), c.to);
    }
    EXPECT_FALSE(FocusRingNext(QStringLiteral("edit_acc"), true, 31, false));
    EXPECT_FALSE(FocusRingNext(QStringLiteral("eq_gain_12"), true, 10, false));
}

}  // namespace
