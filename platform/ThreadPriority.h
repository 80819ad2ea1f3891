#pragma once
// Background threads that give way: a thread that makes previews while the
// user works runs below the threads doing what the user waits for.

namespace platform {

// Lowers the calling thread's scheduling priority one step below normal
// (THREAD_PRIORITY_BELOW_NORMAL on Windows, a nice value of 10 for the
// thread on Linux).  Nothing happens where the system refuses.
void LowerThisThreadPriority();

}  // namespace platform
