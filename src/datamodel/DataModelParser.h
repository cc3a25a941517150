#pragma once

// Turns one data-model document into an ordered list of field descriptions, with the record
// counts, the document's field-formats tree and the number of field elements. The parser owns
// its fields (each owns its base field) and its formats tree; a second parse destroys what the
// first built. Cancel may be called from another thread while a parse runs; everything else is
// used by one thread at a time.

#include <atomic>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "VnKxExport.h"
#include "external/hosthelper/XMLDocument.h"
#include "fields/FieldInfo.h"

namespace VnXML_1_2 {
class XMLElement;
}

namespace VnKx_1_2 {

class BaseValueIndex;
class CountLookup;
struct ParseSession;

class VNKX_API DataModelParser {
 public:
  // (display label, value) pairs.
  using LabelPairs = std::vector<std::pair<std::string, std::string>>;

  DataModelParser();
  DataModelParser(const DataModelParser&) = delete;
  DataModelParser& operator=(const DataModelParser&) = delete;
  ~DataModelParser();

  // Parses `document` (released before returning). Returns StatusOk when every field was
  // built; StatusParseFailed with 240006 when a field or base field has an unknown storage, or
  // a field holds more than 64 field elements below it (the fields built before it are kept);
  // StatusCancelled with 240043 once cancelled. A status of 0 may come with 240045 or 240046 for
  // statistics that were dropped. With `defaultRange` a continuous field without a range gets the
  // largest finite range.
  unsigned int ParseDataModel(KxCppHelperV1::XMLDocument document, int* error, bool defaultRange);

  // The parsed fields in document order; the parser keeps ownership.
  std::vector<FieldInfo*>& GetFieldInfo() { return fields; }
  const std::vector<FieldInfo*>& GetFieldInfo() const { return fields; }
  // The number of field elements visited by the last parse, skipped ones included.
  int GetNumOfFields() const { return numOfFields; }
  // The document's record counts; false (outputs untouched) unless all three are known.
  bool GetRecordsCount(double& unweighted, double& weighted, double& dropped) const;
  // The document's field-formats tree, or null; the parser keeps ownership.
  VnXML_1_2::XMLElement* GetFieldFormatsXML() const { return fieldFormats.get(); }

  // Stops the field loop before the next field.
  void Cancel() { cancelled.store(true); }
  bool WasCancelled() const { return cancelled.load(); }

 private:
  using XMLElement = KxCppHelperV1::XMLElement;

  // The driver.
  bool ScanDataFields(XMLElement& field, int fieldIndex, int* error, bool defaultRange);
  bool FillFieldInfo(XMLElement field, int fieldIndex, int* error, bool defaultRange,
                     FieldInfo*& out);
  bool FillBaseFieldInfo(XMLElement field, XMLElement baseField, int fieldIndex, int* error,
                         bool defaultRange, FieldInfo*& out);
  bool HasBaseField(XMLElement field, XMLElement& baseField) const;
  bool HasValues_InBF(XMLElement baseField, XMLElement& values, bool& underValueLabels);
  void ReadRanges(XMLElement& element, FieldInfo& info, bool defaultRange);
  void AddRanges(const std::vector<XMLElement>& ranges, FieldInfo& info, bool defaultRange);
  void ReadContinuousStatistics(XMLElement& field, FieldInfo& info, int* error);
  void DestroyFields();

  // Statistics, record counts and ranges.
  bool GetRecordsCount_InDM(XMLElement root, double& unweighted, double& weighted,
                            double& dropped) const;
  bool GetContinuousStat_InPF(XMLElement field, FieldInfo::ST_CTUSDATA& stat, bool& found,
                              int* error);
  bool GetDiscreteStat_InPF(XMLElement field, std::map<std::string, double>& counts, bool& found,
                            int* error);
  void DealWithRangeVar(XMLElement& range, FieldInfo* info, bool isMissing);

  // Field formats and model fields.
  VnXML_1_2::XMLElement* ParseFieldFormats(XMLElement root);
  VnXML_1_2::XMLElement* ParseFieldFormat(XMLElement field);
  void DealWithFieldFormat(XMLElement& field, FieldInfo* info);
  void DealWithModelField(XMLElement& field, FieldInfo* info);

  // Categorical and flag values.
  void DealWithCatVar(XMLElement& values, FieldInfo* field, bool isMissing);
  void DealWithFlagVar(XMLElement& values, FieldInfo* field);
  bool GetDspLabels_InPF(XMLElement field, XMLElement& values, LabelPairs& labels);
  void DealWithBsCatVar(const std::map<std::string, double>& counts, LabelPairs& labels,
                        const XMLElement& baseValues, bool underValueLabels, FieldInfo* field,
                        bool isMissing);
  // DealWithBsCatVar with the counts behind a look-up.
  void AddBaseCategories(CountLookup& countOf, LabelPairs& labels, const XMLElement& baseValues,
                         bool underValueLabels, FieldInfo* field, bool isMissing);
  void DealWithBsFlagVar(const std::map<std::string, double>& counts, LabelPairs& labels,
                         const XMLElement& baseValues, bool underValueLabels, FieldInfo* field);
  bool MappingBsCatVar(std::string& key, bool underValueLabels, XMLElement values,
                       std::string& displayLabel);
  bool MappingBsMissVar(std::string& key, bool underValueLabels, XMLElement values,
                        std::string& displayLabel);
  bool MappingBsFlagVar(std::string& key, bool underValueLabels, XMLElement values,
                        std::string& flagValue, std::string& displayLabel);
  // The index of a base field's values element, built on first use.
  const BaseValueIndex& IndexOf(const XMLElement& values);
  // Reads the describing attributes of `field` into `described`; the mask of those present.
  std::uint32_t ReadDescription(const XMLElement& field);
  // The description of a field element, from the attributes the parse read for it when it is
  // the field it tested last.
  FieldInfo::Description DescriptionOf(const XMLElement& field);

  // Missing values.
  void DealWithMissingValue(XMLElement& field, FieldInfo* info);
  void DealWithBsMissingValue(XMLElement& field, XMLElement& baseField, FieldInfo* info);
  bool GetMisValue_InBF(XMLElement baseField, LabelPairs& missing);
  bool IsIncludingUserMissing(XMLElement& field, LabelPairs& missing);

  std::unique_ptr<VnXML_1_2::XMLElement> fieldFormats;
  int numOfFields = 0;
  std::vector<FieldInfo*> fields;
  std::atomic<bool> cancelled{false};
  double unweightedCount = 0;
  double weightedCount = 0;
  double droppedCount = -1.0;
  // The state of the parse that is running (see ParseSession); null between parses.
  std::unique_ptr<ParseSession> session;
  // Changes of data helper on the fields this parser made (FieldInfo::PrepareDataHelper), read
  // by the input adapters over them.
  friend class InputAdapter;
  std::atomic<std::uint64_t> helperChanges{0};
};

}  // namespace VnKx_1_2
