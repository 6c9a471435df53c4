#include "model/positions.h"

int SourceInputCount(int source) {
    if (source < 0 || source >= kInputSourceCount) {
        return 0;
    }
    return kInputSources[static_cast<std::size_t>(source)].inputChannels;
}

int SourceIndexFromDeviceCode(int deviceCode) {
    const int index = deviceCode - kSourceDeviceCodeBase;
    if (index < 0 || index >= kInputSourceCount) {
        return kSourceForUnknownCode;
    }
    return index;
}

std::optional<int> SourceDeviceCode(int source) {
    if (source < 0 || source >= kInputSourceCount) {
        return std::nullopt;
    }
    return kInputSources[static_cast<std::size_t>(source)].deviceCode;
}

const SpeakerPosition* FindSpeakerPosition(int code) {
    if (code < 0 || code >= kPositionCodeCount) {
        return nullptr;
    }
    return &kSpeakerPositions[static_cast<std::size_t>(code)];
}

std::optional<int> PartnerCode(int code) {
    if (code >= 1 && code <= 6) {
        return code + 6;
    }
    if (code >= 7 && code <= 12) {
        return code - 6;
    }
    if (code >= 13 && code <= 15) {
        return code + 3;
    }
    if (code >= 16 && code <= 18) {
        return code - 3;
    }
    if (code == kPositionSubwooferLeft) {
        return kPositionSubwooferRight;
    }
    if (code == kPositionSubwooferRight) {
        return kPositionSubwooferLeft;
    }
    return std::nullopt;
}

Crossover DefaultCrossover(int code) {
    const SpeakerPosition* position = FindSpeakerPosition(code);
    if (position == nullptr) {
        position = FindSpeakerPosition(kPositionEmpty);
    }
    Crossover result;
    result.hp.SetFs(position->hpFs);
    result.hp.SetSlope(position->hpSlope);
    result.hp.SetType(position->filterType);
    result.lp.SetFs(position->lpFs);
    result.lp.SetSlope(position->lpSlope);
    result.lp.SetType(position->filterType);
    result.bpType =
        (result.hp.slope > 0 ? kBpHighPassOn : 0) | (result.lp.slope > 0 ? kBpLowPassOn : 0);
    return result;
}
