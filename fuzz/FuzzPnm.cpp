// Fuzz target: the PNM reader on its own.
#include "fuzz/FuzzDecoder.h"

TINTAVO_DECODER_FUZZ_TARGET(DecodePnm)
