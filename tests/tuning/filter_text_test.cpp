// Filter text import and export, read on its own and applied to the virtual amplifier.
#include "tuning/filter_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "session_fixture.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvia::tuning;

class FilterImport : public tuning_testing::SessionTest {
  protected:
    OutChannel& Ch(int ch) { return session.Model().live.channels[static_cast<std::size_t>(ch)]; }
    // The band as the device holds it, in the model's units.
    static EqBand OnDevice(const tonvia::sim::EqBand& b) {
        return {static_cast<float>(b.gainTenths) / 10.0f - 18.0f,
                static_cast<float>(b.qHundredths) / 100.0f, b.freq, 1};
    }
};

// Ten peaking filters (one boosting past the gain range) and a shelf, in REW's form.
constexpr const char* kRewFile =
    "Filter Settings file\n"
    "\n"
    "Room EQ V5.20.13\n"
    "Dated: Apr 4, 2022 3:59:07 PM\n"
    "Equaliser: Generic\n"
    "Front left 3 averaged\n"
    "Filter  1: ON  PK       Fc   40.5 Hz  Gain  -6.5 dB  Q  5.000\n"
    "Filter  2: ON  PK       Fc   63.0 Hz  Gain  -3.2 dB  Q  2.150\n"
    "Filter  3: ON  LS       Fc   80.0 Hz  Gain   3.0 dB\n"
    "Filter  4: ON  PK       Fc    125 Hz  Gain  15.0 dB  Q  1.000\n"
    "Filter  5: ON  PK       Fc    200 Hz  Gain  -2.0 dB  Q  3.000\n"
    "Filter  6: ON  PK       Fc    315 Hz  Gain   1.5 dB  Q  0.800\n"
    "Filter  7: ON  PK       Fc    500 Hz  Gain  -4.0 dB  Q  6.500\n"
    "Filter  8: ON  PK       Fc    800 Hz  Gain   2.5 dB  Q  2.000\n"
    "Filter  9: ON  PK       Fc   1250 Hz  Gain  -1.0 dB  Q  4.000\n"
    "Filter 10: ON  PK       Fc   3150 Hz  Gain  -5.5 dB  Q  1.500\n"
    "Filter 11: ON  PK       Fc   8000 Hz  Gain   3.0 dB  Q  0.700\n"
    "Filter 12: ON  None\n";

TEST_F(FilterImport, PeaksReachTheAmplifierClampedAndExportReadsBackTheSame) {
    const auto import = ParseFilterText(kRewFile, kEqBandCount);
    EXPECT_EQ(import.filtersTaken, 10);
    EXPECT_EQ(import.notes, (std::vector<FilterNote>{
                                {9, FilterNoteKind::NotTaken,
                                 "low shelf filter not taken: only peaking filters are imported"},
                                {10, FilterNoteKind::Clamped, "gain 15 dB limited to 12.0 dB"}}));
    ASSERT_EQ(import.bands.size(), 31u);
    EXPECT_EQ(import.bands[0], (EqBand{-6.5f, 5.0f, 41, 1}));  // whole hertz
    EXPECT_EQ(import.bands[2], (EqBand{12.0f, 1.0f, 125, 1}));
    EXPECT_EQ(import.bands[10], DefaultEqBand(kEqBandCount, 10));  // past the file: flat

    Ch(1).bypass = 1;
    const EditResult result = ApplyFilterImport(session, 1, import);
    EXPECT_TRUE(result.bands.Has(1));
    EXPECT_TRUE(result.bypass.Has(1));  // gains given: the bypass is lifted
    const auto device = Device();
    for (std::size_t i = 0; i < 31; ++i) {
        const EqBand got = OnDevice(device.eq[1][i]);
        EXPECT_EQ(got.freq, import.bands[i].freq) << i;
        EXPECT_NEAR(got.gain, import.bands[i].gain, 0.01) << i;
        EXPECT_NEAR(got.q, import.bands[i].q, 0.051) << i;  // the wire holds tenths of Q
    }
    EXPECT_EQ(device.peqBypass[1], 0);

    const auto again = ParseFilterText(FilterText(Ch(1), 2), Ch(1).eqSize);
    EXPECT_EQ(again.bands, import.bands);
    EXPECT_EQ(again.notes, std::vector<FilterNote>{});
}

// The channel's synchronise group and its bridged partner take the bands and the level
// moves them by the same decibels, as a band and a level edit do.
TEST_F(FilterImport, TheGroupAndThePairFollow) {
    auto& live = session.Model().live;
    live.linkSel = {0, 0, 2, 0, 2, 0};
    live.bridgeOutputs[1] = 1;
    Ch(4).eqSize = 11;  // a member takes the bands it has
    Ch(4).eqArray[12].gain = 5.0f;
    Ch(4).gain = -10.0f;
    const auto import =
        ParseFilterText("Preamp: -3 dB\nFilter: ON PK Fc 100 Hz Gain -3 dB Q 2\n", kEqBandCount);
    const EditResult result = ApplyFilterImport(session, 2, import);
    EXPECT_EQ(result.madeCurrent, 2);
    EXPECT_EQ(result.bands, ChannelSet::Of(2) | ChannelSet::Of(3) | ChannelSet::Of(4));
    for (const int ch : {2, 3, 4}) {
        EXPECT_EQ(Ch(ch).eqArray[0], (EqBand{-3.0f, 2.0f, 100, 1})) << ch;
    }
    EXPECT_EQ(Ch(4).eqArray[12].gain, 5.0f);
    EXPECT_FLOAT_EQ(Ch(2).gain, -3.0f);
    EXPECT_FLOAT_EQ(Ch(4).gain, -13.0f);
    EXPECT_EQ(Device().trimHundredths[4], 1300);
    // A band count that is not the channel's is refused.
    EXPECT_TRUE(ApplyFilterImport(session, 4, import).refused);
}

TEST(FilterText, FormsAndReports) {
    struct Case {
        const char* name;
        const char* text;
        int bandCount;
        int taken;
        std::optional<float> level;
        std::vector<FilterNote> notes;
        EqBand first;
    };
    using K = FilterNoteKind;
    const EqBand flat = DefaultEqBand(31, 0);
    const Case cases[] = {
        {"Equalizer APO, comments, kHz and bandwidth",
         "# room\r\nPreamp: -4.5 dB\r\nFilter: ON PK Fc 1.5 kHz Gain -3 dB BW Oct 1\r\n",
         31,
         1,
         -4.5f,
         {},
         {-3.0f, 1.41f, 1500, 1}},
        {"preamps add up; beyond the level range they are not taken",
         "Preamp: -3 dB\nPreamp: 5 dB\n",
         31,
         0,
         std::nullopt,
         {{2, K::NotTaken, "preamp 2 dB not taken: the channel level runs from -60 to 0 dB"}},
         flat},
        {"off, None, empty and other commands",
         "Filter 1: OFF PK Fc 100 Hz Gain 2 dB Q 1\nFilter 2: ON None\nFilter 3:\n"
         "Channel: L\nFilter 4: ON NO Fc 50 Hz\n",
         31,
         0,
         std::nullopt,
         {{1, K::NotTaken, "filter is off"},
          {4, K::NotTaken, "'Channel' not taken: only filters and the preamp are imported"},
          {5, K::NotTaken, "notch filter not taken: only peaking filters are imported"}},
         flat},
        {"more filters than bands",
         "Filter 1: ON PEQ Fc 30 Hz Gain 1 dB Q 1\nFilter 2: ON PK Fc 40 Hz Gain 1 dB Q 1\n",
         1,
         1,
         std::nullopt,
         {{2, K::NotTaken, "peaking filter not taken: the channel has 1 band"}},
         {1.0f, 1.0f, 30, 1}},
        {"limits",
         "Filter 1: ON PK Fc 25000 Hz Gain -20 dB Q 0.1\n",
         31,
         1,
         std::nullopt,
         {{1, K::Clamped, "frequency 25000 Hz limited to 20000 Hz"},
          {1, K::Clamped, "gain -20 dB limited to -18.0 dB"},
          {1, K::Clamped, "Q 0.1 limited to 0.50"}},
         {-18.0f, 0.5f, 20000, 1}},
        {"unreadable lines after the header",
         "Some program 1.0\nFilter 1: ON PK Fc x Hz Gain 1 dB Q 1\nFilter 2: ON PK Fc 50 Hz\n"
         "Filter 3: PK Fc 50 Hz Gain 1 dB Q 1\nFilter 4: ON PK Fc 0 Hz Gain 1 dB Q 1\n"
         "Filter 5: ON PK Fc 50 Hz Gain 1 dB Q 1 T60 3\nrandom words\nPreamp: loud\n",
         31,
         0,
         std::nullopt,
         {{2, K::Unreadable, "filter not understood: no number after 'Fc'"},
          {3, K::Unreadable, "peaking filter needs Fc, Gain and Q"},
          {4, K::Unreadable, "filter not understood: ON or OFF expected"},
          {5, K::Unreadable, "frequency must be above 0 Hz"},
          {6, K::Unreadable, "filter not understood at 'T60'"},
          {7, K::Unreadable, "line not understood"},
          {8, K::Unreadable, "preamp not understood"}},
         flat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto import = ParseFilterText(c.text, c.bandCount);
        EXPECT_EQ(import.filtersTaken, c.taken);
        EXPECT_EQ(import.levelDb, c.level);
        EXPECT_EQ(import.notes, c.notes);
        ASSERT_EQ(import.bands.size(), static_cast<std::size_t>(c.bandCount));
        EXPECT_EQ(import.bands[0], c.first);
    }
}

}  // namespace
