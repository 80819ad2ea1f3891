#include "transfer/WorkerThreads.h"

#include <algorithm>

namespace transfer_detail {

int CWorkerThreads::ProcessorThreads() {
  const unsigned count = std::thread::hardware_concurrency();
  return count == 0 ? 1 : static_cast<int>(std::min<unsigned>(count, kMaxThreads));
}

CWorkerThreads::CWorkerThreads(int threads) {
  threads = std::clamp(threads, 1, kMaxThreads);
  m_helpers.reserve(static_cast<std::size_t>(threads - 1));
  try {
    for (int worker = 1; worker < threads; ++worker) m_helpers.emplace_back(&CWorkerThreads::HelperLoop, this, worker);
  } catch (const std::system_error&) {
    // Fewer threads than asked for still do the work.
  }
}

CWorkerThreads::~CWorkerThreads() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_quit = true;
  }
  m_wake.notify_all();
  for (std::thread& helper : m_helpers) helper.join();
}

void CWorkerThreads::HelperLoop(int worker) {
  unsigned seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [&] { return m_quit || m_generation != seen; });
      if (m_quit) return;
      seen = m_generation;
    }
    TakeParts(worker, false);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      --m_helpersInRun;
    }
    m_done.notify_one();
  }
}

void CWorkerThreads::TakeParts(int worker, bool caller) {
  for (;;) {
    int part;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_stop || m_next >= m_parts) return;
      part = m_next++;
    }
    try {
      (*m_work)(part, worker);
    } catch (...) {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!m_error) m_error = std::current_exception();
      m_stop = true;
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ++m_finished;
    }
    // The caller learns of its own parts when it returns here.
    if (caller) return;
    m_done.notify_one();
  }
}

bool CWorkerThreads::Run(int parts, const std::function<void(int part, int worker)>& work,
                         const std::function<bool()>& afterPart) {
  if (parts <= 0) return true;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_work = &work;
    m_parts = parts;
    m_next = 0;
    m_finished = 0;
    m_stop = false;
    m_error = nullptr;
    m_helpersInRun = static_cast<int>(m_helpers.size());
    ++m_generation;
  }
  m_wake.notify_all();

  // Reports the parts finished since the last look; false asks to stop.
  auto report = [&](std::unique_lock<std::mutex>& lock) {
    while (m_finished > 0) {
      --m_finished;
      if (!afterPart || m_stop) continue;
      lock.unlock();
      const bool go = afterPart();
      lock.lock();
      if (!go) m_stop = true;
    }
  };

  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_stop && m_next < m_parts) {
    lock.unlock();
    TakeParts(0, true);
    lock.lock();
    report(lock);
  }
  for (;;) {
    report(lock);
    if (m_helpersInRun == 0) break;
    m_done.wait(lock, [&] { return m_finished > 0 || m_helpersInRun == 0; });
  }
  report(lock);
  m_work = nullptr;
  const bool complete = !m_stop;
  if (m_error) {
    std::exception_ptr error = m_error;
    m_error = nullptr;
    lock.unlock();
    std::rethrow_exception(error);
  }
  return complete;
}

}  // namespace transfer_detail
