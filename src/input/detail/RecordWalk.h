#pragma once

// The walk both record iterators make: a look-ahead record of the iterator's kind, the pass
// state, and the reads through the adapter. Numeric and raw iterators differ only in the record
// kind and in which adapter read fills it.

#include <algorithm>
#include <utility>

#include "external/common/RawRecord.h"
#include "external/common/Record.h"
#include "external/hosthelper/DataHelper.h"
#include "input/InputAdapter.h"
#include "input/detail/IteratorPassState.h"

namespace VnKx_1_2 {

template <typename RecordType>
class RecordWalk {
 public:
  RecordWalk(KxCppHelperV1::DataHelper* dataHelper, InputAdapter* adapter, bool skipMissing)
      : dataHelper_(dataHelper),
        current_(Width(*adapter)),
        lookahead_(Width(*adapter)),
        state_(static_cast<size_t>(adapter->GetSize()), skipMissing),
        adapter_(adapter) {}

  // The waiting record, and the next one read ahead; null once the pass has ended.
  const RecordType* Deliver() {
    if (state_.failReason() != 0) return nullptr;
    // The waiting record becomes the current one; the old current one is overwritten next.
    std::swap(current_, lookahead_);
    state_.CountDelivered();
    state_.setFailReason(ReadAhead());
    return &current_;
  }

  int NewPass() {
    if (!dataHelper_->rewind()) {
      state_.setFailReason(1);
      return 1;
    }
    state_.StartPass();
    return ReadAhead();
  }

  // Reads ahead to the next acceptable record: 0 when one waits, 1 when the pass has ended.
  int ReadAhead() {
    while (state_.Advance(*dataHelper_)) {
      Read(*adapter_, lookahead_, state_.missing());
      if (state_.Accept()) return 0;
    }
    return 1;
  }

  IteratorPassState& state() { return state_; }
  const IteratorPassState& state() const { return state_; }

 private:
  // A record has a column per variable, and never fewer than the admitted fields.
  static size_t Width(InputAdapter& adapter) {
    return std::max(adapter.GetVarList().Size(), static_cast<size_t>(adapter.GetSize()));
  }
  static void Read(const InputAdapter& adapter, VnCommon_1_2::Record& record,
                   std::vector<bool>& missing) {
    adapter.GetValues(record, missing);
  }
  static void Read(const InputAdapter& adapter, VnCommon_1_2::RawRecord& record,
                   std::vector<bool>& missing) {
    adapter.GetRawValues(record, missing);
  }

  KxCppHelperV1::DataHelper* dataHelper_;
  RecordType current_;
  RecordType lookahead_;
  IteratorPassState state_;
  InputAdapter* adapter_;
};

}  // namespace VnKx_1_2
