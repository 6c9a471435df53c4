// Firmware images: the data blocks of every upgrade, MCU, boot loader and DSP flash alike.
#include <cstddef>
#include <cstdint>

#include "sim/amplifier.h"
#include "sim/amplifier_families.h"

namespace tonvia::sim {

using amplifier_detail::Ack;
using amplifier_detail::Reply;

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

}  // namespace tonvia::sim
