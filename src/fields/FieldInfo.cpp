#include "fields/FieldInfo.h"

#include <string_view>
#include <utility>

#include "base/ShortText.h"
#include "external/common/VnCatVar.h"
#include "external/common/VnVarList.h"
#include "external/common/XMLElement.h"
#include "external/hosthelper/XMLNames.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"

namespace VnKx_1_2 {

using VnXML_1_2::IVnVariable;
using VnXML_1_2::VnVarList;

namespace {

template <typename Enum, size_t N>
Enum FirstMatch(std::string_view text, const std::pair<std::string_view, Enum> (&table)[N],
                Enum fallback) {
  for (const auto& entry : table) {
    if (KxCppHelperV1::SameText(text, entry.first)) return entry.second;
  }
  return fallback;
}

FieldInfo::Storage StorageOf(std::string_view text) {
  using F = FieldInfo;
  static constexpr std::pair<std::string_view, F::Storage> kOrder[] = {
      {F::STORAGE_INTEGER, F::S_INTEGER},    {F::STORAGE_REAL, F::S_REAL},
      {F::STORAGE_STRING, F::S_STRING},      {F::STORAGE_UNKNOWN, F::S_UNKNOWN},
      {F::STORAGE_DATE, F::S_DATE},          {F::STORAGE_TIME, F::S_TIME},
      {F::STORAGE_TIMESTAMP, F::S_TIMESTAMP}};
  return FirstMatch(text, kOrder, F::S_UNKNOWN);
}

FieldInfo::Type TypeOf(std::string_view text) {
  using F = FieldInfo;
  static constexpr std::pair<std::string_view, F::Type> kOrder[] = {
      {F::TYPE_RANGE, F::T_CONTINUOUS}, {F::TYPE_DISCRETE, F::T_DISCRETE},
      {F::TYPE_FLAG, F::T_FLAG},        {F::TYPE_OEDEREDSET, F::T_ORDINAL},
      {F::TYPE_SET, F::T_NOMINAL},      {F::TYPE_AUTO, F::T_AUTO}};
  return FirstMatch(text, kOrder, F::T_TYPELESS);
}

FieldInfo::Direction DirectionOf(std::string_view text) {
  using F = FieldInfo;
  static constexpr std::pair<std::string_view, F::Direction> kOrder[] = {
      {F::Direction_BOTH, F::D_BOTH},   {F::Direction_IN, F::D_INPUT},
      {F::Direction_OUT, F::D_TARGET},  {F::Direction_PARTITION, F::D_PARTITION},
      {F::Direction_NONE, F::D_NONE},   {F::Direction_FREQWEIGHT, F::D_FREQWEIGHT},
      {F::Direction_SPLIT, F::D_SPLIT}, {F::Direction_RECORDID, F::D_RECORDID}};
  return FirstMatch(text, kOrder, F::D_NONE);
}

}  // namespace

FieldInfo::ModelField::ModelField(const std::string& group_, const std::string& role_,
                                  const std::string& targetField_,
                                  const std::string& targetFieldStorage_, const std::string& value_,
                                  const std::string& tag_)
    : group(group_),
      role(role_),
      targetField(targetField_),
      targetFieldStorage(ToFieldStorage(targetFieldStorage_)),
      value(value_),
      tag(tag_) {}

bool FieldInfo::ModelField::IsPredictedValue() const {
  return role == KxCppHelperV1::XMLEntities::PredictedValue;
}

bool FieldInfo::ModelField::IsProbability() const {
  return role == KxCppHelperV1::XMLEntities::Probability;
}

bool FieldInfo::ModelField::IsConfidence() const {
  return role == KxCppHelperV1::XMLEntities::Residual && tag == TAG_CONFIDENCE;
}

FieldInfo::Storage FieldInfo::ToFieldStorage(std::string text) {
  return StorageOf(text);
}

FieldInfo::Type FieldInfo::ToFieldType(std::string text) {
  return TypeOf(text);
}

FieldInfo::Direction FieldInfo::ToFieldDirection(std::string text) {
  return DirectionOf(text);
}

FieldInfo* FieldInfo::CreateFieldInfo(const std::string& name, const std::string& label,
                                      const std::string& storageText, const std::string& typeText,
                                      const std::string& directionText, int dataIndex) {
  return CreateFieldInfo(Description{name, label, storageText, typeText, directionText}, dataIndex);
}

FieldInfo* FieldInfo::CreateFieldInfo(const Description& description, int dataIndex) {
  const Storage storage = StorageOf(description.storage);
  const Direction direction = DirectionOf(description.direction);
  Type type = TypeOf(description.type);
  if (direction == D_FREQWEIGHT && storage != S_STRING) type = T_CONTINUOUS;
  std::unique_ptr<FieldInfo> field;
  if (storage == S_STRING) {
    field = std::make_unique<StrFieldInfo>();
  } else if (storage != S_UNKNOWN) {
    field = std::make_unique<NumericFieldInfo>();
    field->plainNumeric_ = true;
  } else {
    return nullptr;
  }
  field->AssignBaseInfo(description.name, description.label, storage, type, direction, dataIndex);
  return field.release();
}

FieldInfo::FieldInfo() : partitionValues(3), partitionFlags(3, false) {}

FieldInfo::~FieldInfo() {
  fieldFormatXML.reset();
  baseField.reset();
}

void FieldInfo::SetFieldBaseInfo(const std::string& name, const std::string& label,
                                 Storage storage_, Type type_, Direction direction_,
                                 int dataIndex_) {
  AssignBaseInfo(name, label, storage_, type_, direction_, dataIndex_);
}

void FieldInfo::AssignBaseInfo(std::string_view name, std::string_view label, Storage storage_,
                               Type type_, Direction direction_, int dataIndex_) {
  fieldName.assign(name);
  fieldLabel.assign(label);
  storage = storage_;
  type = type_;
  direction = direction_;
  dataIndex = dataIndex_;
}

bool FieldInfo::SetBaseField(FieldInfo* base) {
  if (baseField || base == nullptr) return false;
  baseField.reset(base);
  return true;
}

bool FieldInfo::SetContinuousStatField(const ST_CTUSDATA& stats) {
  continuousStats = stats;
  return true;
}

bool FieldInfo::GetContinuousStatField(ST_CTUSDATA& stats) const {
  stats = continuousStats;
  return true;
}

bool FieldInfo::SetDiscreteStatField(const std::map<std::string, double>& counts) {
  if (counts.empty()) return false;
  discreteStats = counts;
  return discreteStats.size() == counts.size();
}

bool FieldInfo::SetDiscreteStatField(std::map<std::string, double>&& counts) {
  if (counts.empty()) return false;
  discreteStats = std::move(counts);
  counts.clear();
  return true;
}

bool FieldInfo::GetDiscreteStatField(std::map<std::string, double>& counts) const {
  if (discreteStats.empty()) return false;
  counts = discreteStats;
  return counts.size() == discreteStats.size();
}

void FieldInfo::SetPartitionValue(const std::vector<std::string>& values,
                                  const std::vector<bool>& flags) {
  if (values.size() != 3 || flags.size() != 3) return;
  // Element by element: most fields set the three empty texts they hold, which copies nothing.
  // (The lists hold three entries unless a derived kind changed them.)
  partitionValues.resize(3);
  partitionFlags.resize(3);
  for (size_t i = 0; i < 3; ++i) {
    if (partitionValues[i] != values[i]) partitionValues[i] = values[i];
    partitionFlags[i] = flags[i];
  }
}

void FieldInfo::GetPartitionValue(std::vector<std::string>& values,
                                  std::vector<bool>& flags) const {
  values = partitionValues;
  flags = partitionFlags;
}

void FieldInfo::SetBinaryFlagValue(int value) {
  if (value == 0 || value == 1) binaryFlagValue = value;
}

void FieldInfo::SetFieldFormatXML(const VnXML_1_2::XMLElement* format) {
  fieldFormatXML.reset(format);
}

void FieldInfo::SetModelField(const std::string& group, const std::string& role,
                              const std::string& targetField, const std::string& targetFieldStorage,
                              const std::string& value, const std::string& tag) {
  modelField = ModelField(group, role, targetField, targetFieldStorage, value, tag);
}

void FieldInfo::PrepareEncoder(VnVarList& varList) {
  encoder = varList.GetEncoderAt(indexInVarList);
}

void FieldInfo::AddStorageType(VnVarList& varList) {
  IVnVariable* variable = varList.GetVarAt(indexInVarList);
  if (variable != nullptr && storage >= S_INTEGER && storage <= S_TIMESTAMP) {
    variable->SetStorageType(storage);
  }
}

void FieldInfo::SetOrdinalFlag(VnVarList& varList) {
  if (type != T_ORDINAL) return;
  IVnVariable* variable = varList.GetVarAt(indexInVarList);
  VnXML_1_2::VnCatVar* categorical = variable != nullptr ? variable->AsCatVar() : nullptr;
  if (categorical != nullptr) categorical->SetOrdinalFlag(true);
}

void FieldInfo::SetBinaryFlag(VnVarList& varList) {
  if (type != T_FLAG || (binaryFlagValue != 0 && binaryFlagValue != 1)) return;
  IVnVariable* variable = varList.GetVarAt(indexInVarList);
  VnXML_1_2::VnCatVar* categorical = variable != nullptr ? variable->AsCatVar() : nullptr;
  if (categorical != nullptr) categorical->SetBinaryFlag(true, binaryFlagValue);
}

void FieldInfo::SetFieldFormatXML(VnVarList& varList) {
  IVnVariable* variable = varList.GetVarAt(indexInVarList);
  if (variable == nullptr || !fieldFormatXML) return;
  VnXML_1_2::XMLElement* duplicate = fieldFormatXML->Duplicate();
  if (duplicate != nullptr) variable->SetFieldFormat(duplicate);
}

IVnVariable::VariableRole FieldInfo::VariableRoleFor(bool targetAsInput) const {
  if (direction == D_TARGET) return targetAsInput ? IVnVariable::VR_INPUT : IVnVariable::VR_TARGET;
  if (direction == D_RECORDID) return IVnVariable::VR_RECORDID;
  return IVnVariable::VR_INPUT;
}

}  // namespace VnKx_1_2
