// Every request and change the application sends, through CHidDevice and the installed
// decoders to the virtual amplifier and back.
#include <functional>
#include <string>

#include "commands/command_codes.h"
#include "commands/payloads.h"
#include "commands/reply_records.h"
#include "e2e_fixture.h"

namespace e2e {
namespace {

using tonvia::sim::DeviceState;

// Bands of a channel compared by their wire values.
bool SameBands(const std::array<tonvia::sim::EqBand, tonvia::sim::kBands>& a,
               const std::array<tonvia::sim::EqBand, tonvia::sim::kBands>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].freq != b[i].freq || a[i].qHundredths != b[i].qHundredths ||
            a[i].gainTenths != b[i].gainTenths) {
            return false;
        }
    }
    return true;
}

class RoundTripTest : public AmplifierLinkTest {
  protected:
    RoundTripTest() { amp.Edit(Vary); }

    // Sends one request (or change) and checks that exactly one reply came back for it and
    // that the amplifier took it.
    void ExpectOneReply(const std::string& name, const std::function<bool(CHidDevice&)>& send) {
        SCOPED_TRACE(name);
        const auto before = amp.GetCounters();
        EXPECT_TRUE(send(link));
        const auto after = amp.GetCounters();
        EXPECT_EQ(after.requests - before.requests, 1);
        EXPECT_EQ(after.replies - before.replies, 1);
        EXPECT_EQ(after.rejected, before.rejected);
    }
};

struct Request {
    const char* name;
    std::function<bool(CHidDevice&)> send;
    std::size_t posted;  // messages the reply posts
    CheckContext context{};
};

TEST_F(RoundTripTest, RequestsPostWhatTheAmplifierHolds) {
    const Request requests[] = {
        {"Get_Source", [](CHidDevice& d) { return d.Get_Source(); }, 1},
        {"Get_Source_Config", [](CHidDevice& d) { return d.Get_Source_Config(); }, 0},
        {"Get_Main_Volume", [](CHidDevice& d) { return d.Get_Main_Volume(); }, 1},
        {"Get_Subwoofer_Volume", [](CHidDevice& d) { return d.Get_Subwoofer_Volume(); }, 1},
        {"Get_Mute", [](CHidDevice& d) { return d.Get_Mute(); }, 1},
        {"Get_Filter", [](CHidDevice& d) { return d.Get_Filter(3, 0, 0, 5); }, 6},
        {"Get_EQ", [](CHidDevice& d) { return d.Get_EQ(2, 0, 4, 7, 13); }, 7},
        {"Get_EQ last group", [](CHidDevice& d) { return d.Get_EQ(0, 0, 5, 28, 30); }, 3},
        {"Get_Delay", [](CHidDevice& d) { return d.Get_Delay(0, 0, 0, 5); }, 6},
        {"Get_Trim", [](CHidDevice& d) { return d.Get_Trim(5, 0, 0, 5); }, 6},
        {"Get_Mute_Ch", [](CHidDevice& d) { return d.Get_Mute_Ch(1, 0, 0, 5); }, 6},
        {"Get_Phase", [](CHidDevice& d) { return d.Get_Phase(0, 0, 0, 5); }, 6},
        {"Get_Mix_Ch", [](CHidDevice& d) { return d.Get_Mix_Ch(0, 4, 0, 5); }, 6},
        {"Get_Remap_Ch", [](CHidDevice& d) { return d.Get_Remap_Ch(0, 1, 0, 5); }, 0},
        {"Get_CH_Type", [](CHidDevice& d) { return d.Get_CH_Type(7, 0, 0, 5); }, 6},
        {"Get_CH_Link", [](CHidDevice& d) { return d.Get_CH_Link(1); }, 1},
        {"Get_CH_Lock", [](CHidDevice& d) { return d.Get_CH_Lock(1); }, 1},
        {"Get_CH_Trim_Link", [](CHidDevice& d) { return d.Get_CH_Trim_Link(0); }, 1},
        {"Get_CH_Delay_Link", [](CHidDevice& d) { return d.Get_CH_Delay_Link(0); }, 1},
        {"Get_All_Bypass", [](CHidDevice& d) { return d.Get_All_Bypass(0, 0, 0, 5); }, 0},
        {"Get_PEQ_Reset", [](CHidDevice& d) { return d.Get_PEQ_Reset(0, 0, 0, 5); }, 0},
        {"Get_PEQ_Bypass", [](CHidDevice& d) { return d.Get_PEQ_Bypass(0, 0, 0, 5); }, 6},
        {"Get_Input_Trim", [](CHidDevice& d) { return d.Get_Input_Trim(0, 5, 0, 3); }, 1},
        {"Get_Mute_Input_Ch", [](CHidDevice& d) { return d.Get_Mute_Input_Ch(2, 5, 0, 3); }, 1},
        {"Get_Phase_Input_Ch", [](CHidDevice& d) { return d.Get_Phase_Input_Ch(0, 3, 0, 1); }, 1},
        {"Get_Input_EQ", [](CHidDevice& d) { return d.Get_Input_EQ(0, 5, 2, 0, 6); }, 7, {5}},
        {"Get_Input_Mix_CH_Trim",
         [](CHidDevice& d) { return d.Get_Input_Mix_CH_Trim(4, 5, 3, 0, 5); }, 1},
        {"Get_Input_Threshold", [](CHidDevice& d) { return d.Get_Input_Threshold(0, 0, true); }, 1},
        {"Get_Input_Noise", [](CHidDevice& d) { return d.Get_Input_Noise(0, 3, true); }, 1},
        {"Get_Sel_Remote_CH", [](CHidDevice& d) { return d.Get_Sel_Remote_CH(); }, 1},
        {"Get_Ch_Solo", [](CHidDevice& d) { return d.Get_Ch_Solo(0, 0, 0, 5); }, 6},
        {"Get_Speaker_Config", [](CHidDevice& d) { return d.Get_Speaker_Config(); }, 1},
        {"Get_Factory_Preset", [](CHidDevice& d) { return d.Get_Factory_Preset(); }, 1},
        {"Get_Setup_Mode", [](CHidDevice& d) { return d.Get_Setup_Mode(); }, 1},
        {"Get_Mix_Type", [](CHidDevice& d) { return d.Get_Mix_Type(0, 5); }, 1},
        {"Get_Mix_Type2", [](CHidDevice& d) { return d.Get_Mix_Type2(3, 4); }, 1},
        {"Get_HPF_Q_Fact_Mode", [](CHidDevice& d) { return d.Get_HPF_Q_Fact_Mode(0, 0, 0, 5); }, 1},
        {"Get_LPF_Q_Fact_Mode", [](CHidDevice& d) { return d.Get_LPF_Q_Fact_Mode(0, 0, 1, 4); }, 1},
        {"Get_AUTO_ON", [](CHidDevice& d) { return d.Get_AUTO_ON(); }, 1},
        {"Get_Compressor", [](CHidDevice& d) { return d.Get_Compressor(0, 0, 2, 2); }, 1},
        {"Get_Compressor2", [](CHidDevice& d) { return d.Get_Compressor2(0, 0, 0, 5); }, 6},
        {"Get_Compressor_Ch_On", [](CHidDevice& d) { return d.Get_Compressor_Ch_On(0, 0, 0, 5); },
         6},
        {"Get_Amp_Mute", [](CHidDevice& d) { return d.Get_Amp_Mute(); }, 1},
        {"Get_Rem_Out", [](CHidDevice& d) { return d.Get_Rem_Out(); }, 1},
        {"Get_Spk_Ohm", [](CHidDevice& d) { return d.Get_Spk_Ohm(); }, 1},
        {"Get_Noise_Gate", [](CHidDevice& d) { return d.Get_Noise_Gate(); }, 1},
        {"Get_Mix_Source", [](CHidDevice& d) { return d.Get_Mix_Source(); }, 1},
        {"Get_InDistort", [](CHidDevice& d) { return d.Get_InDistort(0, 3, 0, 5); }, 1},
        {"Get_OutDistort", [](CHidDevice& d) { return d.Get_OutDistort(0, 2, 0, 5); }, 1},
        {"Get_MemData held", [](CHidDevice& d) { return d.Get_MemData(0x12345678); }, 1},
        {"Get_MemData unset", [](CHidDevice& d) { return d.Get_MemData(0x40); }, 1},
        {"Get_Spk_Dist", [](CHidDevice& d) { return d.Get_Spk_Dist(6, 0, 0, 5); }, 1},
        {"Get_Mix_Source2", [](CHidDevice& d) { return d.Get_Mix_Source2(2, 3, 1); }, 1},
        {"Get_Mix_Source2_CS47048",
         [](CHidDevice& d) { return d.Get_Mix_Source2_CS47048(0, 4, 2); }, 1},
        {"Get_Ouput_Bridge", [](CHidDevice& d) { return d.Get_Ouput_Bridge(0, 0, 3); }, 1},
        {"Hand_Connect", [](CHidDevice& d) { return d.Hand_Connect(); }, 1},
        {"Get_Acc", [](CHidDevice& d) { return d.Get_Acc(); }, 1},
        {"Get_Delay_Power_Off_Time", [](CHidDevice& d) { return d.Get_Delay_Power_Off_Time(); }, 1},
        {"Get_Flash_Version", [](CHidDevice& d) { return d.Get_Flash_Version(); }, 1},
        {"Get_PWD", [](CHidDevice& d) { return d.Get_PWD(); }, 1},
        {"Get_Data_Block", [](CHidDevice& d) { return d.Get_Data_Block(true); }, 1},
        {"Get_Bootloader_Version", [](CHidDevice& d) { return d.Get_Bootloader_Version(); }, 0},
        {"GetSceneValid", [](CHidDevice& d) { return d.GetSceneValid(); }, 1},
        {"GetSceneId", [](CHidDevice& d) { return d.GetSceneId(); }, 1},
        {"GetSceneName named", [](CHidDevice& d) { return d.GetSceneName(3); }, 1},
        {"GetSceneName erased", [](CHidDevice& d) { return d.GetSceneName(2); }, 1},
        {"GetSceneProfile", [](CHidDevice& d) { return d.GetSceneProfile(1, 0, 16); }, 0},
    };
    for (const Request& request : requests) {
        ExpectOneReply(request.name, request.send);
        const auto posted = Take();
        SCOPED_TRACE(request.name);
        EXPECT_EQ(posted.size(), request.posted);
        ExpectAllMatch(posted, request.context);
    }
    EXPECT_EQ(link.mBootloaderVersion.load(), 9);
}

TEST_F(RoundTripTest, KaraokeValuesComeBackAsHeld) {
    for (std::uint8_t code = KTV_MIC_VOL; code <= KTV_TREBLE_GAIN; ++code) {
        ExpectOneReply("Get_KTV " + std::to_string(code),
                       [&](CHidDevice& d) { return d.Get_KTV(code); });
        const auto posted = Take();
        ASSERT_EQ(posted.size(), 1u);
        ExpectAllMatch(posted);
    }
}

TEST_F(RoundTripTest, CalibrationRequestsReachTheCalibrationWindow) {
    struct Row {
        const char* name;
        std::function<bool(CHidDevice&)> send;
        std::size_t posted;
    };
    const Row rows[] = {
        {"IRC_Get", [](CHidDevice& d) { return d.IRC_Get(); }, 1},
        {"IRC_Get_Distance", [](CHidDevice& d) { return d.IRC_Get_Distance(0, 5); }, 6},
        {"IRC_Get_Trim", [](CHidDevice& d) { return d.IRC_Get_Trim(0, 5); }, 6},
        {"IRC_Get_Spk_Size", [](CHidDevice& d) { return d.IRC_Get_Spk_Size(0, 5); }, 6},
        {"IRC_Get_Spk_Phase", [](CHidDevice& d) { return d.IRC_Get_Spk_Phase(2, 3); }, 2},
        {"IRC_Get_Spk_Level", [](CHidDevice& d) { return d.IRC_Get_Spk_Level(0, 5); }, 6},
        {"IRC_Get_Noise_Level", [](CHidDevice& d) { return d.IRC_Get_Noise_Level(0, 5); }, 6},
        {"IRC_Get_EQ", [](CHidDevice& d) { return d.IRC_Get_EQ(1, 0, 8); }, 9},
        {"IRC_Get_Spectrum", [](CHidDevice& d) { return d.IRC_Get_Spectrum(1, 0, 9); }, 10},
        {"IRC_Get_RTA", [](CHidDevice& d) { return d.IRC_Get_RTA(); }, 0},
    };
    for (const Row& row : rows) {
        ExpectOneReply(row.name, row.send);
        const auto posted = Take();
        SCOPED_TRACE(row.name);
        ASSERT_EQ(posted.size(), row.posted);
        for (const auto& p : posted) {
            EXPECT_EQ(p.target, kCalibration);
            EXPECT_EQ(p.message.message, WM_IRC_UPDATE);
        }
    }
    // The distances are what the amplifier measures: 1 m plus a quarter per channel step.
    link.IRC_Get_Distance(5, 5);
    const auto posted = Take();
    ASSERT_EQ(posted.size(), 1u);
    const auto* distance = dynamic_cast<const IrcFloatRec*>(posted[0].message.record.get());
    ASSERT_NE(distance, nullptr);
    EXPECT_EQ(distance->channel, 5);
    EXPECT_FLOAT_EQ(distance->value, 2.25f);
}

// A change, then what the amplifier holds afterwards.
struct Change {
    const char* name;
    std::function<bool(CHidDevice&)> send;
    std::function<void(const DeviceState&)> check;
};

TEST_F(RoundTripTest, ChangesAreAcknowledgedAndHeld) {
    using tonvia::commands::BandSetting;
    using tonvia::commands::ChannelPair;
    using tonvia::commands::Compressor2Setting;
    const int ones[] = {1, 1, 1, 1, 1, 1};
    const int counting[] = {0, 1, 2, 3, 4, 5};
    const Change changes[] = {
        {"Source_Switch_Ctrl", [](CHidDevice& d) { return d.Source_Switch_Ctrl(0x53, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.source, 0x53); }},
        // The volume travels as the attenuation below +6 dB.
        {"Main_Volume_Ctrl", [](CHidDevice& d) { return d.Main_Volume_Ctrl(18.4f, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.mainVolume, -12); }},
        {"Subwoofer_Volume_Ctrl", [](CHidDevice& d) { return d.Subwoofer_Volume_Ctrl(-4, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.subVolume, -4); }},
        {"Mute_Ctrl", [](CHidDevice& d) { return d.Mute_Ctrl(0, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.mute, 0); }},
        {"Filter_Ctrl high-pass",
         [](CHidDevice& d) { return d.Filter_Ctrl(0, 0, 1, 2, 80, 3, 2, true); },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].highPass[1].freq, 80);
             EXPECT_EQ(s.scenes[0].highPass[1].slope, 3);
             EXPECT_EQ(s.scenes[0].highPass[1].type, 2);
         }},
        {"EQ_Ctrl", [](CHidDevice& d) { return d.EQ_Ctrl(0, 0, 3, 30, 15000, 2.5f, -3.5f, true); },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].eq[3][30].freq, 15000);
             EXPECT_EQ(s.scenes[0].eq[3][30].qHundredths, 250);
             EXPECT_EQ(s.scenes[0].eq[3][30].gainTenths, 145);
         }},
        {"Delay_Ctrl",
         [](CHidDevice& d) {
             const float delays[] = {1.5f, 0.25f};
             return d.Delay_Ctrl(0, 0, 2, 3, delays, true);
         },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].delayThousandths[2], 1500u);
             EXPECT_EQ(s.scenes[0].delayThousandths[3], 250u);
         }},
        {"Trim_Ctrl",
         [](CHidDevice& d) {
             const float trims[] = {12.25f};
             return d.Trim_Ctrl(0, 0, 4, 4, trims, true);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].trimHundredths[4], 1225); }},
        {"Mute_Ch_Ctrl", [&](CHidDevice& d) { return d.Mute_Ch_Ctrl(0, 0, 0, 5, ones, true); },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].mute, (tonvia::sim::PerOutput<std::uint8_t>{1, 1, 1, 1, 1, 1}));
         }},
        {"Phase_Ctrl", [&](CHidDevice& d) { return d.Phase_Ctrl(2, 0, 0, 5, ones, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[2].phase[3], 1); }},
        {"Mix_Ch_Ctrl",
         [](CHidDevice& d) {
             const std::uint32_t masks[] = {15, 0};
             return d.Mix_Ch_Ctrl(0, 5, 0, 1, masks, true);
         },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].mix[5][0], 15);
             EXPECT_EQ(s.scenes[0].mix[5][1], 0);
         }},
        {"Remap_Ch_Ctrl",
         [](CHidDevice& d) {
             const int inputs[] = {3};
             return d.Remap_Ch_Ctrl(0, 1, 4, inputs, true);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].remap[1][4], 3); }},
        {"CH_Type_Ctrl", [&](CHidDevice& d) { return d.CH_Type_Ctrl(0, 0, 0, 5, counting, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].channelType[5], 5); }},
        {"CH_Link_Ctrl",
         [](CHidDevice& d) {
             const ChannelPair pairs[] = {{4, 5}};
             return d.CH_Link_Ctrl(0, 1, pairs, true);
         },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].link.pairFlags[2], 1);
             EXPECT_TRUE(SameBands(s.scenes[0].eq[5], s.scenes[0].eq[4]));
         }},
        {"CH_Lock_Ctrl", [](CHidDevice& d) { return d.CH_Lock_Ctrl(0, 1, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].lock, 1); }},
        {"DSP_Bypass_Ctrl", [](CHidDevice& d) { return d.DSP_Bypass_Ctrl(0, 0, 1, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].dspBypass, 1); }},
        {"PEQ_Reset_Ctrl",
         [](CHidDevice& d) {
             const int channels[] = {1};
             return d.PEQ_Reset_Ctrl(0, 0, channels, true);
         },
         [](const DeviceState& s) {
             EXPECT_TRUE(SameBands(s.scenes[0].eq[1], tonvia::sim::DefaultScene().eq[1]));
         }},
        {"PEQ_Bypass_Ctrl",
         [&](CHidDevice& d) { return d.PEQ_Bypass_Ctrl(0, 0, 0, 5, ones, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].peqBypass[0], 1); }},
        {"IRC_Set_Test_Mic", [](CHidDevice& d) { return d.IRC_Set_Test_Mic(1, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.calibration.testMic, 1); }},
        {"IRC_Sel_Test_Module", [](CHidDevice& d) { return d.IRC_Sel_Test_Module(3, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.calibration.module, 3); }},
        {"IRC_Ctrl", [](CHidDevice& d) { return d.IRC_Ctrl(1, 0x3F, 1, true); },
         [](const DeviceState& s) {
             EXPECT_TRUE(s.calibration.running);
             EXPECT_EQ(s.calibration.channelMask, 0x3F);
         }},
        {"Input_Trim_Ctrl",
         [](CHidDevice& d) {
             const int gains[] = {-6, 6};
             return d.Input_Trim_Ctrl(0, 2, 0, 1, gains, true);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].inputTrim[2][0], -6); }},
        {"Mute_Input_Ch_Ctrl",
         [&](CHidDevice& d) { return d.Mute_Input_Ch_Ctrl(0, 5, 0, 3, ones, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].inputMute[5][3], 1); }},
        {"Input_Phase_Ctrl",
         [&](CHidDevice& d) { return d.Input_Phase_Ctrl(0, 5, 0, 3, ones, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].inputPhase[5][2], 1); }},
        {"Input_EQ_Ctrl",
         [](CHidDevice& d) {
             const BandSetting bands[] = {{400, 1.2f, 3.0f}};
             return d.Input_EQ_Ctrl(0, 5, 1, 12, 12, bands, true);
         },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].inputEq[5][1][12].freq, 400);
             EXPECT_EQ(s.scenes[0].inputEq[5][1][12].gainTenths, 210);
         }},
        {"Input_Mix_Trim_Ctrl",
         [](CHidDevice& d) {
             const int trims[] = {42};
             return d.Input_Mix_Trim_Ctrl(0, 5, 2, 3, 3, trims, true);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].inputMixTrim[5][2][3], 42); }},
        {"Input_Mix_Trim_Ctrl2",
         [](CHidDevice& d) {
             const int trims[] = {7, 8};
             return d.Input_Mix_Trim_Ctrl2(0, 0, 0, 1, 5, trims, true);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].inputMixTrim[0][1][5], 8); }},
        {"Input_Ch_Threshold_Ctrl",
         [](CHidDevice& d) { return d.Input_Ch_Threshold_Ctrl(-55, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.inputThreshold, -55); }},
        {"Sel_Remote_CH_Ctrl", [](CHidDevice& d) { return d.Sel_Remote_CH_Ctrl(0x0203, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.remoteChannel, 0x0203); }},
        {"Remote_Ch_Volume_Ctrl", [](CHidDevice& d) { return d.Remote_Ch_Volume_Ctrl(9, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.remoteVolume, 9); }},
        {"Solo_Ctrl", [&](CHidDevice& d) { return d.Solo_Ctrl(0, 0, 0, 5, ones, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].solo[0], 1); }},
        {"Spk_Ch_Config_Ctrl", [](CHidDevice& d) { return d.Spk_Ch_Config_Ctrl(5, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.speakerConfig, 5); }},
        {"Mix_Type_Ctrl", [](CHidDevice& d) { return d.Mix_Type_Ctrl(0, 7, 2, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].mixType[7], 2); }},
        {"Mix_Type_Ctrl2", [](CHidDevice& d) { return d.Mix_Type_Ctrl2(0, 7, 1, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].mixType2[7], 1); }},
        {"HPF_Q_Fact_Ctrl",
         [&](CHidDevice& d) { return d.HPF_Q_Fact_Ctrl(0, 0, 0, 5, ones, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].hpQMode[0], 1); }},
        {"LPF_Q_Fact_Ctrl",
         [&](CHidDevice& d) { return d.LPF_Q_Fact_Ctrl(0, 0, 0, 5, counting, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].lpQMode[4], 4); }},
        {"Factory_Preset_Ctrl", [](CHidDevice& d) { return d.Factory_Preset_Ctrl(1); },
         [](const DeviceState& s) { EXPECT_EQ(s.factoryPreset, 1); }},
        {"Setup_Mode_Ctrl", [](CHidDevice& d) { return d.Setup_Mode_Ctrl(0); },
         [](const DeviceState& s) { EXPECT_EQ(s.setupMode, 0); }},
        {"Auto_Effect_Ctrl", [](CHidDevice& d) { return d.Auto_Effect_Ctrl(0, 0, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.autoOn, 0); }},
        {"IRC_Active_Bypass_Ctrl",
         [](CHidDevice& d) { return d.IRC_Active_Bypass_Ctrl(0, 1, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].ircActiveBypass, 1); }},
        {"CS_Auto_Setting_Ctrl",
         [](CHidDevice& d) {
             const std::vector<std::uint8_t> block(CS_AUTO_SETTING_SIZE, 0x21);
             return d.CS_Auto_Setting_Ctrl(block, true);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.surroundBlock.size(), CS_AUTO_SETTING_SIZE); }},
        {"Compressor_Ctrl",
         [](CHidDevice& d) {
             return d.Compressor_Ctrl(0, 0, 1, 0, -20.5f, 4.0f, 2.5f, 30, 500, true);
         },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].compressor[1].thresholdTenths, 795);
             EXPECT_EQ(s.scenes[0].compressor[1].releaseMs, 500);
         }},
        {"Amp_Mute_Ctrl", [](CHidDevice& d) { return d.Amp_Mute_Ctrl(0, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.ampMute, 0); }},
        {"Set_MemData", [](CHidDevice& d) { return d.Set_MemData(0x20, 0x0A0B0C0D, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.memory.at(0x20), 0x0A0B0C0Du); }},
        {"Spk_Dist_Ctrl",
         [](CHidDevice& d) {
             const int distances[] = {123};
             return d.Spk_Dist_Ctrl(0, 0, 2, 2, distances, true);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].speakerDistance[2], 123); }},
        {"Mix_Source_Switch_Ctrl",
         [](CHidDevice& d) { return d.Mix_Source_Switch_Ctrl(0x59, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.mixSource, 0x59); }},
        {"Rem_Out_Ctrl", [](CHidDevice& d) { return d.Rem_Out_Ctrl(1, 0, true); },
         [](const DeviceState& s) {
             EXPECT_EQ(s.remOut1, 1);
             EXPECT_EQ(s.remOut2, 0);
         }},
        {"Cross_Source_Mix_Ctrl",
         [](CHidDevice& d) { return d.Cross_Source_Mix_Ctrl(0, 2, 1, 7, 0, 40, true); },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].crossMix[2][1].viceSource, 7);
             EXPECT_EQ(s.scenes[0].crossMix[2][1].viceGain, 40);
         }},
        {"Cross_Source_Mix_Ctrl_CS47048",
         [](CHidDevice& d) { return d.Cross_Source_Mix_Ctrl_CS47048(0, 3, 1, 8, 1, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].crossMixCs[3][1].viceSource, 8); }},
        {"Compressor_Ch_Ctrl",
         [&](CHidDevice& d) { return d.Compressor_Ch_Ctrl(0, 0, 0, 5, ones, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].compressorOn[1], 1); }},
        {"Compressor_Ctrl2",
         [](CHidDevice& d) {
             const Compressor2Setting settings[] = {{-12.5f, 20, 1500}};
             return d.Compressor_Ctrl2(0, 0, 3, 3, settings, true);
         },
         [](const DeviceState& s) {
             EXPECT_EQ(s.scenes[0].compressor2[3].thresholdInt, -12);
             EXPECT_EQ(s.scenes[0].compressor2[3].thresholdTenths, -5);
             EXPECT_EQ(s.scenes[0].compressor2[3].releaseSeconds, 1);
         }},
        {"Spk_Ohm_Ctrl", [](CHidDevice& d) { return d.Spk_Ohm_Ctrl(1, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.speakerOhm, 1); }},
        {"Output_Bridge_Ctrl",
         [](CHidDevice& d) {
             const int bridge[] = {1, 1, 0};
             return d.Output_Bridge_Ctrl(0, 0, bridge, true);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.scenes[0].bridge[1], 1); }},
        {"Noise_Gate_Ctrl", [](CHidDevice& d) { return d.Noise_Gate_Ctrl(0, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.noiseGate, 0); }},
        {"KTV_Echo_Delay_Ctrl", [](CHidDevice& d) { return d.KTV_Echo_Delay_Ctrl(450, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.karaoke[KTV_ECHO_DELAY - 1], 450); }},
        {"KTV_Bass_Gain_Ctrl", [](CHidDevice& d) { return d.KTV_Bass_Gain_Ctrl(-9, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.karaoke[KTV_BASS_GAIN - 1], -9); }},
        {"KTV_Mic_Vol_Ctrl", [](CHidDevice& d) { return d.KTV_Mic_Vol_Ctrl(33, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.karaoke[KTV_MIC_VOL - 1], 33); }},
        {"Set_Acc", [](CHidDevice& d) { return d.Set_Acc(-2, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.acc, -2); }},
        {"Set_Power_Off_Time", [](CHidDevice& d) { return d.Set_Power_Off_Time(750, true); },
         [](const DeviceState& s) { EXPECT_EQ(s.powerOffDelayMs, 750); }},
        {"SetPWD",
         [](CHidDevice& d) {
             const std::uint8_t password[] = {'1', '2', '3'};
             const std::uint8_t remark[] = {'x'};
             return d.SetPWD(password, remark);
         },
         [](const DeviceState& s) {
             EXPECT_EQ(s.password, (std::vector<std::uint8_t>{'1', '2', '3'}));
             EXPECT_EQ(s.remark, (std::vector<std::uint8_t>{'x'}));
         }},
        {"SetSceneProfile",
         [](CHidDevice& d) {
             const std::uint8_t bytes[] = {9, 8, 7};
             return d.SetSceneProfile(4, 100, bytes);
         },
         [](const DeviceState& s) { EXPECT_EQ(s.sceneProfiles[4].at(101), 8); }},
    };
    for (const Change& change : changes) {
        ExpectOneReply(change.name, change.send);
        SCOPED_TRACE(change.name);
        change.check(amp.Snapshot());
        Take();
    }
}

TEST_F(RoundTripTest, ScenesAreSavedNamedAndDeleted) {
    link.GetSceneValid();
    ExpectAllMatch(Take());

    // Save the working set into slot 5 and name it.
    ExpectOneReply("SaveScene", [](CHidDevice& d) { return d.SaveScene(5, 0); });
    auto posted = Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message.message, WM_READ_SENCE_VALUE);
    EXPECT_EQ(posted[0].message.wParam, 5u);
    ExpectAllMatch(posted);
    std::array<std::uint8_t, 16> name{'S', 't', 'a', 'g', 'e'};
    ExpectOneReply("SetSceneName", [&](CHidDevice& d) { return d.SetSceneName(5, name); });
    Take();
    const DeviceState saved = amp.Snapshot();
    EXPECT_TRUE(SameBands(saved.scenes[5].eq[3], saved.scenes[0].eq[3]));
    EXPECT_EQ(saved.validMask, 0b10'0001'0101);

    link.GetSceneValid();
    link.GetSceneName(5);
    link.GetSceneId();
    posted = Take();
    ASSERT_EQ(posted.size(), 3u);
    ExpectAllMatch(posted);
    const auto* named = dynamic_cast<const SceneNameRec*>(posted[1].message.record.get());
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->index, 4);
    EXPECT_EQ(named->name, name);
    EXPECT_EQ(posted[2].message.lParam, 5);

    // Delete scene 1: the mask loses its bit and the name reads as empty.
    ExpectOneReply("DeleteScene", [](CHidDevice& d) { return d.DeleteScene(1); });
    posted = Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message.message, WM_SENCE_DELETE_ACK);
    EXPECT_EQ(posted[0].message.wParam, 1u);
    ExpectAllMatch(posted);
    link.GetSceneValid();
    link.GetSceneName(1);
    posted = Take();
    ExpectAllMatch(posted);
    const auto* valid = dynamic_cast<const SceneValidRec*>(posted.at(0).message.record.get());
    ASSERT_NE(valid, nullptr);
    EXPECT_EQ(valid->mask, 0b10'0001'0100);
    const auto* gone = dynamic_cast<const SceneNameRec*>(posted.at(1).message.record.get());
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->name, (std::array<std::uint8_t, 16>{}));

    // Loading scene 3 into the working set brings its values to scene 0.
    ExpectOneReply("ReadScene", [](CHidDevice& d) { return d.ReadScene(3, 0); });
    EXPECT_TRUE(Take().empty());  // the load acknowledgement posts nothing
    link.Get_Delay(0, 0, 0, 5);
    posted = Take();
    ExpectAllMatch(posted);
    EXPECT_EQ(amp.Snapshot().scenes[0].delayThousandths, saved.scenes[3].delayThousandths);

    // A slot the device does not have is refused, and nothing is posted for it.
    EXPECT_TRUE(link.SaveScene(11, 0));
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(amp.Snapshot().validMask, 0b10'0001'0100);
}

}  // namespace
}  // namespace e2e
