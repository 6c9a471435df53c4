// The rules half of the EQ bands, the EQ bypass, reset and mode, and the crossovers.
#include "tuning/edits.h"
