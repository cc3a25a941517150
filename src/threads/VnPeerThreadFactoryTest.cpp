#include "threads/VnPeerThreadFactory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <vector>

#include "host/SimThreadFactory.h"
#include "threads/detail/VnPeerThreadPoolImpl.h"

namespace VnKx_1_2 {
namespace {

using VnKxHost::SimThreadFactory;
using VnThread_1_2::IVnThreadLock;
using VnThread_1_2::IVnThreadPool;
using VnThread_1_2::IVnThreadTask;

class FixedTask : public IVnThreadTask {
 public:
  explicit FixedTask(bool succeed, int code = 0) : succeed_(succeed), code_(code) {}
  bool Run(int* error) override {
    ++runs;
    if (error != nullptr && code_ != 0) *error = code_;
    return succeed_;
  }
  std::atomic<int> runs{0};

 private:
  bool succeed_;
  int code_;
};

TEST(VnPeerThreadFactory, WithoutAHostRecordMakesNothing) {
  VnPeerThreadFactory factory(nullptr);
  EXPECT_EQ(factory.CreateThreadPool(4), nullptr);
  EXPECT_EQ(factory.CreateThreadLock(), nullptr);
}

TEST(VnPeerThreadFactory, PoolsAndLocksTheHostRefusesStillAnswer) {
  SimThreadFactory host;
  host.RefusePools(true);
  host.RefuseLocks(true);
  VnPeerThreadFactory factory(host.record());
  std::unique_ptr<IVnThreadPool> pool(factory.CreateThreadPool(2));
  std::unique_ptr<IVnThreadLock> lock(factory.CreateThreadLock());
  ASSERT_NE(pool, nullptr);
  ASSERT_NE(lock, nullptr);
  FixedTask task(false);
  EXPECT_TRUE(pool->RunTasks({&task}));
  EXPECT_EQ(task.runs, 0);
  EXPECT_TRUE(lock->Lock());
  EXPECT_TRUE(lock->Unlock());
  const std::size_t nullDestroys = SimThreadFactory::NullLockDestroys();
  pool.reset();
  lock.reset();
  EXPECT_EQ(SimThreadFactory::NullLockDestroys(), nullDestroys + 1);
  const std::vector<SimThreadFactory::Event> events = host.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].entry, "createPool");
  EXPECT_EQ(events[0].count, 2);
  EXPECT_EQ(events[1].entry, "createLock");
  EXPECT_EQ(events[2].entry, "destroyPool");
  EXPECT_EQ(events[2].argument, nullptr);
}

TEST(VnPeerThreadFactory, TheHostReceivesOneEntryPerTaskInOrder) {
  SimThreadFactory host;
  VnPeerThreadFactory factory(host.record());
  std::unique_ptr<IVnThreadPool> pool(factory.CreateThreadPool(3));
  FixedTask a(true), b(false), c(true);
  EXPECT_FALSE(pool->RunTasks({&a, &b, &c}));
  EXPECT_TRUE(pool->RunTasks({&a, &c}));
  EXPECT_TRUE(pool->RunTasks({}));
  EXPECT_EQ(a.runs, 2);
  EXPECT_EQ(b.runs, 1);

  const std::vector<SimThreadFactory::Event> events = host.Events();
  ASSERT_EQ(events.size(), 4u);
  const SimThreadFactory::Event& first = events[1];
  EXPECT_EQ(first.entry, "runTasks");
  ASSERT_EQ(first.count, 3);
  const IVnThreadTask* expected[] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(first.entries[i].task, expected[i]);
    EXPECT_EQ(first.entries[i].run, &VnPeerTaskTrampoline);
  }
  EXPECT_EQ(events[3].count, 0);
  EXPECT_EQ(host.LivePools(), 1u);
  pool.reset();
  EXPECT_EQ(host.LivePools(), 0u);
}

TEST(VnPeerThreadFactory, AFailingRunTasksMakesTheBatchFail) {
  SimThreadFactory host;
  host.FailRunTasks(9);
  VnPeerThreadFactory factory(host.record());
  std::unique_ptr<IVnThreadPool> pool(factory.CreateThreadPool(1));
  EXPECT_FALSE(pool->RunTasks({}));
  FixedTask task(true);
  EXPECT_FALSE(pool->RunTasks({&task}));
}

TEST(VnPeerThreadFactory, DestroyLockReceivesTheLockRecord) {
  SimThreadFactory host;
  VnPeerThreadFactory factory(host.record());
  std::unique_ptr<IVnThreadLock> lock(factory.CreateThreadLock());
  EXPECT_TRUE(lock->Lock());
  EXPECT_TRUE(lock->Unlock());
  EXPECT_EQ(host.LiveLocks(), 1u);
  lock.reset();
  EXPECT_EQ(host.LiveLocks(), 0u);
  const std::vector<SimThreadFactory::Event> events = host.Events();
  ASSERT_EQ(events.back().entry, "destroyLock");
  EXPECT_NE(events.back().argument, host.record()->handle);
  EXPECT_NE(events.back().argument, nullptr);
}

TEST(VnPeerTaskTrampoline, AnswersZeroTwoOrThree) {
  FixedTask good(true, 0), bad(false, 55);
  int error = -1;
  EXPECT_EQ(VnPeerTaskTrampoline(&good, &error), 0u);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(VnPeerTaskTrampoline(&bad, &error), 3u);
  EXPECT_EQ(error, 55);
  error = -1;
  EXPECT_EQ(VnPeerTaskTrampoline(nullptr, &error), 2u);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(VnPeerTaskTrampoline(&bad, nullptr), 3u);  // Run writes nothing through null
  struct Throwing : IVnThreadTask {
    bool Run(int*) override { throw std::runtime_error("boom"); }
  } throwing;
  EXPECT_EQ(VnPeerTaskTrampoline(&throwing, nullptr), 3u);
}

// Many tasks add into shared counters under the bridge's lock on the host's threads.
class Accumulate : public IVnThreadTask {
 public:
  Accumulate(IVnThreadLock& lock, long long& sum, long long& count, int first)
      : lock_(lock), sum_(sum), count_(count), first_(first) {}
  bool Run(int*) override {
    for (int i = first_; i < first_ + 100; ++i) {
      if (!lock_.Lock()) return false;
      sum_ += i;
      ++count_;
      if (!lock_.Unlock()) return false;
    }
    return true;
  }

 private:
  IVnThreadLock& lock_;
  long long& sum_;
  long long& count_;
  int first_;
};

TEST(VnPeerThreadFactory, ParallelWorkUnderTheHostLockGivesTheSerialResult) {
  SimThreadFactory host;
  VnPeerThreadFactory factory(host.record());
  std::unique_ptr<IVnThreadPool> pool(factory.CreateThreadPool(4));
  std::unique_ptr<IVnThreadLock> lock(factory.CreateThreadLock());
  long long sum = 0;
  long long count = 0;
  std::vector<std::unique_ptr<Accumulate>> owned;
  std::vector<IVnThreadTask*> tasks;
  for (int t = 0; t < 200; ++t) {
    owned.push_back(std::make_unique<Accumulate>(*lock, sum, count, t * 100));
    tasks.push_back(owned.back().get());
  }
  for (int round = 1; round <= 3; ++round) {
    ASSERT_TRUE(pool->RunTasks(tasks));
    EXPECT_EQ(count, 20000LL * round);
    EXPECT_EQ(sum, 19999LL * 20000 / 2 * round);
  }
}

}  // namespace
}  // namespace VnKx_1_2
