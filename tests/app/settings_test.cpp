#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/paths.h"
#include "platform/settings.h"
#include "support/log_capture.h"

namespace {

namespace fs = std::filesystem;

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove(GetSettingsPath());
        savedConfig = std::getenv("XDG_CONFIG_HOME");
        savedHome = std::getenv("HOME");
    }
    void TearDown() override {
        setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
        setenv("HOME", savedHome.c_str(), 1);
        fs::remove(GetSettingsPath());
    }
    std::string savedConfig;
    std::string savedHome;
};

TEST_F(Settings, PathIsInTheSettingsFolder) {
    EXPECT_EQ(GetSettingsPath(), savedConfig + "/tonvia.ini");
}

TEST_F(Settings, FallsBackToTheWorkingDirectory) {
    setenv("XDG_CONFIG_HOME", "", 1);
    setenv("HOME", "", 1);
    EXPECT_EQ(GetSettingsPath(), tonvia::platform::WorkingDirectory() + "/tonvia.ini");
    EXPECT_TRUE(WriteConfigString("lan", "2"));
    EXPECT_EQ(ReadConfigInt("lan", 0), 2);
}

TEST_F(Settings, MissingFileOrKeyReadsTheDefault) {
    EXPECT_EQ(ReadConfigInt("lan", 0), 0);
    EXPECT_EQ(ReadConfigString("mem_addr", ""), "");
    EXPECT_TRUE(WriteConfigString("mem_addr", "0x1000"));
    EXPECT_EQ(ReadConfigInt("lan", 7), 7);
}

TEST_F(Settings, RoundTripKeepsOtherKeysAndSections) {
    {
        std::ofstream out(GetSettingsPath(), std::ios::binary);
        out << "; kept comment\r\n[other]\r\nlan=9\r\n[Config]\r\nMem_Data = abc \r\n";
    }
    EXPECT_EQ(ReadConfigString("mem_data", ""), "abc");  // names ignore case
    ASSERT_TRUE(WriteConfigString("lan", "1"));
    ASSERT_TRUE(WriteConfigString("mem_data", "0x55"));
    EXPECT_EQ(ReadConfigInt("lan", 0), 1);
    EXPECT_EQ(ReadConfigString("mem_data", ""), "0x55");
    std::ifstream in(GetSettingsPath(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "; kept comment\r\n[other]\r\nlan=9\r\n[Config]\r\nmem_data=0x55\r\nlan=1\r\n");
    // Written through a temporary file: nothing is left beside it.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(GetSettingsPath()).parent_path())) {
        files += entry.path().filename().string().rfind("tonvia.ini", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(Settings, NewFileGetsTheConfigSection) {
    ASSERT_TRUE(WriteConfigString("lan", "2"));
    std::ifstream in(GetSettingsPath(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "[config]\r\nlan=2\r\n");
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// What a refused write must leave alone: the entry (a replacement gets a new inode) and
// its bytes.
std::string Snapshot(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return "missing";
    }
    std::string text = std::to_string(st.st_mode) + " " + std::to_string(st.st_ino) + " ";
    return S_ISREG(st.st_mode) ? text + ReadFile(path) : text;
}

TEST_F(Settings, UnreadableFileReadsAsTheDefaultsAndIsNeverOverwritten) {
    const std::string path = GetSettingsPath();
    const std::string kept = "[config]\r\nlan=2\r\n[other]\r\nx=1\r\n";
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* why;
    };
    const Case cases[] = {
        {"folder", [&] { fs::create_directory(path); }, "it is a folder"},
        {"pipe", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "not a regular file"},
        {"over 1 MiB",
         [&] { std::ofstream(path, std::ios::binary) << kept << std::string(1 << 20, ';'); },
         "larger than 1048576 bytes"},
        {"no permission",
         [&] {
             std::ofstream(path, std::ios::binary) << kept;
             fs::permissions(path, fs::perms::none);
         },
         "Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string_view(c.name) == "no permission" && ::geteuid() == 0) {
            continue;  // root reads it anyway; the size limit takes the same refusing path
        }
        c.make();
        const std::string before = Snapshot(path);
        testing_support::LogCapture log;
        EXPECT_EQ(ReadConfigInt("lan", 5), 5);
        EXPECT_FALSE(WriteConfigString("lan", "1"));
        const std::string text = log.Text();
        EXPECT_NE(text.find(c.why), std::string::npos) << text;
        EXPECT_NE(text.find("leaving it untouched"), std::string::npos) << text;
        EXPECT_TRUE(Snapshot(path) == before);
        fs::permissions(path, fs::perms::owner_all);
        fs::remove_all(path);
    }
}

TEST_F(Settings, WriteGoesThroughALinkAndKeepsTheMode) {
    const std::string path = GetSettingsPath();
    const fs::path folder = fs::path(path).parent_path() / "dotfiles";
    fs::create_directory(folder);
    std::ofstream(folder / "tonvia.ini", std::ios::binary) << "[config]\r\nmem_data=7\r\n";
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(folder / "tonvia.ini", mode);
    // Relative, so that it only resolves from the link's own folder.
    fs::create_symlink("dotfiles/tonvia.ini", path);

    ASSERT_TRUE(WriteConfigString("lan", "2"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(ReadFile(folder / "tonvia.ini"), "[config]\r\nmem_data=7\r\nlan=2\r\n");
    EXPECT_EQ(fs::status(folder / "tonvia.ini").permissions(), mode);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    fs::remove_all(folder);
}

TEST(ProfileInt, ReadsLeadingNumberLikeTheIniApi) {
    EXPECT_EQ(ParseProfileInt("2"), 2);
    EXPECT_EQ(ParseProfileInt("  12abc"), 12);
    EXPECT_EQ(ParseProfileInt("-3"), -3);
    EXPECT_EQ(ParseProfileInt("abc"), 0);
    EXPECT_EQ(ParseProfileInt(""), 0);
    EXPECT_EQ(ParseProfileInt("99999999999999"), 2147483647);
}

TEST(MarkerFiles, ExistInTheWorkingDirectory) {
    EXPECT_FALSE(IsLocalFileExist("debug.ini"));
    std::ofstream("debug.ini").close();
    EXPECT_TRUE(IsLocalFileExist("debug.ini"));
    fs::remove("debug.ini");
}

}  // namespace
