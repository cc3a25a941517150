#pragma once

// A growable character buffer for text that the host writes. Owns its storage.

#include <cstddef>
#include <memory>

#include "external/hosthelper/KxExport.h"

namespace KxCppHelperV1 {

class KXCOMSERV_API BufferHelper {
 public:
  // A buffer of `size` bytes holding the empty text.
  explicit BufferHelper(std::size_t size);
  BufferHelper(const BufferHelper&) = delete;
  BufferHelper& operator=(const BufferHelper&) = delete;

  char* data() { return data_.get(); }
  const char* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  operator char*() { return data_.get(); }

  // Gives the buffer `size` bytes holding the empty text; earlier contents are dropped.
  void resize(std::size_t size);
  // Hands the storage (size() + 1 bytes, the last one zero) to the caller; the buffer is then
  // empty, with no storage, until resized.
  std::unique_ptr<char[]> release() {
    size_ = 0;
    return std::move(data_);
  }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
};

}  // namespace KxCppHelperV1
