#include "XmlOracle.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cctype>
#include <climits>
#include <string>
#include <vector>

#include "external/hosthelper/XMLDocument.h"
#include "external/hosthelper/XMLException.h"

// Differences from libxml2 that we keep on purpose, each with its reason. The judge forgives
// exactly these and nothing else.
//
// 1. Namespaces. We read XML 1.0; the namespaces recommendation is a layer above it. libxml2
//    reports namespace errors (an undeclared prefix, a QName with two colons, two attributes
//    whose prefixes name one URI with the same local name) without refusing the document, as we
//    accept it; the trees are compared by qualified names as written.
// 2. Depth. libxml2 without its "huge" option refuses elements nested deeper than 256 levels
//    (and entity nesting beyond its own bound); we read any depth. The huge option would also
//    switch off its entity amplification check, which the judge needs, so the depth refusal is
//    forgiven instead.
// 3. Whitespace layout. A run of character data between element boundaries that is all
//    whitespace written literally is layout: we do not keep it. The trees are compared with
//    every all-whitespace run left out on both sides.
// 4. Entity amplification. Both refuse a document whose entities expand past a bound; the
//    bounds differ (ours: 64 levels, 1 MiB or 16 times the document, whichever is larger, in
//    all; libxml2: a ratio of expanded to read bytes). A document that only libxml2 refuses as
//    an entity loop, with no reference cycle, is forgiven.
// 5. Lengths. libxml2 without the huge option refuses names longer than 50,000 bytes and texts
//    longer than 10,000,000; we have no such bound. Forgiven.
// 6. "<!DOCTYPEr>": libxml2 accepts a document type declaration without the space after its
//    keyword; XML 1.0 requires it, and we refuse it.
// 7. Versions. libxml2 accepts version="1." (no digit after the point); XML 1.0's VersionNum is
//    '1.' [0-9]+, which we hold to.
// 8. Encodings. We read those that the C library's iconv knows and refuse the others; libxml2
//    has a few spellings of its own (it reads encoding="UTF-08" as UTF-8).
// 9. External entities are never read here, and a reference to one in content is passed over;
//    libxml2 refuses the reference when it cannot resolve the entity's system identifier as a
//    URI ("e.x<y"), which is no rule of XML's, and drops the declaration of one whose system
//    identifier holds a fragment ('#'), so that a reference to it is to an undeclared entity;
//    XML calls such a fragment an error, not a fatal one, and the declaration stands here.
// 10. A UTF-8 byte-order mark on a document whose declaration names another encoding: XML makes
//    text in an encoding other than the declared one a fatal error, and we refuse it; libxml2
//    lets the mark win and reads UTF-8.
// 11. Bytes after the root element that are not valid in the declared encoding: libxml2 stops
//    converting at the first such byte and keeps the document it has read, without a word; XML
//    makes text not in the declared encoding a fatal error, and we refuse it. (Inside the root
//    element libxml2 refuses too: it meets the end of its input there.)

namespace VnKxOracle {
namespace {

xmlParserInputPtr NoExternalEntities(const char*, const char*, xmlParserCtxtPtr) {
  return nullptr;
}

void Quiet(void*, const char*, ...) {}

struct Reference {
  xmlDocPtr doc = nullptr;
  int errorCode = 0;
  std::string message;
  ~Reference() {
    if (doc != nullptr) xmlFreeDoc(doc);
  }
};

void ReadWithLibxml2(const char* text, std::size_t size, Reference& out) {
  static const bool initialised = [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(NoExternalEntities);
    xmlSetGenericErrorFunc(nullptr, Quiet);
    return true;
  }();
  static_cast<void>(initialised);
  xmlParserCtxtPtr context = xmlNewParserCtxt();
  const int options = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  const int length = size > INT_MAX ? INT_MAX : static_cast<int>(size);
  out.doc = xmlCtxtReadMemory(context, text, length, nullptr, nullptr, options);
  // The first fatal error is what refused the document.
  const xmlError* error = xmlCtxtGetLastError(context);
  if (out.doc == nullptr && error != nullptr) {
    out.errorCode = error->code;
    out.message = error->message != nullptr ? error->message : "";
    while (!out.message.empty() && out.message.back() == '\n') out.message.pop_back();
  }
  xmlFreeParserCtxt(context);
}

bool AllSpace(const std::string& text) {
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return true;
}

std::string QualifiedName(const xmlChar* name, const xmlNs* ns) {
  std::string qualified;
  if (ns != nullptr && ns->prefix != nullptr) {
    qualified = reinterpret_cast<const char*>(ns->prefix);
    qualified += ':';
  }
  qualified += reinterpret_cast<const char*>(name);
  return qualified;
}

void AppendField(std::string& out, char kind, const std::string& text) {
  out += kind;
  out += std::to_string(text.size());
  out += ':';
  out += text;
  out += '\n';
}

// The tree in a canonical line form: elements with their attributes (namespace declarations
// first, as libxml2 keeps them apart), and the character data between element boundaries,
// runs that are all whitespace left out.
void Canonical(const xmlNode* element, std::string& out) {
  AppendField(out, '<', QualifiedName(element->name, element->ns));
  for (const xmlNs* ns = element->nsDef; ns != nullptr; ns = ns->next) {
    std::string name = "xmlns";
    if (ns->prefix != nullptr) name += std::string(":") + reinterpret_cast<const char*>(ns->prefix);
    AppendField(out, '@', name);
    AppendField(out, '=', ns->href != nullptr ? reinterpret_cast<const char*>(ns->href) : "");
  }
  for (const xmlAttr* a = element->properties; a != nullptr; a = a->next) {
    AppendField(out, '@', QualifiedName(a->name, a->ns));
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a));
    AppendField(out, '=', value != nullptr ? reinterpret_cast<const char*>(value) : "");
    xmlFree(value);
  }
  std::string run;
  const auto flush = [&] {
    if (!AllSpace(run)) AppendField(out, 'T', run);
    run.clear();
  };
  for (const xmlNode* c = element->children; c != nullptr; c = c->next) {
    if (c->type == XML_ELEMENT_NODE) {
      flush();
      Canonical(c, out);
    } else if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) &&
               c->content != nullptr) {
      run += reinterpret_cast<const char*>(c->content);
    }
  }
  flush();
  out += ">\n";
}

// Every element's direct character data, whole, in document order.
void DirectTexts(const xmlNode* element, std::vector<std::string>& out) {
  std::string text;
  for (const xmlNode* c = element->children; c != nullptr; c = c->next) {
    if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content != nullptr) {
      text += reinterpret_cast<const char*>(c->content);
    }
  }
  out.push_back(text);
  for (const xmlNode* c = element->children; c != nullptr; c = c->next) {
    if (c->type == XML_ELEMENT_NODE) DirectTexts(c, out);
  }
}

// Whether libxml2's refusal is one that a chosen difference forgives.
bool Forgiven(const Reference& reference) {
  switch (reference.errorCode) {
    case XML_ERR_INTERNAL_ERROR:  // 2
      return reference.message.find("Excessive depth") != std::string::npos ||
             reference.message.find("Maximum entity nesting") != std::string::npos;
    case XML_ERR_ENTITY_LOOP:  // 4
      return true;
    case XML_ERR_NAME_TOO_LONG:  // 5
      return true;
    default:
      return reference.message.find("huge input lookup") != std::string::npos ||
             reference.message.find("too long") != std::string::npos ||
             reference.message.find("HUGE") != std::string::npos;
  }
}

// Whether our refusal of a document that libxml2 accepts is one that a chosen difference
// forgives.
bool ForgivenRefusal(const std::string& ours) {
  // 6, 7, 8, 10 and 11.
  return ours.find("expected a space after '<!DOCTYPE'") != std::string::npos ||
         ours.find("version is not 1.x") != std::string::npos ||
         ours.find("is not one this reader can read") != std::string::npos ||
         ours.find("a UTF-8 byte-order mark on a document declared") != std::string::npos ||
         ours.find("bytes not valid in the document's encoding") != std::string::npos;
}

// 9: whether libxml2 refused a reference to an entity that the text declares external.
bool ExternalEntity(const Reference& reference, const char* text, std::size_t size) {
  const std::string& message = reference.message;
  std::string name;
  bool parameter = false;
  bool fragment = false;  // libxml2 dropped the declaration: its system identifier has a '#'
  if (message.rfind("PEReference: %", 0) == 0) {
    const std::size_t end = message.find(';');
    if (end == std::string::npos) return false;
    name = message.substr(14, end - 14);
    parameter = true;
  } else if (message.rfind("Entity '", 0) == 0 &&
             message.find("' failed to parse") != std::string::npos) {
    name = message.substr(8, message.find("' failed to parse") - 8);
  } else if (message.rfind("Entity '", 0) == 0 &&
             message.find("' not defined") != std::string::npos) {
    name = message.substr(8, message.find("' not defined") - 8);
    fragment = true;
  } else {
    return false;
  }
  const std::string all(text, size);
  const auto spaces = [&](std::size_t i) {
    while (i < all.size() && std::isspace(static_cast<unsigned char>(all[i])) != 0) ++i;
    return i;
  };
  for (std::size_t at = all.find("<!ENTITY"); at != std::string::npos;
       at = all.find("<!ENTITY", at + 1)) {
    std::size_t i = spaces(at + 8);
    if (parameter) {
      if (i >= all.size() || all[i] != '%') continue;
      i = spaces(i + 1);
    }
    if (all.compare(i, name.size(), name) != 0) continue;
    i = spaces(i + name.size());
    if (all.compare(i, 6, "SYSTEM") != 0 && all.compare(i, 6, "PUBLIC") != 0) continue;
    if (!fragment) return true;
    const std::size_t close = all.find('>', i);
    if (all.substr(i, close == std::string::npos ? std::string::npos : close - i).find('#') !=
        std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

Judgement Judge(const std::uint8_t* data, std::size_t size) {
  Judgement judgement;
  const char* text = reinterpret_cast<const char*>(data);
  Reference reference;
  ReadWithLibxml2(text, size, reference);
  judgement.referenceAccepted = reference.doc != nullptr;
  judgement.referenceMessage = reference.message;

  KxCppHelperV1::XMLDocument ours;
  try {
    ours = KxCppHelperV1::XMLDocument::parse(text, size);
    judgement.oursAccepted = true;
  } catch (const KxCppHelperV1::XMLException& e) {
    judgement.oursMessage = e.what();
  }

  if (judgement.oursAccepted != judgement.referenceAccepted) {
    if (judgement.oursAccepted && (Forgiven(reference) || ExternalEntity(reference, text, size))) {
      return judgement;
    }
    if (!judgement.oursAccepted && ForgivenRefusal(judgement.oursMessage)) return judgement;
    judgement.disagreement = judgement.oursAccepted
                                 ? "accepted; libxml2 refuses: " + reference.message
                                 : "refused (" + judgement.oursMessage + "); libxml2 accepts";
    return judgement;
  }
  if (!judgement.oursAccepted) return judgement;

  // Both accept: our tree as our writer puts it, read by libxml2, against libxml2's own.
  const std::string written = ours.doc2string();
  Reference rewritten;
  ReadWithLibxml2(written.data(), written.size(), rewritten);
  if (rewritten.doc == nullptr) {
    if (Forgiven(rewritten)) return judgement;
    judgement.disagreement =
        "our writer's text is refused by libxml2 (" + rewritten.message + "): " + written;
    return judgement;
  }
  std::string expected;
  std::string actual;
  Canonical(xmlDocGetRootElement(reference.doc), expected);
  Canonical(xmlDocGetRootElement(rewritten.doc), actual);
  if (expected != actual) {
    judgement.disagreement = "trees differ\nlibxml2:\n" + expected + "ours:\n" + actual;
    return judgement;
  }
  // getText gives each element's whole character data.
  std::vector<std::string> texts;
  DirectTexts(xmlDocGetRootElement(rewritten.doc), texts);
  std::size_t i = 0;
  const auto check = [&](const KxCppHelperV1::XMLElement& element) {
    if (i >= texts.size() || element.getText() != texts[i]) {
      judgement.disagreement = "getText of element " + std::to_string(i) + " (" +
                               element.getName() + ") is \"" + element.getText() + "\"";
    }
    ++i;
  };
  check(ours);
  for (auto it = ours.getElements(""); judgement.disagreement.empty() && it.hasMore();) {
    check(it.next());
  }
  return judgement;
}

}  // namespace VnKxOracle
