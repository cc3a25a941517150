#pragma once

// A host thread pool behind IVnThreadPool. Made only by VnPeerThreadFactory; releases the host
// pool through the factory record's destroyPool when deleted.

#include <vector>

#include "VnKxExport.h"
#include "external/common/ThreadInterfaces.h"
#include "external/hosthelper/KxRecords.h"

namespace VnKx_1_2 {

// The entry through which the host runs one task: `task` is an IVnThreadTask*. Stores 0 in
// `*error` (when not null) and returns 0 when the task's Run succeeds, 3 when it fails or
// throws, 2 for a null task. `error` is handed to Run unchanged.
VNKX_API unsigned int VnPeerTaskTrampoline(void* task, int* error);

class VNKX_API VnPeerThreadPoolImpl : public VnThread_1_2::IVnThreadPool {
 public:
  VnPeerThreadPoolImpl(KxThreadFactoryStruct* factory, KxThreadPool* pool)
      : factory_(factory), pool_(pool) {}
  VnPeerThreadPoolImpl(const VnPeerThreadPoolImpl&) = delete;
  VnPeerThreadPoolImpl& operator=(const VnPeerThreadPoolImpl&) = delete;
  ~VnPeerThreadPoolImpl() override;

  // Hands every task to the host pool at once (also an empty batch) and blocks until the host
  // returns; true when the host reports success. True without a host pool.
  bool RunTasks(const std::vector<VnThread_1_2::IVnThreadTask*>& tasks) override;

 private:
  KxThreadFactoryStruct* factory_;
  KxThreadPool* pool_;
};

}  // namespace VnKx_1_2
