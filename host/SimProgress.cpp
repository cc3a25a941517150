#include "host/SimProgress.h"

namespace VnKxHost {

SimProgress::SimProgress() : record_() {
  record_.handle = this;
  record_.reportProgress = &SimProgress::ReportProgress;
}

unsigned int SimProgress::ReportProgress(void* handle, double current, double total, int* error,
                                         int flag) {
  SimProgress& self = *static_cast<SimProgress*>(handle);
  self.reports_.push_back(Report{current, total, flag});
  *error = self.errorCode_;
  if (self.callback_) self.callback_(current, total);
  return self.status_;
}

}  // namespace VnKxHost
