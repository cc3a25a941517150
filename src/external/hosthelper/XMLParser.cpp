// The XML reader's grammar of content: texts, tags, attributes and their values, CDATA; the one
// pass over the document that builds the tree.

#include <algorithm>
#include <cstring>

#include "external/hosthelper/detail/XMLChars.h"
#include "external/hosthelper/detail/XMLParser.h"
#include "external/hosthelper/detail/XMLScan.h"

namespace KxCppHelperV1 {
namespace xmltree {

void Tree::Parser::Run() {
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

void Tree::Parser::ReadContent() {
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

inline void Tree::Parser::Spaces(const char* from, const char* to) {
  // Layout between tags, the common case, is dropped at once.
  if (!runHasText_ && to != end_ && (to[1] == '/' || Is(to[1], kNameStart))) return;
  if (open_ == kNone) return;
  if (!runHasText_ && to == end_ && entityDepth_ == 0) return;
  KeepSpaces(from, to);
}

void Tree::Parser::KeepSpaces(const char* from, const char* to) {
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

inline void Tree::Parser::KeepPendingSpaces() {
  runHasText_ = true;
  if (pendingSpaces_.empty()) return;
  AppendCopy(pendingSpaces_);
  pendingSpaces_.clear();
}

inline void Tree::Parser::EndRun() {
  runHasText_ = false;
  if (!pendingSpaces_.empty()) pendingSpaces_.clear();
}

inline void Tree::Parser::AppendCopy(std::string_view text) {
  char* const copy = tree_.Allocate(text.size() + 1);
  AppendText(copy, CopyRun(text.data(), text.data() + text.size(), copy));
}

inline void Tree::Parser::ReadText() {
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

char* Tree::Parser::DecodeText(const char*& in, char* out, const Entity*& entity,
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

inline bool Tree::Parser::CopyPlainValue(const char*& s, char*& out, char quote) const {
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

char* Tree::Parser::DecodeValue(const char*& in, char* out, char quote) const {
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

inline bool Tree::Parser::NameAt(const char* s, std::string_view known, std::uint64_t head) const {
  const auto left = static_cast<std::size_t>(end_ - s);
  return left >= 8 && left >= known.size() && HeadOf(s, known.size(), true) == head &&
         (known.size() <= 8 ||
          SameText(known.substr(8), std::string_view(s + 8, known.size() - 8))) &&
         !Is(s[known.size()], kNameChar);
}

inline std::uint32_t Tree::Parser::ReadName(const char*& s) const {
  const char* name = s;
  ++s;
  while (Is(*s, kNameChar)) ++s;
  const auto length = static_cast<std::size_t>(s - name);
  if (!ascii_ && !xmlchars::IsName(name, length)) {
    Fail("a name with a character that XML does not allow in names", name);
  }
  return tree_.Intern(std::string_view(name, length), HeadOf(name, length, end_ - name >= 8));
}

inline void Tree::Parser::AppendText(char* text, char* end) {
  *end = '\0';
  last_ = tree_.AppendNode(open_, last_, text, static_cast<std::uint32_t>(end - text), false);
  analog_.push_back(kNone);
}

inline std::uint32_t Tree::Parser::Expected() const {
  if (last_ != kNone) {
    const std::uint32_t like = analog_[last_];
    return like == kNone ? kNone : tree_.nodes[like].nextSibling;
  }
  if (open_ == kNone) return kNone;
  const std::uint32_t like = analog_[open_];
  return like == kNone ? kNone : tree_.nodes[like].firstChild;
}

inline bool Tree::Parser::NameOfNodeAt(const char* s, std::uint32_t node,
                                       std::string_view& name) const {
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

inline void Tree::Parser::ReadMarkup() {
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

inline void Tree::Parser::ReadStartTag() {
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

void Tree::Parser::CheckUnique(std::uint32_t element) {
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

inline char Tree::Parser::ReadAttribute(const char*& s, std::uint32_t guess,
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

inline void Tree::Parser::ReadValue(const char* value, const char*& s, char quote, char*& stored) {
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

inline void Tree::Parser::ReadEndTag() {
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

char* Tree::Parser::ReadValueWithDeclarations(const char* value, const char*& s, char quote,
                                              std::uint32_t nameIndex) {
  // Expanded entities may have written more values than the text they were read from.
  if (expanded_) {
    ReserveValues(static_cast<std::size_t>(end_ - s + (documentEnd_ - begin_)) + 16);
  }
  char* stored = out_;
  ReadValue(value, s, quote, stored);
  if (!dtd_->tokenized.empty()) Tokenize(nameIndex, stored);
  return stored;
}

void Tree::Parser::ReadCData() {
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

}  // namespace xmltree
}  // namespace KxCppHelperV1
