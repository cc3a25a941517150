#pragma once

#include <string>

namespace VnKx_1_2 {

// The host application's identity, as its host-information document gives it.
struct VnPeerHostInfo {
  std::string appName;
  std::string appVersion;
  std::string copyright;
  std::string vendorName;
  std::string installationPath;
};

}  // namespace VnKx_1_2
