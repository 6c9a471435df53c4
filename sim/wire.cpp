#include "sim/wire.h"

#include <algorithm>
#include <iterator>

namespace tonvia::sim {

std::uint8_t Checksum(std::uint8_t length, std::uint8_t type, std::uint8_t subcmd,
                      std::uint8_t optype, std::span<const std::uint8_t> data) {
    unsigned sum = length + type + subcmd + optype;
    for (const std::uint8_t b : data) {
        sum += b;
    }
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

Bytes MakeFrame(std::uint8_t type, std::uint8_t subcmd, std::uint8_t optype,
                std::span<const std::uint8_t> data) {
    const auto length = static_cast<std::uint8_t>(data.size() + 3);
    // Sized once, then filled: GCC 12 at -O3 takes an insert after a six-byte brace
    // initialiser for an out-of-bounds copy (-Warray-bounds).
    Bytes frame(6 + data.size() + 1);
    const std::uint8_t head[] = {0xAA, 0x55, length, type, subcmd, optype};
    std::copy(std::begin(head), std::end(head), frame.begin());
    std::copy(data.begin(), data.end(), frame.begin() + 6);
    frame.back() = Checksum(length, type, subcmd, optype, data);
    return frame;
}

std::optional<Request> ParseOutputReport(std::span<const std::uint8_t> report) {
    // report id, AA, 55, length, type, subcmd, optype, checksum at least
    if (report.size() < 8 || report[0] != 0 || report[1] != 0xAA || report[2] != 0x55) {
        return std::nullopt;
    }
    const std::uint8_t length = report[3];
    if (length < 3 || 4u + length >= report.size()) {
        return std::nullopt;
    }
    Request request;
    request.type = report[4];
    request.subcmd = report[5];
    request.optype = report[6];
    const std::size_t dataSize = length - 3u;
    const auto data = report.subspan(7, dataSize);
    if (report[7 + dataSize] !=
        Checksum(length, request.type, request.subcmd, request.optype, data)) {
        return std::nullopt;
    }
    request.data.assign(data.begin(), data.end());
    return request;
}

std::vector<Bytes> SplitIntoReports(std::span<const std::uint8_t> frame) {
    std::vector<Bytes> reports;
    for (std::size_t at = 0; at < frame.size(); at += kInputReportSize) {
        const std::size_t n = std::min(kInputReportSize, frame.size() - at);
        Bytes report(kInputReportSize, 0);
        std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(at), n, report.begin());
        reports.push_back(std::move(report));
    }
    return reports;
}

std::uint8_t ByteReader::U8() {
    if (!mOk || mPos >= mData.size()) {
        mOk = false;
        return 0;
    }
    return mData[mPos++];
}

std::uint16_t ByteReader::Be16() {
    const unsigned hi = U8();
    const unsigned lo = U8();
    return static_cast<std::uint16_t>(hi << 8 | lo);
}

std::uint32_t ByteReader::Be32() {
    const std::uint32_t hi = Be16();
    return hi << 16 | Be16();
}

std::uint32_t ByteReader::Le32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(U8()) << (8 * i);
    }
    return value;
}

}  // namespace tonvia::sim
