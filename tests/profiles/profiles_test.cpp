// Profile files: what is written comes back field for field, and a file that is wrong
// anywhere is refused with its message and changes nothing.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "profiles/profile_files.h"

namespace {

using namespace tonvia::profiles;
namespace fs = std::filesystem;

// Every kind of field a stored scene carries in a profile, away from its default.
void Tune(SceneConfig& s, int seed) {
    s.bridgeOutputs = {1, 0, 1};
    s.outputs = {1, 2, 3, 4, 5, 24};
    s.outputs_bk = {24, 5, 4, 3, 2, 1};
    s.linkOutputs = {1, 0, -1, -1, 5, 4};
    s.linkSel = {seed % 7, 6, 2, 3, 4, 5};
    s.delayLinkSel = {6, 0, 1, 1, 2, 2};
    s.showOutChEqualizer = {1, 0, 1, 0, 1, 1};
    s.currOutChannel = 5;
    s.linkMode = 1;
    s.lockMode = seed % 3;
    s.inputs[8][5] = 0x0F;
    s.inputMixVolume[2][3][4] = 37;
    s.csmViceSource[8][5] = 7 + seed;  // each scene its own, so a mixed-up copy shows
    s.csmViceCh[0][0] = 3;
    s.csmViceGain[4][2] = -12;
    for (OutChannel& ch : s.channels) {
        ch.gain = -3.5f;
        ch.delay = 1.125f + static_cast<float>(seed);
        ch.mute = 1;
        ch.solo = 1;
        ch.phase = 1;
        ch.bypass = 1;
        ch.crossover.bpType = 3;
        ch.crossover.hp = {80, 2, 4, 0};
        ch.crossover.lp = {12000, 3, 8, 0};
        ch.eqSize = 15;
        ch.eqArray[14] = {2.25f, 1.5f, 999, 0};
    }
    s.channels[1].eqSize = 0;  // bands beyond eqSize are not in the file
    s.channels[1].eqArray[14] = OutChannel{}.eqArray[14];
}

void TuneLive(SceneConfig& s) {
    Tune(s, 0);
    s.mainVolume = -20;
    s.acc = 1;
    s.subVolume = 3;
    s.mainVolumeMute = 1;
    s.inputThreshold = -42;
    s.inMixPhase[8][3] = 1;
}

std::string Edited(const std::string& text, const std::function<void(cJSON*)>& edit) {
    cJSON* root = cJSON_Parse(text.c_str());
    edit(root);
    char* printed = cJSON_PrintUnformatted(root);
    std::string out(printed);
    cJSON_free(printed);
    cJSON_Delete(root);
    return out;
}

cJSON* Channel(cJSON* root, int ch) {
    return cJSON_GetArrayItem(cJSON_GetObjectItem(root, "channels"), ch);
}

void SetFirstInt(cJSON* root, const char* key, double value) {
    cJSON_SetNumberValue(cJSON_GetArrayItem(cJSON_GetObjectItem(root, key), 0), value);
}

TEST(SceneProfile, ComesBackFieldForField) {
    ModelSet written;
    TuneLive(written.live);
    ModelSet read;
    const ProfileResult result = ParseSceneProfile(SceneProfileText(written), read);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(read, written);
    EXPECT_EQ(read.live.channels[0].gain, -3.5f);
    EXPECT_EQ(read.live.channels[0].eqArray[14].gain, 2.25f);
}

struct Refusal {
    const char* name;
    std::function<void(cJSON*)> edit;
    const char* message;
};

TEST(SceneProfile, RefusesABadFileAndKeepsTheModel) {
    const std::vector<Refusal> cases = {
        {"another model",
         [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(r, "model"), 78); },
         kSoftwareNotMatch},
        {"model as a string",
         [](cJSON* r) { cJSON_ReplaceItemInObject(r, "model", cJSON_CreateString("77")); },
         kProfileLoadError},
        {"eqArray one short",
         [](cJSON* r) {
             cJSON_DeleteItemFromArray(cJSON_GetObjectItem(Channel(r, 3), "eqArray"), 0);
         },
         kProfileLoadError},
        {"five channels",
         [](cJSON* r) { cJSON_DeleteItemFromArray(cJSON_GetObjectItem(r, "channels"), 5); },
         kProfileLoadError},
        {"seven channels",
         [](cJSON* r) {
             cJSON_AddItemToArray(cJSON_GetObjectItem(r, "channels"),
                                  cJSON_Duplicate(Channel(r, 0), 1));
         },
         kProfileLoadError},
        {"eqSize 32",
         [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(Channel(r, 0), "eqSize"), 32); },
         kProfileLoadError},
        {"currOutChannel 6",
         [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(r, "currOutChannel"), 6); },
         kProfileLoadError},
        {"linkOutputs -2", [](cJSON* r) { SetFirstInt(r, "linkOutputs", -2); }, kProfileLoadError},
        {"linkSel 7", [](cJSON* r) { SetFirstInt(r, "linkSel", 7); }, kProfileLoadError},
        {"delayLinkSel -1", [](cJSON* r) { SetFirstInt(r, "delayLinkSel", -1); },
         kProfileLoadError},
        {"outputs 25", [](cJSON* r) { SetFirstInt(r, "outputs", 25); }, kProfileLoadError},
        {"volume beyond int",
         [](cJSON* r) { cJSON_SetNumberValue(cJSON_GetObjectItem(r, "mainVolume"), 1e12); },
         kProfileLoadError},
        {"inputs element a string",
         [](cJSON* r) {
             cJSON_ReplaceItemInArray(cJSON_GetArrayItem(cJSON_GetObjectItem(r, "inputs"), 8), 5,
                                      cJSON_CreateString("1"));
         },
         kProfileLoadError},
        {"no inMixPhase", [](cJSON* r) { cJSON_DeleteItemFromObject(r, "inMixPhase"); },
         kProfileLoadError},
    };
    ModelSet base;
    base.live.mainVolume = -33;  // differs from the file, so a partial read would show
    const std::string good = SceneProfileText([] {
        ModelSet m;
        TuneLive(m.live);
        return m;
    }());
    for (const Refusal& c : cases) {
        ModelSet model = base;
        const ProfileResult result = ParseSceneProfile(Edited(good, c.edit), model);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.message, c.message) << c.name;
        EXPECT_FALSE(result.detail.empty()) << c.name;
        EXPECT_EQ(model, base) << c.name;
    }
    ModelSet model = base;
    EXPECT_EQ(ParseSceneProfile("{\"model\":77,", model).message, kProfileOpenError);
    EXPECT_EQ(ParseSceneProfile("", model).message, kProfileOpenError);
    EXPECT_EQ(model, base);
}

TEST(SceneProfile, LoadsWithoutTheOptionalKeys) {
    ModelSet written;
    TuneLive(written.live);
    const std::string text = Edited(SceneProfileText(written), [](cJSON* r) {
        cJSON_DeleteItemFromObject(r, "model_name");
        cJSON_DeleteItemFromObject(r, "csmViceSource");
        cJSON_ReplaceItemInObject(r, "csmViceCh", cJSON_CreateNumber(5));  // misshapen
    });
    ModelSet model;
    model.live.csmViceSource[1][1] = 9;
    model.live.csmViceCh[2][2] = 8;
    ASSERT_TRUE(ParseSceneProfile(text, model).ok);
    EXPECT_EQ(model.live.csmViceSource[1][1], 9);
    EXPECT_EQ(model.live.csmViceCh[2][2], 8);
    EXPECT_EQ(model.live.csmViceGain, written.live.csmViceGain);

    const std::string odd = Edited(SceneProfileText(written), [](cJSON* r) {
        cJSON_ReplaceItemInObject(r, "model_name", cJSON_CreateNumber(1));
    });
    EXPECT_TRUE(ParseSceneProfile(odd, model).ok);
}

ModelSet TunedWhole() {
    ModelSet m;
    TuneLive(m.live);
    for (int k = 1; k <= kStoredSceneCount; ++k) {
        Tune(*m.Scene(k), k);
    }
    m.sceneNames[0] = L"Bass";
    m.sceneNames[1] = L"\u4E2D\u6587\u573A\u666F";                    // Chinese
    m.sceneNames[2] = L"\u0417\u0430\u043B\u00A0\u0412\u0418\u041F";  // Russian, 7 units
    m.sceneNames[3] = L"\U0001F3B5x";                                 // a surrogate pair
    return m;
}

TEST(WholeProfile, FileComesBackWithEveryScene) {
    const ModelSet written = TunedWhole();
    const std::string path = "tuning.wpf";
    ASSERT_EQ(WriteWholeProfile(written, path).message, kProfileSaveOk);
    ModelSet read;
    const ProfileResult result = ReadWholeProfile(path, read);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(read, written);
    for (int k = 1; k <= kStoredSceneCount; ++k) {
        EXPECT_EQ(read.Scene(k)->lockMode, k % 3);
    }

    ModelSet scene;
    ASSERT_EQ(WriteSceneProfile(written, "tuning.spf").message, kProfileSaveOk);
    ASSERT_TRUE(ReadSceneProfile("tuning.spf", scene).ok);
    EXPECT_EQ(scene.live, written.live);
    EXPECT_EQ(ReadSceneProfile("missing.spf", scene).message, kProfileOpenError);
}

TEST(WholeProfile, NamesAreCutToTheirEntryAndLongEntriesRefused) {
    ModelSet written;
    written.sceneNames[0] = L"Eightchr";
    ModelSet read;
    ASSERT_TRUE(ParseWholeProfile(WholeProfileText(written), read).ok);
    EXPECT_EQ(read.sceneNames[0], L"Eightch");

    auto withName = [&](const char* base64) {
        return Edited(WholeProfileText(written), [&](cJSON* r) {
            cJSON_ReplaceItemInArray(cJSON_GetObjectItem(r, "sceneName"), 0,
                                     cJSON_CreateString(base64));
        });
    };
    // 16 bytes without a zero unit still give a terminated name.
    ASSERT_TRUE(ParseWholeProfile(withName("QQBCAEMARABFAEYARwBIAA=="), read).ok);
    EXPECT_EQ(read.sceneNames[0], L"ABCDEFG");
    const ModelSet before = read;
    for (const char* bad : {"QQBCAEMARABFAEYARwBIAEkASgA=", "QQB", "QQ=B", "Q!=="}) {
        const ProfileResult result = ParseWholeProfile(withName(bad), read);
        EXPECT_EQ(result.message, kProfileLoadError) << bad;
        EXPECT_EQ(read, before) << bad;
    }
}

TEST(WholeProfile, ABrokenSceneKeepsTheWholeModel) {
    const ModelSet before;
    const std::string text = Edited(WholeProfileText(TunedWhole()), [](cJSON* r) {
        cJSON* last = cJSON_GetArrayItem(cJSON_GetObjectItem(r, "sceneArray"), 9);
        cJSON_SetNumberValue(cJSON_GetObjectItem(last, "currOutChannel"), -1);
    });
    ModelSet model;
    EXPECT_EQ(ParseWholeProfile(text, model).message, kProfileLoadError);
    EXPECT_EQ(model, before);
}

TEST(ProfileSave, AFailedSaveReportsItAndKeepsWhatWasThere) {
    fs::create_directory("taken.spf");
    std::ofstream("taken.spf/keep") << "old";
    std::ofstream("plain") << "old";
    const ModelSet model = TunedWhole();
    for (const std::string path : {"taken.spf", "plain/below.spf"}) {
        const ProfileResult scene = WriteSceneProfile(model, path);
        EXPECT_FALSE(scene.ok) << path;
        EXPECT_EQ(scene.message, kProfileCreateError) << path;
        EXPECT_EQ(WriteWholeProfile(model, path).message, kProfileCreateError) << path;
    }
    EXPECT_TRUE(fs::is_directory("taken.spf"));
    EXPECT_EQ(fs::file_size("taken.spf/keep"), 3u);
    EXPECT_EQ(fs::file_size("plain"), 3u);
    for (const auto& entry : fs::directory_iterator(".")) {  // no temporary left behind
        EXPECT_EQ(entry.path().filename().string().find("taken.spf."), std::string::npos);
    }
}

}  // namespace
