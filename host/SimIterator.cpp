#include "host/SimIterator.h"

#include <cstdio>

namespace VnKxHost {
namespace {

constexpr unsigned int kBadArgument = 2;
constexpr unsigned int kFailed = 3;

SimIterator& Self(void* handle) {
  return *static_cast<SimIterator*>(handle);
}

}  // namespace

SimIterator::SimIterator(const Table& table) : table_(table) {
  record_.handle = this;
  record_.nextRecord = &SimIterator::Next;
  record_.getRecordValue = &SimIterator::Value;
  record_.rewind = &SimIterator::Rewind;
  record_.getStringValue = &SimIterator::Text;
}

void SimIterator::FailReadsAt(std::size_t row, unsigned int status, int code) {
  failReadRow_ = row;
  failReadStatus_ = status;
  failReadCode_ = code;
}

void SimIterator::FailNextAt(std::size_t row, unsigned int status, int code) {
  failNextRow_ = row;
  failNextStatus_ = status;
  failNextCode_ = code;
}

unsigned int SimIterator::Next(void* handle, int* hasRecord, int* error) {
  SimIterator& self = Self(handle);
  ++self.nextCalls_;
  const std::size_t next = self.row_ == kNever ? 0 : self.row_ + 1;
  if (self.failNextRow_ != kNever && next == self.failNextRow_ + 1) {
    *error = self.failNextCode_;
    *hasRecord = 0;
    return self.failNextStatus_;
  }
  if (next >= self.table_.RowCount()) {
    self.row_ = self.table_.RowCount();
    *hasRecord = 0;
    return 0;
  }
  self.row_ = next;
  *hasRecord = 1;
  return 0;
}

unsigned int SimIterator::Rewind(void* handle, int* error) {
  SimIterator& self = Self(handle);
  ++self.rewindCalls_;
  if (self.rewindStatus_ != 0) {
    *error = static_cast<int>(self.rewindStatus_);
    return self.rewindStatus_;
  }
  self.row_ = kNever;
  return 0;
}

unsigned int SimIterator::CheckRead(std::size_t column, int* error) const {
  if (row_ == kNever || row_ >= table_.RowCount()) {
    *error = static_cast<int>(kFailed);
    return kFailed;
  }
  if (column >= table_.ColumnCount()) {
    *error = static_cast<int>(kBadArgument);
    return kBadArgument;
  }
  if (row_ == failReadRow_) {
    *error = failReadCode_;
    return failReadStatus_;
  }
  return 0;
}

unsigned int SimIterator::Value(void* handle, std::size_t column, void** value, std::size_t* size,
                                int* error) {
  SimIterator& self = Self(handle);
  ++self.valueCalls_;
  const unsigned int status = self.CheckRead(column, error);
  if (status != 0) return status;
  if (self.table_.IsNull(self.row_, column)) {
    *value = nullptr;
    *size = 0;
    return 0;
  }
  // The host hands out read-only bytes through the entry's non-const pointer.
  *value = const_cast<void*>(self.table_.Bytes(self.row_, column, *size));
  return 0;
}

unsigned int SimIterator::Text(void* handle, std::size_t column, const char** text,
                               std::size_t* length, int* isNull, int* error) {
  SimIterator& self = Self(handle);
  ++self.stringCalls_;
  const unsigned int status = self.CheckRead(column, error);
  if (status != 0) return status;
  const std::size_t row = self.row_;
  if (self.table_.IsNull(row, column)) {
    *isNull = 1;
    *text = nullptr;
    *length = 0;
    return 0;
  }
  *isNull = 0;
  switch (self.table_.Type(column)) {
    case ColumnType::kString:
      *text = self.table_.Text(row, column).data();
      *length = self.table_.Text(row, column).size();
      return 0;
    case ColumnType::kInteger:
      self.textBuffer_ = std::to_string(self.table_.Integer(row, column));
      break;
    default: {
      char formatted[32];
      std::snprintf(formatted, sizeof(formatted), "%.17g", self.table_.Real(row, column));
      self.textBuffer_ = formatted;
      break;
    }
  }
  *text = self.textBuffer_.data();
  *length = self.textBuffer_.size();
  return 0;
}

}  // namespace VnKxHost
