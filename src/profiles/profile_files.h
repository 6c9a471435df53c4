#pragma once
// The profile files of the tuning. A scene profile (".spf") holds the working configuration;
// a whole profile (".wpf") holds it, the ten stored scenes and their names. The text
// functions need no files, so tests and fuzzers call them directly; the file functions are
// thin wrappers around them.

#include <string>
#include <string_view>

#include "model/model_set.h"

namespace tonvia::profiles {

// Language keys of the messages a caller shows.
inline constexpr const char* kProfileSaveOk = "${profile_save_ok}";
inline constexpr const char* kProfileCreateError = "${profile_create_error}";
inline constexpr const char* kProfileOpenError = "${profile_open_error}";
inline constexpr const char* kProfileLoadError = "${profile_load_error}";
inline constexpr const char* kSoftwareNotMatch = "${software_not_match}";

inline constexpr int kProfileModel = 77;  // the only device model a profile is for

struct ProfileResult {
    bool ok = false;
    std::string message;  // a key above; kProfileSaveOk after a save, empty after a good read
    std::string detail;   // what went wrong, for the log; empty on success
};

// The file text of the live record, printed without line breaks.
std::string SceneProfileText(const ModelSet& model);
// The live record, the stored scenes and the scene names.
std::string WholeProfileText(const ModelSet& model);

// Parses a scene profile into the live record. The model changes only when the whole text
// is valid; otherwise it is left exactly as it was.
ProfileResult ParseSceneProfile(std::string_view text, ModelSet& model);
// Parses a whole profile into the live record, the stored scenes and the scene names, with
// the same all-or-nothing rule.
ProfileResult ParseWholeProfile(std::string_view text, ModelSet& model);

// Writes the whole file or nothing: an old file at `path` survives a failed save.
ProfileResult WriteSceneProfile(const ModelSet& model, const std::string& path);
ProfileResult WriteWholeProfile(const ModelSet& model, const std::string& path);

ProfileResult ReadSceneProfile(const std::string& path, ModelSet& model);
ProfileResult ReadWholeProfile(const std::string& path, ModelSet& model);

}  // namespace tonvia::profiles
