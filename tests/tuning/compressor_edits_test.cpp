// The compressors dialog's rules: clamps to the slider, the step grid, the focus grid, and
// the queued command reaching the virtual amplifier.
#include "tuning/compressor_edits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/virtual_amplifier.h"

namespace {

using namespace tonvia::tuning;

TEST(CompressorEdits, TypedValuesAreClampedToTheSliderAndReachTheAmplifier) {
    tonvia::sim::VirtualAmplifier amp;
    Session session(amp);
    session.Link().OpenHIDDevice();
    session.Link().EnableQueue();
    const SliderRange threshold{0, 960};
    const SliderRange attack{1, 2000};
    struct Case {
        CompressorRow row;
        const char* text;
        SliderRange range;
        int stored;  // slider units
        const char* shown;
    };
    const Case cases[] = {
        {CompressorRow::Threshold, "-5dB", threshold, 0, "0.0dB"},        // below the minimum
        {CompressorRow::Threshold, "12.37dB", threshold, 123, "12.3dB"},  // first decimal kept
        {CompressorRow::Threshold, "500", threshold, 960, "96.0dB"},
        {CompressorRow::Attack, "25.9ms", attack, 25, "25ms"},
        {CompressorRow::Attack, "ms", attack, 25, "25ms"},  // no number: kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const int stored = CommitCompressorText(session, 2, c.row, c.text, c.range);
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(CompressorText(c.row, stored), c.shown);
        EXPECT_EQ(CompressorSliderValue(session.Model().live, 2, c.row), c.stored);
    }
    SetCompressorSlider(session, 4, CompressorRow::Release, 2500, {100, 5000});
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!session.Link().IsQueueIdle() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto device = amp.Snapshot().scenes[0].compressor2;
    EXPECT_EQ(device[2].thresholdInt, 96);
    EXPECT_EQ(device[2].attackMs, 25);
    EXPECT_EQ(device[4].releaseSeconds, 2);
    EXPECT_EQ(device[4].releaseTenths, 5);
    session.Link().CloseHIDDevice(false);
}

TEST(CompressorEdits, StepsLandOnTheirGridAndTheFocusWrapsRoundTheRows) {
    const SliderRange range{1, 2000};
    EXPECT_EQ(StepCompressorSlider(25, true, 10, range), 30);
    EXPECT_EQ(StepCompressorSlider(25, false, 10, range), 10);
    EXPECT_EQ(StepCompressorSlider(2000, true, 10, range), 2000);  // at the maximum: nothing
    EXPECT_EQ(StepCompressorSlider(1995, true, 10, range), 2000);  // clamped
    EXPECT_EQ(StepCompressorSlider(641, true, 1, {0, 960}), 642);
    EXPECT_EQ(NextCompressorEdit(2, 5, true), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(NextCompressorEdit(0, 0, false), (std::pair<int, int>{2, 5}));
    EXPECT_EQ(NextCompressorEdit(1, 3, true), (std::pair<int, int>{1, 4}));
    EXPECT_EQ(CompressorRowOfName("edit_attack_time_3"), 1);
    EXPECT_EQ(CompressorRowOfName("box_enable_3"), -1);
}

}  // namespace
