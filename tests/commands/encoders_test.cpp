// Encoders: exact data bytes through the fake transport, the sendNow paths, and a walk of
// every encoder so that no command code is forgotten.
#include <functional>
#include <limits>
#include <set>
#include <utility>

#include "command_fixture.h"
#include "commands/command_codes.h"
#include "commands/payloads.h"
#include "support/log_capture.h"

using namespace testing_support;
using namespace tonvia::commands;

namespace {

Sent Dsp(int subcmd, const std::string& data, int optype = OP_SET) {
    return {CMD_DSP, subcmd, optype, data};
}

class EncoderTest : public CommandFixture {};

TEST(WireScaling, RoundsToTheResolutionBeforeSplitting) {
    EXPECT_EQ(EncodeEqGain(-18.0f), (std::array<std::uint8_t, 2>{0, 0}));
    EXPECT_EQ(EncodeEqGain(12.0f), (std::array<std::uint8_t, 2>{30, 0}));
    EXPECT_EQ(EncodeEqGain(-3.5f), (std::array<std::uint8_t, 2>{14, 5}));
    EXPECT_EQ(EncodeEqGain(-0.1f), (std::array<std::uint8_t, 2>{17, 9}));
    EXPECT_EQ(EncodeQ(2.5f), (std::array<std::uint8_t, 2>{2, 5}));
    EXPECT_EQ(EncodeQ(12.5f), (std::array<std::uint8_t, 2>{12, 5}));
    EXPECT_EQ(EncodeQ(2.3f), (std::array<std::uint8_t, 2>{2, 3}));
    EXPECT_EQ(EncodeDelay(1.5f), (std::array<std::uint8_t, 3>{1, 0x01, 0xF4}));
    EXPECT_EQ(EncodeDelay(1.021f), (std::array<std::uint8_t, 3>{1, 0x00, 0x15}));
    EXPECT_EQ(EncodeTrim(12.5f, true), (Payload{12, 50}));
    EXPECT_EQ(EncodeTrim(2.3f, true), (Payload{2, 30}));
    EXPECT_EQ(EncodeTrim(12.5f, false), (Payload{12}));
    EXPECT_EQ(EncodeTenths(-20.5), (std::array<std::uint8_t, 2>{0xEC, 0xFB}));
    EXPECT_EQ(EncodeReleaseSeconds(1500), (std::array<std::uint8_t, 2>{1, 5}));
}

TEST(WireScaling, FieldEndsTravelAndOneUnitBeyondIsRefused) {
    EXPECT_EQ(EncodeEqGain(237.9f), (std::array<std::uint8_t, 2>{255, 9}));
    EXPECT_EQ(EncodeEqGain(-18.04f), (std::array<std::uint8_t, 2>{0, 0}));  // rounds to -18
    EXPECT_FALSE(EncodeEqGain(238.0f));
    EXPECT_FALSE(EncodeEqGain(-18.06f));  // 0 and -1 tenth: the tenths byte would wrap
    EXPECT_EQ(EncodeTenths(-128.9), (std::array<std::uint8_t, 2>{0x80, 0xF7}));
    EXPECT_FALSE(EncodeTenths(127.95));
    EXPECT_EQ(EncodeDelay(255.999f), (std::array<std::uint8_t, 3>{255, 0x03, 0xE7}));
    EXPECT_FALSE(EncodeDelay(-0.001f));
    EXPECT_FALSE(EncodeQ(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(EncodeTrim(1e30f, true));
    EXPECT_EQ(BigEndian16(0xFFFF), (std::array<std::uint8_t, 2>{0xFF, 0xFF}));
    EXPECT_FALSE(BigEndian16(0x10000));
}

// Each command carries a value its field cannot hold: refused as a whole, nothing written.
TEST_F(EncoderTest, ValuesOutsideTheirFieldRefuseTheCommand) {
    static const float negativeDelay[] = {1.0f, -0.5f};
    static const float negativeTrim[] = {-1.0f};
    static const int negativeMute[] = {1, -1};
    static const int one[] = {1};
    static const int signed129[] = {-129};
    static const int distance[] = {70000};
    static const Compressor2Setting longAttack[] = {{-10.0f, 70000, 100}};
    static const BandSetting lowGain[] = {{1000, 1.0f, 0.0f}, {1000, 1.0f, -19.0f}};
    static const std::uint8_t profile[] = {1};
    const std::pair<const char*, std::function<bool(CHidDevice&)>> cases[] = {
        {"EQ gain below -18 dB",
         [](CHidDevice& d) { return d.EQ_Ctrl(0, 0, 0, 0, 100, 1.0f, -19.0f, true); }},
        {"negative Q", [](CHidDevice& d) { return d.EQ_Ctrl(0, 0, 0, 0, 100, -1.0f, 0.0f, true); }},
        {"frequency of 17 bits",
         [](CHidDevice& d) { return d.EQ_Ctrl(0, 0, 0, 0, 70000, 1.0f, 0.0f, true); }},
        {"negative crossover",
         [](CHidDevice& d) { return d.Filter_Ctrl(0, 0, 0, 1, -20, 1, 0, true); }},
        {"second band's gain",
         [](CHidDevice& d) { return d.Input_EQ_Ctrl(0, 0, 0, 0, 1, lowGain, true); }},
        {"negative delay",
         [](CHidDevice& d) { return d.Delay_Ctrl(0, 0, 0, 1, negativeDelay, true); }},
        {"negative trim",
         [](CHidDevice& d) { return d.Trim_Ctrl(0, 0, 0, 0, negativeTrim, true); }},
        {"main volume -129", [](CHidDevice& d) { return d.Main_Volume_Ctrl(-129.0f, true); }},
        {"main volume 128", [](CHidDevice& d) { return d.Main_Volume_Ctrl(128.0f, true); }},
        {"negative mute",
         [](CHidDevice& d) { return d.Mute_Ch_Ctrl(0, 0, 0, 1, negativeMute, true); }},
        {"channel 256", [](CHidDevice& d) { return d.Mute_Ch_Ctrl(0, 0, 256, 256, one, true); }},
        {"negative scene", [](CHidDevice& d) { return d.DSP_Bypass_Ctrl(-1, 0, 1, true); }},
        {"input trim -129",
         [](CHidDevice& d) { return d.Input_Trim_Ctrl(0, 0, 0, 0, signed129, true); }},
        {"mix trim -129",
         [](CHidDevice& d) { return d.Input_Mix_Trim_Ctrl(0, 0, 0, 0, 0, signed129, true); }},
        {"threshold -129", [](CHidDevice& d) { return d.Input_Ch_Threshold_Ctrl(-129, true); }},
        {"compressor below -100 dB",
         [](CHidDevice& d) {
             return d.Compressor_Ctrl(0, 0, 0, 0, -101.0f, 1.0f, 0.0f, 10, 10, true);
         }},
        {"attack of 17 bits",
         [](CHidDevice& d) { return d.Compressor_Ctrl2(0, 0, 0, 0, longAttack, true); }},
        {"distance of 17 bits",
         [](CHidDevice& d) { return d.Spk_Dist_Ctrl(0, 0, 0, 0, distance, true); }},
        {"IRC mask of 17 bits", [](CHidDevice& d) { return d.IRC_Ctrl(1, 0x10000, 0, true); }},
        {"bass -129", [](CHidDevice& d) { return d.KTV_Bass_Gain_Ctrl(-129, true); }},
        {"negative mic volume", [](CHidDevice& d) { return d.KTV_Mic_Vol_Ctrl(-1, true); }},
        {"echo delay 65536", [](CHidDevice& d) { return d.KTV_Echo_Delay_Ctrl(65536, true); }},
        {"profile start 65536", [](CHidDevice& d) { return d.SetSceneProfile(1, 65536, profile); }},
        {"request of band 256", [](CHidDevice& d) { return d.Get_EQ(0, 0, 0, 0, 256); }},
    };
    for (const auto& [name, call] : cases) {
        EXPECT_FALSE(call(dev)) << name;
        EXPECT_TRUE(backend.last->Writes().empty()) << name;
    }
}

TEST_F(EncoderTest, EqBandCarriesFrequencyQAndShiftedGain) {
    dev.EQ_Ctrl(0, 0, 2, 5, 1000, 2.5f, -3.5f, true);
    dev.EQ_Ctrl(1, 0, 0, 0, 20, 12.5f, -18.0f, true);
    dev.EQ_Ctrl(0, 0, 5, 30, 20000, 0.5f, 12.0f, true);
    EXPECT_EQ(SentCommands(), (std::vector<Sent>{Dsp(0x06, "00 00 02 05 03 e8 02 05 0e 05"),
                                                 Dsp(0x06, "01 00 00 00 00 14 0c 05 00 00"),
                                                 Dsp(0x06, "00 00 05 1e 4e 20 00 05 1e 00")}));
}

TEST_F(EncoderTest, RangesCarryOneRecordPerChannel) {
    const int mutes[] = {1, 0, 1, 0, 1, 1};
    const float delays[] = {1.5f, 1.021f};
    const float trims[] = {12.5f};
    dev.Mute_Ch_Ctrl(0, 0, 0, 5, mutes, true);
    dev.Delay_Ctrl(0, 0, 2, 3, delays, true);
    dev.Trim_Ctrl(0, 0, 4, 4, trims, true);
    dev.mTrimTwoBytes = 0;
    dev.Trim_Ctrl(0, 0, 4, 4, trims, true);
    dev.Mute_Ch_Ctrl(0, 0, 3, 2, mutes, true);  // last below first: the header alone
    EXPECT_EQ(SentCommands(),
              (std::vector<Sent>{Dsp(0x09, "00 00 00 05 01 00 01 00 01 01"),
                                 Dsp(0x07, "00 00 02 03 01 01 f4 01 00 15"),
                                 Dsp(0x08, "00 00 04 04 0c 32"), Dsp(0x08, "00 00 04 04 0c"),
                                 Dsp(0x09, "00 00 03 02")}));
}

TEST_F(EncoderTest, CompressorsEncodeThresholdAndRelease) {
    const Compressor2Setting settings[] = {{-20.5f, 10, 1500}, {-0.1f, 300, 100}};
    dev.Compressor_Ctrl2(0, 0, 0, 1, settings, true);
    dev.Compressor_Ctrl(0, 0, 1, 0, -20.5f, 4.5f, 2.0f, 10, 1500, true);
    EXPECT_EQ(SentCommands(),
              (std::vector<Sent>{Dsp(0x4A, "00 00 00 01 ec fb 00 0a 01 05 00 ff 01 2c 00 01"),
                                 Dsp(0x3E, "00 00 01 00 4f 05 04 05 02 00 00 0a 05 dc")}));
}

TEST_F(EncoderTest, MixerMaskWidthFollowsTheInputCount) {
    const std::uint32_t masks[] = {0x0103, 0x0008};
    dev.Mix_Ch_Ctrl(0, 5, 0, 1, masks, true);
    dev.mInChannels = 9;
    dev.Mix_Ch_Ctrl(0, 5, 0, 1, masks, true);
    EXPECT_EQ(SentCommands(), (std::vector<Sent>{Dsp(0x0B, "00 05 00 01 03 08"),
                                                 Dsp(0x0B, "00 05 00 01 01 03 00 08")}));
}

TEST_F(EncoderTest, AutoSurroundBlockTravelsWholeQueuedOrAtOnce) {
    std::vector<std::uint8_t> block(CS_AUTO_SETTING_SIZE);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i + 1);
    }
    EXPECT_TRUE(dev.CS_Auto_Setting_Ctrl(block, true));
    dev.EnableQueue();
    EXPECT_TRUE(dev.CS_Auto_Setting_Ctrl(block, false));
    DrainQueue();
    EXPECT_FALSE(dev.CS_Auto_Setting_Ctrl(std::span(block).first(51), true));
    const Sent expected = Dsp(0x3D, ToHex(block));
    EXPECT_EQ(SentCommands(), (std::vector<Sent>{expected, expected}));
}

TEST_F(EncoderTest, QueuedEditsAreDroppedWhileTheQueueIsDisabled) {
    dev.Mute_Ctrl(1, false);
    dev.EnableQueue();
    dev.Mute_Ctrl(0, false);
    DrainQueue();
    EXPECT_EQ(SentCommands(), (std::vector<Sent>{Dsp(0x04, "00")}));
}

TEST_F(EncoderTest, DataThatCannotBeSentIsRefusedWithoutWriting) {
    const int two[] = {1, 1};
    const BandSetting bands[10] = {};
    EXPECT_FALSE(dev.Mute_Ch_Ctrl(0, 0, 0, 5, two, true));        // fewer values than the range
    EXPECT_FALSE(dev.Input_EQ_Ctrl(0, 0, 0, 0, 9, bands, true));  // 65 bytes
    std::vector<std::uint8_t> name(56, 'a');
    EXPECT_FALSE(dev.SetSceneName(1, name));
    std::vector<std::uint8_t> chunk(54, 1);
    EXPECT_FALSE(dev.SetSceneProfile(1, 0, chunk));
    EXPECT_TRUE(backend.last->Writes().empty());
}

TEST_F(EncoderTest, KaraokeValuesOneByteEchoDelayTwo) {
    dev.KTV_Echo_Delay_Ctrl(300, true);
    dev.KTV_Bass_Gain_Ctrl(-6, true);
    dev.KTV_Mic_Vol_Ctrl(60, true);
    dev.Get_KTV(KTV_TREBLE_GAIN);
    EXPECT_EQ(SentCommands(), (std::vector<Sent>{{CMD_KTV, 5, OP_SET, "01 2c"},
                                                 {CMD_KTV, 9, OP_SET, "fa"},
                                                 {CMD_KTV, 1, OP_SET, "3c"},
                                                 {CMD_KTV, 10, OP_GET, ""}}));
}

TEST_F(EncoderTest, LogLinesFollowTheCommand) {
    LogCapture log;
    const int mutes[] = {1, 0};
    dev.Mute_Ch_Ctrl(0, 0, 4, 5, mutes, true);
    dev.EQ_Ctrl(0, 0, 1, 2, 100, 1.0f, -3.5f, true);
    const std::string text = log.Text();
    EXPECT_NE(text.find("Mute_Ch_Ctrl: scene(0), channel(4), mute(1)\n"
                        "Mute_Ch_Ctrl: scene(0), channel(5), mute(0)\n"),
              std::string::npos);
    EXPECT_NE(text.find("EQ_Ctrl: gain(-3.50) ,freqValue(100) ,qValue(1.000000) @ band(2) "
                        "@channel(1) @scene(0)\n"),
              std::string::npos);
}

// Every encoder once, with the bytes it must send. The walk also checks that every DSP
// command code has an encoder.
struct EncoderCase {
    const char* name;
    std::function<void(CHidDevice&)> call;
    Sent expected;
};

std::vector<EncoderCase> AllEncoders() {
    static const int values2[] = {1, 0};
    static const int list3[] = {0, 2, 4};
    static const std::uint32_t mask1[] = {3};
    static const float delay1[] = {0.25f};
    static const float trim1[] = {6.0f};
    static const int dist1[] = {1234};
    static const BandSetting band1[] = {{1000, 2.5f, -3.5f}};
    static const ChannelPair pairs[] = {{0, 1}, {2, 3}};
    static const Compressor2Setting comp1[] = {{-20.5f, 10, 1500}};
    static const std::vector<std::uint8_t> block(52, 0x11);
    const int G = OP_GET;
    return {
        {"Source_Switch_Ctrl", [](CHidDevice& d) { d.Source_Switch_Ctrl(0x52, true); },
         Dsp(0x01, "52")},
        {"Main_Volume_Ctrl", [](CHidDevice& d) { d.Main_Volume_Ctrl(-5.0f, true); },
         Dsp(0x02, "fb")},
        {"Subwoofer_Volume_Ctrl", [](CHidDevice& d) { d.Subwoofer_Volume_Ctrl(3, true); },
         Dsp(0x03, "03")},
        {"Mute_Ctrl", [](CHidDevice& d) { d.Mute_Ctrl(1, true); }, Dsp(0x04, "01")},
        {"Filter_Ctrl", [](CHidDevice& d) { d.Filter_Ctrl(0, 1, 2, 2, 3400, 4, 3, true); },
         Dsp(0x05, "00 01 02 02 03 0d 48 04")},
        {"EQ_Ctrl", [](CHidDevice& d) { d.EQ_Ctrl(0, 0, 0, 0, 20, 5.8f, 0.0f, true); },
         Dsp(0x06, "00 00 00 00 00 14 05 08 12 00")},
        {"Delay_Ctrl", [](CHidDevice& d) { d.Delay_Ctrl(0, 0, 1, 1, delay1, true); },
         Dsp(0x07, "00 00 01 01 00 00 fa")},
        {"Trim_Ctrl", [](CHidDevice& d) { d.Trim_Ctrl(0, 0, 1, 1, trim1, true); },
         Dsp(0x08, "00 00 01 01 06 00")},
        {"Mute_Ch_Ctrl", [](CHidDevice& d) { d.Mute_Ch_Ctrl(0, 0, 0, 1, values2, true); },
         Dsp(0x09, "00 00 00 01 01 00")},
        {"Phase_Ctrl", [](CHidDevice& d) { d.Phase_Ctrl(0, 0, 0, 1, values2, true); },
         Dsp(0x0A, "00 00 00 01 01 00")},
        {"Mix_Ch_Ctrl", [](CHidDevice& d) { d.Mix_Ch_Ctrl(0, 0, 2, 2, mask1, true); },
         Dsp(0x0B, "00 00 02 02 03")},
        {"Remap_Ch_Ctrl", [](CHidDevice& d) { d.Remap_Ch_Ctrl(0, 0, 1, list3, true); },
         Dsp(0x0C, "00 00 01 00 02 04")},
        {"CH_Type_Ctrl", [](CHidDevice& d) { d.CH_Type_Ctrl(0, 0, 0, 1, values2, true); },
         Dsp(0x0D, "00 00 00 01 01 00")},
        {"CH_Link_Ctrl", [](CHidDevice& d) { d.CH_Link_Ctrl(0, 1, pairs, true); },
         Dsp(0x0E, "00 01 02 00 01 02 03")},
        {"CH_Lock_Ctrl", [](CHidDevice& d) { d.CH_Lock_Ctrl(0, 1, true); }, Dsp(0x0F, "00 01")},
        {"DSP_Bypass_Ctrl", [](CHidDevice& d) { d.DSP_Bypass_Ctrl(0, 2, 1, true); },
         Dsp(0x10, "00 02 01")},
        {"PEQ_Reset_Ctrl", [](CHidDevice& d) { d.PEQ_Reset_Ctrl(0, 0, list3, true); },
         Dsp(0x11, "00 00 03 00 02 04")},
        {"PEQ_Bypass_Ctrl", [](CHidDevice& d) { d.PEQ_Bypass_Ctrl(0, 0, 0, 1, values2, true); },
         Dsp(0x12, "00 00 00 01 01 00")},
        {"IRC_Ctrl", [](CHidDevice& d) { d.IRC_Ctrl(1, 0x003F, 2, true); },
         Dsp(0x13, "01 00 3f 02")},
        {"IRC_Set_Test_Mic", [](CHidDevice& d) { d.IRC_Set_Test_Mic(1, true); }, Dsp(0x1D, "01")},
        {"IRC_Sel_Test_Module", [](CHidDevice& d) { d.IRC_Sel_Test_Module(0x10, true); },
         Dsp(0x1E, "10")},
        {"Input_Trim_Ctrl", [](CHidDevice& d) { d.Input_Trim_Ctrl(0, 5, 0, 1, values2, true); },
         Dsp(0x20, "00 05 00 01 01 00")},
        {"Mute_Input_Ch_Ctrl",
         [](CHidDevice& d) { d.Mute_Input_Ch_Ctrl(0, 5, 0, 1, values2, true); },
         Dsp(0x21, "00 05 00 01 01 00")},
        {"Input_Phase_Ctrl", [](CHidDevice& d) { d.Input_Phase_Ctrl(0, 5, 0, 1, values2, true); },
         Dsp(0x22, "00 05 00 01 01 00")},
        {"Input_EQ_Ctrl", [](CHidDevice& d) { d.Input_EQ_Ctrl(0, 5, 1, 3, 3, band1, true); },
         Dsp(0x23, "00 05 01 03 03 03 e8 02 05 0e 05")},
        {"Input_Mix_Trim_Ctrl",
         [](CHidDevice& d) { d.Input_Mix_Trim_Ctrl(0, 5, 1, 2, 4, list3, true); },
         Dsp(0x24, "00 05 01 02 04 00 02 04")},
        {"Input_Ch_Threshold_Ctrl", [](CHidDevice& d) { d.Input_Ch_Threshold_Ctrl(-60, true); },
         Dsp(0x26, "c4")},
        {"Input_Mix_Trim_Ctrl2",
         [](CHidDevice& d) { d.Input_Mix_Trim_Ctrl2(0, 5, 0, 1, 3, values2, true); },
         Dsp(0x28, "00 05 00 01 03 01 00")},
        {"Sel_Remote_CH_Ctrl", [](CHidDevice& d) { d.Sel_Remote_CH_Ctrl(0x0102, true); },
         Dsp(0x32, "01 02")},
        {"Remote_Ch_Volume_Ctrl", [](CHidDevice& d) { d.Remote_Ch_Volume_Ctrl(7, true); },
         Dsp(0x33, "07")},
        {"Solo_Ctrl", [](CHidDevice& d) { d.Solo_Ctrl(0, 0, 0, 1, values2, true); },
         Dsp(0x34, "00 00 00 01 01 00")},
        {"Spk_Ch_Config_Ctrl", [](CHidDevice& d) { d.Spk_Ch_Config_Ctrl(0x21, true); },
         Dsp(0x35, "21")},
        {"Mix_Type_Ctrl", [](CHidDevice& d) { d.Mix_Type_Ctrl(0, 5, 2, true); },
         Dsp(0x36, "00 05 02")},
        {"Mix_Type_Ctrl2", [](CHidDevice& d) { d.Mix_Type_Ctrl2(0, 5, 2, true); },
         Dsp(0x83, "00 05 02")},
        {"HPF_Q_Fact_Ctrl", [](CHidDevice& d) { d.HPF_Q_Fact_Ctrl(0, 0, 0, 1, values2, true); },
         Dsp(0x37, "00 00 00 01 01 00")},
        {"LPF_Q_Fact_Ctrl", [](CHidDevice& d) { d.LPF_Q_Fact_Ctrl(0, 0, 0, 1, values2, true); },
         Dsp(0x38, "00 00 00 01 01 00")},
        {"Factory_Preset_Ctrl", [](CHidDevice& d) { d.Factory_Preset_Ctrl(2); }, Dsp(0x39, "02")},
        {"Setup_Mode_Ctrl", [](CHidDevice& d) { d.Setup_Mode_Ctrl(1); }, Dsp(0x3A, "01")},
        {"Auto_Effect_Ctrl", [](CHidDevice& d) { d.Auto_Effect_Ctrl(0, 1, true); },
         Dsp(0x3B, "00 01")},
        {"IRC_Active_Bypass_Ctrl", [](CHidDevice& d) { d.IRC_Active_Bypass_Ctrl(0, 1, true); },
         Dsp(0x3C, "00 01")},
        {"CS_Auto_Setting_Ctrl", [](CHidDevice& d) { d.CS_Auto_Setting_Ctrl(block, true); },
         Dsp(0x3D, ToHex(block))},
        {"Compressor_Ctrl",
         [](CHidDevice& d) {
             d.Compressor_Ctrl(0, 0, 0, 1, -64.0f, 1.0f, 0.0f, 1000, 30000, true);
         },
         Dsp(0x3E, "00 00 00 01 24 00 01 00 00 00 03 e8 75 30")},
        {"Amp_Mute_Ctrl", [](CHidDevice& d) { d.Amp_Mute_Ctrl(1, true); }, Dsp(0x3F, "01")},
        {"Set_MemData", [](CHidDevice& d) { d.Set_MemData(0x12345678, 0xA1B2C3D4, true); },
         Dsp(0x42, "78 56 34 12 d4 c3 b2 a1")},
        {"Spk_Dist_Ctrl", [](CHidDevice& d) { d.Spk_Dist_Ctrl(0, 0, 3, 3, dist1, true); },
         Dsp(0x43, "00 00 03 03 04 d2")},
        {"Mix_Source_Switch_Ctrl", [](CHidDevice& d) { d.Mix_Source_Switch_Ctrl(0x53, true); },
         Dsp(0x44, "53")},
        {"Rem_Out_Ctrl", [](CHidDevice& d) { d.Rem_Out_Ctrl(1, 0, true); }, Dsp(0x45, "01 00")},
        {"Cross_Source_Mix_Ctrl",
         [](CHidDevice& d) { d.Cross_Source_Mix_Ctrl(0, 1, 2, 3, 4, 5, true); },
         Dsp(0x47, "00 01 02 03 04 05")},
        {"Compressor_Ch_Ctrl",
         [](CHidDevice& d) { d.Compressor_Ch_Ctrl(0, 0, 0, 1, values2, true); },
         Dsp(0x49, "00 00 00 01 01 00")},
        {"Compressor_Ctrl2", [](CHidDevice& d) { d.Compressor_Ctrl2(0, 0, 2, 2, comp1, true); },
         Dsp(0x4A, "00 00 02 02 ec fb 00 0a 01 05")},
        {"Spk_Ohm_Ctrl", [](CHidDevice& d) { d.Spk_Ohm_Ctrl(1, true); }, Dsp(0x4B, "01")},
        {"Output_Bridge_Ctrl", [](CHidDevice& d) { d.Output_Bridge_Ctrl(0, 0, list3, true); },
         Dsp(0x4C, "00 00 03 00 02 04")},
        {"Cross_Source_Mix_Ctrl_CS47048",
         [](CHidDevice& d) { d.Cross_Source_Mix_Ctrl_CS47048(0, 1, 2, 3, 4, true); },
         Dsp(0x4D, "00 01 03 04 02")},
        {"Noise_Gate_Ctrl", [](CHidDevice& d) { d.Noise_Gate_Ctrl(1, true); }, Dsp(0x4E, "01")},
        // Requests.
        {"Get_Source_Config", [](CHidDevice& d) { d.Get_Source_Config(); }, Dsp(0x00, "", G)},
        {"Get_Source", [](CHidDevice& d) { d.Get_Source(); }, Dsp(0x01, "", G)},
        {"Get_Main_Volume", [](CHidDevice& d) { d.Get_Main_Volume(); }, Dsp(0x02, "", G)},
        {"Get_Subwoofer_Volume", [](CHidDevice& d) { d.Get_Subwoofer_Volume(); }, Dsp(0x03, "", G)},
        {"Get_Mute", [](CHidDevice& d) { d.Get_Mute(); }, Dsp(0x04, "", G)},
        {"Get_Filter", [](CHidDevice& d) { d.Get_Filter(0, 0, 0, 3); },
         Dsp(0x05, "00 00 00 03", G)},
        {"Get_EQ", [](CHidDevice& d) { d.Get_EQ(0, 0, 2, 7, 13); }, Dsp(0x06, "00 00 02 07 0d", G)},
        {"Get_Delay", [](CHidDevice& d) { d.Get_Delay(0, 0, 0, 5); }, Dsp(0x07, "00 00 00 05", G)},
        {"Get_Trim", [](CHidDevice& d) { d.Get_Trim(0, 0, 0, 5); }, Dsp(0x08, "00 00 00 05", G)},
        {"Get_Mute_Ch", [](CHidDevice& d) { d.Get_Mute_Ch(0, 0, 0, 5); },
         Dsp(0x09, "00 00 00 05", G)},
        {"Get_Phase", [](CHidDevice& d) { d.Get_Phase(0, 0, 0, 5); }, Dsp(0x0A, "00 00 00 05", G)},
        {"Get_Mix_Ch", [](CHidDevice& d) { d.Get_Mix_Ch(0, 5, 0, 5); },
         Dsp(0x0B, "00 05 00 05", G)},
        {"Get_Remap_Ch", [](CHidDevice& d) { d.Get_Remap_Ch(0, 5, 0, 5); },
         Dsp(0x0C, "00 05 00 05", G)},
        {"Get_CH_Type", [](CHidDevice& d) { d.Get_CH_Type(0, 0, 0, 5); },
         Dsp(0x0D, "00 00 00 05", G)},
        {"Get_CH_Link", [](CHidDevice& d) { d.Get_CH_Link(3); }, Dsp(0x0E, "03", G)},
        {"Get_CH_Lock", [](CHidDevice& d) { d.Get_CH_Lock(3); }, Dsp(0x0F, "03", G)},
        {"Get_CH_Trim_Link", [](CHidDevice& d) { d.Get_CH_Trim_Link(3); }, Dsp(0x30, "03", G)},
        {"Get_CH_Delay_Link", [](CHidDevice& d) { d.Get_CH_Delay_Link(3); }, Dsp(0x31, "03", G)},
        {"Get_All_Bypass", [](CHidDevice& d) { d.Get_All_Bypass(0, 0, 0, 5); },
         Dsp(0x10, "00 00 00 05", G)},
        {"Get_PEQ_Reset", [](CHidDevice& d) { d.Get_PEQ_Reset(0, 0, 0, 5); },
         Dsp(0x11, "00 00 00 05", G)},
        {"Get_PEQ_Bypass", [](CHidDevice& d) { d.Get_PEQ_Bypass(0, 0, 0, 5); },
         Dsp(0x12, "00 00 00 05", G)},
        {"IRC_Get", [](CHidDevice& d) { d.IRC_Get(); }, Dsp(0x13, "", G)},
        {"IRC_Get_Distance", [](CHidDevice& d) { d.IRC_Get_Distance(0, 5); },
         Dsp(0x14, "00 05", G)},
        {"IRC_Get_Trim", [](CHidDevice& d) { d.IRC_Get_Trim(0, 5); }, Dsp(0x15, "00 05", G)},
        {"IRC_Get_EQ", [](CHidDevice& d) { d.IRC_Get_EQ(1, 0, 6); }, Dsp(0x16, "01 00 06", G)},
        {"IRC_Get_Spk_Size", [](CHidDevice& d) { d.IRC_Get_Spk_Size(0, 5); },
         Dsp(0x17, "00 05", G)},
        {"IRC_Get_Spk_Phase", [](CHidDevice& d) { d.IRC_Get_Spk_Phase(0, 5); },
         Dsp(0x18, "00 05", G)},
        {"IRC_Get_Spk_Level", [](CHidDevice& d) { d.IRC_Get_Spk_Level(0, 5); },
         Dsp(0x19, "00 05", G)},
        {"IRC_Get_Spectrum", [](CHidDevice& d) { d.IRC_Get_Spectrum(1, 0, 9); },
         Dsp(0x1A, "01 00 09", G)},
        {"IRC_Get_Noise_Level", [](CHidDevice& d) { d.IRC_Get_Noise_Level(0, 5); },
         Dsp(0x1B, "00 05", G)},
        {"IRC_Get_RTA", [](CHidDevice& d) { d.IRC_Get_RTA(); }, Dsp(0x1C, "", G)},
        {"Get_Input_Trim", [](CHidDevice& d) { d.Get_Input_Trim(0, 5, 0, 3); },
         Dsp(0x20, "00 05 00 03", G)},
        {"Get_Mute_Input_Ch", [](CHidDevice& d) { d.Get_Mute_Input_Ch(0, 5, 0, 3); },
         Dsp(0x21, "00 05 00 03", G)},
        {"Get_Phase_Input_Ch", [](CHidDevice& d) { d.Get_Phase_Input_Ch(0, 5, 0, 3); },
         Dsp(0x22, "00 05 00 03", G)},
        {"Get_Input_EQ", [](CHidDevice& d) { d.Get_Input_EQ(0, 5, 1, 0, 6); },
         Dsp(0x23, "00 05 01 00 06", G)},
        {"Get_Input_Mix_CH_Trim", [](CHidDevice& d) { d.Get_Input_Mix_CH_Trim(0, 5, 1, 0, 5); },
         Dsp(0x24, "00 05 01 00 05", G)},
        {"Get_Input_Threshold", [](CHidDevice& d) { d.Get_Input_Threshold(0, 5, true); },
         Dsp(0x26, "00 05", G)},
        {"Get_Input_Noise", [](CHidDevice& d) { d.Get_Input_Noise(0, 3, true); },
         Dsp(0x27, "00 03", G)},
        {"Get_Sel_Remote_CH", [](CHidDevice& d) { d.Get_Sel_Remote_CH(); }, Dsp(0x32, "", G)},
        {"Get_Ch_Solo", [](CHidDevice& d) { d.Get_Ch_Solo(0, 0, 0, 5); },
         Dsp(0x34, "00 00 00 05", G)},
        {"Get_Speaker_Config", [](CHidDevice& d) { d.Get_Speaker_Config(); }, Dsp(0x35, "", G)},
        {"Get_Mix_Type", [](CHidDevice& d) { d.Get_Mix_Type(0, 5); }, Dsp(0x36, "00 05", G)},
        {"Get_HPF_Q_Fact_Mode", [](CHidDevice& d) { d.Get_HPF_Q_Fact_Mode(0, 0, 0, 5); },
         Dsp(0x37, "00 00 00 05", G)},
        {"Get_LPF_Q_Fact_Mode", [](CHidDevice& d) { d.Get_LPF_Q_Fact_Mode(0, 0, 0, 5); },
         Dsp(0x38, "00 00 00 05", G)},
        {"Get_Factory_Preset", [](CHidDevice& d) { d.Get_Factory_Preset(); }, Dsp(0x39, "", G)},
        {"Get_Setup_Mode", [](CHidDevice& d) { d.Get_Setup_Mode(); }, Dsp(0x3A, "", G)},
        {"Get_AUTO_ON", [](CHidDevice& d) { d.Get_AUTO_ON(); }, Dsp(0x3B, "", G)},
        {"Get_Compressor", [](CHidDevice& d) { d.Get_Compressor(0, 0, 0, 0); },
         Dsp(0x3E, "00 00 00 00", G)},
        {"Get_Amp_Mute", [](CHidDevice& d) { d.Get_Amp_Mute(); }, Dsp(0x3F, "", G)},
        {"Get_InDistort", [](CHidDevice& d) { d.Get_InDistort(0, 5, 0, 3); },
         Dsp(0x40, "00 05 00 03", G)},
        {"Get_OutDistort", [](CHidDevice& d) { d.Get_OutDistort(0, 5, 0, 5); },
         Dsp(0x41, "00 05 00 05", G)},
        {"Get_MemData", [](CHidDevice& d) { d.Get_MemData(0x00010203); },
         Dsp(0x42, "03 02 01 00 00 00 00 00", G)},
        {"Get_Spk_Dist", [](CHidDevice& d) { d.Get_Spk_Dist(0, 0, 0, 5); },
         Dsp(0x43, "00 00 00 05", G)},
        {"Get_Mix_Source", [](CHidDevice& d) { d.Get_Mix_Source(); }, Dsp(0x44, "", G)},
        {"Get_Rem_Out", [](CHidDevice& d) { d.Get_Rem_Out(); }, Dsp(0x45, "", G)},
        {"Get_Mix_Source2", [](CHidDevice& d) { d.Get_Mix_Source2(0, 5, 2); },
         Dsp(0x47, "00 05 02 00 00 00", G)},
        {"Get_Compressor_Ch_On", [](CHidDevice& d) { d.Get_Compressor_Ch_On(0, 0, 0, 5); },
         Dsp(0x49, "00 00 00 05", G)},
        {"Get_Compressor2", [](CHidDevice& d) { d.Get_Compressor2(0, 0, 0, 5); },
         Dsp(0x4A, "00 00 00 05", G)},
        {"Get_Spk_Ohm", [](CHidDevice& d) { d.Get_Spk_Ohm(); }, Dsp(0x4B, "", G)},
        {"Get_Ouput_Bridge", [](CHidDevice& d) { d.Get_Ouput_Bridge(0, 0, 3); },
         Dsp(0x4C, "00 00 03", G)},
        {"Get_Mix_Source2_CS47048", [](CHidDevice& d) { d.Get_Mix_Source2_CS47048(0, 5, 2); },
         Dsp(0x4D, "00 05 00 00 02", G)},
        {"Get_Noise_Gate", [](CHidDevice& d) { d.Get_Noise_Gate(); }, Dsp(0x4E, "", G)},
        {"Get_Mix_Type2", [](CHidDevice& d) { d.Get_Mix_Type2(0, 5); }, Dsp(0x83, "00 05", G)},
        // Scenes.
        {"SaveScene", [](CHidDevice& d) { d.SaveScene(3, 1); }, {CMD_FLASH, 0x08, OP_SET, "03 01"}},
        {"ReadScene", [](CHidDevice& d) { d.ReadScene(3, 0); }, {CMD_FLASH, 0x09, OP_SET, "03 00"}},
        {"DeleteScene", [](CHidDevice& d) { d.DeleteScene(3); }, {CMD_FLASH, 0x0A, OP_SET, "03"}},
        {"SetSceneName",
         [](CHidDevice& d) {
             const std::uint8_t n[] = {'A', 'b', 0, 0};
             d.SetSceneName(2, n);
         },
         {CMD_FLASH, 0x0B, OP_SET, "02 04 41 62 00 00"}},
        {"GetSceneName",
         [](CHidDevice& d) { d.GetSceneName(10); },
         {CMD_FLASH, 0x0B, OP_GET, "0a"}},
        {"GetSceneProfile",
         [](CHidDevice& d) { d.GetSceneProfile(1, 0x0135, 53); },
         {CMD_FLASH, 0x0C, OP_GET, "01 01 35 35"}},
        {"SetSceneProfile",
         [](CHidDevice& d) {
             const std::uint8_t b[] = {9, 8};
             d.SetSceneProfile(1, 0x0200, b);
         },
         {CMD_FLASH, 0x0C, OP_SET, "01 02 00 02 09 08"}},
        {"GetSceneId", [](CHidDevice& d) { d.GetSceneId(); }, {CMD_FLASH, 0x0E, OP_GET, ""}},
        {"GetSceneValid", [](CHidDevice& d) { d.GetSceneValid(); }, {CMD_FLASH, 0x0F, OP_GET, ""}},
    };
}

TEST_F(EncoderTest, EveryEncoderSendsItsBytesAtOnce) {
    for (const EncoderCase& c : AllEncoders()) {
        const std::size_t before = backend.last->Writes().size();
        c.call(dev);
        const auto sent = SentCommands();
        ASSERT_EQ(sent.size(), before + 1) << c.name;
        EXPECT_EQ(sent.back(), c.expected) << c.name;
    }
}

TEST_F(EncoderTest, EveryDspCodeHasAnEncoder) {
    std::set<int> sets;
    std::set<int> gets;
    for (const EncoderCase& c : AllEncoders()) {
        if (c.expected.type == CMD_DSP) {
            (c.expected.optype == OP_SET ? sets : gets).insert(c.expected.subcmd);
        }
    }
    // The DSP codes that have no write: requests only, or device reports.
    const std::set<int> noWrite = {0x00, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A,
                                   0x1B, 0x1C, 0x27, 0x30, 0x31, 0x40, 0x41, 0x46};
    // The DSP codes that have no request.
    const std::set<int> noRequest = {0x1D, 0x1E, 0x25, 0x28, 0x33, 0x3C, 0x3D, 0x46};
    for (int code = 0; code <= 0x4E; ++code) {
        const bool unnamed =
            code == 0x1F || (code >= 0x29 && code <= 0x2F) || code == 0x48 || code == 0x25;
        if (unnamed) {
            continue;
        }
        EXPECT_EQ(sets.count(code) == 0, noWrite.count(code) == 1) << "write of code " << code;
        EXPECT_EQ(gets.count(code) == 0, noRequest.count(code) == 1) << "request of code " << code;
    }
}

TEST_F(EncoderTest, QueueableRequestsFollowTheSendNowRules) {
    dev.EnableQueue();
    dev.Get_Input_Noise(0, 3, false);
    dev.Get_Input_Threshold(0, 5, false);
    DrainQueue();
    EXPECT_EQ(SentCommands(),
              (std::vector<Sent>{Dsp(0x27, "00 03", OP_GET), Dsp(0x26, "00 05", OP_GET)}));
}

}  // namespace
