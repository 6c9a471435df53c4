#include "ui/window_registry.h"

#include <QCoreApplication>

namespace tonvia::ui {

WindowMessageEvent::WindowMessageEvent(WindowMessage msg)
    : QEvent(EventType()), message(std::move(msg)) {}

QEvent::Type WindowMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowRegistry& WindowRegistry::Instance() {
    static WindowRegistry registry;
    return registry;
}

WindowHandle WindowRegistry::Register(QObject* receiver) {
    std::lock_guard lock(mMutex);
    WindowHandle handle = mNext++;
    if (handle == kNoWindow) {
        handle = mNext++;
    }
    mReceivers.emplace(handle, receiver);
    return handle;
}

void WindowRegistry::Unregister(WindowHandle handle) {
    std::lock_guard lock(mMutex);
    mReceivers.erase(handle);
}

bool WindowRegistry::IsWindow(WindowHandle handle) const {
    std::lock_guard lock(mMutex);
    return mReceivers.count(handle) != 0;
}

std::size_t WindowRegistry::Size() const {
    std::lock_guard lock(mMutex);
    return mReceivers.size();
}

bool WindowRegistry::PostWindowMessage(WindowHandle target, WindowMessage message) {
    auto event = std::make_unique<WindowMessageEvent>(std::move(message));
    // The lock is held across postEvent so that the receiver cannot be unregistered and
    // destroyed in between; events still queued for a destroyed receiver are deleted by
    // Qt, which frees their records.
    std::lock_guard lock(mMutex);
    const auto it = mReceivers.find(target);
    if (it == mReceivers.end()) {
        return false;
    }
    QCoreApplication::postEvent(it->second, event.release());
    return true;
}

bool PostMessageTo(WindowHandle target, unsigned message, std::uintptr_t wParam,
                   std::intptr_t lParam, std::unique_ptr<MessageRecord> record) {
    WindowMessage msg;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.record = std::move(record);
    return WindowRegistry::Instance().PostWindowMessage(target, std::move(msg));
}

}  // namespace tonvia::ui
