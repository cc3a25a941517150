#include "external/hosthelper/DataHelper.h"

namespace KxCppHelperV1 {

DataHelper::DataHelperException::DataHelperException(unsigned int status, int hostCode,
                                                     const std::string& text)
    : std::runtime_error(text.empty() ? std::string("data helper failure") : text),
      status_(status),
      hostCode_(hostCode),
      text_(text) {}

DataHelper::DataHelperException::~DataHelperException() = default;

bool DataHelper::nextRecord() {
  int hasRecord = 0;
  int error = 0;
  lastStatus_ = iterator_->nextRecord(iterator_->handle, &hasRecord, &error);
  return lastStatus_ == 0 && hasRecord != 0;
}

bool DataHelper::rewind() {
  int error = 0;
  lastStatus_ = iterator_->rewind(iterator_->handle, &error);
  return lastStatus_ == 0;
}

void DataHelper::getInputStringValue(std::size_t column, std::string_view& text, bool& isNull) {
  const char* data = nullptr;
  std::size_t length = 0;
  int null = 0;
  int error = 0;
  const unsigned int status =
      iterator_->getStringValue(iterator_->handle, column, &data, &length, &null, &error);
  if (status != 0) throw DataHelperException(status, error, "getInputStringValue");
  isNull = null != 0 || data == nullptr;
  text = isNull ? std::string_view() : std::string_view(data, length);
}

}  // namespace KxCppHelperV1
