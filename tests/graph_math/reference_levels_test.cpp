// Levels against scipy's sosfreqz on independently designed sections (the data file and the
// script that made it: scripts/filter_reference.py).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graph/math/channel_curve.h"
#include "graph/math/filter_response.h"

namespace {

struct ReferenceLine {
    std::string kind;
    std::vector<double> parameters;
    std::vector<double> levels;
    int lineNumber = 0;
};

struct ReferenceFile {
    std::vector<std::size_t> points;
    std::vector<ReferenceLine> lines;
};

ReferenceFile ReadReferenceFile() {
    ReferenceFile file;
    std::ifstream in(TONVIA_REFERENCE_LEVELS);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (text.empty() || text[0] == '#') {
            continue;
        }
        std::istringstream words(text);
        ReferenceLine line;
        line.lineNumber = number;
        words >> line.kind;
        if (line.kind == "points") {
            for (std::size_t p = 0; words >> p;) {
                file.points.push_back(p);
            }
            continue;
        }
        std::string word;
        while (words >> word && word != "|") {
            line.parameters.push_back(std::stod(word));
        }
        for (double level = 0; words >> level;) {
            line.levels.push_back(level);
        }
        file.lines.push_back(line);
    }
    return file;
}

std::array<double, CURVE_POINTS> Compute(const ReferenceLine& line) {
    std::array<double, CURVE_POINTS> levels{};
    const std::vector<double>& p = line.parameters;
    const FrequencyGrid& grid = StandardFrequencyGrid();
    if (line.kind == "grid") {
        return grid;
    }
    if (line.kind == "peq") {
        PeqResponse(p.at(0), p.at(1), p.at(2), p.at(3), grid, levels);
    } else if (line.kind == "crossover") {
        CrossoverResponse(p.at(0) != 0, p.at(1), static_cast<int>(p.at(2)),
                          static_cast<int>(p.at(3)), grid, levels);
    } else if (line.kind == "channel") {
        OutChannel channel;
        const auto filter = [&](FilterSetting& f, std::size_t at) {
            f.fs = static_cast<int>(p.at(at));
            f.type = static_cast<int>(p.at(at + 1));
            f.SetSlope(static_cast<int>(p.at(at + 2)));
        };
        filter(channel.crossover.hp, 0);
        filter(channel.crossover.lp, 3);
        channel.bypass = static_cast<std::uint8_t>(p.at(6));
        channel.eqSize = static_cast<int>(p.at(7));
        for (std::size_t b = 0; b < static_cast<std::size_t>(channel.eqSize); ++b) {
            EqBand& band = channel.eqArray.at(b);
            band.freq = static_cast<int>(p.at(8 + 4 * b));
            band.gain = static_cast<float>(p.at(9 + 4 * b));
            band.q = static_cast<float>(p.at(10 + 4 * b));
            band.enable = static_cast<std::uint8_t>(p.at(11 + 4 * b));
        }
        ChannelCurve curve;
        ComputeChannelCurve(channel, curve);
        return curve.levels;
    } else {
        ADD_FAILURE() << "unknown line kind " << line.kind;
    }
    return levels;
}

TEST(ScipyReference, EveryCaseAgreesToANanodecibel) {
    const ReferenceFile file = ReadReferenceFile();
    ASSERT_EQ(file.points.size(), 34u) << "missing or unreadable " << TONVIA_REFERENCE_LEVELS;
    ASSERT_GE(file.lines.size(), 70u);
    for (const ReferenceLine& line : file.lines) {
        ASSERT_EQ(line.levels.size(), file.points.size()) << "line " << line.lineNumber;
        const std::array<double, CURVE_POINTS> levels = Compute(line);
        const double tolerance = line.kind == "grid" ? 1e-12 * 48000.0 : 1e-9;
        for (std::size_t k = 0; k < file.points.size(); ++k) {
            EXPECT_NEAR(levels.at(file.points[k]), line.levels[k], tolerance)
                << "line " << line.lineNumber << " (" << line.kind << "), point " << file.points[k];
        }
    }
}

}  // namespace
