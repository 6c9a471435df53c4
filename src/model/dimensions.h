#pragma once
// Fixed sizes of the amplifier's parameter set.

inline constexpr int kOutChannelCount = 6;     // output channels 0..5
inline constexpr int kDspInputCount = 4;       // input channels of the DSP stage
inline constexpr int kInputSourceCount = 9;    // input sources 0..8
inline constexpr int kMixInputCount = 6;       // input-channel rows of the mix tables (0..3 used)
inline constexpr int kEqBandCount = 31;        // EQ bands per output channel
inline constexpr int kStoredSceneCount = 10;   // stored scenes 1..10; 0 is the live settings
inline constexpr int kPositionCodeCount = 25;  // speaker position codes 0..24
inline constexpr int kChannelPairCount = 3;    // pairs (0,1), (2,3), (4,5)
inline constexpr int kKaraokeValueCount = 10;
