// The parser's readers of declared categorical and flag values, for fields and base fields.

#include <cstdint>
#include <iterator>
#include <string_view>

#include "datamodel/DataModelParser.h"
#include "datamodel/detail/BaseValueIndex.h"
#include "datamodel/detail/ParseSession.h"
#include "external/common/TextIndex.h"
#include "external/hosthelper/XMLNames.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;
using KxCppHelperV1::XMLEntities;

namespace {

// Position 0, 1 or 2 of the partition lists for a DefinePartition text, -1 for any other.
int PartitionSlot(std::string_view entity) {
  if (entity == XMLEntities::Training) return 0;
  if (entity == XMLEntities::Testing) return 1;
  if (entity == XMLEntities::Validation) return 2;
  return -1;
}

void ReserveValues(FieldInfo* field, size_t count, bool missing) {
  if (auto* text = dynamic_cast<StrFieldInfo*>(field)) {
    text->ReserveValues(count, missing);
  } else if (auto* number = dynamic_cast<NumericFieldInfo*>(field)) {
    number->ReserveValues(count, missing);
  }
}

// Adds declared values as AddValue would one by one with a frequency of 0: all at once into
// the fields this library builds.
void AddValues(FieldInfo* field, const std::vector<std::string_view>& texts, bool missing) {
  if (auto* text = dynamic_cast<StrFieldInfo*>(field)) {
    text->AddValues(texts, missing);
  } else if (auto* number = dynamic_cast<NumericFieldInfo*>(field)) {
    number->AddValues(texts, missing);
  } else {
    for (const std::string_view& value : texts) field->AddValue(std::string(value), missing, 0.0);
  }
}

double CountOf(const std::map<std::string, double>& counts, const std::string& value,
               double otherwise) {
  if (counts.empty()) return otherwise;
  const auto it = counts.find(value);
  return it == counts.end() ? otherwise : it->second;
}

}  // namespace

void DataModelParser::DealWithCatVar(XMLElement& values, FieldInfo* field, bool isMissing) {
  // The values are gathered first, so that the field's lists are sized once.
  ParseSession::DeclaredValues& declared = session->declaredScratch;
  declared.values.clear();
  declared.labels.clear();
  declared.partitionSlots.clear();
  bool anyPartition = false;
  for (XMLElementIterator it = values.getElements(XMLElements::Value); it.hasMore();) {
    std::string_view texts[std::size(DocumentKeys::kValueNames)];
    const std::uint32_t present = DocumentKeys::Read(it.next(), session->keys.value, texts);
    if (!DocumentKeys::Has(present, DocumentKeys::kValue)) continue;
    const int slot = DocumentKeys::Has(present, DocumentKeys::kPartition)
                         ? PartitionSlot(texts[DocumentKeys::kPartition])
                         : -1;
    anyPartition |= slot >= 0;
    // Copied as pointer and length: the read stored them as two words, and a view copied
    // whole would load them as one, which waits for those stores to retire.
    const std::string_view value = texts[DocumentKeys::kValue];
    const std::string_view label = texts[DocumentKeys::kValueLabel];
    declared.values.emplace_back(value.data(), value.size());
    declared.labels.emplace_back(label.data(), label.size());
    declared.partitionSlots.push_back(slot);
  }
  AddValues(field, declared.values, isMissing);
  if (isMissing) return;
  field->SetFieldLabel(std::vector<std::string>(declared.labels.begin(), declared.labels.end()));
  static const std::vector<std::string> kNoPartitionValues(3);
  static const std::vector<bool> kNoPartitionFlags(3, false);
  if (!anyPartition) {
    field->SetPartitionValue(kNoPartitionValues, kNoPartitionFlags);
    return;
  }
  std::vector<std::string> partitionValues(3);
  std::vector<bool> partitionFlags(3, false);
  for (size_t i = 0; i < declared.values.size(); ++i) {
    const int slot = declared.partitionSlots[i];
    if (slot < 0) continue;
    partitionFlags[static_cast<size_t>(slot)] = true;
    partitionValues[static_cast<size_t>(slot)] = std::string(declared.values[i]);
  }
  field->SetPartitionValue(partitionValues, partitionFlags);
}

void DataModelParser::DealWithFlagVar(XMLElement& values, FieldInfo* field) {
  std::string flagValues[2];
  std::string flagLabels[2];
  for (XMLElementIterator it = values.getElements(XMLElements::Value); it.hasMore();) {
    std::string_view texts[std::size(DocumentKeys::kValueNames)];
    const std::uint32_t present = DocumentKeys::Read(it.next(), session->keys.value, texts);
    if (!DocumentKeys::Has(present, DocumentKeys::kFlag)) continue;
    const int slot = texts[DocumentKeys::kFlag] == "true" ? 0 : 1;
    flagValues[slot] = texts[DocumentKeys::kValue];
    flagLabels[slot] = texts[DocumentKeys::kValueLabel];
    field->SetBinaryFlagValue(slot);
  }
  field->AddValue(flagValues[0], false, 0.0);
  field->AddValue(flagValues[1], false, 0.0);
  field->SetFieldLabel({flagLabels[0], flagLabels[1]});
}

bool DataModelParser::GetDspLabels_InPF(XMLElement field, XMLElement& values, LabelPairs& labels) {
  if (!field.isValid()) return false;
  const XMLElement first = field.getElementsDirect(XMLElements::Values).next();
  if (!first.isValid()) return false;
  values = first;
  for (XMLElementIterator it = values.getElements(XMLElements::Value); it.hasMore();) {
    std::string_view texts[std::size(DocumentKeys::kValueNames)];
    const std::uint32_t present = DocumentKeys::Read(it.next(), session->keys.value, texts);
    if (!DocumentKeys::Has(present, DocumentKeys::kValue)) continue;
    labels.emplace_back(texts[DocumentKeys::kValueLabel], texts[DocumentKeys::kValue]);
  }
  return !labels.empty();
}

const BaseValueIndex& DataModelParser::IndexOf(const XMLElement& values) {
  if (!session->baseValueIndex || !session->baseValueIndex->Covers(values)) {
    session->baseValueIndex = std::make_unique<BaseValueIndex>(values, session->keys);
  }
  return *session->baseValueIndex;
}

bool DataModelParser::MappingBsCatVar(std::string& key, bool underValueLabels, XMLElement values,
                                      std::string& displayLabel) {
  if (key.empty() || !values.isValid()) return false;
  const BaseValueIndex& index = IndexOf(values);
  const BaseValueIndex::Entry* match = index.Category(key);
  if (match != nullptr) {
    displayLabel.assign(match->displayLabel);
    return true;
  }
  // Without a match, a walk that is not under value labels leaves the last label it examined.
  const BaseValueIndex::Entry* last = index.LastCategory();
  if (!underValueLabels && last != nullptr) displayLabel.assign(last->displayLabel);
  return false;
}

bool DataModelParser::MappingBsMissVar(std::string& key, bool underValueLabels, XMLElement values,
                                       std::string& displayLabel) {
  return MappingBsCatVar(key, underValueLabels, values, displayLabel);
}

bool DataModelParser::MappingBsFlagVar(std::string& key, bool /*underValueLabels*/,
                                       XMLElement values, std::string& flagValue,
                                       std::string& displayLabel) {
  if (key.empty() || !values.isValid()) return false;
  const BaseValueIndex& index = IndexOf(values);
  const BaseValueIndex::Entry* match = index.Flag(key);
  const BaseValueIndex::Entry* seen = match != nullptr ? match : index.LastFlag();
  if (seen != nullptr) {
    flagValue.assign(seen->flagValue);
    displayLabel.assign(seen->displayLabel);
  }
  return match != nullptr;
}

void DataModelParser::DealWithBsCatVar(const std::map<std::string, double>& counts,
                                       LabelPairs& labels, const XMLElement& baseValues,
                                       bool underValueLabels, FieldInfo* field, bool isMissing) {
  if (labels.empty() || field == nullptr) return;
  CountLookup countOf(counts);
  AddBaseCategories(countOf, labels, baseValues, underValueLabels, field, isMissing);
}

void DataModelParser::AddBaseCategories(CountLookup& countOf, LabelPairs& labels,
                                        const XMLElement& baseValues, bool underValueLabels,
                                        FieldInfo* field, bool isMissing) {
  if (labels.empty() || field == nullptr) return;
  std::vector<std::string> displayLabels;
  displayLabels.reserve(labels.size());
  ReserveValues(field, labels.size(), isMissing);
  for (auto& [label, value] : labels) {
    std::string key = isMissing ? value : label;
    std::string display;
    if (underValueLabels) MappingBsCatVar(key, true, baseValues, display);
    displayLabels.push_back(std::move(display));
    if (isMissing) {
      field->AddValue(value, true, 0.0);
    } else {
      field->AddValue(label, false, countOf(value, 0.0));
    }
  }
  if (!isMissing) field->SetFieldLabel(std::move(displayLabels));
}

void DataModelParser::DealWithBsFlagVar(const std::map<std::string, double>& counts,
                                        LabelPairs& labels, const XMLElement& baseValues,
                                        bool underValueLabels, FieldInfo* field) {
  if (labels.empty() || field == nullptr) return;
  std::string flagValues[2];
  std::string flagLabels[2];
  double frequencies[2] = {0.0, 0.0};
  for (auto& [label, value] : labels) {
    std::string flag;
    std::string display;
    std::string key = label;
    MappingBsFlagVar(key, underValueLabels, baseValues, flag, display);
    const int slot = flag == "true" ? 0 : 1;
    flagValues[slot] = label;
    flagLabels[slot] = display;
    frequencies[slot] = CountOf(counts, value, frequencies[slot]);
    if (!flagValues[slot].empty()) field->AddValue(flagValues[slot], false, frequencies[slot]);
    if (slot == 0) field->SetBinaryFlagValue(value == "0" ? 0 : 1);
  }
  std::vector<std::string> displayLabels;
  for (int slot = 0; slot < 2; ++slot) {
    if (!flagValues[slot].empty()) displayLabels.push_back(flagLabels[slot]);
  }
  field->SetFieldLabel(std::move(displayLabels));
}

}  // namespace VnKx_1_2
