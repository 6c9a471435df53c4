#pragma once
// The rules that tie output channels together in the model: the bridged partner of a mute,
// the exclusive solo with the pair, output link forcing the lock, the link partners that
// follow the positions, the live level's range. Report application and the editing
// operations share them; each returns the channels it wrote, so a caller refreshes (or
// sends, or records for undo) exactly those.

#include <array>
#include <cstdint>

#include "model/dimensions.h"
#include "model/scene_config.h"

// A set of output channels 0..5.
class ChannelSet {
  public:
    ChannelSet() = default;
    static ChannelSet Of(int ch) {
        ChannelSet set;
        set.Add(ch);
        return set;
    }
    static ChannelSet All() { return ChannelSet(0x3Fu); }

    void Add(int ch) {
        if (ch >= 0 && ch < kOutChannelCount) {
            mBits |= 1u << ch;
        }
    }
    void Add(ChannelSet other) { mBits |= other.mBits; }
    ChannelSet operator|(ChannelSet other) const { return ChannelSet(mBits | other.mBits); }
    bool Has(int ch) const { return ch >= 0 && ch < kOutChannelCount && ((mBits >> ch) & 1u) != 0; }
    bool Empty() const { return mBits == 0; }
    int Count() const { return __builtin_popcount(mBits); }
    unsigned Bits() const { return mBits; }

    bool operator==(const ChannelSet&) const = default;

  private:
    explicit ChannelSet(unsigned bits) : mBits(bits) {}
    unsigned mBits = 0;
};

// Per channel, its left/right partner: the first other channel whose position code is the
// partner code of the channel's; -1 for none and for position 0.
std::array<std::int32_t, kOutChannelCount> LinkPartners(
    const std::array<std::int32_t, kOutChannelCount>& outputs);

// Mute of ch; a bridged pair mutes together. Logs "channel %d mute seleted %d" per channel.
ChannelSet SetChannelMute(SceneConfig& config, int ch, std::int32_t on);
// Solo of ch and its pair channel; switching on clears every other channel's solo.
ChannelSet SetChannelSolo(SceneConfig& config, int ch, bool on);
// Output link: on needs the lock and takes its partners from the positions; off clears them.
void SetOutputLinkMode(SceneConfig& config, bool on);
// Output lock. Releasing the lock while link is on switches the link off too; returns
// whether it did.
bool SetOutputLockMode(SceneConfig& config, bool on);
// The position of ch (and its backup copy). While link is on the link partners follow the
// new positions. Returns the channels whose pairing may have changed: all, when link is on.
ChannelSet SetOutputPosition(SceneConfig& config, int ch, std::int32_t code);

// The level of a live channel that a reported level becomes: what the level slider can show
// (0.1 dB steps within its range), starting from the current level.
float LiveChannelLevel(float current, float reported);
