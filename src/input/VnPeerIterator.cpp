#include "input/VnPeerIterator.h"

#include <algorithm>
#include <utility>

#include "input/InputAdapter.h"

namespace VnKx_1_2 {

VnPeerIterator::VnPeerIterator(KxCppHelperV1::DataHelper* dataHelper, InputAdapter* adapter,
                               bool skipMissing)
    : walk(dataHelper, adapter, skipMissing) {
  walk.ReadAhead();
}

VnPeerIterator::~VnPeerIterator() = default;

const VnCommon_1_2::Record* VnPeerIterator::Next() {
  return walk.Deliver();
}

int VnPeerIterator::NewPass() {
  return walk.NewPass();
}

int VnPeerIterator::NextRecord() {
  return walk.ReadAhead();
}

void VnPeerIterator::OutputRecord(std::basic_ofstream<char>& out,
                                  const VnCommon_1_2::Record& record, int num) {
  out << std::endl << "Num=" << num << "; Values=";
  for (size_t i = 0; i < record.Size(); ++i) out << record[i] << ";";
}

}  // namespace VnKx_1_2
