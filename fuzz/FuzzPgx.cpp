// Fuzz target: the PGX reader on its own.
#include "fuzz/FuzzDecoder.h"

TINTAVO_DECODER_FUZZ_TARGET(DecodePgx)
