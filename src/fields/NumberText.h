#pragma once

// Text-to-number conversion as the C library's atof does it (the leading number after optional
// white space, 0.0 when there is none), independent of the process locale.

#include <string>

namespace VnKx_1_2 {

double AtofC(const std::string& text);

}  // namespace VnKx_1_2
