#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "app/device_backend.h"
#include "app/shell.h"
#include "platform/log.h"
#include "sim/state_json.h"
#include "support/log_capture.h"
#include "ui/language.h"
#include "ui/screen_dpi.h"

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
    const ScreenInfo info =
        MakeScreenInfo(1366, 768, {-1920, 0, 3926, 1440},
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
        {"option_item_language", "ru", "cn_zh"},       {"option_item_language", "cn_zh", "en"},
        {"option_item_language", "CN_ZH", "en"},       {"option_item_language", "en", "cn_zh"},
        {"option_item_language_en", "ru", "en"},       {"option_item_language_ru", "ru", nullptr},
        {"option_item_language_cn", "Cn_Zh", nullptr}, {"option_item_language_cn", "en", "cn_zh"},
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

    const char* state[] = {"tonvia", "--demo-state", "amp.json"};
    const ShellOptions withState = ParseShellOptions(3, state);
    EXPECT_TRUE(withState.demo);
    EXPECT_EQ(withState.demoState, "amp.json");
    const char* joined[] = {"tonvia", "--demo-state=other.json"};
    EXPECT_EQ(ParseShellOptions(2, joined).demoState, "other.json");
    const char* missing[] = {"tonvia", "--demo-state"};
    EXPECT_EQ(ParseShellOptions(2, missing).error, "--demo-state needs a file name");
    const char* empty[] = {"tonvia", "--demo-state="};
    EXPECT_FALSE(ParseShellOptions(2, empty).error.empty());
}

// Demo runs: the shell talks to the virtual amplifier and keeps its state in a file.
class DemoShell : public testing::Test {
  protected:
    static constexpr const char* kState = "demo-state.json";

    void SetUp() override { fs::remove(kState); }
    void TearDown() override { fs::remove(kState); }

    // Runs the shell with --demo --demo-state; returns what it printed.
    struct Output {
        int code = 0;
        std::string out;
        std::string err;
    };
    Output Run() {
        const char* argv[] = {"tonvia", "--demo", "--demo-state", kState};
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        Output output;
        output.code = Tonvia(4, argv);
        output.out = testing::internal::GetCapturedStdout();
        output.err = testing::internal::GetCapturedStderr();
        return output;
    }
    static std::string ReadState() {
        std::ifstream in(kState, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static void WriteState(const std::string& text) {
        std::ofstream(kState, std::ios::binary) << text;
    }
};

TEST_F(DemoShell, ConnectsAndCreatesTheStateFile) {
    const Output output = Run();
    EXPECT_EQ(output.code, 0);
    EXPECT_EQ(output.out, "demo: connected to the virtual amplifier, model 77, firmware 2.28\n");
    EXPECT_EQ(output.err, "");
    std::string error;
    const auto saved = tonvia::sim::DeviceStateFromJson(ReadState(), &error);
    ASSERT_TRUE(saved) << error;
    EXPECT_EQ(saved->mainVolume, tonvia::sim::FactoryState().mainVolume);
}

TEST_F(DemoShell, StartsFromTheSavedStateAndKeepsIt) {
    tonvia::sim::DeviceState state = tonvia::sim::FactoryState();
    state.mainVersion = 3;
    state.slaveVersion = 1;
    state.mainVolume = -33;
    state.scenes[4].delayThousandths[2] = 4321;
    WriteState(tonvia::sim::DeviceStateToJson(state));

    const Output output = Run();
    EXPECT_EQ(output.out, "demo: connected to the virtual amplifier, model 77, firmware 3.1\n");
    const auto saved = tonvia::sim::DeviceStateFromJson(ReadState(), nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->mainVolume, -33);
    EXPECT_EQ(saved->scenes[4].delayThousandths[2], 4321u);
}

TEST_F(DemoShell, ADamagedStateFileIsReportedAndLeftAlone) {
    const std::string damaged =
        "{\"format\": \"tonvia-virtual-amplifier\", \"version\": 1, \"model\": 300}";
    WriteState(damaged);
    const Output output = Run();
    EXPECT_EQ(output.code, 0);
    // It still runs, from the factory state.
    EXPECT_EQ(output.out, "demo: connected to the virtual amplifier, model 77, firmware 2.28\n");
    EXPECT_NE(output.err.find("demo-state.json cannot be used (model: expected an integer"),
              std::string::npos)
        << output.err;
    EXPECT_NE(output.err.find("leaving the file as it is"), std::string::npos);
    EXPECT_EQ(ReadState(), damaged);
}

TEST_F(DemoShell, TheBackendFollowsTheOptions) {
    ShellOptions options;
    EXPECT_STREQ(MakeDeviceBackend(options, nullptr)->Name(), "hidapi");
    EXPECT_EQ(MakeDeviceBackend(options, nullptr)->Amplifier(), nullptr);
    options.demo = true;
    const auto demo = MakeDeviceBackend(options, nullptr);
    EXPECT_STREQ(demo->Name(), "virtual amplifier");
    ASSERT_NE(demo->Amplifier(), nullptr);
    std::string error;
    EXPECT_TRUE(demo->SaveState(&error));  // no file named: nothing to save
    EXPECT_FALSE(fs::exists(kState));
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
