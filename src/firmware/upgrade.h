#pragma once
// The direct firmware upgrade over the HID link: UpgradeStart chooses the target from the
// file name, has the file checked, switches the amplifier into upgrade mode, reconnects
// when it comes back as its upgrade firmware and sends the start command; UpgradeStep
// then moves the transfer on by one step per call until it reports success (101) or
// failure (255). Both block on the device and run on one worker thread, with the command
// queue switched off by the caller.

#include <chrono>
#include <cstdint>
#include <string>

#include "firmware/firmware_image.h"
#include "link/hid_device.h"

namespace tonvia::firmware {

inline constexpr std::uint8_t kUpgradeSucceeded = 101;
inline constexpr std::uint8_t kUpgradeFailed = 255;

// The device's times; fixed by the amplifier, shortened only by tests.
struct UpgradeTimings {
    std::chrono::milliseconds replyWait{10000};
    std::chrono::milliseconds restartWait{8000};  // before the first reconnection attempt
    std::chrono::milliseconds retryWait{500};
    int reconnectAttempts = 10;
};

class Upgrader {
  public:
    explicit Upgrader(CHidDevice& link, UpgradeTimings timings = {})
        : mLink(link), mTimings(timings) {}

    // Loader results: 0 valid (also for a download script, which needs no device work),
    // 1 open failure, 2 invalid file or name, 3 no device, 4 the device refused.
    unsigned UpgradeStart(const std::string& path, bool erase);
    // 0..100 progress while the transfer goes on; 101 success, 255 failure, after which
    // the state is idle again.
    std::uint8_t UpgradeStep();

    UpgradeImages& Images() { return mImages; }

  private:
    std::uint8_t Progress() const;
    bool Send(std::uint8_t cmd, std::uint8_t subcmd, std::span<const std::uint8_t> data, bool wait);
    void SendBlock(std::uint8_t cmd, std::uint8_t subcmd, std::span<const std::uint8_t> data);
    std::uint8_t SendMcuBlock();
    std::uint8_t SendDspBlock();
    std::uint8_t Finish();

    CHidDevice& mLink;
    UpgradeTimings mTimings;
    UpgradeImages mImages;
};

}  // namespace tonvia::firmware
