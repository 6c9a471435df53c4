#include "model/model_set.h"

ModelSet::ModelSet() {
    // Every parameter command of a stored scene's record carries that scene's number.
    for (int k = 1; k <= kStoredSceneCount; ++k) {
        stored[static_cast<std::size_t>(k - 1)].scene = k;
    }
}

SceneConfig* ModelSet::Scene(int number) {
    return const_cast<SceneConfig*>(static_cast<const ModelSet*>(this)->Scene(number));
}

const SceneConfig* ModelSet::Scene(int number) const {
    if (number == 0) {
        return &live;
    }
    if (number >= 1 && number <= kStoredSceneCount) {
        return &stored[static_cast<std::size_t>(number - 1)];
    }
    return nullptr;
}

bool ModelSet::CopyScene(int from, int to) {
    const SceneConfig* source = Scene(from);
    SceneConfig* target = Scene(to);
    if (source == nullptr || target == nullptr) {
        return false;
    }
    if (source != target) {
        *target = *source;
    }
    target->scene = to;
    return true;
}
