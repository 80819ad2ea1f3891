#pragma once

namespace transfer_detail {

// Whether the transfer keeps the source per colour (ColourTable.h) instead
// of in float planes: never, when its colours are few enough that the table
// is smaller than a quarter of the planes (the default), or always.  The
// bytes are the same either way.
enum class ColourTableUse { kNever, kWhenItPays, kAlways };

}  // namespace transfer_detail
