// Fuzz target: the metafile reader (WMF with and without the placeable
// header, EMF) and, on this system, its own renderer.
#include "fuzz/FuzzDecoder.h"

TINTAVO_DECODER_FUZZ_TARGET(DecodeWmf)
