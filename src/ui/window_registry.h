#pragma once
// Window handles: ids in one registry, so that any thread can post a message to a window
// that may already be gone. A message for a missing window is dropped with its record.

#include <QEvent>
#include <QObject>
#include <cstddef>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "link/window_messages.h"

namespace tonvia::ui {

// The event that carries a posted message to its window's receiver object.
class WindowMessageEvent final : public QEvent {
  public:
    explicit WindowMessageEvent(WindowMessage message);
    static QEvent::Type EventType();
    WindowMessage message;
};

class WindowRegistry final : public WindowMessageSink {
  public:
    static WindowRegistry& Instance();

    // Gives `receiver` a new handle (never 0, never reused). The receiver gets posted
    // messages as WindowMessageEvent on its own thread.
    WindowHandle Register(QObject* receiver);
    // After this returns, nothing more is posted to the handle's receiver.
    void Unregister(WindowHandle handle);
    bool IsWindow(WindowHandle handle) const;
    std::size_t Size() const;

    // Safe from any thread. False (and the message with its record freed) when the
    // window is gone.
    bool PostWindowMessage(WindowHandle target, WindowMessage message) override;

  private:
    WindowRegistry() = default;
    mutable std::mutex mMutex;
    std::unordered_map<WindowHandle, QObject*> mReceivers;
    WindowHandle mNext = 1;
};

// Posts a message with an optional record; see WindowRegistry::PostWindowMessage.
bool PostMessageTo(WindowHandle target, unsigned message, std::uintptr_t wParam = 0,
                   std::intptr_t lParam = 0, std::unique_ptr<MessageRecord> record = nullptr);

// Takes the record of `message` over when it is a T; otherwise leaves it and gives null.
template <class T>
std::unique_ptr<T> TakeRecord(WindowMessage& message) {
    if (auto* typed = dynamic_cast<T*>(message.record.get())) {
        message.record.release();
        return std::unique_ptr<T>(typed);
    }
    return nullptr;
}

}  // namespace tonvia::ui
