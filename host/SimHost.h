#pragma once

// A simulated host application (KxHost) that answers the host-information request.

#include <cstddef>
#include <string>

#include "external/hosthelper/KxRecords.h"
#include "host/EntryFault.h"

namespace VnKxHost {

class SimHost {
 public:
  // Host information naming this simulator, with a library path.
  SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  KxHost* record() { return &record_; }
  void SetHostInformation(std::string text) { hostInformation_ = std::move(text); }
  const std::string& HostInformation() const { return hostInformation_; }
  EntryFault& Fault() { return fault_; }
  std::size_t Calls() const { return calls_; }

 private:
  static unsigned int Answer(void* handle, char* buffer, std::size_t size, std::size_t* required,
                             int* error);
  KxHost record_;
  std::string hostInformation_;
  EntryFault fault_;
  std::size_t calls_ = 0;
};

}  // namespace VnKxHost
