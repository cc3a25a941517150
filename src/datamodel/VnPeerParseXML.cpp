#include "datamodel/VnPeerParseXML.h"

#include <cstring>
#include <memory>

#include "external/common/XMLElement.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElements;

namespace {

// The attributes kept for each format kind, in order.
std::initializer_list<const char*> AttributesOf(const char* kind) {
  using A = XMLAttributes;
  static const std::initializer_list<const char*> number = {
      A::Name,          A::FormatType,     A::Width,    A::DecimalPlaces,
      A::DecimalSymbol, A::GroupingSymbol, A::Alignment};
  static const std::initializer_list<const char*> decorated = {
      A::Name,          A::FormatType,     A::Width,          A::DecimalPlaces,
      A::DecimalSymbol, A::GroupingSymbol, A::Prefix,         A::Suffix,
      A::NegPrefix,     A::NegSuffix,      A::CustomCurrType, A::Alignment};
  static const std::initializer_list<const char*> date = {
      A::Name,      A::FormatType,   A::Width,      A::DecimalPlaces,
      A::Separator, A::TwoDigitYear, A::NamesLocal, A::Alignment};
  static const std::initializer_list<const char*> time = {
      A::Name,          A::FormatType, A::Width,     A::DecimalPlaces,
      A::DecimalSymbol, A::Separator,  A::PaddedHMS, A::Alignment};
  static const std::initializer_list<const char*> string = {A::Name, A::Hexadecimal, A::Width,
                                                            A::Alignment};
  if (std::strcmp(kind, XMLElements::NumberFormat) == 0) return number;
  if (std::strcmp(kind, XMLElements::DecoratedFormat) == 0) return decorated;
  if (std::strcmp(kind, XMLElements::DateFormat) == 0) return date;
  if (std::strcmp(kind, XMLElements::TimeFormat) == 0) return time;
  return string;
}

}  // namespace

VnPeerParseXML::~VnPeerParseXML() = default;

VnXML_1_2::XMLElement* VnPeerParseXML::ConvertContainer(
    XMLElement element, const char* name, std::initializer_list<const char*> attributes) {
  if (!element.isValid() || !element.hasName(name)) return nullptr;
  std::unique_ptr<VnXML_1_2::XMLElement> tree(VnXML_1_2::XMLElement::Create(name));
  if (!tree) return nullptr;
  CopyAttributes(element, attributes, tree.get());
  ConvertFormats(element, tree.get());
  return tree.release();
}

VnXML_1_2::XMLElement* VnPeerParseXML::ConvertFieldFormats(XMLElement element) {
  using A = XMLAttributes;
  return ConvertContainer(element, XMLElements::FieldFormats,
                          {A::Count, A::DefaultNumberFormat, A::DefaultDateFormat,
                           A::DefaultTimeFormat, A::DefaultStringFormat});
}

VnXML_1_2::XMLElement* VnPeerParseXML::ConvertFieldFormat(XMLElement element) {
  return ConvertContainer(element, XMLElements::FieldFormat, {XMLAttributes::UseNamedFormat});
}

void VnPeerParseXML::CopyAttributes(XMLElement element, std::initializer_list<const char*> names,
                                    VnXML_1_2::XMLElement* tree) {
  for (const char* name : names) {
    if (element.isValid() && name != nullptr && *name != '\0' && tree != nullptr &&
        element.hasAttribute(name)) {
      tree->AddAttribute(name, element.getAttribute(name));
    }
  }
}

void VnPeerParseXML::ConvertFormats(XMLElement element, VnXML_1_2::XMLElement* tree) {
  if (!element.isValid() || tree == nullptr) return;
  for (const char* kind :
       {XMLElements::NumberFormat, XMLElements::DecoratedFormat, XMLElements::DateFormat,
        XMLElements::TimeFormat, XMLElements::StringFormat}) {
    tree->AdoptChild(ConvertFormatElement(kind, element));
  }
}

bool VnPeerParseXML::FindFormatElement(XMLElement parent, const char* kind, XMLElement& child) {
  if (!parent.isValid() || kind == nullptr || *kind == '\0') return false;
  const XMLElement first = parent.getElementsDirect(kind).next();
  if (first.isValid()) child = first;
  return child.isValid() && child.hasName(kind);
}

VnXML_1_2::XMLElement* VnPeerParseXML::ConvertFormatElement(const char* kind, XMLElement parent) {
  XMLElement found;
  if (!parent.isValid() || !FindFormatElement(parent, kind, found)) return nullptr;
  std::unique_ptr<VnXML_1_2::XMLElement> result(VnXML_1_2::XMLElement::Create(kind));
  if (!result) return nullptr;
  CopyAttributes(found, AttributesOf(kind), result.get());
  if (std::strcmp(kind, XMLElements::DateFormat) == 0) {
    result->AdoptChild(ConvertFormatElement(XMLElements::TimeFormat, found));
  }
  return result.release();
}

}  // namespace VnKx_1_2
