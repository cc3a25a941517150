#pragma once

// Parses data-model texts the way a component does: the host simulator serves them, a probe
// peer fetches and parses them. Helpers give typed access to the fields that result.

#include <stdexcept>
#include <string>
#include <vector>

#include "datamodel/DataModelParser.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"
#include "host/SimContext.h"
#include "host/SimHost.h"
#include "tests/support/ProbePeer.h"

namespace VnKxTest {

// A data-model document with `fields` inside its Fields element and `extra` before it.
inline std::string DataModel(const std::string& fields, const std::string& extra = "") {
  return "<DataModel>" + extra + "<Fields>" + fields + "</Fields></DataModel>";
}

class ParseHarness {
 public:
  explicit ParseHarness(const std::vector<std::string>& dataModels) {
    for (const std::string& text : dataModels) context.AddInput(text);
  }
  explicit ParseHarness(const std::string& dataModel)
      : ParseHarness(std::vector<std::string>{dataModel}) {}

  // Parses every input (or `inputs` of them); the error code lands in `error`.
  unsigned int Parse(bool defaultRange = false, int inputs = -1) {
    return peer.ParseDataModel(&error, defaultRange,
                               inputs < 0 ? static_cast<int>(context.InputCount()) : inputs);
  }
  VnKx_1_2::DataModelParser& Parser(size_t input = 0) { return *peer.parsers.at(input); }
  std::vector<VnKx_1_2::FieldInfo*>& Fields(size_t input = 0) {
    return Parser(input).GetFieldInfo();
  }
  VnKx_1_2::FieldInfo& Field(size_t index, size_t input = 0) { return *Fields(input).at(index); }

  VnKxHost::SimContext context;
  VnKxHost::SimHost host;
  ProbePeer peer{context.record(), host.record()};
  int error = 0;
};

inline const VnKx_1_2::StrFieldInfo& Str(const VnKx_1_2::FieldInfo* field) {
  const auto* text = dynamic_cast<const VnKx_1_2::StrFieldInfo*>(field);
  if (text == nullptr) throw std::logic_error("not a string field");
  return *text;
}

inline const VnKx_1_2::NumericFieldInfo& Num(const VnKx_1_2::FieldInfo* field) {
  const auto* number = dynamic_cast<const VnKx_1_2::NumericFieldInfo*>(field);
  if (number == nullptr) throw std::logic_error("not a numeric field");
  return *number;
}

// The display labels of the declared values.
inline std::vector<std::string> Labels(VnKx_1_2::FieldInfo& field) {
  return field.GetFieldLabel();
}

}  // namespace VnKxTest
