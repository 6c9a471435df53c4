// tonvia-cli end to end against the virtual amplifier: runs in-process through RunCli, with
// the amplifier's state kept in a file between runs as a script would use it, and once as
// the real executable.
#include "cli/cli.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/paths.h"
#include "sim/state_json.h"

namespace {

using namespace tonvia::cli;

struct Output {
    int code = -1;
    std::string out;
    std::string err;
};

class Cli : public ::testing::Test {
  protected:
    // One state file per test: the tests share the working folder.
    Cli()
        : mState(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 ".state.json") {}

    Output Run(std::vector<std::string> args, bool demoState = true) {
        if (demoState) {
            args.insert(args.begin(), {"--demo-state", mState});
        }
        std::ostringstream out;
        std::ostringstream err;
        Output result;
        result.code = RunCli(args, out, err, mTimings);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    tonvia::sim::DeviceState AmplifierState() {
        const auto text = tonvia::platform::ReadWholeFile(mState);
        EXPECT_TRUE(text.has_value());
        std::string error;
        const auto state = tonvia::sim::DeviceStateFromJson(text.value_or(""), &error);
        EXPECT_TRUE(state.has_value()) << error;
        return state.value_or(tonvia::sim::DeviceState{});
    }

    std::string mState;
    CliTimings mTimings{.sceneReadSettle = std::chrono::milliseconds(0),
                        .wholeProfileSettle = std::chrono::milliseconds(0),
                        .queueDrainLimit = std::chrono::milliseconds(5000)};
};

using JsonPtr = std::unique_ptr<cJSON, void (*)(cJSON*)>;

JsonPtr Parse(const std::string& text) {
    return JsonPtr(cJSON_Parse(text.c_str()), cJSON_Delete);
}

const cJSON* ChannelOf(const cJSON* dump, int channel) {
    return cJSON_GetArrayItem(cJSON_GetObjectItem(dump, "channels"), channel - 1);
}

double Number(const cJSON* object, const char* key) {
    return cJSON_GetNumberValue(cJSON_GetObjectItem(object, key));
}

TEST_F(Cli, SetIsInTheNextDumpAndInTheAmplifier) {
    const Output set = Run({"set", "ch", "2", "level", "-6"});
    ASSERT_EQ(set.code, kExitDone) << set.err;
    EXPECT_EQ(set.out, "ch 2 level -6.0dB\n");
    EXPECT_EQ(AmplifierState().scenes[0].trimHundredths[1], 600);

    const Output band = Run({"set", "ch", "2", "eq", "7", "gain", "-2.5dB"});
    ASSERT_EQ(band.code, kExitDone) << band.err;
    EXPECT_EQ(band.out, "ch 2 eq 7 gain -2.5\n");

    const Output dump = Run({"dump"});
    ASSERT_EQ(dump.code, kExitDone) << dump.err;
    const JsonPtr json = Parse(dump.out);
    ASSERT_NE(json, nullptr) << dump.out;
    const cJSON* ch2 = ChannelOf(json.get(), 2);
    EXPECT_EQ(Number(ch2, "channel"), 2);
    EXPECT_EQ(Number(ch2, "level"), -6);
    EXPECT_EQ(Number(cJSON_GetArrayItem(cJSON_GetObjectItem(ch2, "bands"), 6), "gain"), -2.5);
    EXPECT_EQ(Number(json.get(), "masterVolume"), -5);

    const Output get = Run({"get", "ch", "2", "level"});
    EXPECT_EQ(get.out, "-6.0dB\n");
}

TEST_F(Cli, SetPrintsEveryChannelTheRulesMoved) {
    // A master volume change unmutes the master, as on the page.
    ASSERT_EQ(Run({"set", "master-mute", "on"}).out, "master-mute on\n");
    EXPECT_EQ(Run({"set", "master-volume", "-12"}).out, "master-volume -12dB\nmaster-mute off\n");
    // A channel level unmutes the channel.
    ASSERT_EQ(Run({"set", "ch", "3", "mute", "on"}).code, kExitDone);
    EXPECT_EQ(Run({"set", "ch", "3", "level", "-60"}).out, "ch 3 level Off\nch 3 mute off\n");
    // Linkwitz-Riley takes even slopes only: the slope moves with the type.
    ASSERT_EQ(Run({"set", "ch", "1", "hp", "slope", "18dB"}).code, kExitDone);
    EXPECT_EQ(Run({"set", "ch", "1", "hp", "type", "bessel"}).out, "ch 1 hp type Bessel\n");
    EXPECT_EQ(Run({"set", "ch", "1", "hp", "type", "lr"}).out,
              "ch 1 hp type Linkwitz-R\nch 1 hp slope 24dB\n");
    // The same value again changes nothing and prints nothing.
    EXPECT_EQ(Run({"set", "ch", "1", "hp", "type", "lr"}).out, "");
}

TEST_F(Cli, ASavedProfileLoadsBackToAnEqualDump) {
    ASSERT_EQ(Run({"set", "ch", "4", "delay", "35cm"}).code, kExitDone);
    const Output before = Run({"dump"});
    const Output saved = Run({"profile", "save", "tuning.spf"});
    ASSERT_EQ(saved.code, kExitDone) << saved.err;
    EXPECT_EQ(saved.out, "Profile saved.\n");

    ASSERT_EQ(Run({"set", "master-volume", "-30"}).code, kExitDone);
    ASSERT_EQ(Run({"set", "ch", "1", "eq", "3", "gain", "6"}).code, kExitDone);
    ASSERT_EQ(Run({"set", "ch", "4", "delay", "0ms"}).code, kExitDone);
    ASSERT_NE(Run({"dump"}).out, before.out);

    const Output loaded = Run({"profile", "load", "tuning.spf"});
    ASSERT_EQ(loaded.code, kExitDone) << loaded.err;
    EXPECT_EQ(Run({"dump"}).out, before.out);

    // A whole profile carries the stored scenes too.
    ASSERT_EQ(Run({"scenes", "save", "2", "Day"}).code, kExitDone);
    const Output whole = Run({"dump"});
    ASSERT_EQ(Run({"profile", "save", "all.wpf"}).code, kExitDone);
    ASSERT_EQ(Run({"scenes", "delete", "2"}).code, kExitDone);
    ASSERT_EQ(Run({"set", "ch", "6", "mute", "on"}).code, kExitDone);
    const Output wholeLoaded = Run({"profile", "load", "all.wpf"});
    ASSERT_EQ(wholeLoaded.code, kExitDone) << wholeLoaded.err;
    // Loading saves all ten scenes on the device, so each of them counts as stored now.
    const JsonPtr expected = Parse(whole.out);
    const JsonPtr actual = Parse(Run({"dump"}).out);
    ASSERT_NE(actual, nullptr);
    const cJSON* scene2 = cJSON_GetArrayItem(cJSON_GetObjectItem(actual.get(), "scenes"), 1);
    EXPECT_STREQ(cJSON_GetStringValue(cJSON_GetObjectItem(scene2, "name")), "Day");
    cJSON_DeleteItemFromObject(expected.get(), "scenes");
    cJSON_DeleteItemFromObject(actual.get(), "scenes");
    EXPECT_TRUE(cJSON_Compare(actual.get(), expected.get(), true));
}

TEST_F(Cli, BadArgumentsAndFilesGiveTwoAndAReason) {
    std::ofstream("junk.spf") << "{ not a profile";
    std::ofstream("junk.state.json") << "[1, 2";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"status", "now"},
        {"--loud", "status"},
        {"get", "ch", "7", "level"},
        {"set", "ch", "1", "level"},
        {"set", "ch", "1", "level", "loud"},
        {"set", "ch", "1", "delay", "3ft"},
        {"scenes", "load", "11"},
        {"scenes", "save", "2"},
        {"profile", "save", "tuning.txt"},
        {"profile", "load", "missing.spf"},
        {"profile", "load", "junk.spf"},
        {"profile", "save", "no/such/folder/x.spf"},
        {"--demo-state", "junk.state.json", "status"},
        {"--demo-state"},
    };
    for (const auto& args : cases) {
        const Output result = Run(args, args.empty() || args[0] != "--demo-state");
        std::string line;
        for (const auto& a : args) {
            line += a + " ";
        }
        EXPECT_EQ(result.code, kExitArguments) << line << result.err;
        EXPECT_TRUE(result.err.starts_with("tonvia-cli: ")) << line << result.err;
        EXPECT_EQ(result.out, "") << line;
    }
    // A bad file leaves the state file it could not read as it was.
    EXPECT_EQ(tonvia::platform::ReadWholeFile("junk.state.json").value_or(""), "[1, 2");
}

TEST_F(Cli, ScenesSaveListLoadAndDelete) {
    ASSERT_EQ(Run({"set", "ch", "1", "level", "-20"}).code, kExitDone);
    const Output saved = Run({"scenes", "save", "3", "Evening"});
    ASSERT_EQ(saved.code, kExitDone) << saved.err;
    EXPECT_EQ(saved.out, "Scene saved.\n");
    // Seven characters, as the name box keeps: the longer name is the same one.
    const Output same = Run({"scenes", "save", "4", "Eveningtide"});
    EXPECT_EQ(same.code, kExitArguments);
    EXPECT_NE(same.err.find("already used by scene 3"), std::string::npos) << same.err;

    ASSERT_EQ(Run({"set", "ch", "1", "level", "-40"}).code, kExitDone);
    const Output list = Run({"--json", "scenes", "list"});
    const JsonPtr scenes = Parse(list.out);
    ASSERT_NE(scenes, nullptr) << list.out;
    const cJSON* third = cJSON_GetArrayItem(scenes.get(), 2);
    EXPECT_STREQ(cJSON_GetStringValue(cJSON_GetObjectItem(third, "name")), "Evening");
    EXPECT_TRUE(cJSON_IsTrue(cJSON_GetObjectItem(third, "stored")));

    ASSERT_EQ(Run({"scenes", "load", "3"}).code, kExitDone);
    EXPECT_EQ(Run({"get", "ch", "1", "level"}).out, "-20.0dB\n");
    ASSERT_EQ(Run({"scenes", "delete", "3"}).code, kExitDone);
    EXPECT_EQ(Run({"scenes", "list"}).out.find("Evening"), std::string::npos);
}

// A profile compared with the amplifier: in step right after saving, then exactly the
// parameters changed since, numbered as on the page.
TEST_F(Cli, DiffListsWhatTheAmplifierChangedSinceTheFile) {
    const std::string file = mState + ".spf";
    ASSERT_EQ(Run({"profile", "save", file}).code, kExitDone);
    const Output same = Run({"diff", file});
    EXPECT_EQ(same.code, kExitDone) << same.err;
    EXPECT_EQ(same.out, "");
    ASSERT_EQ(Run({"set", "ch", "2", "eq", "7", "gain", "-2.5"}).code, kExitDone);
    const Output changed = Run({"diff", file});
    EXPECT_EQ(changed.code, kExitDiffers);
    EXPECT_EQ(changed.out, "ch 2 band 7 eq.gain: amplifier -2.5, file 0\n");
    EXPECT_EQ(Run({"diff"}).code, kExitArguments);
    EXPECT_EQ(Run({"diff", "missing.spf"}).code, kExitArguments);
    // Read twice from an amplifier nobody changes meanwhile: the reads agree.
    const Output verify = Run({"verify"});
    EXPECT_EQ(verify.code, kExitDone) << verify.err;
    EXPECT_EQ(verify.out, "");
    EXPECT_EQ(Run({"verify", "now"}).code, kExitArguments);
}

TEST_F(Cli, TraceShowsTheFramesOfASet) {
    const Output set = Run({"--trace", "set", "master-volume", "-12"});
    ASSERT_EQ(set.code, kExitDone) << set.err;
    EXPECT_EQ(set.out, "master-volume -12dB\n");
    // Main_Volume_Ctrl with 6 - (-12) = 18, each line with its time and direction.
    EXPECT_NE(set.err.find(" ms write 00 aa 55 04 01 02 bb 12"), std::string::npos) << set.err;
    EXPECT_NE(set.err.find(" ms read  aa 55"), std::string::npos);
    EXPECT_EQ(Run({"set", "master-volume", "-12"}).err, "");  // no trace unless asked
}

TEST_F(Cli, TheExecutableSharesTheStateBetweenRuns) {
    const std::string cli = std::string(TONVIA_CLI_PATH) + " --demo-state " + mState + " ";
    ASSERT_EQ(std::system((cli + "set ch 5 phase on > set.txt").c_str()), 0);
    ASSERT_EQ(std::system((cli + "--json get ch 5 phase > get.txt").c_str()), 0);
    EXPECT_EQ(tonvia::platform::ReadWholeFile("set.txt").value_or(""), "ch 5 phase on\n");
    EXPECT_EQ(tonvia::platform::ReadWholeFile("get.txt").value_or(""),
              "{\"parameter\": \"ch 5 phase\", \"value\": \"on\"}\n");
    EXPECT_EQ(AmplifierState().scenes[0].phase[4], 1);
    EXPECT_EQ(std::system((cli + "set ch 9 phase on 2> /dev/null").c_str()) >> 8, kExitArguments);
    EXPECT_EQ(std::system((std::string(TONVIA_CLI_PATH) + " --help > help.txt").c_str()), 0);
    EXPECT_EQ(tonvia::platform::ReadWholeFile("help.txt").value_or(""), UsageText());
}

// A channel's bands from REW filter text and back: what was taken and limited is printed,
// the amplifier holds the bands, and the exported file imports to the same bands.
TEST_F(Cli, EqImportAndExportGoThroughTheAmplifier) {
    std::ofstream("room.txt") << "Filter Settings file\n"
                                 "Filter 1: ON PK Fc 63 Hz Gain -4.0 dB Q 2.00\n"
                                 "Filter 2: ON HS Fc 8000 Hz Gain 2.0 dB\n"
                                 "Filter 3: ON PK Fc 250 Hz Gain 14.0 dB Q 1.00\n"
                                 "Preamp: -3 dB\n";
    const Output imported = Run({"eq", "import", "3", "room.txt"});
    ASSERT_EQ(imported.code, kExitDone) << imported.err;
    EXPECT_TRUE(imported.out.starts_with(
        "line 3: high shelf filter not taken: only peaking filters are imported\n"
        "line 4: gain 14 dB limited to 12.0 dB\n"
        "ch 3 level -3.0dB\n"
        "ch 3 eq 1 freq 63\n"))
        << imported.out;
    EXPECT_EQ(AmplifierState().scenes[0].eq[2][1].gainTenths, 300);  // +12 dB

    const Output exported = Run({"eq", "export", "3", "ch3.txt"});
    ASSERT_EQ(exported.code, kExitDone) << exported.err;
    EXPECT_EQ(exported.out, "ch 3 written to ch3.txt\n");
    const Output again = Run({"eq", "import", "3", "ch3.txt"});
    EXPECT_EQ(again.code, kExitDone) << again.err;
    EXPECT_EQ(again.out, "");  // nothing left to change

    std::ofstream("empty.txt") << "# nothing here\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"eq", "import", "7", "room.txt"},
          {"eq", "export", "1"},
          {"eq", "import", "1", "missing.txt"},
          {"eq", "import", "1", "empty.txt"},
          {"eq", "export", "1", "no/such/folder/x.txt"}}) {
        const Output bad = Run(args);
        EXPECT_EQ(bad.code, kExitArguments) << args[1] << " " << args.back();
        EXPECT_TRUE(bad.err.starts_with("tonvia-cli: ")) << bad.err;
    }
}

}  // namespace
