// Build tool: packs a folder of placeholder firmware files into an encrypted package.
//   tonvia_firmware_packer <folder> <output zip>
#include <cstdio>

#include "firmware/package_password.h"
#include "platform/zip_archive.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> <output zip>\n", argv[0]);
        return 2;
    }
    std::string error;
    const auto files = tonvia::platform::PackFolderToFile(
        argv[1], tonvia::firmware::kPackagePassword, argv[2], &error);
    if (!files) {
        std::fprintf(stderr, "firmware packer: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
