#pragma once

// Thread services that the common library's algorithms run parallel work on. Pools and locks
// are made by a factory and owned by its caller, who deletes them through these interfaces.

#include <vector>

#include "external/common/VnExport.h"

namespace VnThread_1_2 {

class VNCOMMON_API IVnThreadTask {
 public:
  virtual ~IVnThreadTask() = default;
  // Runs the task; true on success. `error` may be null.
  virtual bool Run(int* error) = 0;
};

class VNCOMMON_API IVnThreadPool {
 public:
  virtual ~IVnThreadPool() = default;
  // Runs every task and returns when all have finished; false when any failed.
  virtual bool RunTasks(const std::vector<IVnThreadTask*>& tasks) = 0;
};

class VNCOMMON_API IVnThreadLock {
 public:
  virtual ~IVnThreadLock() = default;
  virtual bool Lock() = 0;
  virtual bool Unlock() = 0;
};

class VNCOMMON_API IVnThreadFactory {
 public:
  virtual ~IVnThreadFactory() = default;
  virtual IVnThreadPool* CreateThreadPool(int threads) = 0;
  virtual IVnThreadLock* CreateThreadLock() = 0;
};

}  // namespace VnThread_1_2
