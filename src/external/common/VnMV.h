#pragma once

namespace VnCommon_1_2 {

// The number that stands for a missing continuous value or statistic; compare by equality.
struct VnMV {
  static constexpr double gMissingValue = -1.0e300;
};

}  // namespace VnCommon_1_2
