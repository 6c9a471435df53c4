#include "tuning/edits.h"

namespace tonvia::tuning {

bool EditResult::Changed() const {
    return mainVolume || mainMute || acc || source || routing || switches || geqMode || bridges ||
           linkLock || notice != nullptr ||
           !(levels | delays | mutes | phases | solos | shows | compressors | crossovers | bands |
             bypass | positions | groups)
                .Empty() ||
           madeCurrent >= 0;
}

void EditResult::Merge(const EditResult& other) {
    refused = refused || other.refused;
    mainVolume = mainVolume || other.mainVolume;
    mainMute = mainMute || other.mainMute;
    acc = acc || other.acc;
    source = source || other.source;
    startVolumePoll = startVolumePoll || other.startVolumePoll;
    routing = routing || other.routing;
    switches = switches || other.switches;
    geqMode = geqMode || other.geqMode;
    bridges = bridges || other.bridges;
    linkLock = linkLock || other.linkLock;
    if (other.notice != nullptr) {
        notice = other.notice;
    }
    positions.Add(other.positions);
    groups.Add(other.groups);
    levels.Add(other.levels);
    delays.Add(other.delays);
    mutes.Add(other.mutes);
    phases.Add(other.phases);
    solos.Add(other.solos);
    shows.Add(other.shows);
    compressors.Add(other.compressors);
    crossovers.Add(other.crossovers);
    bands.Add(other.bands);
    bypass.Add(other.bypass);
    if (other.band >= 0) {
        band = other.band;
    }
    if (other.madeCurrent >= 0) {
        madeCurrent = other.madeCurrent;
    }
}

int CurrentChannel(const SceneConfig& live) {
    const int ch = live.currOutChannel;
    return ch >= 0 && ch < kOutChannelCount ? ch : 0;
}

std::vector<int> SynchronizeGroup(const SceneConfig& live, int ch) {
    std::vector<int> members;
    if (ch < 0 || ch >= kOutChannelCount) {
        return members;
    }
    const int group = live.linkSel[static_cast<std::size_t>(ch)];
    if (group <= 0) {
        return members;
    }
    for (int i = 0; i < kOutChannelCount; ++i) {
        if (i != ch && live.linkSel[static_cast<std::size_t>(i)] == group) {
            members.push_back(i);
        }
    }
    return members;
}

}  // namespace tonvia::tuning
