#pragma once
// A few helper threads that share one piece of work, split into parts, with
// the thread that asks for it.
//
// Why it is built this way: the engine's passes are long loops over rows
// whose rows do not depend on one another, so bands of rows can go to the
// processor's cores as they come free.  The calling thread works on bands
// too, and it alone reports progress between its bands and while it waits
// for the helpers (the progress object and its callbacks are not for several
// threads).  The helpers live as long as this object - one engine call - so
// that nothing outlives the code that started it (a plug-in library can be
// unloaded after any call).  Threads and locks are standard C++, the same on
// every platform.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace transfer_detail {

class CWorkerThreads {
 public:
  // The number of threads worth using here: the processor count, held to
  // 1..kMaxThreads (1 where it cannot be told).
  static constexpr int kMaxThreads = 8;
  static int ProcessorThreads();

  // `threads` in all, the caller's included (held to 1..kMaxThreads); 1 runs
  // everything on the calling thread.
  explicit CWorkerThreads(int threads);
  ~CWorkerThreads();
  CWorkerThreads(const CWorkerThreads&) = delete;
  CWorkerThreads& operator=(const CWorkerThreads&) = delete;

  int Count() const { return static_cast<int>(m_helpers.size()) + 1; }

  // Calls work(part, worker) once for each part 0..parts-1 (worker: 0 for
  // the calling thread, 1..Count()-1 for the helpers; parts are taken in
  // ascending order as threads come free).  After each part that any thread
  // finished, the calling thread calls afterPart() (when set); when it
  // answers false no further part is started, and afterPart is not called
  // again.  The first exception of any
  // part stops the run the same way and is thrown again here once every
  // thread has left its part.  False when the run was stopped.
  bool Run(int parts, const std::function<void(int part, int worker)>& work,
           const std::function<bool()>& afterPart = {});

 private:
  void HelperLoop(int worker);
  // Takes and runs parts until none is left or the run stops.
  void TakeParts(int worker, bool caller);

  std::vector<std::thread> m_helpers;
  std::mutex m_mutex;
  std::condition_variable m_wake;  // helpers: a new run or the end
  std::condition_variable m_done;  // caller: a part finished or a helper left
  // The current run, guarded by m_mutex.
  const std::function<void(int, int)>* m_work = nullptr;
  int m_parts = 0;
  int m_next = 0;             // the next part to hand out
  int m_finished = 0;         // parts finished since the caller last looked
  int m_helpersInRun = 0;     // helpers that have not yet left the run
  bool m_stop = false;
  std::exception_ptr m_error;
  unsigned m_generation = 0;  // counts runs, so helpers see a new one
  bool m_quit = false;
};

}  // namespace transfer_detail
