// The output configuration edits against the virtual amplifier.
#include <gtest/gtest.h>

#include "tuning/output_edits.h"
