#include "platform/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tonvia::platform {
namespace {

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

}  // namespace

std::string SettingsFolder() {
    std::string folder = EnvOrEmpty("XDG_CONFIG_HOME");
    if (!IsAbsolute(folder)) {
        const std::string home = EnvOrEmpty("HOME");
        if (!IsAbsolute(home)) {
            return {};
        }
        folder = home + "/.config";
    }
    if (!MakeFolders(folder)) {
        return {};
    }
    return folder;
}

std::string RuntimeFolder() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const std::string value = EnvOrEmpty(name);
        if (IsAbsolute(value) && PathExists(value)) {
            return value;
        }
    }
    return "/tmp";
}

std::string WorkingDirectory() {
    std::error_code ec;
    const auto path = std::filesystem::current_path(ec);
    return ec ? std::string(".") : path.string();
}

std::string ExecutableDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return WorkingDirectory() + "/";
    }
    return exe.parent_path().string() + "/";
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool MakeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

std::optional<std::string> PrivateWorkFolder(const std::string& name) {
    const std::string path = RuntimeFolder() + "/" + name;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::nullopt;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        return std::nullopt;
    }
    if ((st.st_mode & 0077) != 0 && ::chmod(path.c_str(), 0700) != 0) {
        return std::nullopt;
    }
    return path;
}

bool WriteFileAtomically(const std::string& path, std::span<const char> bytes, std::string* error) {
    auto fail = [error](const std::string& what) {
        if (error != nullptr) {
            *error = what + ": " + std::strerror(errno);
        }
        return false;
    };
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return fail("cannot create a temporary file beside " + path);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int saved = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            errno = saved;
            return fail("cannot write " + temp);
        }
        done += static_cast<std::size_t>(n);
    }
    ::fchmod(fd, 0644);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return fail("cannot flush " + temp);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return fail("cannot replace " + path);
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return data;
}

}  // namespace tonvia::platform
