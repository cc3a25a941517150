#pragma once

// The entry points that every component module (a loadable shared library) exports, so that a
// host can make and destroy its peer. A component defines both with VNKX_DEFINE_COMPONENT.

#include "external/hosthelper/KxRecords.h"

namespace VnKx_1_2 {
class VnPeer;
}

extern "C" {
// Makes the module's peer over the host's records (`threads` may be null: no thread services).
// Returns null when the peer cannot be made. The host destroys the peer with the destroy entry.
typedef VnKx_1_2::VnPeer* (*VnKxCreateComponent)(KxContext* context, KxHost* host,
                                                 KxThreadFactoryStruct* threads);
typedef void (*VnKxDestroyComponent)(VnKx_1_2::VnPeer* peer);
}

#define VNKX_CREATE_COMPONENT_SYMBOL "vnkx_create_component"
#define VNKX_DESTROY_COMPONENT_SYMBOL "vnkx_destroy_component"

// Defines the module's entry points for a peer class constructed as
// Class(KxContext*, KxHost*, KxThreadFactoryStruct*).
#define VNKX_DEFINE_COMPONENT(Class)                                                         \
  extern "C" __attribute__((visibility("default"))) VnKx_1_2::VnPeer* vnkx_create_component( \
      KxContext* context, KxHost* host, KxThreadFactoryStruct* threads) {                    \
    try {                                                                                    \
      return new Class(context, host, threads);                                              \
    } catch (...) {                                                                          \
      return nullptr;                                                                        \
    }                                                                                        \
  }                                                                                          \
  extern "C" __attribute__((visibility("default"))) void vnkx_destroy_component(             \
      VnKx_1_2::VnPeer* peer) {                                                              \
    delete peer;                                                                             \
  }
