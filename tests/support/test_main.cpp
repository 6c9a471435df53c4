// GoogleTest main: every test program runs in a fresh temporary folder that is its home,
// settings folder, runtime folder and working directory, so no test touches real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "tonvia-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    const fs::path root(pattern);
    for (const char* sub : {"home", "config", "runtime", "work"}) {
        fs::create_directories(root / sub);
    }
    setenv("HOME", (root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    fs::current_path(root / "work");

    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();

    std::error_code ec;
    fs::current_path(root.parent_path(), ec);
    fs::remove_all(root, ec);
    return result;
}
