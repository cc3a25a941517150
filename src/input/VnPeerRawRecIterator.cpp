#include "input/VnPeerRawRecIterator.h"

#include <algorithm>
#include <utility>

#include "input/InputAdapter.h"

namespace VnKx_1_2 {

using VnCommon_1_2::RawData;

namespace {

size_t RecordWidth(InputAdapter& adapter) {
  return std::max(adapter.GetVarList().Size(), static_cast<size_t>(adapter.GetSize()));
}

}  // namespace

VnPeerRawRecIterator::VnPeerRawRecIterator(KxCppHelperV1::DataHelper* dataHelper_,
                                           InputAdapter* adapter_, bool skipMissing)
    : dataHelper(dataHelper_),
      current(RecordWidth(*adapter_)),
      lookahead(RecordWidth(*adapter_)),
      state(static_cast<size_t>(adapter_->GetSize()), skipMissing),
      adapter(adapter_) {
  NextRecord();
}

VnPeerRawRecIterator::~VnPeerRawRecIterator() = default;

const VnCommon_1_2::RawRecord* VnPeerRawRecIterator::NextRawRecord() {
  if (state.failReason() != 0) return nullptr;
  std::swap(current, lookahead);
  state.CountDelivered();
  state.setFailReason(NextRecord());
  return &current;
}

int VnPeerRawRecIterator::NewPass() {
  if (!dataHelper->rewind()) {
    state.setFailReason(1);
    return 1;
  }
  state.StartPass();
  return NextRecord();
}

int VnPeerRawRecIterator::NextRecord() {
  while (state.Advance(*dataHelper)) {
    adapter->GetRawValues(lookahead, state.missing());
    if (state.Accept()) return 0;
  }
  return 1;
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

}  // namespace VnKx_1_2
