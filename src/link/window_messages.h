#pragma once
// Window messages as the link posts them: numbers, handles, owned records, and the sink
// that delivers them (the window layer's handle registry in the program, a recorder in
// tests). Plain C++: the link never sees a window.

#include <cstdint>
#include <memory>

// A window handle: an id in the window layer's registry; 0 is no window.
using WindowHandle = std::uint32_t;
inline constexpr WindowHandle kNoWindow = 0;

inline constexpr unsigned WM_USER = 1024;
inline constexpr unsigned WM_MENU_COMMAND = WM_USER + 3;  // 1027
inline constexpr unsigned WM_READ_DSP_VALUE = WM_USER + 210;
inline constexpr unsigned WM_READ_MCU_VALUE = WM_USER + 211;
inline constexpr unsigned WM_READ_SENCE_VALUE = WM_USER + 213;
inline constexpr unsigned WM_SENCE_DELETE_ACK = WM_USER + 214;
inline constexpr unsigned WM_DEVICE_STATUS_UNNORMAL = WM_USER + 215;
inline constexpr unsigned WM_DEVICE_REBOOT = WM_USER + 216;
inline constexpr unsigned WM_IRC_UPDATE = WM_USER + 217;
inline constexpr unsigned WM_CONNECT_FAIL = WM_USER + 218;
inline constexpr unsigned WM_SET_CONNECTED = WM_USER + 219;
inline constexpr unsigned WM_SET_DISCONNECTED = WM_USER + 221;
inline constexpr unsigned WM_READ_KTV_VALUE = WM_USER + 222;
inline constexpr unsigned WM_FORCE_UPDATE = WM_USER + 224;
inline constexpr unsigned WM_READ_MEM_VALUE = WM_USER + 225;
inline constexpr unsigned WM_SENCE_ID = WM_USER + 226;
inline constexpr unsigned WM_DSP_FW_NEWER = WM_USER + 227;
inline constexpr unsigned WM_SHOW_LOADING = WM_USER + 250;
inline constexpr unsigned WM_CLOSE_LOADING = WM_USER + 251;

// Base of every heap record that travels with a message. The message owns its record;
// the receiving window takes it over, so a dropped message frees it too.
struct MessageRecord {
    virtual ~MessageRecord() = default;
};

struct WindowMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::unique_ptr<MessageRecord> record;
};

// Delivers posted messages. Must be safe to call from any thread. Posting to a handle
// whose window is gone drops the message (and its record) and returns false.
class WindowMessageSink {
  public:
    virtual ~WindowMessageSink() = default;
    virtual bool PostWindowMessage(WindowHandle target, WindowMessage message) = 0;
};
