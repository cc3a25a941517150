#include "input/VnPeerIterator.h"

#include <memory>

#include "input/detail/RecordWalk.h"

#include <algorithm>
#include <utility>

#include "input/InputAdapter.h"

namespace VnKx_1_2 {

VnPeerIterator::VnPeerIterator(KxCppHelperV1::DataHelper* dataHelper, InputAdapter* adapter,
                               bool skipMissing)
    : walk(std::make_unique<RecordWalk<VnCommon_1_2::Record>>(dataHelper, adapter, skipMissing)) {
  walk->ReadAhead();
}

VnPeerIterator::~VnPeerIterator() = default;

const VnCommon_1_2::Record* VnPeerIterator::Next() {
  return walk->Deliver();
}

int VnPeerIterator::NewPass() {
  return walk->NewPass();
}

int VnPeerIterator::NextRecord() {
  return walk->ReadAhead();
}

void VnPeerIterator::OutputRecord(std::basic_ofstream<char>& out,
                                  const VnCommon_1_2::Record& record, int num) {
  out << std::endl << "Num=" << num << "; Values=";
  for (size_t i = 0; i < record.Size(); ++i) out << record[i] << ";";
}

VnPeerIterator::VnPeerIterator(const VnPeerIterator& other)
    : walk(std::make_unique<RecordWalk<VnCommon_1_2::Record>>(*other.walk)) {}

VnPeerIterator& VnPeerIterator::operator=(const VnPeerIterator& other) {
  if (this != &other) *walk = *other.walk;
  return *this;
}

bool VnPeerIterator::HasMore() const {
  return walk->state().failReason() == 0;
}

int VnPeerIterator::GetFailReason() const {
  return walk->state().failReason();
}

bool VnPeerIterator::SetSkipMissingVector(const std::vector<bool>& skip) {
  return walk->state().SetSkipMissingVector(skip);
}

unsigned int VnPeerIterator::getRecordsProcessed() {
  return walk->state().recordsProcessed();
}

std::uint64_t VnPeerIterator::GetRecordsDelivered() const {
  return walk->state().recordsDelivered();
}

std::uint64_t VnPeerIterator::GetRecordsSkipped() const {
  return walk->state().recordsSkipped();
}

}  // namespace VnKx_1_2
