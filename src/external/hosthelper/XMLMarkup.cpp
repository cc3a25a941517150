// The markup of a document outside elements and the subset: comments, processing instructions
// and the XML declaration; and the error every reader throws.

#include <cstring>
#include <string>
#include <string_view>

#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/XMLDoctype.h"
#include "external/hosthelper/detail/XMLGrammar.h"

namespace KxCppHelperV1 {
namespace xmltree {

void Malformed(const char* begin, const char* at, const char* what) {
  throw XMLException(std::string("malformed document at offset ") + std::to_string(at - begin) +
                     ": " + what);
}

std::size_t NameLength(const char* s) {
  return NameCharsLength(s, true);
}

const char* ReadComment(const char* begin, const char* s) {
  const char* dashes = std::strstr(s, "--");
  if (dashes == nullptr) Malformed(begin, s, "a comment is not closed");
  if (dashes[2] != '>') Malformed(begin, dashes, "'--' inside a comment");
  CheckControls(begin, s, dashes);
  return dashes + 3;
}

const char* ReadProcessingInstruction(const char* begin, const char* s) {
  const std::size_t n = NameLength(s);
  if (n == 0) Malformed(begin, s, "a processing instruction without a target");
  if (n == 3 && (s[0] == 'x' || s[0] == 'X') && (s[1] == 'm' || s[1] == 'M') &&
      (s[2] == 'l' || s[2] == 'L')) {
    Malformed(begin, s, "an XML declaration or a target named 'xml' not at the start");
  }
  const char* t = s + n;
  if (t[0] == '?' && t[1] == '>') return t + 2;
  if (!IsSpace(*t)) Malformed(begin, t, "expected a space after a processing instruction's target");
  const char* end = std::strstr(t, "?>");
  if (end == nullptr) Malformed(begin, s, "a processing instruction is not closed");
  CheckControls(begin, t, end);
  return end + 2;
}

namespace {

// A pseudo-attribute of the XML declaration: S name Eq quoted value; false when `name` is not
// next (nothing read).
bool ReadPseudo(const char* begin, const char*& s, const char* name, std::string_view& value) {
  const char* t = SkipSpaces(s);
  const std::size_t n = std::strlen(name);
  if (t == s || std::strncmp(t, name, n) != 0) return false;
  t = SkipSpaces(t + n);
  if (*t != '=') Malformed(begin, t, "expected '=' in the XML declaration");
  t = SkipSpaces(t + 1);
  const char quote = *t;
  if (quote != '"' && quote != '\'')
    Malformed(begin, t, "expected a quoted value in the XML declaration");
  const char* close = std::strchr(t + 1, quote);
  if (close == nullptr) Malformed(begin, t, "a value in the XML declaration is not closed");
  value = std::string_view(t + 1, static_cast<std::size_t>(close - t - 1));
  s = close + 1;
  return true;
}

}  // namespace

const char* ReadXmlDeclaration(const char* begin, const char* s, bool& standalone) {
  const char* t = s + 5;
  std::string_view value;
  if (!ReadPseudo(begin, t, "version", value)) {
    Malformed(begin, t, "the XML declaration has no version");
  }
  if (value.size() < 3 || value.substr(0, 2) != "1." ||
      value.find_first_not_of("0123456789", 2) != std::string_view::npos) {
    Malformed(begin, t, "the XML declaration's version is not 1.x");
  }
  if (ReadPseudo(begin, t, "encoding", value)) {
    bool valid = !value.empty() &&
                 ((value[0] >= 'A' && value[0] <= 'Z') || (value[0] >= 'a' && value[0] <= 'z'));
    for (char c : value) {
      valid = valid && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-');
    }
    if (!valid) Malformed(begin, t, "the XML declaration's encoding name is malformed");
  }
  if (ReadPseudo(begin, t, "standalone", value)) {
    if (value != "yes" && value != "no") {
      Malformed(begin, t, "the XML declaration's standalone is neither 'yes' nor 'no'");
    }
    standalone = value == "yes";
  }
  t = SkipSpaces(t);
  if (t[0] != '?' || t[1] != '>') Malformed(begin, t, "expected '?>' to end the XML declaration");
  return t + 2;
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
