#include "input/VnPeerRawRecIterator.h"

#include <memory>

#include "input/detail/RecordWalk.h"

#include <algorithm>
#include <utility>

#include "input/InputAdapter.h"

namespace VnKx_1_2 {

using VnCommon_1_2::RawData;

VnPeerRawRecIterator::VnPeerRawRecIterator(KxCppHelperV1::DataHelper* dataHelper,
                                           InputAdapter* adapter, bool skipMissing)
    : walk(
          std::make_unique<RecordWalk<VnCommon_1_2::RawRecord>>(dataHelper, adapter, skipMissing)) {
  walk->ReadAhead();
}

VnPeerRawRecIterator::~VnPeerRawRecIterator() = default;

const VnCommon_1_2::RawRecord* VnPeerRawRecIterator::NextRawRecord() {
  return walk->Deliver();
}

int VnPeerRawRecIterator::NewPass() {
  return walk->NewPass();
}

int VnPeerRawRecIterator::NextRecord() {
  return walk->ReadAhead();
}

void VnPeerRawRecIterator::OutputRawRecord(std::basic_ofstream<char>& out,
                                           const VnCommon_1_2::RawRecord& record, int num) {
  out << std::endl << "Num=" << num << "; Values=";
  for (size_t i = 0; i < record.Size(); ++i) {
    const RawData& cell = record[i];
    switch (cell.GetType()) {
      case RawData::kInteger:
        out << cell.GetInteger() << ";";
        break;
      case RawData::kReal:
      case RawData::kDate:
      case RawData::kTime:
      case RawData::kTimestamp:
        out << cell.GetDouble() << ";";
        break;
      case RawData::kText:
        out << cell.GetString() << ";";
        break;
      default:
        break;
    }
  }
}

VnPeerRawRecIterator::VnPeerRawRecIterator(const VnPeerRawRecIterator& other)
    : walk(std::make_unique<RecordWalk<VnCommon_1_2::RawRecord>>(*other.walk)) {}

VnPeerRawRecIterator& VnPeerRawRecIterator::operator=(const VnPeerRawRecIterator& other) {
  if (this != &other) *walk = *other.walk;
  return *this;
}

bool VnPeerRawRecIterator::HasMore() const {
  return walk->state().failReason() == 0;
}

int VnPeerRawRecIterator::GetFailReason() const {
  return walk->state().failReason();
}

bool VnPeerRawRecIterator::SetSkipMissingVector(const std::vector<bool>& skip) {
  return walk->state().SetSkipMissingVector(skip);
}

unsigned int VnPeerRawRecIterator::getRecordsProcessed() {
  return walk->state().recordsProcessed();
}

std::uint64_t VnPeerRawRecIterator::GetRecordsDelivered() const {
  return walk->state().recordsDelivered();
}

std::uint64_t VnPeerRawRecIterator::GetRecordsSkipped() const {
  return walk->state().recordsSkipped();
}

}  // namespace VnKx_1_2
