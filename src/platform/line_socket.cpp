#include "platform/line_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tonvia::platform {

namespace {

constexpr int kConnectionTimeoutMs = 2000;
constexpr std::size_t kMaxLine = 1024;

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads up to a line end, EOF or the time-out; false when nothing usable arrived.
bool ReadLine(int fd, std::string& line, int timeoutMs) {
    line.clear();
    char c = 0;
    while (line.size() < kMaxLine) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) {
            return !line.empty();
        }
        const ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0 || c == '\n') {
            return n > 0 || !line.empty();
        }
        line += c;
    }
    return true;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = send(fd, text.data(), text.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

LineSocketServer::~LineSocketServer() {
    Stop();
}

bool LineSocketServer::Start(const std::string& path, Handler handler) {
    Stop();
    sockaddr_un address{};
    if (!MakeAddress(path, address)) {
        return false;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            return false;
        }
        unlink(path.c_str());
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    int wake[2] = {-1, -1};
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 4) != 0 || pipe2(wake, O_CLOEXEC) != 0) {
        close(fd);
        return false;
    }
    mPath = path;
    mHandler = std::move(handler);
    mListenFd = fd;
    mWakeRead = wake[0];
    mWakeWrite = wake[1];
    mThread = std::thread([this] { Serve(); });
    return true;
}

void LineSocketServer::Stop() {
    if (!mThread.joinable()) {
        return;
    }
    const char stop = 'x';
    while (write(mWakeWrite, &stop, 1) < 0 && errno == EINTR) {
    }
    mThread.join();
    close(mListenFd);
    close(mWakeRead);
    close(mWakeWrite);
    mListenFd = mWakeRead = mWakeWrite = -1;
    unlink(mPath.c_str());
}

void LineSocketServer::Serve() {
    while (true) {
        pollfd fds[2] = {{mListenFd, POLLIN, 0}, {mWakeRead, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents & POLLIN) {
            const int connection = accept4(mListenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0) {
                Answer(connection);
                close(connection);
            }
        }
    }
}

void LineSocketServer::Answer(int connection) {
    std::string line;
    if (!ReadLine(connection, line, kConnectionTimeoutMs)) {
        return;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    WriteAll(connection, mHandler(line) + "\n");
}

bool SendSocketLine(const std::string& path, std::string_view line, std::string& reply,
                    int timeoutMs) {
    sockaddr_un address{};
    if (!MakeAddress(path, address)) {
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
              WriteAll(fd, std::string(line) + "\n") && ReadLine(fd, reply, timeoutMs);
    close(fd);
    return ok;
}

}  // namespace tonvia::platform
