#include "input/VnPeerIterator.h"

#include <algorithm>
#include <utility>

#include "input/InputAdapter.h"

namespace VnKx_1_2 {

namespace {

// A record has a column per variable; never fewer than the admitted fields.
size_t RecordWidth(InputAdapter& adapter) {
  return std::max(adapter.GetVarList().Size(), static_cast<size_t>(adapter.GetSize()));
}

}  // namespace

VnPeerIterator::VnPeerIterator(KxCppHelperV1::DataHelper* dataHelper_, InputAdapter* adapter_,
                               bool skipMissing)
    : dataHelper(dataHelper_),
      current(RecordWidth(*adapter_)),
      lookahead(RecordWidth(*adapter_)),
      state(static_cast<size_t>(adapter_->GetSize()), skipMissing),
      adapter(adapter_) {
  NextRecord();
}

VnPeerIterator::~VnPeerIterator() = default;

const VnCommon_1_2::Record* VnPeerIterator::Next() {
  if (state.failReason() != 0) return nullptr;
  // The waiting record becomes the current one; the old current one is overwritten next.
  std::swap(current, lookahead);
  state.CountDelivered();
  state.setFailReason(NextRecord());
  return &current;
}

int VnPeerIterator::NewPass() {
  if (!dataHelper->rewind()) {
    state.setFailReason(1);
    return 1;
  }
  state.StartPass();
  return NextRecord();
}

int VnPeerIterator::NextRecord() {
  while (state.Advance(*dataHelper)) {
    adapter->GetValues(lookahead, state.missing());
    if (state.Accept()) return 0;
  }
  return 1;
}

void VnPeerIterator::OutputRecord(std::basic_ofstream<char>& out,
                                  const VnCommon_1_2::Record& record, int num) {
  out << std::endl << "Num=" << num << "; Values=";
  for (size_t i = 0; i < record.Size(); ++i) out << record[i] << ";";
}

}  // namespace VnKx_1_2
