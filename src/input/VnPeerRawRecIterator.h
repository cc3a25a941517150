#pragma once

// Walks the host's data like VnPeerIterator but hands out raw records: one cell per admitted
// field holding the value in its own kind (integer, real, text, date, time, timestamp). Next()
// always answers null; NextRawRecord() delivers. Same ownership and threading as VnPeerIterator.

#include <cstdint>
#include <fstream>
#include <memory>
#include <vector>

#include "VnKxExport.h"
#include "external/common/RawRecord.h"
#include "external/common/RecordIterator.h"

namespace KxCppHelperV1 {
class DataHelper;
}

namespace VnKx_1_2 {

class InputAdapter;
template <typename RecordType>
class RecordWalk;

class VNKX_API VnPeerRawRecIterator : public VnCommon_1_2::MultiPassRawRecordIter {
 public:
  VnPeerRawRecIterator(KxCppHelperV1::DataHelper* dataHelper, InputAdapter* adapter,
                       bool skipMissing);
  // A copy reads on from where the original stands, sharing its cursor.
  VnPeerRawRecIterator(const VnPeerRawRecIterator& other);
  VnPeerRawRecIterator& operator=(const VnPeerRawRecIterator& other);
  ~VnPeerRawRecIterator() override;

  bool HasMore() const override;
  // No numeric records: always null, and the iterator is left as it was.
  const VnCommon_1_2::Record* Next() override { return nullptr; }
  int GetFailReason() const override;
  int NewPass() override;
  // The waiting raw record (valid until the next delivering call), or null once the pass ended.
  const VnCommon_1_2::RawRecord* NextRawRecord() override;

  bool SetSkipMissingVector(const std::vector<bool>& skip);
  unsigned int getRecordsProcessed();
  std::uint64_t GetRecordsDelivered() const;
  std::uint64_t GetRecordsSkipped() const;

 protected:
  int NextRecord();
  // Writes "\nNum=<num>; Values=" and each cell by its kind followed by ";"; cells of no known
  // kind write nothing.
  void OutputRawRecord(std::basic_ofstream<char>& out, const VnCommon_1_2::RawRecord& record,
                       int num);

 private:
  std::unique_ptr<RecordWalk<VnCommon_1_2::RawRecord>> walk;
};

}  // namespace VnKx_1_2
