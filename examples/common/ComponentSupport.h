#pragma once

// What the sample components share: their message codes, settings read from the parameter
// document, and the choice of records by partition.

#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "external/common/RawRecord.h"
#include "external/common/VnSettings.h"
#include "fields/FieldInfo.h"
#include "input/InputAdapter.h"

namespace VnKxExample {

// The sample components' message codes (the host holds their texts).
enum Code : int {
  kParameterMissing = 250001,
  kNoSuchField = 250002,
  kTargetNotContinuous = 250003,
  kNoUsableRecords = 250004,
  kSingularDesign = 250005,
  kHostFailure = 250006,
  kNoInput = 250007,
  kBadParameter = 250008,
  kUnknownParameter = 250009,
  kNotAnInput = 250010,
  kNoSuchCategoricalInput = 250011,
  kNoSuchLevel = 250012,
};

// Names joined with ", ", as a diagnostic lists the valid ones.
inline std::string Joined(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

// A setting's text, or `fallback` when it is absent.
inline std::string Text(const VnXML_1_2::VnSettings& settings, const std::string& name,
                        const std::string& fallback) {
  return settings.GetText(name, fallback);
}

// A list setting: a text list, or one comma-separated text.
inline std::vector<std::string> List(const VnXML_1_2::VnSettings& settings,
                                     const std::string& name) {
  std::vector<std::string> items;
  const VnXML_1_2::VnSettings::Setting* setting = settings.Find(name);
  if (setting == nullptr) return items;
  if (setting->kind == VnXML_1_2::VnSettings::Kind::kTextList) return setting->texts;
  std::string item;
  for (const char c : setting->text + ",") {
    if (c != ',') {
      item += c;
    } else if (!item.empty()) {
      items.push_back(item);
      item.clear();
    }
  }
  return items;
}

// The text of a raw cell, as a category is named: texts as they are, integers in decimal,
// other numbers in their shortest form.
inline std::string CellText(const VnCommon_1_2::RawData& cell) {
  char text[32];
  switch (cell.GetType()) {
    case VnCommon_1_2::RawData::kText:
      return cell.GetString();
    case VnCommon_1_2::RawData::kInteger: {
      const auto r = std::to_chars(text, text + sizeof(text), cell.GetInteger());
      return std::string(text, r.ptr);
    }
    default: {
      const auto r = std::to_chars(text, text + sizeof(text), cell.GetDouble());
      return std::string(text, r.ptr);
    }
  }
}

// Which records take part: those whose partition field holds the chosen partition's value.
class PartitionFilter {
 public:
  // `choice` is "training", "testing", "validation" or "all". Without a partition field, or
  // with "all", every record takes part.
  PartitionFilter(VnKx_1_2::InputAdapter& adapter, const std::vector<VnKx_1_2::FieldInfo*>& fields,
                  const std::string& choice) {
    static const char* const kChoices[] = {"training", "testing", "validation"};
    std::string name;
    if (choice == "all" || !adapter.GetPartitionFieldName(name)) return;
    for (int slot = 0; slot < 3; ++slot) {
      if (choice != kChoices[slot]) continue;
      for (const int position : adapter.GetFieldIndexVector()) {
        VnKx_1_2::FieldInfo* field = fields[static_cast<size_t>(position)];
        if (field->GetFieldName() != name) continue;
        std::vector<std::string> values;
        std::vector<bool> flags;
        field->GetPartitionValue(values, flags);
        if (!flags[static_cast<size_t>(slot)]) return;
        cell_ = field->GetIndexInVarList();
        value_ = values[static_cast<size_t>(slot)];
        active_ = true;
      }
    }
  }
  bool Active() const { return active_; }
  const std::string& Value() const { return value_; }
  bool Accepts(const VnCommon_1_2::RawRecord& record) const {
    if (!active_) return true;
    const VnCommon_1_2::RawData& cell = record[static_cast<size_t>(cell_)];
    return !cell.IsMissing() && CellText(cell) == value_;
  }

 private:
  bool active_ = false;
  int cell_ = 0;
  std::string value_;
};

}  // namespace VnKxExample
