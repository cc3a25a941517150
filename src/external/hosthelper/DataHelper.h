#pragma once

// A component's reader over one host cursor (KxIterator). The helper starts before the first
// record; nextRecord() moves to a record, rewind() back to before the first. Values are read
// from the current record by column. The helper does not own the cursor. One thread at a time.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "external/hosthelper/KxExport.h"
#include "external/hosthelper/KxRecords.h"

namespace KxCppHelperV1 {

class KXCOMSERV_API DataHelper {
 public:
  // The host failed to deliver a value: its status, its error code and what was being done.
  class KXCOMSERV_API DataHelperException : public std::runtime_error {
   public:
    DataHelperException(unsigned int status, int hostCode, const std::string& text);
    ~DataHelperException() override;
    unsigned int status() const { return status_; }
    int hostCode() const { return hostCode_; }
    const std::string& text() const { return text_; }

   private:
    unsigned int status_;
    int hostCode_;
    std::string text_;
  };

  explicit DataHelper(KxIterator* iterator) : iterator_(iterator) {}

  // Moves to the next record: false at the end or when the host fails (see lastStatus()).
  bool nextRecord();
  // Moves back to before the first record: false when the data cannot be read again.
  bool rewind();
  // The host's status of the last nextRecord() or rewind().
  unsigned int lastStatus() const { return lastStatus_; }

  // The current record's text of `column`, valid until the cursor moves; `isNull` is set for
  // a null value (then `text` is empty). Throws DataHelperException (status, host code,
  // "getInputStringValue") when the host fails.
  void getInputStringValue(std::size_t column, std::string_view& text, bool& isNull);

  // Reads the 8-byte value of `column` through the cursor's record-value entry into the
  // value pointer and size kept here (recordValue(), recordValueSize()); returns the host's
  // status. A null recordValue() after status 0 is a null value.
  unsigned int getRecordValue(std::size_t column, int* error) {
    return iterator_->getRecordValue(iterator_->handle, column, &value_, &valueSize_, error);
  }
  const void* recordValue() const { return value_; }
  std::size_t recordValueSize() const { return valueSize_; }

  KxIterator* iterator() const { return iterator_; }

 private:
  KxIterator* iterator_;
  void* value_ = nullptr;
  std::size_t valueSize_ = 0;
  unsigned int lastStatus_ = 0;
};

}  // namespace KxCppHelperV1
