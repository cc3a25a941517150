#include "host/SimThreadFactory.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <thread>

namespace VnKxHost {

// A fixed set of worker threads taking task entries from one queue.
class SimThreadFactory::Pool {
 public:
  Pool(SimThreadFactory& factory, int threads) : factory_(factory) {
    record_.handle = this;
    record_.runTasks = &SimThreadFactory::RunTasks;
    const int count = std::clamp(threads, 1, 64);
    for (int i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
  }
  ~Pool() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

  KxThreadPool* record() { return &record_; }
  SimThreadFactory& factory() { return factory_; }

  // Runs a batch and waits for it; 0 when every task succeeded, 3 otherwise.
  unsigned int Run(KxTaskEntry** entries, int count) {
    Batch batch;
    batch.remaining = count;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      for (int i = 0; i < count; ++i) queue_.push_back(Job{entries[i], &batch});
    }
    wake_.notify_all();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return batch.remaining == 0; });
    return batch.failed ? 3u : 0u;
  }

 private:
  struct Batch {
    int remaining = 0;
    bool failed = false;
  };
  struct Job {
    KxTaskEntry* entry;
    Batch* batch;
  };

  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      const Job job = queue_.front();
      queue_.pop_front();
      lock.unlock();
      int error = 0;
      const unsigned int status = job.entry->run(job.entry->task, &error);
      lock.lock();
      if (status != 0) job.batch->failed = true;
      if (--job.batch->remaining == 0) done_.notify_all();
    }
  }

  SimThreadFactory& factory_;
  KxThreadPool record_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::deque<Job> queue_;
  bool stopping_ = false;
};

class SimThreadFactory::Lock {
 public:
  explicit Lock(SimThreadFactory& factory) : factory_(factory) {
    record_.handle = this;
    record_.lock = [](void* handle, int*) -> unsigned int {
      static_cast<Lock*>(handle)->mutex_.lock();
      return 0;
    };
    record_.unlock = [](void* handle, int*) -> unsigned int {
      static_cast<Lock*>(handle)->mutex_.unlock();
      return 0;
    };
  }
  KxThreadLock* record() { return &record_; }
  SimThreadFactory& factory() { return factory_; }

 private:
  SimThreadFactory& factory_;
  KxThreadLock record_;
  std::mutex mutex_;
};

SimThreadFactory::SimThreadFactory() {
  record_.handle = this;
  record_.createPool = &SimThreadFactory::CreatePool;
  record_.destroyPool = &SimThreadFactory::DestroyPool;
  record_.createLock = &SimThreadFactory::CreateLock;
  record_.destroyLock = &SimThreadFactory::DestroyLock;
}

SimThreadFactory::~SimThreadFactory() = default;

void SimThreadFactory::Log(Event event) {
  std::lock_guard<std::mutex> guard(mutex_);
  events_.push_back(std::move(event));
}

std::vector<SimThreadFactory::Event> SimThreadFactory::Events() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return events_;
}

std::size_t SimThreadFactory::LivePools() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return pools_.size();
}

std::size_t SimThreadFactory::LiveLocks() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return locks_.size();
}

KxThreadPool* SimThreadFactory::CreatePool(void* handle, int threads, int* /*error*/) {
  SimThreadFactory& self = *static_cast<SimThreadFactory*>(handle);
  self.Log(Event{"createPool", handle, threads, {}});
  if (self.refusePools_) return nullptr;
  auto pool = std::make_unique<Pool>(self, threads);
  KxThreadPool* record = pool->record();
  std::lock_guard<std::mutex> guard(self.mutex_);
  self.pools_.push_back(std::move(pool));
  return record;
}

unsigned int SimThreadFactory::DestroyPool(void* handle, KxThreadPool* pool, int* /*error*/) {
  SimThreadFactory& self = *static_cast<SimThreadFactory*>(handle);
  self.Log(Event{"destroyPool", pool, 0, {}});
  std::unique_ptr<Pool> doomed;
  {
    std::lock_guard<std::mutex> guard(self.mutex_);
    auto it = std::find_if(self.pools_.begin(), self.pools_.end(),
                           [&](const auto& p) { return p->record() == pool; });
    if (it == self.pools_.end()) return 2;
    doomed = std::move(*it);
    self.pools_.erase(it);
  }
  return 0;
}

KxThreadLock* SimThreadFactory::CreateLock(void* handle, int* /*error*/) {
  SimThreadFactory& self = *static_cast<SimThreadFactory*>(handle);
  self.Log(Event{"createLock", handle, 0, {}});
  if (self.refuseLocks_) return nullptr;
  auto lock = std::make_unique<Lock>(self);
  KxThreadLock* record = lock->record();
  std::lock_guard<std::mutex> guard(self.mutex_);
  self.locks_.push_back(std::move(lock));
  return record;
}

std::atomic<std::size_t> SimThreadFactory::nullLockDestroys_{0};

std::size_t SimThreadFactory::NullLockDestroys() {
  return nullLockDestroys_.load();
}

unsigned int SimThreadFactory::DestroyLock(KxThreadLock* lock, int* /*error*/) {
  if (lock == nullptr) {
    ++nullLockDestroys_;
    return 2;
  }
  SimThreadFactory& self = static_cast<Lock*>(lock->handle)->factory();
  self.Log(Event{"destroyLock", lock, 0, {}});
  std::lock_guard<std::mutex> guard(self.mutex_);
  auto it = std::find_if(self.locks_.begin(), self.locks_.end(),
                         [&](const auto& l) { return l->record() == lock; });
  if (it == self.locks_.end()) return 2;
  self.locks_.erase(it);
  return 0;
}

unsigned int SimThreadFactory::RunTasks(void* handle, KxTaskEntry** entries, int count,
                                        int* error) {
  Pool& pool = *static_cast<Pool*>(handle);
  SimThreadFactory& self = pool.factory();
  Event event{"runTasks", handle, count, {}};
  for (int i = 0; i < count; ++i) event.entries.push_back(*entries[i]);
  self.Log(std::move(event));
  if (self.runTasksStatus_ != 0) {
    *error = static_cast<int>(self.runTasksStatus_);
    return self.runTasksStatus_;
  }
  return pool.Run(entries, count);
}

}  // namespace VnKxHost
