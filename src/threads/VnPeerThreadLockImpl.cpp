#include "threads/detail/VnPeerThreadLockImpl.h"

#include "base/Status.h"

namespace VnKx_1_2 {

VnPeerThreadLockImpl::~VnPeerThreadLockImpl() {
  if (factory_ == nullptr) return;
  int error = 0;
  factory_->destroyLock(lock_, &error);
}

bool VnPeerThreadLockImpl::Lock() {
  if (lock_ == nullptr) return true;
  int error = 0;
  return lock_->lock(lock_->handle, &error) == StatusOk;
}

bool VnPeerThreadLockImpl::Unlock() {
  if (lock_ == nullptr) return true;
  int error = 0;
  return lock_->unlock(lock_->handle, &error) == StatusOk;
}

}  // namespace VnKx_1_2
