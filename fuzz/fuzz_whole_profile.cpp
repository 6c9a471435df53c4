// Arbitrary bytes as a whole profile: the parser must refuse what is malformed without
// reading out of bounds, and a text it accepts must come back the same from its own output.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "profiles/profile_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ModelSet model;
    if (!tonvia::profiles::ParseWholeProfile(text, model).ok) {
        return 0;
    }
    ModelSet again;
    const std::string written = tonvia::profiles::WholeProfileText(model);
    if (!tonvia::profiles::ParseWholeProfile(written, again).ok ||
        tonvia::profiles::WholeProfileText(again) != written) {
        std::abort();
    }
    return 0;
}
