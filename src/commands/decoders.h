#pragma once
// Decoders of the DSP (packet type 1), flash (2) and karaoke (7) replies. Each takes the
// packet bytes of one checked frame (subcmd, optype, data) and posts what it decodes;
// none reads past the bytes it is given.

#include <cstddef>
#include <cstdint>
#include <span>

#include "link/hid_device.h"

void dsp_ack_process(CHidDevice& device, std::span<const std::uint8_t> packet);
void flash_ack_process(CHidDevice& device, std::span<const std::uint8_t> packet);
void ktv_ack_process(CHidDevice& device, std::span<const std::uint8_t> packet);

// Registers the three decoders with the link.
void InstallCommandDecoders(CHidDevice& device);

namespace tonvia::commands {

// Which window a DSP reply goes to.
enum class ReplyWindow { None, Main, Calibration, Memory, Noise };

// A DSP reply being decoded: d holds its data bytes.
struct DspReply {
    CHidDevice& device;
    std::uint8_t code;
    std::uint8_t optype;
    std::span<const std::uint8_t> d;
};

// One row of the DSP reply catalogue: the code, the operation type whose frames are
// decoded, what is posted where, the data bytes needed before anything is read, and the
// decoding. Codes without a row are not supported; a row without a handler is ignored.
struct DspReplyEntry {
    std::uint8_t code = 0;
    std::uint8_t optype = OP_UPDATE;
    unsigned message = 0;  // 0: the reply is only logged
    ReplyWindow window = ReplyWindow::None;
    std::size_t header = 0;
    void (*handle)(const DspReply& reply) = nullptr;
    const char* ackLog = nullptr;  // logged for an OP_ACK frame of this code
};

std::span<const DspReplyEntry> DspReplyTable();
// The row of `code`, or nullptr when the code is not supported.
const DspReplyEntry* FindDspReply(std::uint8_t code);

}  // namespace tonvia::commands
