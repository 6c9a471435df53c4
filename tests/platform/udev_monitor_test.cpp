#include <gtest/gtest.h>

#include "platform/udev_monitor.h"

namespace {

using tonvia::platform::ParseHidDevpath;
using tonvia::platform::ParseHidId;

TEST(HidIds, PropertyAndPathForms) {
    const auto id = ParseHidId("0003:00000483:00005750");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->vendorId, 0x0483);
    EXPECT_EQ(id->productId, 0x5750);

    const auto path = ParseHidDevpath(
        "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0483:5750.0007/hidraw/hidraw3");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->vendorId, 0x0483);
    EXPECT_EQ(path->productId, 0x5750);
}

TEST(HidIds, OtherTextIsNoDevice) {
    for (const char* text :
         {"", "0003", "0003:0483", "0003:zz83:5750", "0003:0483:5750:1", "0003:00010483:5750"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseHidId(text));
    }
    // USB interface folders ("1-2:1.0") and PCI addresses are not HID device folders.
    EXPECT_FALSE(ParseHidDevpath("/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0"));
    EXPECT_FALSE(ParseHidDevpath("/devices/virtual/misc/uhid"));
    EXPECT_FALSE(ParseHidDevpath(""));
}

TEST(UdevMonitor, StartsAndStopsPromptlyOrRefusesCleanly) {
    // Without a udev daemon (a container) the monitor may not start; either way it must
    // stop at once and never call the listener for nothing.
    auto monitor = tonvia::platform::MakeUdevDeviceMonitor();
    int calls = 0;
    const bool started = monitor->Start(0x0483, 0x5750, [&](const auto&) { ++calls; });
    monitor->Stop();
    monitor->Stop();
    EXPECT_EQ(calls, 0);
    (void)started;
}

}  // namespace
