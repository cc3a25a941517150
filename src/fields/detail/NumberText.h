#pragma once

// Text-to-number conversion as the C library's atof does it (the leading number after optional
// white space, 0.0 when there is none), independent of the process locale.

#include <string_view>

namespace VnKx_1_2 {

double AtofC(std::string_view text);

}  // namespace VnKx_1_2
