#pragma once
// The whole model of one amplifier as the program keeps it: the live record (scene 0,
// which also holds the handshake values, the flash version, ACC and the power-off delay),
// the ten stored scenes with their names and the valid-scene mask, and the little page
// state that lives beside the device state but is never sent or compared.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/dimensions.h"
#include "model/scene_config.h"

inline constexpr int kSceneNameChars = 7;  // a stored scene's name, without terminator

// Optional controls of the main page. A few reports store another value when their
// control is missing from the layout (the switch fields then keep their "missing" value,
// the ACC value is not stored at all).
struct PageControls {
    bool accSlider = true;
    bool ampButton = true;
    bool remOut1Button = true;
    bool remOut2Button = true;
    bool spkOhmButton = true;
    bool noiseGateButton = true;

    bool operator==(const PageControls&) const = default;
};

// How the page edits, not what the device holds: never sent, never part of a profile or of
// a comparison of device state.
struct PageState {
    // GEQ mode: only the gains of the bands are edited; PEQ mode edits frequency and Q too.
    bool geqMode = true;
    // When a curve drag (band, high-pass or low-pass) last sent to the device, in ms of a
    // steady clock; none before the first, so the first drag always sends.
    std::optional<std::int64_t> dragSendMs;

    bool operator==(const PageState&) const = default;
};

struct ModelSet {
    ModelSet();

    SceneConfig live;
    std::array<SceneConfig, kStoredSceneCount> stored;  // scenes 1..10 at 0..9
    std::array<std::wstring, kStoredSceneCount> sceneNames;
    std::int32_t validSceneMask = 0;  // bit k - 1: scene k holds data
    // iconv name of the ANSI code page the device's scene names are written in.
    std::string nameCodePage = "WINDOWS-1252";
    PageControls controls;
    PageState page;

    // The record of scene `number`: 0 live, 1..10 stored; nullptr for any other number.
    SceneConfig* Scene(int number);
    const SceneConfig* Scene(int number) const;

    // Copies the record of scene `from` into scene `to` (0 live, 1..10 stored). The copy
    // keeps the number of the record it lands in, so a stored scene copied into the live
    // record never sends its number in live commands. False, changing nothing, for a number
    // outside 0..10.
    bool CopyScene(int from, int to);

    bool operator==(const ModelSet&) const = default;
};
