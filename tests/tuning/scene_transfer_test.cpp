// Scene profiles and whole profiles moved between the model and the virtual amplifier.
#include "tuning/scene_transfer.h"

#include <gtest/gtest.h>

#include <chrono>

#include "sim/virtual_amplifier.h"
#include "tuning/session.h"

namespace {

using tonvia::tuning::Session;

TEST(SceneTransfer, TheWorkingSceneTakesTheWholeRecordWithTheRoutingOfEverySource) {
    tonvia::sim::VirtualAmplifier amp;
    Session session(amp);
    CHidDevice& link = session.Link();
    link.OpenHIDDevice();
    link.EnableQueue();

    SceneConfig record;
    record.mainVolume = -12;
    record.mainVolumeMute = 1;
    record.inputSource = 2;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        OutChannel& c = record.channels[static_cast<std::size_t>(ch)];
        c.gain = -1.5f * static_cast<float>(ch);
        c.delay = 0.25f * static_cast<float>(ch);
        c.mute = ch % 2;
        c.phase = ch == 3 ? 1 : 0;
        c.bypass = ch == 4 ? 1 : 0;
        c.crossover.hp.SetFs(60 + ch);
        c.crossover.hp.SetSlope(2);
        c.eqArray[7].gain = -3.5f;
        c.eqArray[9] = EqBand{4.0f, 2.5f, 1800, 0};  // disabled: plays flat
    }
    record.outputs = {1, 7, 15, 18, 22, 23};
    record.inputs[0][5] = 0x2;  // a source other than the current one
    record.inputMixVolume[5][3][1] = 40;

    const auto result = tonvia::tuning::SetReadCurProfileToMCU(link, record);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.answered, result.sent);
    EXPECT_TRUE(link.IsQueueEnabled());

    const tonvia::sim::DeviceState d = amp.Snapshot();
    const tonvia::sim::SceneParams& s = d.scenes[0];
    EXPECT_EQ(d.mainVolume, -12);
    EXPECT_EQ(d.mute, 1);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        SCOPED_TRACE(ch);
        const auto i = static_cast<std::size_t>(ch);
        EXPECT_EQ(s.trimHundredths[i], 150 * ch);
        EXPECT_EQ(s.delayThousandths[i], static_cast<std::uint32_t>(250 * ch));
        EXPECT_EQ(s.mute[i], ch % 2);
        EXPECT_EQ(s.channelType[i], record.outputs[i]);
        EXPECT_EQ(s.highPass[i].freq, 60 + ch);
        EXPECT_EQ(s.eq[i][7].gainTenths, 145);
        EXPECT_EQ(s.eq[i][9].gainTenths, 180);
        EXPECT_EQ(s.eq[i][9].freq, 1800);
    }
    EXPECT_EQ(s.phase[3], 1);
    EXPECT_EQ(s.peqBypass[4], 1);
    EXPECT_EQ(s.mix[0][5], 0x2);
    EXPECT_EQ(s.inputMixTrim[5][3][1], 40);
    link.CloseHIDDevice(false);
}

TEST(SceneTransfer, AStopEndsAfterTheCommandInFlightAndAClosedLinkKeepsTheQueueOff) {
    tonvia::sim::VirtualAmplifier amp;
    Session session(amp);
    CHidDevice& link = session.Link();
    link.OpenHIDDevice();
    const std::atomic<bool> stop{true};
    const auto stopped = tonvia::tuning::SetReadCurProfileToMCU(link, SceneConfig{}, &stop);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.sent, 0);

    link.CloseHIDDevice(false);
    const auto offline = tonvia::tuning::SetReadCurProfileToMCU(link, SceneConfig{});
    EXPECT_EQ(offline.answered, 0);
    EXPECT_FALSE(link.IsQueueEnabled());
}

// Ten stored scenes that differ from each other and from the defaults, named in Chinese.
ModelSet DistinctProfile() {
    ModelSet profile;
    profile.nameCodePage = "GBK";
    const std::wstring names[] = {L"Club", L"低音炮", L"",  L"1234567", L"Night",
                                  L"Live", L"Bass",   L"x", L"Show",    L"Ten"};
    for (int k = 0; k < kStoredSceneCount; ++k) {
        SceneConfig& scene = profile.stored[static_cast<std::size_t>(k)];
        profile.sceneNames[static_cast<std::size_t>(k)] = names[k];
        scene.lockMode = k % 2;
        scene.outputs = {1 + k % 3, 7, 15, 18, 22, 23};
        constexpr int kMixedSources[] = {0, 2, 3, 5, 7, 8};  // the sources with mix levels
        const auto source = static_cast<std::size_t>(kMixedSources[k % 6]);
        scene.inputs[source][1] = 0x3;
        scene.inputMixVolume[source][0][1] = kMixLevelMax;  // a routed input plays
        scene.inputMixVolume[source][1][1] = kMixLevelMax;
        scene.inputMixVolume[5][2][static_cast<std::size_t>(k % kOutChannelCount)] = 10 + k;
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            OutChannel& c = scene.channels[static_cast<std::size_t>(ch)];
            c.gain = -0.5f * static_cast<float>(k + ch);
            c.delay = 0.125f * static_cast<float>(k);
            c.mute = (k + ch) % 2;
            c.eqArray[static_cast<std::size_t>(k)].gain = 3.0f;
            c.crossover.lp.SetFs(12000 - 100 * k);
        }
    }
    profile.live.mainVolume = -20;
    return profile;
}

// What a whole profile carries of a stored scene, as the device holds it.
void ExpectSameStoredScenes(const tonvia::sim::DeviceState& a, const tonvia::sim::DeviceState& b) {
    for (int k = 1; k <= kStoredSceneCount; ++k) {
        SCOPED_TRACE(k);
        const auto& x = a.scenes[static_cast<std::size_t>(k)];
        const auto& y = b.scenes[static_cast<std::size_t>(k)];
        EXPECT_EQ(x.trimHundredths, y.trimHundredths);
        EXPECT_EQ(x.delayThousandths, y.delayThousandths);
        EXPECT_EQ(x.mute, y.mute);
        EXPECT_EQ(x.channelType, y.channelType);
        EXPECT_EQ(x.lowPass[0].freq, y.lowPass[0].freq);
        EXPECT_EQ(x.eq[2][static_cast<std::size_t>(k - 1)].gainTenths,
                  y.eq[2][static_cast<std::size_t>(k - 1)].gainTenths);
        EXPECT_EQ(x.lock, y.lock);
        EXPECT_EQ(x.mix, y.mix);
        EXPECT_EQ(x.inputMixTrim, y.inputMixTrim);
        EXPECT_EQ(a.sceneNames[static_cast<std::size_t>(k)],
                  b.sceneNames[static_cast<std::size_t>(k)]);
    }
    EXPECT_EQ(a.validMask, b.validMask);
}

TEST(SceneTransfer, AWholeProfileReadFromOneAmplifierAndWrittenToAnotherLeavesThemEqual) {
    tonvia::sim::VirtualAmplifier first;
    tonvia::sim::VirtualAmplifier second;
    first.SetFullSpeed();
    second.SetFullSpeed();
    Session from(first);
    Session to(second);
    from.Model().nameCodePage = "GBK";
    from.Link().OpenHIDDevice();
    to.Link().OpenHIDDevice();
    const ModelSet profile = DistinctProfile();
    ASSERT_TRUE(tonvia::tuning::SetReadWholeProfileToMCU(from.Link(), profile).Complete());

    std::vector<int> reached;
    std::array<tonvia::tuning::StateReadPlan, kStoredSceneCount> plans{};
    for (auto& plan : plans) {
        plan.bandCounts.fill(kEqBandCount);
    }
    const auto read = tonvia::tuning::ReadAllScenes(
        from.Link(), plans, [&](int scene) { reached.push_back(scene); }, nullptr,
        std::chrono::milliseconds(0));
    EXPECT_TRUE(read.Complete());
    EXPECT_EQ(reached, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    from.ProcessReports();
    const ModelSet& got = from.Model();
    EXPECT_EQ(got.sceneNames, profile.sceneNames);
    for (int k = 0; k < kStoredSceneCount; ++k) {
        SCOPED_TRACE(k);
        const SceneConfig& a = got.stored[static_cast<std::size_t>(k)];
        const SceneConfig& b = profile.stored[static_cast<std::size_t>(k)];
        EXPECT_EQ(a.lockMode, b.lockMode);
        EXPECT_EQ(a.outputs, b.outputs);
        EXPECT_EQ(a.inputs, b.inputs);
        EXPECT_EQ(a.inputMixVolume, b.inputMixVolume);
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            const auto c = static_cast<std::size_t>(ch);
            EXPECT_FLOAT_EQ(a.channels[c].gain, b.channels[c].gain);
            EXPECT_FLOAT_EQ(a.channels[c].delay, b.channels[c].delay);
            EXPECT_EQ(a.channels[c].mute, b.channels[c].mute);
            EXPECT_EQ(a.channels[c].crossover.lp.fs, b.channels[c].crossover.lp.fs);
            EXPECT_FLOAT_EQ(a.channels[c].eqArray[static_cast<std::size_t>(k)].gain, 3.0f);
        }
    }

    ASSERT_TRUE(tonvia::tuning::SetReadWholeProfileToMCU(to.Link(), got).Complete());
    ExpectSameStoredScenes(first.Snapshot(), second.Snapshot());
    EXPECT_TRUE(to.Link().IsQueueEnabled());
}

TEST(SceneTransfer, AnUnplugOrADroppedReplyEndsAWholeTransferIncomplete) {
    tonvia::sim::VirtualAmplifier amp;
    amp.SetFullSpeed();
    Session session(amp);
    CHidDevice& link = session.Link();
    link.OpenHIDDevice();
    std::array<tonvia::tuning::StateReadPlan, kStoredSceneCount> plans{};

    // One reply lost: its request waits out its time, the rest goes on, and the result says so.
    amp.DropReplies(1);
    const auto dropped =
        tonvia::tuning::ReadAllScenes(link, plans, {}, nullptr, std::chrono::milliseconds(0));
    EXPECT_FALSE(dropped.Complete());
    EXPECT_FALSE(dropped.disconnected);
    EXPECT_EQ(dropped.answered, dropped.sent - 1);

    // Unplugged at scene 3 (the page closes the link on the removal): nothing more is
    // sent and the queue stays off.
    const auto unplugged =
        tonvia::tuning::SetReadWholeProfileToMCU(link, DistinctProfile(), [&](int scene) {
            if (scene == 3) {
                amp.Unplug();
                link.CloseHIDDevice(false);
            }
        });
    EXPECT_TRUE(unplugged.disconnected);
    EXPECT_FALSE(unplugged.Complete());
    EXPECT_EQ(unplugged.answered + 1, unplugged.sent);  // only the one in flight failed
    EXPECT_FALSE(link.IsQueueEnabled());
}

TEST(SceneTransfer, SceneNamesFitTheDeviceFieldInTheLanguagesCodePage) {
    struct Case {
        std::wstring name;
        const char* codePage;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {L"Club", "WINDOWS-1252", {'C', 'l', 'u', 'b'}},
        {L"1234567", "WINDOWS-1252", {'1', '2', '3', '4', '5', '6', '7'}},
        {L"12345678", "WINDOWS-1252", {'1', '2', '3', '4', '5', '6', '7'}},  // seven at most
        {L"Бас", "WINDOWS-1251", {0xC1, 0xE0, 0xF1}},
        {L"低音", "GBK", {0xB5, 0xCD, 0xD2, 0xF4}},
        {L"低音低音低音低音",
         "GBK",  // seven wide characters, 14 bytes, terminator kept
         {0xB5, 0xCD, 0xD2, 0xF4, 0xB5, 0xCD, 0xD2, 0xF4, 0xB5, 0xCD, 0xD2, 0xF4, 0xB5, 0xCD}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        const auto field = tonvia::tuning::SceneNameToDevice(c.name, c.codePage);
        std::vector<std::uint8_t> expected = c.bytes;
        expected.resize(field.size(), 0);
        EXPECT_EQ(std::vector<std::uint8_t>(field.begin(), field.end()), expected);
    }
}

}  // namespace
