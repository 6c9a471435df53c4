#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "platform/settings.h"

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
