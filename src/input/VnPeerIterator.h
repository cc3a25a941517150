#pragma once

// Walks the host's data as numeric records, in as many passes as an algorithm needs, skipping
// records with missing values on request. The iterator reads one acceptable record ahead: the
// constructor already moves the host cursor. It holds the data helper and the adapter without
// owning them; copies share them (and so the host cursor). One thread at a time.

#include <cstdint>
#include <fstream>
#include <memory>
#include <vector>

#include "VnKxExport.h"
#include "external/common/Record.h"
#include "external/common/RecordIterator.h"

namespace KxCppHelperV1 {
class DataHelper;
}

namespace VnKx_1_2 {

class InputAdapter;
template <typename RecordType>
class RecordWalk;

class VNKX_API VnPeerIterator : public VnCommon_1_2::MultiPassRecordIter {
 public:
  // `dataHelper` must be the cursor the adapter's fields read from. Reads the first acceptable
  // record; DataHelper::DataHelperException passes out.
  VnPeerIterator(KxCppHelperV1::DataHelper* dataHelper, InputAdapter* adapter, bool skipMissing);
  // A copy reads on from where the original stands, sharing its cursor.
  VnPeerIterator(const VnPeerIterator& other);
  VnPeerIterator& operator=(const VnPeerIterator& other);
  ~VnPeerIterator() override;

  bool HasMore() const override;
  // The waiting record (valid until the next delivering call), or null once the pass ended.
  const VnCommon_1_2::Record* Next() override;
  // 0 while a record waits, 1 once the pass has ended.
  int GetFailReason() const override;
  // Rewinds the host cursor and reads the first acceptable record: 0 when the new pass has one,
  // 1 when it has none or the cursor cannot be rewound.
  int NewPass() override;

  // Per-field skipping: entry k decides for the k-th admitted field; false (nothing changed)
  // for a vector of the wrong size. Applies from the next record read.
  bool SetSkipMissingVector(const std::vector<bool>& skip);
  // Host records read in this pass, skipped ones and the look-ahead included.
  unsigned int getRecordsProcessed();
  // Records handed out by Next, and records skipped, in this pass.
  std::uint64_t GetRecordsDelivered() const;
  std::uint64_t GetRecordsSkipped() const;

 protected:
  // Reads ahead to the next acceptable record: 0 when one waits, 1 when the pass has ended.
  int NextRecord();
  // Writes "\nNum=<num>; Values=" and each value followed by ";" (the stream's formatting).
  void OutputRecord(std::basic_ofstream<char>& out, const VnCommon_1_2::Record& record, int num);

 private:
  std::unique_ptr<RecordWalk<VnCommon_1_2::Record>> walk;
};

}  // namespace VnKx_1_2
