#include "host/EntryFault.h"

#include <cstring>

namespace VnKxHost {

unsigned int AnswerTextRequest(EntryFault& fault, const std::string& text, char* buffer,
                               std::size_t size, std::size_t* required, int* error) {
  constexpr unsigned int kBufferTooSmall = 13;
  const std::size_t needed = text.size() + 1;
  if (fault.busyTimes > 0) {
    --fault.busyTimes;
    *required = fault.busyRequired != 0 ? fault.busyRequired : needed;
    return kBufferTooSmall;
  }
  if (fault.status != 0) {
    *error = fault.errorCode;
    return fault.status;
  }
  *required = needed;
  if (size < needed) return kBufferTooSmall;
  std::memcpy(buffer, text.c_str(), needed);
  return 0;
}

}  // namespace VnKxHost
