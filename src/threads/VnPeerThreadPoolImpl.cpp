#include "threads/detail/VnPeerThreadPoolImpl.h"

#include <climits>

#include "base/Status.h"

namespace VnKx_1_2 {

unsigned int VnPeerTaskTrampoline(void* task, int* error) {
  if (error != nullptr) *error = 0;
  if (task == nullptr) return StatusBadArgument;
  try {
    return static_cast<VnThread_1_2::IVnThreadTask*>(task)->Run(error) ? StatusOk : StatusFailed;
  } catch (...) {
    // An exception must not unwind through the host's thread.
    return StatusFailed;
  }
}

VnPeerThreadPoolImpl::~VnPeerThreadPoolImpl() {
  if (factory_ == nullptr) return;
  int error = 0;
  factory_->destroyPool(factory_->handle, pool_, &error);
}

bool VnPeerThreadPoolImpl::RunTasks(const std::vector<VnThread_1_2::IVnThreadTask*>& tasks) {
  if (pool_ == nullptr) return true;
  if (tasks.size() > static_cast<size_t>(INT_MAX)) return false;
  const int count = static_cast<int>(tasks.size());
  std::vector<KxTaskEntry> entries(tasks.size());
  std::vector<KxTaskEntry*> array(tasks.size());
  for (size_t i = 0; i < tasks.size(); ++i) {
    entries[i] = KxTaskEntry{tasks[i], &VnPeerTaskTrampoline};
    array[i] = &entries[i];
  }
  int error = 0;
  return pool_->runTasks(pool_->handle, array.data(), count, &error) == StatusOk;
}

}  // namespace VnKx_1_2
