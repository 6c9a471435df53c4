#include <span>

#include "platform/paths.h"
#include "profiles/profile_files.h"

namespace tonvia::profiles {

namespace {

// Far above any profile the program writes (a whole profile is a few hundred kB).
constexpr std::size_t kMaxProfileBytes = 16u << 20;

ProfileResult WriteText(const std::string& text, const std::string& path) {
    std::string error;
    if (!platform::WriteFileAtomically(path, std::span(text.data(), text.size()), &error)) {
        return {false, kProfileCreateError, error};
    }
    return {true, kProfileSaveOk, {}};
}

template <class Parse>
ProfileResult ReadText(const std::string& path, ModelSet& model, Parse parse) {
    const platform::FileRead read = platform::ReadRegularFile(path, kMaxProfileBytes);
    if (!read.bytes) {
        return {false, kProfileOpenError, read.missing ? "no such file" : read.error};
    }
    return parse(*read.bytes, model);
}

}  // namespace

ProfileResult WriteSceneProfile(const ModelSet& model, const std::string& path) {
    return WriteText(SceneProfileText(model), path);
}

ProfileResult WriteWholeProfile(const ModelSet& model, const std::string& path) {
    return WriteText(WholeProfileText(model), path);
}

ProfileResult ReadSceneProfile(const std::string& path, ModelSet& model) {
    return ReadText(path, model, ParseSceneProfile);
}

ProfileResult ReadWholeProfile(const std::string& path, ModelSet& model) {
    return ReadText(path, model, ParseWholeProfile);
}

}  // namespace tonvia::profiles
