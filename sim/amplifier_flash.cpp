// Flash family: stored scenes, their names and profiles, and the DSP flash transfer.
#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "sim/amplifier.h"
#include "sim/amplifier_families.h"

namespace tonvia::sim {

using amplifier_detail::Ack;
using amplifier_detail::kFlashErase;
using amplifier_detail::kFlashUpgradeData;
using amplifier_detail::kFlashUpgradeFinish;
using amplifier_detail::kFlashUpgradeStart;
using amplifier_detail::Rejected;
using amplifier_detail::Reply;
using amplifier_detail::Update;
using amplifier_detail::ValidScene;

namespace {

// Codes of the flash family besides the transfer.
constexpr std::uint8_t kFlashSaveScene = 0x08;
constexpr std::uint8_t kFlashReadScene = 0x09;
constexpr std::uint8_t kFlashDeleteScene = 0x0A;
constexpr std::uint8_t kFlashSceneName = 0x0B;
constexpr std::uint8_t kFlashSceneProfile = 0x0C;
constexpr std::uint8_t kFlashSceneId = 0x0E;
constexpr std::uint8_t kFlashSceneValid = 0x0F;
constexpr std::uint8_t kReadSceneNoCopy = 255;  // "to" slot of a whole-profile read

}  // namespace

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
            if (!in.Ok() || mRefuseUpgradeStart) {
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

}  // namespace tonvia::sim
