#include "state_read.h"

#include "tuning/connection.h"

namespace e2e {

StateReadResult ReadWholeState(CHidDevice& d) {
    // The program's own request list, for a model at its defaults (31 bands a channel).
    const auto read = tonvia::tuning::ReadLiveState(d, tonvia::tuning::PlanStateRead(ModelSet{}));
    return StateReadResult{read.requests, read.answered};
}

}  // namespace e2e
