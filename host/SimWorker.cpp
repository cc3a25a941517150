#include "host/SimWorker.h"

#include "host/EntryFault.h"

namespace VnKxHost {

unsigned int SimWorker::Index(void* handle, std::int64_t* index, std::int64_t* count, int* error) {
  const SimWorker& self = *static_cast<const SimWorker*>(handle);
  *index = self.index_;
  *count = self.count_;
  *error = 0;
  return 0;
}

unsigned int SimWorker::Partial(void* handle, char* buffer, std::size_t size, std::size_t* required,
                                int* error) {
  SimWorker& self = *static_cast<SimWorker*>(handle);
  if (!self.hasPartial_) {
    *error = 3;
    return 3;
  }
  EntryFault none;
  return AnswerTextRequest(none, self.partial_, buffer, size, required, error);
}

}  // namespace VnKxHost
