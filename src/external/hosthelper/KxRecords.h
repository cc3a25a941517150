#pragma once

// The host's records of entry points, as C structs of pointer-size words in slot order.
// The host owns every record and every handle in them; the library never frees one.
// Each entry returns an unsigned status (0 success, 13 buffer too small, anything else a
// failure) and takes an int* through which the host may store an error code.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Opaque host objects that the library only passes on.
typedef struct KxWorker KxWorker;
typedef struct KxContainerFile KxContainerFile;

// A host XML handle: zero-terminated document text owned by the host.
typedef struct KxXML {
  const char* text;
} KxXML;

// Text entry of the two-call protocol: writes the zero-terminated text into `buffer` when
// `size` is at least the size it stores in `*required`, else answers 13.
typedef unsigned int (*KxTextEntry)(void* handle, char* buffer, size_t size, size_t* required,
                                    int* error);

// Cursor over the records of one input. The cursor starts before the first record.
typedef struct KxIterator {
  void* handle;  // slot 0
  // slot 1: moves to the next record; *hasRecord becomes 1 on a record, 0 at the end.
  unsigned int (*nextRecord)(void* handle, int* hasRecord, int* error);
  // slot 2: the current record's value of `column`: *value points at *size bytes owned by the
  // host (valid until the cursor moves); a null *value is a null value.
  unsigned int (*getRecordValue)(void* handle, size_t column, void** value, size_t* size,
                                 int* error);
  // slot 3: moves back to before the first record.
  unsigned int (*rewind)(void* handle, int* error);
  // slot 4: the current record's value of `column` as text (not zero-terminated; *length
  // bytes owned by the host, valid until the cursor moves); *isNull 1 for a null value.
  unsigned int (*getStringValue)(void* handle, size_t column, const char** text, size_t* length,
                                 int* isNull, int* error);
} KxIterator;

// The execution context.
typedef struct KxContext {
  void* handle;                      // slot 0
  KxTextEntry getContextDocument;    // slot 1
  KxTextEntry getParameterDocument;  // slot 2
  unsigned int (*getDataModelDocument)(void* handle, int64_t input, char* buffer, size_t size,
                                       size_t* required, int* error);  // slot 3
  void (*reserved[8])(void);  // slots 4 to 11, not used by the library
  unsigned int (*getInputIterator)(void* handle, int64_t input, KxIterator** iterator,
                                   int* error);  // slot 12
} KxContext;

// The host application.
typedef struct KxHost {
  void* handle;                    // slot 0
  KxTextEntry getHostInformation;  // slot 1
} KxHost;

// Progress sink of one execution.
typedef struct KxProgress {
  void* handle;            // slot 0
  void (*reserved)(void);  // slot 1, not used by the library
  unsigned int (*reportProgress)(void* handle, double current, double total, int* error,
                                 int flag);  // slot 2
} KxProgress;

// A task handed to a host pool: the host runs it as run(task, error).
typedef struct KxTaskEntry {
  void* task;
  unsigned int (*run)(void* task, int* error);
} KxTaskEntry;

// A host thread pool.
typedef struct KxThreadPool {
  void* handle;  // slot 0
  // slot 1: runs `count` tasks and returns when all have finished.
  unsigned int (*runTasks)(void* handle, KxTaskEntry** entries, int count, int* error);
} KxThreadPool;

// A host lock.
typedef struct KxThreadLock {
  void* handle;                                      // slot 0
  unsigned int (*lock)(void* handle, int* error);    // slot 1
  unsigned int (*unlock)(void* handle, int* error);  // slot 2
} KxThreadLock;

// The host's thread services.
typedef struct KxThreadFactoryStruct {
  void* handle;                                                               // slot 0
  KxThreadPool* (*createPool)(void* handle, int threads, int* error);         // slot 1
  unsigned int (*destroyPool)(void* handle, KxThreadPool* pool, int* error);  // slot 2
  KxThreadLock* (*createLock)(void* handle, int* error);                      // slot 3
  unsigned int (*destroyLock)(KxThreadLock* lock, int* error);                // slot 4
} KxThreadFactoryStruct;

#ifdef __cplusplus
}  // extern "C"

static_assert(offsetof(KxContext, getDataModelDocument) == 3 * sizeof(void*), "slot 3");
static_assert(offsetof(KxContext, getInputIterator) == 12 * sizeof(void*), "slot 12");
static_assert(offsetof(KxProgress, reportProgress) == 2 * sizeof(void*), "slot 2");
static_assert(offsetof(KxIterator, getRecordValue) == 2 * sizeof(void*), "slot 2");
static_assert(offsetof(KxThreadFactoryStruct, destroyLock) == 4 * sizeof(void*), "slot 4");
#endif
