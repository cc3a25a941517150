#pragma once

// Lets code that polls a VnQueryCancel observe a peer's cancellation. Holds a non-owning back
// pointer to the peer, which owns this object. Safe to poll from any thread.

#include "VnKxExport.h"
#include "external/common/VnQueryCancel.h"

namespace VnKx_1_2 {

class VnPeer;

class VNKX_API ComponentPeerCancel : public VnCommon_1_2::VnQueryCancel {
 public:
  explicit ComponentPeerCancel(const VnPeer* peer) : peer_(peer) {}
  ~ComponentPeerCancel() override;
  // The peer's cancelled flag at the time of the call.
  bool IsCancelled() const override;
  // Always false: a peer is never paused.
  bool IsInterrupted() const override;

 private:
  const VnPeer* peer_;
};

}  // namespace VnKx_1_2
