// The virtual amplifier's state file: everything it keeps comes back, and a damaged file is
// refused with a message that says where.
#include <gtest/gtest.h>

#include "sim/state_json.h"

namespace {

using tonvia::sim::DeviceState;
using tonvia::sim::DeviceStateFromJson;
using tonvia::sim::DeviceStateToJson;
using tonvia::sim::FactoryState;

DeviceState Changed() {
    DeviceState s = FactoryState();
    s.model = 76;
    s.mainVersion = 3;
    s.bootLoaderMode = true;
    s.acc = -7;
    s.powerOffDelayMs = 65535;
    s.password = {'p', 'w'};
    s.dataBlock = {0, 255};
    s.mainVolume = -60;
    s.inputThreshold = -128;
    s.remoteChannel = 0xBEEF;
    s.memory[0xFFFFFFFF] = 0x80000000;
    s.memory[0] = 1;
    s.inputNoiseTenths[2] = -32768;
    s.karaoke[4] = 32767;
    s.karaoke[8] = -12;
    s.scenes[10].eq[5][30] = {20000, 1999, 360};
    s.scenes[4].compressor2[1] = {-30, -9, 200, 5, 9};
    s.scenes[7].link = {1, {1, 1, 1, 0, 0, 0, 0, 1}};
    s.scenes[3].inputEq[8][5][0] = {33, 44, 55};
    s.scenes[2].crossMixCs[8][5] = {8, 3, 0};
    s.scenes[1].bridgeCount = 20;
    s.scenes[1].bridge.fill(7);
    s.sceneNames[6] = {'A', 'b', 0};
    s.validMask = 0x3FF;
    s.currentScene = 10;
    s.sceneProfiles[9].assign(tonvia::sim::kSceneProfileSize, 0x5A);
    // Not kept: a connection, a calibration run and received images are of this run only.
    s.pcConnected = true;
    s.calibration.running = true;
    s.images.emplace_back();
    return s;
}

void ExpectSameKept(const DeviceState& a, const DeviceState& b) {
    // The text form covers every kept field, so equal texts mean equal kept states.
    EXPECT_EQ(DeviceStateToJson(a), DeviceStateToJson(b));
}

TEST(StateJson, EverythingKeptComesBack) {
    const DeviceState original = Changed();
    std::string error;
    const auto restored = DeviceStateFromJson(DeviceStateToJson(original), &error);
    ASSERT_TRUE(restored) << error;
    ExpectSameKept(*restored, original);
    EXPECT_EQ(restored->scenes[10].eq[5][30].qHundredths, 1999);
    EXPECT_EQ(restored->memory.at(0xFFFFFFFF), 0x80000000u);
    EXPECT_EQ(restored->sceneProfiles[9], original.sceneProfiles[9]);
    EXPECT_TRUE(restored->bootLoaderMode);
    EXPECT_FALSE(restored->pcConnected);
    EXPECT_FALSE(restored->calibration.running);
    EXPECT_TRUE(restored->images.empty());
    // The file differs from the factory state where the state does.
    EXPECT_NE(DeviceStateToJson(FactoryState()), DeviceStateToJson(original));
}

TEST(StateJson, MissingKeysKeepTheFactoryValues) {
    std::string error;
    const auto state = DeviceStateFromJson(
        R"({"format": "tonvia-virtual-amplifier", "version": 1, "mainVolume": -20})", &error);
    ASSERT_TRUE(state) << error;
    EXPECT_EQ(state->mainVolume, -20);
    DeviceState expected = FactoryState();
    expected.mainVolume = -20;
    ExpectSameKept(*state, expected);
}

TEST(StateJson, DamagedTextIsRefusedWithItsPlace) {
    const std::string head = R"({"format": "tonvia-virtual-amplifier", "version": 1, )";
    struct Case {
        std::string text;
        std::string error;  // the start of the message
    };
    const Case cases[] = {
        {"", "not valid JSON"},
        {head + R"("model": 77)", "not valid JSON"},  // cut short
        {head + R"("model": 77} trailing)", "text after the JSON object"},
        {"[1, 2]", "expected a JSON object"},
        {R"({"format": "other", "version": 1})", "format"},
        {R"({"format": "tonvia-virtual-amplifier", "version": 2})", "version"},
        {head + R"("model": 256})", "model: expected an integer from 0 to 255"},
        {head + R"("mainVolume": -129})", "mainVolume: expected an integer from -128 to 127"},
        {head + R"("acc": 1.5})", "acc: expected an integer"},
        {head + R"("model": "77"})", "model: expected an integer"},
        {head + R"("bootLoaderMode": 1})", "bootLoaderMode: expected true or false"},
        {head + R"("flashVersion": [1, 2, 3]})", "flashVersion: expected an array of 4 entries"},
        {head + R"("password": "6162z0"})", "password: expected a string of hex digits"},
        {head + R"("password": "616"})", "password: expected an even number"},
        {head + R"("password": "00000000000000000000000000"})", "password: longer than 12"},
        {head + R"("memory": [[1]]})", "memory[0]: expected an array of 2 entries"},
        {head + R"("scenes": {}})", "scenes: expected an array of 11 entries"},
        {head + R"("currentScene": 11})", "currentScene"},
        {head + R"("validMask": 2048})", "validMask"},
        {head + R"("sceneProfiles": ["00", "", "", "", "", "", "", "", "", "", ""]})",
         "sceneProfiles[0]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_FALSE(DeviceStateFromJson(c.text, &error));
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
    }
}

TEST(StateJson, ErrorsInsideScenesNameTheIndex) {
    DeviceState state = FactoryState();
    std::string text = DeviceStateToJson(state);
    // Make the first EQ band of the working set's first channel a bad record.
    const std::string band = "[20, 580, 180]";
    const auto at = text.find(band);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, band.size(), "[20, 580]");
    std::string error;
    EXPECT_FALSE(DeviceStateFromJson(text, &error));
    EXPECT_EQ(error, "scenes[0].eq[0][0]: expected an array of 3 entries");

    text = DeviceStateToJson(state);
    text.replace(text.find(band), band.size(), "[20, 580, -1]");
    EXPECT_FALSE(DeviceStateFromJson(text, &error));
    EXPECT_EQ(error, "scenes[0].eq[0][0][2]: expected an integer from 0 to 65535");
}

}  // namespace
