// The XML reader's references and entities: character references, predefined and declared
// entities in text and in attribute values, their expansion bounds, and token-typed values.

#include <algorithm>
#include <cstdlib>
#include <new>

#include "external/hosthelper/detail/XMLChars.h"
#include "external/hosthelper/detail/XMLParser.h"
#include "external/hosthelper/detail/XMLScan.h"

namespace KxCppHelperV1 {
namespace xmltree {

const Entity* Tree::Parser::DecodeReference(const char*& in, char*& out) const {
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

inline std::string_view Tree::Parser::ReadReferenceName(const char*& in) const {
  const std::size_t n = NameLength(in + 1);
  if (n == 0) Fail("'&' not followed by a name (write '&amp;' for '&')", in);
  if (in[1 + n] != ';') Fail("an entity reference without ';'", in + 1 + n);
  const std::string_view name(in + 1, n);
  in += n + 2;
  return name;
}

inline const Entity* Tree::Parser::Lookup(std::string_view name, const char* at) const {
  if (dtd_ != nullptr) {
    const auto found = dtd_->general.find(std::string(name));
    if (found != dtd_->general.end()) return &found->second;
    if (dtd_->Lenient(standalone_)) return nullptr;
  }
  Fail("a reference to an undeclared entity", at);
}

inline char* Tree::Parser::WriteCharReference(const char*& in, char* out) const {
  const char* at = in;
  const std::uint32_t code = xmlchars::ReadCharReference(in);
  if (code == xmlchars::kInvalid) Fail("a malformed character reference", at);
  if (!xmlchars::IsChar(code)) Fail("a character reference to a character XML forbids", at);
  return xmlchars::EncodeUtf8(code, out);
}

void Tree::Parser::ExpandInContent(const Entity& entity, const char* reference) {
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

inline void Tree::Parser::Enter(const Entity& entity, const char* reference) {
  if (entity.expanding) Fail("an entity refers to itself", reference);
  if (++entityDepth_ > kMaxEntityDepth) Fail("entities nested too deeply", reference);
  expandedBytes_ += entity.text.size();
  if (expandedBytes_ > expansionLimit_) Fail("entities expand past the size limit", reference);
  const_cast<Entity&>(entity).expanding = true;
  expanded_ = true;
}

inline void Tree::Parser::Leave(const Entity& entity) {
  const_cast<Entity&>(entity).expanding = false;
  --entityDepth_;
}

void Tree::Parser::Rethrow(const XMLException& e, const char* reference) const {
  const std::string inner = e.what();
  const std::size_t colon = inner.find(": ");
  throw XMLException("malformed document at offset " + std::to_string(reference - begin_) +
                     ": in the text of the entity referenced here, " +
                     (colon == std::string::npos ? inner : inner.substr(colon + 2)));
}

inline void Tree::Parser::AppendValue(const char*& in, char quote, std::string& value) {
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

void Tree::Parser::ReserveValues(std::size_t bytes) {
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

void Tree::Parser::DecodeValueWithEntities(const char* value, const char*& s, char quote,
                                           char*& stored) {
  std::string decoded;
  s = value;
  AppendValue(s, quote, decoded);
  if (*s != quote) Fail("an attribute value is not closed", value);
  const std::size_t offset = static_cast<std::size_t>(stored - values_);
  out_ = stored;
  ReserveValues(decoded.size() + static_cast<std::size_t>(end_ - s + (documentEnd_ - begin_)) + 16);
  stored = values_ + offset;
  out_ = CopyRun(decoded.data(), decoded.data() + decoded.size(), stored);
}

void Tree::Parser::Tokenize(std::uint32_t nameIndex, char* stored) {
  const Node& element = tree_.nodes[last_ == kNone ? open_ : last_];
  const std::string key =
      std::string(element.text, element.length) + ' ' + std::string(tree_.names[nameIndex]);
  if (dtd_->tokenized.count(key) == 0) return;
  char* out = stored;
  for (const char* s = stored; s != out_; ++s) {
    if (*s == ' ' && (out == stored || out[-1] == ' ')) continue;
    *out++ = *s;
  }
  if (out != stored && out[-1] == ' ') --out;
  out_ = out;
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
