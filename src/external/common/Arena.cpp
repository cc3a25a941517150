#include "external/common/Arena.h"

#include <algorithm>

namespace VnCommon_1_2 {

namespace {

// Chunks start small, so that a short list costs little, and double up to a size at which a
// chunk's heap call is spread over many allocations.
constexpr std::size_t kFirstChunk = 16 * 1024;
constexpr std::size_t kLargestChunk = 256 * 1024;

}  // namespace

void* Arena::AllocateFromNewChunk(std::size_t bytes) {
  // An allocation as large as a chunk gets a chunk of its own; the current one stays in use.
  if (bytes >= kLargestChunk / 2) {
    chunks_.push_back(std::unique_ptr<char[]>(new char[bytes]));
    return chunks_.back().get();
  }
  chunkBytes_ = chunkBytes_ == 0 ? kFirstChunk : std::min(2 * chunkBytes_, kLargestChunk);
  chunkBytes_ = std::max(chunkBytes_, bytes);
  chunks_.push_back(std::unique_ptr<char[]>(new char[chunkBytes_]));
  next_ = chunks_.back().get() + bytes;
  end_ = chunks_.back().get() + chunkBytes_;
  return chunks_.back().get();
}

}  // namespace VnCommon_1_2
