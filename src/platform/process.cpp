#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <thread>

extern char** environ;

namespace tonvia::platform {
namespace {

using Clock = std::chrono::steady_clock;

// After the tool itself has ended, anything it left running may still hold the pipe; its
// last words are read for this long before the rest of its process group is ended.
constexpr std::chrono::milliseconds kLingerAfterExit{1000};

void Append(std::string& output, const char* bytes, std::size_t size) {
    output.append(bytes, size);
    if (output.size() > kMaxToolOutput) {
        output.erase(0, output.size() - kMaxToolOutput);
    }
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Reads what the pipe holds, waiting at most `waitMs`. False once every writer has closed it.
bool ReadAvailable(int fd, std::string& output, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, waitMs);
    if (ready <= 0) {
        return ready == 0 || errno == EINTR;
    }
    char chunk[4096];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
        Append(output, chunk, static_cast<std::size_t>(n));
        return true;
    }
    return n < 0 && (errno == EINTR || errno == EAGAIN);
}

// True when the child has ended; its exit code goes to `run`.
bool Reap(pid_t pid, ToolRun& run) {
    int status = 0;
    pid_t done = 0;
    do {
        done = ::waitpid(pid, &status, WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done != pid) {
        return done < 0;  // nothing left to wait for
    }
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

}  // namespace

ToolRun RunCaptured(const std::vector<std::string>& argv, const std::string& folder,
                    std::chrono::milliseconds limit) {
    ToolRun run;
    if (argv.empty()) {
        return run;
    }
    int fds[2];
    // Close-on-exec on both ends: only the copies placed on 1 and 2 reach the child, and
    // a tool started meanwhile by another thread inherits neither.
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return run;
    }
    const int readEnd = fds[0];
    const int writeEnd = fds[1];

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // Its own process group, so that a time-out ends whatever the script started as well.
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(writeEnd);
    if (spawned != 0) {
        ::close(readEnd);
        return run;
    }
    run.started = true;

    const Clock::time_point deadline = Clock::now() + limit;
    bool pipeOpen = true;
    bool exited = false;
    // The pipe is polled in short slices so that the child's end is noticed even while a
    // process it left behind keeps the pipe open.
    constexpr int kSliceMs = 20;
    while (!exited && Clock::now() < deadline) {
        if (pipeOpen) {
            pipeOpen =
                ReadAvailable(readEnd, run.output, std::min(kSliceMs, MillisecondsUntil(deadline)));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(
                std::min(kSliceMs, std::max(1, MillisecondsUntil(deadline)))));
        }
        exited = Reap(pid, run);
    }
    if (!exited) {
        run.timedOut = true;
        ::kill(-pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.exitStatus = -1;
    }
    const Clock::time_point lingerEnd =
        Clock::now() + (run.timedOut ? std::chrono::milliseconds(200) : kLingerAfterExit);
    while (pipeOpen && Clock::now() < lingerEnd) {
        pipeOpen =
            ReadAvailable(readEnd, run.output, std::min(kSliceMs, MillisecondsUntil(lingerEnd)));
    }
    if (pipeOpen) {
        // Something the tool started outlived it and still holds the pipe.
        ::kill(-pid, SIGKILL);
    }
    ::close(readEnd);
    return run;
}

ToolRun RunToolCaptured(const std::string& scriptPath, std::chrono::milliseconds limit) {
    const char* shell = std::getenv(kToolShellEnvironment);
    std::vector<std::string> argv = SplitWords(shell != nullptr ? shell : "");
    if (argv.empty()) {
        argv.push_back("/bin/sh");
    }
    argv.push_back(scriptPath);
    const std::size_t slash = scriptPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : scriptPath.substr(0, slash);
    return RunCaptured(argv, folder, limit);
}

}  // namespace tonvia::platform
