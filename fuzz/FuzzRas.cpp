// Fuzz target: the RAS reader on its own.
#include "fuzz/FuzzDecoder.h"

TINTAVO_DECODER_FUZZ_TARGET(DecodeRas)
