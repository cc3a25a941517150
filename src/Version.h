#pragma once

#include "VnKxExport.h"

namespace VnKx_1_2 {

// The library's version as "major.minor.patch".
VNKX_API const char* LibraryVersion();

}  // namespace VnKx_1_2
