#include "firmware/firmware_image.h"

#include "platform/log.h"
#include "platform/paths.h"

namespace tonvia::firmware {

namespace {

std::uint32_t BigEndian32(std::span<const std::uint8_t> bytes) {
    return (static_cast<std::uint32_t>(bytes[0]) << 24) |
           (static_cast<std::uint32_t>(bytes[1]) << 16) |
           (static_cast<std::uint32_t>(bytes[2]) << 8) | static_cast<std::uint32_t>(bytes[3]);
}

// The whole file, or the loader result that says why not.
struct Loaded {
    unsigned result = UPG_FILE_VALID;
    std::vector<std::uint8_t> bytes;
};

Loaded LoadFile(const std::string& path, std::size_t limit, unsigned openFailure) {
    Loaded loaded;
    const platform::FileRead read = platform::ReadRegularFile(path, limit);
    if (!read.bytes) {
        loaded.result = read.tooLarge ? UPG_FILE_INVALID : openFailure;
        return loaded;
    }
    loaded.bytes.assign(read.bytes->begin(), read.bytes->end());
    return loaded;
}

bool ModelMatches(std::uint8_t fileModel, std::uint8_t modelId, bool noCheckID) {
    return noCheckID || fileModel == modelId;
}

// The single-image loaders' common path: the device, the target and first state, the
// read and the checks. A refused file leaves the state idle again: the connection would
// otherwise ignore every plug event until restart.
unsigned LoadSingle(CHidDevice& link, UpgradeImages& images, const std::string& path,
                    std::uint8_t target, std::uint32_t firstState, std::uint8_t requiredId,
                    const char* kind, SingleImage& image) {
    if (!link.IsConnected()) {
        return UPG_CONNECT_FAIL;
    }
    images.upg_device = target;
    link.sys_upg_status.store(firstState);
    const Loaded file = LoadFile(path, kSingleImageLimit, UPG_FILE_OPEN_FAIL);
    if (file.result == UPG_FILE_OPEN_FAIL && target == UPG_DEVICE_FLASH) {
        LogPrintA("Error: Open file %s error!\n", path.c_str());
    }
    unsigned result = file.result;
    if (result == UPG_FILE_VALID) {
        result = CheckSingleImage(file.bytes, requiredId, link.pc_model_id, images.noCheckID, kind,
                                  image);
    }
    images.FW_ID = image.fwId;
    images.FW_MODEL_ID = image.modelId;
    if (result != UPG_FILE_VALID) {
        link.sys_upg_status.store(UPG_IDLE);
    }
    return result;
}

unsigned LoadMcu(CHidDevice& link, UpgradeImages& images, const std::string& path,
                 std::uint8_t target) {
    SingleImage image;
    const unsigned result = LoadSingle(link, images, path, target, UPG_ENTER, 1, "MCU", image);
    if (result != UPG_FILE_VALID) {
        images.ReleaseMcu();
        return result;
    }
    images.mcuHead = image.head;
    images.mcuPayload = std::move(image.payload);
    images.mcuSize = static_cast<std::uint32_t>(images.mcuPayload.size());
    images.mcuRemaining = images.mcuSize;
    LogPrintA("UPG_FILE_VALID\n");
    return UPG_FILE_VALID;
}

}  // namespace

void UpgradeImages::ReleaseMcu() {
    mcuPayload.clear();
    mcuPayload.shrink_to_fit();
    mcuSize = 0;
    mcuRemaining = 0;
}

void UpgradeImages::ReleaseDsp() {
    dspPayload.clear();
    dspPayload.shrink_to_fit();
    dspSize = 0;
    dspSent = 0;
}

unsigned CheckSingleImage(std::span<const std::uint8_t> bytes, std::uint8_t requiredId,
                          std::uint8_t modelId, bool noCheckID, const char* kind,
                          SingleImage& out) {
    // An empty payload would make the progress divide by zero; a shorter file has no
    // room for its own frame.
    if (bytes.size() <= kImageOverhead || bytes.size() > kSingleImageLimit) {
        LogPrintA("%s image of %zu bytes refused\n", kind, bytes.size());
        return UPG_FILE_INVALID;
    }
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 4 < bytes.size(); ++i) {
        sum += bytes[i];
    }
    const std::uint32_t stored = BigEndian32(bytes.last(4));
    out.fwId = bytes[0];
    out.modelId = bytes[1];
    LogPrintA(requiredId == 0 ? "cal FLASH checksum=0x%x!\n" : "cal MCU encrypt_checksum=0x%x!\n",
              sum);
    LogPrintA("encrypt_checksum=0x%x!\n", stored);
    if (noCheckID) {
        LogPrintA("noCheckID=true, FW_ID=0x%x\n", out.fwId);
    } else {
        LogPrintA("noCheckID=false, FW_ID=0x%x, FW_MODEL_ID=0x%x, pc_model_id=0x%x\n", out.fwId,
                  out.modelId, modelId);
    }
    if ((requiredId != 0 && out.fwId != requiredId) ||
        !ModelMatches(out.modelId, modelId, noCheckID) || sum != stored) {
        return UPG_FILE_INVALID;
    }
    std::copy(bytes.begin() + 2, bytes.begin() + 6, out.head.begin());
    out.payload.assign(bytes.begin() + 6, bytes.end() - 8);
    return UPG_FILE_VALID;
}

unsigned CheckMergedImage(std::span<const std::uint8_t> bytes, std::uint8_t modelId,
                          UpgradeImages& images) {
    if (bytes.size() < 3 || bytes.size() > kMergedImageLimit) {
        return UPG_FILE_INVALID;
    }
    if (bytes[0] != kMergedMark && bytes[1] != kMergedMark) {
        LogPrintA("upg FW not match!\n");
        return UPG_FILE_INVALID;
    }
    const std::size_t total = bytes[2];
    const std::size_t start = 3 + 4 * total;
    // Two parts are needed, and the table must lie inside the file.
    if (total < 2 || start > bytes.size()) {
        LogPrintA("upg FW table of %zu entries refused\n", total);
        return UPG_FILE_INVALID;
    }
    const std::size_t mcuSize = BigEndian32(bytes.subspan(3, 4));
    const std::size_t dspSize = BigEndian32(bytes.subspan(7, 4));
    if (mcuSize > bytes.size() - start || dspSize > bytes.size() - start - mcuSize) {
        LogPrintA("upg FW sizes point past the end\n");
        return UPG_FILE_INVALID;
    }
    SingleImage mcu;
    if (CheckSingleImage(bytes.subspan(start, mcuSize), 1, modelId, images.noCheckID, "MCU", mcu) !=
        UPG_FILE_VALID) {
        LogPrintA("MCU checksum error!\n");
        return UPG_FILE_INVALID;
    }
    SingleImage dsp;
    if (CheckSingleImage(bytes.subspan(start + mcuSize, dspSize), 2, modelId, images.noCheckID,
                         "DSP", dsp) != UPG_FILE_VALID) {
        LogPrintA("DSP checksum error!\n");
        return UPG_FILE_INVALID;
    }
    images.FW_ID = dsp.fwId;
    images.FW_MODEL_ID = dsp.modelId;
    images.mcuHead = mcu.head;
    images.mcuPayload = std::move(mcu.payload);
    images.mcuSize = static_cast<std::uint32_t>(images.mcuPayload.size());
    images.mcuRemaining = images.mcuSize;
    images.dspHead = dsp.head;
    images.dspPayload = std::move(dsp.payload);
    images.dspSize = static_cast<std::uint32_t>(images.dspPayload.size());
    images.dspSent = 0;
    images.upg_device = UPG_DEVICE_FLASH;
    return UPG_FILE_VALID;
}

unsigned MCUUpgParsingFile(CHidDevice& link, UpgradeImages& images, const std::string& path) {
    return LoadMcu(link, images, path, UPG_DEVICE_MCU);
}

unsigned MCUUpgBLParsingFile(CHidDevice& link, UpgradeImages& images, const std::string& path) {
    return LoadMcu(link, images, path, UPG_DEVICE_BOOTLOADER);
}

unsigned FlashUpgParsingFile(CHidDevice& link, UpgradeImages& images, const std::string& path) {
    SingleImage image;
    const unsigned result =
        LoadSingle(link, images, path, UPG_DEVICE_FLASH, UPG_START, 0, "FLASH", image);
    if (result != UPG_FILE_VALID) {
        images.ReleaseDsp();
        return result;
    }
    images.dspHead = image.head;
    images.dspPayload = std::move(image.payload);
    images.dspSize = static_cast<std::uint32_t>(images.dspPayload.size());
    images.dspSent = 0;
    return UPG_FILE_VALID;
}

unsigned ParsingUpgFWFile(CHidDevice& link, UpgradeImages& images, const std::string& path) {
    // The merged loader has no open failure of its own.
    const Loaded file = LoadFile(path, kMergedImageLimit, UPG_FILE_INVALID);
    if (file.result != UPG_FILE_VALID) {
        return file.result;
    }
    const unsigned result = CheckMergedImage(file.bytes, link.pc_model_id, images);
    if (result != UPG_FILE_VALID) {
        images.ReleaseMcu();
        images.ReleaseDsp();
    }
    return result;
}

}  // namespace tonvia::firmware
