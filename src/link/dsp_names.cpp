#include "link/dsp_names.h"

#include <array>

namespace {

constexpr std::array<const char*, DSP_NAME_COUNT> kNames = {
    "DSP_SOURCE_CONFIG",                  // 0x00
    "DSP_SOURCE_SWITCH",                  // 0x01
    "DSP_VOLUME",                         // 0x02
    "DSP_SUBWOOFER_VOLUME",               // 0x03
    "DSP_MUTE",                           // 0x04
    "DSP_FILTER_SET",                     // 0x05
    "DSP_EQ_CH",                          // 0x06
    "DSP_DELAY_CH",                       // 0x07
    "DSP_TRIM_CH",                        // 0x08
    "DSP_MUTE_CH",                        // 0x09
    "DSP_PHASE_CH",                       // 0x0A
    "DSP_MIX_CH",                         // 0x0B
    "DSP_REMAP_CH",                       // 0x0C
    "DSP_CH_TYPE",                        // 0x0D
    "DSP_CH_LINK",                        // 0x0E
    "DSP_CH_LOCK",                        // 0x0F
    "DSP_BYPASS",                         // 0x10
    "DSP_EQ_RESET",                       // 0x11
    "DSP_EQ_BYPASS",                      // 0x12
    "DSP_IRC_CTRL",                       // 0x13
    "DSP_IRC_DISTANCE",                   // 0x14
    "DSP_IRC_TRIM",                       // 0x15
    "DSP_IRC_EQ",                         // 0x16
    "DSP_IRC_SPK_SIZE",                   // 0x17
    "DSP_IRC_SPK_PHASE",                  // 0x18
    "DSP_IRC_SPK_LEVEL",                  // 0x19
    "DSP_IRC_SPECTRUM",                   // 0x1A
    "DSP_IRC_NOISE_LEVEL",                // 0x1B
    "DSP_IRC_RTA",                        // 0x1C
    "DSP_IRC_TEST_MIC",                   // 0x1D
    "DSP_IRC_SEL_TEST_MODULE",            // 0x1E
    "31",                                 // 0x1F
    "DSP_INPUT_TRIM_CH",                  // 0x20
    "DSP_INPUT_CH_MUTE",                  // 0x21
    "DSP_INPUT_CH_PHASE",                 // 0x22
    "DSP_INPUT_EQ_CH",                    // 0x23
    "DSP_INPUT_MIX_CH_TRIM",              // 0x24
    "DSP_INPUT_MIX_CH_PHASE",             // 0x25
    "DSP_INPUT_THRESHOLD",                // 0x26
    "DSP_INPUT_NOISE",                    // 0x27
    "DSP_INPUT_MIX_CH_TRIM2",             // 0x28
    "41",                                 // 0x29
    "42",                                 // 0x2A
    "43",                                 // 0x2B
    "44",                                 // 0x2C
    "45",                                 // 0x2D
    "46",                                 // 0x2E
    "47",                                 // 0x2F
    "DSP_CH_TRIM_LINK",                   // 0x30
    "DSP_CH_DELAY_LINK",                  // 0x31
    "DSP_SEL_REMOTE_CH",                  // 0x32
    "DSP_REMOTE_CH_VOLUME",               // 0x33
    "DSP_CH_SOLO",                        // 0x34
    "DSP_SPK_CH_CONFIG",                  // 0x35
    "DSP_MIX_TYPE",                       // 0x36
    "DSP_HPF_Q_FACT_MODE",                // 0x37
    "DSP_LPF_Q_FACT_MODE",                // 0x38
    "DSP_FACTORY_PRESET",                 // 0x39
    "DSP_SETUP_MODE",                     // 0x3A
    "DSP_AUTO_EFFECTION_ON_OFF_CONTROL",  // 0x3B
    "DSP_IRC_ACTIVE_BYPASS_CONTROL",      // 0x3C
    "DSP_CS_AUTO_SETTING",                // 0x3D
    "DSP_COMPRESSOR_SETTING",             // 0x3E
    "DSP_AMP_MUTE",                       // 0x3F
    "DSP_INPUT_CH_DISTORT",               // 0x40
    "DSP_OUTPUT_CH_DISTORT",              // 0x41
    "DSP_MEM_DATA",                       // 0x42
    "DSP_SPK_DIST",                       // 0x43
    "DSP_MIX_SOURCE_SWITCH",              // 0x44
    "DSP_REM_OUT",                        // 0x45
    "DSP_DSP_STATUS",                     // 0x46
    "DSP_CROSS_SOURCE_MIX",               // 0x47
    "0x48",                               // 0x48
    "DSP_COMPRESSOR_ON_CH",               // 0x49
    "DSP_COMPRESSOR_SETTING2",            // 0x4A
    "DSP_SPK_OHM",                        // 0x4B
    "DSP_OUPUT_BRIDGE",                   // 0x4C
    "DSP_CROSS_SOURCE_MIX_CS47048",       // 0x4D
    "DSP_NOISE_GATE",                     // 0x4E
};

}  // namespace

const char* DspCommandName(std::uint8_t code) {
    if (code < kNames.size()) {
        return kNames[code];
    }
    return code == DSP_MIX_TYPE2 ? "DSP_MIX_TYPE2" : nullptr;
}
