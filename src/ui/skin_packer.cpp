// Build tool: packs the skin folder into the encrypted skin package.
//   tonvia_skin_packer <skin folder> <output zip>
#include <cstdio>

#include "platform/zip_archive.h"
#include "ui/skin_password.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <skin folder> <output zip>\n", argv[0]);
        return 2;
    }
    std::string error;
    const auto files =
        tonvia::platform::PackFolderToFile(argv[1], tonvia::ui::kSkinPassword, argv[2], &error);
    if (!files) {
        std::fprintf(stderr, "skin packer: %s\n", error.c_str());
        return 1;
    }
    std::printf("skin packer: %zu files\n", *files);
    return 0;
}
