#include "settings/VnSettingsFactory.h"

#include <vector>

#include "base/Status.h"
#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/XMLNames.h"

namespace VnCommon_1_2 {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;
using VnXML_1_2::VnSettings;

unsigned int VnSettingsFactory::MakeModelSettings(KxCppHelperV1::XMLDocument& document,
                                                  VnSettings& settings, int* /*error*/) {
  try {
    for (XMLElementIterator it = document.getElementsDirect(XMLElements::Parameter);
         it.hasMore();) {
      XMLElement parameter = it.next();
      std::string name;
      if (!parameter.getAttribute(XMLAttributes::Name, name) || name.empty()) {
        return VnKx_1_2::StatusDocumentError;
      }
      AddValueOf(name, parameter, settings, 0);
    }
    return VnKx_1_2::StatusOk;
  } catch (const std::exception&) {
    return VnKx_1_2::StatusDocumentError;
  }
}

void VnSettingsFactory::AddValueOf(const std::string& name, XMLElement& element,
                                   VnSettings& settings, int depth) {
  std::string text;
  if (element.getAttribute(XMLAttributes::Value, text)) {
    settings.AddNewSetting(name, text, "");
    return;
  }
  const XMLElement first = element.getElements("").next();
  if (first.hasName(XMLElements::StructuredValue)) {
    XMLElement structured = element.getElement(XMLElements::StructuredValue);
    VnSettings nested;
    ParseStructuredValuesAt(structured, nested, depth + 1);
    settings.AddNewSetting(name, std::move(nested), "");
  } else if (first.hasName(XMLElements::ListValue)) {
    XMLElement list = element.getElement(XMLElements::ListValue);
    ParseListValuesAt(name, list, settings, depth + 1);
  }
}

void VnSettingsFactory::ParseStructuredValues(XMLElement& structuredValue, VnSettings& settings) {
  ParseStructuredValuesAt(structuredValue, settings, 1);
}

void VnSettingsFactory::ParseListValues(const std::string& name, XMLElement& listValue,
                                        VnSettings& settings) {
  ParseListValuesAt(name, listValue, settings, 1);
}

void VnSettingsFactory::ParseStructuredValuesAt(XMLElement& structuredValue, VnSettings& settings,
                                                int depth) {
  if (depth > kMaxNesting) throw KxCppHelperV1::XMLException("settings nested too deeply");
  for (XMLElementIterator it = structuredValue.getElementsDirect(XMLElements::Attribute);
       it.hasMore();) {
    XMLElement attribute = it.next();
    std::string name;
    if (!attribute.getAttribute(XMLAttributes::Name, name)) continue;
    AddValueOf(name, attribute, settings, depth);
  }
}

void VnSettingsFactory::ParseListValuesAt(const std::string& name, XMLElement& listValue,
                                          VnSettings& settings, int depth) {
  if (depth > kMaxNesting) throw KxCppHelperV1::XMLException("settings nested too deeply");
  std::vector<std::string> texts;
  for (XMLElementIterator it = listValue.getElementsDirect(XMLElements::Value); it.hasMore();) {
    std::string text;
    if (it.next().getAttribute(XMLAttributes::Value, text)) texts.push_back(std::move(text));
  }
  if (!texts.empty()) settings.AddNewSetting(name, texts, "");

  std::vector<VnSettings> structures;
  for (XMLElementIterator it = listValue.getElementsDirect(XMLElements::StructuredValue);
       it.hasMore();) {
    XMLElement structured = it.next();
    structures.emplace_back();
    ParseStructuredValuesAt(structured, structures.back(), depth + 1);
  }
  if (!structures.empty()) settings.AddNewSetting(name, std::move(structures), "");
}

}  // namespace VnCommon_1_2
