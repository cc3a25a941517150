#pragma once

// The two-call text protocol between host and component, written once for both directions.
// Asking the host: a buffer of 8192 bytes, and after status 13 exactly one more call with the
// size the host asked for. Answering the host: the text goes into the caller's buffer when it
// is large enough, else status 13 with the size needed.

#include <cstddef>
#include <cstring>
#include <string>

#include "external/hosthelper/BufferHelper.h"

namespace KxCppHelperV1 {

constexpr std::size_t kInitialTextBufferSize = 8192;
// The largest document text a component accepts from the host (1 GiB).
constexpr std::size_t kMaxHostTextSize = std::size_t{1} << 30;
constexpr unsigned int kStatusDocumentError = 5;
constexpr unsigned int kStatusBufferTooSmall = 13;

// Calls `entry(char* buffer, size_t size, size_t* required)`; after 13 resizes `buffer` to the
// required size and calls once more. Returns the status of the last call, or 5 when the host
// asks for more than kMaxHostTextSize bytes (nothing is allocated then).
template <typename Entry>
unsigned int RequestHostText(BufferHelper& buffer, Entry&& entry) {
  std::size_t required = 0;
  unsigned int status = entry(buffer.data(), buffer.size(), &required);
  if (status == kStatusBufferTooSmall) {
    if (required > kMaxHostTextSize) return kStatusDocumentError;
    buffer.resize(required);
    required = 0;
    status = entry(buffer.data(), buffer.size(), &required);
  }
  return status;
}

// Stores the text's length plus one in `*required`; copies the text with its terminating zero
// into `buffer` and returns 0 when `size` allows, else copies nothing and returns 13.
inline unsigned int AnswerText(const std::string& text, char* buffer, std::size_t size,
                               std::size_t* required) {
  *required = text.size() + 1;
  if (size < *required) return kStatusBufferTooSmall;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return 0;
}

}  // namespace KxCppHelperV1
