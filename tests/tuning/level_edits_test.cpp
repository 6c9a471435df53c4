// The level, routing and channel edits against the virtual amplifier.
#include <gtest/gtest.h>

#include "tuning/edits.h"
