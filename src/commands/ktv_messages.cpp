// The karaoke family (packet type 7): one value per code.
#include "commands/command_codes.h"
#include "commands/decoders.h"
#include "commands/payloads.h"
#include "commands/reply_reading.h"
#include "platform/log.h"

using namespace tonvia::commands;

namespace {

// A karaoke value change; no log line of its own. A value its field cannot hold sends nothing.
bool SetKtv(CHidDevice& device, std::uint8_t code, int value, bool sendNow) {
    std::optional<Payload> data = BuildKtvValue(code, value);
    if (!data) {
        return false;
    }
    return device.SendOrQueue(CMD_KTV, code, OP_SET, std::move(*data), REPLY_WAIT_MS, sendNow);
}

}  // namespace

// 1 ... 10: one byte each, except the echo delay (5), which travels as 16-bit big-endian ms;
// bass and treble (9, 10) are signed dB.
bool CHidDevice::KTV_Mic_Vol_Ctrl(int value, bool sendNow) {
    return SetKtv(*this, KTV_MIC_VOL, value, sendNow);
}
bool CHidDevice::KTV_Music_Vol_Ctrl(int value, bool sendNow) {
    return SetKtv(*this, KTV_MUSIC_VOL, value, sendNow);
}
bool CHidDevice::KTV_Howling_Ctrl(int value, bool sendNow) {
    return SetKtv(*this, KTV_HOWLING, value, sendNow);
}
bool CHidDevice::KTV_Echo_Level_Ctrl(int value, bool sendNow) {
    return SetKtv(*this, KTV_ECHO_LEVEL, value, sendNow);
}
bool CHidDevice::KTV_Echo_Delay_Ctrl(int ms, bool sendNow) {
    return SetKtv(*this, KTV_ECHO_DELAY, ms, sendNow);
}
bool CHidDevice::KTV_Reverb_Level_Ctrl(int value, bool sendNow) {
    return SetKtv(*this, KTV_REVERB_LEVEL, value, sendNow);
}
bool CHidDevice::KTV_Reverb_Time_Ctrl(int value, bool sendNow) {
    return SetKtv(*this, KTV_REVERB_TIME, value, sendNow);
}
bool CHidDevice::KTV_Voice_Changer_Ctrl(int value, bool sendNow) {
    return SetKtv(*this, KTV_VOICE_CHANGER, value, sendNow);
}
bool CHidDevice::KTV_Bass_Gain_Ctrl(int db, bool sendNow) {
    return SetKtv(*this, KTV_BASS_GAIN, db, sendNow);
}
bool CHidDevice::KTV_Treble_Gain_Ctrl(int db, bool sendNow) {
    return SetKtv(*this, KTV_TREBLE_GAIN, db, sendNow);
}

bool CHidDevice::Get_KTV(std::uint8_t code) {
    return SendAndWait(CMD_KTV, code, OP_GET, {}, REPLY_WAIT_MS);
}

void ktv_ack_process(CHidDevice& device, std::span<const std::uint8_t> packet) {
    if (packet.size() < 2) {
        LogPrintA("KTV frame without subcmd and optype ignored\n");
        return;
    }
    const std::uint8_t code = packet[0];
    const std::uint8_t optype = packet[1];
    const std::span<const std::uint8_t> d = packet.subspan(2);
    if (code < KTV_MIC_VOL || code > KTV_TREBLE_GAIN) {
        LogPrintA("!!! NOT SUPPORT MSG\n");
        return;
    }
    if (optype != OP_UPDATE) {
        return;
    }
    const std::size_t needed = code == KTV_ECHO_DELAY ? 2 : 1;
    if (!HasBytes("KTV", d, needed)) {
        return;
    }
    static constexpr const char* kLines[] = {
        nullptr,
        "KTV MIC VOL OP=0x%x, scene=%d, src = %d, mic vol=%d\n",
        "KTV MUSIC_VOL OP=0x%x, scene=%d, src = %d, music vol=%d\n",
        "KTV HOWLING OP=0x%x, scene=%d, src = %d, howling=%d\n",
        "KTV ECHO LEVEL OP=0x%x, scene=%d, src = %d, level=%d\n",
        "KTV ECHO_DELAY OP=0x%x, scene=%d, src = %d, delay=%d\n",
        "KTV REVERB_LEVEL OP=0x%x, scene=%d, src = %d, REVERB_LEVEL=%d\n",
        "KTV REVERB_TIME OP=0x%x, scene=%d, src = %d, time=%d\n",
        "KTV VOICE_CHANGER OP=0x%x, scene=%d, src = %d, voice=%d\n",
    };
    std::intptr_t value = d[0];
    switch (code) {
        case KTV_BASS_GAIN:
            value = SignedAt(d, 0);
            LogPrintA("KTV_BASS_GAIN  low freq gain=%d\n", SignedAt(d, 0));
            break;
        case KTV_TREBLE_GAIN:
            value = SignedAt(d, 0);
            LogPrintA("KTV_TREBLE_GAIN treble gain=%d\n", SignedAt(d, 0));
            break;
        case KTV_ECHO_DELAY:
            value = BigEndianAt(d, 0);
            LogPrintA(kLines[code], optype, d[0], d[1], At(d, 3));
            break;
        default:
            LogPrintA(kLines[code], optype, d[0], At(d, 1), At(d, 2));
            break;
    }
    device.Post(device.mMainWnd.load(), WM_READ_KTV_VALUE, code, value);
}
