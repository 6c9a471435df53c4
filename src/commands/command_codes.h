#pragma once
// Command codes of the DSP (packet type 1), flash (2) and karaoke (7) families.
// Glossary: IRC is the automatic calibration (measurement microphone), KTV the karaoke
// family (microphone, echo, reverb), PEQ/GEQ the parametric and graphic equaliser modes.

#include <cstddef>
#include <cstdint>

#include "link/dsp_names.h"

// DSP codes. 0x1F, 0x29 ... 0x2F and 0x48 have no name.
inline constexpr std::uint8_t DSP_SOURCE_CONFIG = 0x00;
inline constexpr std::uint8_t DSP_SOURCE_SWITCH = 0x01;
inline constexpr std::uint8_t DSP_VOLUME = 0x02;
inline constexpr std::uint8_t DSP_SUBWOOFER_VOLUME = 0x03;
inline constexpr std::uint8_t DSP_MUTE = 0x04;
inline constexpr std::uint8_t DSP_FILTER_SET = 0x05;
inline constexpr std::uint8_t DSP_EQ_CH = 0x06;
inline constexpr std::uint8_t DSP_DELAY_CH = 0x07;
inline constexpr std::uint8_t DSP_TRIM_CH = 0x08;
inline constexpr std::uint8_t DSP_MUTE_CH = 0x09;
inline constexpr std::uint8_t DSP_PHASE_CH = 0x0A;
inline constexpr std::uint8_t DSP_MIX_CH = 0x0B;
inline constexpr std::uint8_t DSP_REMAP_CH = 0x0C;
inline constexpr std::uint8_t DSP_CH_TYPE = 0x0D;
inline constexpr std::uint8_t DSP_CH_LINK = 0x0E;
inline constexpr std::uint8_t DSP_CH_LOCK = 0x0F;
inline constexpr std::uint8_t DSP_BYPASS = 0x10;
inline constexpr std::uint8_t DSP_EQ_RESET = 0x11;
inline constexpr std::uint8_t DSP_EQ_BYPASS = 0x12;
inline constexpr std::uint8_t DSP_IRC_CTRL = 0x13;
inline constexpr std::uint8_t DSP_IRC_DISTANCE = 0x14;
inline constexpr std::uint8_t DSP_IRC_TRIM = 0x15;
inline constexpr std::uint8_t DSP_IRC_EQ = 0x16;
inline constexpr std::uint8_t DSP_IRC_SPK_SIZE = 0x17;
inline constexpr std::uint8_t DSP_IRC_SPK_PHASE = 0x18;
inline constexpr std::uint8_t DSP_IRC_SPK_LEVEL = 0x19;
inline constexpr std::uint8_t DSP_IRC_SPECTRUM = 0x1A;
inline constexpr std::uint8_t DSP_IRC_NOISE_LEVEL = 0x1B;
inline constexpr std::uint8_t DSP_IRC_RTA = 0x1C;
inline constexpr std::uint8_t DSP_IRC_TEST_MIC = 0x1D;
inline constexpr std::uint8_t DSP_IRC_SEL_TEST_MODULE = 0x1E;
inline constexpr std::uint8_t DSP_INPUT_TRIM_CH = 0x20;
inline constexpr std::uint8_t DSP_INPUT_CH_MUTE = 0x21;
inline constexpr std::uint8_t DSP_INPUT_CH_PHASE = 0x22;
inline constexpr std::uint8_t DSP_INPUT_EQ_CH = 0x23;
inline constexpr std::uint8_t DSP_INPUT_MIX_CH_TRIM = 0x24;
inline constexpr std::uint8_t DSP_INPUT_MIX_CH_PHASE = 0x25;
inline constexpr std::uint8_t DSP_INPUT_THRESHOLD = 0x26;
inline constexpr std::uint8_t DSP_INPUT_NOISE = 0x27;
inline constexpr std::uint8_t DSP_INPUT_MIX_CH_TRIM2 = 0x28;
inline constexpr std::uint8_t DSP_CH_TRIM_LINK = 0x30;
inline constexpr std::uint8_t DSP_CH_DELAY_LINK = 0x31;
inline constexpr std::uint8_t DSP_SEL_REMOTE_CH = 0x32;
inline constexpr std::uint8_t DSP_REMOTE_CH_VOLUME = 0x33;
inline constexpr std::uint8_t DSP_CH_SOLO = 0x34;
inline constexpr std::uint8_t DSP_SPK_CH_CONFIG = 0x35;
inline constexpr std::uint8_t DSP_MIX_TYPE = 0x36;
inline constexpr std::uint8_t DSP_HPF_Q_FACT_MODE = 0x37;
inline constexpr std::uint8_t DSP_LPF_Q_FACT_MODE = 0x38;
inline constexpr std::uint8_t DSP_FACTORY_PRESET = 0x39;
inline constexpr std::uint8_t DSP_SETUP_MODE = 0x3A;
inline constexpr std::uint8_t DSP_AUTO_EFFECTION_ON_OFF_CONTROL = 0x3B;
inline constexpr std::uint8_t DSP_IRC_ACTIVE_BYPASS_CONTROL = 0x3C;
inline constexpr std::uint8_t DSP_CS_AUTO_SETTING = 0x3D;
inline constexpr std::uint8_t DSP_COMPRESSOR_SETTING = 0x3E;
inline constexpr std::uint8_t DSP_AMP_MUTE = 0x3F;
inline constexpr std::uint8_t DSP_INPUT_CH_DISTORT = 0x40;
inline constexpr std::uint8_t DSP_OUTPUT_CH_DISTORT = 0x41;
inline constexpr std::uint8_t DSP_MEM_DATA = 0x42;
inline constexpr std::uint8_t DSP_SPK_DIST = 0x43;
inline constexpr std::uint8_t DSP_MIX_SOURCE_SWITCH = 0x44;
inline constexpr std::uint8_t DSP_REM_OUT = 0x45;
inline constexpr std::uint8_t DSP_DSP_STATUS = 0x46;
inline constexpr std::uint8_t DSP_CROSS_SOURCE_MIX = 0x47;
inline constexpr std::uint8_t DSP_COMPRESSOR_ON_CH = 0x49;
inline constexpr std::uint8_t DSP_COMPRESSOR_SETTING2 = 0x4A;
inline constexpr std::uint8_t DSP_SPK_OHM = 0x4B;
inline constexpr std::uint8_t DSP_OUPUT_BRIDGE = 0x4C;
inline constexpr std::uint8_t DSP_CROSS_SOURCE_MIX_CS47048 = 0x4D;
inline constexpr std::uint8_t DSP_NOISE_GATE = 0x4E;
// DSP_MIX_TYPE2 (0x83) is declared with the name table.

// Karaoke codes, one value each.
inline constexpr std::uint8_t KTV_MIC_VOL = 1;
inline constexpr std::uint8_t KTV_MUSIC_VOL = 2;
inline constexpr std::uint8_t KTV_HOWLING = 3;
inline constexpr std::uint8_t KTV_ECHO_LEVEL = 4;
inline constexpr std::uint8_t KTV_ECHO_DELAY = 5;
inline constexpr std::uint8_t KTV_REVERB_LEVEL = 6;
inline constexpr std::uint8_t KTV_REVERB_TIME = 7;
inline constexpr std::uint8_t KTV_VOICE_CHANGER = 8;
inline constexpr std::uint8_t KTV_BASS_GAIN = 9;
inline constexpr std::uint8_t KTV_TREBLE_GAIN = 10;

// Flash codes: the DSP flash firmware transfer and the stored scenes.
inline constexpr std::uint8_t FLASH_CHIP_ERASE = 0x02;
inline constexpr std::uint8_t FLASH_UPG_START = 0x03;
inline constexpr std::uint8_t FLASH_UPG_DATA = 0x04;
inline constexpr std::uint8_t FLASH_UPG_FINISH = 0x05;
inline constexpr std::uint8_t FLASH_SCENE_SAVE = 0x08;
inline constexpr std::uint8_t FLASH_SCENE_READ = 0x09;
inline constexpr std::uint8_t FLASH_SCENE_DELETE = 0x0A;
inline constexpr std::uint8_t FLASH_SCENE_NAME = 0x0B;
inline constexpr std::uint8_t FLASH_SCENE_PROFILE = 0x0C;
inline constexpr std::uint8_t FLASH_SCENE_ID = 0x0E;
inline constexpr std::uint8_t FLASH_SCENE_VALID = 0x0F;

// Reply waits, in ms.
inline constexpr int SHORT_REPLY_WAIT_MS = 500;
inline constexpr int MODE_REPLY_WAIT_MS = 1000;  // factory preset and set-up mode
inline constexpr int SCENE_REPLY_WAIT_MS = 20000;

// Size of the automatic-surround settings block.
inline constexpr std::size_t CS_AUTO_SETTING_SIZE = 52;
// Most bytes of a scene name and of one scene profile chunk.
inline constexpr std::size_t SCENE_NAME_SIZE = 16;
inline constexpr std::size_t SCENE_PROFILE_CHUNK_MAX = 53;
