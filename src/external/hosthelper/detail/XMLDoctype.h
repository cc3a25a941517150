#pragma once

// The parts of the XML reader outside an element's content: the document type declaration with
// its internal subset (whose entity declarations the reader expands), comments, processing
// instructions and the XML declaration. Each reads zero-terminated text from a given point,
// returns the point after what it read and throws XMLException, with the byte offset from
// `begin`, for text that is not well-formed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace KxCppHelperV1 {
namespace xmltree {

// Throws XMLException for malformed text at `at` (offset from `begin`).
[[noreturn]] void Malformed(const char* begin, const char* at, const char* what);

struct Entity {
  enum Kind : std::uint8_t { kInternal, kExternal, kUnparsed };
  Kind kind = kInternal;
  // The replacement text of an internal entity: character references decoded, line ends
  // normalised, references to general entities kept as written.
  std::string text;
  bool expanding = false;  // set while its replacement text is read, to refuse recursion
};

// What a document type declaration declares that the reader uses.
struct Dtd {
  std::unordered_map<std::string, Entity> general;
  std::unordered_map<std::string, Entity> parameter;
  // Attributes declared with a type other than CDATA, as "element attribute": their values'
  // spaces are collapsed.
  std::unordered_set<std::string> tokenized;
  bool externalSubset = false;       // the declaration names an external subset
  bool parameterReferences = false;  // the internal subset references a parameter entity
  // References to undeclared general entities are errors unless a subset that is not read
  // could declare them.
  bool Lenient(bool standalone) const {
    return !standalone && (externalSubset || parameterReferences);
  }
};

// The XML declaration at `s` ("<?xml" followed by a space); returns the point after it.
// `standalone` is set from its standalone declaration.
const char* ReadXmlDeclaration(const char* begin, const char* s, bool& standalone);

// A comment from `s` (just after "<!--"); returns the point after its "-->".
const char* ReadComment(const char* begin, const char* s);

// A processing instruction from `s` (just after "<?"); returns the point after its "?>".
const char* ReadProcessingInstruction(const char* begin, const char* s);

// A document type declaration from `s` (just after "<!DOCTYPE"); returns the point after its
// closing '>'.
const char* ReadDoctype(const char* begin, const char* s, bool standalone, Dtd& dtd);

// The length of the Name at `s` (0 when none starts there).
std::size_t NameLength(const char* s);

}  // namespace xmltree
}  // namespace KxCppHelperV1
