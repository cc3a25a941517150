#pragma once

// A host's worker record (KxWorker) for one worker of a distributed execution: its index among
// the workers, and its partial result once a round has ended.

#include <cstdint>
#include <string>

#include "external/hosthelper/KxWorker.h"

namespace VnKxHost {

class SimWorker {
 public:
  SimWorker(std::int64_t index, std::int64_t count)
      : record_{this, &SimWorker::Index, &SimWorker::Partial}, index_(index), count_(count) {}
  SimWorker(const SimWorker&) = delete;
  SimWorker& operator=(const SimWorker&) = delete;

  KxWorker* record() { return &record_; }
  void SetPartialResult(std::string text) {
    partial_ = std::move(text);
    hasPartial_ = true;
  }

 private:
  static unsigned int Index(void* handle, std::int64_t* index, std::int64_t* count, int* error);
  static unsigned int Partial(void* handle, char* buffer, std::size_t size, std::size_t* required,
                              int* error);

  KxWorker record_;
  std::int64_t index_;
  std::int64_t count_;
  std::string partial_;
  bool hasPartial_ = false;
};

}  // namespace VnKxHost
