// Arbitrary bytes as a firmware package: unpacking must reject what is malformed or damaged
// without reading out of bounds, and never write outside the working folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include "firmware/package_password.h"
#include "firmware/packages.h"
#include "platform/paths.h"

namespace {

std::string gRoot;

// One private runtime folder for the whole run, so the user's real one stays untouched.
std::string WorkFolder() {
    static const std::string folder = [] {
        gRoot = (std::filesystem::temp_directory_path() / "tonvia-fuzz-XXXXXX").string();
        if (mkdtemp(gRoot.data()) == nullptr) {
            std::abort();
        }
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(gRoot, ec);
        });
        setenv("XDG_RUNTIME_DIR", gRoot.c_str(), 1);
        const auto work = tonvia::platform::PrivateWorkFolder(tonvia::firmware::kWorkFolderName);
        if (!work) {
            std::abort();
        }
        return *work;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = WorkFolder();
    const std::span bytes(data, size);
    tonvia::firmware::UnzipPackageBytes(bytes, folder, tonvia::firmware::kPackagePassword);
    tonvia::firmware::UnzipPackageBytes(bytes, folder, tonvia::firmware::kPackagePassword,
                                        {.emptyFolderFirst = true, .firmwareMembersOnly = true});
    // Everything unpacked is a plain file directly in the folder.
    const std::filesystem::path parent = std::filesystem::path(folder).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(parent)) {
        if (entry.path() != folder) {
            std::abort();
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.is_symlink()) {
            std::abort();
        }
    }
    return 0;
}
