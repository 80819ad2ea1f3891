#pragma once
// A monotonic clock in seconds, counted from its first use in the process.
//
// Windows reads the high-resolution performance counter divided by its
// frequency; POSIX reads std::chrono::steady_clock.  Never goes backwards and
// ignores changes of the wall-clock time.

namespace platform {

double MonotonicSeconds();

}  // namespace platform
