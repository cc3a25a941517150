#pragma once

// What the record iterators share: the fail reason, the skip rule, the missing flags of the
// look-ahead record and the counts of one pass. A value type, copied with its iterator.

#include <cstdint>
#include <vector>

#include "external/hosthelper/DataHelper.h"

namespace VnKx_1_2 {

class IteratorPassState {
 public:
  explicit IteratorPassState(size_t fields, bool skipMissing)
      : skipMissing_(fields, skipMissing), missing_(fields, false) {}

  int failReason() const { return failReason_; }
  void setFailReason(int reason) { failReason_ = reason; }
  std::uint32_t recordsProcessed() const { return recordsProcessed_; }
  std::uint64_t recordsDelivered() const { return recordsDelivered_; }
  std::uint64_t recordsSkipped() const { return recordsSkipped_; }
  std::vector<bool>& missing() { return missing_; }

  // Moves the cursor to the next host record and counts it; false (and the pass ended) at the
  // end of the data or once the pass has ended.
  bool Advance(KxCppHelperV1::DataHelper& data) {
    if (failReason_ != 0 || !data.nextRecord()) {
      failReason_ = 1;
      return false;
    }
    ++recordsProcessed_;
    return true;
  }
  // Whether the record whose missing flags were just read is delivered; counts a skip.
  bool Accept() {
    if (Skips()) {
      ++recordsSkipped_;
      return false;
    }
    return true;
  }
  void CountDelivered() { ++recordsDelivered_; }
  // Starts a pass: a record may wait again and the counts restart.
  void StartPass() {
    failReason_ = 0;
    recordsProcessed_ = 0;
    recordsDelivered_ = 0;
    recordsSkipped_ = 0;
  }
  bool SetSkipMissingVector(const std::vector<bool>& skip) {
    if (skip.size() != skipMissing_.size()) return false;
    skipMissing_ = skip;
    uniformSkipping_ = false;
    return true;
  }

 private:
  bool Skips() const {
    const size_t count = missing_.size();
    if (uniformSkipping_) {
      if (count == 0 || !skipMissing_[0]) return false;
      for (size_t k = 0; k < count; ++k) {
        if (missing_[k]) return true;
      }
      return false;
    }
    for (size_t k = 0; k < count; ++k) {
      if (missing_[k] && skipMissing_[k]) return true;
    }
    return false;
  }

  int failReason_ = 0;
  std::uint32_t recordsProcessed_ = 0;
  std::uint64_t recordsDelivered_ = 0;
  std::uint64_t recordsSkipped_ = 0;
  bool uniformSkipping_ = true;
  std::vector<bool> skipMissing_;
  std::vector<bool> missing_;
};

}  // namespace VnKx_1_2
