#pragma once

#include <string>

namespace tonvia::platform {

// A process-wide named lock: an exclusive flock on a file of that name in the per-user
// runtime folder. Held until the object dies (or the process ends).
class InstanceLock {
  public:
    explicit InstanceLock(const std::string& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when another process (or another InstanceLock) already holds the name.
    bool AlreadyExisted() const { return mAlreadyExisted; }
    bool Held() const { return mFd >= 0; }

  private:
    int mFd = -1;
    bool mAlreadyExisted = false;
};

}  // namespace tonvia::platform
