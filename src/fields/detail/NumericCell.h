#pragma once

// How a numeric field's value becomes a record cell, from the host's eight value bytes: the one
// rule that NumericFieldInfo's reads and the input adapter's read plan both apply.

#include <cstdint>
#include <cstring>

#include "external/common/RawRecord.h"
#include "external/common/VnMV.h"

namespace VnKx_1_2 {
namespace numericcell {

// The value that stands for a missing value in a numeric record's cell: the common library's
// missing value for a continuous field, -1 (no category) for any other.
inline double Sentinel(bool continuous) {
  return continuous ? VnCommon_1_2::VnMV::gMissingValue : -1.0;
}

// The number that the host's bytes hold: a 64-bit integer (as a double) or a double.
inline double Number(const void* bytes, bool integer) {
  if (integer) {
    std::int64_t value;
    std::memcpy(&value, bytes, sizeof(value));
    return static_cast<double>(value);
  }
  double value;
  std::memcpy(&value, bytes, sizeof(value));
  return value;
}

// A numeric record's cell from a value's bytes (null for a null value): the sentinel for a
// null, else the number. True when the cell is missing: a null, or a value equal to the
// sentinel.
inline bool ToRecordCell(const void* bytes, bool integer, double sentinel, double& cell) {
  if (bytes == nullptr) {
    cell = sentinel;
    return true;
  }
  cell = Number(bytes, integer);
  return cell == sentinel;
}

// A raw record's cell from a value's bytes: marked missing for a null, else the integer, or the
// real of kind `storage`. True when the cell is missing.
inline bool ToRawCell(const void* bytes, bool integer, int storage, VnCommon_1_2::RawData& cell) {
  if (bytes == nullptr) {
    cell.SetMissing(true);
    return true;
  }
  if (integer) {
    std::int64_t value;
    std::memcpy(&value, bytes, sizeof(value));
    cell.SetInteger(value, false);
  } else {
    double value;
    std::memcpy(&value, bytes, sizeof(value));
    cell.SetDouble(value, storage, false);
  }
  return false;
}

}  // namespace numericcell
}  // namespace VnKx_1_2
