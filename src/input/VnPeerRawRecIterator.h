#pragma once

// Walks the host's data like VnPeerIterator but hands out raw records: one cell per admitted
// field holding the value in its own kind (integer, real, text, date, time, timestamp). Next()
// always answers null; NextRawRecord() delivers. Same ownership and threading as VnPeerIterator.

#include <cstdint>
#include <fstream>
#include <vector>

#include "VnKxExport.h"
#include "external/common/RawRecord.h"
#include "external/common/RecordIterator.h"
#include "input/RecordWalk.h"

namespace VnKx_1_2 {

class VNKX_API VnPeerRawRecIterator : public VnCommon_1_2::MultiPassRawRecordIter {
 public:
  VnPeerRawRecIterator(KxCppHelperV1::DataHelper* dataHelper, InputAdapter* adapter,
                       bool skipMissing);
  VnPeerRawRecIterator(const VnPeerRawRecIterator&) = default;
  VnPeerRawRecIterator& operator=(const VnPeerRawRecIterator&) = default;
  ~VnPeerRawRecIterator() override;

  bool HasMore() const override { return walk.state().failReason() == 0; }
  // No numeric records: always null, and the iterator is left as it was.
  const VnCommon_1_2::Record* Next() override { return nullptr; }
  int GetFailReason() const override { return walk.state().failReason(); }
  int NewPass() override;
  // The waiting raw record (valid until the next delivering call), or null once the pass ended.
  const VnCommon_1_2::RawRecord* NextRawRecord() override;

  bool SetSkipMissingVector(const std::vector<bool>& skip) {
    return walk.state().SetSkipMissingVector(skip);
  }
  unsigned int getRecordsProcessed() { return walk.state().recordsProcessed(); }
  std::uint64_t GetRecordsDelivered() const { return walk.state().recordsDelivered(); }
  std::uint64_t GetRecordsSkipped() const { return walk.state().recordsSkipped(); }

 protected:
  int NextRecord();
  // Writes "\nNum=<num>; Values=" and each cell by its kind followed by ";"; cells of no known
  // kind write nothing.
  void OutputRawRecord(std::basic_ofstream<char>& out, const VnCommon_1_2::RawRecord& record,
                       int num);

 private:
  RecordWalk<VnCommon_1_2::RawRecord> walk;
};

}  // namespace VnKx_1_2
