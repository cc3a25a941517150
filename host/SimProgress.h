#pragma once

// A simulated progress sink (KxProgress) that records every report.

#include <functional>
#include <vector>

#include "external/hosthelper/KxRecords.h"

namespace VnKxHost {

class SimProgress {
 public:
  struct Report {
    double current;
    double total;
    int flag;
  };

  SimProgress();
  SimProgress(const SimProgress&) = delete;
  SimProgress& operator=(const SimProgress&) = delete;

  KxProgress* record() { return &record_; }
  // Every report answers `status` and stores `errorCode`.
  void Answer(unsigned int status, int errorCode) {
    status_ = status;
    errorCode_ = errorCode;
  }
  const std::vector<Report>& Reports() const { return reports_; }
  // Called with every report, after it is recorded.
  void OnReport(std::function<void(double current, double total)> callback) {
    callback_ = std::move(callback);
  }

 private:
  static unsigned int ReportProgress(void* handle, double current, double total, int* error,
                                     int flag);
  KxProgress record_;
  std::vector<Report> reports_;
  unsigned int status_ = 0;
  int errorCode_ = 0;
  std::function<void(double, double)> callback_;
};

}  // namespace VnKxHost
