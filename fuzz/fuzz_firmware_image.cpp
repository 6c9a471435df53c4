// The update-file checks on arbitrary bytes: as an MCU image, a DSP flash image and a
// merged file. They must never read outside the buffer, whatever sizes it claims.
#include <cstddef>
#include <cstdint>
#include <span>

#include "firmware/firmware_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    tonvia::firmware::SingleImage image;
    tonvia::firmware::CheckSingleImage(bytes, 1, 77, false, "MCU", image);
    tonvia::firmware::CheckSingleImage(bytes, 0, 77, true, "FLASH", image);
    tonvia::firmware::UpgradeImages images;
    tonvia::firmware::CheckMergedImage(bytes, 77, images);
    images.noCheckID = true;
    tonvia::firmware::CheckMergedImage(bytes, 77, images);
    return 0;
}
