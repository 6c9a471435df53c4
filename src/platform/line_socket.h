#pragma once
// One-line commands over a local (UNIX domain) stream socket: each connection sends one
// line and receives one reply line. Used by the virtual amplifier's control endpoint and
// by the scripts that drive it.

#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace tonvia::platform {

class LineSocketServer {
  public:
    // Runs on the server's thread, one connection at a time.
    using Handler = std::function<std::string(std::string_view line)>;

    LineSocketServer() = default;
    ~LineSocketServer();
    LineSocketServer(const LineSocketServer&) = delete;
    LineSocketServer& operator=(const LineSocketServer&) = delete;

    // Listens at `path` (a stale socket file there is replaced; any other file is left
    // alone and the start fails). False when the socket cannot be made.
    bool Start(const std::string& path, Handler handler);
    // Stops at once: the thread is woken, joined, and the socket file removed.
    void Stop();
    bool Running() const { return mThread.joinable(); }

  private:
    void Serve();
    void Answer(int connection);

    std::string mPath;
    Handler mHandler;
    int mListenFd = -1;
    int mWakeRead = -1;
    int mWakeWrite = -1;
    std::thread mThread;
};

// Sends one line to the server at `path` and reads its reply line (without the line end).
bool SendSocketLine(const std::string& path, std::string_view line, std::string& reply,
                    int timeoutMs);

}  // namespace tonvia::platform
