// The document type declaration and its internal subset: element, attribute-list, entity and
// notation declarations read as grammar, entities kept for the reader to expand.

#include "external/hosthelper/detail/XMLDoctype.h"

#include <cstring>

#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/XMLChars.h"
#include "external/hosthelper/detail/XMLGrammar.h"

namespace KxCppHelperV1 {
namespace xmltree {
namespace {

class SubsetReader {
 public:
  SubsetReader(const char* begin, bool standalone, Dtd& dtd)
      : begin_(begin), standalone_(standalone), dtd_(dtd) {}

  // Declarations and separators from `s` up to `end` (the ']' of the subset, or the end of a
  // parameter entity's text).
  const char* ReadDeclarations(const char* s, char end, int depth) {
    for (;;) {
      s = SkipSpaces(s);
      if (*s == end) return s;
      if (*s == '%') {
        s = ReadParameterReference(s, depth);
      } else if (std::strncmp(s, "<!--", 4) == 0) {
        s = ReadComment(begin_, s + 4);
      } else if (std::strncmp(s, "<?", 2) == 0) {
        s = ReadProcessingInstruction(begin_, s + 2);
      } else if (std::strncmp(s, "<!ELEMENT", 9) == 0) {
        s = ReadElementDeclaration(s + 9);
      } else if (std::strncmp(s, "<!ATTLIST", 9) == 0) {
        s = ReadAttlist(s + 9);
      } else if (std::strncmp(s, "<!ENTITY", 8) == 0) {
        s = ReadEntityDeclaration(s + 8);
      } else if (std::strncmp(s, "<!NOTATION", 10) == 0) {
        s = ReadNotation(s + 10);
      } else if (*s == '\0') {
        Fail(s, "a document type declaration is not closed");
      } else if (std::strncmp(s, "<![", 3) == 0) {
        Fail(s, "a conditional section in the internal subset");
      } else {
        Fail(s, "expected a markup declaration in the internal subset");
      }
    }
  }

 private:
  [[noreturn]] void Fail(const char* at, const char* what) const {
    // Text of a parameter entity is not in the document: its errors are placed at the reference.
    Malformed(begin_, inEntity_ != nullptr ? inEntity_ : at, what);
  }

  const char* RequireSpace(const char* s, const char* what) const {
    if (!IsSpace(*s)) Fail(s, what);
    return SkipSpaces(s);
  }

  const char* ReadName(const char* s, std::string_view& name, const char* what) const {
    const std::size_t n = NameLength(s);
    if (n == 0) Fail(s, what);
    name = std::string_view(s, n);
    return s + n;
  }

  const char* Close(const char* s, const char* what) const {
    s = SkipSpaces(s);
    if (*s != '>') Fail(s, what);
    return s + 1;
  }

  const char* ReadParameterReference(const char* s, int depth) {
    const char* at = s;
    std::string_view name;
    s = ReadName(s + 1, name, "a parameter entity reference without a name");
    if (*s != ';') Fail(s, "a parameter entity reference without ';'");
    ++s;
    const auto found = dtd_.parameter.find(std::string(name));
    if (found == dtd_.parameter.end()) {
      if (!dtd_.Lenient(standalone_)) Fail(at, "a reference to an undeclared parameter entity");
      return s;
    }
    Entity& entity = found->second;
    if (entity.kind != Entity::kInternal) return s;  // external entities are never read
    dtd_.parameterReferences = true;
    if (entity.expanding || depth >= 16) Fail(at, "a parameter entity refers to itself");
    entity.expanding = true;
    const char* outer = inEntity_;
    if (inEntity_ == nullptr) inEntity_ = at;
    // Declarations in its text are whole: they neither start nor end outside it.
    ReadDeclarations(entity.text.c_str(), '\0', depth + 1);
    inEntity_ = outer;
    entity.expanding = false;
    return s;
  }

  const char* ReadElementDeclaration(const char* s) {
    std::string_view name;
    s = RequireSpace(s, "expected a space after '<!ELEMENT'");
    s = ReadName(s, name, "an element declaration without a name");
    s = RequireSpace(s, "expected a space after the element's name");
    if (KeywordAt(s, "EMPTY")) {
      s += 5;
    } else if (KeywordAt(s, "ANY")) {
      s += 3;
    } else if (*s == '(') {
      const char* t = SkipSpaces(s + 1);
      if (std::strncmp(t, "#PCDATA", 7) == 0) {
        s = ReadMixed(t + 7);
      } else {
        s = ReadGroup(s);
      }
    } else {
      Fail(s, "expected EMPTY, ANY or a content model");
    }
    return Close(s, "expected '>' after an element declaration");
  }

  // Mixed content after "#PCDATA".
  const char* ReadMixed(const char* s) {
    bool names = false;
    for (;;) {
      s = SkipSpaces(s);
      if (*s == ')') break;
      if (*s != '|') Fail(s, "expected '|' or ')' in mixed content");
      s = SkipSpaces(s + 1);
      std::string_view name;
      s = ReadName(s, name, "expected a name in mixed content");
      names = true;
    }
    ++s;
    if (*s == '*') return s + 1;
    if (names) Fail(s, "mixed content with names must end with ')*'");
    return s;
  }

  // A choice or sequence at '(' with its quantifier.
  const char* ReadGroup(const char* s, int depth = 0) {
    if (depth > 256) Fail(s, "content model nested too deeply");
    char separator = 0;
    s = SkipSpaces(s + 1);
    for (;;) {
      if (*s == '(') {
        s = ReadGroup(s, depth + 1);
      } else {
        std::string_view name;
        s = ReadName(s, name, "expected a name or '(' in a content model");
        if (*s == '?' || *s == '*' || *s == '+') ++s;
      }
      s = SkipSpaces(s);
      if (*s == ')') break;
      if (*s != '|' && *s != ',') Fail(s, "expected '|', ',' or ')' in a content model");
      if (separator != 0 && *s != separator) Fail(s, "'|' and ',' mixed in one content group");
      separator = *s;
      s = SkipSpaces(s + 1);
    }
    ++s;
    if (*s == '?' || *s == '*' || *s == '+') ++s;
    return s;
  }

  const char* ReadAttlist(const char* s) {
    std::string_view element;
    s = RequireSpace(s, "expected a space after '<!ATTLIST'");
    s = ReadName(s, element, "an attribute-list declaration without an element name");
    for (;;) {
      const char* t = SkipSpaces(s);
      if (*t == '>') return t + 1;
      if (t == s) Fail(s, "expected a space before an attribute definition");
      std::string_view name;
      s = ReadName(t, name, "expected an attribute name or '>'");
      s = RequireSpace(s, "expected a space after the attribute's name");
      bool cdata = false;
      static const char* const kTypes[] = {"CDATA",    "IDREFS",   "IDREF",   "ID",      "ENTITY",
                                           "ENTITIES", "NMTOKENS", "NMTOKEN", "NOTATION"};
      const char* type = nullptr;
      for (const char* candidate : kTypes) {
        if (KeywordAt(s, candidate)) {
          type = candidate;
          break;
        }
      }
      if (type != nullptr) {
        cdata = std::strcmp(type, "CDATA") == 0;
        s += std::strlen(type);
        if (std::strcmp(type, "NOTATION") == 0) {
          s = RequireSpace(s, "expected a space after NOTATION");
          if (*s != '(') Fail(s, "expected '(' after NOTATION");
          s = ReadEnumeration(s, true);
        }
      } else if (*s == '(') {
        s = ReadEnumeration(s, false);
      } else {
        Fail(s, "expected an attribute type");
      }
      s = RequireSpace(s, "expected a space after the attribute's type");
      if (KeywordAt(s, "#REQUIRED")) {
        s += 9;
      } else if (KeywordAt(s, "#IMPLIED")) {
        s += 8;
      } else {
        if (KeywordAt(s, "#FIXED")) s = RequireSpace(s + 6, "expected a space after #FIXED");
        if (*s != '"' && *s != '\'') Fail(s, "expected a default value or #REQUIRED or #IMPLIED");
        s = ReadDefaultValue(s);
      }
      // The first declaration of an attribute binds.
      const std::string key = std::string(element) + ' ' + std::string(name);
      if (declared_.insert(key).second && !cdata) dtd_.tokenized.insert(key);
    }
  }

  const char* ReadEnumeration(const char* s, bool names) {
    s = SkipSpaces(s + 1);
    for (;;) {
      const std::size_t n = names ? NameLength(s) : NmtokenLength(s);
      if (n == 0) Fail(s, "expected a name in an enumeration");
      s = SkipSpaces(s + n);
      if (*s == ')') return s + 1;
      if (*s != '|') Fail(s, "expected '|' or ')' in an enumeration");
      s = SkipSpaces(s + 1);
    }
  }

  // An attribute's default value: its references must be well-formed and name declared
  // entities.
  const char* ReadDefaultValue(const char* s) {
    const char quote = *s++;
    for (; *s != quote; ++s) {
      if (*s == '\0') Fail(s, "a default value is not closed");
      if (*s == '<') Fail(s, "'<' in an attribute value");
      if (IsControl(*s)) Fail(s, "a control character XML forbids");
      if (*s != '&') continue;
      const char* at = s;
      if (s[1] == '#') {
        s = ReadCharReference(s, nullptr);
        --s;
        continue;
      }
      std::string_view name;
      s = ReadName(s + 1, name, "'&' not followed by a name in an attribute value");
      if (*s != ';') Fail(s, "a reference without ';'");
      if (!IsPredefined(name)) {
        const auto found = dtd_.general.find(std::string(name));
        if (found == dtd_.general.end()) {
          if (!dtd_.Lenient(standalone_)) Fail(at, "a reference to an undeclared entity");
        } else if (found->second.kind != Entity::kInternal) {
          Fail(at, "an attribute value refers to an external entity");
        } else if (found->second.text.find('<') != std::string::npos) {
          Fail(at, "an attribute value refers to an entity whose text holds '<'");
        }
      }
    }
    return s + 1;
  }

 public:
  const char* ReadExternalId(const char* s, bool publicOnlyAllowed, bool& found) {
    found = true;
    if (KeywordAt(s, "SYSTEM")) {
      s = RequireSpace(s + 6, "expected a space after SYSTEM");
      return ReadLiteral(s, false);
    }
    if (KeywordAt(s, "PUBLIC")) {
      s = RequireSpace(s + 6, "expected a space after PUBLIC");
      s = ReadLiteral(s, true);
      const char* t = SkipSpaces(s);
      if (*t == '"' || *t == '\'') {
        if (t == s) Fail(t, "expected a space before the system literal");
        return ReadLiteral(t, false);
      }
      if (!publicOnlyAllowed) Fail(t, "expected a system literal after the public identifier");
      return s;
    }
    found = false;
    return s;
  }

 private:
  const char* ReadLiteral(const char* s, bool pubid) const {
    const char quote = *s;
    if (quote != '"' && quote != '\'') Fail(s, "expected a quoted literal");
    for (++s; *s != quote; ++s) {
      if (*s == '\0') Fail(s, "a literal is not closed");
      if (IsControl(*s)) Fail(s, "a control character XML forbids");
      if (pubid) {
        const char c = *s;
        const bool allowed = c == ' ' || c == '\r' || c == '\n' || (c >= 'a' && c <= 'z') ||
                             (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                             std::strchr("-'()+,./:=?;!*#@$_%", c) != nullptr;
        if (!allowed) Fail(s, "a character not allowed in a public identifier");
      }
    }
    return s + 1;
  }

  const char* ReadEntityDeclaration(const char* s) {
    s = RequireSpace(s, "expected a space after '<!ENTITY'");
    bool parameter = false;
    if (*s == '%') {
      parameter = true;
      s = RequireSpace(s + 1, "expected a space after '%'");
    }
    std::string_view name;
    s = ReadName(s, name, "an entity declaration without a name");
    s = RequireSpace(s, "expected a space after the entity's name");
    Entity entity;
    if (*s == '"' || *s == '\'') {
      s = ReadEntityValue(s, entity.text);
    } else {
      bool external = false;
      s = ReadExternalId(s, false, external);
      if (!external) Fail(s, "expected an entity value, SYSTEM or PUBLIC");
      entity.kind = Entity::kExternal;
      const char* t = SkipSpaces(s);
      if (KeywordAt(t, "NDATA")) {
        if (t == s) Fail(t, "expected a space before NDATA");
        if (parameter) Fail(t, "a parameter entity cannot be unparsed");
        t = RequireSpace(t + 5, "expected a space after NDATA");
        std::string_view notation;
        s = ReadName(t, notation, "expected a notation name after NDATA");
        entity.kind = Entity::kUnparsed;
      }
    }
    s = Close(s, "expected '>' after an entity declaration");
    // The first declaration binds.
    auto& table = parameter ? dtd_.parameter : dtd_.general;
    if (parameter || !IsPredefined(name)) table.emplace(std::string(name), std::move(entity));
    return s;
  }

  // An entity value: character references decoded, line ends normalised, general entity
  // references checked and kept as written.
  const char* ReadEntityValue(const char* s, std::string& text) {
    const char quote = *s++;
    for (;;) {
      const char c = *s;
      if (c == quote) return s + 1;
      if (c == '\0') Fail(s, "an entity value is not closed");
      if (IsControl(c)) Fail(s, "a control character XML forbids");
      if (c == '%') Fail(s, "a parameter entity reference inside a declaration");
      if (c == '&') {
        if (s[1] == '#') {
          s = ReadCharReference(s, &text);
          continue;
        }
        std::string_view name;
        const char* t = ReadName(s + 1, name, "'&' not followed by a name in an entity value");
        if (*t != ';') Fail(t, "a reference without ';'");
        text.append(s, static_cast<std::size_t>(t + 1 - s));
        s = t + 1;
        continue;
      }
      if (c == '\r') {
        text += '\n';
        s += s[1] == '\n' ? 2 : 1;
        continue;
      }
      text += c;
      ++s;
    }
  }

  // A character reference at `s` ("&#"); its character appended to `text` when given.
  const char* ReadCharReference(const char* s, std::string* text) const {
    const char* at = s;
    const std::uint32_t code = xmlchars::ReadCharReference(s);
    if (code == xmlchars::kInvalid) Fail(at, "a malformed character reference");
    if (!xmlchars::IsChar(code)) Fail(at, "a character reference to a character XML forbids");
    if (text != nullptr) {
      char bytes[4];
      text->append(bytes, static_cast<std::size_t>(xmlchars::EncodeUtf8(code, bytes) - bytes));
    }
    return s;
  }

  const char* ReadNotation(const char* s) {
    s = RequireSpace(s, "expected a space after '<!NOTATION'");
    std::string_view name;
    s = ReadName(s, name, "a notation declaration without a name");
    s = RequireSpace(s, "expected a space after the notation's name");
    bool found = false;
    s = ReadExternalId(s, true, found);
    if (!found) Fail(s, "expected SYSTEM or PUBLIC in a notation declaration");
    return Close(s, "expected '>' after a notation declaration");
  }

  static bool IsPredefined(std::string_view name) {
    return name == "lt" || name == "gt" || name == "amp" || name == "quot" || name == "apos";
  }

  const char* const begin_;
  const bool standalone_;
  Dtd& dtd_;
  const char* inEntity_ = nullptr;  // the outermost parameter entity reference being read
  std::unordered_set<std::string> declared_;
};

}  // namespace

const char* ReadDoctype(const char* begin, const char* s, bool standalone, Dtd& dtd) {
  if (!IsSpace(*s)) Malformed(begin, s, "expected a space after '<!DOCTYPE'");
  s = SkipSpaces(s);
  const std::size_t n = NameLength(s);
  if (n == 0) Malformed(begin, s, "a document type declaration without a name");
  s += n;
  SubsetReader reader(begin, standalone, dtd);
  const char* t = SkipSpaces(s);
  if (*t != '[' && *t != '>') {
    if (t == s) Malformed(begin, t, "expected a space after the document type's name");
    bool found = false;
    t = reader.ReadExternalId(t, false, found);
    if (!found) {
      Malformed(begin, t, "expected SYSTEM, PUBLIC, '[' or '>' in a document type declaration");
    }
    dtd.externalSubset = true;
  }
  t = SkipSpaces(t);
  if (*t == '[') {
    t = reader.ReadDeclarations(t + 1, ']', 0);
    t = SkipSpaces(t + 1);
  }
  if (*t != '>') Malformed(begin, t, "expected '>' to end the document type declaration");
  return t + 1;
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
