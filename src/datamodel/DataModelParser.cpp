// The parser's driver: the document walk, and the building of each field and base field.

#include "datamodel/DataModelParser.h"

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string_view>

#include "base/Status.h"
#include "datamodel/detail/BaseValueIndex.h"
#include "datamodel/detail/ParseSession.h"
#include "external/common/XMLElement.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

namespace {

constexpr double kLowest = std::numeric_limits<double>::lowest();
constexpr double kHighest = std::numeric_limits<double>::max();

// Whether the attributes present (a mask of DocumentKeys' description) make a field
// description: a name, a storage, a measure and a role.
bool Describes(std::uint32_t present) {
  constexpr std::uint32_t kNeeded = 1u << DocumentKeys::kName | 1u << DocumentKeys::kStorage |
                                    1u << DocumentKeys::kMeasure | 1u << DocumentKeys::kRole;
  return (present & kNeeded) == kNeeded;
}

// The description of a field element from its describing attributes: an absent attribute reads
// as empty, and an empty label as the name.
FieldInfo::Description Describe(
    const std::string_view (&texts)[std::size(DocumentKeys::kDescriptionNames)]) {
  FieldInfo::Description description{texts[DocumentKeys::kName], texts[DocumentKeys::kDisplayLabel],
                                     texts[DocumentKeys::kStorage], texts[DocumentKeys::kMeasure],
                                     texts[DocumentKeys::kRole]};
  if (description.label.empty()) description.label = description.name;
  return description;
}

bool IsCategorical(FieldInfo::Type type) {
  return type != FieldInfo::T_CONTINUOUS && type != FieldInfo::T_TYPELESS;
}

}  // namespace

DataModelParser::DataModelParser() = default;

DataModelParser::~DataModelParser() {
  fieldFormats.reset();
  DestroyFields();
}

void DataModelParser::DestroyFields() {
  for (FieldInfo*& field : fields) {
    delete field;
    field = nullptr;
  }
  fields.clear();
}

unsigned int DataModelParser::ParseDataModel(KxCppHelperV1::XMLDocument document, int* error,
                                             bool defaultRange) {
  XMLElement root = document;
  session = std::make_unique<ParseSession>(root);
  fieldFormats.reset(ParseFieldFormats(root));
  unweightedCount = 0;
  weightedCount = 0;
  droppedCount = -1.0;
  GetRecordsCount_InDM(root, unweightedCount, weightedCount, droppedCount);
  numOfFields = 0;
  DestroyFields();

  unsigned int status = StatusOk;
  const XMLElement fieldsElement = root.getElement(XMLElements::Fields);
  for (XMLElementIterator it = fieldsElement.getElements(XMLElements::Field); it.hasMore();) {
    if (WasCancelled()) break;
    XMLElement field = it.next();
    if (Describes(ReadDescription(field))) {
      if (!ScanDataFields(field, numOfFields, error, defaultRange)) {
        status = StatusParseFailed;
        break;
      }
      // No field element below this one: the walk goes on after its subtree.
      if (session->scan.Covers(field) && !session->scan.hasNestedField) it.skipChildren();
    }
    ++numOfFields;
  }
  // Nothing that views the document outlives the parse.
  session.reset();
  document.dispose();
  if (WasCancelled()) {
    *error = MsgCancelled;
    return StatusCancelled;
  }
  return status;
}

bool DataModelParser::ScanDataFields(XMLElement& field, int fieldIndex, int* error,
                                     bool defaultRange) {
  if (!session->scan.Scan(field)) {
    *error = MsgFieldNotBuilt;
    return false;
  }
  XMLElement baseElement;
  const bool hasBase = HasBaseField(field, baseElement);
  FieldInfo* built = nullptr;
  if (!FillFieldInfo(field, fieldIndex, error, defaultRange, built)) return false;
  std::unique_ptr<FieldInfo> owned(built);
  fields.push_back(built);
  FieldInfo* info = owned.release();
  if (!hasBase) return true;
  FieldInfo* baseInfo = nullptr;
  if (!FillBaseFieldInfo(field, baseElement, fieldIndex, error, defaultRange, baseInfo)) {
    return false;
  }
  std::unique_ptr<FieldInfo> ownedBase(baseInfo);
  if (!info->SetBaseField(baseInfo)) return false;
  ownedBase.release();
  return true;
}

bool DataModelParser::HasBaseField(XMLElement field, XMLElement& baseField) const {
  const XMLElement base = session->ScanOf(field).baseField;
  if (!base.isValid()) return false;
  baseField = base;
  const XMLElement inner = base.getElement(XMLElements::Field);
  if (inner.isValid()) baseField = inner;
  return true;
}

void DataModelParser::ReadRanges(XMLElement& element, FieldInfo& info, bool defaultRange) {
  AddRanges(session->ScanOf(element).ranges, info, defaultRange);
}

void DataModelParser::AddRanges(const std::vector<XMLElement>& ranges, FieldInfo& info,
                                bool defaultRange) {
  if (defaultRange && ranges.empty()) info.AddRange(kLowest, kHighest, false);
  for (XMLElement range : ranges) DealWithRangeVar(range, &info, false);
}

void DataModelParser::ReadContinuousStatistics(XMLElement& field, FieldInfo& info, int* error) {
  FieldInfo::ST_CTUSDATA stat;
  bool found = false;
  if (!GetContinuousStat_InPF(field, stat, found, error) || !found) return;
  info.SetMean(stat.mean);
  if (stat.variance >= 0) {
    const double stdDev = std::sqrt(stat.variance);
    if (stdDev >= 0) info.SetStdDev(stdDev);
  }
  info.SetContinuousStatField(stat);
}

std::uint32_t DataModelParser::ReadDescription(const XMLElement& field) {
  session->described =
      ParseSession::Described();  // an attribute that the read does not find stays empty
  session->described.field = field;
  return DocumentKeys::Read(field, session->keys.description, session->described.texts);
}

FieldInfo::Description DataModelParser::DescriptionOf(const XMLElement& field) {
  if (!field.isValid() || !(field == session->described.field)) ReadDescription(field);
  return Describe(session->described.texts);
}

bool DataModelParser::FillFieldInfo(XMLElement field, int fieldIndex, int* error, bool defaultRange,
                                    FieldInfo*& out) {
  const FieldInfo::Description description = DescriptionOf(field);
  std::unique_ptr<FieldInfo> info(FieldInfo::CreateFieldInfo(description, fieldIndex));
  if (!info) {
    *error = MsgFieldNotBuilt;
    return false;
  }
  info->helperChanges_ = &helperChanges;
  const FieldInfo::Type type = info->GetType();
  if (type == FieldInfo::T_CONTINUOUS) {
    ReadRanges(field, *info, defaultRange);
    ReadContinuousStatistics(field, *info, error);
  } else if (IsCategorical(type)) {
    const bool isFlag = description.type == FieldInfo::TYPE_FLAG;
    const auto readValues = [&](XMLElement values) {
      if (isFlag) {
        DealWithFlagVar(values, info.get());
      } else {
        DealWithCatVar(values, info.get(), false);
      }
    };
    // The values of the first value labels, or the field's own when it has none.
    const FieldScan& scan = session->ScanOf(field);
    for (const XMLElement& values :
         scan.valueLabels.isValid() ? scan.labelValues : scan.fieldValues) {
      readValues(values);
    }
  }
  DealWithMissingValue(field, info.get());
  DealWithModelField(field, info.get());
  DealWithFieldFormat(field, info.get());
  out = info.release();
  return true;
}

bool DataModelParser::FillBaseFieldInfo(XMLElement field, XMLElement baseField, int fieldIndex,
                                        int* error, bool defaultRange, FieldInfo*& out) {
  const FieldInfo::Description description = DescriptionOf(baseField);
  std::unique_ptr<FieldInfo> info(FieldInfo::CreateFieldInfo(description, fieldIndex));
  if (!info) {
    *error = MsgFieldNotBuilt;
    return false;
  }
  info->helperChanges_ = &helperChanges;
  const FieldInfo::Type type = info->GetType();
  if (type == FieldInfo::T_CONTINUOUS) {
    ReadRanges(baseField, *info, defaultRange);
  } else if (IsCategorical(type)) {
    XMLElement valuesElement;
    LabelPairs labels;
    GetDspLabels_InPF(field, valuesElement, labels);
    std::map<std::string, double> counts;
    bool found = false;
    const bool counted = GetDiscreteStat_InPF(field, counts, found, error) && found;
    XMLElement baseValues;
    bool underValueLabels = false;
    HasValues_InBF(baseField, baseValues, underValueLabels);
    if (description.type == FieldInfo::TYPE_FLAG) {
      DealWithBsFlagVar(counts, labels, baseValues, underValueLabels, info.get());
    } else {
      // Counts read just now are looked up in the document's order, which the labels usually
      // share.
      CountLookup countOf =
          counted ? CountLookup(std::move(session->discreteInOrder)) : CountLookup(counts);
      AddBaseCategories(countOf, labels, baseValues, underValueLabels, info.get(), false);
    }
    // Last, as the field takes the counts over.
    if (counted) info->SetDiscreteStatField(std::move(counts));
  }
  DealWithBsMissingValue(field, baseField, info.get());
  DealWithFieldFormat(baseField, info.get());
  out = info.release();
  return true;
}

bool DataModelParser::HasValues_InBF(XMLElement baseField, XMLElement& values,
                                     bool& underValueLabels) {
  if (!baseField.isValid()) return false;
  const XMLElement labels = baseField.getElementsDirect(XMLElements::ValueLabels).next();
  if (labels.isValid()) {
    const XMLElement inner = labels.getElementsDirect(XMLElements::Values).next();
    if (!inner.isValid()) return false;
    values = inner;
    underValueLabels = true;
    return true;
  }
  const XMLElement direct = baseField.getElementsDirect(XMLElements::Values).next();
  if (!direct.isValid()) return false;
  values = direct;
  return true;
}

}  // namespace VnKx_1_2
