#include "external/hosthelper/XMLTree.h"

#include <algorithm>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "external/hosthelper/XMLException.h"

namespace KxCppHelperV1 {
namespace xmltree {
namespace {

enum CharClass : std::uint8_t {
  kSpace = 1,
  kNameStart = 2,
  kNameChar = 4,
  kTextStop = 8,       // ends the plain run of a text: '<', '&', '\r', end
  kAttributeStop = 16  // ends the plain run of an attribute value: quotes, '&', '\t\n\r', end
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
      if (c == '<' || c == '&' || c == '\r' || c == 0) bits |= kTextStop;
      if (c == '"' || c == '\'' || c == '&' || c == '\t' || c == '\n' || c == '\r' || c == 0) {
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

// One pass over the text: where it ends (its first zero byte, or `length`), how many '<' and '='
// it holds (bounds on the elements and attributes to come, so that the arrays are sized once),
// and, when `copy` is given, a copy of it there.
struct Marks {
  std::size_t length = 0;
  std::size_t angles = 0;
  std::size_t equals = 0;
};

Marks ScanText(const char* text, std::size_t length, char* copy) {
  Marks marks;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i lt = _mm_set1_epi8('<');
  const __m128i eq = _mm_set1_epi8('=');
  const __m128i zero = _mm_setzero_si128();
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
      if (copy != nullptr) _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + i), bytes);
      ltCount = _mm_sub_epi8(ltCount, _mm_cmpeq_epi8(bytes, lt));
      eqCount = _mm_sub_epi8(eqCount, _mm_cmpeq_epi8(bytes, eq));
    }
    const __m128i ltSums = _mm_sad_epu8(ltCount, zero);
    const __m128i eqSums = _mm_sad_epu8(eqCount, zero);
    marks.angles += static_cast<std::size_t>(_mm_cvtsi128_si32(ltSums) +
                                             _mm_cvtsi128_si32(_mm_srli_si128(ltSums, 8)));
    marks.equals += static_cast<std::size_t>(_mm_cvtsi128_si32(eqSums) +
                                             _mm_cvtsi128_si32(_mm_srli_si128(eqSums, 8)));
  }
#endif
  for (; i < length && text[i] != '\0'; ++i) {
    if (copy != nullptr) copy[i] = text[i];
    marks.angles += text[i] == '<';
    marks.equals += text[i] == '=';
  }
  marks.length = i;
  return marks;
}

// Writes code point `code` as UTF-8 at `out`; returns the end.
char* EncodeUtf8(std::uint32_t code, char* out) {
  if (code < 0x80) {
    *out++ = static_cast<char>(code);
  } else if (code < 0x800) {
    *out++ = static_cast<char>(0xC0 | (code >> 6));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (code >> 12));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (code >> 18));
    *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// Decodes the reference at `in` (which is at '&') to `out`, moving both past it; false, with
// nothing moved, for anything that is not one of the five named references or a character
// reference to a valid, non-zero code point. Never writes more than it reads.
bool DecodeReference(const char*& in, char*& out) {
  struct Named {
    const char* name;  // after the '&', with its ';'
    std::size_t length;
    char decoded;
  };
  static constexpr Named kNamed[] = {
      {"lt;", 3, '<'}, {"gt;", 3, '>'}, {"amp;", 4, '&'}, {"quot;", 5, '"'}, {"apos;", 5, '\''}};
  const char* s = in + 1;
  for (const Named& named : kNamed) {
    // The text is zero-terminated, so the comparison stops at its end.
    if (std::strncmp(s, named.name, named.length) == 0) {
      *out++ = named.decoded;
      in = s + named.length;
      return true;
    }
  }
  if (*s != '#') return false;
  ++s;
  const bool hex = *s == 'x';
  if (hex) ++s;
  std::uint32_t code = 0;
  const char* digits = s;
  for (;; ++s) {
    int digit = -1;
    if (*s >= '0' && *s <= '9') {
      digit = *s - '0';
    } else if (hex && *s >= 'a' && *s <= 'f') {
      digit = *s - 'a' + 10;
    } else if (hex && *s >= 'A' && *s <= 'F') {
      digit = *s - 'A' + 10;
    }
    if (digit < 0) break;
    code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    if (code > 0x10FFFF) return false;
  }
  if (s == digits || *s != ';' || code == 0 || (code >= 0xD800 && code <= 0xDFFF)) return false;
  out = EncodeUtf8(code, out);
  in = s + 1;
  return true;
}

// Decodes in place from `s` up to `stop` or the end of the text: references as they read, a
// line end (CR LF or a lone CR) as "\n", or in an attribute value as a space, as tabs and line
// feeds are there too. Leaves `s` at the stop; returns the end of the decoded text, which never
// runs past `s`.
char* DecodeRun(char*& s, char stop, bool attribute) {
  const char* in = s;
  char* out = s;
  for (char c = *in; c != stop && c != '\0'; c = *in) {
    if (c == '&') {
      if (!DecodeReference(in, out)) *out++ = *in++;
    } else if (c == '\r') {
      *out++ = attribute ? ' ' : '\n';
      in += in[1] == '\n' ? 2 : 1;
    } else {
      *out++ = attribute && (c == '\t' || c == '\n') ? ' ' : c;
      ++in;
    }
  }
  s = const_cast<char*>(in);
  return out;
}

}  // namespace

// Reads the text where it lies, writing decoded names and texts back over it, each followed by
// a zero. Iterative throughout: the open element's parent link is the stack, so nesting depth
// costs no machine stack.
class Tree::Parser {
 public:
  Parser(Tree& tree, char* text, std::size_t length)
      : tree_(tree), begin_(text), end_(text + length), p_(text) {}

  void Run() {
    // A UTF-8 byte-order mark.
    if (end_ - p_ >= 3 && static_cast<unsigned char>(p_[0]) == 0xEF &&
        static_cast<unsigned char>(p_[1]) == 0xBB && static_cast<unsigned char>(p_[2]) == 0xBF) {
      p_ += 3;
    }
    for (;;) {
      char* s = p_;
      while (Is(*s, kSpace)) ++s;
      if (*s == '<') {
        p_ = s;
      } else if (s == end_) {
        break;
      } else {
        ReadText();
      }
      ReadMarkup();
    }
    if (open_ != kNone) Fail("an element is not closed", end_);
    if (tree_.nodes.empty()) Fail("no root element", end_);
  }

 private:
  [[noreturn]] void Fail(const char* what, const char* at) const {
    throw XMLException(std::string("malformed document at offset ") +
                       std::to_string(at - begin_) + ": " + what);
  }

  // The text from p_ (not all spaces) up to the next markup, decoded and kept as a text node.
  void ReadText() {
    if (open_ == kNone) Fail("text outside the root element", p_);
    char* start = p_;
    char* s = p_;
    while (!Is(*s, kTextStop)) ++s;
    char* end = *s == '&' || *s == '\r' ? DecodeRun(s, '<', false) : s;
    if (s == end_) Fail("an element is not closed", s);
    // The zero may land on the '<' that follows; ReadMarkup does not read it again.
    *end = '\0';
    last_ = tree_.AppendNode(open_, last_, start, static_cast<std::uint32_t>(end - start), false);
    p_ = s;
  }

  // The markup at p_, whose '<' may already be overwritten.
  void ReadMarkup() {
    const char next = p_[1];
    if (Is(next, kNameStart)) {
      ReadStartTag();
    } else if (next == '/') {
      ReadEndTag();
    } else if (next == '?') {
      p_ = SkipPast(p_ + 2, "?>", "a processing instruction is not closed");
    } else if (next == '!' && p_[2] == '-' && p_[3] == '-') {
      p_ = SkipPast(p_ + 4, "-->", "a comment is not closed");
    } else if (next == '!' && std::strncmp(p_ + 2, "[CDATA[", 7) == 0) {
      ReadCData();
    } else if (next == '!' && std::strncmp(p_ + 2, "DOCTYPE", 7) == 0) {
      SkipDoctype();
    } else {
      Fail("unexpected character after '<'", p_ + 1);
    }
  }

  char* SkipPast(char* from, const char* terminator, const char* failure) const {
    char* found = std::strstr(from, terminator);
    if (found == nullptr) Fail(failure, from);
    return found + std::strlen(terminator);
  }

  void ReadStartTag() {
    char* name = p_ + 1;
    char* s = name + 1;
    while (Is(*s, kNameChar)) ++s;
    if (open_ == kNone && !tree_.nodes.empty()) Fail("a second root element", p_);
    const std::uint32_t element =
        tree_.AppendNode(open_, last_, name, static_cast<std::uint32_t>(s - name), true);
    last_ = element;
    char c = *s;
    *s = '\0';
    for (;;) {
      if (!Is(c, kSpace) && c != '>' && c != '/') Fail("unexpected character in a tag", s);
      while (Is(c, kSpace)) c = *++s;
      if (c == '>') {
        open_ = element;
        last_ = kNone;
        p_ = s + 1;
        return;
      }
      if (c == '/') {
        if (s[1] != '>') Fail("expected '>' after '/'", s + 1);
        p_ = s + 2;
        return;
      }
      if (!Is(c, kNameStart)) Fail("unexpected character in a tag", s);
      c = ReadAttribute(s);
    }
  }

  // The attribute whose name starts at s; leaves s after its closing quote and returns the
  // character there.
  char ReadAttribute(char*& s) {
    char* name = s;
    ++s;
    while (Is(*s, kNameChar)) ++s;
    const auto nameLength = static_cast<std::size_t>(s - name);
    if (nameLength > kMaxAttributeName) Fail("an attribute name is too long", name);
    char c = *s;
    *s = '\0';
    while (Is(c, kSpace)) c = *++s;
    if (c != '=') Fail("an attribute without a value", s);
    c = *++s;
    while (Is(c, kSpace)) c = *++s;
    if (c != '"' && c != '\'') Fail("an attribute value without quotes", s);
    const char quote = c;
    char* value = ++s;
    // The plain run first (the other quote is plain too), then decoding if anything needs it.
    const char otherQuote = quote == '"' ? '\'' : '"';
    while (!Is(*s, kAttributeStop) || *s == otherQuote) ++s;
    char* end = *s == quote ? s : DecodeRun(s, quote, true);
    if (*s != quote) Fail("an attribute value is not closed", value);
    *end = '\0';
    // The name must lie within reach of the value; one beyond it is copied with the value.
    const char* stored = value;
    if (static_cast<std::size_t>(value - name) > 0xFFFF) {
      stored = tree_.StoreNamed(std::string_view(name, nameLength),
                                std::string_view(value, static_cast<std::size_t>(end - value)));
      name = const_cast<char*>(stored) - nameLength - 1;
    }
    // Written member by member: a whole temporary copied in stalls on its own stores.
    Attribute& attribute = tree_.attributes.emplace_back();
    attribute.value = stored;
    attribute.valueLength = static_cast<std::uint32_t>(end - value);
    attribute.nameLength = static_cast<std::uint16_t>(nameLength);
    attribute.nameOffset = static_cast<std::uint16_t>(stored - name);
    ++tree_.nodes.back().attributeCount;
    return *++s;
  }

  void ReadEndTag() {
    if (open_ == kNone) Fail("an end tag without a start tag", p_);
    const Node& open = tree_.nodes[open_];
    char* s = p_ + 2;
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

  void ReadCData() {
    if (open_ == kNone) Fail("text outside the root element", p_);
    char* start = p_ + 9;
    char* end = std::strstr(start, "]]>");
    if (end == nullptr) Fail("a CDATA section is not closed", p_);
    *end = '\0';
    // An empty section adds nothing, as an empty addition does.
    if (end != start) {
      last_ =
          tree_.AppendNode(open_, last_, start, static_cast<std::uint32_t>(end - start), false);
    }
    p_ = end + 3;
  }

  // A document type declaration, with any internal subset, skipped whole: nothing it declares
  // is used.
  void SkipDoctype() {
    if (!tree_.nodes.empty()) Fail("a document type declaration after the root element", p_);
    char* s = p_ + 9;
    int depth = 0;
    for (;;) {
      const char c = *s;
      if (c == '\0') Fail("a document type declaration is not closed", p_);
      if (c == '"' || c == '\'') {
        const char* close = std::strchr(s + 1, c);
        if (close == nullptr) Fail("a document type declaration is not closed", p_);
        s = const_cast<char*>(close) + 1;
      } else if (c == '<' && std::strncmp(s, "<!--", 4) == 0) {
        s = SkipPast(s + 4, "-->", "a comment is not closed");
      } else if (c == '[') {
        ++depth;
        ++s;
      } else if (c == ']') {
        --depth;
        ++s;
      } else if (c == '>' && depth <= 0) {
        p_ = s + 1;
        return;
      } else {
        ++s;
      }
    }
  }

  Tree& tree_;
  const char* const begin_;
  char* const end_;
  char* p_;
  std::uint32_t open_ = kNone;
  std::uint32_t last_ = kNone;  // the open element's last child
};

Tree::Tree() = default;
Tree::~Tree() = default;

std::shared_ptr<Tree> Tree::Build(std::unique_ptr<char[]> text, std::size_t length,
                                  std::size_t nodeCount, std::size_t attributeCount) {
  // Indexes and lengths are 32 bits wide.
  if (length >= kNone) throw XMLException("document text longer than 4 GiB");
  std::shared_ptr<Tree> tree(new Tree());
  tree->nodes.reserve(nodeCount);
  tree->attributes.reserve(attributeCount);
  Parser(*tree, text.get(), length).Run();
  tree->parsedText_ = std::move(text);
  return tree;
}

std::shared_ptr<Tree> Tree::Parse(const char* text, std::size_t length) {
  std::unique_ptr<char[]> copy(new char[length + 1]);
  const Marks marks = ScanText(text, length, copy.get());
  copy[marks.length] = '\0';
  return Build(std::move(copy), marks.length, marks.angles, marks.equals);
}

std::shared_ptr<Tree> Tree::ParseInPlace(std::unique_ptr<char[]> text, std::size_t length) {
  const Marks marks = ScanText(text.get(), length, nullptr);
  // The parser needs a zero after the text; a buffer without one is copied.
  if (marks.length == length) return Parse(text.get(), length);
  return Build(std::move(text), marks.length, marks.angles, marks.equals);
}

std::shared_ptr<Tree> Tree::WithRoot(std::string_view name) {
  std::shared_ptr<Tree> tree(new Tree());
  const char* stored = tree->Store(name);
  tree->AppendNode(kNone, kNone, stored, static_cast<std::uint32_t>(name.size()), true);
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
  const char* stored = Store(text);
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

namespace {

// Copies `text` to `target` with a zero after it; returns the byte after the zero.
char* CopyTerminated(char* target, std::string_view text) {
  if (!text.empty()) std::memcpy(target, text.data(), text.size());
  target[text.size()] = '\0';
  return target + text.size() + 1;
}

}  // namespace

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

const char* Tree::StoreNamed(std::string_view name, std::string_view value) {
  char* target = Allocate(name.size() + 1 + value.size() + 1);
  char* storedValue = CopyTerminated(target, name);
  CopyTerminated(storedValue, value);
  return storedValue;
}

void Tree::SetAttribute(std::uint32_t element, std::string_view name, std::string_view value) {
  if (name.size() > kMaxAttributeName) throw XMLException("an attribute name is too long");
  const char* storedValue = StoreNamed(name, value);
  const auto valueLength = static_cast<std::uint32_t>(value.size());
  const auto nameOffset = static_cast<std::uint16_t>(name.size() + 1);
  if (const Attribute* found = FindAttribute(element, name)) {
    Attribute& attribute = attributes[static_cast<std::size_t>(found - attributes.data())];
    attribute.value = storedValue;
    attribute.valueLength = valueLength;
    attribute.nameOffset = nameOffset;
    return;
  }
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
  added.nameLength = static_cast<std::uint16_t>(name.size());
  added.nameOffset = nameOffset;
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
  const auto pad = [&] {
    if (indenting()) out.append(depth * 2, ' ');
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
        out.append(a.name(), a.nameLength);
        out += "=\"";
        WriteEscaped(out, a.value, a.valueLength, true);
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
