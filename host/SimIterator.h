#pragma once

// A host cursor (KxIterator) over a Table, with fault injection and call counts. Values are
// handed out without copying: numeric cells point into the table, text cells at its strings.
// A numeric cell asked for as text is formatted into the cursor's own buffer.

#include <cstddef>
#include <string>

#include "external/hosthelper/KxRecords.h"
#include "host/Table.h"

namespace VnKxHost {

class SimIterator {
 public:
  static constexpr std::size_t kNever = static_cast<std::size_t>(-1);

  explicit SimIterator(const Table& table);
  SimIterator(const SimIterator&) = delete;
  SimIterator& operator=(const SimIterator&) = delete;

  KxIterator* record() { return &record_; }
  const Table& table() const { return table_; }

  // Value reads (numeric and text) on record `row` (0-based) answer `status` with `code`.
  void FailReadsAt(std::size_t row, unsigned int status, int code);
  // Moving past record `row` answers `status` with `code`.
  void FailNextAt(std::size_t row, unsigned int status, int code);
  // Every rewind answers `status` (0 lets rewinds succeed again).
  void FailRewind(unsigned int status) { rewindStatus_ = status; }

  std::size_t nextCalls() const { return nextCalls_; }
  std::size_t valueCalls() const { return valueCalls_; }
  std::size_t stringCalls() const { return stringCalls_; }
  std::size_t rewindCalls() const { return rewindCalls_; }
  // The current row, kNever before the first.
  std::size_t position() const { return row_; }

 private:
  static unsigned int Next(void* handle, int* hasRecord, int* error);
  static unsigned int Value(void* handle, std::size_t column, void** value, std::size_t* size,
                            int* error);
  static unsigned int Rewind(void* handle, int* error);
  static unsigned int Text(void* handle, std::size_t column, const char** text, std::size_t* length,
                           int* isNull, int* error);
  // Status of reading `column` of the current row; stores the error code on failure.
  unsigned int CheckRead(std::size_t column, int* error) const;

  KxIterator record_;
  const Table& table_;
  std::size_t row_ = kNever;
  std::size_t failReadRow_ = kNever;
  unsigned int failReadStatus_ = 0;
  int failReadCode_ = 0;
  std::size_t failNextRow_ = kNever;
  unsigned int failNextStatus_ = 0;
  int failNextCode_ = 0;
  unsigned int rewindStatus_ = 0;
  std::size_t nextCalls_ = 0;
  std::size_t valueCalls_ = 0;
  std::size_t stringCalls_ = 0;
  std::size_t rewindCalls_ = 0;
  std::string textBuffer_;
};

}  // namespace VnKxHost
