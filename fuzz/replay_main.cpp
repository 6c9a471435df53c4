// Plain main for a fuzz target: replays every file in the folders given, then a fixed set
// of pseudo-random inputs, so that a normal test build exercises the target too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!fs::is_directory(argv[i], ec)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(argv[i], ec)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                                  std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++files;
        }
    }
    std::mt19937 random(20261209);
    constexpr int kRandomInputs = 3000;
    for (int i = 0; i < kRandomInputs; ++i) {
        std::vector<std::uint8_t> bytes(random() % 300);
        for (auto& b : bytes) {
            // Lean towards the bytes frames are made of, so that some inputs parse.
            const unsigned pick = random() % 8;
            b = pick == 0 ? 0xAA : pick == 1 ? 0x55 : static_cast<std::uint8_t>(random());
        }
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("replayed %d corpus files and %d generated inputs\n", files, kRandomInputs);
    return 0;
}
