#include "host/DataModelCheck.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "base/Status.h"
#include "datamodel/DataModelParser.h"
#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLException.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"

namespace VnKxHost {
namespace {

using KxCppHelperV1::XMLDocument;
using KxCppHelperV1::XMLElement;
using VnKx_1_2::FieldInfo;

const char* const kStorages[] = {"unknown", "integer", "real",     "string",
                                 "date",    "time",    "timestamp"};
const char* const kTypes[] = {"auto",    "continuous", "discrete", "nominal",
                              "ordinal", "flag",       "typeless"};
const char* const kRoles[] = {"input",     "target",     "both",  "none",
                              "partition", "freqWeight", "split", "recordId"};

std::string Describe(FieldInfo& field) {
  std::ostringstream line;
  const FieldInfo& view = field;
  line << view.GetFieldName() << ": " << kStorages[field.GetStorage()] << ", "
       << kTypes[field.GetType()] << ", " << kRoles[field.GetDirection()] << ", column "
       << field.GetDataIndex();
  if (field.GetNumOfValues() > 0) {
    line << ", " << field.GetNumOfValues()
         << (field.GetType() == FieldInfo::T_CONTINUOUS ? " range bounds" : " values");
  }
  if (field.HasMissing()) line << ", user-missing values";
  if (const FieldInfo* base = field.GetBaseField()) line << ", base field " << base->GetFieldName();
  return line.str();
}

// Missing values that are also declared values.
std::vector<std::string> MissingAlsoDeclared(const FieldInfo& field) {
  std::vector<std::string> both;
  if (const auto* text = dynamic_cast<const VnKx_1_2::StrFieldInfo*>(&field)) {
    for (const std::string& m : text->GetMissingValues()) {
      const auto& v = text->GetValues();
      if (std::find(v.begin(), v.end(), m) != v.end()) both.push_back(m);
    }
  } else if (const auto* number = dynamic_cast<const VnKx_1_2::NumericFieldInfo*>(&field)) {
    if (field.GetType() == FieldInfo::T_CONTINUOUS) return both;
    for (const double m : number->GetMissingValues()) {
      const auto& v = number->GetValues();
      if (std::find(v.begin(), v.end(), m) != v.end()) {
        std::ostringstream shown;
        shown << m;
        both.push_back(shown.str());
      }
    }
  }
  return both;
}

// Refuses an attribute whose value is none of `known` (when the attribute is there at all).
template <std::size_t N>
void CheckSpelling(const XMLElement& element, const char* attribute, const char* const (&known)[N],
                   const char* readAs, CheckReport& report) {
  if (!element.hasAttribute(attribute)) return;
  const std::string value = element.getAttribute(attribute);
  std::string list;
  for (const char* word : known) {
    if (value == word) return;
    list += list.empty() ? "" : ", ";
    list += word;
  }
  report.findings.push_back({true, element.getAttribute("name"),
                             std::string(attribute) + " '" + value + "' is not one of " + list +
                                 " (the library " + readAs + ")"});
}

void CheckElement(const XMLElement& element, CheckReport& report) {
  const std::string name = element.getAttribute("name");
  const std::string storage = element.getAttribute("storage");
  CheckSpelling(element, "storage", kStorages, "cannot build the field", report);
  CheckSpelling(element, "measure", kTypes, "reads the field as typeless", report);
  CheckSpelling(element, "role", kRoles, "reads the field's role as none", report);
  if (storage == "string") {
    for (auto it = element.getElements("MissingValues"); it.hasMore();) {
      if (it.next().getElement("Range").isValid()) {
        report.findings.push_back({false, name, "a missing range on a string field is ignored"});
        break;
      }
    }
  }
  if (element.getAttribute("measure") == "flag") {
    bool hasTrue = false, hasFalse = false;
    for (auto it = element.getElements("Value"); it.hasMore();) {
      const XMLElement value = it.next();
      if (!value.hasAttribute("flagValue")) continue;
      (value.getAttribute("flagValue") == "true" ? hasTrue : hasFalse) = true;
    }
    if (!hasTrue || !hasFalse) {
      report.findings.push_back(
          {false, name,
           std::string("a flag field without its ") + (hasTrue ? "false" : "true") + " value"});
    }
  }
}

void CheckStatistics(FieldInfo& field, double unweighted, double weighted, CheckReport& report) {
  const std::string name = static_cast<const FieldInfo&>(field).GetFieldName();
  FieldInfo::ST_CTUSDATA stats;
  field.GetContinuousStatField(stats);
  const double tolerance = 1e-9 * std::max(1.0, weighted);
  if (stats.sumFreqWts != VnCommon_1_2::VnMV::gMissingValue &&
      stats.sumFreqWts > weighted + tolerance) {
    report.findings.push_back({false, name, "the statistics count more weight than the records"});
  }
  if (stats.sumCompWts != VnCommon_1_2::VnMV::gMissingValue &&
      stats.sumCompWts > unweighted + tolerance) {
    report.findings.push_back({false, name, "the statistics count more records than there are"});
  }
  std::map<std::string, double> counts;
  const FieldInfo* base = field.GetBaseField();
  if ((base != nullptr && base->GetDiscreteStatField(counts)) ||
      field.GetDiscreteStatField(counts)) {
    double sum = 0;
    for (const auto& entry : counts) sum += entry.second;
    if (sum > weighted + tolerance) {
      report.findings.push_back(
          {false, name, "the category counts add up to more than the record count"});
    }
  }
}

}  // namespace

bool CheckReport::HasErrors() const {
  return std::any_of(findings.begin(), findings.end(),
                     [](const CheckFinding& f) { return f.error; });
}

CheckReport CheckDataModel(const std::string& text) {
  CheckReport report;
  XMLDocument doc;
  try {
    doc = KxCppHelperV1::HostHelper::createFromContents(text);
  } catch (const KxCppHelperV1::XMLException& e) {
    report.findings.push_back({true, "", std::string("not well-formed XML: ") + e.what()});
    return report;
  }
  VnKx_1_2::DataModelParser parser;
  int error = 0;
  const unsigned int status = parser.ParseDataModel(doc, &error, false);

  std::vector<XMLElement> elements;
  const XMLElement fields = doc.getElement("Fields");
  for (auto it = fields.getElements("Field"); it.hasMore();) elements.push_back(it.next());
  if (elements.empty()) {
    report.findings.push_back({true, "",
                               fields.isValid()
                                   ? "the <Fields> element holds no <Field>"
                                   : "the data model has no <Fields> element, so no fields"});
  }
  // Field elements anywhere else are not read.
  for (auto it = doc.getElements("Field"); it.hasMore();) {
    const XMLElement field = it.next();
    bool inside = false;
    for (XMLElement up = field.getParent(); up.isValid() && !inside; up = up.getParent()) {
      inside = up == fields;
    }
    if (!inside) {
      report.findings.push_back(
          {true, field.getAttribute("name"),
           "a <Field> outside <Fields> (below <" + field.getParent().getName() + ">) is not read"});
    }
  }
  if (status == VnKx_1_2::StatusParseFailed) {
    const size_t index = static_cast<size_t>(parser.GetNumOfFields());
    const std::string name = index < elements.size() ? elements[index].getAttribute("name") : "";
    report.findings.push_back(
        {true, name,
         "the field (or its base field) cannot be built: its storage is not one of "
         "integer, real, string, date, time, timestamp; the fields after it were not "
         "read"});
  } else if (error == VnKx_1_2::MsgBadDiscreteStats) {
    report.findings.push_back({false, "",
                               "discrete statistics were left out: a category has an "
                               "empty name or an infinite count"});
  } else if (error == VnKx_1_2::MsgInfiniteContinuousStat) {
    report.findings.push_back({false, "", "continuous statistics were left out: one is infinite"});
  }
  for (const XMLElement& element : elements) CheckElement(element, report);

  double unweighted = 0, weighted = 0, dropped = 0;
  const bool counted = parser.GetRecordsCount(unweighted, weighted, dropped);
  std::ostringstream counts;
  if (counted) {
    counts << unweighted << " records (weighted " << weighted << "), " << dropped << " dropped";
  } else {
    counts << "no complete record counts";
  }
  report.counts = counts.str();
  for (FieldInfo* field : parser.GetFieldInfo()) {
    report.fields.push_back(Describe(*field));
    const std::string name = static_cast<const FieldInfo&>(*field).GetFieldName();
    for (const std::string& value : MissingAlsoDeclared(*field)) {
      report.findings.push_back(
          {false, name, "the missing value '" + value + "' is also a declared category"});
    }
    int code = 0;
    if (field->GetType() != FieldInfo::T_CONTINUOUS && field->GetType() != FieldInfo::T_TYPELESS &&
        field->GetBaseField() == nullptr && !field->IsValidField(&code)) {
      report.findings.push_back({false, name, "a categorical field without declared values"});
    }
    if (counted) CheckStatistics(*field, unweighted, weighted, report);
  }
  return report;
}

}  // namespace VnKxHost
