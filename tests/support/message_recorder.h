#pragma once
// A WindowMessageSink that keeps every posted message for inspection.

#include <mutex>
#include <vector>

#include "link/window_messages.h"

namespace testing_support {

struct PostedMessage {
    WindowHandle target = 0;
    WindowMessage message;
};

class MessageRecorder final : public WindowMessageSink {
  public:
    bool PostWindowMessage(WindowHandle target, WindowMessage message) override {
        std::lock_guard lock(mMutex);
        mPosted.push_back({target, std::move(message)});
        return true;
    }
    // Takes the messages posted so far.
    std::vector<PostedMessage> Take() {
        std::lock_guard lock(mMutex);
        return std::exchange(mPosted, {});
    }

  private:
    std::mutex mMutex;
    std::vector<PostedMessage> mPosted;
};

}  // namespace testing_support
