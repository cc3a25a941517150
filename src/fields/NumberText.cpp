#include "fields/detail/NumberText.h"

#include <charconv>
#include <clocale>
#include <cstdlib>

#include <locale.h>

#include <string>

#include "external/hosthelper/detail/PlainNumber.h"

namespace VnKx_1_2 {

double AtofC(std::string_view text) {
  double plain = 0.0;
  if (KxCppHelperV1::ReadPlainNumber(text, plain) != KxCppHelperV1::PlainNumber::kNo) return plain;
  const char* begin = text.data();
  const char* end = begin + text.size();
  const char* p = begin;
  while (p != end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
  // Plain decimal numbers take the fast path; signs, hexadecimal, infinities, NaN and numbers
  // out of range go to the C library in the "C" locale.
  const char* digits = (p != end && *p == '-') ? p + 1 : p;
  if (digits != end && ((*digits >= '0' && *digits <= '9') || *digits == '.')) {
    double value = 0.0;
    const auto [next, ec] = std::from_chars(p, end, value);
    if (ec == std::errc() && (next == end || (*next != 'x' && *next != 'X'))) return value;
  }
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtod_l(std::string(text).c_str(), nullptr, c_locale);
}

}  // namespace VnKx_1_2
