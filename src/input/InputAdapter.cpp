#include "input/InputAdapter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <typeinfo>

#include "datamodel/DataModelParser.h"
#include "external/common/RawRecord.h"
#include "external/common/Record.h"
#include "external/common/VnMV.h"
#include "external/common/XMLElement.h"
#include "external/hosthelper/DataHelper.h"
#include "external/hosthelper/KxRecords.h"
#include "fields/NumericFieldInfo.h"
#include "peer/PeerStatus.h"

namespace VnKx_1_2 {

using VnCommon_1_2::VnMV;
using VnXML_1_2::IVnVariable;

InputAdapter::InputAdapter(KxCppHelperV1::DataHelper* dataHelper_, const DataModelParser& parser_,
                           bool modelRolesOnly_, bool targetAsInput_, bool openCategories_,
                           bool allowDateTime_, bool declaredValuesOnly_)
    : modelRolesOnly(modelRolesOnly_),
      targetAsInput(targetAsInput_),
      openCategories(openCategories_),
      dataHelper(dataHelper_),
      fields(&parser_.GetFieldInfo()),
      allowDateTime(allowDateTime_),
      parser(&parser_),
      declaredValuesOnly(declaredValuesOnly_) {}

InputAdapter::~InputAdapter() = default;

namespace {

[[noreturn, gnu::cold, gnu::noinline]] void ThrowHostFailure(unsigned int status, int hostCode) {
  throw KxCppHelperV1::DataHelper::DataHelperException(status, hostCode, "getRecordValue");
}

// Whether a read step's field reads itself: not one of the plan's kinds, or bound to a data
// helper other than the adapter's `helper`. A template of internal linkage, so that it is
// inlined (a member of the exported class could be interposed and would stay a call).
template <typename Step>
bool ReadsItself(const Step& step, const KxCppHelperV1::DataHelper* helper) {
  return step.kind == Step::Kind::kField || step.field->GetDataHelper() != helper;
}

[[noreturn, gnu::cold, gnu::noinline]] void ThrowBadSize() {
  throw KxCppHelperV1::DataHelper::DataHelperException(0, 0, "");
}

}  // namespace

void InputAdapter::GetValues(VnCommon_1_2::Record& record, std::vector<bool>& missing) const {
  if (!PlanServes(record.Size())) {
    ReadFieldByField(record, missing);
    return;
  }
  KxCppHelperV1::DataHelper* const helper = dataHelper;
  KxIterator* const cursor = helper->iterator();
  void* const handle = cursor->handle;
  double* const cells = &record[0];
  const size_t count = readPlan.size();
  const ReadStep* const steps = readPlan.data();
  // The flags are cleared word by word and only the missing ones set, so that no bit of the
  // vector is read and rewritten per value.
  std::fill(missing.begin(), missing.begin() + static_cast<std::ptrdiff_t>(count), false);
  for (size_t k = 0; k < count; ++k) {
    const ReadStep& step = steps[k];
    double& cell = cells[step.cell];
    if (ReadsItself(step, helper)) {
      bool fieldMissing = false;
      step.field->GetValue(record, fieldMissing, openCategories);
      if (fieldMissing) missing[k] = true;
      continue;
    }
    void* bytes = nullptr;
    size_t size = 0;
    int hostCode = 0;
    const unsigned int status =
        cursor->getRecordValue(handle, step.column, &bytes, &size, &hostCode);
    if (status != 0 || bytes == nullptr) {
      cell = step.sentinel;
      if (status != 0) ThrowHostFailure(status, hostCode);
      missing[k] = true;
      continue;
    }
    if (size != 8) {
      cell = step.sentinel;
      ThrowBadSize();
    }
    double value;
    if (step.kind == ReadStep::Kind::kInteger) {
      std::int64_t integer;
      std::memcpy(&integer, bytes, sizeof(integer));
      value = static_cast<double>(integer);
    } else {
      std::memcpy(&value, bytes, sizeof(value));
    }
    cell = value;
    if (value == step.sentinel) missing[k] = true;
  }
}

void InputAdapter::ReadFieldByField(VnCommon_1_2::Record& record,
                                    std::vector<bool>& missing) const {
  for (size_t k = 0; k < fieldIndexes.size(); ++k) {
    bool fieldMissing = false;
    FieldAt(fieldIndexes[k])->GetValue(record, fieldMissing, openCategories);
    missing[k] = fieldMissing;
  }
}

void InputAdapter::BuildReadPlan() {
  readPlan.clear();
  readPlan.reserve(fieldIndexes.size());
  for (const int position : fieldIndexes) {
    FieldInfo* field = FieldAt(position);
    ReadStep step{field, 0, 0, 0.0, field->GetStorage(), ReadStep::Kind::kField};
    // Only the library's own numeric kind: a derived field keeps its GetValue.
    if (typeid(*field) == typeid(NumericFieldInfo) && field->GetDataIndex() >= 0 &&
        field->GetIndexInVarList() >= 0) {
      switch (field->GetStorage()) {
        case FieldInfo::S_INTEGER:
          step.kind = ReadStep::Kind::kInteger;
          break;
        case FieldInfo::S_REAL:
        case FieldInfo::S_DATE:
        case FieldInfo::S_TIME:
        case FieldInfo::S_TIMESTAMP:
          step.kind = ReadStep::Kind::kReal;
          break;
        default:
          break;
      }
      step.column = static_cast<size_t>(field->GetDataIndex());
      step.cell = static_cast<size_t>(field->GetIndexInVarList());
      step.sentinel = field->GetType() == FieldInfo::T_CONTINUOUS ? VnMV::gMissingValue : -1.0;
    }
    readPlan.push_back(step);
  }
}

void InputAdapter::GetRawValues(VnCommon_1_2::RawRecord& record, std::vector<bool>& missing) const {
  if (!PlanServes(record.Size())) {
    for (size_t k = 0; k < fieldIndexes.size(); ++k) {
      bool fieldMissing = false;
      FieldAt(fieldIndexes[k])->GetRawValue(record, fieldMissing);
      missing[k] = fieldMissing;
    }
    return;
  }
  // The plan's reads follow NumericFieldInfo::GetRawValue: a failure throws before the cell is
  // touched, a null marks the cell missing, a value sets it with its kind.
  KxCppHelperV1::DataHelper* const helper = dataHelper;
  KxIterator* const cursor = helper->iterator();
  void* const handle = cursor->handle;
  const size_t count = readPlan.size();
  const ReadStep* const steps = readPlan.data();
  std::fill(missing.begin(), missing.begin() + static_cast<std::ptrdiff_t>(count), false);
  for (size_t k = 0; k < count; ++k) {
    const ReadStep& step = steps[k];
    if (ReadsItself(step, helper)) {
      bool fieldMissing = false;
      step.field->GetRawValue(record, fieldMissing);
      if (fieldMissing) missing[k] = true;
      continue;
    }
    void* bytes = nullptr;
    size_t size = 0;
    int hostCode = 0;
    const unsigned int status =
        cursor->getRecordValue(handle, step.column, &bytes, &size, &hostCode);
    if (status != 0) ThrowHostFailure(status, hostCode);
    VnCommon_1_2::RawData& cell = record[step.cell];
    if (bytes == nullptr) {
      cell.SetMissing(true);
      missing[k] = true;
      continue;
    }
    if (size != 8) ThrowBadSize();
    if (step.kind == ReadStep::Kind::kInteger) {
      std::int64_t integer;
      std::memcpy(&integer, bytes, sizeof(integer));
      cell.SetInteger(integer, false);
    } else {
      double real;
      std::memcpy(&real, bytes, sizeof(real));
      cell.SetDouble(real, step.storage, false);
    }
  }
}

bool InputAdapter::PlanServes(size_t cells) const {
  // The plan stands only while the admission it was built from does.
  return !readPlan.empty() && readPlan.size() == fieldIndexes.size() && dataHelper != nullptr &&
         dataHelper->iterator() != nullptr && cells != 0;
}

bool InputAdapter::BuildVarlist(int* error) {
  if (const VnXML_1_2::XMLElement* formats = parser->GetFieldFormatsXML()) {
    VnXML_1_2::XMLElement* duplicate = formats->Duplicate();
    if (duplicate != nullptr) varList.SetFieldFormatsElement(duplicate);
  }
  double unweighted = 0;
  double weighted = 0;
  double dropped = 0;
  if (parser->GetRecordsCount(unweighted, weighted, dropped)) {
    varList.SetUnWeightedCount(unweighted);
    varList.SetWeightedCount(weighted);
    varList.SetDroppedCount(dropped);
  }
  SetFieldIndexVector();
  for (size_t k = 0; k < fieldIndexes.size(); ++k) {
    if (parser->WasCancelled()) {
      *error = MsgCancelled;
      return false;
    }
  }
  if (!IsValidFields(error)) return false;
  SetFieldsBinningParameter();
  if (!AddFrequencyWeightToVarlist(error)) return false;

  for (const int position : fieldIndexes) {
    FieldInfo* field = FieldAt(position);
    if (FieldInfo* base = field->GetBaseField()) {
      const int index =
          base->AddToVarList(varList, targetAsInput, openCategories, declaredValuesOnly);
      base->PrepareEncoder(varList);
      field->SetIndexInVarList(index);
      // The field reads its own values into the base field's variable, through its encoder.
      field->PrepareEncoder(varList);
    } else {
      field->AddToVarList(varList, targetAsInput, openCategories, declaredValuesOnly);
      field->PrepareEncoder(varList);
    }
    field->PrepareDataHelper(dataHelper);
  }
  BuildReadPlan();
  return varList.Size() != 0;
}

void InputAdapter::SetFrequencyWeightVar(const std::string& name,
                                         IVnVariable::WRoundingOption option) {
  frequencyWeightName = name;
  roundingOption = option;
}

bool InputAdapter::GetPartitionFieldName(std::string& name) {
  for (const FieldInfo* field : *fields) {
    if (field->GetDirection() == FieldInfo::D_PARTITION) {
      name = field->GetFieldName();
      return true;
    }
  }
  return false;
}

void InputAdapter::Rebind(KxCppHelperV1::DataHelper* helper) {
  dataHelper = helper;
  for (FieldInfo* field : *fields) field->PrepareDataHelper(helper);
}

bool InputAdapter::IsValidFields(int* /*error*/) {
  return true;
}

void InputAdapter::SetFieldIndexVector() {
  fieldIndexes.clear();
  for (size_t i = 0; i < fields->size(); ++i) {
    const FieldInfo* field = (*fields)[i];
    if (!CanAddToVarList(field)) continue;
    fieldIndexes.push_back(static_cast<int>(i));
    if (frequencyWeightName.empty() && field->GetDirection() == FieldInfo::D_FREQWEIGHT) {
      frequencyWeightName = field->GetFieldName();
      roundingOption = IVnVariable::WR_ROUND;
    }
  }
}

bool InputAdapter::CanAddToVarList(const FieldInfo* field) const {
  switch (field->GetStorage()) {
    case FieldInfo::S_INTEGER:
    case FieldInfo::S_REAL:
    case FieldInfo::S_STRING:
      break;
    case FieldInfo::S_DATE:
    case FieldInfo::S_TIME:
    case FieldInfo::S_TIMESTAMP:
      if (!allowDateTime) return false;
      break;
    default:
      return false;
  }
  if (!modelRolesOnly) return true;
  switch (field->GetDirection()) {
    case FieldInfo::D_TARGET:
    case FieldInfo::D_INPUT:
    case FieldInfo::D_FREQWEIGHT:
    case FieldInfo::D_RECORDID:
      return true;
    default:
      return false;
  }
}

void InputAdapter::SetFieldsBinningParameter() {
  for (const int position : fieldIndexes) FieldAt(position)->SetBinningParameter(-1, false);
}

bool InputAdapter::AddFrequencyWeightToVarlist(int* error) {
  if (frequencyWeightName.empty()) return true;
  for (const int position : fieldIndexes) {
    FieldInfo* field = FieldAt(position);
    if (field->GetFieldName() != frequencyWeightName) continue;
    if (field->SetFrequencyWeight(roundingOption)) return true;
    *error = MsgFieldNotBuilt;
    return false;
  }
  for (size_t i = 0; i < fields->size(); ++i) {
    FieldInfo* field = (*fields)[i];
    if (field->GetFieldName() != frequencyWeightName) continue;
    if (!field->SetFrequencyWeight(roundingOption)) {
      *error = MsgFieldNotBuilt;
      return false;
    }
    fieldIndexes.push_back(static_cast<int>(i));
    return true;
  }
  *error = MsgNoDeclaredValues;
  return false;
}

}  // namespace VnKx_1_2
