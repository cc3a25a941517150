#pragma once

// Offers the host's thread services (KxThreadFactoryStruct) through the common library's
// thread interfaces. The factory holds the host record without owning it; the record must
// outlive the factory and every pool and lock made from it. The bridge starts no thread and
// takes no lock of its own; its objects hold no mutable state, so they may be used from
// several threads.

#include "VnKxExport.h"
#include "external/common/ThreadInterfaces.h"
#include "external/hosthelper/KxRecords.h"

namespace VnKx_1_2 {

class VNKX_API VnPeerThreadFactory : public VnThread_1_2::IVnThreadFactory {
 public:
  explicit VnPeerThreadFactory(KxThreadFactoryStruct* factory) : factory_(factory) {}
  VnPeerThreadFactory(const VnPeerThreadFactory&) = default;
  VnPeerThreadFactory& operator=(const VnPeerThreadFactory&) = default;
  ~VnPeerThreadFactory() override;

  // A pool over a host pool of `threads` threads, owned by the caller; null without a host
  // record. When the host gives no pool, the object's RunTasks succeeds without running.
  VnThread_1_2::IVnThreadPool* CreateThreadPool(int threads) override;
  // A lock over a host lock, owned by the caller; null without a host record. When the host
  // gives no lock, the object's Lock and Unlock succeed without doing anything.
  VnThread_1_2::IVnThreadLock* CreateThreadLock() override;

 private:
  KxThreadFactoryStruct* factory_;
};

}  // namespace VnKx_1_2
