#include "threads/VnPeerThreadFactory.h"

#include "threads/detail/VnPeerThreadLockImpl.h"
#include "threads/detail/VnPeerThreadPoolImpl.h"

namespace VnKx_1_2 {

VnPeerThreadFactory::~VnPeerThreadFactory() = default;

VnThread_1_2::IVnThreadPool* VnPeerThreadFactory::CreateThreadPool(int threads) {
  if (factory_ == nullptr) return nullptr;
  int error = 0;
  KxThreadPool* pool = factory_->createPool(factory_->handle, threads, &error);
  return new VnPeerThreadPoolImpl(factory_, pool);
}

VnThread_1_2::IVnThreadLock* VnPeerThreadFactory::CreateThreadLock() {
  if (factory_ == nullptr) return nullptr;
  int error = 0;
  KxThreadLock* lock = factory_->createLock(factory_->handle, &error);
  return new VnPeerThreadLockImpl(factory_, lock);
}

}  // namespace VnKx_1_2
