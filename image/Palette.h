#pragma once
// Default colour tables.  Entries are 4 bytes each: B, G, R, 0.

#include <cstdint>

constexpr int kPaletteEntryBytes = 4;

// The default table with 2 (black, white), 16 (the classic sixteen colours)
// or 256 (a 6 x 6 x 6 colour cube and 40 black entries) entries; null for
// any other count.
const std::uint8_t* DefaultPalette(int entries);
// 256 entries, entry i = (i, i, i).
const std::uint8_t* GreyRampPalette();
// True when the first 256 entries of `palette` are the grey ramp (B, G, R
// compared; the fourth byte is ignored).
bool IsGreyRamp(const std::uint8_t* palette);
