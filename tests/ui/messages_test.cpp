// Posted messages through the window-handle registry, and the window timers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "ui/window_registry.h"
#include "ui_fixture.h"

namespace {

using tonvia::ui::PostMessageTo;
using tonvia::ui::WindowRegistry;

// Counts how many records are alive, so that a lost record shows as a leak here.
struct CountedRecord final : MessageRecord {
    explicit CountedRecord(std::atomic<int>& live, int v = 0) : counter(live), value(v) {
        ++counter;
    }
    ~CountedRecord() override { --counter; }
    std::atomic<int>& counter;
    int value;
};

class WindowMessages : public ui_testing::SkinTest {
  protected:
    std::atomic<int> live{0};
};

TEST_F(WindowMessages, ArriveWithTheirRecordOnTheUiThread) {
    auto dialog = MakeDialog();
    WindowMessageSink& sink = WindowRegistry::Instance();
    WindowMessage message;
    message.message = WM_READ_DSP_VALUE;
    message.wParam = 39;
    message.lParam = -5;
    message.record = std::make_unique<CountedRecord>(live, 12);
    EXPECT_TRUE(sink.PostWindowMessage(dialog->GetHWND(), std::move(message)));
    EXPECT_TRUE(dialog->messages.empty());  // posted, not sent
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(dialog->messages.size(), 1u);
    const auto& got = dialog->messages[0];
    EXPECT_EQ(got.message, WM_READ_DSP_VALUE);
    EXPECT_EQ(got.wParam, 39u);
    EXPECT_EQ(got.lParam, -5);
    auto* record = dynamic_cast<CountedRecord*>(got.record.get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->value, 12);
    dialog->messages.clear();
    EXPECT_EQ(live, 0);
}

TEST_F(WindowMessages, ToAGoneWindowAreDroppedWithTheirRecord) {
    auto dialog = MakeDialog();
    const WindowHandle handle = dialog->GetHWND();
    const std::size_t before = WindowRegistry::Instance().Size();
    dialog.reset();
    EXPECT_EQ(WindowRegistry::Instance().Size(), before - 1);
    EXPECT_FALSE(WindowRegistry::Instance().IsWindow(handle));
    EXPECT_FALSE(
        PostMessageTo(handle, WM_SET_CONNECTED, 0, 0, std::make_unique<CountedRecord>(live)));
    EXPECT_EQ(live, 0);
    EXPECT_FALSE(PostMessageTo(kNoWindow, WM_SET_CONNECTED));
}

TEST_F(WindowMessages, StillQueuedWhenTheWindowGoesAreFreed) {
    auto dialog = MakeDialog();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(PostMessageTo(dialog->GetHWND(), WM_READ_MCU_VALUE, 0, 0,
                                  std::make_unique<CountedRecord>(live)));
    }
    EXPECT_EQ(live, 3);
    dialog.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(live, 0);
}

TEST_F(WindowMessages, AnyThreadMayPostWhileTheWindowCloses) {
    auto dialog = MakeDialog();
    const WindowHandle handle = dialog->GetHWND();
    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    std::atomic<int> accepted{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                if (PostMessageTo(handle, WM_READ_DSP_VALUE, static_cast<std::uintptr_t>(t), i,
                                  std::make_unique<CountedRecord>(live, i))) {
                    ++accepted;
                }
            }
        });
    }
    // Let some arrive, then take the window away while the threads still post.
    QCoreApplication::sendPostedEvents();
    const std::size_t delivered = dialog->messages.size();
    dialog->messages.clear();
    dialog.reset();
    for (auto& thread : threads) {
        thread.join();
    }
    QCoreApplication::sendPostedEvents();
    EXPECT_LE(delivered, static_cast<std::size_t>(accepted.load()));
    EXPECT_EQ(live, 0);
}

TEST_F(WindowMessages, TakeRecordMovesOnlyTheRightType) {
    WindowMessage message;
    message.record = std::make_unique<CountedRecord>(live, 3);
    struct Other final : MessageRecord {};
    EXPECT_EQ(tonvia::ui::TakeRecord<Other>(message), nullptr);
    EXPECT_NE(message.record, nullptr);
    auto taken = tonvia::ui::TakeRecord<CountedRecord>(message);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->value, 3);
    EXPECT_EQ(message.record, nullptr);
}

class WindowTimers : public ui_testing::SkinTest {};

TEST_F(WindowTimers, FireByIdUntilKilled) {
    auto dialog = MakeDialog();
    EXPECT_TRUE(dialog->SetTimer(4112, 5));
    EXPECT_TRUE(dialog->SetTimer(4113, 5));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dialog->timerFires[4112] >= 2 && dialog->timerFires[4113] >= 2; }, 2000));
    EXPECT_GE(dialog->timerFires[4112], 2);
    EXPECT_TRUE(dialog->KillTimer(4112));
    EXPECT_FALSE(dialog->KillTimer(4112));
    EXPECT_FALSE(dialog->HasTimer(4112));
    const int fired = dialog->timerFires[4112];
    QTest::qWait(30);
    EXPECT_EQ(dialog->timerFires[4112], fired);
    EXPECT_GT(dialog->timerFires[4113], 2);
}

TEST_F(WindowTimers, ATimerMayKillItselfAndCloseStopsAll) {
    auto dialog = MakeDialog();
    dialog->onTimer = [&](unsigned id) { dialog->KillTimer(id); };
    dialog->SetTimer(4114, 1);
    dialog->SetTimer(7698, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->timerFires[4114] >= 1; }, 2000));
    QTest::qWait(20);
    EXPECT_EQ(dialog->timerFires[4114], 1);
    dialog->onTimer = nullptr;
    dialog->SetTimer(8193, 1);
    dialog->Close(0);
    const int fired = dialog->timerFires[8193];
    QTest::qWait(20);
    EXPECT_EQ(dialog->timerFires[8193], fired);
    EXPECT_FALSE(dialog->SetTimer(8193, 1));
}

}  // namespace
