#include "external/hosthelper/BufferHelper.h"

namespace KxCppHelperV1 {

BufferHelper::BufferHelper(std::size_t size) {
  resize(size);
}

void BufferHelper::resize(std::size_t size) {
  // One byte more than asked, so that the text is terminated even when the host is not.
  data_ = std::make_unique<char[]>(size + 1);
  size_ = size;
}

}  // namespace KxCppHelperV1
