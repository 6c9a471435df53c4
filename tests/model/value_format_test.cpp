// Value texts, typed-text reading and up/down steps of the page edits and small dialogs.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "model/scene_config.h"
#include "model/value_format.h"

namespace {

constexpr const char* kOff = "${off}";
constexpr const char* kOffRu = "Выкл.";  // what the Russian edit shows for the off key

// ---- Slider clamping and stepping ----

TEST(SliderRules, ClampToSliderKeepsTheRangeAndReportsAChange) {
    struct Case {
        int pos;
        double v;
        bool changed;
        int after;
    } cases[] = {
        {0, 10.0, true, 6},      // typing 10 into the main volume lands on +6
        {0, -100.0, true, -60},  // below the range: the minimum
        {6, 10.0, false, 6},     // already at the maximum: nothing to do
        {-5, -5.0, false, -5},   // unchanged value
        {-5, -3.5, true, -4},    // halves round away from zero
        {-5, -6.5, true, -7},   {0, std::nan(""), true, -60},  // never a NaN position
    };
    for (const Case& c : cases) {
        SliderState slider{kMainVolumeSliderMin, kMainVolumeSliderMax, c.pos};
        EXPECT_EQ(ClampToSlider(slider, c.v), c.changed) << c.pos << " <- " << c.v;
        EXPECT_EQ(slider.pos, c.after) << c.pos << " <- " << c.v;
    }
}

TEST(SliderRules, StepSliderStopsAtTheEnds) {
    struct Case {
        int pos;
        bool up;
        double step;
        bool moved;
        int after;
    } cases[] = {
        {-598, false, kChVolumeStep, true, -600},  // partial step to the minimum
        {-600, false, kChVolumeStep, false, -600}, {-5, true, kChVolumeStep, true, 0},
        {0, true, kChVolumeStep, false, 0},        {-73, true, kChVolumeStep, true, -68},
    };
    for (const Case& c : cases) {
        SliderState slider{kChVolumeSliderMin, kChVolumeSliderMax, c.pos};
        EXPECT_EQ(StepSlider(slider, c.up, c.step), c.moved) << c.pos;
        EXPECT_EQ(slider.pos, c.after) << c.pos;
    }
}

// The slider constants the pages use, read back in the value's unit.
TEST(SliderRules, SliderUnitsComeFromTheValueTable) {
    struct Case {
        const ValueRange& range;
        int min;
        int max;
        double step;
    } cases[] = {
        {kMainVolume, kMainVolumeSliderMin, kMainVolumeSliderMax, kMainVolumeStep},
        {kChannelLevel, kChVolumeSliderMin, kChVolumeSliderMax, kChVolumeStep},
        {kEqGain, kEqGainSliderMin, kEqGainSliderMax, kEqGainStep},
        {kDelay, 0, kDelaySliderMax, kDelayStep},
    };
    for (const Case& c : cases) {
        const double scale = c.range.sliderScale;
        EXPECT_DOUBLE_EQ(c.min / scale, c.range.min) << c.range.name;
        EXPECT_DOUBLE_EQ(c.max / scale, c.range.max) << c.range.name;
        EXPECT_DOUBLE_EQ(c.step / scale, c.range.step) << c.range.name;
    }
    EXPECT_EQ(SceneConfig{}.mainVolume, *kMainVolume.defaultValue);
}

// ---- Level texts ----

TEST(LevelTexts, MainVolume) {
    EXPECT_EQ(MainVolumeText(-60), kOff);
    EXPECT_EQ(MainVolumeText(-59.6), kOff);  // rounds to -60
    EXPECT_EQ(MainVolumeText(-5), "-5dB");
    EXPECT_EQ(MainVolumeText(-5.5), "-6dB");
    EXPECT_EQ(MainVolumeText(0), "0dB");
    EXPECT_EQ(MainVolumeText(6), "6dB");
    EXPECT_EQ(AccText(-3, -3), kOff);  // ACC is off at its slider's minimum
    EXPECT_EQ(AccText(0, -3), "0");
}

TEST(LevelTexts, ChannelVolumeIsCutTowardZeroToHalfDecibels) {
    const std::pair<int, const char*> cases[] = {
        {-73, "-7.0dB"}, {-4, "0.0dB"}, {-5, "-0.5dB"}, {-599, "-59.5dB"},
        {0, "0.0dB"},    {-600, kOff},  {-9, "-0.5dB"}, {-10, "-1.0dB"},
    };
    for (auto [pos, text] : cases) {
        EXPECT_EQ(ChannelVolumeText(pos), text) << pos;
    }
}

// ---- Reading levels ----

TEST(LevelReading, TheTranslatedOffWordReadsAsOff) {
    EXPECT_EQ(ReadMainVolume(kOffRu, kOffRu), -60);
    EXPECT_EQ(ReadMainVolume(" off ", "Off"), -60);  // blanks and ASCII case do not matter
    EXPECT_EQ(ReadAcc("Off", "Off", -2), -2);
    EXPECT_DOUBLE_EQ(ReadChannelVolume("Off", "Off"), -60.0);
    // A translation that is missing (empty) never swallows a number.
    EXPECT_EQ(ReadMainVolume("", ""), 0);
    EXPECT_EQ(ReadMainVolume("Offset", "Off"), 0);
}

TEST(LevelReading, TypedChannelVolumeGoesThroughTheSliderInTenths) {
    const std::pair<const char*, int> cases[] = {
        {"-7.3", -73}, {"-7.36dB", -74}, {"5", 0}, {"-80", -600}, {"Off", -600}, {"x", 0},
    };
    for (auto [text, pos] : cases) {
        SliderState slider{kChVolumeSliderMin, kChVolumeSliderMax, -300};
        ClampToSlider(slider, ReadChannelVolume(text, "Off") * 10.0);
        EXPECT_EQ(slider.pos, pos) << text;
    }
}

// ---- Number reading ----

TEST(NumberReading, LeadingInteger) {
    const std::pair<const char*, int> cases[] = {
        {"42", 42},
        {"  -12abc", -12},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"3.9", 3},
        {"\t8", 8},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (auto [text, value] : cases) {
        EXPECT_EQ(LeadingInt(text), value) << '"' << text << '"';
    }
}

TEST(NumberReading, LeadingDecimal) {
    const std::pair<const char*, double> cases[] = {
        {"12.5dB", 12.5}, {"-.5", -0.5}, {"5.", 5.0}, {" 0.25k", 0.25}, {"1e3", 1.0},
        {"nan", 0.0},     {"inf", 0.0},  {".", 0.0},  {"7,5", 7.0},     {"-", 0.0},
    };
    for (auto [text, value] : cases) {
        EXPECT_DOUBLE_EQ(LeadingDecimal(text), value) << '"' << text << '"';
    }
}

TEST(NumberReading, MemoryNumbersByPrefix) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"0x10", 16u},
        {"010", 8u},
        {"10", 10u},
        {"12ab", 12u},
        {"", 0u},
        {"0X1f", 31u},
        {"08", 0u},
        {"0x", 0u},
        {"  42", 42u},
        {"0xFFFFFFFF", 0xFFFFFFFFu},
        {"abc", 0u},
        {"0x100000000", 0xFFFFFFFFu},  // too large: saturates instead of wrapping
        {"99999999999", 0xFFFFFFFFu},
        {"0x1g", 1u},
    };
    for (auto [text, value] : cases) {
        EXPECT_EQ(ReadMemoryNumber(text), value) << '"' << text << '"';
    }
}

// ---- Delay ----

constexpr DelayUnit kMs = DelayUnit::Milliseconds;
constexpr DelayUnit kCm = DelayUnit::Centimetres;
constexpr DelayUnit kIn = DelayUnit::Inches;

TEST(DelayRules, TextsInEveryUnit) {
    EXPECT_EQ(DelayText(kMs, 1.0), "1.000 ms");
    EXPECT_EQ(DelayText(kCm, 1.0), "35 cm");  // rnd(34.6)
    EXPECT_EQ(DelayText(kIn, 1.0), "14 in");  // rnd(13.6)
    EXPECT_EQ(DelayText(kMs, 20.0), "15.000 ms");
    EXPECT_EQ(DelayText(kCm, 15.0), "519 cm");
    EXPECT_EQ(DelayText(kMs, -1.0), "0.000 ms");
    EXPECT_EQ(SpeakerDelayText(kMs, 2.5), "2.500");
    EXPECT_EQ(SpeakerDelayText(kCm, 1.0), "35");
    EXPECT_EQ(SpeakerDelayText(kIn, 1.0), "14");
}

TEST(DelayRules, TypedDelayInEveryUnit) {
    EXPECT_NEAR(ReadDelay(kCm, "35"), 1.0116, 1e-4);
    EXPECT_EQ(DelayText(kCm, ReadDelay(kCm, "600")), "519 cm");
    EXPECT_NEAR(ReadDelay(kCm, "35.9 cm"), 35.0 * 15 / 519, 1e-9);  // whole centimetres
    EXPECT_DOUBLE_EQ(ReadDelay(kCm, "-3"), 0.0);
    EXPECT_DOUBLE_EQ(ReadDelay(kIn, "300"), 15.0);
    EXPECT_NEAR(ReadDelay(kIn, "14"), 14.0 * 15 / 204, 1e-9);
    EXPECT_DOUBLE_EQ(ReadDelay(kMs, "2.5 ms"), 2.5);
    EXPECT_DOUBLE_EQ(ReadDelay(kMs, "20"), 15.0);
    EXPECT_DOUBLE_EQ(ReadDelay(kMs, "junk"), 0.0);
}

TEST(DelayRules, QuantizeLandsOnWholeUnits) {
    EXPECT_NEAR(QuantizeDelay(kCm, 1.0), 35.0 * 15 / 519, 1e-12);
    EXPECT_NEAR(QuantizeDelay(kIn, 1.0), 14.0 * 15 / 204, 1e-12);
    EXPECT_DOUBLE_EQ(QuantizeDelay(kMs, 1.2345), 1.2345);
    EXPECT_DOUBLE_EQ(QuantizeDelay(kMs, 16.0), 15.0);
    EXPECT_DOUBLE_EQ(QuantizeDelay(kMs, std::nan("")), 0.0);
    // Quantising twice changes nothing, so a shown delay is stable.
    for (double ms = 0.0; ms <= 15.0; ms += 0.137) {
        for (DelayUnit unit : {kMs, kCm, kIn}) {
            double once = QuantizeDelay(unit, ms);
            EXPECT_DOUBLE_EQ(QuantizeDelay(unit, once), once) << ms;
        }
    }
}

TEST(DelayRules, StepsMoveOneCentimetreButMayStayOnTheSameInch) {
    SliderState slider{0, kDelaySliderMax, RoundHalfAway(QuantizeDelay(kCm, 1.0) * 1000)};
    auto ms = StepDelay(slider, true, kCm);
    ASSERT_TRUE(ms);
    EXPECT_EQ(slider.pos, 1033);
    EXPECT_EQ(DelayText(kCm, *ms), "36 cm");

    slider.pos = RoundHalfAway(QuantizeDelay(kIn, 1.0) * 1000);  // 14 in
    ms = StepDelay(slider, true, kIn);
    ASSERT_TRUE(ms);
    EXPECT_EQ(DelayText(kIn, *ms), "14 in");

    slider.pos = kDelaySliderMax;
    EXPECT_FALSE(StepDelay(slider, true, kMs));
    slider.pos = 10;
    ms = StepDelay(slider, false, kMs);
    ASSERT_TRUE(ms);
    EXPECT_DOUBLE_EQ(*ms, 0.0);
}

// ---- Frequencies ----

TEST(FrequencyReading, KiloRuleReadsDecimals) {
    const std::pair<const char*, int> cases[] = {
        {"2k5", 2500},  {"12k", 12000},  {"1.5k", 1500},    {"1.5K", 1500},
        {"0.25k", 250}, {"20k", 20000},  {"2k55", 2500},    {"k5", 500},
        {"1khz", 1000}, {"3.3k9", 3300}, {"120Hz", 120},    {" 440", 440},
        {"abc", 0},     {"", 0},         {"1.2345k", 1235}, {"99999999k", INT_MAX},
    };
    for (auto [text, hz] : cases) {
        EXPECT_EQ(ReadFrequency(text), hz) << '"' << text << '"';
    }
}

TEST(FrequencyReading, EqBandRejectsOutOfRange) {
    EXPECT_EQ(ReadEqFrequency("25000"), std::nullopt);
    EXPECT_EQ(ReadEqFrequency("19"), std::nullopt);
    EXPECT_EQ(ReadEqFrequency("abc"), std::nullopt);
    EXPECT_EQ(ReadEqFrequency("20"), 20);
    EXPECT_EQ(ReadEqFrequency("20k"), 20000);
    EXPECT_EQ(ReadEqFrequency("1.5k"), 1500);
}

TEST(FrequencyReading, CrossoverIsClampedAndKeepsHpBelowLp) {
    EXPECT_EQ(ReadHpFrequency("25000", 20000), 20000);
    EXPECT_EQ(ReadHpFrequency("25000", 5000), 5000);
    EXPECT_EQ(ReadHpFrequency("10", 5000), 20);
    EXPECT_EQ(ReadHpFrequency("1k", 500), 500);
    EXPECT_EQ(ReadHpFrequency("80Hz", 500), 80);
    EXPECT_EQ(ReadLpFrequency("10", 100), 100);
    EXPECT_EQ(ReadLpFrequency("25000", 100), 20000);
    EXPECT_EQ(ReadLpFrequency("50", 20), 50);
    EXPECT_EQ(ReadLpFrequency("2k5", 3000), 3000);
}

TEST(FrequencyStep, ReferenceSteps) {
    EXPECT_EQ(FreqStep(1000, true), 1026);  // p = 113.26 -> 114
    EXPECT_EQ(FreqStep(1000, false), 957);
    EXPECT_EQ(FreqStep(25, true), 26);  // one step rounds back to 25: the double step
    EXPECT_EQ(FreqStep(20000, false), 19321);
    EXPECT_EQ(FreqStep(20, true), 21);
    EXPECT_EQ(FreqStep(20000, true), 20000);
    EXPECT_EQ(FreqStep(20, false), 20);
    EXPECT_EQ(FreqStep(0, true), 21);  // out of range: taken at the nearer end
    EXPECT_EQ(FreqStep(50000, false), 19321);
}

TEST(FrequencyStep, EveryFrequencyMovesAndStaysInRange) {
    for (int hz = kFreqMin; hz <= kFreqMax; ++hz) {
        if (hz < kFreqMax) {
            int up = FreqStep(hz, true);
            ASSERT_GT(up, hz);
            ASSERT_LE(up, kFreqMax);
        }
        if (hz > kFreqMin) {
            int down = FreqStep(hz, false);
            ASSERT_LT(down, hz);
            ASSERT_GE(down, kFreqMin);
        }
    }
}

TEST(FrequencyStep, EndsAndCrossoverLimits) {
    EXPECT_EQ(StepEqFrequency(20000, true), std::nullopt);
    EXPECT_EQ(StepEqFrequency(20, false), std::nullopt);
    EXPECT_EQ(StepEqFrequency(1000, true), 1026);
    EXPECT_EQ(StepHpFrequency(1000, 1010, true), 1010);  // capped at LP
    EXPECT_EQ(StepHpFrequency(1000, 1000, true), std::nullopt);
    EXPECT_EQ(StepHpFrequency(1000, 5000, false), 957);
    EXPECT_EQ(StepHpFrequency(20, 5000, false), std::nullopt);
    EXPECT_EQ(StepLpFrequency(1000, 990, false), 990);  // floored at HP
    EXPECT_EQ(StepLpFrequency(1000, 1000, false), std::nullopt);
    EXPECT_EQ(StepLpFrequency(20000, 100, true), std::nullopt);
    EXPECT_EQ(StepLpFrequency(1000, 100, true), 1026);
}

// ---- EQ band Q and gain ----

TEST(EqBandRules, QStepsAndTheirEnds) {
    EXPECT_EQ(StepEqQ(8.98, true), std::nullopt);  // |Q - 9| < 0.025
    auto q = StepEqQ(8.9f, true);
    ASSERT_TRUE(q);
    EXPECT_EQ(EqQText(*q), "8.95");
    EXPECT_EQ(StepEqQ(8.97, true), 9.0);  // clamped
    EXPECT_EQ(StepEqQ(0.52, false), std::nullopt);
    q = StepEqQ(0.6, false);
    ASSERT_TRUE(q);
    EXPECT_EQ(EqQText(*q), "0.55");
    EXPECT_TRUE(StepEqQ(8.98, false));
}

TEST(EqBandRules, TypedQAndGain) {
    EXPECT_DOUBLE_EQ(ReadEqQ("10"), 9.0);
    EXPECT_DOUBLE_EQ(ReadEqQ("0.1"), 0.5);
    EXPECT_DOUBLE_EQ(ReadEqQ("abc"), 0.5);
    EXPECT_DOUBLE_EQ(ReadEqQ("2.5"), 2.5);

    const std::pair<const char*, const char*> gains[] = {
        {"-3.46", "-3.5"}, {"20", "12.0"}, {"-30", "-18.0"}, {"0.04", "0.0"}, {"-0.04", "0.0"},
    };
    for (auto [typed, shown] : gains) {
        SliderState slider{kEqGainSliderMin, kEqGainSliderMax, 50};
        ClampToSlider(slider, LeadingDecimal(typed) * 10.0);
        EXPECT_EQ(EqGainText(slider.pos * 0.1), shown) << typed;
    }
}

TEST(EqBandRules, BandTexts) {
    const EqBand band{-3.5f, 5.8f, 1000, 1};
    auto texts = EqBandTextsFor(band, 3, 31, false);
    EXPECT_EQ(texts.freq, "1000");
    EXPECT_EQ(texts.q, "5.80");
    EXPECT_EQ(texts.gain, "-3.5");

    texts = EqBandTextsFor(band, 31, 31, false);  // beyond eqSize
    EXPECT_EQ(texts.freq, "0");
    EXPECT_EQ(texts.q, "0");
    EXPECT_EQ(texts.gain, "0.0");

    EXPECT_EQ(EqBandTextsFor(band, 3, 31, true).gain, "0.0");  // channel bypassed
    EqBand disabled = band;
    disabled.enable = 0;
    EXPECT_EQ(EqBandTextsFor(disabled, 3, 31, false).gain, "0.0");
    EXPECT_EQ(EqBandTextsFor(disabled, 3, 31, false).freq, "1000");
    EXPECT_EQ(EqGainText(-0.04f), "0.0");  // no negative zero from a device value
    EXPECT_EQ(CrossoverFreqText(80), "80Hz");
}

// ---- Input noise threshold ----

TEST(NoiseThreshold, TextsStepsAndTyping) {
    EXPECT_EQ(NoiseThresholdText(-61), kOff);
    EXPECT_EQ(NoiseThresholdText(-75), kOff);
    EXPECT_EQ(NoiseThresholdText(-60), "-60dBu");
    EXPECT_EQ(NoiseThresholdText(-40), "-40dBu");

    EXPECT_EQ(StepNoiseThreshold(-61, true), -60);  // up from off
    EXPECT_EQ(StepNoiseThreshold(-100, true), -60);
    EXPECT_EQ(StepNoiseThreshold(-40, true), -40);
    EXPECT_EQ(StepNoiseThreshold(-61, false), -61);
    EXPECT_EQ(StepNoiseThreshold(-50, false), -51);

    EXPECT_EQ(NoiseThresholdText(ReadNoiseThreshold("-100", "Off")), kOff);
    EXPECT_EQ(ReadNoiseThreshold("Off", "Off"), -61);
    EXPECT_EQ(ReadNoiseThreshold(kOffRu, kOffRu), -61);
    EXPECT_EQ(ReadNoiseThreshold("-45dBu", "Off"), -45);
    EXPECT_EQ(ReadNoiseThreshold("abc", "Off"), -40);
}

}  // namespace
