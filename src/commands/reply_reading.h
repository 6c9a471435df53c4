#pragma once
// Bounded reading of reply data: every read is checked against the frame, and a range
// whose records do not all fit is cut to those that do, with a log line.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/log.h"

namespace tonvia::commands {

// Byte i of the data, or 0 when the frame is shorter (for log arguments only).
inline std::uint8_t At(std::span<const std::uint8_t> d, std::size_t i) {
    return i < d.size() ? d[i] : 0;
}
inline int SignedAt(std::span<const std::uint8_t> d, std::size_t i) {
    return static_cast<std::int8_t>(At(d, i));
}
inline int BigEndianAt(std::span<const std::uint8_t> d, std::size_t i) {
    return At(d, i) * 256 + At(d, i + 1);
}

// True when the frame holds `count` data bytes; otherwise logs and returns false.
inline bool HasBytes(const char* what, std::span<const std::uint8_t> d, std::size_t count) {
    if (d.size() >= count) {
        return true;
    }
    LogPrintA("%s: %zu data bytes, %zu needed; ignored\n", what, d.size(), count);
    return false;
}

// The part of first..last whose records (of `recordSize` bytes from `offset`) fit in the
// frame. `count` is 0 for an empty range; `cut` tells that the frame held fewer records
// than the range claims (logged).
struct FittingRange {
    int first = 0;
    int last = -1;  // last index that fits
    int count = 0;
    bool cut = false;
};

inline FittingRange FitRange(const char* what, std::span<const std::uint8_t> d, std::size_t offset,
                             std::size_t recordSize, int first, int last) {
    FittingRange fit;
    fit.first = first;
    fit.last = first - 1;
    if (last < first) {
        fit.last = last;
        return fit;
    }
    const int claimed = last - first + 1;
    const std::size_t room = d.size() > offset ? (d.size() - offset) / recordSize : 0;
    fit.count = static_cast<int>(std::min<std::size_t>(room, static_cast<std::size_t>(claimed)));
    fit.last = first + fit.count - 1;
    if (fit.count < claimed) {
        fit.cut = true;
        LogPrintA("%s: range %d to %d does not fit the frame; %d of %d entries decoded\n", what,
                  first, last, fit.count, claimed);
    }
    return fit;
}

// The record bytes of entry i of a range.
inline std::span<const std::uint8_t> RecordAt(std::span<const std::uint8_t> d, std::size_t offset,
                                              std::size_t recordSize, int i) {
    return d.subspan(offset + static_cast<std::size_t>(i) * recordSize, recordSize);
}

}  // namespace tonvia::commands
