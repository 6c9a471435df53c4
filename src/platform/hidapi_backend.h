#pragma once

#include <memory>

#include "platform/hid_backend.h"

namespace tonvia::platform {

// hidapi over the Linux hidraw driver.
std::unique_ptr<HidBackend> MakeHidapiBackend();

}  // namespace tonvia::platform
