#include "state_read.h"

#include "model/positions.h"

namespace e2e {

namespace {
constexpr int kOutputs = 6;
constexpr int kSources = 9;
constexpr int kBands = 31;
constexpr int kEqGroup = 7;  // bands per EQ request
constexpr int kStoredScenes = 10;
constexpr int kBridgePairs = 3;
}  // namespace

StateReadResult ReadWholeState(CHidDevice& d) {
    StateReadResult result;
    auto ask = [&](bool answered) {
        ++result.requests;
        result.answered += answered ? 1 : 0;
    };
    const int last = kOutputs - 1;

    ask(d.Get_Source());
    ask(d.Get_Main_Volume());
    ask(d.Get_Acc());
    ask(d.Get_Subwoofer_Volume());
    ask(d.Get_Mute());
    ask(d.Get_Amp_Mute());
    ask(d.Get_Rem_Out());
    ask(d.Get_Spk_Ohm());
    ask(d.Get_Noise_Gate());
    ask(d.Get_Speaker_Config());
    ask(d.GetSceneValid());
    ask(d.Get_Delay(0, 0, 0, last));
    ask(d.Get_CH_Type(0, 0, 0, last));
    ask(d.Get_Ch_Solo(0, 0, 0, last));
    ask(d.Get_CH_Link(0));
    ask(d.Get_CH_Lock(0));
    ask(d.Get_Filter(0, 0, 0, 3));
    ask(d.Get_Filter(0, 0, 4, 7));
    ask(d.Get_PEQ_Bypass(0, 0, 0, last));
    for (int ch = 0; ch < kOutputs; ++ch) {
        for (int first = 0; first < kBands; first += kEqGroup) {
            ask(d.Get_EQ(0, 0, ch, first, std::min(first + kEqGroup - 1, kBands - 1)));
        }
    }
    ask(d.Get_Trim(0, 0, 0, last));
    ask(d.Get_Mute_Ch(0, 0, 0, last));
    ask(d.Get_Phase(0, 0, 0, last));
    ask(d.Get_Ch_Solo(0, 0, 0, last));
    for (int source = 0; source < kSources; ++source) {
        ask(d.Get_Mix_Ch(0, source, 0, last));
    }
    for (int source = 0; source < kSources; ++source) {
        for (int input = 0; input < SourceInputCount(source); ++input) {
            ask(d.Get_Input_Mix_CH_Trim(0, source, input, 0, last));
        }
    }
    for (int source = 0; source < kSources; ++source) {
        for (int input = 0; input < SourceInputCount(source); ++input) {
            ask(d.Get_Mix_Source2(0, source, input));
        }
    }
    ask(d.Get_Input_Threshold(0, 0, true));
    for (int slot = 1; slot <= kStoredScenes; ++slot) {
        ask(d.GetSceneName(slot));
    }
    ask(d.Get_Ouput_Bridge(0, 0, kBridgePairs));
    return result;
}

}  // namespace e2e
