#pragma once

// The host's thread services (KxThreadFactoryStruct): real pools of worker threads and locks
// over mutexes, with fault injection and a log of what the host received. runTasks blocks until
// every task has run and answers 3 when any task failed. Thread-safe.

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "external/hosthelper/KxRecords.h"

namespace VnKxHost {

class SimThreadFactory {
 public:
  struct Event {
    std::string entry;     // "createPool", "destroyPool", "createLock", "destroyLock", "runTasks"
    const void* argument;  // the pool or lock record (destroy), the factory handle (create)
    int count;             // threads for createPool, tasks for runTasks
    std::vector<KxTaskEntry> entries;  // runTasks: copies of the entries received, in order
  };

  SimThreadFactory();
  SimThreadFactory(const SimThreadFactory&) = delete;
  SimThreadFactory& operator=(const SimThreadFactory&) = delete;
  ~SimThreadFactory();

  KxThreadFactoryStruct* record() { return &record_; }

  // createPool / createLock give null while refused.
  void RefusePools(bool refuse) { refusePools_ = refuse; }
  void RefuseLocks(bool refuse) { refuseLocks_ = refuse; }
  // runTasks answers `status` without running anything (0 restores normal running).
  void FailRunTasks(unsigned int status) { runTasksStatus_ = status; }

  std::vector<Event> Events() const;
  // Pools and locks made and not yet destroyed.
  std::size_t LivePools() const;
  std::size_t LiveLocks() const;
  // destroyLock calls with a null lock record, process-wide: the entry gets no factory handle,
  // so such a call cannot be told apart by factory.
  static std::size_t NullLockDestroys();

 private:
  class Pool;
  class Lock;
  static KxThreadPool* CreatePool(void* handle, int threads, int* error);
  static unsigned int DestroyPool(void* handle, KxThreadPool* pool, int* error);
  static KxThreadLock* CreateLock(void* handle, int* error);
  static unsigned int DestroyLock(KxThreadLock* lock, int* error);
  static unsigned int RunTasks(void* handle, KxTaskEntry** entries, int count, int* error);
  void Log(Event event);

  KxThreadFactoryStruct record_;
  mutable std::mutex mutex_;
  std::vector<Event> events_;
  std::vector<std::unique_ptr<Pool>> pools_;
  std::vector<std::unique_ptr<Lock>> locks_;
  bool refusePools_ = false;
  bool refuseLocks_ = false;
  unsigned int runTasksStatus_ = 0;
  static std::atomic<std::size_t> nullLockDestroys_;
};

}  // namespace VnKxHost
