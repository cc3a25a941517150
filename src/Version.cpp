#include "Version.h"

namespace VnKx_1_2 {

const char* LibraryVersion() {
  return "1.2.0";
}

}  // namespace VnKx_1_2
