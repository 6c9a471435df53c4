// Arbitrary bytes as a scene profile: the parser must refuse what is malformed without
// reading out of bounds, and a text it accepts must come back the same from its own output.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "profiles/profile_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ModelSet model;
    if (!tonvia::profiles::ParseSceneProfile(text, model).ok) {
        return 0;
    }
    ModelSet again;
    const std::string written = tonvia::profiles::SceneProfileText(model);
    if (!tonvia::profiles::ParseSceneProfile(written, again).ok ||
        tonvia::profiles::SceneProfileText(again) != written) {
        std::abort();
    }
    return 0;
}
