// Fuzz target: the ICO reader on its own.
#include "fuzz/FuzzDecoder.h"

TINTAVO_DECODER_FUZZ_TARGET(DecodeIco)
