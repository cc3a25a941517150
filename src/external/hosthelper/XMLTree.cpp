#include "external/hosthelper/XMLTree.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "external/hosthelper/XMLChars.h"
#include "external/hosthelper/XMLDoctype.h"
#include "external/hosthelper/XMLEncoding.h"
#include "external/hosthelper/XMLException.h"

namespace KxCppHelperV1 {
namespace xmltree {
namespace {

enum CharClass : std::uint8_t {
  kSpace = 1,
  kNameStart = 2,
  kNameChar = 4,
  kTextStop = 8,       // ends the plain run of a text: '<', '&', ']', controls but tab and LF
  kAttributeStop = 16  // ends the plain run of an attribute value: quotes, '&', '<', controls
};

struct CharTable {
  std::uint8_t classes[256] = {};
  constexpr CharTable() {
    for (int c = 0; c < 256; ++c) {
      std::uint8_t bits = 0;
      const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') bits |= kSpace;
      if (letter || c == '_' || c == ':' || c >= 0x80) bits |= kNameStart | kNameChar;
      if ((c >= '0' && c <= '9') || c == '.' || c == '-') bits |= kNameChar;
      const bool control = c < 0x20 && c != '\t' && c != '\n';
      if (c == '<' || c == '&' || c == ']' || control) bits |= kTextStop;
      if (c == '"' || c == '\'' || c == '&' || c == '<' || c < 0x20) {
        bits |= kAttributeStop;
      }
      classes[c] = bits;
    }
  }
};

constexpr CharTable kChars;

inline bool Is(char c, CharClass bit) {
  return (kChars.classes[static_cast<unsigned char>(c)] & bit) != 0;
}

// One pass over the text: where it ends (its first zero byte, or `length`) and how many '<' and
// '=' it holds (bounds on the elements and attributes to come, so that the arrays are sized
// once).
struct Marks {
  std::size_t length = 0;
  std::size_t angles = 0;
  std::size_t equals = 0;
  // No byte above 0x7F. Text beyond ASCII is checked whole for UTF-8 and the characters XML
  // forbids; in ASCII text, the constructs that hold characters refuse the control characters.
  bool ascii = true;
};

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

#if defined(__SSE2__)
// Sixteen-byte patterns of the characters that end a plain run of an attribute value.
struct SimdStops {
  __m128i quote = _mm_set1_epi8('"');
  __m128i apostrophe = _mm_set1_epi8('\'');
  __m128i ampersand = _mm_set1_epi8('&');
  __m128i less = _mm_set1_epi8('<');
  __m128i control = _mm_set1_epi8(0x1F);  // a byte no greater is a control character
};
const SimdStops kSimd;
#endif

// The predefined entity of `name`, or 0.
char Predefined(std::string_view name) {
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "amp") return '&';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  return 0;
}

// Copies `text` to `target` with a zero after it.
void CopyTerminated(char* target, std::string_view text) {
  if (!text.empty()) std::memcpy(target, text.data(), text.size());
  target[text.size()] = '\0';
}

// Copies [from, to) to `out`; returns the end of the copy.
char* CopyRun(const char* from, const char* to, char* out) {
  const auto length = static_cast<std::size_t>(to - from);
  if (length != 0) std::memcpy(out, from, length);
  return out + length;
}

// A name's first eight bytes (fewer for a shorter name, the rest zero) as one word. With
// `readPast`, eight bytes may be read from `name` whatever its length.
std::uint64_t HeadOf(const char* name, std::size_t length, bool readPast) {
  std::uint64_t word = 0;
  if (!readPast || length == 0) {
    // Byte by byte into a zeroed word's bytes: a copy of a variable length would be a call.
    char bytes[8] = {};
    const std::size_t n = std::min<std::size_t>(length, 8);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = name[i];
    std::memcpy(&word, bytes, 8);
    return word;
  }
  std::memcpy(&word, name, 8);
  if (length >= 8) return word;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return word & (~std::uint64_t{0} << (64 - 8 * length));
#else
  return word & (~std::uint64_t{0} >> (64 - 8 * length));
#endif
}

}  // namespace

// Reads the zero-terminated text as XML 1.0, keeping names in the tree's table, decoded texts in
// its store and decoded attribute values at `values`, each followed by a zero. Without entity
// expansion `values` needs at most as many bytes as the text and its zero (no value is longer
// than the text it comes from with the markup around it); once an entity has been expanded, the
// block grows as values need (ReserveValues). Element nesting is iterative (the open element's
// parent link is the stack); only entity expansion recurses, at most kMaxEntityDepth deep. The
// reader is one pass with an ASCII fast path: text beyond ASCII is checked whole for UTF-8 and
// XML characters before the pass, and control characters stop the plain runs of texts and values.
class Tree::Parser {
 public:
  Parser(Tree& tree, const char* text, std::size_t length, char* values, std::size_t capacity,
         bool ascii)
      : tree_(tree),
        begin_(text),
        end_(text + length),
        documentEnd_(text + length),
        p_(text),
        values_(values),
        valuesEnd_(values + capacity),
        out_(values),
        ascii_(ascii),
        expansionLimit_(std::max<std::size_t>(std::size_t{1} << 20, length * 16)) {
    analog_.reserve(tree.nodes.capacity());
  }

  // The bytes of the block of values in use, and its size (entity expansion may grow it).
  std::size_t ValuesSize() const { return static_cast<std::size_t>(out_ - values_); }
  std::size_t ValuesCapacity() const { return static_cast<std::size_t>(valuesEnd_ - values_); }

  void Run() {
    // A UTF-8 byte-order mark.
    if (end_ - p_ >= 3 && static_cast<unsigned char>(p_[0]) == 0xEF &&
        static_cast<unsigned char>(p_[1]) == 0xBB && static_cast<unsigned char>(p_[2]) == 0xBF) {
      p_ += 3;
    }
    if (std::strncmp(p_, "<?xml", 5) == 0 && !Is(p_[5], kNameChar)) {
      p_ = ReadXmlDeclaration(begin_, p_, standalone_);
    }
    ReadContent();
    if (open_ != kNone) Fail("an element is not closed", end_);
    if (tree_.nodes.empty()) Fail("no root element", end_);
  }

 private:
  [[noreturn]] void Fail(const char* what, const char* at) const { Malformed(begin_, at, what); }

  // Text and markup from p_ to end_ (the document's, or an entity's replacement text).
  void ReadContent() {
    for (;;) {
      const char* s = p_;
      while (Is(*s, kSpace)) ++s;
      if (*s == '<') {
        if (s != p_) Spaces(p_, s);
        p_ = s;
        ReadMarkup();
      } else if (s == end_) {
        if (s != p_) Spaces(p_, s);
        p_ = s;
        return;
      } else {
        ReadText();
      }
    }
  }

  // Spaces [from, to) written as they are, before markup or the end of an entity's text. A run
  // of character data between element boundaries that is only such spaces is layout and is not
  // kept; spaces in a run that holds other character data are.
  void Spaces(const char* from, const char* to) {
    // Layout between tags, the common case, is dropped at once.
    if (!runHasText_ && to != end_ && (to[1] == '/' || Is(to[1], kNameStart))) return;
    if (open_ == kNone) return;
    if (!runHasText_ && to == end_ && entityDepth_ == 0) return;
    KeepSpaces(from, to);
  }
  __attribute__((noinline)) void KeepSpaces(const char* from, const char* to) {
    std::string normalised;
    for (const char* s = from; s != to; ++s) {
      if (*s == '\r') {
        normalised += '\n';
        if (s[1] == '\n') ++s;
      } else {
        normalised += *s;
      }
    }
    if (runHasText_) {
      AppendCopy(normalised);
    } else {
      pendingSpaces_ += normalised;
    }
  }

  // Keeps the run's spaces that were held back until it was known to hold other data.
  void KeepPendingSpaces() {
    runHasText_ = true;
    if (pendingSpaces_.empty()) return;
    AppendCopy(pendingSpaces_);
    pendingSpaces_.clear();
  }

  // An element boundary: a new run begins.
  void EndRun() {
    runHasText_ = false;
    if (!pendingSpaces_.empty()) pendingSpaces_.clear();
  }

  void AppendCopy(std::string_view text) {
    char* const copy = tree_.Allocate(text.size() + 1);
    AppendText(copy, CopyRun(text.data(), text.data() + text.size(), copy));
  }

  // The text from p_ (not all spaces) up to the next markup, decoded and kept as a text node;
  // a reference to an entity ends it, and the entity's text is read in its place.
  void ReadText() {
    if (open_ == kNone) Fail("text outside the root element", p_);
    KeepPendingSpaces();
    // Decoding never lengthens a text: room for the text as written up to the next markup.
    const void* found = std::memchr(p_, '<', static_cast<std::size_t>(end_ - p_));
    if (found == nullptr && entityDepth_ == 0) Fail("an element is not closed", end_);
    const char* markup = found != nullptr ? static_cast<const char*>(found) : end_;
    char* const text = tree_.Allocate(static_cast<std::size_t>(markup - p_) + 1);
    const char* s = p_;
    while (!Is(*s, kTextStop)) ++s;
    char* end = CopyRun(p_, s, text);
    const Entity* entity = nullptr;
    const char* reference = nullptr;
    if (*s != '<' && *s != '\0') end = DecodeText(s, end, entity, reference);
    if (end != text) AppendText(text, end);
    p_ = s;
    if (entity != nullptr) ExpandInContent(*entity, reference);
  }

  // Decodes text from `in` up to markup or the end into `out`: references as they read, a line
  // end (CR LF or a lone CR) as "\n". Stops after a reference to an entity whose text is to be
  // read in its place (`entity`, `reference` set). Returns the end of what it wrote, which is
  // never longer than what it read.
  __attribute__((noinline)) char* DecodeText(const char*& in, char* out, const Entity*& entity,
                                             const char*& reference) {
    for (char c = *in; c != '<' && c != '\0'; c = *in) {
      if (c == '&') {
        const char* at = in;
        if (const Entity* declared = DecodeReference(in, out)) {
          entity = declared;
          reference = at;
          return out;
        }
      } else if (c == '\r') {
        *out++ = '\n';
        in += in[1] == '\n' ? 2 : 1;
      } else if (c == ']' && in[1] == ']' && in[2] == '>') {
        Fail("']]>' in text", in);
      } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
        Fail("a control character XML forbids", in);
      } else {
        *out++ = c;
        ++in;
      }
    }
    return out;
  }

  // Decodes the reference at `in` ('&'), moving `in` past it: a character reference or a
  // predefined entity is written at `out` (moved past it); a declared entity is returned, to be
  // read in the reference's place; null for those and for a reference that is passed over.
  const Entity* DecodeReference(const char*& in, char*& out) const {
    if (in[1] == '#') {
      out = WriteCharReference(in, out);
      return nullptr;
    }
    const char* at = in;
    const std::string_view name = ReadReferenceName(in);
    if (const char decoded = Predefined(name)) {
      *out++ = decoded;
      return nullptr;
    }
    return Lookup(name, at);
  }

  // The name of the entity reference at `in` ('&'); leaves `in` after its ';'.
  std::string_view ReadReferenceName(const char*& in) const {
    const std::size_t n = NameLength(in + 1);
    if (n == 0) Fail("'&' not followed by a name (write '&amp;' for '&')", in);
    if (in[1 + n] != ';') Fail("an entity reference without ';'", in + 1 + n);
    const std::string_view name(in + 1, n);
    in += n + 2;
    return name;
  }

  // The declared entity of `name`, referenced at `at`; null for a reference that is left out (an
  // undeclared entity that a subset not read could declare).
  const Entity* Lookup(std::string_view name, const char* at) const {
    if (dtd_ != nullptr) {
      const auto found = dtd_->general.find(std::string(name));
      if (found != dtd_->general.end()) return &found->second;
      if (dtd_->Lenient(standalone_)) return nullptr;
    }
    Fail("a reference to an undeclared entity", at);
  }

  // Writes the character of the character reference at `in` to `out`; returns the end.
  char* WriteCharReference(const char*& in, char* out) const {
    const char* at = in;
    const std::uint32_t code = xmlchars::ReadCharReference(in);
    if (code == xmlchars::kInvalid) Fail("a malformed character reference", at);
    if (!xmlchars::IsChar(code)) Fail("a character reference to a character XML forbids", at);
    return xmlchars::EncodeUtf8(code, out);
  }

  // Reads an entity's replacement text in place of its reference in content.
  __attribute__((noinline)) void ExpandInContent(const Entity& entity, const char* reference) {
    if (entity.kind == Entity::kUnparsed) Fail("a reference to an unparsed entity", reference);
    if (entity.kind == Entity::kExternal) return;  // external entities are never read
    const bool outermost = entityDepth_ == 0;
    Enter(entity, reference);
    const char* const savedP = p_;
    const char* const savedEnd = end_;
    const std::uint32_t savedBase = entityBase_;
    p_ = entity.text.c_str();
    end_ = p_ + entity.text.size();
    entityBase_ = open_;
    try {
      ReadContent();
    } catch (const XMLException& e) {
      if (!outermost) throw;
      Rethrow(e, reference);
    }
    if (open_ != entityBase_) Fail("an entity's text leaves an element open", reference);
    p_ = savedP;
    end_ = savedEnd;
    entityBase_ = savedBase;
    Leave(entity);
  }

  // Bounds on entity expansion: no recursion, a nesting depth, and a total size.
  void Enter(const Entity& entity, const char* reference) {
    if (entity.expanding) Fail("an entity refers to itself", reference);
    if (++entityDepth_ > kMaxEntityDepth) Fail("entities nested too deeply", reference);
    expandedBytes_ += entity.text.size();
    if (expandedBytes_ > expansionLimit_) Fail("entities expand past the size limit", reference);
    const_cast<Entity&>(entity).expanding = true;
    expanded_ = true;
  }
  void Leave(const Entity& entity) {
    const_cast<Entity&>(entity).expanding = false;
    --entityDepth_;
  }

  // An error inside an entity's replacement text, placed at the outermost reference in the
  // document.
  [[noreturn]] void Rethrow(const XMLException& e, const char* reference) const {
    const std::string inner = e.what();
    const std::size_t colon = inner.find(": ");
    throw XMLException("malformed document at offset " + std::to_string(reference - begin_) +
                       ": in the text of the entity referenced here, " +
                       (colon == std::string::npos ? inner : inner.substr(colon + 2)));
  }

  // Copies the plain run of an attribute value from `s` to `out` (both moved past it): up to
  // its closing quote, a reference, '<', a line end or tab, or the end; true when it stopped at
  // the closing quote. Sixteen bytes at a time while sixteen remain (the block stops at the
  // closing quote, '&', '<' and at any control character; the byte loop goes on past those that
  // are plain): the block of values is never shorter than the text read so far plus what
  // remains, so a whole block written at `out` stays inside it. A block that ends the value
  // answers from its masks, without reading the byte it stopped at again.
  bool CopyPlainValue(const char*& s, char*& out, char quote) const {
#if defined(__SSE2__)
    const __m128i closing = quote == '"' ? kSimd.quote : kSimd.apostrophe;
    while (end_ - s >= 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
      const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(bytes, kSimd.control), bytes);
      const int closes = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, closing));
      const __m128i others = _mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi8(bytes, kSimd.ampersand), _mm_cmpeq_epi8(bytes, kSimd.less)),
          controls);
      const int stops = closes | _mm_movemask_epi8(others);
      if (stops != 0) {
        const int run = __builtin_ctz(static_cast<unsigned>(stops));
        out += run;
        s += run;
        if ((closes >> run) & 1) return true;
        break;
      }
      out += 16;
      s += 16;
    }
#endif
    const char otherQuote = quote == '"' ? '\'' : '"';
    for (char v = *s; !Is(v, kAttributeStop) || v == otherQuote; v = *++s) *out++ = v;
    return *s == quote;
  }

  // Decodes an attribute value from `in` up to its closing quote into `out`: references as they
  // read, a line end, tab or line feed as a space. Returns the end of what it wrote (never
  // longer than what it read), with `in` at the closing quote, or null with `in` at a reference
  // to a declared entity, whose value is then read by DecodeValueWithEntities.
  __attribute__((noinline)) char* DecodeValue(const char*& in, char* out, char quote) const {
    for (char c = *in; c != quote; c = *in) {
      if (c == '&') {
        const char* at = in;
        if (DecodeReference(in, out) != nullptr) {
          in = at;
          return nullptr;
        }
      } else if (c == '\0') {
        return out;
      } else if (c == '<') {
        Fail("'<' in an attribute value (write '&lt;')", in);
      } else if (c == '\r') {
        *out++ = ' ';
        in += in[1] == '\n' ? 2 : 1;
      } else if (c == '\t' || c == '\n') {
        *out++ = ' ';
        ++in;
      } else if (static_cast<unsigned char>(c) < 0x20) {
        Fail("a control character XML forbids", in);
      } else {
        *out++ = c;
        ++in;
      }
    }
    return out;
  }

  // Appends the normalised value of the attribute text [in, up to `quote` or its end) to
  // `value`, entity references replaced by their texts' values; leaves `in` at the stop.
  void AppendValue(const char*& in, char quote, std::string& value) {
    for (char c = *in; c != quote && c != '\0'; c = *in) {
      if (c == '&') {
        const char* at = in;
        char buffer[8];
        char* end = buffer;
        const Entity* entity = DecodeReference(in, end);
        value.append(buffer, static_cast<std::size_t>(end - buffer));
        if (entity == nullptr) continue;
        if (entity->kind != Entity::kInternal) {
          Fail("an attribute value refers to an external or unparsed entity", at);
        }
        const bool outermost = entityDepth_ == 0;
        Enter(*entity, at);
        const char* text = entity->text.c_str();
        try {
          AppendValue(text, '\0', value);
        } catch (const XMLException& e) {
          if (!outermost) throw;
          Rethrow(e, at);
        }
        Leave(*entity);
      } else if (c == '<') {
        Fail("'<' in an attribute value (write '&lt;')", in);
      } else if (c == '\r') {
        value += ' ';
        in += in[1] == '\n' && quote != '\0' ? 2 : 1;
      } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
        Fail("a control character XML forbids", in);
      } else {
        value += c == '\t' || c == '\n' ? ' ' : c;
        ++in;
      }
    }
  }

  // Makes room for `bytes` more bytes of values after out_ (the block may move).
  __attribute__((noinline)) void ReserveValues(std::size_t bytes) {
    if (static_cast<std::size_t>(valuesEnd_ - out_) >= bytes) return;
    const std::size_t used = ValuesSize();
    const std::size_t capacity = std::max(used + bytes, ValuesCapacity() * 2);
    char* grown = static_cast<char*>(std::realloc(values_, capacity));
    if (grown == nullptr) throw std::bad_alloc();
    // The tree owns the block throughout, so that nothing leaks when the parse throws.
    static_cast<void>(tree_.values_.release());
    tree_.values_.reset(grown);
    values_ = grown;
    out_ = grown + used;
    valuesEnd_ = grown + capacity;
  }

  // Whether the name `known`, whose first word is `head`, is the whole name at `s`. False when
  // fewer than eight bytes or than the name's length remain; otherwise the reads stay within
  // the text and its zero.
  bool NameAt(const char* s, std::string_view known, std::uint64_t head) const {
    const auto left = static_cast<std::size_t>(end_ - s);
    return left >= 8 && left >= known.size() && HeadOf(s, known.size(), true) == head &&
           (known.size() <= 8 ||
            SameText(known.substr(8), std::string_view(s + 8, known.size() - 8))) &&
           !Is(s[known.size()], kNameChar);
  }
  // The name at `s` (which starts one), looked up in the tree's table; leaves `s` after it.
  // Names with bytes beyond ASCII are held to XML's name characters.
  std::uint32_t ReadName(const char*& s) const {
    const char* name = s;
    ++s;
    while (Is(*s, kNameChar)) ++s;
    const auto length = static_cast<std::size_t>(s - name);
    if (!ascii_ && !xmlchars::IsName(name, length)) {
      Fail("a name with a character that XML does not allow in names", name);
    }
    return tree_.Intern(std::string_view(name, length), HeadOf(name, length, end_ - name >= 8));
  }

  // Ends the text or CDATA section written from `text` to `end` and appends it as a text node.
  void AppendText(char* text, char* end) {
    *end = '\0';
    last_ = tree_.AppendNode(open_, last_, text, static_cast<std::uint32_t>(end - text), false);
    analog_.push_back(kNone);
  }

  // The element expected next from the document's shape so far, or kNone: the one that
  // followed the open element's last child's like element, or the first child of the open
  // element's like element.
  std::uint32_t Expected() const {
    if (last_ != kNone) {
      const std::uint32_t like = analog_[last_];
      return like == kNone ? kNone : tree_.nodes[like].nextSibling;
    }
    if (open_ == kNone) return kNone;
    const std::uint32_t like = analog_[open_];
    return like == kNone ? kNone : tree_.nodes[like].firstChild;
  }
  // Whether the element `node` (kNone, or a text node, for none) has the name at `s`; the name
  // then goes to `name`.
  bool NameOfNodeAt(const char* s, std::uint32_t node, std::string_view& name) const {
    if (node == kNone || !tree_.nodes[node].isElement) return false;
    const std::string_view known(tree_.nodes[node].text, tree_.nodes[node].length);
    // An element's name is one of the tree's names, zero-padded to eight bytes: its first word
    // is its head as it stands.
    std::uint64_t head;
    std::memcpy(&head, known.data(), 8);
    if (!NameAt(s, known, head)) return false;
    name = known;
    return true;
  }

  // The markup at p_.
  __attribute__((always_inline)) void ReadMarkup() {
    const char next = p_[1];
    if (Is(next, kNameStart)) {
      ReadStartTag();
    } else if (next == '/') {
      ReadEndTag();
    } else if (next == '?') {
      p_ = ReadProcessingInstruction(begin_, p_ + 2);
    } else if (next == '!' && p_[2] == '-' && p_[3] == '-') {
      p_ = ReadComment(begin_, p_ + 4);
    } else if (next == '!' && std::strncmp(p_ + 2, "[CDATA[", 7) == 0) {
      ReadCData();
    } else if (next == '!' && std::strncmp(p_ + 2, "DOCTYPE", 7) == 0) {
      if (!tree_.nodes.empty()) Fail("a document type declaration after the root element", p_);
      if (dtd_ != nullptr) Fail("a second document type declaration", p_);
      dtd_ = std::make_unique<Dtd>();
      p_ = ReadDoctype(begin_, p_ + 9, standalone_, *dtd_);
      // Values need work beyond decoding only where entities or token types are declared.
      valueWork_ = !dtd_->general.empty() || !dtd_->tokenized.empty();
    } else if (Is(next, kNameChar)) {
      Fail("a name starts with a character that can only follow its first", p_ + 1);
    } else {
      Fail("unexpected character after '<'", p_ + 1);
    }
  }

  void ReadStartTag() {
    if (open_ == kNone && !tree_.nodes.empty()) Fail("a second root element", p_);
    EndRun();
    const char* s = p_ + 1;
    // Documents repeat their shapes: the name is compared with the previous sibling's, then with
    // the one that followed the last element named as that sibling (or, for a first child, the
    // first child of the last element named as the parent), before the table is asked. The
    // attributes' names are compared in turn with those of the last element of the same name.
    std::string_view name;
    if (!NameOfNodeAt(s, last_, name) && !NameOfNodeAt(s, Expected(), name)) {
      name = tree_.names[ReadName(s)];
    } else {
      s += name.size();
    }
    Latest& latest = latest_[(reinterpret_cast<std::uintptr_t>(name.data()) >> 3) % kLatest];
    const std::uint32_t like = latest.name == name.data() ? latest.node : kNone;
    const std::uint32_t element =
        tree_.AppendNode(open_, last_, name.data(), static_cast<std::uint32_t>(name.size()), true);
    analog_.push_back(like);
    latest.name = name.data();
    latest.node = element;
    last_ = element;
    // The attributes of the like element, whose names the attributes here likely repeat.
    std::uint32_t likeFirst = 0;
    std::uint32_t likeCount = 0;
    if (like != kNone) {
      likeFirst = tree_.nodes[like].firstAttribute;
      likeCount = tree_.nodes[like].attributeCount;
    }
    std::uint32_t count = 0;
    // Attributes named as the like element's, in its order, are distinct as its were: only a
    // list that leaves that order is checked for repeats.
    std::uint32_t guessed = 0;
    char c = *s;
    for (;;) {
      if (!Is(c, kSpace) && c != '>' && c != '/') Fail("unexpected character in a tag", s);
      while (Is(c, kSpace)) c = *++s;
      if (c == '>') {
        tree_.nodes[element].attributeCount = count;
        if (guessed != count && count > 1) CheckUnique(element);
        open_ = element;
        last_ = kNone;
        p_ = s + 1;
        return;
      }
      if (c == '/') {
        if (s[1] != '>') Fail("expected '>' after '/'", s + 1);
        tree_.nodes[element].attributeCount = count;
        if (guessed != count && count > 1) CheckUnique(element);
        p_ = s + 2;
        return;
      }
      if (!Is(c, kNameStart)) Fail("unexpected character in a tag", s);
      c = ReadAttribute(s, count < likeCount ? tree_.attributes[likeFirst + count].name : kNone,
                        guessed);
      ++count;
    }
  }

  // Refuses an element whose attributes repeat a name (at its start tag): by pairs over a few
  // attributes, by marks per name over many.
  __attribute__((noinline)) void CheckUnique(std::uint32_t element) {
    const Node& node = tree_.nodes[element];
    const Attribute* list = tree_.attributes.data() + node.firstAttribute;
    const std::uint32_t count = node.attributeCount;
    std::uint32_t repeated = kNone;
    if (count <= 16) {
      for (std::uint32_t i = 1; i < count && repeated == kNone; ++i) {
        for (std::uint32_t j = 0; j < i; ++j) {
          if (list[j].name == list[i].name) repeated = list[i].name;
        }
      }
    } else {
      if (markOf_.size() < tree_.names.size()) markOf_.resize(tree_.names.size(), kNone);
      for (std::uint32_t i = 0; i < count && repeated == kNone; ++i) {
        if (markOf_[list[i].name] == element) repeated = list[i].name;
        markOf_[list[i].name] = element;
      }
    }
    if (repeated == kNone) return;
    const std::string what =
        "the attribute '" + std::string(tree_.names[repeated]) + "' repeated on one element";
    Fail(what.c_str(), p_);
  }

  // The attribute whose name starts at s, whose name is likely the name at `guess` (or kNone
  // for no guess; `guessed` counts the names that were); leaves s after its closing quote and
  // returns the character there.
  __attribute__((always_inline)) char ReadAttribute(const char*& s, std::uint32_t guess,
                                                    std::uint32_t& guessed) {
    std::uint32_t nameIndex = kNone;
    if (guess != kNone && NameAt(s, tree_.names[guess], tree_.nameHeads_[guess])) {
      nameIndex = guess;
      ++guessed;
      s += tree_.names[guess].size();
    }
    if (nameIndex == kNone) nameIndex = ReadName(s);
    char c = *s;
    while (Is(c, kSpace)) c = *++s;
    if (c != '=') Fail("an attribute without a value", s);
    c = *++s;
    while (Is(c, kSpace)) c = *++s;
    if (c != '"' && c != '\'') Fail("an attribute value without quotes", s);
    const char quote = c;
    const char* value = ++s;
    char* stored = out_;
    if (__builtin_expect(valueWork_, false)) {
      stored = ReadValueWithDeclarations(value, s, quote, nameIndex);
    } else {
      ReadValue(value, s, quote, stored);
    }
    *out_ = '\0';
    // Written member by member: a whole temporary copied in stalls on its own stores.
    Attribute& attribute = tree_.attributes.emplace_back();
    attribute.value = static_cast<std::uint32_t>(stored - values_);
    attribute.valueLength = static_cast<std::uint32_t>(out_ - stored);
    attribute.name = nameIndex;
    ++out_;
    return *++s;
  }

  // The value that starts at `value`, in a document that declares entities or attributes of
  // token types; written at the returned place, with out_ after it, `s` at its closing quote.
  __attribute__((noinline)) char* ReadValueWithDeclarations(const char* value, const char*& s,
                                                            char quote, std::uint32_t nameIndex) {
    // Expanded entities may have written more values than the text they were read from.
    if (expanded_) {
      ReserveValues(static_cast<std::size_t>(end_ - s + (documentEnd_ - begin_)) + 16);
    }
    char* stored = out_;
    ReadValue(value, s, quote, stored);
    if (!dtd_->tokenized.empty()) Tokenize(nameIndex, stored);
    return stored;
  }

  // The value from `s` (just after its opening quote, at `value`) written at out_ (`stored`),
  // leaving out_ after it and `s` at its closing quote: the plain run first (the other quote is
  // plain too), then decoding if anything needs it, then entities if it refers to any.
  __attribute__((always_inline)) void ReadValue(const char* value, const char*& s, char quote,
                                                char*& stored) {
    char* out = out_;  // a local, which the stores cannot alias
    if (CopyPlainValue(s, out, quote)) {
      out_ = out;
    } else if (char* decoded = DecodeValue(s, out, quote)) {
      if (*s != quote) Fail("an attribute value is not closed", value);
      out_ = decoded;
    } else {
      DecodeValueWithEntities(value, s, quote, stored);
    }
  }

  // The value that starts at `value` and refers to entities, decoded whole and written at
  // `stored`; leaves `s` at its closing quote.
  __attribute__((noinline)) void DecodeValueWithEntities(const char* value, const char*& s,
                                                         char quote, char*& stored) {
    std::string decoded;
    s = value;
    AppendValue(s, quote, decoded);
    if (*s != quote) Fail("an attribute value is not closed", value);
    const std::size_t offset = static_cast<std::size_t>(stored - values_);
    out_ = stored;
    ReserveValues(decoded.size() + static_cast<std::size_t>(end_ - s + (documentEnd_ - begin_)) +
                  16);
    stored = values_ + offset;
    out_ = CopyRun(decoded.data(), decoded.data() + decoded.size(), stored);
  }

  // A value of an attribute declared with a token type: leading and trailing spaces dropped and
  // each run of spaces made one.
  __attribute__((noinline)) void Tokenize(std::uint32_t nameIndex, char* stored) {
    const Node& element = tree_.nodes[last_ == kNone ? open_ : last_];
    const std::string key = std::string(element.text, element.length) + ' ' +
                            std::string(tree_.names[nameIndex]);
    if (dtd_->tokenized.count(key) == 0) return;
    char* out = stored;
    for (const char* s = stored; s != out_; ++s) {
      if (*s == ' ' && (out == stored || out[-1] == ' ')) continue;
      *out++ = *s;
    }
    if (out != stored && out[-1] == ' ') --out;
    out_ = out;
  }

  void ReadEndTag() {
    if (open_ == kNone) Fail("an end tag without a start tag", p_);
    if (entityDepth_ != 0 && open_ == entityBase_) {
      Fail("an end tag in an entity's text closes an element opened outside it", p_);
    }
    EndRun();
    const Node& open = tree_.nodes[open_];
    const char* s = p_ + 2;
    if (static_cast<std::size_t>(end_ - s) < open.length ||
        std::memcmp(s, open.text, open.length) != 0 || Is(s[open.length], kNameChar)) {
      Fail("an end tag does not match its start tag", s);
    }
    s += open.length;
    while (Is(*s, kSpace)) ++s;
    if (*s != '>') Fail("expected '>' in an end tag", s);
    p_ = s + 1;
    last_ = open_;
    open_ = open.parent;
  }

  __attribute__((noinline)) void ReadCData() {
    if (open_ == kNone) Fail("a CDATA section outside the root element", p_);
    const char* start = p_ + 9;
    const char* end = std::strstr(start, "]]>");
    if (end == nullptr) Fail("a CDATA section is not closed", p_);
    // An empty section adds nothing, as an empty addition does.
    if (end != start) {
      KeepPendingSpaces();
      char* const text = tree_.Allocate(static_cast<std::size_t>(end - start) + 1);
      char* out = text;
      for (const char* s = start; s != end; ++s) {
        if (*s == '\r') {
          *out++ = '\n';
          if (s[1] == '\n') ++s;
        } else if (static_cast<unsigned char>(*s) < 0x20 && *s != '\t' && *s != '\n') {
          Fail("a control character XML forbids", s);
        } else {
          *out++ = *s;
        }
      }
      AppendText(text, out);
    }
    p_ = end + 3;
  }

  static constexpr int kMaxEntityDepth = 64;

  Tree& tree_;
  const char* const begin_;
  const char* end_;  // of the text being read: the document's or an entity's
  const char* const documentEnd_;
  const char* p_;
  char* values_;
  char* valuesEnd_;
  char* out_;  // where the next value is written
  const bool ascii_;  // the document has no byte beyond ASCII
  std::uint32_t open_ = kNone;
  std::uint32_t last_ = kNone;  // the open element's last child
  // The current run of character data: whether it holds data other than spaces written as
  // they are, and such spaces held back until that is known.
  bool runHasText_ = false;
  std::string pendingSpaces_;
  // Declarations, and the state of entity expansion.
  std::unique_ptr<Dtd> dtd_;
  bool valueWork_ = false;  // entities or attributes of token types are declared
  bool standalone_ = false;
  bool expanded_ = false;
  int entityDepth_ = 0;
  std::uint32_t entityBase_ = kNone;  // the element open where the innermost entity began
  std::size_t expandedBytes_ = 0;
  const std::size_t expansionLimit_;
  // For each name, the element whose attributes last used it (duplicate checks on long lists).
  std::vector<std::uint32_t> markOf_;
  // For each node, the element of its name that came before it (kNone for none and for texts).
  std::vector<std::uint32_t> analog_;
  // The latest element of each name, by the name's address; a name that shares its slot with
  // another only misses a guess.
  struct Latest {
    const char* name = nullptr;
    std::uint32_t node = kNone;
  };
  static constexpr std::size_t kLatest = 64;
  Latest latest_[kLatest];
};

namespace {

// A secret seed for each tree's name table: the process's random base, stepped per tree and
// mixed, so that names chosen to collide in one table do not collide in another.
std::uint64_t NextSeed() {
  static const std::uint64_t base = [] {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
  }();
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t z = base + counter.fetch_add(1, std::memory_order_relaxed) * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

Tree::Tree() : hashSeed_(NextSeed()) {}
Tree::~Tree() = default;

void Tree::FreeBlock::operator()(char* block) const {
  std::free(block);
}

std::shared_ptr<Tree> Tree::Build(const char* text, std::size_t length, std::size_t nodeCount,
                                  std::size_t attributeCount, bool ascii) {
  // Indexes, offsets and lengths are 32 bits wide.
  if (length >= kNone) throw XMLException("document text longer than 4 GiB");
  std::shared_ptr<Tree> tree(new Tree());
  tree->nodes.reserve(nodeCount);
  tree->attributes.reserve(attributeCount);
  tree->ReserveValues(length + 1);
  // The parser writes into the tree's block, and moves it (keeping the tree its owner) when
  // entity expansion needs more room.
  Parser parser(*tree, text, length, tree->values_.get(), tree->valuesCapacity_, ascii);
  parser.Run();
  tree->valuesSize_ = parser.ValuesSize();
  tree->valuesCapacity_ = parser.ValuesCapacity();
  // The unused end of the block goes back (values are offsets: the block may move).
  const std::size_t kept = std::max<std::size_t>(tree->valuesSize_, 1);
  if (char* trimmed = static_cast<char*>(std::realloc(tree->values_.get(), kept))) {
    static_cast<void>(tree->values_.release());
    tree->values_.reset(trimmed);
    tree->valuesCapacity_ = kept;
  }
  return tree;
}

void Tree::ReserveValues(std::size_t bytes) {
  const std::size_t needed = valuesSize_ + bytes;
  if (needed <= valuesCapacity_) return;
  const std::size_t capacity = std::max(needed, valuesCapacity_ * 2);
  char* grown = static_cast<char*>(std::realloc(values_.get(), capacity));
  if (grown == nullptr) throw std::bad_alloc();
  static_cast<void>(values_.release());
  values_.reset(grown);
  valuesCapacity_ = capacity;
}

std::uint32_t Tree::StoreValue(std::string_view value) {
  if (valuesSize_ + value.size() + 1 >= kNone) {
    throw XMLException("attribute values longer than 4 GiB in all");
  }
  ReserveValues(value.size() + 1);
  CopyTerminated(values_.get() + valuesSize_, value);
  const auto offset = static_cast<std::uint32_t>(valuesSize_);
  valuesSize_ += value.size() + 1;
  return offset;
}

std::shared_ptr<Tree> Tree::Parse(const char* text, std::size_t length) {
  std::string utf8;
  if (Transcode(text, length, utf8)) return ParseUtf8(utf8.c_str(), utf8.size() + 1);
  return ParseUtf8(text, length);
}

std::shared_ptr<Tree> Tree::ParseUtf8(const char* text, std::size_t length) {
  const Marks marks = ScanText(text, length);
  if (!marks.ascii) {
    // The slow check, for text with bytes beyond ASCII.
    bool utf8 = false;
    const std::size_t at = xmlchars::FirstInvalidChar(text, marks.length, utf8);
    if (at < marks.length) {
      std::string what = "invalid UTF-8";
      if (!utf8) {
        std::size_t n = 1;
        const std::uint32_t code =
            xmlchars::DecodeUtf8(reinterpret_cast<const unsigned char*>(text + at),
                                 marks.length - at, n);
        char hex[16];
        std::snprintf(hex, sizeof(hex), "U+%04X", static_cast<unsigned>(code));
        what = std::string("a character XML forbids (") + hex + ")";
      }
      Malformed(text, text + at, what.c_str());
    }
  }
  if (marks.length < length) {
    return Build(text, marks.length, marks.angles, marks.equals, marks.ascii);
  }
  // No zero byte within `length`: the parser reads a zero-terminated copy.
  std::unique_ptr<char[]> copy(new char[length + 1]);
  if (length != 0) std::memcpy(copy.get(), text, length);
  copy[length] = '\0';
  return Build(copy.get(), length, marks.angles, marks.equals, marks.ascii);
}

std::shared_ptr<Tree> Tree::WithRoot(std::string_view name) {
  std::shared_ptr<Tree> tree(new Tree());
  const std::string_view kept = tree->names[tree->Intern(name)];
  tree->AppendNode(kNone, kNone, kept.data(), static_cast<std::uint32_t>(kept.size()), true);
  return tree;
}

std::uint32_t Tree::AppendNode(std::uint32_t parent, std::uint32_t lastChild, const char* text,
                               std::uint32_t length, bool isElement) {
  const auto index = static_cast<std::uint32_t>(nodes.size());
  Node& node = nodes.emplace_back();
  node.text = text;
  node.length = length;
  node.parent = parent;
  node.firstChild = kNone;
  node.nextSibling = kNone;
  node.firstAttribute = static_cast<std::uint32_t>(attributes.size());
  node.attributeCount = 0;
  node.isElement = isElement;
  if (lastChild != kNone) {
    nodes[lastChild].nextSibling = index;
  } else if (parent != kNone) {
    nodes[parent].firstChild = index;
  }
  return index;
}

std::uint32_t Tree::AppendChild(std::uint32_t parent, std::string_view text, bool isElement) {
  const char* stored = isElement ? names[Intern(text)].data() : Store(text);
  // Nodes that the parse made are not known yet; their last child is found once, then kept.
  if (lastChildOf_.size() < nodes.size()) lastChildOf_.resize(nodes.size(), kNotKnown);
  std::uint32_t& lastChild = lastChildOf_[parent];
  if (lastChild == kNotKnown) {
    lastChild = kNone;
    for (std::uint32_t c = nodes[parent].firstChild; c != kNone; c = nodes[c].nextSibling) {
      lastChild = c;
    }
  }
  const std::uint32_t index =
      AppendNode(parent, lastChild, stored, static_cast<std::uint32_t>(text.size()), isElement);
  lastChild = index;
  lastChildOf_.push_back(kNone);  // the new node has no children
  return index;
}

char* Tree::Allocate(std::size_t bytes) {
  constexpr std::size_t kBlock = 4096;
  if (bytes > kBlock / 4) {
    // Long texts get a block of their own, so that blocks are not left mostly empty.
    store_.push_back(std::make_unique<char[]>(bytes));
    return store_.back().get();
  }
  if (bytes > storeLeft_) {
    store_.push_back(std::make_unique<char[]>(kBlock));
    storeNext_ = store_.back().get();
    storeLeft_ = kBlock;
  }
  char* target = storeNext_;
  storeNext_ += bytes;
  storeLeft_ -= bytes;
  return target;
}

const char* Tree::Store(std::string_view text) {
  char* target = Allocate(text.size() + 1);
  CopyTerminated(target, text);
  return target;
}

std::uint32_t Tree::AppendElement(std::uint32_t parent, std::string_view name) {
  return AppendChild(parent, name, true);
}

void Tree::AppendText(std::uint32_t parent, std::string_view text) {
  if (!text.empty()) AppendChild(parent, text, false);
}

std::uint32_t Tree::Intern(std::string_view name) {
  return Intern(name, HeadOf(name.data(), name.size(), false));
}

std::uint32_t Tree::Intern(std::string_view name, std::uint64_t head) {
  if ((names.size() + 1) * 2 > nameSlots_.size()) {
    // Grow the table, placing the names again.
    std::vector<std::uint32_t> slots(nameSlots_.empty() ? 64 : nameSlots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t i = 0; i < names.size(); ++i) {
      std::size_t slot = HashText(names[i], hashSeed_) & mask;
      while (slots[slot] != 0) slot = (slot + 1) & mask;
      slots[slot] = i + 1;
    }
    nameSlots_ = std::move(slots);
  }
  const std::size_t slot = SlotOf(name, head);
  if (nameSlots_[slot] != 0) return nameSlots_[slot] - 1;
  char* stored = Allocate(std::max<std::size_t>(name.size() + 1, 8));
  std::memset(stored, 0, std::max<std::size_t>(name.size() + 1, 8));
  if (!name.empty()) std::memcpy(stored, name.data(), name.size());
  names.emplace_back(stored, name.size());
  nameHeads_.push_back(head);
  const auto index = static_cast<std::uint32_t>(names.size() - 1);
  nameSlots_[slot] = index + 1;
  return index;
}

std::size_t Tree::SlotOf(std::string_view name, std::uint64_t head) const {
  const std::size_t mask = nameSlots_.size() - 1;
  std::size_t slot = HashText(name, hashSeed_) & mask;
  for (; nameSlots_[slot] != 0; slot = (slot + 1) & mask) {
    const std::uint32_t index = nameSlots_[slot] - 1;
    if (nameHeads_[index] == head && names[index].size() == name.size() &&
        (name.size() <= 8 || SameText(names[index].substr(8), name.substr(8)))) {
      break;
    }
  }
  return slot;
}

std::uint32_t Tree::Lookup(std::string_view name) const {
  if (nameSlots_.empty()) return kNone;
  const std::size_t slot = SlotOf(name, HeadOf(name.data(), name.size(), false));
  return nameSlots_[slot] == 0 ? kNone : nameSlots_[slot] - 1;
}

void Tree::SetAttribute(std::uint32_t element, std::string_view name, std::string_view value) {
  const std::uint32_t storedValue = StoreValue(value);
  const auto valueLength = static_cast<std::uint32_t>(value.size());
  if (const Attribute* found = FindAttribute(element, name)) {
    Attribute& attribute = attributes[static_cast<std::size_t>(found - attributes.data())];
    attribute.value = storedValue;
    attribute.valueLength = valueLength;
    return;
  }
  const std::uint32_t nameIndex = Intern(name);
  Node& node = nodes[element];
  if (node.firstAttribute + node.attributeCount != attributes.size()) {
    // The element's attributes are not the last ones: move them to the end, where they can grow.
    const auto moved = static_cast<std::uint32_t>(attributes.size());
    for (std::uint32_t i = 0; i < node.attributeCount; ++i) {
      attributes.push_back(attributes[node.firstAttribute + i]);
    }
    node.firstAttribute = moved;
  }
  Attribute& added = attributes.emplace_back();
  added.value = storedValue;
  added.valueLength = valueLength;
  added.name = nameIndex;
  ++node.attributeCount;
}

namespace {

bool AllSpaces(const Node& node) {
  return std::all_of(node.text, node.text + node.length, [](char c) { return Is(c, kSpace); });
}

// Writes a text or attribute value with the references that make it read back the same.
// `firstAsReference` writes the first character as a character reference.
void WriteEscaped(std::string& out, const char* text, std::size_t length, bool attribute,
                  bool firstAsReference = false) {
  const char* run = text;
  const char* end = text + length;
  const char* s = text;
  if (firstAsReference && s != end) {
    out += "&#" + std::to_string(static_cast<int>(static_cast<unsigned char>(*s))) + ';';
    run = ++s;
  }
  for (; s != end; ++s) {
    const char* entity = nullptr;
    switch (*s) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = attribute ? "&quot;" : nullptr; break;
      // Parsing turns these into spaces inside attribute values; references keep them.
      case '\t': entity = attribute ? "&#9;" : nullptr; break;
      case '\n': entity = attribute ? "&#10;" : nullptr; break;
      case '\r': entity = "&#13;"; break;
      default: break;
    }
    if (entity == nullptr) continue;
    out.append(run, static_cast<std::size_t>(s - run));
    out += entity;
    run = s + 1;
  }
  out.append(run, static_cast<std::size_t>(end - run));
}

}  // namespace

void Tree::Write(std::string& out, bool indent) const {
  // Pre-order without recursion. When indenting, `compactFrom` is the element below which
  // indenting stops.
  std::uint32_t compactFrom = kNone;
  std::size_t depth = 0;
  const auto indenting = [&] { return indent && compactFrom == kNone; };
  // Indentation stops growing past kMaxIndent levels, so that the text stays linear in the
  // document's size however deep it nests.
  constexpr std::size_t kMaxIndent = 32;
  const auto pad = [&] {
    if (indenting()) out.append(std::min(depth, kMaxIndent) * 2, ' ');
  };
  const auto newline = [&] {
    if (indenting()) out += '\n';
  };
  // Adjacent texts read back as one; a run of them that is all spaces would read back as no
  // text at all, so its first character goes as a reference.
  const auto blankRun = [&](std::uint32_t first) {
    for (std::uint32_t i = first; i != kNone && !nodes[i].isElement; i = nodes[i].nextSibling) {
      if (!AllSpaces(nodes[i])) return false;
    }
    return true;
  };
  const auto holdsText = [&](const Node& element) {
    for (std::uint32_t c = element.firstChild; c != kNone; c = nodes[c].nextSibling) {
      if (!nodes[c].isElement) return true;
    }
    return false;
  };
  std::uint32_t index = kRoot;
  bool afterText = false;  // the previous sibling of `index` is a text
  for (;;) {
    const Node& node = nodes[index];
    bool descend = false;
    if (!node.isElement) {
      WriteEscaped(out, node.text, node.length, false, !afterText && blankRun(index));
    } else {
      pad();
      out += '<';
      out.append(node.text, node.length);
      for (std::uint32_t i = 0; i < node.attributeCount; ++i) {
        const Attribute& a = attributes[node.firstAttribute + i];
        out += ' ';
        out.append(NameOf(a));
        out += "=\"";
        const std::string_view value = ValueOf(a);
        WriteEscaped(out, value.data(), value.size(), true);
        out += '"';
      }
      if (node.firstChild == kNone) {
        out += indenting() ? " />" : "/>";
        newline();
      } else {
        out += '>';
        if (indenting()) {
          if (holdsText(node)) {
            compactFrom = index;
          } else {
            out += '\n';
          }
        }
        descend = true;
      }
    }
    if (descend) {
      index = node.firstChild;
      afterText = false;
      ++depth;
      continue;
    }
    // Up until there is a next sibling, closing the elements left behind.
    for (;;) {
      if (index == kRoot) return;
      if (nodes[index].nextSibling != kNone) {
        afterText = !nodes[index].isElement;
        index = nodes[index].nextSibling;
        break;
      }
      index = nodes[index].parent;
      --depth;
      const Node& closing = nodes[index];
      pad();
      out += "</";
      out.append(closing.text, closing.length);
      out += '>';
      if (compactFrom == index) compactFrom = kNone;
      newline();
    }
  }
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
