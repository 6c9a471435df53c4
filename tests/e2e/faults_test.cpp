// Faults of the transport between the application and the amplifier.
#include <future>
#include <thread>

#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "e2e_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class FaultTest : public AmplifierLinkTest {
  protected:
    // A request and its reply must go through at once: nothing left locked or half-read.
    void ExpectPromptRoundTrip() {
        const auto start = Clock::now();
        EXPECT_TRUE(link.Get_Main_Volume());
        EXPECT_LT(Clock::now() - start, 500ms);
        const auto posted = Take();
        ASSERT_EQ(posted.size(), 1u);
        ExpectAllMatch(posted);
    }
};

TEST_F(FaultTest, UnplugDuringAReadEndsItWithFalse) {
    // The plug-out notification closes the link, as the main page does.
    ASSERT_TRUE(amp.Start(tonvia::sim::kVendorId, tonvia::sim::kProductId,
                          [this](const tonvia::platform::DeviceEvent& event) {
                              if (event.kind == tonvia::platform::DeviceEventKind::Removed) {
                                  link.CloseHIDDevice(false);
                              }
                          }));
    amp.SetSilent(true);
    const auto start = Clock::now();
    auto reading = std::async(std::launch::async, [this] { return link.Get_Main_Volume(); });
    std::this_thread::sleep_for(50ms);
    amp.Unplug();
    EXPECT_FALSE(reading.get());
    EXPECT_LT(Clock::now() - start, 2s);  // not the 10 s reply wait
    EXPECT_FALSE(link.IsConnected());
    amp.Stop();

    amp.SetSilent(false);
    amp.Plug();
    link.OpenHIDDevice();
    ASSERT_TRUE(link.IsConnected());
    ExpectPromptRoundTrip();
}

TEST_F(FaultTest, UnplugWithTheLinkLeftOpenFailsTheNextRequestAtOnce) {
    amp.SetSilent(true);
    auto reading = std::async(std::launch::async, [this] {
        return link.SendAndWait(CMD_DSP, DSP_VOLUME, OP_GET, {}, 300);
    });
    std::this_thread::sleep_for(50ms);
    amp.Unplug();
    EXPECT_FALSE(reading.get());

    // The stale handle fails its write without waiting on the write lock.
    const auto start = Clock::now();
    EXPECT_FALSE(link.Get_Main_Volume());
    EXPECT_LT(Clock::now() - start, 500ms);

    amp.SetSilent(false);
    amp.Plug();
    link.CloseHIDDevice(false);
    link.OpenHIDDevice();
    ExpectPromptRoundTrip();
}

TEST_F(FaultTest, ADroppedReplyCostsOneTimeOut) {
    amp.Edit(Vary);
    amp.DropReplies(1);
    const auto start = Clock::now();
    EXPECT_FALSE(link.Get_Delay_Power_Off_Time());  // waits its 500 ms
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 450ms);
    EXPECT_LT(waited, 1500ms);
    EXPECT_TRUE(Take().empty());

    EXPECT_TRUE(link.Get_Delay_Power_Off_Time());
    const auto posted = Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message.lParam, 2500);
    ExpectPromptRoundTrip();
}

TEST_F(FaultTest, ACorruptReplyIsDroppedAndTheNextOneDecoded) {
    amp.CorruptNextReply();
    EXPECT_TRUE(link.Get_Main_Volume());  // a report came, but its frame does not check
    EXPECT_TRUE(Take().empty());
    ExpectPromptRoundTrip();
}

TEST_F(FaultTest, RepliesSplitAcrossReportsAreReassembled) {
    for (const bool fullSpeed : {false, true}) {
        SCOPED_TRACE(fullSpeed ? "full speed" : "no latency");
        if (fullSpeed) {
            amp.SetFullSpeed();
        }
        // Eleven spectrum points make a 65-byte frame: two input reports.
        EXPECT_TRUE(link.IRC_Get_Spectrum(2, 0, 10));
        EXPECT_TRUE(Take().empty());  // the first report holds no complete frame
        EXPECT_TRUE(link.ReadHIDData(1000));
        const auto posted = Take();
        ASSERT_EQ(posted.size(), 11u);
        for (std::size_t i = 0; i < posted.size(); ++i) {
            const auto* point = dynamic_cast<const IrcSpectrumRec*>(posted[i].message.record.get());
            ASSERT_NE(point, nullptr);
            EXPECT_EQ(point->channel, 2);
            EXPECT_EQ(point->band, static_cast<int>(i));
        }
        ExpectPromptRoundTrip();
    }
}

}  // namespace
}  // namespace e2e
