#pragma once
// Large working blocks (tens to hundreds of megabytes) for pixel planes.
//
// Every first touch of a page costs a fault; in a virtual machine such a
// fault can cost far more than filling the page.  On Linux the block is
// aligned to 2 MiB and advised for transparent huge pages, so a 288 MB block
// takes about 150 faults instead of about 74 000; Windows commits the block
// with VirtualAlloc.  The contents start undefined (the callers write every
// element before reading it).

#include <cstddef>

namespace platform {

// Null on failure or for size 0.
void* AllocateLargeBlock(std::size_t size);
// `size` is the size given to AllocateLargeBlock; a null address is ignored.
void ReleaseLargeBlock(void* address, std::size_t size);

}  // namespace platform
