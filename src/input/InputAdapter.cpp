#include "input/InputAdapter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/Status.h"
#include "base/detail/Prefetch.h"
#include "datamodel/DataModelParser.h"
#include "external/common/RawRecord.h"
#include "external/common/Record.h"
#include "external/common/XMLElement.h"
#include "external/hosthelper/DataHelper.h"
#include "external/hosthelper/KxRecords.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"
#include "fields/detail/NumericCell.h"

namespace VnKx_1_2 {

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

// Building a field's variable reads the field's object and its value lists, which the load of
// many fields has long since pushed out of the caches. BuildVarlist asks for them some fields
// ahead, so that memory delivers them while the fields before are built: the object first, then,
// once it has arrived, the lists it points to. The requests read nothing themselves.
constexpr size_t kObjectsAhead = 8;
constexpr size_t kListsAhead = 4;
constexpr size_t kLine = 64;

void PrefetchBytes(const void* data, size_t bytes) {
  const char* const begin = static_cast<const char*>(data);
  for (size_t offset = 0; offset < bytes; offset += kLine) VnBase::Prefetch(begin + offset);
}

// The part of the object that every kind of field has (the kinds' own members, read later with
// the lists, follow it).
void PrefetchObject(const FieldInfo* field) {
  PrefetchBytes(field, sizeof(FieldInfo));
}

template <typename T>
void PrefetchList(const std::vector<T>& list) {
  PrefetchBytes(list.data(), list.size() * sizeof(T));
}

void PrefetchLists(const FieldInfo* field) {
  PrefetchList(field->GetValueLabels());
  PrefetchList(field->GetValueFrequencies());
  if (typeid(*field) == typeid(StrFieldInfo)) {
    PrefetchList(static_cast<const StrFieldInfo*>(field)->GetValues());
  } else if (typeid(*field) == typeid(NumericFieldInfo)) {
    PrefetchList(static_cast<const NumericFieldInfo*>(field)->GetValues());
  }
}

[[noreturn, gnu::cold, gnu::noinline]] void ThrowHostFailure(unsigned int status, int hostCode) {
  throw KxCppHelperV1::DataHelper::DataHelperException(status, hostCode, "getRecordValue");
}

[[noreturn, gnu::cold, gnu::noinline]] void ThrowBadSize() {
  throw KxCppHelperV1::DataHelper::DataHelperException(0, 0, "");
}

// Walks a read plan over the host's current record, in admission order, and writes each step's
// missing flag (cleared word by word first, so that no bit is read and rewritten per value).
// A step whose field reads itself (not one of the plan's kinds, or, when kCheckHelpers, bound to
// a data helper other than `helper`) goes to `readField(field)`; the others are read here and
// handed to `readValue(step, bytes)`, with null bytes for a null value. Both answer the missing
// flag.
// When the host fails or a value is not 8 bytes long, `beforeThrow(step)` runs and
// DataHelperException is thrown. A template of internal linkage, so that all of it is inlined.
template <bool kCheckHelpers, typename Step, typename ReadField, typename ReadValue,
          typename BeforeThrow>
void WalkPlanSteps(const std::vector<Step>& plan, const KxCppHelperV1::DataHelper* helper,
                   std::vector<bool>& missing, ReadField readField, ReadValue readValue,
                   BeforeThrow beforeThrow) {
  KxIterator* const cursor = helper->iterator();
  void* const handle = cursor->handle;
  const size_t count = plan.size();
  const Step* const steps = plan.data();
  std::fill(missing.begin(), missing.begin() + static_cast<std::ptrdiff_t>(count), false);
  for (size_t k = 0; k < count; ++k) {
    const Step& step = steps[k];
    if (step.kind == Step::Kind::kField ||
        (kCheckHelpers && step.field->GetDataHelper() != helper)) {
      if (readField(step.field)) missing[k] = true;
      continue;
    }
    void* bytes = nullptr;
    size_t size = 0;
    int hostCode = 0;
    const unsigned int status =
        cursor->getRecordValue(handle, step.column, &bytes, &size, &hostCode);
    if (status != 0) {
      beforeThrow(step);
      ThrowHostFailure(status, hostCode);
    }
    if (bytes != nullptr && size != 8) {
      beforeThrow(step);
      ThrowBadSize();
    }
    if (readValue(step, bytes)) missing[k] = true;
  }
}

// The walk, with the per-value helper test only when some field may have left the helper.
template <typename Step, typename ReadField, typename ReadValue, typename BeforeThrow>
void WalkPlan(bool fieldsOnHelper, const std::vector<Step>& plan,
              const KxCppHelperV1::DataHelper* helper, std::vector<bool>& missing,
              ReadField readField, ReadValue readValue, BeforeThrow beforeThrow) {
  if (fieldsOnHelper) {
    WalkPlanSteps<false>(plan, helper, missing, readField, readValue, beforeThrow);
  } else {
    WalkPlanSteps<true>(plan, helper, missing, readField, readValue, beforeThrow);
  }
}

}  // namespace

// Defined inline ahead of the reads, so that their per-record tests are not calls.
inline bool InputAdapter::PlanFieldsOnHelper() const {
  return helpersCheckedAt.load(std::memory_order_relaxed) ==
             parser->helperChanges.load(std::memory_order_acquire) ||
         CheckPlanFieldsOnHelper();
}

bool InputAdapter::CheckPlanFieldsOnHelper() const {
  // The count is read before the fields, so that a change while they are read is seen next time.
  const std::uint64_t changes = parser->helperChanges.load(std::memory_order_acquire);
  for (const ReadStep& step : readPlan) {
    if (step.kind != ReadStep::Kind::kField && step.field->GetDataHelper() != dataHelper) {
      return false;
    }
  }
  helpersCheckedAt.store(changes, std::memory_order_relaxed);
  return true;
}

inline bool InputAdapter::PlanServes(size_t cells) const {
  // The plan stands only while the admission it was built from does.
  return !readPlan.empty() && readPlan.size() == fieldIndexes.size() && dataHelper != nullptr &&
         dataHelper->iterator() != nullptr && cells != 0;
}

void InputAdapter::GetValues(VnCommon_1_2::Record& record, std::vector<bool>& missing) const {
  const auto readField = [&](FieldInfo* field) {
    bool fieldMissing = false;
    field->GetValue(record, fieldMissing, openCategories);
    return fieldMissing;
  };
  if (!PlanServes(record.Size())) {
    for (size_t k = 0; k < fieldIndexes.size(); ++k)
      missing[k] = readField(FieldAt(fieldIndexes[k]));
    return;
  }
  // A failed read leaves the sentinel in the cell, as the field's own read does.
  double* const cells = &record[0];
  WalkPlan(
      PlanFieldsOnHelper(), readPlan, dataHelper, missing, readField,
      [cells](const ReadStep& step, const void* bytes) {
        return numericcell::ToRecordCell(bytes, step.kind == ReadStep::Kind::kInteger,
                                         step.sentinel, cells[step.cell]);
      },
      [cells](const ReadStep& step) { cells[step.cell] = step.sentinel; });
}

void InputAdapter::BuildReadPlan() {
  readPlan.clear();
  readPlan.reserve(fieldIndexes.size());
  for (const int position : fieldIndexes) {
    FieldInfo* field = FieldAt(position);
    ReadStep step{field, 0, 0, 0.0, field->GetStorage(), ReadStep::Kind::kField};
    // Only numeric fields that the parser made with the library's factory: their reads are the
    // numeric cell rule, and their helper changes are counted where the adapter looks. A field
    // of another kind, or made elsewhere (a kind derived by a component), keeps its GetValue.
    if (field->plainNumeric_ && field->helperChanges_ == &parser->helperChanges &&
        field->GetDataIndex() >= 0 && field->GetIndexInVarList() >= 0) {
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
      step.sentinel = numericcell::Sentinel(field->GetType() == FieldInfo::T_CONTINUOUS);
    }
    readPlan.push_back(step);
  }
}

void InputAdapter::GetRawValues(VnCommon_1_2::RawRecord& record, std::vector<bool>& missing) const {
  const auto readField = [&](FieldInfo* field) {
    bool fieldMissing = false;
    field->GetRawValue(record, fieldMissing);
    return fieldMissing;
  };
  if (!PlanServes(record.Size())) {
    for (size_t k = 0; k < fieldIndexes.size(); ++k)
      missing[k] = readField(FieldAt(fieldIndexes[k]));
    return;
  }
  // A failed read leaves the cell untouched, as the field's own read does.
  WalkPlan(
      PlanFieldsOnHelper(), readPlan, dataHelper, missing, readField,
      [&record](const ReadStep& step, const void* bytes) {
        return numericcell::ToRawCell(bytes, step.kind == ReadStep::Kind::kInteger, step.storage,
                                      record[step.cell]);
      },
      [](const ReadStep&) {});
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

  const size_t count = fieldIndexes.size();
  for (size_t k = 0; k < count; ++k) {
    FieldInfo* field = FieldAt(fieldIndexes[k]);
    if (k + kObjectsAhead < count) PrefetchObject(FieldAt(fieldIndexes[k + kObjectsAhead]));
    if (k + kListsAhead < count) PrefetchLists(FieldAt(fieldIndexes[k + kListsAhead]));
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
