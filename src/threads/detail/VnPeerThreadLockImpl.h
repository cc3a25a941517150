#pragma once

// A host lock behind IVnThreadLock. Made only by VnPeerThreadFactory; releases the host lock
// through the factory record's destroyLock when deleted.

#include "VnKxExport.h"
#include "external/common/ThreadInterfaces.h"
#include "external/hosthelper/KxRecords.h"

namespace VnKx_1_2 {

class VNKX_API VnPeerThreadLockImpl : public VnThread_1_2::IVnThreadLock {
 public:
  VnPeerThreadLockImpl(KxThreadFactoryStruct* factory, KxThreadLock* lock)
      : factory_(factory), lock_(lock) {}
  VnPeerThreadLockImpl(const VnPeerThreadLockImpl&) = delete;
  VnPeerThreadLockImpl& operator=(const VnPeerThreadLockImpl&) = delete;
  ~VnPeerThreadLockImpl() override;

  // True when the host locks (or unlocks); true without a host lock.
  bool Lock() override;
  bool Unlock() override;

 private:
  KxThreadFactoryStruct* factory_;
  KxThreadLock* lock_;
};

}  // namespace VnKx_1_2
