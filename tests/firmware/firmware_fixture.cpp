#include "firmware_fixture.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace firmware_testing {

Bytes MakeImage(std::uint8_t fwId, std::uint8_t modelId, const Bytes& payload, Bytes head) {
    Bytes out{fwId, modelId};
    out.insert(out.end(), head.begin(), head.end());
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), {0, 0, 0, 0});
    std::uint32_t sum = 0;
    for (const std::uint8_t b : out) {
        sum += b;
    }
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(sum >> shift));
    }
    return out;
}

Bytes MakeMerged(const Bytes& mcu, const Bytes& dsp, std::uint8_t total, std::uint8_t first,
                 std::uint8_t second) {
    Bytes out{first, second, total};
    for (int entry = 0; entry < total; ++entry) {
        const auto size = static_cast<std::uint32_t>(entry == 0 ? mcu.size() : dsp.size());
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>(size >> shift));
        }
    }
    out.insert(out.end(), mcu.begin(), mcu.end());
    out.insert(out.end(), dsp.begin(), dsp.end());
    return out;
}

Bytes Payload(std::size_t size) {
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return out;
}

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("tonvia-fw-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto path = folder / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

}  // namespace firmware_testing
