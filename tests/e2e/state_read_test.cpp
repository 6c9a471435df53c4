// The connection's whole-state read against the virtual amplifier.
#include <utility>

#include "commands/command_codes.h"
#include "e2e_fixture.h"
#include "model/positions.h"
#include "state_read.h"

namespace e2e {
namespace {

class StateReadTest : public AmplifierLinkTest {
  protected:
    StateReadTest() {
        amp.Edit(Vary);
        link.PC_Connect(1);
        EXPECT_TRUE(link.Hand_Connect());
        Take();
        amp.ClearRequests();
    }
};

// The (packet type, code) sequence of the read, written out from the request list.
std::vector<std::pair<int, int>> ExpectedOrder() {
    std::vector<std::pair<int, int>> order = {{CMD_DSP, DSP_SOURCE_SWITCH},
                                              {CMD_DSP, DSP_VOLUME},
                                              {CMD_MCU, MCU_ACC},
                                              {CMD_DSP, DSP_SUBWOOFER_VOLUME},
                                              {CMD_DSP, DSP_MUTE},
                                              {CMD_DSP, DSP_AMP_MUTE},
                                              {CMD_DSP, DSP_REM_OUT},
                                              {CMD_DSP, DSP_SPK_OHM},
                                              {CMD_DSP, DSP_NOISE_GATE},
                                              {CMD_DSP, DSP_SPK_CH_CONFIG},
                                              {CMD_FLASH, FLASH_SCENE_VALID},
                                              {CMD_DSP, DSP_DELAY_CH},
                                              {CMD_DSP, DSP_CH_TYPE},
                                              {CMD_DSP, DSP_CH_SOLO},
                                              {CMD_DSP, DSP_CH_LINK},
                                              {CMD_DSP, DSP_CH_LOCK},
                                              {CMD_DSP, DSP_FILTER_SET},
                                              {CMD_DSP, DSP_FILTER_SET},
                                              {CMD_DSP, DSP_EQ_BYPASS}};
    order.insert(order.end(), 30, {CMD_DSP, DSP_EQ_CH});
    for (const int code : {DSP_TRIM_CH, DSP_MUTE_CH, DSP_PHASE_CH, DSP_CH_SOLO}) {
        order.emplace_back(CMD_DSP, code);
    }
    order.insert(order.end(), 9, {CMD_DSP, DSP_MIX_CH});
    order.insert(order.end(), 14, {CMD_DSP, DSP_INPUT_MIX_CH_TRIM});
    order.insert(order.end(), 14, {CMD_DSP, DSP_CROSS_SOURCE_MIX});
    order.emplace_back(CMD_DSP, DSP_INPUT_THRESHOLD);
    order.insert(order.end(), 10, {CMD_FLASH, FLASH_SCENE_NAME});
    order.emplace_back(CMD_DSP, DSP_OUPUT_BRIDGE);
    return order;
}

TEST_F(StateReadTest, EveryRequestIsAnsweredInOrder) {
    const auto before = amp.GetCounters();
    const StateReadResult result = ReadWholeState(link);
    const auto after = amp.GetCounters();

    EXPECT_EQ(result.requests, 102);
    EXPECT_EQ(result.answered, result.requests);
    EXPECT_EQ(after.requests - before.requests, result.requests);
    EXPECT_EQ(after.replies - before.replies, result.requests);
    EXPECT_EQ(after.rejected, before.rejected);

    std::vector<std::pair<int, int>> sent;
    for (const auto& request : amp.Requests()) {
        sent.emplace_back(request.type, request.subcmd);
    }
    EXPECT_EQ(sent, ExpectedOrder());
}

TEST_F(StateReadTest, WhatIsPostedIsWhatTheAmplifierHolds) {
    ReadWholeState(link);
    const auto posted = Take();
    ExpectAllMatch(posted);

    // Every value of the read arrives: counted per message and code.
    std::map<std::pair<unsigned, std::uintptr_t>, int> counts;
    for (const auto& p : posted) {
        ++counts[{p.message.message, p.message.wParam}];
    }
    auto count = [&](unsigned message, std::uintptr_t code) { return counts[{message, code}]; };
    EXPECT_EQ(count(WM_READ_DSP_VALUE, DSP_EQ_CH), 6 * 31);
    EXPECT_EQ(count(WM_READ_DSP_VALUE, DSP_FILTER_SET), 6);  // 4 … 7 holds channels 4 and 5
    EXPECT_EQ(count(WM_READ_DSP_VALUE, DSP_CH_SOLO), 12);    // asked twice
    EXPECT_EQ(count(WM_READ_DSP_VALUE, DSP_MIX_CH), 9 * 6);
    int inputs = 0;
    for (int source = 0; source < 9; ++source) {
        inputs += SourceInputCount(source);
    }
    EXPECT_EQ(count(WM_READ_DSP_VALUE, DSP_INPUT_MIX_CH_TRIM), inputs);
    EXPECT_EQ(count(WM_READ_DSP_VALUE, DSP_CROSS_SOURCE_MIX), inputs);
    EXPECT_EQ(count(WM_READ_SENCE_VALUE, FLASH_SCENE_NAME), 10);
    EXPECT_EQ(count(WM_READ_SENCE_VALUE, FLASH_SCENE_VALID), 1);
    EXPECT_EQ(count(WM_READ_MCU_VALUE, MCU_ACC), 1);
    EXPECT_EQ(count(WM_READ_DSP_VALUE, DSP_OUPUT_BRIDGE), 1);
    EXPECT_EQ(posted.size(), 347u);
}

TEST_F(StateReadTest, AReadWithoutADeviceFailsEveryRequestAtOnce) {
    amp.Unplug();
    const auto start = std::chrono::steady_clock::now();
    const StateReadResult result = ReadWholeState(link);
    EXPECT_EQ(result.answered, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(Take().empty());
}

}  // namespace
}  // namespace e2e
