#pragma once

// Stands between a parsed data model and an algorithm: admits the fields that take part, builds
// the variable list from them (record counts, formats, frequency weight) and reads one host
// record at a time into a numeric Record or a RawRecord with one missing flag per admitted
// field. The adapter owns its variable list; the data helper, the parser and its fields belong
// to the caller and must outlive the adapter, and the parser's field list must not change after
// BuildVarlist. A derived adapter may override the protected hooks. One thread at a time.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "VnKxExport.h"
#include "external/common/IVnVariable.h"
#include "external/common/VnVarList.h"

namespace KxCppHelperV1 {
class DataHelper;
}
namespace VnCommon_1_2 {
class Record;
class RawRecord;
}  // namespace VnCommon_1_2

namespace VnKx_1_2 {

class DataModelParser;
class FieldInfo;

class VNKX_API InputAdapter {
 public:
  // Stores the arguments and the parser's field list; reads no field.
  InputAdapter(KxCppHelperV1::DataHelper* dataHelper, const DataModelParser& parser,
               bool modelRolesOnly, bool targetAsInput, bool openCategories, bool allowDateTime,
               bool declaredValuesOnly);
  InputAdapter(const InputAdapter&) = delete;
  InputAdapter& operator=(const InputAdapter&) = delete;
  virtual ~InputAdapter();

  // Reads the current host record: each admitted field writes its value at its variable index
  // and its missing flag at its admission position. `record` needs a column per variable and
  // `missing` GetSize() entries. DataHelper::DataHelperException from a field passes through.
  virtual void GetValues(VnCommon_1_2::Record& record, std::vector<bool>& missing) const;
  virtual void GetRawValues(VnCommon_1_2::RawRecord& record, std::vector<bool>& missing) const;

  // Admits fields and builds the variable list; true when the list has a variable. False with
  // 240043 once the parser is cancelled, 240004 for a weight name that matches no field, 240006
  // for a weight field that cannot be the weight, the hook's code when IsValidFields fails, and
  // no code for an empty list. Call once; nothing is undone after a failure.
  bool BuildVarlist(int* error);
  VnXML_1_2::VnVarList& GetVarList() { return varList; }
  // The number of admitted fields.
  int GetSize() const { return static_cast<int>(fieldIndexes.size()); }
  // Names the frequency-weight field (empty: none); call before BuildVarlist.
  void SetFrequencyWeightVar(const std::string& name,
                             VnXML_1_2::IVnVariable::WRoundingOption option);
  // The first field of direction partition in the whole field list; false (`name` untouched)
  // when there is none.
  bool GetPartitionFieldName(std::string& name);
  // Switches every field of the field list to a new cursor over the same data model.
  void Rebind(KxCppHelperV1::DataHelper* dataHelper);

  // The admitted fields' positions in the parser's field list, in admission order.
  const std::vector<int>& GetFieldIndexVector() const { return fieldIndexes; }

 protected:
  // Checked after admission; the base accepts and writes nothing.
  virtual bool IsValidFields(int* error);
  // Admission: every field that CanAddToVarList accepts, in field-list order; the first
  // admitted frequency-weight field names the weight unless a name was given.
  virtual void SetFieldIndexVector();
  // Storage integer, real or string (date, time and timestamp too with allowDateTime); with
  // modelRolesOnly, only the directions input, target, freqWeight and recordId.
  virtual bool CanAddToVarList(const FieldInfo* field) const;
  // Turns binning off on every admitted field.
  virtual void SetFieldsBinningParameter();
  // Makes the named field the frequency weight (appending it when it was not admitted).
  virtual bool AddFrequencyWeightToVarlist(int* error);

  FieldInfo* FieldAt(int position) const { return (*fields)[static_cast<size_t>(position)]; }

  bool modelRolesOnly;
  bool targetAsInput;
  bool openCategories;
  KxCppHelperV1::DataHelper* dataHelper;
  const std::vector<FieldInfo*>* fields;
  std::vector<int> fieldIndexes;
  VnXML_1_2::VnVarList varList;
  std::string frequencyWeightName;
  VnXML_1_2::IVnVariable::WRoundingOption roundingOption = VnXML_1_2::IVnVariable::WR_NONE;
  bool allowDateTime;
  const DataModelParser* parser;
  bool declaredValuesOnly;

 private:
  // One admitted field's read. Numeric fields of real-valued or integer storage are read
  // straight from the host's cursor without the per-value virtual call, their bytes decoded by
  // the rule NumericFieldInfo's reads apply (fields/detail/NumericCell.h); every other field
  // reads through its own GetValue.
  struct ReadStep {
    enum class Kind : unsigned char { kReal, kInteger, kField };
    FieldInfo* field;
    std::size_t column;  // the host column (dataIndex)
    std::size_t cell;    // the variable index the value goes to
    double sentinel;     // the value that stands for missing
    int storage;         // the field's storage, the kind of a raw real-valued cell
    Kind kind;
  };
  void BuildReadPlan();
  // Whether the read plan may serve a read into a record of `cells` cells.
  bool PlanServes(size_t cells) const;
  // Whether every field that the plan reads directly still reads through the adapter's helper.
  // Checked again (by CheckPlanFieldsOnHelper) only after the helper of some field of the parser
  // has changed.
  bool PlanFieldsOnHelper() const;
  bool CheckPlanFieldsOnHelper() const;

  // The admitted fields' reads, in admission order.
  std::vector<ReadStep> readPlan;
  // The parser's count of helper changes at which PlanFieldsOnHelper() last held.
  mutable std::atomic<std::uint64_t> helpersCheckedAt{~std::uint64_t{0}};
};

}  // namespace VnKx_1_2
