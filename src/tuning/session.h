#pragma once
// The session: one amplifier's model and the link to it, set up the way the program talks
// to this amplifier. Every front end runs on a session: the main window, the command line
// and the tests. The rules half of every operation takes the session, never a window.
//
// Device reports reach the model on the thread that owns it. In the window form the link
// posts them to the window layer's sink and the window calls Apply on the UI thread (the
// model first, then the page). In the headless form the session keeps them in its own
// queue and ProcessReports applies them on the calling thread. Either way the model is
// written by one thread only; the link's threads never touch it.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "commands/apply_reports.h"
#include "link/hid_device.h"
#include "link/window_messages.h"
#include "model/model_set.h"
#include "platform/hid_backend.h"

namespace tonvia::tuning {

// The link settings of this amplifier: the DSP, flash and karaoke decoders, model id 77,
// six outputs, four inputs, two-byte trims, input-noise replies to the dialog window.
void ConfigureLink(CHidDevice& link);

// Posted messages kept for the thread that owns the model. Safe to post from any thread.
class ReportQueue final : public WindowMessageSink {
  public:
    bool PostWindowMessage(WindowHandle target, WindowMessage message) override;

    // Everything posted so far, oldest first; empty when nothing is waiting.
    std::vector<WindowMessage> Take();
    // Waits until a message is waiting or `timeout` has passed; true when one is.
    bool Wait(std::chrono::milliseconds timeout);

  private:
    std::mutex mMutex;
    std::condition_variable mPosted;
    std::vector<WindowMessage> mMessages;
};

class Session {
  public:
    // The window form: the link posts to `sink` (the window registry), and the window
    // applies the device reports with Apply. Both references must outlive the session.
    Session(tonvia::platform::HidBackend& backend, WindowMessageSink& sink);
    // The headless form: reports wait in the session until ProcessReports.
    explicit Session(tonvia::platform::HidBackend& backend);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ModelSet& Model() { return mModel; }
    const ModelSet& Model() const { return mModel; }
    CHidDevice& Link() { return mLink; }
    const CHidDevice& Link() const { return mLink; }

    // Applies one posted message to the model when it is a device report (DSP, system,
    // scene or karaoke value); any other message changes nothing.
    tonvia::commands::ReportChange Apply(const WindowMessage& message);

    // Headless form: applies every report waiting, oldest first, and returns what each
    // changed. The window form has no queue of its own and returns nothing.
    std::vector<tonvia::commands::ReportChange> ProcessReports();
    // Headless form: waits up to `timeout` for a report, then applies what is waiting.
    std::vector<tonvia::commands::ReportChange> WaitAndProcessReports(
        std::chrono::milliseconds timeout);

  private:
    Session(tonvia::platform::HidBackend& backend, WindowMessageSink* sink);

    // Declared before the link: it outlives the link's threads that post into it.
    std::unique_ptr<ReportQueue> mOwnQueue;
    ModelSet mModel;
    CHidDevice mLink;
};

}  // namespace tonvia::tuning
