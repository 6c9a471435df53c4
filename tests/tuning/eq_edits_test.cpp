// The EQ band and crossover edits against the virtual amplifier.
#include <gtest/gtest.h>

#include "tuning/edits.h"
