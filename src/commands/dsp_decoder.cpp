// The DSP reply decoder (packet type 1): one catalogue row per code.
#include <algorithm>
#include <atomic>
#include <memory>

#include "commands/command_codes.h"
#include "commands/decoders.h"
#include "commands/reply_reading.h"
#include "commands/reply_records.h"
#include "model/value_ranges.h"

using namespace tonvia::commands;

namespace {

std::atomic<int> gReplyCounter{0};

using Bytes = std::span<const std::uint8_t>;

WindowHandle WindowOf(const DspReply& r, ReplyWindow window) {
    CHidDevice& dev = r.device;
    switch (window) {
        case ReplyWindow::Main:
            return dev.mMainWnd.load();
        case ReplyWindow::Calibration:
            return dev.mCalWnd.load();
        case ReplyWindow::Memory:
            return dev.mMemWnd.load();
        case ReplyWindow::Noise:
            return dev.mNoiseToMain != 0 ? dev.mMainWnd.load() : dev.mDialogWnd.load();
        case ReplyWindow::None:
            break;
    }
    return kNoWindow;
}

// Posts a plain value as WM_READ_DSP_VALUE to the main window.
void PostValue(const DspReply& r, std::intptr_t value) {
    r.device.Post(r.device.mMainWnd.load(), WM_READ_DSP_VALUE, r.code, value);
}

// Posts a record as WM_READ_DSP_VALUE to the main window.
void PostRecord(const DspReply& r, std::unique_ptr<MessageRecord> record) {
    r.device.Post(r.device.mMainWnd.load(), WM_READ_DSP_VALUE, r.code, 0, std::move(record));
}

void PostCalibration(const DspReply& r, std::unique_ptr<MessageRecord> record) {
    r.device.Post(r.device.mCalWnd.load(), WM_IRC_UPDATE, r.code, 0, std::move(record));
}

// The usual range header: scene, source, first, last.
void LogRangeHeader(const char* format, const DspReply& r) {
    LogPrintA(format, r.optype, At(r.d, 0), At(r.d, 1), At(r.d, 2), At(r.d, 3));
}

// Calls each(index, recordBytes) for every index first..last whose record fits.
template <class Each>
void ForEachRecord(const DspReply& r, const char* what, std::size_t offset, std::size_t size,
                   int first, int last, Each each) {
    const FittingRange fit = FitRange(what, r.d, offset, size, first, last);
    for (int i = 0; i < fit.count; ++i) {
        each(first + i, RecordAt(r.d, offset, size, i));
    }
}

// Whole-range records: the fitting part of the range, or nullopt when a claimed range
// has no entry that fits (nothing is posted then).
std::optional<FittingRange> WholeRange(const char* what, Bytes d, std::size_t offset,
                                       std::size_t size, int first, int last) {
    const FittingRange fit = FitRange(what, d, offset, size, first, last);
    if (fit.cut && fit.count == 0) {
        return std::nullopt;
    }
    return fit;
}

// The last channel a record of 16 slots can hold from the fitting range.
int LastSlot(const FittingRange& fit) {
    return std::min(fit.last, REPLY_CHANNEL_SLOTS - 1);
}

bool InSlots(int index) {
    return index >= 0 && index < REPLY_CHANNEL_SLOTS;
}

float EqQ(Bytes b) {
    return static_cast<float>(b[2] + b[3] / 100.0);
}
float EqGain(Bytes b) {
    return static_cast<float>(b[4] + b[5] / static_cast<double>(kEqGain.wire.unitsPerWhole) -
                              kEqGain.wire.offset);
}

// --- Handlers, one per code or family of codes ---------------------------------------

void SourceConfig(const DspReply& r) {
    const int count = r.d[0];
    LogPrintA("DSP_SOURCE_CONFIG update total source=%d -->\n", count);
    const int present = std::min(count, static_cast<int>(r.d.size()) - 1);
    if (present < count) {
        LogPrintA("DSP_SOURCE_CONFIG: %d sources claimed, %d in the frame\n", count, present);
    }
    for (int i = 0; i < present; ++i) {
        LogPrintA("source%d = %d\n", i, r.d[static_cast<std::size_t>(i) + 1]);
    }
}

void SourceSwitch(const DspReply& r) {
    LogPrintA("DSP_SOURCE_SWITCH OP=0x%x, source = 0x%x\n", r.optype, r.d[0]);
    PostValue(r, r.d[0]);
}

void Volume(const DspReply& r) {
    LogPrintA("DSP_VOLUME OP_UPDATE, MVol = %d\n", SignedAt(r.d, 0));
    PostValue(r, SignedAt(r.d, 0));
}

void SubwooferVolume(const DspReply& r) {
    LogPrintA("DSP_SUBWOOFER_VOLUME OP=0x%x, SUBW Vol = %d\n", r.optype, SignedAt(r.d, 0));
    PostValue(r, SignedAt(r.d, 0));
}

void Mute(const DspReply& r) {
    LogPrintA("DSP_MUTE OP=0x%x, MUTE = %d\n", r.optype, r.d[0]);
    PostValue(r, r.d[0]);
}

void Filter(const DspReply& r) {
    LogRangeHeader("DSP_FILTER_GET OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n",
                   r);
    ForEachRecord(r, "DSP_FILTER_SET", 4, 8, r.d[2], r.d[3], [&](int ch, Bytes b) {
        auto rec = std::make_unique<FilterRec>();
        rec->scene = r.d[0];
        rec->channel = ch;
        rec->hp_type = b[0];
        rec->hp_freq = BigEndianAt(b, 1);
        rec->hp_slope = b[3];
        rec->lp_type = b[4];
        rec->lp_freq = BigEndianAt(b, 5);
        rec->lp_slope = b[7];
        LogPrintA(
            "ch(%d): hp_type = %d, hp_freq = %d, hp_slope = %d, lp_type = %d, lp_freq = %d, "
            "lp_slope = %d\n",
            ch, rec->hp_type, rec->hp_freq, rec->hp_slope, rec->lp_type, rec->lp_freq,
            rec->lp_slope);
        PostRecord(r, std::move(rec));
    });
}

// 0x06 and 0x23: scene, source, channel, first band, last band, 6 bytes per band.
void EqBands(const DspReply& r) {
    if (r.code == DSP_INPUT_EQ_CH) {
        LogPrintA("DSP_INPUT_EQ_CH OP=0x%x, scene =%d, \n", r.optype, r.d[0]);
    }
    LogPrintA("%s OP=0x%x, scene =%d, source = %d, ch= %d, band=%d, band_end = %d\n",
              r.code == DSP_INPUT_EQ_CH ? "DSP_INPUT_EQ_CH" : "DSP_EQ_CH", r.optype, r.d[0], r.d[1],
              r.d[2], r.d[3], r.d[4]);
    ForEachRecord(r, "EQ bands", 5, 6, r.d[3], r.d[4], [&](int band, Bytes b) {
        auto rec = std::make_unique<EqBandRec>();
        rec->scene = r.d[0];
        rec->channel = r.d[2];
        rec->band = band;
        rec->freq = BigEndianAt(b, 0);
        rec->Q = EqQ(b);
        rec->gain = EqGain(b);
        if (r.code == DSP_EQ_CH) {
            LogPrintA("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", band, rec->freq,
                      static_cast<double>(rec->Q), static_cast<double>(rec->gain));
        }
        PostRecord(r, std::move(rec));
    });
}

void Delay(const DspReply& r) {
    LogRangeHeader("DSP_DELAY_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n",
                   r);
    ForEachRecord(r, "DSP_DELAY_CH", 4, 3, r.d[2], r.d[3], [&](int ch, Bytes b) {
        auto rec = std::make_unique<ChFloatRec>();
        rec->scene = r.d[0];
        rec->channel = ch;
        rec->value = static_cast<float>(b[0] + BigEndianAt(b, 1) / 1000.0);
        LogPrintA("ch(%d), delay(%.3f)\n", ch, static_cast<double>(rec->value));
        PostRecord(r, std::move(rec));
    });
}

void Trim(const DspReply& r) {
    LogRangeHeader("DSP_TRIM_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", r);
    const bool twoBytes = r.device.mTrimTwoBytes == 1;
    ForEachRecord(r, "DSP_TRIM_CH", 4, twoBytes ? 2 : 1, r.d[2], r.d[3], [&](int ch, Bytes b) {
        auto rec = std::make_unique<ChFloatRec>();
        rec->scene = r.d[0];
        rec->channel = ch;
        rec->value = twoBytes ? static_cast<float>(-(b[0] + b[1] / 100.0))
                              : static_cast<float>(static_cast<std::int8_t>(b[0]));
        LogPrintA("ch(%d), trim(%.2f)\n", ch, static_cast<double>(rec->value));
        PostRecord(r, std::move(rec));
    });
}

// One ChValueRec per channel: mute, channel type, EQ bypass, solo, compressor on.
void ChannelValues(const DspReply& r) {
    const char* header = nullptr;
    const char* line = nullptr;
    switch (r.code) {
        case DSP_MUTE_CH:
            header = "DSP_MUTE_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
            line = "ch(%d), mute(%d)\n";
            break;
        case DSP_CH_TYPE:
            line = "ch(%d), ch_type(%d)\n";
            break;
        case DSP_EQ_BYPASS:
            header = "DSP_EQ_BYPASS OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
            line = "ch(%d), bypass(%d)\n";
            break;
        case DSP_CH_SOLO:
            header = "DSP_CH_SOLO OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
            line = "ch(%d), solo(%d)\n";
            break;
        default:
            header =
                "DSP_COMPRESSOR_ON_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to "
                "ch_end(%d)\n";
            line = "ch(%d), on(%d)\n";
            break;
    }
    if (header != nullptr) {
        LogRangeHeader(header, r);
    }
    ForEachRecord(r, "channel values", 4, 1, r.d[2], r.d[3], [&](int ch, Bytes b) {
        auto rec = std::make_unique<ChValueRec>();
        rec->scene = r.d[0];
        rec->channel = ch;
        rec->value = b[0];
        LogPrintA(line, ch, rec->value);
        PostRecord(r, std::move(rec));
    });
}

void Phase(const DspReply& r) {
    LogRangeHeader(
        "Get DSP_PHASE_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", r);
    ForEachRecord(r, "DSP_PHASE_CH", 4, 1, r.d[2], r.d[3], [&](int ch, Bytes b) {
        auto rec = std::make_unique<ChPhaseRec>();
        rec->scene = r.d[0];
        rec->channel = ch;
        rec->phase = b[0];
        LogPrintA("ch(%d), phase(%d)\n", ch, rec->phase);
        PostRecord(r, std::move(rec));
    });
}

void Mix(const DspReply& r) {
    LogRangeHeader("DSP_MIX_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", r);
    const bool twoBytes = r.device.mInChannels >= 9;
    ForEachRecord(r, "DSP_MIX_CH", 4, twoBytes ? 2 : 1, r.d[2], r.d[3], [&](int ch, Bytes b) {
        auto rec = std::make_unique<MixChRec>();
        rec->scene = r.d[0];
        rec->source = r.d[1];
        rec->channel = ch;
        rec->mask = twoBytes ? BigEndianAt(b, 0) : b[0];
        LogPrintA("source(%d) ch(%d), mix(%d)\n", rec->source, ch, rec->mask);
        PostRecord(r, std::move(rec));
    });
}

// 0x0E, 0x30, 0x31: scene, link, one pair-flag byte per channel pair.
void Link(const DspReply& r) {
    auto rec = std::make_unique<LinkRec>();
    rec->scene = r.d[0];
    rec->link = r.d[1];
    const std::size_t wanted = static_cast<std::size_t>(std::max(r.device.mOutChannels / 2, 0));
    const std::size_t count = std::min({wanted, r.d.size() - 2, LinkRec::kPairSlots});
    if (count < wanted) {
        LogPrintA("link reply: %zu of %zu pair flags decoded\n", count, wanted);
    }
    std::copy_n(r.d.begin() + 2, count, rec->pairs.begin());
    const char* line = r.code == DSP_CH_LINK        ? "scene(%d), link(%d)\n"
                       : r.code == DSP_CH_TRIM_LINK ? "scene(%d), trim_link(%d)\n"
                                                    : "scene(%d), delay_link(%d)\n";
    LogPrintA(line, rec->scene, rec->link);
    PostRecord(r, std::move(rec));
}

void Lock(const DspReply& r) {
    auto rec = std::make_unique<LockRec>();
    rec->scene = r.d[0];
    rec->lock = r.d[1];
    LogPrintA("scene(%d), lock(%d)\n", rec->scene, rec->lock);
    PostRecord(r, std::move(rec));
}

void EqReset(const DspReply& r) {
    LogPrintA("DSP_EQ_RESET OP=0x%x, scene =%d, \n", r.optype, r.d[0]);
}

// 0x13: calibration status; an unknown status or failure reason posts nothing.
void CalibrationStatus(const DspReply& r) {
    static constexpr const char* kStatus[] = {
        "IRC_RET_START_TEST\n",       "IRC_RET_SPK_STATUS_TEST\n",    "IRC_RET_LEVEL_TEST\n",
        "IRC_RET_DELAY_TEST\n",       "IRC_RET_TRIM_TEST\n",          "IRC_RET_EQ_TEST\n",
        "IRC_RET_SPEAKER_RTA_TEST\n", "IRC_RET_SPEAKER_RTA_UPDATE\n", "IRC_RET_EQ_DATA_UPDATE\n",
        "IRC_RET_TEST_DATA_UPDATE\n", "IRC_RET_TEST_DONE\n",          "IRC_RET_TEST_FAIL->",
        "IRC_RET_TEST_EXIT\n"};
    static constexpr const char* kReason[] = {"IRC_FAIL_NO_VAR\n",     "IRC_FAIL_NO_MIC\n",
                                              "IRC_FAIL_NO_SPEAKER\n", "IRC_FAIL_DELAY\n",
                                              "IRC_FAIL_TRIM\n",       "IRC_FAIL_EQ\n"};
    constexpr std::uint8_t kFail = 11;
    const std::uint8_t status = r.d[0];
    LogPrintA("DSP_IRC_CTRL Update Status = 0x%x, progress = %d\n", status, r.d[3]);
    if (status >= std::size(kStatus)) {
        return;
    }
    LogPrintA("%s", kStatus[status]);
    std::intptr_t value = r.d[3];
    if (status == 7 || status == 8) {
        value = r.d[1];
    } else if (status == kFail) {
        if (!HasBytes("DSP_IRC_CTRL failure", r.d, 5) || r.d[4] >= std::size(kReason)) {
            return;
        }
        LogPrintA("%s", kReason[r.d[4]]);
        value = r.d[4];
    }
    r.device.Post(r.device.mCalWnd.load(), WM_IRC_UPDATE, status, value);
}

// 0x14: calibration distances, integer + hundredths.
void CalibrationDistance(const DspReply& r) {
    LogPrintA("DSP_IRC_DISTANCE Update from ch(%d) to ch_end(%d) \n", r.d[0], r.d[1]);
    ForEachRecord(r, "DSP_IRC_DISTANCE", 2, 2, r.d[0], r.d[1], [&](int ch, Bytes b) {
        auto rec = std::make_unique<IrcFloatRec>();
        rec->channel = ch;
        rec->value = static_cast<float>(b[0] + b[1] / 100.0);
        LogPrintA("ch(%d), distance(%f)\n", ch, static_cast<double>(rec->value));
        PostCalibration(r, std::move(rec));
    });
}

// One byte per channel (trim, speaker size or phase, speaker or noise level), each posted
// as a record of type Rec.
template <class Rec>
void CalibrationChannelBytes(const DspReply& r, const char* head, const char* what,
                             const char* line) {
    LogPrintA(head, r.d[0], r.d[1]);
    ForEachRecord(r, what, 2, 1, r.d[0], r.d[1], [&](int ch, Bytes b) {
        auto rec = std::make_unique<Rec>();
        rec->channel = ch;
        rec->value = b[0];
        LogPrintA(line, ch, b[0]);
        PostCalibration(r, std::move(rec));
    });
}

void CalibrationTrim(const DspReply& r) {
    CalibrationChannelBytes<IrcFloatRec>(r, "IRC_CH_TRIM Update from ch(%d) to ch_end(%d) \n",
                                         "DSP_IRC_TRIM", "ch(%d), trim(%d)\n");
}

void CalibrationEq(const DspReply& r) {
    LogPrintA("DSP_IRC_EQ Update from ch(%d) from band(%d) to band_end(%d) \n", r.d[0], r.d[1],
              r.d[2]);
    ForEachRecord(r, "DSP_IRC_EQ", 3, 6, r.d[1], r.d[2], [&](int band, Bytes b) {
        auto rec = std::make_unique<IrcEqRec>();
        rec->channel = r.d[0];
        rec->band = band;
        rec->freq = BigEndianAt(b, 0);
        rec->Q = EqQ(b);
        rec->gain = EqGain(b);
        LogPrintA("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", band, rec->freq,
                  static_cast<double>(rec->Q), static_cast<double>(rec->gain));
        PostCalibration(r, std::move(rec));
    });
}

// 0x17, 0x18: speaker size and phase bytes.
void CalibrationBytes(const DspReply& r) {
    const bool size = r.code == DSP_IRC_SPK_SIZE;
    CalibrationChannelBytes<IrcByteRec>(
        r,
        size ? "Get DSP_IRC_SPK_SIZE Update from ch(%d) to ch_end(%d)\n"
             : "Get DSP_IRC_SPK_PHASE Update from ch(%d) to ch_end(%d)\n",
        "calibration bytes", size ? "ch(%d), size(%d)\n" : "ch(%d), phase(%d)\n");
}

// 0x19, 0x1B: speaker level and noise level.
void CalibrationLevels(const DspReply& r) {
    const bool speaker = r.code == DSP_IRC_SPK_LEVEL;
    CalibrationChannelBytes<IrcIntRec>(
        r,
        speaker ? "Get DSP_IRC_SPK_LEVEL Update from ch(%d) to ch_end(%d)\n"
                : "Get DSP_IRC_NOISE_LEVEL Update from ch(%d) to ch_end(%d)\n",
        "calibration levels", speaker ? "ch(%d), spk_level(%d)\n" : "ch(%d), noise level(%d)\n");
}

// 0x1A: frequency (16 bits + hundredths) and signed gain (integer + hundredths) per band.
void CalibrationSpectrum(const DspReply& r) {
    LogPrintA("DSP_IRC_SPECTRUM Update from band(%d) to band_end(%d) @ ch(%d) \n", r.d[1], r.d[2],
              r.d[0]);
    ForEachRecord(r, "DSP_IRC_SPECTRUM", 3, 5, r.d[1], r.d[2], [&](int band, Bytes b) {
        auto rec = std::make_unique<IrcSpectrumRec>();
        rec->channel = r.d[0];
        rec->band = band;
        rec->freq = static_cast<float>(BigEndianAt(b, 0) + b[2] / 100.0);
        rec->gain = static_cast<float>(SignedAt(b, 3) + SignedAt(b, 4) / 100.0);
        LogPrintA("band(%d), freq(%f), Gain(%f)\n", band, static_cast<double>(rec->freq),
                  static_cast<double>(rec->gain));
        PostCalibration(r, std::move(rec));
    });
}

// 0x20, 0x21, 0x22: one record for the whole input range.
void InputChannels(const DspReply& r) {
    const bool phase = r.code == DSP_INPUT_CH_PHASE;
    LogRangeHeader(
        r.code == DSP_INPUT_TRIM_CH
            ? "DSP_INPUT_TRIM_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n"
        : r.code == DSP_INPUT_CH_MUTE
            ? "DSP_INPUT_CH_MUTE OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n"
            : "Get INPUT_CH_PHASE OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to "
              "ch_end(%d)\n",
        r);
    const auto fit = WholeRange("input channels", r.d, 4, 1, r.d[2], r.d[3]);
    if (!fit) {
        return;
    }
    auto rec = std::make_unique<InputChRec>();
    rec->scene = r.d[0];
    rec->source = r.d[1];
    rec->first = fit->first;
    rec->last = LastSlot(*fit);
    for (int i = 0; i < fit->count; ++i) {
        const int ch = fit->first + i;
        const int value = SignedAt(r.d, 4 + static_cast<std::size_t>(i));
        LogPrintA(phase ? "ch(%d), phase(%d)\n" : "ch(%d), trim(%d)\n", ch, value);
        if (InSlots(ch)) {
            rec->values[static_cast<std::size_t>(ch)] = static_cast<std::int8_t>(value);
        }
    }
    PostRecord(r, std::move(rec));
}

// 0x24: scene, source, input, first output, last output, one signed trim per output.
void InputMixTrim(const DspReply& r) {
    LogPrintA(
        "DSP_INPUT_MIX_CH_TRIM OP=0x%x, scene =%d, source = 0x%x, in_ch(%d) from out_ch(%d) to "
        "out_ch_end(%d)\n",
        r.optype, r.d[0], r.d[1], r.d[2], r.d[3], r.d[4]);
    LogPrintA("in_ch(%d) -> out_ch_x(%d) to out_ch_y(%d), \n", r.d[2], r.d[3], r.d[4]);
    const auto fit = WholeRange("DSP_INPUT_MIX_CH_TRIM", r.d, 5, 1, r.d[3], r.d[4]);
    if (!fit) {
        return;
    }
    auto rec = std::make_unique<InputMixTrimRec>();
    rec->scene = r.d[0];
    rec->source = r.d[1];
    rec->input = r.d[2];
    rec->firstOutput = fit->first;
    const int held = std::min(fit->count, REPLY_CHANNEL_SLOTS);
    rec->lastOutput = fit->count > 0 ? fit->first + held - 1 : fit->last;
    for (int i = 0; i < fit->count; ++i) {
        const int value = SignedAt(r.d, 5 + static_cast<std::size_t>(i));
        LogPrintA("trim[%d]=(%d)\n", fit->first + i, value);
        if (i < held) {
            rec->trims[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(value);
        }
    }
    PostRecord(r, std::move(rec));
}

void InputThreshold(const DspReply& r) {
    LogPrintA("input_threshold = %d\n", SignedAt(r.d, 0));
    PostValue(r, SignedAt(r.d, 0));
}

// 0x27: noise per input as integer - 100 + tenths, to the dialog (or the main window).
void InputNoise(const DspReply& r) {
    LogPrintA("INPUT_NOISE OP=0x%x, ch_x=%d, ch_y = %d\n", r.optype, r.d[0], r.d[1]);
    const auto fit = WholeRange("DSP_INPUT_NOISE", r.d, 2, 2, r.d[0], r.d[1]);
    if (!fit) {
        return;
    }
    auto rec = std::make_unique<InputNoiseRec>();
    rec->first = fit->first;
    rec->last = LastSlot(*fit);
    for (int i = 0; i < fit->count; ++i) {
        const Bytes b = RecordAt(r.d, 2, 2, i);
        const float noise = static_cast<float>(b[0] - 100 + b[1] / 10.0);
        const int ch = fit->first + i;
        LogPrintA("[%d]=(%f)\n", ch, static_cast<double>(noise));
        if (InSlots(ch)) {
            rec->noise[static_cast<std::size_t>(ch)] = noise;
        }
    }
    r.device.Post(WindowOf(r, ReplyWindow::Noise), WM_READ_DSP_VALUE, r.code, 0, std::move(rec));
}

void SelRemote(const DspReply& r) {
    PostValue(r, BigEndianAt(r.d, 0));
}

void SpeakerConfig(const DspReply& r) {
    LogPrintA("DSP_SPK_CH_CONFIG spk_cfg(0x%02x)\n", r.d[0]);
    auto rec = std::make_unique<SpkCfgRec>();
    rec->configuration = r.d[0];
    PostRecord(r, std::move(rec));
}

void MixType(const DspReply& r) {
    const bool second = r.code == DSP_MIX_TYPE2;
    LogPrintA(second ? "MIX_TYPE2 OP=0x%x, scene =%d, source = 0x%x, mix_type(%d)\n"
                     : "MIX_TYPE OP=0x%x, scene =%d, source = 0x%x, mix_type(%d)\n",
              r.optype, r.d[0], r.d[1], r.d[2]);
    LogPrintA(second ? "mix_type2(%d)\n" : "mix_type(%d)\n", r.d[2]);
    auto rec = std::make_unique<MixTypeRec>();
    rec->scene = r.d[0];
    rec->source = r.d[1];
    rec->type = r.d[2];
    PostRecord(r, std::move(rec));
}

// 0x37, 0x38: one record with the Q mode of each channel of the range.
void QModes(const DspReply& r) {
    LogPrintA(r.code == DSP_HPF_Q_FACT_MODE ? "DSP_HPF_Q_FACT_MODE OP=0x%x, ch_x=%d, ch_y = %d\n"
                                            : "DSP_LPF_Q_FACT_MODE OP=0x%x, ch_x=%d, ch_y = %d\n",
              r.optype, r.d[2], r.d[3]);
    const auto fit = WholeRange("Q modes", r.d, 4, 1, r.d[2], r.d[3]);
    if (!fit) {
        return;
    }
    auto rec = std::make_unique<QModeRec>();
    rec->scene = r.d[0];
    rec->source = r.d[1];
    rec->first = r.d[2];
    rec->last = static_cast<std::uint8_t>(LastSlot(*fit));
    for (int i = 0; i < fit->count; ++i) {
        const int ch = fit->first + i;
        LogPrintA("q_fact_mode[%d]=(%d)\n", ch, r.d[4 + static_cast<std::size_t>(i)]);
        if (InSlots(ch)) {
            rec->modes[static_cast<std::size_t>(ch)] = r.d[4 + static_cast<std::size_t>(i)];
        }
    }
    PostRecord(r, std::move(rec));
}

void FactoryPreset(const DspReply& r) {
    LogPrintA("fac_preset mode = %d\n", r.d[0]);
    PostValue(r, r.d[0]);
}

void SetupMode(const DspReply& r) {
    LogPrintA("setup_mode mode = %d\n", r.d[0]);
    PostValue(r, r.d[0]);
}

void AutoEffect(const DspReply& r) {
    LogPrintA("DSP_AUTO_EFFECTION_ON_OFF_CONTROL%d\n", r.d[0]);
    PostValue(r, r.d[0]);
}

// 0x3E: every channel of the range gets the one 11-byte block at d[4].
void Compressor(const DspReply& r) {
    LogPrintA("DSP_COMPRESSOR_GET OP=0x%x, scene =%d, source =%d, from ch(%d) to ch_end(%d)\n",
              r.optype, r.d[0], r.d[1], r.d[2], r.d[3]);
    if (!HasBytes("DSP_COMPRESSOR_SETTING", r.d, 4 + 11)) {
        return;
    }
    const Bytes b = r.d.subspan(4, 11);
    for (int ch = r.d[2]; ch <= r.d[3]; ++ch) {
        auto rec = std::make_unique<CompressorRec>();
        rec->scene = r.d[0];
        rec->channel = ch;
        rec->bypass = b[0];
        rec->threshold = static_cast<float>(b[1] + b[2] / 10.0 - 100.0);
        rec->ratio = static_cast<float>(b[3] + b[4] / 10.0);
        rec->softKnee = static_cast<float>(b[5] + b[6] / 10.0);
        rec->attack = BigEndianAt(b, 7);
        rec->release = BigEndianAt(b, 9);
        LogPrintA(
            "ch(%d): bypass = %d, noise = (%f), ratio = (%f), soft_knee =(%f), attack_time = %d, "
            "release_time = %d\n",
            ch, rec->bypass, static_cast<double>(rec->threshold), static_cast<double>(rec->ratio),
            static_cast<double>(rec->softKnee), rec->attack, rec->release);
        PostRecord(r, std::move(rec));
    }
}

void AmpMute(const DspReply& r) {
    LogPrintA("DSP_AMP_MUTE OP=0x%x, MUTE = %d\n", r.optype, r.d[0]);
    PostValue(r, r.d[0]);
}

// 0x40, 0x41: source, first, last, one signed byte per channel; one record.
void Distortion(const DspReply& r) {
    const bool input = r.code == DSP_INPUT_CH_DISTORT;
    LogPrintA(input ? "DSP_INPUT_CH_DISTORT OP=0x%x, source = 0x%x, from ch(%d) to ch_end(%d)\n"
                    : "DSP_OUTPUT_CH_DISTORT OP=0x%x, source = 0x%x, from ch(%d) to ch_end(%d)\n",
              r.optype, r.d[0], r.d[1], r.d[2]);
    const auto fit = WholeRange("distortion", r.d, 3, 1, r.d[1], r.d[2]);
    if (!fit) {
        return;
    }
    ChannelBytes values{};
    for (int i = 0; i < fit->count; ++i) {
        const int ch = fit->first + i;
        const int value = SignedAt(r.d, 3 + static_cast<std::size_t>(i));
        LogPrintA("ch(%d), distort(%d)\n", ch, value);
        if (InSlots(ch)) {
            values[static_cast<std::size_t>(ch)] = static_cast<std::int8_t>(value);
        }
    }
    if (input) {
        auto rec = std::make_unique<InDistortRec>();
        rec->source = r.d[0];
        rec->first = fit->first;
        rec->last = LastSlot(*fit);
        rec->values = values;
        PostRecord(r, std::move(rec));
    } else {
        auto rec = std::make_unique<OutDistortRec>();
        rec->source = r.d[0];
        rec->first = fit->first;
        rec->last = LastSlot(*fit);
        rec->values = values;
        PostRecord(r, std::move(rec));
    }
}

// 0x42: address and data, little-endian, to the memory window.
void MemData(const DspReply& r) {
    auto rec = std::make_unique<MemDataRec>();
    for (std::size_t i = 0; i < 4; ++i) {
        rec->address |= static_cast<std::uint32_t>(r.d[i]) << (8 * i);
        rec->data |= static_cast<std::uint32_t>(r.d[4 + i]) << (8 * i);
    }
    LogPrintA("DSP_MEM_DATA: addr(0x%08x), data(0x%08x)\n", rec->address, rec->data);
    LogPrintA("addr %02x, %02x, %02x, %02x\n", r.d[0], r.d[1], r.d[2], r.d[3]);
    LogPrintA("data %02x, %02x, %02x, %02x\n", r.d[4], r.d[5], r.d[6], r.d[7]);
    r.device.Post(r.device.mMemWnd.load(), WM_READ_MEM_VALUE, r.code, 0, std::move(rec));
}

// 0x43: distances in hundredths, 16-bit big-endian per channel; one record.
void SpeakerDistance(const DspReply& r) {
    LogPrintA("DSP_SPK_DIST OP=0x%x, ch_x=%d, ch_y = %d\n", r.optype, r.d[2], r.d[3]);
    const auto fit = WholeRange("DSP_SPK_DIST", r.d, 4, 2, r.d[2], r.d[3]);
    if (!fit) {
        return;
    }
    auto rec = std::make_unique<SpkDistRec>();
    rec->scene = r.d[0];
    rec->source = r.d[1];
    rec->first = r.d[2];
    rec->last = static_cast<std::uint8_t>(LastSlot(*fit));
    for (int i = 0; i < fit->count; ++i) {
        const int ch = fit->first + i;
        const int distance = BigEndianAt(RecordAt(r.d, 4, 2, i), 0);
        LogPrintA("q_spk_dist[%d]=(%d/100)\n", ch, distance);
        if (InSlots(ch)) {
            rec->distances[static_cast<std::size_t>(ch)] = static_cast<std::uint16_t>(distance);
        }
    }
    PostRecord(r, std::move(rec));
}

void MixSource(const DspReply& r) {
    LogPrintA("DSP_MIX_SOURCE_SWITCH OP=0x%x, source = 0x%x\n", r.optype, r.d[0]);
    PostValue(r, r.d[0]);
}

void RemOut(const DspReply& r) {
    LogPrintA("DSP_REM_OUT OP=0x%x, REM_OUT1 = %d, REM_OUT2 = %d\n", r.optype, r.d[0], r.d[1]);
    auto rec = std::make_unique<RemOutRec>();
    rec->remOut1 = r.d[0];
    rec->remOut2 = r.d[1];
    PostRecord(r, std::move(rec));
}

void DspStatus(const DspReply& r) {
    LogPrintA("DSP_DSP_STATUS OP=0x%x, on_off = 0x%x\n", r.optype, r.d[0]);
    PostValue(r, r.d[0]);
}

void CrossMix(const DspReply& r) {
    LogPrintA(
        "DSP_CROSS_SOURCE_MIX OP=0x%x, scene(0x%x), source(0x%x), ch(0x%x), vice_source(0x%x), "
        "vice_ch(0x%x), vice_gain(0x%x)\n",
        r.optype, r.d[0], r.d[1], r.d[2], r.d[3], r.d[4], r.d[5]);
    auto rec = std::make_unique<CrossMixRec>();
    rec->scene = r.d[0];
    rec->source = r.d[1];
    rec->channel = r.d[2];
    rec->viceSource = r.d[3];
    rec->viceChannel = r.d[4];
    rec->viceGain = r.d[5];
    PostRecord(r, std::move(rec));
}

// 0x4D: scene, source, second source, second channel, channel.
void CrossMix47048(const DspReply& r) {
    LogPrintA(
        "DSP_CROSS_SOURCE_MIX_CS47048 OP=0x%x, scene(0x%x), source(0x%x), vice_source(0x%x), "
        "vice_ch(0x%x), ch(0x%x)\n",
        r.optype, r.d[0], r.d[1], r.d[2], r.d[3], r.d[4]);
    auto rec = std::make_unique<CrossMixRec>();
    rec->scene = r.d[0];
    rec->source = r.d[1];
    rec->viceSource = r.d[2];
    rec->viceChannel = r.d[3];
    rec->channel = r.d[4];
    PostRecord(r, std::move(rec));
}

// 0x4A: signed threshold integer + tenths, attack (2), release seconds + tenths.
void Compressor2(const DspReply& r) {
    LogPrintA("DSP_COMPRESSOR_GET2 OP=0x%x, scene =%d, source =%d, from ch(%d) to ch_end(%d)\n",
              r.optype, r.d[0], r.d[1], r.d[2], r.d[3]);
    ForEachRecord(r, "DSP_COMPRESSOR_SETTING2", 4, 6, r.d[2], r.d[3], [&](int ch, Bytes b) {
        auto rec = std::make_unique<Compressor2Rec>();
        rec->scene = r.d[0];
        rec->channel = ch;
        rec->threshold = static_cast<float>(SignedAt(b, 0) + 0.1 * SignedAt(b, 1));
        rec->attack = BigEndianAt(b, 2);
        rec->release = b[4] * 1000 + b[5] * 100;
        LogPrintA("ch(%d):threshold = (%g) %d %d, attack_time = %d, release_time = %d\n", ch,
                  static_cast<double>(rec->threshold), SignedAt(b, 0), SignedAt(b, 1), rec->attack,
                  rec->release);
        PostRecord(r, std::move(rec));
    });
}

void SpeakerOhm(const DspReply& r) {
    LogPrintA("DSP_SPK_OHM OP=0x%x, SPK_OHM = %d\n", r.optype, r.d[0]);
    PostValue(r, r.d[0]);
}

// 0x4C: scene, source, count, bridge bytes (at most 20 are held).
void Bridge(const DspReply& r) {
    LogPrintA("DSP_OUPUT_BRIDGE OP=0x%x, scene =%d, source =%d, count(%d)\n", r.optype, r.d[0],
              r.d[1], r.d[2]);
    const std::size_t claimed = r.d[2];
    const std::size_t count = std::min({claimed, r.d.size() - 3, BridgeRec::kBridgeSlots});
    if (count < claimed) {
        LogPrintA("DSP_OUPUT_BRIDGE: %zu of %zu bridge bytes decoded\n", count, claimed);
    }
    auto rec = std::make_unique<BridgeRec>();
    rec->scene = r.d[0];
    rec->source = r.d[1];
    rec->count = static_cast<std::uint8_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
        rec->bridge[i] = r.d[3 + i];
        LogPrintA("bridge[%d] = %d\n", static_cast<int>(i), rec->bridge[i]);
    }
    PostRecord(r, std::move(rec));
}

void NoiseGate(const DspReply& r) {
    LogPrintA("DSP_NOISE_GATE OP=0x%x, NOISE_GATE = %d\n", r.optype, r.d[0]);
    PostValue(r, r.d[0]);
}

constexpr unsigned kDsp = WM_READ_DSP_VALUE;
constexpr unsigned kIrc = WM_IRC_UPDATE;
constexpr auto kMain = ReplyWindow::Main;
constexpr auto kCal = ReplyWindow::Calibration;

// code, optype, message, window, header bytes, handler [, OP_ACK log]
const DspReplyEntry kDspReplies[] = {
    {DSP_SOURCE_CONFIG, OP_UPDATE, 0, ReplyWindow::None, 1, SourceConfig},
    {DSP_SOURCE_SWITCH, OP_UPDATE, kDsp, kMain, 1, SourceSwitch},
    {DSP_VOLUME, OP_UPDATE, kDsp, kMain, 1, Volume, "DSP_VOLUME OP_ACK\n"},
    {DSP_SUBWOOFER_VOLUME, OP_UPDATE, kDsp, kMain, 1, SubwooferVolume},
    {DSP_MUTE, OP_UPDATE, kDsp, kMain, 1, Mute},
    {DSP_FILTER_SET, OP_UPDATE, kDsp, kMain, 4, Filter},
    {DSP_EQ_CH, OP_UPDATE, kDsp, kMain, 5, EqBands},
    {DSP_DELAY_CH, OP_UPDATE, kDsp, kMain, 4, Delay},
    {DSP_TRIM_CH, OP_UPDATE, kDsp, kMain, 4, Trim},
    {DSP_MUTE_CH, OP_UPDATE, kDsp, kMain, 4, ChannelValues},
    {DSP_PHASE_CH, OP_UPDATE, kDsp, kMain, 4, Phase},
    {DSP_MIX_CH, OP_UPDATE, kDsp, kMain, 4, Mix},
    {DSP_REMAP_CH, OP_UPDATE, 0, ReplyWindow::None, 0, nullptr},
    {DSP_CH_TYPE, OP_UPDATE, kDsp, kMain, 4, ChannelValues, "DSP_CH_TYPE OP_ACK\n"},
    {DSP_CH_LINK, OP_UPDATE, kDsp, kMain, 2, Link},
    {DSP_CH_LOCK, OP_UPDATE, kDsp, kMain, 2, Lock},
    {DSP_BYPASS, OP_UPDATE, 0, ReplyWindow::None, 0, nullptr},
    {DSP_EQ_RESET, OP_UPDATE, 0, ReplyWindow::None, 1, EqReset},
    {DSP_EQ_BYPASS, OP_UPDATE, kDsp, kMain, 4, ChannelValues},
    {DSP_IRC_CTRL, OP_UPDATE, kIrc, kCal, 4, CalibrationStatus},
    {DSP_IRC_DISTANCE, OP_UPDATE, kIrc, kCal, 2, CalibrationDistance},
    {DSP_IRC_TRIM, OP_UPDATE, kIrc, kCal, 2, CalibrationTrim},
    {DSP_IRC_EQ, OP_UPDATE, kIrc, kCal, 3, CalibrationEq},
    {DSP_IRC_SPK_SIZE, OP_UPDATE, kIrc, kCal, 2, CalibrationBytes},
    {DSP_IRC_SPK_PHASE, OP_UPDATE, kIrc, kCal, 2, CalibrationBytes},
    {DSP_IRC_SPK_LEVEL, OP_UPDATE, kIrc, kCal, 2, CalibrationLevels},
    {DSP_IRC_SPECTRUM, OP_UPDATE, kIrc, kCal, 3, CalibrationSpectrum},
    {DSP_IRC_NOISE_LEVEL, OP_UPDATE, kIrc, kCal, 2, CalibrationLevels},
    {DSP_IRC_RTA, OP_UPDATE, 0, ReplyWindow::None, 0, nullptr},
    {DSP_INPUT_TRIM_CH, OP_UPDATE, kDsp, kMain, 4, InputChannels},
    {DSP_INPUT_CH_MUTE, OP_UPDATE, kDsp, kMain, 4, InputChannels},
    {DSP_INPUT_CH_PHASE, OP_UPDATE, kDsp, kMain, 4, InputChannels},
    {DSP_INPUT_EQ_CH, OP_UPDATE, kDsp, kMain, 5, EqBands},
    {DSP_INPUT_MIX_CH_TRIM, OP_UPDATE, kDsp, kMain, 5, InputMixTrim},
    {DSP_INPUT_THRESHOLD, OP_UPDATE, kDsp, kMain, 1, InputThreshold},
    {DSP_INPUT_NOISE, OP_UPDATE, kDsp, ReplyWindow::Noise, 2, InputNoise},
    {DSP_CH_TRIM_LINK, OP_UPDATE, kDsp, kMain, 2, Link},
    {DSP_CH_DELAY_LINK, OP_UPDATE, kDsp, kMain, 2, Link},
    {DSP_SEL_REMOTE_CH, OP_UPDATE, kDsp, kMain, 2, SelRemote},
    {DSP_CH_SOLO, OP_UPDATE, kDsp, kMain, 4, ChannelValues},
    {DSP_SPK_CH_CONFIG, OP_UPDATE, kDsp, kMain, 1, SpeakerConfig},
    {DSP_MIX_TYPE, OP_UPDATE, kDsp, kMain, 3, MixType},
    {DSP_HPF_Q_FACT_MODE, OP_UPDATE, kDsp, kMain, 4, QModes},
    {DSP_LPF_Q_FACT_MODE, OP_UPDATE, kDsp, kMain, 4, QModes},
    {DSP_FACTORY_PRESET, OP_UPDATE, kDsp, kMain, 1, FactoryPreset},
    {DSP_SETUP_MODE, OP_UPDATE, kDsp, kMain, 1, SetupMode},
    {DSP_AUTO_EFFECTION_ON_OFF_CONTROL, OP_UPDATE, kDsp, kMain, 1, AutoEffect},
    {DSP_COMPRESSOR_SETTING, OP_UPDATE, kDsp, kMain, 4, Compressor},
    {DSP_AMP_MUTE, OP_UPDATE, kDsp, kMain, 1, AmpMute},
    {DSP_INPUT_CH_DISTORT, OP_UPDATE, kDsp, kMain, 3, Distortion},
    {DSP_OUTPUT_CH_DISTORT, OP_UPDATE, kDsp, kMain, 3, Distortion},
    {DSP_MEM_DATA, OP_UPDATE, WM_READ_MEM_VALUE, ReplyWindow::Memory, 8, MemData},
    {DSP_SPK_DIST, OP_UPDATE, kDsp, kMain, 4, SpeakerDistance},
    {DSP_MIX_SOURCE_SWITCH, OP_UPDATE, kDsp, kMain, 1, MixSource},
    {DSP_REM_OUT, OP_UPDATE, kDsp, kMain, 2, RemOut},
    {DSP_DSP_STATUS, OP_UPDATE, kDsp, kMain, 1, DspStatus},
    {DSP_CROSS_SOURCE_MIX, OP_UPDATE, kDsp, kMain, 6, CrossMix},
    {DSP_COMPRESSOR_ON_CH, OP_UPDATE, kDsp, kMain, 4, ChannelValues},
    {DSP_COMPRESSOR_SETTING2, OP_UPDATE, kDsp, kMain, 4, Compressor2},
    {DSP_SPK_OHM, OP_UPDATE, kDsp, kMain, 1, SpeakerOhm},
    {DSP_OUPUT_BRIDGE, OP_UPDATE, kDsp, kMain, 3, Bridge},
    {DSP_CROSS_SOURCE_MIX_CS47048, OP_UPDATE, kDsp, kMain, 5, CrossMix47048},
    {DSP_NOISE_GATE, OP_UPDATE, kDsp, kMain, 1, NoiseGate},
    {DSP_MIX_TYPE2, OP_UPDATE, kDsp, kMain, 3, MixType},
};

}  // namespace

namespace tonvia::commands {

std::span<const DspReplyEntry> DspReplyTable() {
    return kDspReplies;
}

const DspReplyEntry* FindDspReply(std::uint8_t code) {
    for (const DspReplyEntry& entry : kDspReplies) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace tonvia::commands

void dsp_ack_process(CHidDevice& device, std::span<const std::uint8_t> packet) {
    if (packet.size() < 2) {
        LogPrintA("DSP frame without subcmd and optype ignored\n");
        return;
    }
    const std::uint8_t code = packet[0];
    const std::uint8_t optype = packet[1];
    const int counter = gReplyCounter.fetch_add(1) + 1;
    if (code == DSP_MIX_TYPE2) {
        LogPrintA("dsp_ack_process %d, cmd(0x%08x), OP(%02x), DSP_MIX_TYPE2\n", counter, code,
                  optype);
    } else if (code <= DSP_CROSS_SOURCE_MIX_CS47048) {
        LogPrintA("dsp_ack_process %d, cmd(0x%08x), OP(%02x), %s\n", counter, code, optype,
                  DspCommandName(code));
    } else {
        LogPrintA("dsp_ack_process %d, cmd(0x%08x), OP(%02x), %d\n", counter, code, optype, code);
    }

    const DspReplyEntry* entry = FindDspReply(code);
    if (entry == nullptr) {
        LogPrintA("!!! NOT SUPPORT MSG\n");
        return;
    }
    if (optype != entry->optype) {
        if (optype == OP_ACK && entry->ackLog != nullptr) {
            LogPrintA("%s", entry->ackLog);
        }
        return;
    }
    if (entry->handle == nullptr) {
        return;
    }
    const DspReply reply{device, code, optype, packet.subspan(2)};
    if (!HasBytes(DspCommandName(code), reply.d, entry->header)) {
        return;
    }
    entry->handle(reply);
}
