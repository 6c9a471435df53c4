// Arbitrary packets through the dsp reply decoder.
#include "command_decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzing::RunDecoder(&dsp_ack_process, data, size);
}
