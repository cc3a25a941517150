// The tree written as XML text: compact or indented, text and attribute values escaped.

#include <algorithm>
#include <string>

#include "external/hosthelper/detail/XMLScan.h"
#include "external/hosthelper/detail/XMLTree.h"

namespace KxCppHelperV1 {
namespace xmltree {

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
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = attribute ? "&quot;" : nullptr;
        break;
      // Parsing turns these into spaces inside attribute values; references keep them.
      case '\t':
        entity = attribute ? "&#9;" : nullptr;
        break;
      case '\n':
        entity = attribute ? "&#10;" : nullptr;
        break;
      case '\r':
        entity = "&#13;";
        break;
      default:
        break;
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
