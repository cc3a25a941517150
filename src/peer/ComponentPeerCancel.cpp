#include "peer/detail/ComponentPeerCancel.h"

#include "peer/VnPeer.h"

namespace VnKx_1_2 {

ComponentPeerCancel::~ComponentPeerCancel() = default;

bool ComponentPeerCancel::IsCancelled() const {
  return peer_->WasCancelled();
}

bool ComponentPeerCancel::IsInterrupted() const {
  return false;
}

}  // namespace VnKx_1_2
