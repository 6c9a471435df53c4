#include "tuning/session.h"

#include <utility>

#include "commands/decoders.h"
#include "model/dimensions.h"
#include "model/product.h"

namespace tonvia::tuning {

namespace {

// The handle the headless session's link posts its main-window reports to.
constexpr WindowHandle kSessionWindow = 1;

}  // namespace

void ConfigureLink(CHidDevice& link) {
    InstallCommandDecoders(link);
    link.pc_model_id = static_cast<std::uint8_t>(MODEL_ID);
    link.mOutChannels = kOutChannelCount;
    link.mInChannels = kDspInputCount;
    link.mTrimTwoBytes = 1;
    link.mNoiseToMain = 0;
}

bool ReportQueue::PostWindowMessage(WindowHandle target, WindowMessage message) {
    if (target == kNoWindow) {
        return false;
    }
    {
        std::lock_guard lock(mMutex);
        mMessages.push_back(std::move(message));
    }
    mPosted.notify_all();
    return true;
}

std::vector<WindowMessage> ReportQueue::Take() {
    std::lock_guard lock(mMutex);
    return std::exchange(mMessages, {});
}

bool ReportQueue::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mMutex);
    return mPosted.wait_for(lock, timeout, [this] { return !mMessages.empty(); });
}

Session::Session(tonvia::platform::HidBackend& backend, WindowMessageSink& sink)
    : Session(backend, &sink) {}

Session::Session(tonvia::platform::HidBackend& backend) : Session(backend, nullptr) {}

Session::Session(tonvia::platform::HidBackend& backend, WindowMessageSink* sink)
    : mOwnQueue(sink == nullptr ? std::make_unique<ReportQueue>() : nullptr),
      mLink(backend, sink != nullptr ? *sink : *mOwnQueue) {
    ConfigureLink(mLink);
    if (mOwnQueue) {
        mLink.mMainWnd = kSessionWindow;
    }
}

Session::~Session() = default;

tonvia::commands::ReportChange Session::Apply(const WindowMessage& message) {
    return tonvia::commands::ApplyWindowMessage(mModel, message,
                                                mLink.mcu_is_normal_mode.load() != 0);
}

std::vector<tonvia::commands::ReportChange> Session::ProcessReports() {
    std::vector<tonvia::commands::ReportChange> changes;
    if (!mOwnQueue) {
        return changes;
    }
    for (const WindowMessage& message : mOwnQueue->Take()) {
        changes.push_back(Apply(message));
    }
    return changes;
}

std::vector<tonvia::commands::ReportChange> Session::WaitAndProcessReports(
    std::chrono::milliseconds timeout) {
    if (mOwnQueue) {
        mOwnQueue->Wait(timeout);
    }
    return ProcessReports();
}

}  // namespace tonvia::tuning
