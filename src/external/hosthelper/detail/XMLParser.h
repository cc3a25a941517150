#pragma once

// The XML reader's parser class, private to the helper library: its grammar of content, tags and
// attribute values is in XMLParser.cpp, references and entities in XMLReferences.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/XMLDoctype.h"
#include "external/hosthelper/detail/XMLTree.h"

namespace KxCppHelperV1 {
namespace xmltree {

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

  void Run();

 private:
  [[noreturn]] void Fail(const char* what, const char* at) const { Malformed(begin_, at, what); }

  // Text and markup from p_ to end_ (the document's, or an entity's replacement text).
  void ReadContent();

  // Spaces [from, to) written as they are, before markup or the end of an entity's text. A run
  // of character data between element boundaries that is only such spaces is layout and is not
  // kept; spaces in a run that holds other character data are.
  void Spaces(const char* from, const char* to);
  __attribute__((noinline)) void KeepSpaces(const char* from, const char* to);

  // Keeps the run's spaces that were held back until it was known to hold other data.
  void KeepPendingSpaces();

  // An element boundary: a new run begins.
  void EndRun();

  void AppendCopy(std::string_view text);

  // The text from p_ (not all spaces) up to the next markup, decoded and kept as a text node;
  // a reference to an entity ends it, and the entity's text is read in its place.
  void ReadText();

  // Decodes text from `in` up to markup or the end into `out`: references as they read, a line
  // end (CR LF or a lone CR) as "\n". Stops after a reference to an entity whose text is to be
  // read in its place (`entity`, `reference` set). Returns the end of what it wrote, which is
  // never longer than what it read.
  __attribute__((noinline)) char* DecodeText(const char*& in, char* out, const Entity*& entity,
                                             const char*& reference);

  // Decodes the reference at `in` ('&'), moving `in` past it: a character reference or a
  // predefined entity is written at `out` (moved past it); a declared entity is returned, to be
  // read in the reference's place; null for those and for a reference that is passed over.
  const Entity* DecodeReference(const char*& in, char*& out) const;

  // The name of the entity reference at `in` ('&'); leaves `in` after its ';'.
  std::string_view ReadReferenceName(const char*& in) const;

  // The declared entity of `name`, referenced at `at`; null for a reference that is left out (an
  // undeclared entity that a subset not read could declare).
  const Entity* Lookup(std::string_view name, const char* at) const;

  // Writes the character of the character reference at `in` to `out`; returns the end.
  char* WriteCharReference(const char*& in, char* out) const;

  // Reads an entity's replacement text in place of its reference in content.
  __attribute__((noinline)) void ExpandInContent(const Entity& entity, const char* reference);

  // Bounds on entity expansion: no recursion, a nesting depth, and a total size.
  void Enter(const Entity& entity, const char* reference);
  void Leave(const Entity& entity);

  // An error inside an entity's replacement text, placed at the outermost reference in the
  // document.
  [[noreturn]] void Rethrow(const XMLException& e, const char* reference) const;

  // Copies the plain run of an attribute value from `s` to `out` (both moved past it): up to
  // its closing quote, a reference, '<', a line end or tab, or the end; true when it stopped at
  // the closing quote. Sixteen bytes at a time while sixteen remain (the block stops at the
  // closing quote, '&', '<' and at any control character; the byte loop goes on past those that
  // are plain): the block of values is never shorter than the text read so far plus what
  // remains, so a whole block written at `out` stays inside it. A block that ends the value
  // answers from its masks, without reading the byte it stopped at again.
  bool CopyPlainValue(const char*& s, char*& out, char quote) const;

  // Decodes an attribute value from `in` up to its closing quote into `out`: references as they
  // read, a line end, tab or line feed as a space. Returns the end of what it wrote (never
  // longer than what it read), with `in` at the closing quote, or null with `in` at a reference
  // to a declared entity, whose value is then read by DecodeValueWithEntities.
  __attribute__((noinline)) char* DecodeValue(const char*& in, char* out, char quote) const;

  // Appends the normalised value of the attribute text [in, up to `quote` or its end) to
  // `value`, entity references replaced by their texts' values; leaves `in` at the stop.
  void AppendValue(const char*& in, char quote, std::string& value);

  // Makes room for `bytes` more bytes of values after out_ (the block may move).
  __attribute__((noinline)) void ReserveValues(std::size_t bytes);

  // Whether the name `known`, whose first word is `head`, is the whole name at `s`. False when
  // fewer than eight bytes or than the name's length remain; otherwise the reads stay within
  // the text and its zero.
  bool NameAt(const char* s, std::string_view known, std::uint64_t head) const;
  // The name at `s` (which starts one), looked up in the tree's table; leaves `s` after it.
  // Names with bytes beyond ASCII are held to XML's name characters.
  std::uint32_t ReadName(const char*& s) const;

  // Ends the text or CDATA section written from `text` to `end` and appends it as a text node.
  void AppendText(char* text, char* end);

  // The element expected next from the document's shape so far, or kNone: the one that
  // followed the open element's last child's like element, or the first child of the open
  // element's like element.
  std::uint32_t Expected() const;
  // Whether the element `node` (kNone, or a text node, for none) has the name at `s`; the name
  // then goes to `name`.
  bool NameOfNodeAt(const char* s, std::uint32_t node, std::string_view& name) const;

  // The markup at p_.
  __attribute__((always_inline)) void ReadMarkup();

  void ReadStartTag();

  // Refuses an element whose attributes repeat a name (at its start tag): by pairs over a few
  // attributes, by marks per name over many.
  __attribute__((noinline)) void CheckUnique(std::uint32_t element);

  // The attribute whose name starts at s, whose name is likely the name at `guess` (or kNone
  // for no guess; `guessed` counts the names that were); leaves s after its closing quote and
  // returns the character there.
  __attribute__((always_inline)) char ReadAttribute(const char*& s, std::uint32_t guess,
                                                    std::uint32_t& guessed);

  // The value that starts at `value`, in a document that declares entities or attributes of
  // token types; written at the returned place, with out_ after it, `s` at its closing quote.
  __attribute__((noinline)) char* ReadValueWithDeclarations(const char* value, const char*& s,
                                                            char quote, std::uint32_t nameIndex);

  // The value from `s` (just after its opening quote, at `value`) written at out_ (`stored`),
  // leaving out_ after it and `s` at its closing quote: the plain run first (the other quote is
  // plain too), then decoding if anything needs it, then entities if it refers to any.
  __attribute__((always_inline)) void ReadValue(const char* value, const char*& s, char quote,
                                                char*& stored);

  // The value that starts at `value` and refers to entities, decoded whole and written at
  // `stored`; leaves `s` at its closing quote.
  __attribute__((noinline)) void DecodeValueWithEntities(const char* value, const char*& s,
                                                         char quote, char*& stored);

  // A value of an attribute declared with a token type: leading and trailing spaces dropped and
  // each run of spaces made one.
  __attribute__((noinline)) void Tokenize(std::uint32_t nameIndex, char* stored);

  void ReadEndTag();

  __attribute__((noinline)) void ReadCData();

  static constexpr int kMaxEntityDepth = 64;

  Tree& tree_;
  const char* const begin_;
  const char* end_;  // of the text being read: the document's or an entity's
  const char* const documentEnd_;
  const char* p_;
  char* values_;
  char* valuesEnd_;
  char* out_;         // where the next value is written
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

}  // namespace xmltree
}  // namespace KxCppHelperV1
