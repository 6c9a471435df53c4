// Build tool: packs a folder of placeholder firmware files into an encrypted package.
//   tonvia_firmware_packer <folder> <output zip>
#include <cstdio>
#include <fstream>

#include "firmware/package_password.h"
#include "platform/zip_archive.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> <output zip>\n", argv[0]);
        return 2;
    }
    std::string error;
    const auto entries = tonvia::platform::CollectFolder(argv[1], &error);
    if (!entries || entries->empty()) {
        std::fprintf(stderr, "firmware packer: %s\n", entries ? "empty folder" : error.c_str());
        return 1;
    }
    const auto bytes =
        tonvia::platform::PackEncryptedZip(*entries, tonvia::firmware::kPackagePassword, &error);
    if (!bytes) {
        std::fprintf(stderr, "firmware packer: %s\n", error.c_str());
        return 1;
    }
    const std::string tmp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes->data()),
                  static_cast<std::streamsize>(bytes->size()));
        if (!out) {
            std::fprintf(stderr, "firmware packer: cannot write %s\n", tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "firmware packer: cannot create %s\n", argv[2]);
        return 1;
    }
    return 0;
}
