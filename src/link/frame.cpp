#include "link/frame.h"

#include <algorithm>

#include "platform/log.h"

std::uint32_t FrameChecksumSum(std::uint8_t packetLength, std::uint8_t packetType,
                               std::span<const std::uint8_t> packet) {
    std::uint32_t sum = packetLength + packetType;
    for (const std::uint8_t b : packet) {
        sum += b;
    }
    return 0u - sum;
}

std::uint8_t packet_checksum(std::uint8_t packetLength, std::uint8_t packetType,
                             std::span<const std::uint8_t> packet) {
    const std::uint32_t sum = FrameChecksumSum(packetLength, packetType, packet);
    LogPrintA("packet_checksum: temp_sum(0x%08x)\n", sum);
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::optional<OutputReport> BuildFrame(std::uint8_t packetType, std::uint8_t subcmd,
                                       std::uint8_t optype, std::span<const std::uint8_t> data) {
    if (data.size() > MAX_FRAME_DATA) {
        return std::nullopt;
    }
    OutputReport report{};
    const auto n = static_cast<std::uint8_t>(data.size());
    report[1] = FRAME_SYNC1;
    report[2] = FRAME_SYNC2;
    report[3] = static_cast<std::uint8_t>(n + 3);
    report[4] = packetType;
    report[5] = subcmd;
    report[6] = optype;
    std::copy(data.begin(), data.end(), report.begin() + 7);
    const std::span<const std::uint8_t> packet(report.data() + 5, n + 2u);
    report[7 + n] = static_cast<std::uint8_t>(FrameChecksumSum(report[3], packetType, packet));
    return report;
}
