#pragma once
// The requests of the connection's state read, in the order the main page sends them after
// a handshake, each sent at once and followed by its reply. Shared by the end-to-end tests
// and the state-read benchmark.

#include "link/hid_device.h"

namespace e2e {

struct StateReadResult {
    int requests = 0;  // requests sent
    int answered = 0;  // of those, how many got a reply report within the wait
};

StateReadResult ReadWholeState(CHidDevice& device);

}  // namespace e2e
