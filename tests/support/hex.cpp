#include "support/hex.h"

#include <cstdio>
#include <stdexcept>

namespace testing_support {

std::vector<std::uint8_t> hex(std::string_view text) {
    std::vector<std::uint8_t> out;
    int nibble = -1;
    for (const char c : text) {
        int v;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        } else if (c == ' ' || c == '\n' || c == ',') {
            if (nibble >= 0) {
                throw std::invalid_argument("odd hex digit count");
            }
            continue;
        } else {
            throw std::invalid_argument("bad hex character");
        }
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(nibble * 16 + v));
            nibble = -1;
        }
    }
    if (nibble >= 0) {
        throw std::invalid_argument("odd hex digit count");
    }
    return out;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i == 0 ? "%02x" : " %02x", bytes[i]);
        out += buf;
    }
    return out;
}

}  // namespace testing_support
