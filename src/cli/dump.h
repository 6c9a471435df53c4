#pragma once
// The amplifier's state as the command line prints it: JSON with stable key names in plain
// units (dB, Hz, ms), channels, bands and sources numbered from 1. The profile files keep
// the device's layout and are no use to a script; this text is documented in the README.

#include <string>

#include "model/model_set.h"

namespace tonvia::cli {

// The whole state, indented, ending with a newline.
std::string DumpJson(const ModelSet& model);

}  // namespace tonvia::cli
