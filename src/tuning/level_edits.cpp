// The rules half of the levels, routing, channel switches and amplifier switches.
#include "tuning/edits.h"
