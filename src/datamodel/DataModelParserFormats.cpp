// The parser's readers of display formats and model-field descriptions.

#include "datamodel/DataModelParser.h"
#include "datamodel/VnPeerParseXML.h"
#include "datamodel/detail/ParseSession.h"
#include "external/common/XMLElement.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

VnXML_1_2::XMLElement* DataModelParser::ParseFieldFormats(XMLElement root) {
  if (!root.isValid()) return nullptr;
  const XMLElement formats = root.getElementsDirect(XMLElements::FieldFormats).next();
  if (!formats.isValid()) return nullptr;
  VnPeerParseXML converter;
  return converter.ConvertFieldFormats(formats);
}

VnXML_1_2::XMLElement* DataModelParser::ParseFieldFormat(XMLElement field) {
  if (!field.isValid()) return nullptr;
  const XMLElement format = session->ScanOf(field).fieldFormat;
  if (!format.isValid()) return nullptr;
  VnPeerParseXML converter;
  return converter.ConvertFieldFormat(format);
}

void DataModelParser::DealWithFieldFormat(XMLElement& field, FieldInfo* info) {
  if (!field.isValid() || info == nullptr) return;
  VnXML_1_2::XMLElement* format = ParseFieldFormat(field);
  if (format != nullptr) info->SetFieldFormatXML(format);
}

void DataModelParser::DealWithModelField(XMLElement& field, FieldInfo* info) {
  for (const XMLElement& model : session->ScanOf(field).modelFields) {
    info->SetModelField(
        model.getAttribute(XMLAttributes::Group), model.getAttribute(XMLAttributes::Role),
        model.getAttribute(XMLAttributes::TargetField),
        model.getAttribute(XMLAttributes::TargetFieldStorage),
        model.getAttribute(XMLAttributes::Value), model.getAttribute(XMLAttributes::Tag));
  }
}

}  // namespace VnKx_1_2
