// System (MCU) family: identity, settings, reboots and the MCU and boot loader upgrades.
#include <utility>
#include <vector>

#include "sim/amplifier.h"
#include "sim/amplifier_families.h"

namespace tonvia::sim {

using amplifier_detail::Ack;
using amplifier_detail::Rejected;
using amplifier_detail::Reply;
using amplifier_detail::Update;

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

}  // namespace

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
            if (!in.Ok() || mRefuseUpgradeStart) {
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

}  // namespace tonvia::sim
