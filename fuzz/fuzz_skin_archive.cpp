// Arbitrary bytes as the skin package: opening, listing and reading every member must
// reject what is malformed without reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/zip_archive.h"
#include "ui/skin_password.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto archive = tonvia::platform::ZipArchive::Open(std::span(data, size),
                                                            tonvia::ui::kSkinPassword, &error);
    if (!archive) {
        return 0;
    }
    for (const std::string& name : archive->Names()) {
        archive->Read(name, &error);
    }
    archive->Read("xml/res.xml", &error);
    return 0;
}
