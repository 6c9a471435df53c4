// Arbitrary packets through the flash reply decoder.
#include "command_decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzing::RunDecoder(&flash_ack_process, data, size);
}
