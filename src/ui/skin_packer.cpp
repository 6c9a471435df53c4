// Build tool: packs the skin folder into the encrypted skin package.
//   tonvia_skin_packer <skin folder> <output zip>
#include <cstdio>
#include <fstream>

#include "platform/zip_archive.h"
#include "ui/skin_password.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <skin folder> <output zip>\n", argv[0]);
        return 2;
    }
    std::string error;
    const auto entries = tonvia::platform::CollectFolder(argv[1], &error);
    if (!entries) {
        std::fprintf(stderr, "skin packer: %s\n", error.c_str());
        return 1;
    }
    const auto bytes =
        tonvia::platform::PackEncryptedZip(*entries, tonvia::ui::kSkinPassword, &error);
    if (!bytes) {
        std::fprintf(stderr, "skin packer: %s\n", error.c_str());
        return 1;
    }
    const std::string tmp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes->data()),
                  static_cast<std::streamsize>(bytes->size()));
        if (!out) {
            std::fprintf(stderr, "skin packer: cannot write %s\n", tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "skin packer: cannot create %s\n", argv[2]);
        return 1;
    }
    std::printf("skin packer: %zu files, %zu bytes\n", entries->size(), bytes->size());
    return 0;
}
