#include "platform/log.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kMessageChars = 1024;
constexpr int kFlushAfter = 10;

struct LogState {
    std::mutex lock;
    std::FILE* file = nullptr;
    bool toConsole = false;
    bool timestamps = true;
    int sinceFlush = 0;
};

LogState& State() {
    static LogState state;
    return state;
}

// Read without the lock on every call, so that a closed log costs almost nothing.
std::atomic<bool> gOpen{false};

void Emit(LogState& state, const char* text, std::size_t length) {
    if (state.toConsole) {
        std::fwrite(text, 1, length, stdout);
    }
    std::fwrite(text, 1, length, state.file);
}

// Steps 2-6 of a log write, for an already formatted message.
int WriteMessage(const char* text, std::size_t length, int formattedChars, bool prefixed) {
    LogState& state = State();
    {
        std::lock_guard guard(state.lock);
        if (state.file == nullptr) {
            return 0;
        }
        if (prefixed && state.timestamps) {
            const auto now = tonvia::platform::LocalTimeOfDay();
            char prefix[32];
            const int n = std::snprintf(prefix, sizeof prefix, "[%02d:%02d:%02d.%03d] ", now.hour,
                                        now.minute, now.second, now.millisecond);
            Emit(state, prefix, static_cast<std::size_t>(n));
        }
        Emit(state, text, length);
        if (state.sinceFlush > kFlushAfter) {
            std::fflush(state.file);
            if (state.toConsole) {
                std::fflush(stdout);
            }
            state.sinceFlush = 0;
        }
        ++state.sinceFlush;
    }
    return formattedChars;
}

}  // namespace

int InitConsoleWindow(const std::string& path, bool toConsole, bool timestamps) {
    LogState& state = State();
    std::lock_guard guard(state.lock);
    if (state.file != nullptr) {
        std::fclose(state.file);
        state.file = nullptr;
    }
    state.toConsole = toConsole;
    state.timestamps = timestamps;
    state.sinceFlush = 0;
    state.file = std::fopen(path.c_str(), "wb");
    gOpen.store(state.file != nullptr);
    return 0;
}

void CloseLog() {
    LogState& state = State();
    std::lock_guard guard(state.lock);
    gOpen.store(false);
    if (state.file != nullptr) {
        std::fclose(state.file);
        state.file = nullptr;
    }
    if (state.toConsole) {
        std::fflush(stdout);
    }
}

bool IsLogOpen() {
    return gOpen.load(std::memory_order_relaxed);
}

void FlushLog() {
    LogState& state = State();
    std::lock_guard guard(state.lock);
    if (state.file != nullptr) {
        std::fflush(state.file);
        state.sinceFlush = 0;
    }
    if (state.toConsole) {
        std::fflush(stdout);
    }
}

namespace {

// A signal handler may not flush a stdio stream or take the log's lock: the thread it
// interrupted may hold either. So the handler only writes the signal's number into a pipe
// (write() is async-signal-safe), and a watcher thread, in ordinary context, flushes the
// log and then ends the process by the same signal with its default action.
int gSignalPipe[2] = {-1, -1};
std::atomic<bool> gEndSignalSeen{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnEndSignal(int signal) {
    if (gEndSignalSeen.exchange(true)) {
        // A second signal while the first one's flush is stuck ends the process at once.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        ::sigaction(signal, &fallback, nullptr);
        ::raise(signal);
        return;
    }
    const int savedErrno = errno;
    const auto number = static_cast<unsigned char>(signal);
    if (::write(gSignalPipe[1], &number, 1) != 1) {
        // Nothing better is possible inside a handler; the watcher will not run.
    }
    errno = savedErrno;
}

void WatchEndSignals() {
    unsigned char number = 0;
    ssize_t n = 0;
    do {
        n = ::read(gSignalPipe[0], &number, 1);
    } while (n < 0 && errno == EINTR);
    if (n != 1) {
        return;
    }
    FlushLog();
    std::fflush(stdout);
    const int signal = number;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);  // to this thread, where it is not blocked: its default ends the process
}

}  // namespace

void FlushLogAtProcessEnd() {
    static const bool installed = [] {
        std::atexit(FlushLog);
        if (::pipe2(gSignalPipe, O_CLOEXEC) != 0) {
            return false;
        }
        std::thread(WatchEndSignals).detach();
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction previous {};
            if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
                ::sigaction(signal, &action, nullptr);
            }
        }
        return true;
    }();
    static_cast<void>(installed);
}

namespace {

int WriteFormatted(bool prefixed, const char* format, va_list args) {
    char buffer[kMessageChars];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) {
        return 0;
    }
    const std::size_t length =
        std::min<std::size_t>(static_cast<std::size_t>(n), kMessageChars - 1);
    return WriteMessage(buffer, length, static_cast<int>(length), prefixed);
}

}  // namespace

int LogPrintA(const char* format, ...) {
    if (!gOpen.load(std::memory_order_relaxed)) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    const int n = WriteFormatted(true, format, args);
    va_end(args);
    return n;
}

int LogFragmentA(const char* format, ...) {
    if (!gOpen.load(std::memory_order_relaxed)) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    const int n = WriteFormatted(false, format, args);
    va_end(args);
    return n;
}

int LogPrint(const wchar_t* format, ...) {
    if (!gOpen.load(std::memory_order_relaxed)) {
        return 0;
    }
    // vswprintf fails outright when the text does not fit, so retry with a larger buffer
    // and cut the result to the message size afterwards.
    std::vector<wchar_t> buffer(kMessageChars);
    int n = -1;
    for (int attempt = 0; attempt < 4 && n < 0; ++attempt) {
        va_list args;
        va_start(args, format);
        n = std::vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (n < 0) {
            buffer.assign(buffer.size() * 4, L'\0');
        }
    }
    if (n < 0) {
        return 0;
    }
    const std::size_t length =
        std::min<std::size_t>(static_cast<std::size_t>(n), kMessageChars - 1);
    const std::string text = tonvia::platform::WideToUtf8(std::wstring_view(buffer.data(), length));
    return WriteMessage(text.data(), text.size(), static_cast<int>(length), true);
}
