#pragma once

// One field of the host's data model: name and label, storage, measurement level and role,
// declared values and labels, user-missing values, statistics, partition values, display
// format and model-output description. The parser creates and fills fields; the input adapter
// turns each into a variable and reads its value from every host record through it.
//
// A field owns its base field and its format tree; the encoder belongs to the variable list
// and the data helper to the component. Copying is deleted: fields own trees and are only
// ever handled by pointer. One thread at a time.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "VnKxExport.h"
#include "external/common/IVnVariable.h"
#include "external/common/VnMV.h"

namespace KxCppHelperV1 {
class DataHelper;
}
namespace VnCommon_1_2 {
class Record;
class RawRecord;
}  // namespace VnCommon_1_2
namespace VnXML_1_2 {
class IVnEncoder;
class VnVarList;
class XMLElement;
}  // namespace VnXML_1_2

namespace VnKx_1_2 {

class VNKX_API FieldInfo {
 public:
  enum Storage {
    S_UNKNOWN = 0,
    S_INTEGER = 1,
    S_REAL = 2,
    S_STRING = 3,
    S_DATE = 4,
    S_TIME = 5,
    S_TIMESTAMP = 6,
  };
  enum Type {
    T_AUTO = 0,
    T_CONTINUOUS = 1,
    T_DISCRETE = 2,
    T_NOMINAL = 3,
    T_ORDINAL = 4,
    T_FLAG = 5,
    T_TYPELESS = 6,
  };
  enum Direction {
    D_INPUT = 0,
    D_TARGET = 1,
    D_BOTH = 2,
    D_NONE = 3,
    D_PARTITION = 4,
    D_FREQWEIGHT = 5,
    D_SPLIT = 6,
    D_RECORDID = 7,
  };

  // Text forms of the enumerations, as the data-model document spells them.
  static constexpr const char* const STORAGE_UNKNOWN = "unknown";
  static constexpr const char* const STORAGE_INTEGER = "integer";
  static constexpr const char* const STORAGE_REAL = "real";
  static constexpr const char* const STORAGE_STRING = "string";
  static constexpr const char* const STORAGE_DATE = "date";
  static constexpr const char* const STORAGE_TIME = "time";
  static constexpr const char* const STORAGE_TIMESTAMP = "timestamp";
  static constexpr const char* const TYPE_AUTO = "auto";
  static constexpr const char* const TYPE_RANGE = "continuous";
  static constexpr const char* const TYPE_DISCRETE = "discrete";
  static constexpr const char* const TYPE_SET = "nominal";
  static constexpr const char* const TYPE_OEDEREDSET = "ordinal";
  static constexpr const char* const TYPE_FLAG = "flag";
  static constexpr const char* const TYPE_TYPELESS = "typeless";
  static constexpr const char* const Direction_IN = "input";
  static constexpr const char* const Direction_OUT = "target";
  static constexpr const char* const Direction_BOTH = "both";
  static constexpr const char* const Direction_NONE = "none";
  static constexpr const char* const Direction_PARTITION = "partition";
  static constexpr const char* const Direction_FREQWEIGHT = "freqWeight";
  static constexpr const char* const Direction_SPLIT = "split";
  static constexpr const char* const Direction_RECORDID = "recordId";

  // Continuous statistics; a double equal to VnMV::gMissingValue was not given.
  struct ST_CTUSDATA {
    double sumCompWts = VnCommon_1_2::VnMV::gMissingValue;
    double sumFreqWts = VnCommon_1_2::VnMV::gMissingValue;
    double minimum = VnCommon_1_2::VnMV::gMissingValue;
    double maximum = VnCommon_1_2::VnMV::gMissingValue;
    double mean = VnCommon_1_2::VnMV::gMissingValue;
    double variance = VnCommon_1_2::VnMV::gMissingValue;
    std::int64_t exactMinimum = 0;
    std::int64_t exactMaximum = 0;
  };

  // What a model produced this field as; an empty role means no description.
  class VNKX_API ModelField {
   public:
    ModelField() = default;
    ModelField(const std::string& group, const std::string& role, const std::string& targetField,
               const std::string& targetFieldStorage, const std::string& value,
               const std::string& tag);

    const std::string& GetGroup() const { return group; }
    const std::string& GetRole() const { return role; }
    const std::string& GetTargetField() const { return targetField; }
    Storage GetTargetFieldStorage() const { return targetFieldStorage; }
    const std::string& GetValue() const { return value; }
    const std::string& GetTag() const { return tag; }
    bool IsValid() const { return !role.empty(); }
    bool IsPredictedValue() const;
    bool IsProbability() const;
    // A residual tagged "confidence".
    bool IsConfidence() const;

   private:
    static constexpr const char* const TAG_CONFIDENCE = "confidence";
    std::string group;
    std::string role;
    std::string targetField;
    Storage targetFieldStorage = S_UNKNOWN;
    std::string value;
    std::string tag;
  };

  // Exact, case-sensitive conversions; unknown texts give S_UNKNOWN, T_TYPELESS and D_NONE.
  static Storage ToFieldStorage(std::string text);
  static Type ToFieldType(std::string text);
  static Direction ToFieldDirection(std::string text);

  // A StrFieldInfo for storage "string", a NumericFieldInfo for the other known storages, null
  // for any other text. Owned by the caller. A non-string frequency weight is continuous.
  static FieldInfo* CreateFieldInfo(const std::string& name, const std::string& label,
                                    const std::string& storageText, const std::string& typeText,
                                    const std::string& directionText, int dataIndex);
  // The texts that describe a field, as views (a reader of a document need not copy them).
  struct Description {
    std::string_view name, label, storage, type, direction;
  };
  // CreateFieldInfo from views: the field copies only its name and label.
  static FieldInfo* CreateFieldInfo(const Description& description, int dataIndex);

  FieldInfo();
  FieldInfo(const FieldInfo&) = delete;
  FieldInfo& operator=(const FieldInfo&) = delete;
  // Destroys the format tree, then the base field.
  virtual ~FieldInfo();

  // True when the field has declared values or is a record id; else 240004 and false.
  virtual bool IsValidField(int* error) = 0;
  virtual void SetBinningParameter(int numBins, bool binned) = 0;
  virtual void SetBinningParameter(const std::vector<double>& cutPoints, bool binned) = 0;
  // A declared value (with its frequency) or, with `isMissing`, a user-missing value.
  virtual void AddValue(std::string value, bool isMissing, double frequency) = 0;
  // A range of valid values or, with `isMissing`, the missing range (numeric fields only).
  virtual void AddRange(double low, double high, bool isMissing) = 0;
  virtual void GetRange(double& low, double& high, bool missing) = 0;
  virtual void SetMean(double mean) = 0;
  virtual double GetMean() = 0;
  virtual void SetStdDev(double stdDev) = 0;
  virtual double GetStdDev() = 0;
  // Adds the field's variable to `varList` and returns its index.
  virtual int AddToVarList(VnXML_1_2::VnVarList& varList, bool targetAsInput, bool openCategories,
                           bool declaredValuesOnly) = 0;
  // Makes a continuous numeric field the frequency weight; false for any other field.
  virtual bool SetFrequencyWeight(VnXML_1_2::IVnVariable::WRoundingOption option) = 0;
  // Reads the current host record's value into the record at the field's variable index.
  // Numeric fields throw DataHelper::DataHelperException when the host fails.
  virtual void GetValue(VnCommon_1_2::Record& record, bool& missing, bool openCategories) = 0;
  virtual void GetRawValue(VnCommon_1_2::RawRecord& record, bool& missing) = 0;
  virtual int GetNumOfValues() = 0;
  // True when every text is a declared value; else 240016 and false.
  virtual bool AreValidValues(const std::vector<std::string>& texts, int* error) = 0;
  virtual void ClearValues() = 0;
  // Registers the missing values with the variable's encoder.
  virtual void PrepareMissingValues(VnXML_1_2::VnVarList& varList) = 0;

  std::string GetFieldName() const { return fieldName; }
  // The field's label. Note that on a non-const field GetFieldLabel() picks the overload below,
  // which returns the value labels.
  std::string GetFieldLabel() const { return fieldLabel; }
  Storage GetStorage() const { return storage; }
  Type GetType() const { return type; }
  Direction GetDirection() const { return direction; }
  int GetDataIndex() const { return dataIndex; }
  int GetIndexInVarList() const { return indexInVarList; }
  int GetBinaryFlagValue() const { return binaryFlagValue; }
  bool HasMissing() const { return hasMissing; }
  VnXML_1_2::IVnEncoder* GetEncoder() const { return encoder; }
  KxCppHelperV1::DataHelper* GetDataHelper() const { return dataHelper; }
  const std::vector<double>& GetValueFrequencies() const { return valueFrequencies; }
  const std::vector<std::string>& GetValueLabels() const { return valueLabels; }

  void SetFieldBaseInfo(const std::string& name, const std::string& label, Storage storage,
                        Type type, Direction direction, int dataIndex);
  // Takes `base` over when the field has none and `base` is not null; else false and the
  // caller keeps `base`.
  bool SetBaseField(FieldInfo* base);
  FieldInfo* GetBaseField() const { return baseField.get(); }
  bool SetContinuousStatField(const ST_CTUSDATA& stats);
  bool GetContinuousStatField(ST_CTUSDATA& stats) const;
  // False (nothing changed) for an empty map.
  bool SetDiscreteStatField(const std::map<std::string, double>& counts);
  // The same, taking the counts over instead of copying them (`counts` is left empty).
  bool SetDiscreteStatField(std::map<std::string, double>&& counts);
  // False (`counts` untouched) when the field has no counts.
  bool GetDiscreteStatField(std::map<std::string, double>& counts) const;
  void SetFieldLabel(std::vector<std::string> labels) { valueLabels = std::move(labels); }
  // The display labels of the declared values.
  std::vector<std::string> GetFieldLabel() { return valueLabels; }
  // Ignored unless both lists have exactly three entries.
  void SetPartitionValue(const std::vector<std::string>& values, const std::vector<bool>& flags);
  void GetPartitionValue(std::vector<std::string>& values, std::vector<bool>& flags) const;
  // Ignored unless `value` is 0 or 1.
  void SetBinaryFlagValue(int value);
  // Takes the tree over (freeing a tree held before).
  void SetFieldFormatXML(const VnXML_1_2::XMLElement* format);
  const VnXML_1_2::XMLElement* GetFieldFormatXML() { return fieldFormatXML.get(); }
  void SetModelField(const std::string& group, const std::string& role,
                     const std::string& targetField, const std::string& targetFieldStorage,
                     const std::string& value, const std::string& tag);
  const ModelField& GetModelField() const { return modelField; }
  void SetIndexInVarList(int index) { indexInVarList = index; }
  void PrepareEncoder(VnXML_1_2::VnVarList& varList);
  void PrepareDataHelper(KxCppHelperV1::DataHelper* helper) {
    if (helper == dataHelper) return;
    dataHelper = helper;
    if (helperChanges_ != nullptr) helperChanges_->fetch_add(1, std::memory_order_release);
  }

 protected:
  // SetFieldBaseInfo from views.
  void AssignBaseInfo(std::string_view name, std::string_view label, Storage storage, Type type,
                      Direction direction, int dataIndex);
  // Steps the kinds take while adding their variable (looked up at indexInVarList).
  void AddStorageType(VnXML_1_2::VnVarList& varList);
  void SetOrdinalFlag(VnXML_1_2::VnVarList& varList);
  void SetBinaryFlag(VnXML_1_2::VnVarList& varList);
  // Hands a duplicate of the format tree to the variable, which owns it.
  void SetFieldFormatXML(VnXML_1_2::VnVarList& varList);
  // The role number the variable list receives for this field.
  VnXML_1_2::IVnVariable::VariableRole VariableRoleFor(bool targetAsInput) const;
  // Room for `count` more entries in a value list.
  template <typename T>
  static void ReserveMore(std::vector<T>& list, size_t count) {
    list.reserve(list.size() + count);
  }

  std::unique_ptr<FieldInfo> baseField;
  std::map<std::string, double> discreteStats;
  ST_CTUSDATA continuousStats;
  std::unique_ptr<const VnXML_1_2::XMLElement> fieldFormatXML;
  std::string fieldName;
  std::string fieldLabel;
  Direction direction = D_NONE;
  Storage storage = S_UNKNOWN;
  Type type = T_TYPELESS;
  int binaryFlagValue = -1;
  int dataIndex = -1;
  bool hasMissing = false;
  VnXML_1_2::IVnEncoder* encoder = nullptr;
  int indexInVarList = 0;
  KxCppHelperV1::DataHelper* dataHelper = nullptr;
  std::vector<std::string> valueLabels;
  std::vector<std::string> partitionValues;
  std::vector<bool> partitionFlags;
  std::vector<double> valueFrequencies;
  ModelField modelField;

 private:
  friend class DataModelParser;
  friend class InputAdapter;
  // The count of helper changes of the fields of the parser that made this one (null for a
  // field made elsewhere): an adapter over the parser's fields reads it to know when it must
  // check their helpers again.
  std::atomic<std::uint64_t>* helperChanges_ = nullptr;
  // Made by CreateFieldInfo as the library's numeric kind: its reads follow the numeric cell
  // rule, which an adapter may apply itself.
  bool plainNumeric_ = false;
};

}  // namespace VnKx_1_2
