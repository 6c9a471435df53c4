// The DSP family (packet type 1): value changes and requests.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "commands/command_codes.h"
#include "commands/payloads.h"
#include "platform/log.h"

using namespace tonvia::commands;

namespace {

// A value change: queued or sent at once by the sendNow rules. Refused data sends nothing.
bool Set(CHidDevice& device, std::uint8_t code, std::optional<Payload> data, bool sendNow,
         int waitMs = REPLY_WAIT_MS) {
    if (!data) {
        return false;
    }
    return device.SendOrQueue(CMD_DSP, code, OP_SET, std::move(*data), waitMs, sendNow);
}

// A request, sent at once and followed by a read. Refused data sends nothing.
bool Get(CHidDevice& device, std::uint8_t code, const std::optional<Payload>& data = Payload{},
         int waitMs = REPLY_WAIT_MS) {
    if (!data) {
        return false;
    }
    return device.SendAndWait(CMD_DSP, code, OP_GET, *data, waitMs);
}

// A queueable request: follows the sendNow rules. Refused data sends nothing.
bool GetOrQueue(CHidDevice& device, std::uint8_t code, std::optional<Payload> data, bool sendNow) {
    if (!data) {
        return false;
    }
    return device.SendOrQueue(CMD_DSP, code, OP_GET, std::move(*data), REPLY_WAIT_MS, sendNow);
}

std::optional<Payload> Header(int scene, int source, int first, int last) {
    return BuildFields({scene, source, first, last});
}

// One log line per channel: scene, channel, value.
void LogPerChannel(const char* format, int scene, int first, int last,
                   std::span<const int> values) {
    const int count = std::min(RangeCount(first, last), static_cast<int>(values.size()));
    for (int i = 0; i < count; ++i) {
        LogPrintA(format, scene, first + i, values[static_cast<std::size_t>(i)]);
    }
}

// One log line per channel: scene, source, channel, value.
void LogPerChannelWithSource(const char* format, int scene, int source, int first, int last,
                             std::span<const int> values) {
    const int count = std::min(RangeCount(first, last), static_cast<int>(values.size()));
    for (int i = 0; i < count; ++i) {
        LogPrintA(format, scene, source, first + i, values[static_cast<std::size_t>(i)]);
    }
}

std::optional<Payload> One(int value, WireField field = kWireByte) {
    return BuildFields({{value, field}});
}

}  // namespace

// 0x01: input source (device code).
bool CHidDevice::Source_Switch_Ctrl(int source, bool sendNow) {
    LogPrintA("Source_Switch_Ctrl: source(0x%x)\n", source);
    return Set(*this, DSP_SOURCE_SWITCH, One(source), sendNow);
}

// 0x02: master volume, signed byte (rounded to whole dB).
bool CHidDevice::Main_Volume_Ctrl(float volume, bool sendNow) {
    LogPrintA("Main_Volume_Ctrl gain:(%.1f) \n", static_cast<double>(volume));
    return Set(*this, DSP_VOLUME, EncodeScaled(volume, kMainVolume.wire, "main volume"), sendNow);
}

// 0x03: subwoofer volume, signed byte.
bool CHidDevice::Subwoofer_Volume_Ctrl(int volume, bool sendNow) {
    return Set(*this, DSP_SUBWOOFER_VOLUME, One(volume, kWireSignedByte), sendNow);
}

// 0x04: master mute.
bool CHidDevice::Mute_Ctrl(int mute, bool sendNow) {
    LogPrintA("Mute_Ctrl %d\n", mute);
    return Set(*this, DSP_MUTE, One(mute), sendNow);
}

// 0x05: one crossover filter of one channel (1 low-pass, 2 high-pass).
bool CHidDevice::Filter_Ctrl(int scene, int source, int channel, int filter, int freq, int slope,
                             int type, bool sendNow) {
    LogPrintA(
        "Filter_Ctrl scene@(%d), source(%d), ch(%d), iFilter(%d), freq(%d), slope(%d), "
        "type(%d)\n",
        scene, source, channel, filter, freq, slope, type);
    return Set(*this, DSP_FILTER_SET,
               BuildFilter(scene, source, channel, filter, freq, slope, type), sendNow);
}

// 0x06: one EQ band; Q in integer + tenths, gain travels +18 dB in integer + tenths.
bool CHidDevice::EQ_Ctrl(int scene, int source, int channel, int band, int freq, float q,
                         float gain, bool sendNow) {
    LogPrintA("EQ_Ctrl: gain(%.2f) ,freqValue(%d) ,qValue(%f) @ band(%d) @channel(%d) @scene(%d)\n",
              static_cast<double>(gain), freq, static_cast<double>(q), band, channel, scene);
    return Set(*this, DSP_EQ_CH, BuildEqBand(scene, source, channel, band, freq, q, gain), sendNow);
}

// 0x07: delays of a channel range; integer ms + thousandths (16 bits) per channel.
bool CHidDevice::Delay_Ctrl(int scene, int source, int first, int last,
                            std::span<const float> delaysMs, bool sendNow) {
    const int count = std::min(RangeCount(first, last), static_cast<int>(delaysMs.size()));
    for (int i = 0; i < count; ++i) {
        LogPrintA("Delay_Ctrl: scene(%d), channel(%d), delay(%.3f)\n", scene, first + i,
                  static_cast<double>(delaysMs[static_cast<std::size_t>(i)]));
    }
    return Set(*this, DSP_DELAY_CH, BuildDelayRange(scene, source, first, last, delaysMs), sendNow);
}

// 0x08: trims (positive attenuations) of a channel range; integer + hundredths, or the
// integer alone when trims travel as one byte.
bool CHidDevice::Trim_Ctrl(int scene, int source, int first, int last,
                           std::span<const float> attenuationsDb, bool sendNow) {
    const int count = std::min(RangeCount(first, last), static_cast<int>(attenuationsDb.size()));
    for (int i = 0; i < count; ++i) {
        LogPrintA("Trim_Ctrl: scene(%d), channel(%d), trim(%.2f)\n", scene, first + i,
                  static_cast<double>(attenuationsDb[static_cast<std::size_t>(i)]));
    }
    return Set(*this, DSP_TRIM_CH,
               BuildTrimRange(scene, source, first, last, attenuationsDb, mTrimTwoBytes == 1),
               sendNow);
}

// 0x09: channel mutes of a range, one byte each.
bool CHidDevice::Mute_Ch_Ctrl(int scene, int source, int first, int last,
                              std::span<const int> values, bool sendNow) {
    LogPerChannel("Mute_Ch_Ctrl: scene(%d), channel(%d), mute(%d)\n", scene, first, last, values);
    return Set(*this, DSP_MUTE_CH, BuildByteRange(scene, source, first, last, values), sendNow);
}

// 0x0A: channel phases of a range, one byte each.
bool CHidDevice::Phase_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                            bool sendNow) {
    LogPerChannel("Phase_Ctrl: scene(%d), channel(%d), phase(%d)\n", scene, first, last, values);
    return Set(*this, DSP_PHASE_CH, BuildByteRange(scene, source, first, last, values), sendNow);
}

// 0x0B: input masks of an output range; 1 byte each below 9 inputs, else 2 (high first).
bool CHidDevice::Mix_Ch_Ctrl(int scene, int source, int first, int last,
                             std::span<const std::uint32_t> masks, bool sendNow) {
    const int count = std::min(RangeCount(first, last), static_cast<int>(masks.size()));
    for (int i = 0; i < count; ++i) {
        LogPrintA("Mix_Ch_Ctrl: scene(%d), source(%d), output_channel(%d), input_ch(0x%x)\n", scene,
                  source, first + i, masks[static_cast<std::size_t>(i)]);
    }
    return Set(*this, DSP_MIX_CH, BuildMixRange(scene, source, first, last, masks, mInChannels),
               sendNow);
}

// 0x0C: the input channels of one output, one byte each.
bool CHidDevice::Remap_Ch_Ctrl(int scene, int source, int output, std::span<const int> inputs,
                               bool sendNow) {
    for (const int input : inputs) {
        LogPrintA("Remap_Ch_Ctrl: scene(%d), output_channel(%d), input_ch(%d)\n", scene, output,
                  input);
    }
    return Set(*this, DSP_REMAP_CH, BuildList({scene, source, output}, inputs), sendNow);
}

// 0x0D: channel types of a range.
bool CHidDevice::CH_Type_Ctrl(int scene, int source, int first, int last,
                              std::span<const int> values, bool sendNow) {
    LogPerChannelWithSource("CH_Type_Ctrl scene(%d), source(%d), channel(%d), t_ch_type(0x%x)\n",
                            scene, source, first, last, values);
    return Set(*this, DSP_CH_TYPE, BuildByteRange(scene, source, first, last, values), sendNow);
}

// 0x0E: output link on or off with its channel pairs.
bool CHidDevice::CH_Link_Ctrl(int scene, int link, std::span<const ChannelPair> pairs,
                              bool sendNow) {
    LogPrintA("CH_Link_Ctrl scene(%d), link(%d), ch_count(%d)\n", scene, link,
              static_cast<int>(pairs.size()));
    for (const ChannelPair& pair : pairs) {
        LogPrintA("from ch(%d) to ch(%d)\n", pair.from, pair.to);
    }
    return Set(*this, DSP_CH_LINK, BuildChannelLink(scene, link, pairs), sendNow);
}

// 0x0F: output lock.
bool CHidDevice::CH_Lock_Ctrl(int scene, int lock, bool sendNow) {
    return Set(*this, DSP_CH_LOCK, BuildFields({scene, lock}), sendNow);
}

// 0x10: DSP bypass of a source.
bool CHidDevice::DSP_Bypass_Ctrl(int scene, int source, int bypass, bool sendNow) {
    LogPrintA("DSP_Bypass_Ctrl: scene(%d), channel(%d), bypass(%d)\n", scene, source, bypass);
    return Set(*this, DSP_BYPASS, BuildFields({scene, source, bypass}), sendNow);
}

// 0x11: EQ reset of the listed channels; count, then the channel numbers.
bool CHidDevice::PEQ_Reset_Ctrl(int scene, int source, std::span<const int> channels,
                                bool sendNow) {
    std::string line = "PEQ_Reset_Ctrl: scene(" + std::to_string(scene) + "), ch_count(" +
                       std::to_string(channels.size()) + "), ";
    for (const int ch : channels) {
        line += "ch(" + std::to_string(ch) + "), ";
    }
    LogPrintA("%s\n", line.c_str());
    return Set(*this, DSP_EQ_RESET,
               BuildList({scene, source, static_cast<long long>(channels.size())}, channels),
               sendNow);
}

// 0x12: EQ bypass of a channel range.
bool CHidDevice::PEQ_Bypass_Ctrl(int scene, int source, int first, int last,
                                 std::span<const int> values, bool sendNow) {
    LogPerChannel("PEQ_Bypass_Ctrl: scene(%d), channel(%d), bypass(%d)\n", scene, first, last,
                  values);
    return Set(*this, DSP_EQ_BYPASS, BuildByteRange(scene, source, first, last, values), sendNow);
}

// 0x13: calibration on/off, output channel mask (2, big-endian), EQ mode.
bool CHidDevice::IRC_Ctrl(int on, int channelMask, int eqMode, bool sendNow) {
    LogPrintA("IRC_Ctrl: on(%d), ircch=0x%x, irc_eqmode = %d, syncMode(%d)\n", on, channelMask,
              eqMode, sendNow ? 1 : 0);
    return Set(*this, DSP_IRC_CTRL, BuildFields({on, {channelMask, kWireWord}, eqMode}), sendNow);
}

// 0x1D: calibration test microphone on/off.
bool CHidDevice::IRC_Set_Test_Mic(int on, bool sendNow) {
    LogPrintA("IRC_Set_Test_Mic: on(%d)\n", on);
    return Set(*this, DSP_IRC_TEST_MIC, One(on), sendNow);
}

// 0x1E: calibration test module.
bool CHidDevice::IRC_Sel_Test_Module(int module, bool sendNow) {
    LogPrintA("IRC_Sel_Test_Module: Module(0x%x), syncMode(%d)\n", module, sendNow ? 1 : 0);
    return Set(*this, DSP_IRC_SEL_TEST_MODULE, One(module), sendNow);
}

// 0x20: input gains of an input range, one signed byte each.
bool CHidDevice::Input_Trim_Ctrl(int scene, int source, int first, int last,
                                 std::span<const int> gains, bool sendNow) {
    LogPerChannel("Input_Trim_Ctrl: scene(%d), channel(%d), gain(%d)\n", scene, first, last, gains);
    return Set(*this, DSP_INPUT_TRIM_CH,
               BuildByteRange(scene, source, first, last, gains, kWireSignedByte), sendNow);
}

// 0x21: input mutes of an input range.
bool CHidDevice::Mute_Input_Ch_Ctrl(int scene, int source, int first, int last,
                                    std::span<const int> values, bool sendNow) {
    LogPerChannelWithSource("Mute_Input_Ch_Ctrl: scene(%d),source (%d), channel(%d), mute(%d)\n",
                            scene, source, first, last, values);
    return Set(*this, DSP_INPUT_CH_MUTE, BuildByteRange(scene, source, first, last, values),
               sendNow);
}

// 0x22: input phases of an input range.
bool CHidDevice::Input_Phase_Ctrl(int scene, int source, int first, int last,
                                  std::span<const int> values, bool sendNow) {
    LogPerChannelWithSource("Input_Phase_Ctrl: scene(%d), source(%d), channel(%d), phase(%d)\n",
                            scene, source, first, last, values);
    return Set(*this, DSP_INPUT_CH_PHASE, BuildByteRange(scene, source, first, last, values),
               sendNow);
}

// 0x23: a band range of an input EQ; 6 bytes per band as in 0x06 (at most 8 bands a frame).
bool CHidDevice::Input_EQ_Ctrl(int scene, int source, int channel, int firstBand, int lastBand,
                               std::span<const BandSetting> bands, bool sendNow) {
    const int count = std::min(RangeCount(firstBand, lastBand), static_cast<int>(bands.size()));
    for (int i = 0; i < count; ++i) {
        const BandSetting& b = bands[static_cast<std::size_t>(i)];
        LogPrintA(
            "Input_EQ_Ctrl: gain(%02f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d) "
            "@scene(%d)\n",
            static_cast<double>(b.gain), b.freq, static_cast<double>(b.q), firstBand + i, channel,
            scene);
    }
    return Set(*this, DSP_INPUT_EQ_CH,
               BuildInputEqBands(scene, source, channel, firstBand, lastBand, bands), sendNow);
}

// 0x24: mix trims of one input into an output range, one signed byte each.
bool CHidDevice::Input_Mix_Trim_Ctrl(int scene, int source, int input, int firstOutput,
                                     int lastOutput, std::span<const int> trims, bool sendNow) {
    const int count = std::min(RangeCount(firstOutput, lastOutput), static_cast<int>(trims.size()));
    for (int i = 0; i < count; ++i) {
        LogPrintA("Input_Mix_Trim_Ctrl: scene(%d), source(%d), in_ch(%d),out_ch(%d), trim(%d)\n",
                  scene, source, input, firstOutput + i, trims[static_cast<std::size_t>(i)]);
    }
    return Set(*this, DSP_INPUT_MIX_CH_TRIM,
               BuildInputMixTrim(scene, source, input, firstOutput, lastOutput, trims), sendNow);
}

// 0x26: input noise threshold, signed byte.
bool CHidDevice::Input_Ch_Threshold_Ctrl(int threshold, bool sendNow) {
    LogPrintA("Input_Ch_Threshold_Ctrl:threshold(%d)\n", threshold);
    return Set(*this, DSP_INPUT_THRESHOLD, One(threshold, kWireSignedByte), sendNow);
}

// 0x28: mix trims of an input range into one output, one signed byte each.
bool CHidDevice::Input_Mix_Trim_Ctrl2(int scene, int source, int firstInput, int lastInput,
                                      int output, std::span<const int> trims, bool sendNow) {
    char head[128];
    std::snprintf(head, sizeof head,
                  "Input_Mix_Trim_Ctrl2: scene(%d), source(%d), in_channel(%d to %d),out_ch(%d), ",
                  scene, source, firstInput, lastInput, output);
    std::string line = head;
    const int count = std::min(RangeCount(firstInput, lastInput), static_cast<int>(trims.size()));
    for (int i = 0; i < count; ++i) {
        line += "in_ch(" + std::to_string(firstInput + i) + ")=trim(" +
                std::to_string(trims[static_cast<std::size_t>(i)]) + "), ";
    }
    LogPrintA("%s\n", line.c_str());
    return Set(*this, DSP_INPUT_MIX_CH_TRIM2,
               BuildInputMixTrim2(scene, source, firstInput, lastInput, output, trims), sendNow);
}

// 0x32: remote channel selection, 16-bit big-endian.
bool CHidDevice::Sel_Remote_CH_Ctrl(int selection, bool sendNow) {
    LogPrintA("Sel_Remote_CH_Ctrl sel_ch(%d) \n", selection);
    return Set(*this, DSP_SEL_REMOTE_CH, One(selection, kWireWord), sendNow);
}

// 0x33: remote channel volume.
bool CHidDevice::Remote_Ch_Volume_Ctrl(int value, bool sendNow) {
    return Set(*this, DSP_REMOTE_CH_VOLUME, One(value), sendNow);
}

// 0x34: solo of a channel range.
bool CHidDevice::Solo_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                           bool sendNow) {
    LogPerChannel("Solo_Ctrl: scene(%d), channel(%d), solo(%d)\n", scene, first, last, values);
    return Set(*this, DSP_CH_SOLO, BuildByteRange(scene, source, first, last, values), sendNow);
}

// 0x35: speaker channel configuration byte.
bool CHidDevice::Spk_Ch_Config_Ctrl(int configuration, bool sendNow) {
    return Set(*this, DSP_SPK_CH_CONFIG, One(configuration), sendNow);
}

// 0x36: mix type of a source.
bool CHidDevice::Mix_Type_Ctrl(int scene, int source, int type, bool sendNow) {
    LogPrintA("Mix_Type_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
    return Set(*this, DSP_MIX_TYPE, BuildFields({scene, source, type}), sendNow);
}

// 0x83: second mix type of a source.
bool CHidDevice::Mix_Type_Ctrl2(int scene, int source, int type, bool sendNow) {
    LogPrintA("Mix_Type_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
    return Set(*this, DSP_MIX_TYPE2, BuildFields({scene, source, type}), sendNow);
}

// 0x37: high-pass Q modes of a channel range.
bool CHidDevice::HPF_Q_Fact_Ctrl(int scene, int source, int first, int last,
                                 std::span<const int> modes, bool sendNow) {
    LogPerChannel("HPF_Q_Fact_Ctrl: scene(%d), channel(%d), Q_fac_type(%d)\n", scene, first, last,
                  modes);
    return Set(*this, DSP_HPF_Q_FACT_MODE, BuildByteRange(scene, source, first, last, modes),
               sendNow);
}

// 0x38: low-pass Q modes of a channel range.
bool CHidDevice::LPF_Q_Fact_Ctrl(int scene, int source, int first, int last,
                                 std::span<const int> modes, bool sendNow) {
    LogPerChannel("LPF_Q_Fact_Ctrl: scene(%d), channel(%d), Q_fac_type(%d)\n", scene, first, last,
                  modes);
    return Set(*this, DSP_LPF_Q_FACT_MODE, BuildByteRange(scene, source, first, last, modes),
               sendNow);
}

// 0x39: factory preset mode; sent at once, 1000 ms reply wait.
bool CHidDevice::Factory_Preset_Ctrl(int mode) {
    LogPrintA("Factory_Preset_Ctrl: mode(%d)\n", mode);
    return Set(*this, DSP_FACTORY_PRESET, One(mode), true, MODE_REPLY_WAIT_MS);
}

// 0x3A: set-up mode; sent at once, 1000 ms reply wait.
bool CHidDevice::Setup_Mode_Ctrl(int mode) {
    LogPrintA("Setup_Mode_Ctrl: mode(%d)\n", mode);
    return Set(*this, DSP_SETUP_MODE, One(mode), true, MODE_REPLY_WAIT_MS);
}

// 0x3B: automatic effect on/off.
bool CHidDevice::Auto_Effect_Ctrl(int scene, int on, bool sendNow) {
    return Set(*this, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, BuildFields({scene, on}), sendNow);
}

// 0x3C: calibration active bypass.
bool CHidDevice::IRC_Active_Bypass_Ctrl(int scene, int value, bool sendNow) {
    return Set(*this, DSP_IRC_ACTIVE_BYPASS_CONTROL, BuildFields({scene, value}), sendNow);
}

// 0x3D: the 52-byte automatic-surround block, copied as it is; other sizes are refused.
bool CHidDevice::CS_Auto_Setting_Ctrl(std::span<const std::uint8_t> block, bool sendNow) {
    if (block.size() != CS_AUTO_SETTING_SIZE) {
        LogPrintA("CS_Auto_Setting_Ctrl: block of %zu bytes, %zu expected; not sent\n",
                  block.size(), CS_AUTO_SETTING_SIZE);
        return false;
    }
    return Set(*this, DSP_CS_AUTO_SETTING, Payload(block.begin(), block.end()), sendNow);
}

// 0x3E: one channel's compressor, 14 bytes; threshold travels +100 dB in integer + tenths.
bool CHidDevice::Compressor_Ctrl(int scene, int source, int channel, int bypass, float threshold,
                                 float ratio, float knee, int attack, int release, bool sendNow) {
    return Set(
        *this, DSP_COMPRESSOR_SETTING,
        BuildCompressor(scene, source, channel, bypass, threshold, ratio, knee, attack, release),
        sendNow);
}

// 0x3F: amplifier mute.
bool CHidDevice::Amp_Mute_Ctrl(int mute, bool sendNow) {
    LogPrintA("Amp_Mute_Ctrl t_mute(%d)\n", mute);
    return Set(*this, DSP_AMP_MUTE, One(mute), sendNow);
}

namespace {
void LogMemData(std::uint32_t address, std::uint32_t data) {
    const auto a = LittleEndian32(address);
    const auto d = LittleEndian32(data);
    LogPrintA("Get_MemData: addr(0x%08x), data(0x%08x)\n", address, data);
    LogPrintA("addr %02x, %02x, %02x, %02x\n", a[0], a[1], a[2], a[3]);
    LogPrintA("data %02x, %02x, %02x, %02x\n", d[0], d[1], d[2], d[3]);
}
}  // namespace

// 0x42: one DSP memory word; address and data little-endian.
bool CHidDevice::Set_MemData(std::uint32_t address, std::uint32_t data, bool sendNow) {
    LogMemData(address, data);
    return Set(*this, DSP_MEM_DATA, BuildMemData(address, data), sendNow);
}

// 0x43: speaker distances of a channel range, hundredths as 16-bit big-endian.
bool CHidDevice::Spk_Dist_Ctrl(int scene, int source, int first, int last,
                               std::span<const int> hundredths, bool sendNow) {
    LogPerChannel("Spk_Dist_Ctrl: scene(%d), channel(%d), spk_dist(%d/100)\n", scene, first, last,
                  hundredths);
    return Set(*this, DSP_SPK_DIST, BuildSpkDistRange(scene, source, first, last, hundredths),
               sendNow);
}

// 0x44: mix source.
bool CHidDevice::Mix_Source_Switch_Ctrl(int source, bool sendNow) {
    LogPrintA("Mix_Source_Switch_Ctrl: source(0x%x)\n", source);
    return Set(*this, DSP_MIX_SOURCE_SWITCH, One(source), sendNow);
}

// 0x45: remote outputs 1 and 2.
bool CHidDevice::Rem_Out_Ctrl(int remOut1, int remOut2, bool sendNow) {
    LogPrintA("Rem_Out_Ctrl remOut1(%d), remOut2(%d)\n", remOut1, remOut2);
    return Set(*this, DSP_REM_OUT, BuildFields({remOut1, remOut2}), sendNow);
}

// 0x47: cross-source mix of one input channel.
bool CHidDevice::Cross_Source_Mix_Ctrl(int scene, int source, int channel, int viceSource,
                                       int viceChannel, int viceGain, bool sendNow) {
    LogPrintA(
        "Cross_Source_Mix_Ctrl: scene(0x%x), source(0x%x), ch(0x%x), vice_source(0x%x), "
        "vice_ch(0x%x), vice_gain(0x%x)\n",
        scene, source, channel, viceSource, viceChannel, viceGain);
    return Set(*this, DSP_CROSS_SOURCE_MIX,
               BuildFields({scene, source, channel, viceSource, viceChannel, viceGain}), sendNow);
}

// 0x49: compressor on/off of a channel range.
bool CHidDevice::Compressor_Ch_Ctrl(int scene, int source, int first, int last,
                                    std::span<const int> on, bool sendNow) {
    LogPerChannel("Compressor_Ch_Ctrl: scene(%d), channel(%d), On(%d)\n", scene, first, last, on);
    return Set(*this, DSP_COMPRESSOR_ON_CH, BuildByteRange(scene, source, first, last, on),
               sendNow);
}

// 0x4A: compressors of a channel range, 6 bytes each: signed threshold integer + tenths,
// attack ms (2), release in seconds + tenths.
bool CHidDevice::Compressor_Ctrl2(int scene, int source, int first, int last,
                                  std::span<const Compressor2Setting> settings, bool sendNow) {
    const int count = std::min(RangeCount(first, last), static_cast<int>(settings.size()));
    for (int i = 0; i < count; ++i) {
        const Compressor2Setting& s = settings[static_cast<std::size_t>(i)];
        const auto t = EncodeTenths(s.threshold).value_or(std::array<std::uint8_t, 2>{});
        LogPrintA(
            "Compressor_Ctrl2: scene(%d), channel(%d), threshold(%g) %d %d, attack(%d), "
            "release(%g)\n",
            scene, first + i, static_cast<double>(s.threshold), static_cast<std::int8_t>(t[0]),
            static_cast<std::int8_t>(t[1]), s.attack, s.release / 1000.0);
    }
    return Set(*this, DSP_COMPRESSOR_SETTING2,
               BuildCompressor2Range(scene, source, first, last, settings), sendNow);
}

// 0x4B: speaker impedance selection.
bool CHidDevice::Spk_Ohm_Ctrl(int ohm, bool sendNow) {
    LogPrintA("Spk_Ohm_Ctrl ohm(%d)\n", ohm);
    return Set(*this, DSP_SPK_OHM, One(ohm), sendNow);
}

// 0x4C: output bridging; count, then one byte per entry.
bool CHidDevice::Output_Bridge_Ctrl(int scene, int source, std::span<const int> bridge,
                                    bool sendNow) {
    LogPrintA("Output_Bridge_Ctrl scene(%d) source(%d) count(%d)\n", scene, source,
              static_cast<int>(bridge.size()));
    for (std::size_t i = 0; i < bridge.size(); ++i) {
        LogPrintA("bridge[%d] = %d\n", static_cast<int>(i), bridge[i]);
    }
    return Set(*this, DSP_OUPUT_BRIDGE,
               BuildList({scene, source, static_cast<long long>(bridge.size())}, bridge), sendNow);
}

// 0x4D: cross-source mix, second variant: scene, source, second source, second channel,
// channel (in this order).
bool CHidDevice::Cross_Source_Mix_Ctrl_CS47048(int scene, int source, int channel, int viceSource,
                                               int viceChannel, bool sendNow) {
    LogPrintA(
        "Cross_Source_Mix_Ctrl_CS47048: scene(0x%x), source(0x%x), ch(0x%x), "
        "vice_source(0x%x), vice_ch(0x%x)\n",
        scene, source, channel, viceSource, viceChannel);
    return Set(*this, DSP_CROSS_SOURCE_MIX_CS47048,
               BuildFields({scene, source, viceSource, viceChannel, channel}), sendNow);
}

// 0x4E: noise gate on/off.
bool CHidDevice::Noise_Gate_Ctrl(int on, bool sendNow) {
    LogPrintA("Noise_Gate_Ctrl onoff(%d)\n", on);
    return Set(*this, DSP_NOISE_GATE, One(on), sendNow);
}

// --- Requests ----------------------------------------------------------------------------

bool CHidDevice::Get_Source_Config() {
    LogPrintA("Get_Source_Config\n");
    return Get(*this, DSP_SOURCE_CONFIG, Payload{}, SHORT_REPLY_WAIT_MS);
}

bool CHidDevice::Get_Source() {
    LogPrintA("Get_Source\n");
    return Get(*this, DSP_SOURCE_SWITCH);
}

bool CHidDevice::Get_Main_Volume() {
    LogPrintA("Get_Main_Volume\n");
    return Get(*this, DSP_VOLUME);
}

bool CHidDevice::Get_Subwoofer_Volume() {
    LogPrintA("Get_Subwoofer_Volume\n");
    return Get(*this, DSP_SUBWOOFER_VOLUME);
}

bool CHidDevice::Get_Mute() {
    LogPrintA("Get_Mute\n");
    return Get(*this, DSP_MUTE);
}

bool CHidDevice::Get_Filter(int scene, int source, int first, int last) {
    LogPrintA("Get_Filter: channel(%d) to channel(%d) @source(%d), scene(%d)\n", first, last,
              source, scene);
    return Get(*this, DSP_FILTER_SET, Header(scene, source, first, last));
}

// 0x06: scene, source, channel, first band, last band.
bool CHidDevice::Get_EQ(int scene, int source, int channel, int firstBand, int lastBand) {
    LogPrintA("Get_EQ: band(%d) band_end(%d) @channel(%d) @source(%d), scene(%d)\n", firstBand,
              lastBand, channel, source, scene);
    return Get(*this, DSP_EQ_CH, BuildFields({scene, source, channel, firstBand, lastBand}));
}

bool CHidDevice::Get_Delay(int scene, int source, int first, int last) {
    LogPrintA("Get_Delay: scene(%d), channel(%d)\n", scene, first);
    return Get(*this, DSP_DELAY_CH, Header(scene, source, first, last));
}

bool CHidDevice::Get_Trim(int scene, int source, int first, int last) {
    LogPrintA("Get_Trim: scene(%d), channel(%d)\n", scene, first);
    return Get(*this, DSP_TRIM_CH, Header(scene, source, first, last));
}

bool CHidDevice::Get_Mute_Ch(int scene, int source, int first, int last) {
    LogPrintA("Get_Mute_Ch: scene(%d), channel(%d)\n", scene, first);
    return Get(*this, DSP_MUTE_CH, Header(scene, source, first, last));
}

bool CHidDevice::Get_Phase(int scene, int source, int first, int last) {
    LogPrintA("Get_Phase: scene(%d), channel(%d)\n", scene, first);
    return Get(*this, DSP_PHASE_CH, Header(scene, source, first, last));
}

bool CHidDevice::Get_Mix_Ch(int scene, int source, int first, int last) {
    LogPrintA("Get_Mix_Ch: scene(%d), output_channel(%d)\n", scene, first);
    return Get(*this, DSP_MIX_CH, Header(scene, source, first, last));
}

bool CHidDevice::Get_Remap_Ch(int scene, int source, int first, int last) {
    LogPrintA("Get_Remap_Ch: scene(%d), output_channel(%d)\n", scene, first);
    return Get(*this, DSP_REMAP_CH, Header(scene, source, first, last));
}

bool CHidDevice::Get_CH_Type(int scene, int source, int first, int last) {
    LogPrintA("Get_CH_Type: scene(%d), channel(%d), channel_end(%d)\n", scene, first, last);
    return Get(*this, DSP_CH_TYPE, Header(scene, source, first, last));
}

bool CHidDevice::Get_CH_Link(int scene) {
    LogPrintA("Get_CH_Link: scene(%d)\n", scene);
    return Get(*this, DSP_CH_LINK, One(scene));
}

bool CHidDevice::Get_CH_Lock(int scene) {
    LogPrintA("Get_CH_Lock: scene(%d)\n", scene);
    return Get(*this, DSP_CH_LOCK, One(scene));
}

bool CHidDevice::Get_CH_Trim_Link(int scene) {
    LogPrintA("Get_CH_Trim_Link: scene(%d)\n", scene);
    return Get(*this, DSP_CH_TRIM_LINK, One(scene));
}

bool CHidDevice::Get_CH_Delay_Link(int scene) {
    LogPrintA("Get_CH_Delay_Link: scene(%d)\n", scene);
    return Get(*this, DSP_CH_DELAY_LINK, One(scene));
}

bool CHidDevice::Get_All_Bypass(int scene, int source, int first, int last) {
    return Get(*this, DSP_BYPASS, Header(scene, source, first, last));
}

bool CHidDevice::Get_PEQ_Reset(int scene, int source, int first, int last) {
    return Get(*this, DSP_EQ_RESET, Header(scene, source, first, last));
}

bool CHidDevice::Get_PEQ_Bypass(int scene, int source, int first, int last) {
    return Get(*this, DSP_EQ_BYPASS, Header(scene, source, first, last));
}

bool CHidDevice::IRC_Get() {
    LogPrintA("IRC_Get\n");
    return Get(*this, DSP_IRC_CTRL);
}

namespace {
bool IrcRange(CHidDevice& device, const char* name, std::uint8_t code, int first, int last) {
    LogPrintA("%s from ch(%d) to ch_end(%d)\n", name, first, last);
    return Get(device, code, BuildFields({first, last}));
}

bool IrcBands(CHidDevice& device, const char* name, std::uint8_t code, int channel, int firstBand,
              int lastBand) {
    LogPrintA("%s: from band(%d) to band_end(%d) @channel(%d)\n", name, firstBand, lastBand,
              channel);
    return Get(device, code, BuildFields({channel, firstBand, lastBand}));
}
}  // namespace

bool CHidDevice::IRC_Get_Distance(int first, int last) {
    return IrcRange(*this, "IRC_Get_Distance", DSP_IRC_DISTANCE, first, last);
}

bool CHidDevice::IRC_Get_Trim(int first, int last) {
    return IrcRange(*this, "IRC_Get_Trim", DSP_IRC_TRIM, first, last);
}

bool CHidDevice::IRC_Get_Spk_Size(int first, int last) {
    return IrcRange(*this, "IRC_Get_Spk_Size", DSP_IRC_SPK_SIZE, first, last);
}

bool CHidDevice::IRC_Get_Spk_Phase(int first, int last) {
    return IrcRange(*this, "IRC_Get_Spk_Phase", DSP_IRC_SPK_PHASE, first, last);
}

bool CHidDevice::IRC_Get_Spk_Level(int first, int last) {
    return IrcRange(*this, "IRC_Get_Spk_Level", DSP_IRC_SPK_LEVEL, first, last);
}

bool CHidDevice::IRC_Get_Noise_Level(int first, int last) {
    return IrcRange(*this, "IRC_Get_Noise_Level", DSP_IRC_NOISE_LEVEL, first, last);
}

bool CHidDevice::IRC_Get_EQ(int channel, int firstBand, int lastBand) {
    return IrcBands(*this, "IRC_Get_EQ", DSP_IRC_EQ, channel, firstBand, lastBand);
}

bool CHidDevice::IRC_Get_Spectrum(int channel, int firstBand, int lastBand) {
    return IrcBands(*this, "IRC_Get_Spectrum", DSP_IRC_SPECTRUM, channel, firstBand, lastBand);
}

bool CHidDevice::IRC_Get_RTA() {
    LogPrintA("IRC_Get_RTA\n");
    return Get(*this, DSP_IRC_RTA);
}

bool CHidDevice::Get_Input_Trim(int scene, int source, int first, int last) {
    return Get(*this, DSP_INPUT_TRIM_CH, Header(scene, source, first, last));
}

bool CHidDevice::Get_Mute_Input_Ch(int scene, int source, int first, int last) {
    return Get(*this, DSP_INPUT_CH_MUTE, Header(scene, source, first, last));
}

bool CHidDevice::Get_Phase_Input_Ch(int scene, int source, int first, int last) {
    return Get(*this, DSP_INPUT_CH_PHASE, Header(scene, source, first, last));
}

bool CHidDevice::Get_Input_EQ(int scene, int source, int channel, int firstBand, int lastBand) {
    LogPrintA("Get_Input_EQ: @ channel(%d) @scene(%d)\n", channel, scene);
    return Get(*this, DSP_INPUT_EQ_CH, BuildFields({scene, source, channel, firstBand, lastBand}));
}

bool CHidDevice::Get_Input_Mix_CH_Trim(int scene, int source, int input, int firstOutput,
                                       int lastOutput) {
    LogPrintA("Get_Input_Mix_CH_Trim: scene(%d), in_channel(%d), out_ch_x(%d) to out_ch_y(%d)\n",
              scene, input, firstOutput, lastOutput);
    return Get(*this, DSP_INPUT_MIX_CH_TRIM,
               BuildFields({scene, source, input, firstOutput, lastOutput}));
}

// 0x26 request: follows the sendNow rules.
bool CHidDevice::Get_Input_Threshold(int scene, int source, bool sendNow) {
    LogPrintA("Get_Input_Threshold: scene(%d), source(%d)\n", scene, source);
    return GetOrQueue(*this, DSP_INPUT_THRESHOLD, BuildFields({scene, source}), sendNow);
}

// 0x27 request: follows the sendNow rules.
bool CHidDevice::Get_Input_Noise(int first, int last, bool sendNow) {
    LogPrintA("Get_Input_Noise: ch_x(%d) to ch_y(%d)\n", first, last);
    return GetOrQueue(*this, DSP_INPUT_NOISE, BuildFields({first, last}), sendNow);
}

bool CHidDevice::Get_Sel_Remote_CH() {
    return Get(*this, DSP_SEL_REMOTE_CH);
}

bool CHidDevice::Get_Ch_Solo(int scene, int source, int first, int last) {
    LogPrintA("Get_Ch_Solo: scene(%d), channel(%d) to ch(%d)\n", scene, first, last);
    return Get(*this, DSP_CH_SOLO, Header(scene, source, first, last));
}

bool CHidDevice::Get_Speaker_Config() {
    LogPrintA("Get_Speaker_Config\n");
    return Get(*this, DSP_SPK_CH_CONFIG);
}

bool CHidDevice::Get_Factory_Preset() {
    LogPrintA("Get_Speaker_Config\n");
    return Get(*this, DSP_FACTORY_PRESET);
}

bool CHidDevice::Get_Setup_Mode() {
    LogPrintA("Get_Speaker_Config\n");
    return Get(*this, DSP_SETUP_MODE);
}

bool CHidDevice::Get_Mix_Type(int scene, int source) {
    LogPrintA("Get_Mix_Type: scene(%d), source(%d)\n", scene, source);
    return Get(*this, DSP_MIX_TYPE, BuildFields({scene, source}));
}

bool CHidDevice::Get_Mix_Type2(int scene, int source) {
    LogPrintA("Get_Mix_Type2: scene(%d), source(%d)\n", scene, source);
    return Get(*this, DSP_MIX_TYPE2, BuildFields({scene, source}));
}

bool CHidDevice::Get_HPF_Q_Fact_Mode(int scene, int source, int first, int last) {
    return Get(*this, DSP_HPF_Q_FACT_MODE, Header(scene, source, first, last));
}

bool CHidDevice::Get_LPF_Q_Fact_Mode(int scene, int source, int first, int last) {
    return Get(*this, DSP_LPF_Q_FACT_MODE, Header(scene, source, first, last));
}

bool CHidDevice::Get_AUTO_ON() {
    LogPrintA("Get_AUTO_ON\n");
    return Get(*this, DSP_AUTO_EFFECTION_ON_OFF_CONTROL);
}

bool CHidDevice::Get_Compressor(int scene, int source, int first, int last) {
    return Get(*this, DSP_COMPRESSOR_SETTING, Header(scene, source, first, last));
}

bool CHidDevice::Get_Compressor2(int scene, int source, int first, int last) {
    return Get(*this, DSP_COMPRESSOR_SETTING2, Header(scene, source, first, last));
}

bool CHidDevice::Get_Compressor_Ch_On(int scene, int source, int first, int last) {
    return Get(*this, DSP_COMPRESSOR_ON_CH, Header(scene, source, first, last));
}

bool CHidDevice::Get_Amp_Mute() {
    return Get(*this, DSP_AMP_MUTE);
}
bool CHidDevice::Get_Rem_Out() {
    return Get(*this, DSP_REM_OUT);
}
bool CHidDevice::Get_Spk_Ohm() {
    return Get(*this, DSP_SPK_OHM);
}
bool CHidDevice::Get_Noise_Gate() {
    return Get(*this, DSP_NOISE_GATE);
}
bool CHidDevice::Get_Mix_Source() {
    return Get(*this, DSP_MIX_SOURCE_SWITCH);
}

bool CHidDevice::Get_InDistort(int scene, int source, int first, int last) {
    return Get(*this, DSP_INPUT_CH_DISTORT, Header(scene, source, first, last));
}

bool CHidDevice::Get_OutDistort(int scene, int source, int first, int last) {
    return Get(*this, DSP_OUTPUT_CH_DISTORT, Header(scene, source, first, last));
}

bool CHidDevice::Get_InDistortQueued(int scene, int source, int first, int last) {
    return IsQueueEnabled() &&
           GetOrQueue(*this, DSP_INPUT_CH_DISTORT, Header(scene, source, first, last), false);
}

bool CHidDevice::Get_OutDistortQueued(int scene, int source, int first, int last) {
    return IsQueueEnabled() &&
           GetOrQueue(*this, DSP_OUTPUT_CH_DISTORT, Header(scene, source, first, last), false);
}

// 0x42 request: the address little-endian, then four zero bytes.
bool CHidDevice::Get_MemData(std::uint32_t address) {
    LogMemData(address, 0);
    return Get(*this, DSP_MEM_DATA, BuildMemData(address, 0));
}

bool CHidDevice::Get_MemDataQueued(std::uint32_t address) {
    if (!IsQueueEnabled()) {
        return Get_MemData(address);
    }
    LogMemData(address, 0);
    return SendOrQueue(CMD_DSP, DSP_MEM_DATA, OP_GET, BuildMemData(address, 0), REPLY_WAIT_MS,
                       false);
}

bool CHidDevice::Get_Spk_Dist(int scene, int source, int first, int last) {
    LogPrintA("Get_Spk_Dist: scene(%d), ch_x(%d) ch_y(%d)\n", scene, first, last);
    return Get(*this, DSP_SPK_DIST, Header(scene, source, first, last));
}

// 0x47 request: scene, source, channel, 0, 0, 0.
bool CHidDevice::Get_Mix_Source2(int scene, int source, int channel) {
    LogPrintA("Get_Mix_Source2\n");
    return Get(*this, DSP_CROSS_SOURCE_MIX, BuildFields({scene, source, channel, 0, 0, 0}));
}

// 0x4D request: scene, source, 0, 0, channel.
bool CHidDevice::Get_Mix_Source2_CS47048(int scene, int source, int channel) {
    LogPrintA("Get_Mix_Source2\n");
    return Get(*this, DSP_CROSS_SOURCE_MIX_CS47048, BuildFields({scene, source, 0, 0, channel}));
}

bool CHidDevice::Get_Ouput_Bridge(int scene, int source, int pairs) {
    LogPrintA("Get_Ouput_Bridge\n");
    return Get(*this, DSP_OUPUT_BRIDGE, BuildFields({scene, source, pairs}));
}
