// The first pass over a document: counts and the ASCII test, sixteen or thirty-two bytes at a
// time, the width chosen once from what the processor supports.

#include "external/hosthelper/detail/XMLScan.h"

#include <algorithm>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace KxCppHelperV1 {
namespace xmltree {
namespace {

#if defined(__SSE2__)
// Counts the marks of the sixteen-byte blocks from `i` on, up to the first block that holds a
// zero byte or the last whole block; returns where it stopped.
std::size_t CountBlocks16(const char* text, std::size_t length, std::size_t i, Marks& marks) {
  const __m128i lt = _mm_set1_epi8('<');
  const __m128i eq = _mm_set1_epi8('=');
  const __m128i zero = _mm_setzero_si128();
  // Every byte or'ed together, for the high bit.
  __m128i high = zero;
  bool sawZero = false;
  while (!sawZero && length - i >= 16) {
    // Byte counters, summed before they can wrap.
    __m128i ltCount = zero;
    __m128i eqCount = zero;
    const std::size_t blocks = std::min<std::size_t>((length - i) / 16, 255);
    for (std::size_t b = 0; b < blocks; ++b, i += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)) != 0) {
        sawZero = true;  // the bytes before it go the slow way
        break;
      }
      ltCount = _mm_sub_epi8(ltCount, _mm_cmpeq_epi8(bytes, lt));
      eqCount = _mm_sub_epi8(eqCount, _mm_cmpeq_epi8(bytes, eq));
      high = _mm_or_si128(high, bytes);
    }
    const __m128i ltSums = _mm_sad_epu8(ltCount, zero);
    const __m128i eqSums = _mm_sad_epu8(eqCount, zero);
    marks.angles += static_cast<std::size_t>(_mm_cvtsi128_si32(ltSums) +
                                             _mm_cvtsi128_si32(_mm_srli_si128(ltSums, 8)));
    marks.equals += static_cast<std::size_t>(_mm_cvtsi128_si32(eqSums) +
                                             _mm_cvtsi128_si32(_mm_srli_si128(eqSums, 8)));
  }
  if (_mm_movemask_epi8(high) != 0) marks.ascii = false;
  return i;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// CountBlocks16 thirty-two bytes at a time, for processors with AVX2 (asked at run time).
__attribute__((target("avx2"))) std::size_t CountBlocks32(const char* text, std::size_t length,
                                                          Marks& marks) {
  const __m256i lt = _mm256_set1_epi8('<');
  const __m256i eq = _mm256_set1_epi8('=');
  const __m256i zero = _mm256_setzero_si256();
  __m256i high = zero;
  std::size_t i = 0;
  bool sawZero = false;
  while (!sawZero && length - i >= 32) {
    __m256i ltCount = zero;
    __m256i eqCount = zero;
    const std::size_t blocks = std::min<std::size_t>((length - i) / 32, 255);
    for (std::size_t b = 0; b < blocks; ++b, i += 32) {
      const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i));
      if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, zero)) != 0) {
        sawZero = true;
        break;
      }
      ltCount = _mm256_sub_epi8(ltCount, _mm256_cmpeq_epi8(bytes, lt));
      eqCount = _mm256_sub_epi8(eqCount, _mm256_cmpeq_epi8(bytes, eq));
      high = _mm256_or_si256(high, bytes);
    }
    alignas(32) std::uint64_t ltSums[4];
    alignas(32) std::uint64_t eqSums[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(ltSums), _mm256_sad_epu8(ltCount, zero));
    _mm256_store_si256(reinterpret_cast<__m256i*>(eqSums), _mm256_sad_epu8(eqCount, zero));
    marks.angles += ltSums[0] + ltSums[1] + ltSums[2] + ltSums[3];
    marks.equals += eqSums[0] + eqSums[1] + eqSums[2] + eqSums[3];
  }
  if (_mm256_movemask_epi8(high) != 0) marks.ascii = false;
  return i;
}

bool HasAvx2() {
  // Asked once; the processor's features are read first, as a static initialiser may run
  // before the library that answers has set up.
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}
#endif

}  // namespace

Marks ScanText(const char* text, std::size_t length) {
  Marks marks;
  std::size_t i = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  if (HasAvx2()) i = CountBlocks32(text, length, marks);
#endif
#if defined(__SSE2__)
  i = CountBlocks16(text, length, i, marks);
#endif
  for (; i < length && text[i] != '\0'; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    marks.angles += c == '<';
    marks.equals += c == '=';
    if (c >= 0x80) marks.ascii = false;
  }
  marks.length = i;
  return marks;
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
