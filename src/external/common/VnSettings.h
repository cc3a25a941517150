#pragma once

// A settings tree: named settings in the order added, each a text, a nested VnSettings, a list
// of texts or a list of VnSettings, plus a free text that the adder may attach. A repeated name
// is kept; look-ups by name give the first setting of that name. A value type (deep copies).

#include <cstddef>
#include <string>
#include <vector>

#include "external/common/VnExport.h"

namespace VnXML_1_2 {

class VNCOMMON_API VnSettings {
 public:
  enum class Kind { kText, kSettings, kTextList, kSettingsList };

  struct Setting {
    std::string name;
    Kind kind = Kind::kText;
    std::string text;                  // kText
    std::vector<std::string> texts;    // kTextList
    std::vector<VnSettings> children;  // kSettings (exactly one) and kSettingsList
    std::string extra;                 // the third argument of AddNewSetting
  };

  VnSettings();
  VnSettings(const VnSettings&);
  VnSettings& operator=(const VnSettings&);
  VnSettings(VnSettings&&) noexcept;
  VnSettings& operator=(VnSettings&&) noexcept;
  ~VnSettings();

  void AddNewSetting(const std::string& name, const std::string& value, const std::string& extra);
  void AddNewSetting(const std::string& name, const VnSettings& value, const std::string& extra);
  void AddNewSetting(const std::string& name, const std::vector<std::string>& values,
                     const std::string& extra);
  void AddNewSetting(const std::string& name, const std::vector<VnSettings>& values,
                     const std::string& extra);
  // The same, taking the nested settings over without copying them.
  void AddNewSetting(const std::string& name, VnSettings&& value, const std::string& extra);
  void AddNewSetting(const std::string& name, std::vector<VnSettings>&& values,
                     const std::string& extra);

  std::size_t Count() const { return settings_.size(); }
  bool Empty() const { return settings_.empty(); }
  const Setting& At(std::size_t index) const { return settings_[index]; }
  // The first setting named `name`, or null.
  const Setting* Find(const std::string& name) const;
  // The text of the first text setting named `name`, or `fallback`.
  std::string GetText(const std::string& name, const std::string& fallback = "") const;
  // The nested settings of the first setting named `name` when it holds one, or null.
  const VnSettings* GetSettings(const std::string& name) const;

 private:
  std::vector<Setting> settings_;
};

}  // namespace VnXML_1_2
