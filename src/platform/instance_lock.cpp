#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/paths.h"

namespace tonvia::platform {

InstanceLock::InstanceLock(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/') {
            c = '_';
        }
    }
    const std::string path = RuntimeFolder() + "/" + safe + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // Without a lock file we cannot tell; let this instance run.
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        mAlreadyExisted = errno == EWOULDBLOCK;
        ::close(fd);
        return;
    }
    mFd = fd;
}

InstanceLock::~InstanceLock() {
    if (mFd >= 0) {
        ::flock(mFd, LOCK_UN);
        ::close(mFd);
    }
}

}  // namespace tonvia::platform
