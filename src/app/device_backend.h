#pragma once
// The device backend the shell's options ask for; the backend itself lives with the
// virtual amplifier, where the command line reaches it too.

#include <memory>
#include <string>

#include "app/shell.h"
#include "sim/device_backend.h"

// The backend that `options` ask for; `notice` as for DeviceBackend::Virtual.
std::unique_ptr<DeviceBackend> MakeDeviceBackend(const ShellOptions& options, std::string* notice);
