#pragma once

// Data-less bases of record iterators that an algorithm walks: single pass, multi-pass, and
// multi-pass over raw records.

#include "external/common/RawRecord.h"
#include "external/common/Record.h"

namespace VnCommon_1_2 {

class VNCOMMON_API RecordIterator {
 public:
  virtual ~RecordIterator() = default;
  virtual bool HasMore() const = 0;
  // The next record, or null when there is none; valid until the next call.
  virtual const Record* Next() = 0;
  // 0 while a record is waiting; another value once the walk has ended.
  virtual int GetFailReason() const = 0;
};

class VNCOMMON_API MultiPassRecordIter : public RecordIterator {
 public:
  // Starts the data again; returns the new fail reason (0 when a record is waiting).
  virtual int NewPass() = 0;
};

class VNCOMMON_API MultiPassRawRecordIter : public MultiPassRecordIter {
 public:
  virtual const RawRecord* NextRawRecord() = 0;
};

}  // namespace VnCommon_1_2
