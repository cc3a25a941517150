#pragma once

// Converts the host's display-format elements into the common library's XML trees, with a fixed
// vocabulary: only the listed attributes (in the listed order, when present) and only the first
// child of each format kind (in a fixed kind order) are kept. Stateless; trees returned are
// owned by the caller.

#include <initializer_list>

#include "VnKxExport.h"
#include "external/hosthelper/XMLElement.h"

namespace VnXML_1_2 {
class XMLElement;
}

namespace VnKx_1_2 {

class VNKX_API VnPeerParseXML {
 public:
  VnPeerParseXML() = default;
  virtual ~VnPeerParseXML();

  // The tree of a FieldFormats (or FieldFormat) element, or null when the element is invalid
  // or has another name.
  VnXML_1_2::XMLElement* ConvertFieldFormats(KxCppHelperV1::XMLElement element);
  VnXML_1_2::XMLElement* ConvertFieldFormat(KxCppHelperV1::XMLElement element);
  // Adds the converted format kinds below `element` to `tree`.
  void ConvertFormats(KxCppHelperV1::XMLElement element, VnXML_1_2::XMLElement* tree);
  // The tree of `parent`'s first direct child named `kind`, or null.
  VnXML_1_2::XMLElement* ConvertFormatElement(const char* kind, KxCppHelperV1::XMLElement parent);
  bool FindFormatElement(KxCppHelperV1::XMLElement parent, const char* kind,
                         KxCppHelperV1::XMLElement& child);
  void CopyAttributes(KxCppHelperV1::XMLElement element, std::initializer_list<const char*> names,
                      VnXML_1_2::XMLElement* tree);

 private:
  VnXML_1_2::XMLElement* ConvertContainer(KxCppHelperV1::XMLElement element, const char* name,
                                          std::initializer_list<const char*> attributes);
};

}  // namespace VnKx_1_2
