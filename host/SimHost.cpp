#include "host/SimHost.h"

namespace VnKxHost {

SimHost::SimHost()
    : hostInformation_(
          "<HostInformation>"
          "<Host appName=\"vnkx-host\" appVersion=\"1.2.0\" copyright=\"(c) the vnkx authors\""
          " vendorName=\"vnkx\" installationPath=\"C:\\vnkx\"/>"
          "<LibraryDetail path=\"C:\\vnkx\\bin\\components\\x64\\release\\component.dll\"/>"
          "</HostInformation>") {
  record_.handle = this;
  record_.getHostInformation = &SimHost::Answer;
}

unsigned int SimHost::Answer(void* handle, char* buffer, std::size_t size, std::size_t* required,
                             int* error) {
  SimHost& self = *static_cast<SimHost*>(handle);
  ++self.calls_;
  return AnswerTextRequest(self.fault_, self.hostInformation_, buffer, size, required, error);
}

}  // namespace VnKxHost
