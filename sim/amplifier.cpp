#include "sim/amplifier.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tonvia::sim {

namespace {

// Codes of the system (MCU) family.
constexpr std::uint8_t kMcuEnterUpgrade = 0x01;
constexpr std::uint8_t kMcuUpgradeStart = 0x02;
constexpr std::uint8_t kMcuUpgradeData = 0x03;
constexpr std::uint8_t kMcuUpgradeFinish = 0x04;
constexpr std::uint8_t kMcuHandshake = 0x08;
constexpr std::uint8_t kMcuFlashVersion = 0x0B;
constexpr std::uint8_t kMcuBootLoaderVersion = 0x0C;
constexpr std::uint8_t kMcuPassword = 0x0D;
constexpr std::uint8_t kMcuPcConnect = 0x1F;
constexpr std::uint8_t kMcuDataBlock = 0x41;
constexpr std::uint8_t kMcuReboot = 0x8F;
constexpr std::uint8_t kMcuFactoryDefault = 0x90;
constexpr std::uint8_t kMcuPowerOffDelay = 0x91;
constexpr std::uint8_t kMcuAcc = 0x92;
constexpr std::uint8_t kMcuPing = 0x93;
constexpr std::uint8_t kBlEnterUpgrade = 0xA0;
constexpr std::uint8_t kBlUpgradeStart = 0xA1;
constexpr std::uint8_t kBlUpgradeData = 0xA2;
constexpr std::uint8_t kBlUpgradeFinish = 0xA3;
constexpr std::uint8_t kHandshakeNormal = 0x00;
constexpr std::uint8_t kHandshakeBootLoader = 0xF0;

// Codes of the flash family.
constexpr std::uint8_t kFlashErase = 0x02;
constexpr std::uint8_t kFlashUpgradeStart = 0x03;
constexpr std::uint8_t kFlashUpgradeData = 0x04;
constexpr std::uint8_t kFlashUpgradeFinish = 0x05;
constexpr std::uint8_t kFlashSaveScene = 0x08;
constexpr std::uint8_t kFlashReadScene = 0x09;
constexpr std::uint8_t kFlashDeleteScene = 0x0A;
constexpr std::uint8_t kFlashSceneName = 0x0B;
constexpr std::uint8_t kFlashSceneProfile = 0x0C;
constexpr std::uint8_t kFlashSceneId = 0x0E;
constexpr std::uint8_t kFlashSceneValid = 0x0F;
constexpr std::uint8_t kReadSceneNoCopy = 255;  // "to" slot of a whole-profile read

// Calibration status codes.
constexpr std::uint8_t kIrcSpectrumReady = 7;
constexpr std::uint8_t kIrcEqReady = 8;
constexpr std::uint8_t kIrcTestData = 9;
constexpr std::uint8_t kIrcDone = 10;
constexpr std::uint8_t kIrcFail = 11;
constexpr std::uint8_t kIrcExit = 12;
constexpr int kIrcMeasureSteps = 7;  // statuses 0 … 6

constexpr std::array<std::uint16_t, kCalibrationEqBands> kCalibrationFrequencies{
    20, 40, 80, 160, 315, 630, 1250, 2500, 5000, 10000, 20000};
constexpr std::array<std::uint8_t, 6> kOfferedSources{0x51, 0x53, 0x54, 0x56, 0x58, 0x59};

Bytes Ack(std::uint8_t type, std::uint8_t subcmd, std::uint8_t status) {
    const std::uint8_t data[] = {status};
    return MakeFrame(type, subcmd, kOpAck, data);
}

Bytes Update(std::uint8_t type, std::uint8_t subcmd, const Bytes& data) {
    return MakeFrame(type, subcmd, kOpUpdate, data);
}

Outcome Reply(Bytes frame) {
    Outcome outcome;
    outcome.frames.push_back(std::move(frame));
    return outcome;
}

Outcome Rejected() {
    Outcome outcome;
    outcome.rejected = true;
    return outcome;
}

// The last index a range reply carries: inside `count` and within one frame.
int ClipLast(int first, int last, int count, std::size_t headerSize, std::size_t recordSize) {
    const int fits = static_cast<int>((kMaxReplyData - headerSize) / recordSize);
    return std::min({last, count - 1, first + fits - 1});
}

void PutBand(Bytes& out, const EqBand& band) {
    PutBe16(out, band.freq);
    out.push_back(static_cast<std::uint8_t>(band.qHundredths / 100));
    out.push_back(static_cast<std::uint8_t>(band.qHundredths % 100));
    out.push_back(static_cast<std::uint8_t>(band.gainTenths / 10));
    out.push_back(static_cast<std::uint8_t>(band.gainTenths % 10));
}

// A band as the application sends it: Q and gain with a tenths digit.
EqBand ReadBand(ByteReader& in) {
    EqBand band;
    band.freq = in.Be16();
    const unsigned qInt = in.U8();
    const unsigned qTenths = in.U8();
    const unsigned gainInt = in.U8();
    const unsigned gainTenths = in.U8();
    band.qHundredths = static_cast<std::uint16_t>(qInt * 100 + qTenths * 10);
    band.gainTenths = static_cast<std::uint16_t>(gainInt * 10 + gainTenths);
    return band;
}

// A signed value in hundredths as integer part and hundredths, both carrying the sign.
void PutSignedHundredths(Bytes& out, int hundredths) {
    out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(hundredths / 100)));
    out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(hundredths % 100)));
}

// Measured data of the calibration, made up but fixed for a channel.
EqBand CalibrationBand(int channel, int band) {
    EqBand result;
    result.freq = kCalibrationFrequencies[static_cast<std::size_t>(band)];
    result.qHundredths = 141;
    const int gain = (channel * 3 + band * 5) % 13 - 6;  // −6 … +6 dB
    result.gainTenths = static_cast<std::uint16_t>((gain + 18) * 10);
    return result;
}

void PutSpectrumPoint(Bytes& out, int channel, int point) {
    const double freq = 20.0 * std::pow(1000.0, point / double(kSpectrumPoints - 1));
    const auto freqHundredths = static_cast<long>(std::lround(freq * 100));
    PutBe16(out, static_cast<unsigned>(freqHundredths / 100));
    out.push_back(static_cast<std::uint8_t>(freqHundredths % 100));
    const double gain = 6.0 * std::sin(point * 0.15 + channel) - 2.0;
    PutSignedHundredths(out, static_cast<int>(std::lround(gain * 100)));
}

bool ValidScene(int scene) {
    return scene >= 0 && scene < kSceneSlots;
}
bool ValidSource(int source) {
    return source >= 0 && source < kSources;
}

}  // namespace

Outcome Amplifier::Handle(const Request& request) {
    if (mState.bootLoaderMode) {
        // The boot loader knows only the system family and the flash transfer.
        const bool transfer = request.type == kFlash && request.subcmd >= kFlashErase &&
                              request.subcmd <= kFlashUpgradeFinish;
        if (request.type != kMcu && !transfer) {
            return Rejected();
        }
    }
    switch (request.type) {
        case kMcu:
            return HandleMcu(request);
        case kDsp:
            return HandleDsp(request);
        case kFlash:
            return HandleFlash(request);
        case kKaraoke:
            return HandleKaraoke(request);
        default:
            return Rejected();
    }
}

// ---------------------------------------------------------------------------------------
// System (MCU) family

Outcome Amplifier::HandleMcu(const Request& request) {
    const bool get = request.optype == kOpGet;
    const bool set = request.optype == kOpSet;
    ByteReader in(request.data);
    auto ack = [&](std::uint8_t status = kAckReady) {
        return Reply(Ack(kMcu, request.subcmd, status));
    };
    switch (request.subcmd) {
        case kMcuHandshake:
            return Reply(Update(kMcu, kMcuHandshake,
                                {mState.bootLoaderMode ? kHandshakeBootLoader : kHandshakeNormal,
                                 mState.model, mState.mainVersion, mState.slaveVersion}));
        case kMcuPcConnect:
            if (!set || request.data.empty()) {
                return Rejected();
            }
            mState.pcConnected = request.data[0] != 0;
            return {};  // taken without reply
        case kMcuPing:
            return {};
        case kMcuAcc:
            if (get) {
                return Reply(Update(kMcu, kMcuAcc, {static_cast<std::uint8_t>(mState.acc)}));
            }
            mState.acc = in.S8();
            return in.Ok() ? ack() : ack(kAckNotReady);
        case kMcuPowerOffDelay:
            if (get) {
                Bytes data;
                PutBe16(data, mState.powerOffDelayMs);
                return Reply(Update(kMcu, kMcuPowerOffDelay, data));
            }
            mState.powerOffDelayMs = in.Be16();
            return in.Ok() ? ack() : ack(kAckNotReady);
        case kMcuFlashVersion: {
            const auto& v = mState.flashVersion;
            return Reply(Update(kMcu, kMcuFlashVersion, {v[0], v[1], v[2], v[3]}));
        }
        case kMcuBootLoaderVersion:
            return Reply(Update(kMcu, kMcuBootLoaderVersion, {mState.bootLoaderVersion}));
        case kMcuPassword: {
            if (get) {
                Bytes data{static_cast<std::uint8_t>(mState.password.size())};
                data.insert(data.end(), mState.password.begin(), mState.password.end());
                data.push_back(static_cast<std::uint8_t>(mState.remark.size()));
                data.insert(data.end(), mState.remark.begin(), mState.remark.end());
                return Reply(Update(kMcu, kMcuPassword, data));
            }
            std::vector<std::uint8_t> password(in.U8());
            for (auto& b : password) {
                b = in.U8();
            }
            std::vector<std::uint8_t> remark(in.U8());
            for (auto& b : remark) {
                b = in.U8();
            }
            if (!in.Ok() || password.size() > 12 || remark.size() > 20) {
                return ack(kAckNotReady);
            }
            mState.password = std::move(password);
            mState.remark = std::move(remark);
            return ack();
        }
        case kMcuDataBlock: {
            if (!get) {
                return ack();
            }
            Bytes data{static_cast<std::uint8_t>(mState.dataBlock.size())};
            data.insert(data.end(), mState.dataBlock.begin(), mState.dataBlock.end());
            return Reply(Update(kMcu, kMcuDataBlock, data));
        }
        case kMcuFactoryDefault: {
            DeviceState fresh = FactoryState();
            // Identity, firmware and received images survive a factory default.
            fresh.model = mState.model;
            fresh.mainVersion = mState.mainVersion;
            fresh.slaveVersion = mState.slaveVersion;
            fresh.bootLoaderVersion = mState.bootLoaderVersion;
            fresh.flashVersion = mState.flashVersion;
            fresh.images = std::move(mState.images);
            mState = std::move(fresh);
            Outcome outcome = ack();
            outcome.reboot = true;
            return outcome;
        }
        case kMcuReboot: {
            if (!mState.images.empty() && mState.images.back().finished) {
                mState.bootLoaderMode = false;
            }
            Outcome outcome = ack();
            outcome.reboot = true;
            return outcome;
        }
        case kMcuEnterUpgrade: {
            Outcome outcome = ack();
            if (!mState.bootLoaderMode) {
                // The control MCU restarts into its upgrade firmware.
                mState.bootLoaderMode = true;
                outcome.reboot = true;
            }
            return outcome;
        }
        case kBlEnterUpgrade:
            return ack();
        case kMcuUpgradeStart:
        case kBlUpgradeStart: {
            FirmwareImage image;
            image.target = request.subcmd == kMcuUpgradeStart ? FirmwareTarget::Mcu
                                                              : FirmwareTarget::BootLoader;
            for (auto& b : image.head) {
                b = in.U8();
            }
            if (!in.Ok()) {
                return ack(kAckNotReady);
            }
            mState.images.push_back(std::move(image));
            return ack();
        }
        case kMcuUpgradeData:
            return HandleFirmwareBlock(kMcu, request.subcmd, FirmwareTarget::Mcu, request);
        case kBlUpgradeData:
            return HandleFirmwareBlock(kMcu, request.subcmd, FirmwareTarget::BootLoader, request);
        case kMcuUpgradeFinish:
        case kBlUpgradeFinish: {
            const auto target = request.subcmd == kMcuUpgradeFinish ? FirmwareTarget::Mcu
                                                                    : FirmwareTarget::BootLoader;
            FirmwareImage* image = CurrentImage(target);
            if (image == nullptr) {
                return ack(kAckNotReady);
            }
            image->finished = true;
            Outcome outcome = ack();
            if (target == FirmwareTarget::Mcu) {
                // The new application starts.
                mState.bootLoaderMode = false;
                outcome.reboot = true;
            }
            return outcome;
        }
        default:
            return set ? ack() : Rejected();
    }
}

FirmwareImage* Amplifier::CurrentImage(FirmwareTarget target) {
    if (mState.images.empty() || mState.images.back().target != target ||
        mState.images.back().finished) {
        return nullptr;
    }
    return &mState.images.back();
}

Outcome Amplifier::HandleFirmwareBlock(std::uint8_t type, std::uint8_t subcmd,
                                       FirmwareTarget target, const Request& request) {
    ByteReader in(request.data);
    const std::uint32_t offset = in.Be32();
    std::size_t count = 32;  // MCU blocks always carry 32 bytes
    if (target == FirmwareTarget::DspFlash) {
        count = in.U8();
    }
    FirmwareImage* image = CurrentImage(target);
    if (!in.Ok() || in.Left() < count || image == nullptr || offset > (1u << 24)) {
        Outcome outcome = Reply(Ack(type, subcmd, kAckNotReady));
        outcome.rejected = true;
        return outcome;
    }
    if (image->bytes.size() < offset + count) {
        image->bytes.resize(offset + count, 0);
    }
    for (std::size_t i = 0; i < count; ++i) {
        image->bytes[offset + i] = in.U8();
    }
    ++image->blocks;
    Outcome outcome;
    if (mNotReadyEvery > 0 && image->blocks % mNotReadyEvery == 0) {
        outcome.frames.push_back(Ack(type, subcmd, kAckNotReady));  // "be patient"
    }
    outcome.frames.push_back(Ack(type, subcmd, kAckReady));
    return outcome;
}

// ---------------------------------------------------------------------------------------
// Flash family: scenes and the DSP flash transfer

Outcome Amplifier::HandleFlash(const Request& request) {
    ByteReader in(request.data);
    const bool get = request.optype == kOpGet;
    auto ack = [&](std::uint8_t status, std::uint8_t slot) {
        const std::uint8_t data[] = {status, slot};
        return Reply(MakeFrame(kFlash, request.subcmd, kOpAck, data));
    };
    auto refuse = [&](std::uint8_t slot) {
        Outcome outcome = ack(kAckNotReady, slot);
        outcome.rejected = true;
        return outcome;
    };
    auto storedSlot = [](int slot) { return slot >= 1 && slot <= kStoredScenes; };
    const auto slotIndex = [](std::uint8_t slot) { return static_cast<std::size_t>(slot); };

    switch (request.subcmd) {
        case kFlashErase:
            mErasePending = true;
            return Reply(Ack(kFlash, kFlashErase, kAckReady));
        case kFlashUpgradeStart: {
            FirmwareImage image;
            image.target = FirmwareTarget::DspFlash;
            image.erased = std::exchange(mErasePending, false);
            for (auto& b : image.head) {
                b = in.U8();
            }
            if (!in.Ok()) {
                return Reply(Ack(kFlash, kFlashUpgradeStart, kAckNotReady));
            }
            mState.images.push_back(std::move(image));
            return Reply(Ack(kFlash, kFlashUpgradeStart, kAckReady));
        }
        case kFlashUpgradeData:
            return HandleFirmwareBlock(kFlash, kFlashUpgradeData, FirmwareTarget::DspFlash,
                                       request);
        case kFlashUpgradeFinish: {
            FirmwareImage* image = CurrentImage(FirmwareTarget::DspFlash);
            if (image == nullptr) {
                return Reply(Ack(kFlash, kFlashUpgradeFinish, kAckNotReady));
            }
            image->finished = true;
            return Reply(Ack(kFlash, kFlashUpgradeFinish, kAckReady));
        }
        case kFlashSaveScene: {
            const std::uint8_t slot = in.U8();
            const std::uint8_t immediately = in.U8();
            if (!in.Ok() || !storedSlot(slot)) {
                return refuse(slot);
            }
            // Saving from the scene list stores the working set; a whole-profile write
            // (immediately = 1) has already sent its values to the slot and commits them.
            if (immediately == 0) {
                mState.scenes[slotIndex(slot)] = mState.scenes[0];
            }
            mState.validMask = static_cast<std::uint16_t>(mState.validMask | (1u << (slot - 1)));
            mState.currentScene = slot;
            return ack(kAckReady, slot);
        }
        case kFlashReadScene: {
            const std::uint8_t from = in.U8();
            const std::uint8_t to = in.U8();
            if (!in.Ok() || !ValidScene(from) || (!ValidScene(to) && to != kReadSceneNoCopy)) {
                return refuse(from);
            }
            if (to != kReadSceneNoCopy && to != from) {
                mState.scenes[slotIndex(to)] = mState.scenes[slotIndex(from)];
                if (to == 0 && from != 0) {
                    mState.currentScene = from;
                }
            }
            return ack(kAckReady, from);
        }
        case kFlashDeleteScene: {
            const std::uint8_t slot = in.U8();
            if (!in.Ok() || !storedSlot(slot)) {
                return refuse(slot);
            }
            mState.scenes[slotIndex(slot)] = DefaultScene();
            mState.sceneNames[slotIndex(slot)].fill(0xFF);
            mState.validMask = static_cast<std::uint16_t>(mState.validMask & ~(1u << (slot - 1)));
            if (mState.currentScene == slot) {
                mState.currentScene = 0;
            }
            return ack(kAckReady, slot);
        }
        case kFlashSceneName: {
            const std::uint8_t slot = in.U8();
            if (!in.Ok() || !storedSlot(slot)) {
                return get ? Rejected() : refuse(slot);
            }
            auto& name = mState.sceneNames[slotIndex(slot)];
            if (get) {
                Bytes data{slot};
                data.insert(data.end(), name.begin(), name.end());
                return Reply(Update(kFlash, kFlashSceneName, data));
            }
            const std::size_t length = in.U8();
            std::array<std::uint8_t, kSceneNameSize> stored{};
            for (std::size_t i = 0; i < length; ++i) {
                const std::uint8_t b = in.U8();
                if (i < stored.size()) {
                    stored[i] = b;
                }
            }
            if (!in.Ok()) {
                return refuse(slot);
            }
            name = stored;
            return ack(kAckReady, slot);
        }
        case kFlashSceneProfile: {
            const std::uint8_t slot = in.U8();
            const std::size_t start = in.Be16();
            std::size_t length = in.U8();
            if (!in.Ok() || !ValidScene(slot) || start + length > kSceneProfileSize) {
                return get ? Rejected() : refuse(slot);
            }
            auto& profile = mState.sceneProfiles[slotIndex(slot)];
            profile.resize(kSceneProfileSize, 0xFF);
            if (get) {
                length = std::min<std::size_t>(length, kMaxReplyData - 4);
                Bytes data{slot, static_cast<std::uint8_t>(start >> 8),
                           static_cast<std::uint8_t>(start), static_cast<std::uint8_t>(length)};
                data.insert(data.end(), profile.begin() + static_cast<std::ptrdiff_t>(start),
                            profile.begin() + static_cast<std::ptrdiff_t>(start + length));
                return Reply(Update(kFlash, kFlashSceneProfile, data));
            }
            if (in.Left() < length) {
                return refuse(slot);
            }
            for (std::size_t i = 0; i < length; ++i) {
                profile[start + i] = in.U8();
            }
            return ack(kAckReady, slot);
        }
        case kFlashSceneId:
            return Reply(Update(kFlash, kFlashSceneId, {mState.currentScene}));
        case kFlashSceneValid:
            return Reply(Update(kFlash, kFlashSceneValid,
                                {static_cast<std::uint8_t>(mState.validMask >> 8),
                                 static_cast<std::uint8_t>(mState.validMask)}));
        default:
            return request.optype == kOpSet ? Reply(Ack(kFlash, request.subcmd, kAckReady))
                                            : Rejected();
    }
}

// ---------------------------------------------------------------------------------------
// Karaoke family

Outcome Amplifier::HandleKaraoke(const Request& request) {
    const int code = request.subcmd;
    if (code < 1 || code > kKaraokeCodes) {
        return request.optype == kOpSet ? Reply(Ack(kKaraoke, request.subcmd, kAckReady))
                                        : Rejected();
    }
    constexpr int kEchoDelay = 5;
    constexpr int kBass = 9;
    std::int16_t& value = mState.karaoke[static_cast<std::size_t>(code - 1)];
    if (request.optype == kOpGet) {
        Bytes data;
        if (code == kEchoDelay) {
            PutBe16(data, static_cast<std::uint16_t>(value));
        } else {
            data.push_back(static_cast<std::uint8_t>(value));
        }
        return Reply(Update(kKaraoke, request.subcmd, data));
    }
    ByteReader in(request.data);
    std::int16_t received = 0;
    if (code == kEchoDelay) {
        received = static_cast<std::int16_t>(in.Be16());
    } else if (code >= kBass) {
        received = in.S8();
    } else {
        received = in.U8();
    }
    if (!in.Ok()) {
        return Reply(Ack(kKaraoke, request.subcmd, kAckNotReady));
    }
    value = received;
    return Reply(Ack(kKaraoke, request.subcmd, kAckReady));
}

// ---------------------------------------------------------------------------------------
// DSP family

Outcome Amplifier::HandleDsp(const Request& request) {
    if (request.optype == kOpGet) {
        return HandleDspGet(request);
    }
    if (request.optype != kOpSet) {
        return Rejected();
    }
    const bool stored = ApplyDspSet(request);
    Outcome outcome = Reply(Ack(kDsp, request.subcmd, stored ? kAckReady : kAckNotReady));
    outcome.rejected = !stored;
    return outcome;
}

Bytes Amplifier::CalibrationStatus() {
    auto& cal = mState.calibration;
    if (cal.running) {
        std::vector<int> channels;
        for (int ch = 0; ch < kOutputs; ++ch) {
            if (cal.channelMask & (1u << ch)) {
                channels.push_back(ch);
            }
        }
        const int dataSteps = 2 * static_cast<int>(channels.size());
        const int total = kIrcMeasureSteps + dataSteps + 2;  // then test data and done
        const int step = cal.step;
        cal.failReason = 0;
        if (step == cal.failAtStep) {
            cal.status = kIrcFail;
            cal.failReason = cal.failWith;
            cal.running = false;
        } else if (step < kIrcMeasureSteps) {
            cal.status = static_cast<std::uint8_t>(step);
        } else if (step < kIrcMeasureSteps + dataSteps) {
            const int index = step - kIrcMeasureSteps;
            cal.status = index % 2 == 0 ? kIrcSpectrumReady : kIrcEqReady;
            cal.dataChannel =
                static_cast<std::uint8_t>(channels[static_cast<std::size_t>(index / 2)]);
        } else if (step == kIrcMeasureSteps + dataSteps) {
            cal.status = kIrcTestData;
        } else {
            cal.status = kIrcDone;
            cal.running = false;
        }
        cal.progress = static_cast<std::uint8_t>(std::min(100, step * 100 / (total - 1)));
        ++cal.step;
    }
    return {cal.status, cal.dataChannel, 0, cal.progress, cal.failReason};
}

Outcome Amplifier::HandleDspGet(const Request& request) {
    const std::uint8_t code = request.subcmd;
    ByteReader in(request.data);
    auto& s = mState;
    auto reply = [&](Bytes data) { return Reply(Update(kDsp, code, data)); };
    auto one = [&](std::uint8_t value) { return reply(Bytes{value}); };

    // Range header: scene, source, first, last.
    const std::uint8_t scene = request.data.size() > 0 ? request.data[0] : 0;
    const std::uint8_t source = request.data.size() > 1 ? request.data[1] : 0;
    const SceneParams* params = ValidScene(scene) ? &s.scenes[scene] : nullptr;

    // Output-channel range with one record per channel.
    auto outputRange = [&](std::size_t recordSize, auto put) -> Outcome {
        in.U8();
        in.U8();
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok() || params == nullptr || !ValidSource(source)) {
            return Rejected();
        }
        const int clipped = ClipLast(first, last, kOutputs, 4, recordSize);
        Bytes data{scene, source, static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int ch = first; ch <= clipped; ++ch) {
            put(data, static_cast<std::size_t>(ch));
        }
        return reply(data);
    };
    auto outputBytes = [&](const PerOutput<std::uint8_t> SceneParams::*field) {
        return outputRange(
            1, [&](Bytes& out, std::size_t ch) { out.push_back((params->*field)[ch]); });
    };
    // Input range over the inputs of one source, one signed byte per input.
    auto inputBytes = [&](const PerSource<PerInput<std::int8_t>> SceneParams::*field) -> Outcome {
        in.U8();
        in.U8();
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok() || params == nullptr || !ValidSource(source)) {
            return Rejected();
        }
        const int clipped = ClipLast(first, last, kInputSlots, 4, 1);
        Bytes data{scene, source, static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int i = first; i <= clipped; ++i) {
            data.push_back(
                static_cast<std::uint8_t>((params->*field)[source][static_cast<std::size_t>(i)]));
        }
        return reply(data);
    };
    // Calibration values of channels first … last: [first, last, record per channel].
    auto calibrationRange = [&](std::size_t recordSize, auto put) -> Outcome {
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok()) {
            return Rejected();
        }
        const int clipped = ClipLast(first, last, kOutputs, 2, recordSize);
        Bytes data{static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int ch = first; ch <= clipped; ++ch) {
            put(data, ch);
        }
        return reply(data);
    };
    // Per-band data of one channel: [channel, first, last, record per band].
    auto bandRange = [&](int count, std::size_t recordSize, auto put) -> Outcome {
        const int channel = in.U8();
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok() || channel >= kOutputs) {
            return Rejected();
        }
        const int clipped = ClipLast(first, last, count, 3, recordSize);
        Bytes data{static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int band = first; band <= clipped; ++band) {
            put(data, channel, band);
        }
        return reply(data);
    };
    auto link = [&](const Link SceneParams::*field) -> Outcome {
        if (params == nullptr || request.data.empty()) {
            return Rejected();
        }
        const Link& l = params->*field;
        Bytes data{scene, l.on};
        data.insert(data.end(), l.pairFlags.begin(), l.pairFlags.begin() + kOutputs / 2);
        return reply(data);
    };
    // EQ of an output (0x06) or an input (0x23): scene, source, channel, first, last.
    auto eqBands = [&](bool input) -> Outcome {
        in.U8();
        in.U8();
        const int channel = in.U8();
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok() || params == nullptr || !ValidSource(source) ||
            channel >= (input ? kInputSlots : kOutputs)) {
            return Rejected();
        }
        const auto& bands = input ? params->inputEq[source][static_cast<std::size_t>(channel)]
                                  : params->eq[static_cast<std::size_t>(channel)];
        const int clipped = ClipLast(first, last, kBands, 5, 6);
        Bytes data{scene, source, static_cast<std::uint8_t>(channel),
                   static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int band = first; band <= clipped; ++band) {
            PutBand(data, bands[static_cast<std::size_t>(band)]);
        }
        return reply(data);
    };

    switch (code) {
        case 0x00: {  // source configuration: count, then the source codes
            Bytes data{static_cast<std::uint8_t>(kOfferedSources.size())};
            data.insert(data.end(), kOfferedSources.begin(), kOfferedSources.end());
            return reply(data);
        }
        case 0x01:
            return one(s.source);
        case 0x02:
            return one(static_cast<std::uint8_t>(s.mainVolume));
        case 0x03:
            return one(static_cast<std::uint8_t>(s.subVolume));
        case 0x04:
            return one(s.mute);
        case 0x05:  // filters: hp type, hp freq, hp slope, lp type, lp freq, lp slope
            return outputRange(8, [&](Bytes& out, std::size_t ch) {
                const Filter& hp = params->highPass[ch];
                const Filter& lp = params->lowPass[ch];
                out.push_back(hp.type);
                PutBe16(out, hp.freq);
                out.push_back(hp.slope);
                out.push_back(lp.type);
                PutBe16(out, lp.freq);
                out.push_back(lp.slope);
            });
        case 0x06:
            return eqBands(false);
        case 0x07:  // delay: whole ms, thousandths (2)
            return outputRange(3, [&](Bytes& out, std::size_t ch) {
                const std::uint32_t d = params->delayThousandths[ch];
                out.push_back(static_cast<std::uint8_t>(d / 1000));
                PutBe16(out, d % 1000);
            });
        case 0x08:  // trim: attenuation as whole dB and hundredths
            return outputRange(2, [&](Bytes& out, std::size_t ch) {
                const unsigned t = params->trimHundredths[ch];
                out.push_back(static_cast<std::uint8_t>(t / 100));
                out.push_back(static_cast<std::uint8_t>(t % 100));
            });
        case 0x09:
            return outputBytes(&SceneParams::mute);
        case 0x0A:
            return outputBytes(&SceneParams::phase);
        case 0x0B:  // mixer input mask of one source, one byte per output
            return outputRange(
                1, [&](Bytes& out, std::size_t ch) { out.push_back(params->mix[source][ch]); });
        case 0x0C:
            return outputRange(
                1, [&](Bytes& out, std::size_t ch) { out.push_back(params->remap[source][ch]); });
        case 0x0D:
            return outputBytes(&SceneParams::channelType);
        case 0x0E:
            return link(&SceneParams::link);
        case 0x30:
            return link(&SceneParams::trimLink);
        case 0x31:
            return link(&SceneParams::delayLink);
        case 0x0F:
            if (params == nullptr || request.data.empty()) {
                return Rejected();
            }
            return reply({scene, params->lock});
        case 0x10:
            if (params == nullptr) {
                return Rejected();
            }
            return reply({scene, source, params->dspBypass});
        case 0x11:
            if (params == nullptr) {
                return Rejected();
            }
            return reply({scene});
        case 0x12:
            return outputBytes(&SceneParams::peqBypass);
        case 0x13:
            return reply(CalibrationStatus());
        case 0x14:  // distance in metres: whole, hundredths
            return calibrationRange(2, [](Bytes& out, int ch) {
                out.push_back(static_cast<std::uint8_t>(1 + ch / 4));
                out.push_back(static_cast<std::uint8_t>((ch % 4) * 25));
            });
        case 0x15:
            return calibrationRange(
                1, [](Bytes& out, int ch) { out.push_back(static_cast<std::uint8_t>(ch)); });
        case 0x17:
            return calibrationRange(1, [](Bytes& out, int) { out.push_back(1); });
        case 0x18:
            return calibrationRange(1, [](Bytes& out, int) { out.push_back(0); });
        case 0x19:
            return calibrationRange(
                1, [](Bytes& out, int ch) { out.push_back(static_cast<std::uint8_t>(80 - ch)); });
        case 0x1B:
            return calibrationRange(1, [](Bytes& out, int) { out.push_back(30); });
        case 0x16:
            return bandRange(kCalibrationEqBands, 6, [](Bytes& out, int ch, int band) {
                PutBand(out, CalibrationBand(ch, band));
            });
        case 0x1A:
            return bandRange(kSpectrumPoints, 5, [](Bytes& out, int ch, int point) {
                PutSpectrumPoint(out, ch, point);
            });
        case 0x1C:
            return reply({0});
        case 0x20:
            return inputBytes(&SceneParams::inputTrim);
        case 0x21:
            return inputBytes(&SceneParams::inputMute);
        case 0x22:
            return inputBytes(&SceneParams::inputPhase);
        case 0x23:
            return eqBands(true);
        case 0x24: {  // scene, source, input, first output, last output
            in.U8();
            in.U8();
            const int input = in.U8();
            const int first = in.U8();
            const int last = in.U8();
            if (!in.Ok() || params == nullptr || !ValidSource(source) || input >= kInputSlots) {
                return Rejected();
            }
            const int clipped = ClipLast(first, last, kOutputs, 5, 1);
            Bytes data{scene, source, static_cast<std::uint8_t>(input),
                       static_cast<std::uint8_t>(first),
                       static_cast<std::uint8_t>(std::max(clipped, first - 1))};
            for (int out = first; out <= clipped; ++out) {
                data.push_back(params->inputMixTrim[source][static_cast<std::size_t>(input)]
                                                   [static_cast<std::size_t>(out)]);
            }
            return reply(data);
        }
        case 0x26:
            return one(static_cast<std::uint8_t>(s.inputThreshold));
        case 0x27: {  // input noise: (level + 100 dB) as whole and tenths
            const int first = in.U8();
            const int last = in.U8();
            if (!in.Ok()) {
                return Rejected();
            }
            const int clipped = ClipLast(first, last, kInputSlots, 2, 2);
            Bytes data{static_cast<std::uint8_t>(first),
                       static_cast<std::uint8_t>(std::max(clipped, first - 1))};
            for (int i = first; i <= clipped; ++i) {
                const int shifted =
                    std::max(0, s.inputNoiseTenths[static_cast<std::size_t>(i)] + 1000);
                data.push_back(static_cast<std::uint8_t>(shifted / 10));
                data.push_back(static_cast<std::uint8_t>(shifted % 10));
            }
            return reply(data);
        }
        case 0x32:
            return reply({static_cast<std::uint8_t>(s.remoteChannel >> 8),
                          static_cast<std::uint8_t>(s.remoteChannel)});
        case 0x34:
            return outputBytes(&SceneParams::solo);
        case 0x35:
            return one(s.speakerConfig);
        case 0x39:
            return one(s.factoryPreset);
        case 0x3A:
            return one(s.setupMode);
        case 0x3B:
            return one(s.autoOn);
        case 0x36:
        case 0x83:
            if (request.data.size() < 2 || params == nullptr || !ValidSource(source)) {
                return Rejected();
            }
            return reply(
                {scene, source, code == 0x36 ? params->mixType[source] : params->mixType2[source]});
        case 0x37:
            return outputBytes(&SceneParams::hpQMode);
        case 0x38:
            return outputBytes(&SceneParams::lpQMode);
        case 0x3E:  // bypass, threshold + 100, ratio, knee (whole, tenths), attack, release
            return outputRange(11, [&](Bytes& out, std::size_t ch) {
                const Compressor& c = params->compressor[ch];
                out.push_back(c.bypass);
                out.push_back(static_cast<std::uint8_t>(c.thresholdTenths / 10));
                out.push_back(static_cast<std::uint8_t>(c.thresholdTenths % 10));
                out.push_back(static_cast<std::uint8_t>(c.ratioTenths / 10));
                out.push_back(static_cast<std::uint8_t>(c.ratioTenths % 10));
                out.push_back(static_cast<std::uint8_t>(c.kneeTenths / 10));
                out.push_back(static_cast<std::uint8_t>(c.kneeTenths % 10));
                PutBe16(out, c.attackMs);
                PutBe16(out, c.releaseMs);
            });
        case 0x3F:
            return one(s.ampMute);
        case 0x40:
        case 0x41: {  // distortion: source, first, last, one signed byte per channel
            in.U8();
            in.U8();
            const int first = in.U8();
            const int last = in.U8();
            if (!in.Ok() || !ValidSource(source)) {
                return Rejected();
            }
            const bool inputs = code == 0x40;
            const int clipped = ClipLast(first, last, inputs ? kInputSlots : kOutputs, 3, 1);
            Bytes data{source, static_cast<std::uint8_t>(first),
                       static_cast<std::uint8_t>(std::max(clipped, first - 1))};
            for (int i = first; i <= clipped; ++i) {
                const auto index = static_cast<std::size_t>(i);
                data.push_back(static_cast<std::uint8_t>(
                    inputs ? s.inputDistortion[source][index] : s.outputDistortion[source][index]));
            }
            return reply(data);
        }
        case 0x42: {  // memory word: address and data, little-endian
            const std::uint32_t address = in.Le32();
            if (!in.Ok()) {
                return Rejected();
            }
            const auto found = s.memory.find(address);
            Bytes data;
            PutLe32(data, address);
            PutLe32(data, found == s.memory.end() ? 0 : found->second);
            return reply(data);
        }
        case 0x43:
            return outputRange(
                2, [&](Bytes& out, std::size_t ch) { PutBe16(out, params->speakerDistance[ch]); });
        case 0x44:
            return one(s.mixSource);
        case 0x45:
            return reply({s.remOut1, s.remOut2});
        case 0x46:
            return one(s.dspStatus);
        case 0x47: {  // scene, source, input channel
            const int input = request.data.size() > 2 ? request.data[2] : kInputSlots;
            if (params == nullptr || !ValidSource(source) || input >= kInputSlots) {
                return Rejected();
            }
            const CrossMix& m = params->crossMix[source][static_cast<std::size_t>(input)];
            return reply({scene, source, static_cast<std::uint8_t>(input), m.viceSource,
                          m.viceChannel, m.viceGain});
        }
        case 0x4D: {  // scene, source, 0, 0, input channel
            const int input = request.data.size() > 4 ? request.data[4] : kInputSlots;
            if (params == nullptr || !ValidSource(source) || input >= kInputSlots) {
                return Rejected();
            }
            const CrossMix& m = params->crossMixCs[source][static_cast<std::size_t>(input)];
            return reply(
                {scene, source, m.viceSource, m.viceChannel, static_cast<std::uint8_t>(input)});
        }
        case 0x49:
            return outputBytes(&SceneParams::compressorOn);
        case 0x4A:  // threshold whole and tenths (signed), attack, release s and tenths
            return outputRange(6, [&](Bytes& out, std::size_t ch) {
                const Compressor2& c = params->compressor2[ch];
                out.push_back(static_cast<std::uint8_t>(c.thresholdInt));
                out.push_back(static_cast<std::uint8_t>(c.thresholdTenths));
                PutBe16(out, c.attackMs);
                out.push_back(c.releaseSeconds);
                out.push_back(c.releaseTenths);
            });
        case 0x4B:
            return one(s.speakerOhm);
        case 0x4C: {  // scene, source, count of bridge bytes
            if (request.data.size() < 2 || params == nullptr) {
                return Rejected();
            }
            const std::size_t count = std::min<std::size_t>(
                request.data.size() > 2 ? request.data[2] : params->bridgeCount, kBridgeBytes);
            Bytes data{scene, source, static_cast<std::uint8_t>(count)};
            data.insert(data.end(), params->bridge.begin(),
                        params->bridge.begin() + static_cast<std::ptrdiff_t>(count));
            return reply(data);
        }
        case 0x4E:
            return one(s.noiseGate);
        default:
            return Rejected();
    }
}

bool Amplifier::ApplyDspSet(const Request& request) {
    const std::uint8_t code = request.subcmd;
    ByteReader in(request.data);
    auto& s = mState;
    auto byte = [&](std::uint8_t& field) {
        const std::uint8_t v = in.U8();
        if (in.Ok()) {
            field = v;
        }
        return in.Ok();
    };
    auto signedByte = [&](std::int8_t& field) {
        const std::int8_t v = in.S8();
        if (in.Ok()) {
            field = v;
        }
        return in.Ok();
    };
    // Scene and source bytes; null when either is out of range.
    auto sceneSource = [&](std::uint8_t& source) -> SceneParams* {
        const std::uint8_t scene = in.U8();
        source = in.U8();
        if (!in.Ok() || !ValidScene(scene) || !ValidSource(source)) {
            return nullptr;
        }
        return &s.scenes[scene];
    };
    // Range header then `recordSize` bytes per index; indices beyond `count` are skipped.
    auto range = [&](int count, std::size_t recordSize, auto store) {
        std::uint8_t source = 0;
        SceneParams* params = sceneSource(source);
        const int first = in.U8();
        const int last = in.U8();
        if (params == nullptr || !in.Ok()) {
            return false;
        }
        if (in.Left() < static_cast<std::size_t>(std::max(0, last - first + 1)) * recordSize) {
            return false;
        }
        for (int i = first; i <= last; ++i) {
            store(*params, source, static_cast<std::size_t>(i), i < count);
        }
        return in.Ok();
    };
    auto outputBytes = [&](PerOutput<std::uint8_t> SceneParams::*field) {
        return range(kOutputs, 1, [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
            const std::uint8_t v = in.U8();
            if (keep) {
                (p.*field)[ch] = v;
            }
        });
    };
    auto inputBytes = [&](PerSource<PerInput<std::int8_t>> SceneParams::*field) {
        return range(kInputSlots, 1,
                     [&](SceneParams& p, std::uint8_t source, std::size_t i, bool keep) {
                         const std::int8_t v = in.S8();
                         if (keep) {
                             (p.*field)[source][i] = v;
                         }
                     });
    };

    switch (code) {
        case 0x01:
            return byte(s.source);
        case 0x02:
            return signedByte(s.mainVolume);
        case 0x03:
            return signedByte(s.subVolume);
        case 0x04:
            return byte(s.mute);
        case 0x05: {  // scene, source, channel, filter (1 low-pass, 2 high-pass), type, freq, slope
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int channel = in.U8();
            const int which = in.U8();
            Filter filter;
            filter.type = in.U8();
            filter.freq = in.Be16();
            filter.slope = in.U8();
            if (p == nullptr || !in.Ok() || channel >= kOutputs || (which != 1 && which != 2)) {
                return false;
            }
            (which == 1 ? p->lowPass : p->highPass)[static_cast<std::size_t>(channel)] = filter;
            return true;
        }
        case 0x06: {  // scene, source, channel, band, then the band
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int channel = in.U8();
            const int band = in.U8();
            const EqBand value = ReadBand(in);
            if (p == nullptr || !in.Ok() || channel >= kOutputs || band >= kBands) {
                return false;
            }
            p->eq[static_cast<std::size_t>(channel)][static_cast<std::size_t>(band)] = value;
            return true;
        }
        case 0x07:
            return range(kOutputs, 3, [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
                const std::uint32_t whole = in.U8();
                const std::uint32_t thousandths = in.Be16();
                if (keep) {
                    p.delayThousandths[ch] = whole * 1000 + thousandths % 1000;
                }
            });
        case 0x08: {
            // Two bytes per channel (whole dB, hundredths) or, in the short form, one.
            const std::size_t count =
                request.data.size() >= 4
                    ? static_cast<std::size_t>(std::max(0, request.data[3] - request.data[2] + 1))
                    : 0;
            const bool twoBytes = count == 0 || request.data.size() - 4 >= 2 * count;
            return range(kOutputs, twoBytes ? 2 : 1,
                         [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
                             const unsigned whole = in.U8();
                             const unsigned hundredths = twoBytes ? in.U8() : 0;
                             if (keep) {
                                 p.trimHundredths[ch] =
                                     static_cast<std::uint16_t>(whole * 100 + hundredths % 100);
                             }
                         });
        }
        case 0x09:
            return outputBytes(&SceneParams::mute);
        case 0x0A:
            return outputBytes(&SceneParams::phase);
        case 0x0B:
            return range(kOutputs, 1,
                         [&](SceneParams& p, std::uint8_t source, std::size_t ch, bool keep) {
                             const std::uint8_t mask = in.U8();
                             if (keep) {
                                 p.mix[source][ch] = mask;
                             }
                         });
        case 0x0C: {  // scene, source, output, then input numbers
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int output = in.U8();
            const std::uint8_t input = in.U8();
            if (p == nullptr || !in.Ok() || output >= kOutputs) {
                return false;
            }
            p->remap[source][static_cast<std::size_t>(output)] = input;
            return true;
        }
        case 0x0D:
            return outputBytes(&SceneParams::channelType);
        case 0x0E: {  // scene, link, count, pairs (from, to)
            const std::uint8_t scene = in.U8();
            const std::uint8_t on = in.U8();
            const int count = in.U8();
            if (!in.Ok() || !ValidScene(scene) || in.Left() < static_cast<std::size_t>(2 * count)) {
                return false;
            }
            SceneParams& p = s.scenes[scene];
            p.link = Link{};
            p.link.on = on;
            for (int i = 0; i < count; ++i) {
                const std::size_t from = in.U8();
                const std::size_t to = in.U8();
                if (from >= kOutputs || to >= kOutputs) {
                    continue;
                }
                p.link.pairFlags[from / 2] = 1;
                p.link.pairFlags[to / 2] = 1;
                if (on == 1) {
                    // The device copies the channel's settings along the pair itself.
                    p.eq[to] = p.eq[from];
                    p.highPass[to] = p.highPass[from];
                    p.lowPass[to] = p.lowPass[from];
                }
            }
            return true;
        }
        case 0x0F: {
            const std::uint8_t scene = in.U8();
            const std::uint8_t lock = in.U8();
            if (!in.Ok() || !ValidScene(scene)) {
                return false;
            }
            s.scenes[scene].lock = lock;
            return true;
        }
        case 0x10: {
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            return p != nullptr && byte(p->dspBypass);
        }
        case 0x11: {  // scene, source, count, channels: their EQ back to flat
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int count = in.U8();
            if (p == nullptr || !in.Ok() || in.Left() < static_cast<std::size_t>(count)) {
                return false;
            }
            const SceneParams defaults = DefaultScene();
            for (int i = 0; i < count; ++i) {
                const std::size_t ch = in.U8();
                if (ch < kOutputs) {
                    p->eq[ch] = defaults.eq[ch];
                }
            }
            return true;
        }
        case 0x12:
            return outputBytes(&SceneParams::peqBypass);
        case 0x13: {  // on (0 stop, 1 start, 2 keep, 3 discard), channel mask, EQ mode
            auto& cal = s.calibration;
            const std::uint8_t on = in.U8();
            const std::uint16_t mask = in.Be16();
            const std::uint8_t eqMode = in.U8();
            if (!in.Ok()) {
                return false;
            }
            if (on == 1) {
                cal.running = true;
                cal.channelMask = mask;
                cal.eqMode = eqMode;
                cal.step = 0;
                cal.status = 0;
                cal.progress = 0;
                cal.failReason = 0;
                cal.dataChannel = 0;
            } else if (on == 0) {
                if (cal.running) {
                    cal.status = kIrcExit;
                }
                cal.running = false;
            } else {
                cal.lastDecision = on;
            }
            return true;
        }
        case 0x1D:
            return byte(s.calibration.testMic);
        case 0x1E:
            return byte(s.calibration.module);
        case 0x20:
            return inputBytes(&SceneParams::inputTrim);
        case 0x21:
            return inputBytes(&SceneParams::inputMute);
        case 0x22:
            return inputBytes(&SceneParams::inputPhase);
        case 0x23: {  // scene, source, input, first band, last band, bands
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int input = in.U8();
            const int first = in.U8();
            const int last = in.U8();
            if (p == nullptr || !in.Ok() || input >= kInputSlots) {
                return false;
            }
            for (int band = first; band <= last; ++band) {
                const EqBand value = ReadBand(in);
                if (in.Ok() && band < kBands) {
                    p->inputEq[source][static_cast<std::size_t>(input)]
                              [static_cast<std::size_t>(band)] = value;
                }
            }
            return in.Ok();
        }
        case 0x24: {  // scene, source, input, first output, last output, trims
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int input = in.U8();
            const int first = in.U8();
            const int last = in.U8();
            if (p == nullptr || !in.Ok() || input >= kInputSlots) {
                return false;
            }
            for (int out = first; out <= last; ++out) {
                const std::uint8_t trim = in.U8();
                if (in.Ok() && out < kOutputs) {
                    p->inputMixTrim[source][static_cast<std::size_t>(input)]
                                   [static_cast<std::size_t>(out)] = trim;
                }
            }
            return in.Ok();
        }
        case 0x26:
            return signedByte(s.inputThreshold);
        case 0x28: {  // scene, source, first input, last input, output, trims
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int first = in.U8();
            const int last = in.U8();
            const int out = in.U8();
            if (p == nullptr || !in.Ok() || out >= kOutputs) {
                return false;
            }
            for (int input = first; input <= last; ++input) {
                const std::uint8_t trim = in.U8();
                if (in.Ok() && input < kInputSlots) {
                    p->inputMixTrim[source][static_cast<std::size_t>(input)]
                                   [static_cast<std::size_t>(out)] = trim;
                }
            }
            return in.Ok();
        }
        case 0x32: {
            const std::uint16_t selection = in.Be16();
            if (in.Ok()) {
                s.remoteChannel = selection;
            }
            return in.Ok();
        }
        case 0x33:
            return byte(s.remoteVolume);
        case 0x34:
            return outputBytes(&SceneParams::solo);
        case 0x35:
            return byte(s.speakerConfig);
        case 0x36:
        case 0x83: {
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            return p != nullptr && byte(code == 0x36 ? p->mixType[source] : p->mixType2[source]);
        }
        case 0x37:
            return outputBytes(&SceneParams::hpQMode);
        case 0x38:
            return outputBytes(&SceneParams::lpQMode);
        case 0x39:
            return byte(s.factoryPreset);
        case 0x3A:
            return byte(s.setupMode);
        case 0x3B: {  // scene, on
            const std::uint8_t scene = in.U8();
            const std::uint8_t on = in.U8();
            if (!in.Ok() || !ValidScene(scene)) {
                return false;
            }
            s.scenes[scene].autoEffect = on;
            s.autoOn = on;
            return true;
        }
        case 0x3C: {
            const std::uint8_t scene = in.U8();
            const std::uint8_t value = in.U8();
            if (!in.Ok() || !ValidScene(scene)) {
                return false;
            }
            s.scenes[scene].ircActiveBypass = value;
            return true;
        }
        case 0x3D:
            s.surroundBlock = request.data;
            return true;
        case 0x3E: {  // scene, source, channel, then the 11-byte compressor block
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int channel = in.U8();
            Compressor c;
            c.bypass = in.U8();
            const unsigned thresholdWhole = in.U8();
            c.thresholdTenths = static_cast<std::uint16_t>(thresholdWhole * 10 + in.U8());
            const unsigned ratioWhole = in.U8();
            c.ratioTenths = static_cast<std::uint16_t>(ratioWhole * 10 + in.U8());
            const unsigned kneeWhole = in.U8();
            c.kneeTenths = static_cast<std::uint16_t>(kneeWhole * 10 + in.U8());
            c.attackMs = in.Be16();
            c.releaseMs = in.Be16();
            if (p == nullptr || !in.Ok() || channel >= kOutputs) {
                return false;
            }
            p->compressor[static_cast<std::size_t>(channel)] = c;
            return true;
        }
        case 0x3F:
            return byte(s.ampMute);
        case 0x42: {
            const std::uint32_t address = in.Le32();
            const std::uint32_t data = in.Le32();
            if (in.Ok()) {
                s.memory[address] = data;
            }
            return in.Ok();
        }
        case 0x43:
            return range(kOutputs, 2, [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
                const std::uint16_t distance = in.Be16();
                if (keep) {
                    p.speakerDistance[ch] = distance;
                }
            });
        case 0x44:
            return byte(s.mixSource);
        case 0x45: {
            const std::uint8_t first = in.U8();
            const std::uint8_t second = in.U8();
            if (in.Ok()) {
                s.remOut1 = first;
                s.remOut2 = second;
            }
            return in.Ok();
        }
        case 0x47: {  // scene, source, channel, second source, second channel, second gain
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int input = in.U8();
            CrossMix m;
            m.viceSource = in.U8();
            m.viceChannel = in.U8();
            m.viceGain = in.U8();
            if (p == nullptr || !in.Ok() || input >= kInputSlots) {
                return false;
            }
            p->crossMix[source][static_cast<std::size_t>(input)] = m;
            return true;
        }
        case 0x4D: {  // scene, source, second source, second channel, channel
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            CrossMix m;
            m.viceSource = in.U8();
            m.viceChannel = in.U8();
            const int input = in.U8();
            if (p == nullptr || !in.Ok() || input >= kInputSlots) {
                return false;
            }
            m.viceGain = p->crossMixCs[source][static_cast<std::size_t>(input)].viceGain;
            p->crossMixCs[source][static_cast<std::size_t>(input)] = m;
            return true;
        }
        case 0x49:
            return outputBytes(&SceneParams::compressorOn);
        case 0x4A:
            return range(kOutputs, 6, [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
                Compressor2 c;
                c.thresholdInt = in.S8();
                c.thresholdTenths = in.S8();
                c.attackMs = in.Be16();
                c.releaseSeconds = in.U8();
                c.releaseTenths = in.U8();
                if (keep) {
                    p.compressor2[ch] = c;
                }
            });
        case 0x4B:
            return byte(s.speakerOhm);
        case 0x4C: {  // scene, source, count, bridge bytes
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const std::size_t count = in.U8();
            if (p == nullptr || !in.Ok() || count > kBridgeBytes || in.Left() < count) {
                return false;
            }
            p->bridgeCount = static_cast<std::uint8_t>(count);
            for (std::size_t i = 0; i < count; ++i) {
                p->bridge[i] = in.U8();
            }
            return true;
        }
        case 0x4E:
            return byte(s.noiseGate);
        default:
            return true;  // taken without effect
    }
}

}  // namespace tonvia::sim
