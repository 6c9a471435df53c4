// Arbitrary bytes as filter text: every band the import gives lies within the device's
// ranges, every note names a line of the text, and the channel written back out as text
// reads back to the same bands and level without a note.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tuning/filter_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The first byte picks the channel's band count, so that the limit is reached too.
    const int bandCount = size > 0 ? data[0] % (kEqBandCount + 1) : kEqBandCount;
    const auto import = tonvia::tuning::ParseFilterText(text, bandCount);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (static_cast<int>(import.bands.size()) != bandCount || import.filtersTaken > bandCount) {
        std::abort();
    }
    for (const EqBand& b : import.bands) {
        if (!(b.gain >= kEqGainMin && b.gain <= kEqGainMax && b.q >= kEqQMin && b.q <= kEqQMax &&
              b.freq >= kFreqMin && b.freq <= kFreqMax)) {
            std::abort();
        }
    }
    for (const auto& note : import.notes) {
        if (note.line < 1 || note.line > lines || note.text.empty()) {
            std::abort();
        }
    }
    if (import.levelDb &&
        !(*import.levelDb >= kChannelGainMin && *import.levelDb <= kChannelGainMax)) {
        std::abort();
    }

    OutChannel channel;
    channel.eqSize = bandCount;
    std::copy(import.bands.begin(), import.bands.end(), channel.eqArray.begin());
    channel.gain = import.levelDb.value_or(0.0f);
    const auto again =
        tonvia::tuning::ParseFilterText(tonvia::tuning::FilterText(channel, 1), bandCount);
    if (again.bands != import.bands || !again.notes.empty() || again.levelDb != channel.gain) {
        std::abort();
    }
    return 0;
}
