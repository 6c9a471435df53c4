// The rules half of the output configuration.
#include "tuning/output_edits.h"
