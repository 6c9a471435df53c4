#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "app/language.h"
#include "app/log.h"
#include "app/screen_dpi.h"
#include "app/shell.h"
#include "support/log_capture.h"

namespace {

namespace fs = std::filesystem;

ScreenInfo OneScreen(int width, int height) {
    return MakeScreenInfo(width, height, {0, 0, width, height}, {{0, 0, width, height}});
}

TEST(ScreenDpi, WidestScreenSetsTheScale) {
    EXPECT_EQ(GetScreenDpi(OneScreen(1920, 1080)), 144);  // scale 1.5
    EXPECT_EQ(GetScreenDpi(OneScreen(1366, 768)), 96);    // 1.067
    EXPECT_EQ(GetScreenDpi(OneScreen(1024, 768)), 77);    // 0.8
    EXPECT_EQ(GetScreenDpi(OneScreen(1280, 720)), 96);
    EXPECT_EQ(GetScreenDpi(OneScreen(2560, 1440)), 192);
    EXPECT_EQ(GetScreenDpi(OneScreen(3840, 2160)), 288);
    EXPECT_EQ(GetScreenDpi(OneScreen(1600, 900)), 120);  // 1.25 is the next step up
}

TEST(ScreenDpi, OtherMonitorsAreSortedAndTheWidestWins) {
    // A 1366 primary with a 2560 monitor on the right and a 1920 one on the left.
    const ScreenInfo info = MakeScreenInfo(
        1366, 768, {-1920, 0, 3926, 1440},
        {{0, 0, 1366, 768}, {1366, 0, 3926, 1440}, {-1920, 0, 0, 1080}});
    ASSERT_EQ(info.others.size(), 2u);
    EXPECT_EQ(info.others[0].left, -1920);
    testing_support::LogCapture log;
    EXPECT_EQ(GetScreenDpi(info), 192);
    EXPECT_EQ(log.Text(),
              "m_MainScreen (0,0,1366,768)\nm_VirtualScreen (-1920,0,3926,1440)\n"
              "screen size 3926 x 1440\nDPI 192\n");
}

TEST(ScreenDpi, EqualWidthKeepsTheEarlierScreen) {
    const ScreenInfo info =
        MakeScreenInfo(1920, 1080, {0, 0, 3840, 1080}, {{0, 0, 1920, 1080}, {1920, 0, 3840, 700}});
    EXPECT_EQ(GetScreenDpi(info), 144);  // the other, as wide but only 700 high, would give 77
}

TEST(Languages, IndexAndNames) {
    EXPECT_STREQ(LanguageForIndex(0)->name, "en");
    EXPECT_STREQ(LanguageForIndex(1)->file, "lan/lan_cn.xml");
    EXPECT_STREQ(LanguageForIndex(2)->name, "ru");
    EXPECT_FALSE(LanguageForIndex(3));
    EXPECT_FALSE(LanguageForIndex(-1));
    EXPECT_EQ(LanguageForName("CN_ZH")->index, 1);
}

TEST(Languages, MenuItems) {
    struct Case {
        const char* item;
        const char* current;
        const char* expected;  // nullptr: nothing changes
    };
    const Case cases[] = {
        {"option_item_language", "ru", "cn_zh"},
        {"option_item_language", "cn_zh", "en"},
        {"option_item_language", "CN_ZH", "en"},
        {"option_item_language", "en", "cn_zh"},
        {"option_item_language_en", "ru", "en"},
        {"option_item_language_ru", "ru", nullptr},
        {"option_item_language_cn", "Cn_Zh", nullptr},
        {"option_item_language_cn", "en", "cn_zh"},
        {"option_item_about", "en", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.item) + " in " + c.current);
        const auto choice = LanguageForMenuItem(c.item, c.current);
        if (c.expected == nullptr) {
            EXPECT_FALSE(choice);
        } else {
            ASSERT_TRUE(choice);
            EXPECT_STREQ(choice->name, c.expected);
        }
    }
}

TEST(Shell, CommandLine) {
    const char* demo[] = {"tonvia", "--demo"};
    EXPECT_TRUE(ParseShellOptions(2, demo).demo);
    const char* bad[] = {"tonvia", "--frobnicate"};
    EXPECT_FALSE(ParseShellOptions(2, bad).error.empty());
    EXPECT_EQ(Tonvia(2, bad), 2);
}

TEST(Shell, NoLogFileWithoutTheMarker) {
    fs::remove("savelog.ini");
    fs::remove("save.log");
    const char* argv[] = {"tonvia"};
    EXPECT_EQ(Tonvia(1, argv), 0);
    EXPECT_FALSE(fs::exists("save.log"));
}

TEST(Shell, MarkerStartsTheLogWithTheHeaderLines) {
    std::ofstream("savelog.ini").close();
    const char* argv[] = {"tonvia"};
    EXPECT_EQ(Tonvia(1, argv), 0);
    fs::remove("savelog.ini");
    std::ifstream in("save.log", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::regex header(
        R"(\[[0-9:.]{12}\] InitConsoleWindow OK!\n\[[0-9:.]{12}\] MODEL_NAME: PVQ-6\n)"
        R"(\[[0-9:.]{12}\] MODEL_ID: 77\n\[[0-9:.]{12}\] VERSION: v6.8.7\n)"
        R"(\[[0-9:.]{12}\] INNER_FW: 2, 28\n[\s\S]*)");
    EXPECT_TRUE(std::regex_match(text, header)) << text;
    fs::remove("save.log");
}

}  // namespace
