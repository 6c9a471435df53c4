// Karaoke family: one value per effect code.
#include <cstddef>
#include <cstdint>

#include "sim/amplifier.h"
#include "sim/amplifier_families.h"

namespace tonvia::sim {

using amplifier_detail::Ack;
using amplifier_detail::Rejected;
using amplifier_detail::Reply;
using amplifier_detail::Update;

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

}  // namespace tonvia::sim
