#include "platform/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

bool MayReadWrite(const std::string& path) {
    return ::access(path.c_str(), R_OK | W_OK) == 0 || errno != EACCES;
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

PrivateWrite WritePrivateFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    // O_NOFOLLOW refuses a link at the last component; truncation waits until the open
    // file is known to be ours.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) {
        return PrivateWrite::kCannotCreate;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return PrivateWrite::kCannotCreate;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    return done == bytes.size() && closed ? PrivateWrite::kWritten : PrivateWrite::kShortWrite;
}

bool EmptyFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(folder, ec);
    if (ec || !fs::is_directory(status)) {
        return false;
    }
    bool ok = true;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        // remove_all removes a link itself and does not descend into what it names.
        std::error_code removeError;
        fs::remove_all(it->path(), removeError);
        ok = ok && !removeError;
    }
    return ok && !ec;
}

bool RemoveFolderTree(const std::string& folder) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(folder, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return true;
    }
    return EmptyFolder(folder) && ::rmdir(folder.c_str()) == 0;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

namespace {

// The file that `path` finally names once symbolic links are followed; it may not exist
// yet. nullopt for a link that cannot be read or a chain that does not end.
std::optional<std::filesystem::path> FinalLinkTarget(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path at(path);
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(at, ec))) {
            return at;
        }
        const fs::path next = fs::read_symlink(at, ec);
        if (ec) {
            return std::nullopt;
        }
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    errno = ELOOP;
    return std::nullopt;
}

// After a rename, the folder entry itself must reach the disk too; a failure here leaves
// the new file in place, so it is not reported.
void SyncFolderOf(const std::filesystem::path& file) {
    const std::string folder = file.has_parent_path() ? file.parent_path().string() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::span<const char> bytes, std::string* error) {
    auto fail = [error](const std::string& what, int code) {
        if (error != nullptr) {
            *error = what + ": " + std::strerror(code);
        }
        return false;
    };
    const auto target = FinalLinkTarget(path);
    if (!target) {
        return fail("cannot follow the link " + path, errno);
    }
    mode_t mode = 0644;
    struct stat old {};
    if (::stat(target->c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            if (error != nullptr) {
                *error = "will not replace " + target->string() + ": it is not a regular file";
            }
            return false;
        }
        mode = old.st_mode & 07777;
    }
    // The temporary file lives in the target's folder: rename only works within one file
    // system, and a link's own folder may be on another.
    std::string temp = target->string() + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return fail("cannot create a temporary file beside " + target->string(), errno);
    }
    auto discard = [&](const std::string& what) {
        const int saved = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return fail(what, saved);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return discard("cannot write " + temp);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, mode) != 0) {
        return discard("cannot set the mode of " + temp);
    }
    if (::fsync(fd) != 0) {
        return discard("cannot flush " + temp);
    }
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        return fail("cannot flush " + temp, saved);
    }
    if (::rename(temp.c_str(), target->c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        return fail("cannot replace " + target->string(), saved);
    }
    SyncFolderOf(*target);
    return true;
}

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    FileRead result;
    auto refuse = [&](const struct stat& st) {
        if (S_ISDIR(st.st_mode)) {
            result.error = "it is a folder";
        } else if (!S_ISREG(st.st_mode)) {
            result.error = "it is not a regular file";
        } else if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
            result.error = "it is larger than " + std::to_string(maxBytes) + " bytes";
            result.tooLarge = true;
        }
        return !result.error.empty();
    };
    // Checked before opening, since opening a device can have effects of its own, and again
    // on the open file in case the path changed in between. O_NONBLOCK keeps the open of a
    // pipe from waiting for a writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        result.missing = errno == ENOENT;
        result.error = std::strerror(errno);
        return result;
    }
    if (refuse(st)) {
        return result;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.missing = errno == ENOENT;
        result.error = std::strerror(errno);
        return result;
    }
    if (::fstat(fd, &st) != 0 || refuse(st)) {
        if (result.error.empty()) {
            result.error = std::strerror(errno);
        }
        ::close(fd);
        return result;
    }
    std::string data;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.error = std::strerror(errno);
            break;
        }
        if (n == 0) {
            result.bytes = std::move(data);
            break;
        }
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            result.error = "it is larger than " + std::to_string(maxBytes) + " bytes";
            break;
        }
        data.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    return ReadRegularFile(path, std::size_t{64} << 20).bytes;
}

}  // namespace tonvia::platform
