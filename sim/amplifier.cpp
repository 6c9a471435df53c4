// The amplifier's entry point: the boot-loader gate and the dispatch to the families.
#include "sim/amplifier.h"

#include "sim/amplifier_families.h"

namespace tonvia::sim {

using amplifier_detail::kFlashErase;
using amplifier_detail::kFlashUpgradeFinish;
using amplifier_detail::Rejected;

Outcome Amplifier::Handle(const Request& request) {
    if (mState.bootLoaderMode) {
        // The boot loader knows only the system family and the flash transfer.
        const bool transfer = request.type == kFlash && request.subcmd >= kFlashErase &&
                              request.subcmd <= kFlashUpgradeFinish;
        if (request.type != kMcu && !transfer) {
            return Rejected();
        }
    }
    switch (request.type) {
        case kMcu:
            return HandleMcu(request);
        case kDsp:
            return HandleDsp(request);
        case kFlash:
            return HandleFlash(request);
        case kKaraoke:
            return HandleKaraoke(request);
        default:
            return Rejected();
    }
}

}  // namespace tonvia::sim
