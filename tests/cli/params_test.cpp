// The parameter words and value forms of get and set, and the English texts against the
// language file they were copied from.
#include "cli/params.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/texts.h"

namespace {

using namespace tonvia::cli;

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) {
        words.push_back(w);
    }
    return words;
}

TEST(CliParams, WordsNameOneParameterOrAreRefused) {
    struct Case {
        const char* words;
        std::optional<Param> param;
    };
    const Case cases[] = {
        {"master-volume", Param{ParamKind::MasterVolume}},
        {"master-mute", Param{ParamKind::MasterMute}},
        {"source", Param{ParamKind::Source}},
        {"ch 1 level", Param{ParamKind::Level, 0}},
        {"ch 6 solo", Param{ParamKind::Solo, 5}},
        {"ch 3 bypass", Param{ParamKind::Bypass, 2}},
        {"ch 2 eq 1 freq", Param{ParamKind::EqFreq, 1, 0}},
        {"ch 2 eq 31 enable", Param{ParamKind::EqEnable, 1, 30}},
        {"ch 4 hp slope", Param{ParamKind::HpSlope, 3}},
        {"ch 4 lp freq", Param{ParamKind::LpFreq, 3}},
        {"", std::nullopt},
        {"ch", std::nullopt},
        {"ch 0 level", std::nullopt},
        {"ch 7 level", std::nullopt},
        {"ch x level", std::nullopt},
        {"ch 1 volume", std::nullopt},
        {"ch 1 eq 32 gain", std::nullopt},
        {"ch 1 eq 5", std::nullopt},
        {"ch 1 hp gain", std::nullopt},
        {"ch 1 level extra", std::nullopt},
        {"master-volume 3", std::nullopt},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto words = Words(c.words);
        const auto param = ParseParam(words, &error);
        EXPECT_EQ(param, c.param) << c.words;
        EXPECT_EQ(error.empty(), c.param.has_value()) << c.words;
        if (param) {
            EXPECT_EQ(ParamName(*param), c.words);  // the name reads back as typed
        }
    }
}

TEST(CliParams, ValuesInTheirUnitsOrRefused) {
    auto value = [](double number, int integer, bool on, DelayUnit unit = DelayUnit::Milliseconds) {
        return ParamValue{number, integer, on, unit};
    };
    struct Case {
        ParamKind kind;
        const char* text;
        std::optional<ParamValue> value;
    };
    const Case cases[] = {
        {ParamKind::MasterVolume, "-12", value(-12, 0, false)},
        {ParamKind::MasterVolume, "+3dB", value(3, 0, false)},
        {ParamKind::MasterVolume, "off", value(-60, 0, false)},
        {ParamKind::MasterVolume, "loud", std::nullopt},
        {ParamKind::MasterVolume, "-3Hz", std::nullopt},
        {ParamKind::Level, "-6.5dB", value(-6.5, 0, false)},
        {ParamKind::Level, "nan", std::nullopt},
        {ParamKind::Mute, "ON", value(0, 0, true)},
        {ParamKind::Phase, "0", value(0, 0, false)},
        {ParamKind::Solo, "maybe", std::nullopt},
        {ParamKind::Source, "bt", value(0, 2, false)},
        {ParamKind::Source, "High-Level", value(0, 5, false)},
        {ParamKind::Source, "Optical", value(0, 0, false)},
        {ParamKind::Source, "9", value(0, 8, false)},
        {ParamKind::Source, "10", std::nullopt},
        {ParamKind::Delay, "1.5ms", value(1.5, 0, false)},
        {ParamKind::Delay, "2", value(2, 0, false)},
        {ParamKind::Delay, "519cm", value(15, 0, false, DelayUnit::Centimetres)},
        {ParamKind::Delay, "204in", value(15, 0, false, DelayUnit::Inches)},
        {ParamKind::Delay, "20ms", value(15, 0, false)},  // the delay edit's limit
        {ParamKind::Delay, "3ft", std::nullopt},
        {ParamKind::EqFreq, "1.5k", value(0, 1500, false)},
        {ParamKind::EqFreq, "120Hz", value(0, 120, false)},
        {ParamKind::EqFreq, "19", std::nullopt},
        {ParamKind::EqFreq, "20001", std::nullopt},
        {ParamKind::HpFreq, "10", value(0, 10, false)},  // the crossover rules clamp it
        {ParamKind::EqQ, "4.25", value(4.25, 0, false)},
        {ParamKind::EqGain, "-3.5dB", value(-3.5, 0, false)},
        {ParamKind::HpType, "linkwitz-riley", value(0, 2, false)},
        {ParamKind::LpType, "3", value(0, 3, false)},
        {ParamKind::LpType, "chebyshev", std::nullopt},
        {ParamKind::HpSlope, "24dB", value(0, 4, false)},
        {ParamKind::HpSlope, "off", value(0, 0, false)},
        {ParamKind::LpSlope, "48", value(0, 8, false)},
        {ParamKind::LpSlope, "20dB", std::nullopt},
        {ParamKind::LpSlope, "54dB", std::nullopt},
    };
    for (const Case& c : cases) {
        std::string error;
        const Param param{c.kind, 0, 0};
        const auto read = ParseValue(param, c.text, &error);
        ASSERT_EQ(read.has_value(), c.value.has_value()) << c.text << ": " << error;
        if (read) {
            EXPECT_NEAR(read->number, c.value->number, 1e-9) << c.text;
            EXPECT_EQ(read->integer, c.value->integer) << c.text;
            EXPECT_EQ(read->on, c.value->on) << c.text;
            EXPECT_EQ(read->unit, c.value->unit) << c.text;
        } else {
            EXPECT_NE(error.find(c.text), std::string::npos) << error;
        }
    }
}

TEST(CliTexts, MatchTheEnglishLanguageFile) {
    std::ifstream file(TONVIA_LANGUAGE_EN);
    ASSERT_TRUE(file) << TONVIA_LANGUAGE_EN;
    const std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (const EnglishText& entry : EnglishTexts()) {
        const std::string element =
            "<text key=\"" + std::string(entry.key) + "\">" + std::string(entry.text) + "</text>";
        EXPECT_NE(xml.find(element), std::string::npos) << element;
    }
}

}  // namespace
