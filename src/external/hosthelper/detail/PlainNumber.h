#pragma once

// The short path of number reading: most numbers in documents and data files are plain, and
// reading them takes far less than the full readers.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace KxCppHelperV1 {

enum class PlainNumber { kNo, kInteger, kDecimal };

// Whether `text` is a plain number: an optional '-', then digits with at most one '.' between
// digits, fifteen digits at most. Such a text is an integer (without the '.') and a real, never
// a date or a time. `value` gets the number exactly as the full readers give it: fifteen digits
// make an integer below 2^53, held exactly, and dividing it by a power of ten up to 10^15 (also
// exact) rounds once, correctly.
inline PlainNumber ReadPlainNumber(std::string_view text, double& value) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p != end && *p == '-';
  if (negative) ++p;
  // Digits, a '.', digits; the mantissa may wrap for more than 19 digits, which are refused.
  std::uint64_t mantissa = 0;
  const char* const whole = p;
  for (; p != end && static_cast<unsigned>(*p - '0') < 10; ++p) {
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  }
  const auto wholeDigits = static_cast<std::size_t>(p - whole);
  std::size_t decimals = 0;
  if (p != end) {
    if (*p != '.' || wholeDigits == 0) return PlainNumber::kNo;
    const char* const fraction = ++p;
    for (; p != end && static_cast<unsigned>(*p - '0') < 10; ++p) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
    decimals = static_cast<std::size_t>(p - fraction);
    if (p != end || decimals == 0) return PlainNumber::kNo;
  }
  if (wholeDigits == 0 || wholeDigits + decimals > 15) return PlainNumber::kNo;
  value = static_cast<double>(mantissa) / kPowersOfTen[decimals];
  if (negative) value = -value;
  return decimals == 0 ? PlainNumber::kInteger : PlainNumber::kDecimal;
}

}  // namespace KxCppHelperV1
