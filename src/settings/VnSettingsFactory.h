#pragma once

// Turns a parameter document into a settings tree. Stateless: static operations only, safe to
// call from several threads on separate documents.

#include <string>

#include "VnKxExport.h"
#include "external/common/VnSettings.h"
#include "external/hosthelper/XMLDocument.h"

namespace VnCommon_1_2 {

class VNKX_API VnSettingsFactory {
 public:
  // Structured values nested deeper than this are refused (the whole document fails).
  static constexpr int kMaxNesting = 256;

  // Adds the settings of every parameter of `document` to `settings`. Returns StatusOk, or
  // StatusDocumentError for a parameter without a name, for nesting deeper than kMaxNesting
  // and for any exception on the way; settings added before the failure stay. Never writes
  // `*error`.
  static unsigned int MakeModelSettings(KxCppHelperV1::XMLDocument& document,
                                        VnXML_1_2::VnSettings& settings, int* error);
  // Adds the settings of a structured value's attribute elements. Throws XMLException for
  // nesting deeper than kMaxNesting; lets the helper's exceptions pass.
  static void ParseStructuredValues(KxCppHelperV1::XMLElement& structuredValue,
                                    VnXML_1_2::VnSettings& settings);
  // Adds the text list and the settings list (each only when not empty) named `name` that a
  // list value holds.
  static void ParseListValues(const std::string& name, KxCppHelperV1::XMLElement& listValue,
                              VnXML_1_2::VnSettings& settings);

 private:
  static void ParseStructuredValuesAt(KxCppHelperV1::XMLElement& structuredValue,
                                      VnXML_1_2::VnSettings& settings, int depth);
  static void ParseListValuesAt(const std::string& name, KxCppHelperV1::XMLElement& listValue,
                                VnXML_1_2::VnSettings& settings, int depth);
  // Adds the setting of one parameter or attribute element named `name`.
  static void AddValueOf(const std::string& name, KxCppHelperV1::XMLElement& element,
                         VnXML_1_2::VnSettings& settings, int depth);
};

}  // namespace VnCommon_1_2
