#pragma once

// The host's record of one worker of a distributed execution. KxRecords.h declares KxWorker
// opaque, as the library only passes it on; a component that runs as workers includes this
// header to learn a worker's place and, as the coordinator, to read the worker's partial result.

#include "external/hosthelper/KxRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

struct KxWorker {
  void* handle;  // slot 0
  // slot 1: the worker's index among `*count` workers; worker 0 runs in the coordinator's process.
  unsigned int (*getWorkerIndex)(void* handle, int64_t* index, int64_t* count, int* error);
  // slot 2: the worker's partial result of the round that ended last, by the two-call
  // protocol; 3 before the worker has one.
  KxTextEntry getPartialResult;
};

#ifdef __cplusplus
}  // extern "C"

static_assert(offsetof(KxWorker, getPartialResult) == 2 * sizeof(void*), "slot 2");
#endif
