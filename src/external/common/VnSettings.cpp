#include "external/common/VnSettings.h"

namespace VnXML_1_2 {

VnSettings::VnSettings() = default;
VnSettings::VnSettings(const VnSettings&) = default;
VnSettings& VnSettings::operator=(const VnSettings&) = default;
VnSettings::VnSettings(VnSettings&&) noexcept = default;
VnSettings& VnSettings::operator=(VnSettings&&) noexcept = default;
VnSettings::~VnSettings() = default;

void VnSettings::AddNewSetting(const std::string& name, const std::string& value,
                               const std::string& extra) {
  Setting setting;
  setting.name = name;
  setting.kind = Kind::kText;
  setting.text = value;
  setting.extra = extra;
  settings_.push_back(std::move(setting));
}

void VnSettings::AddNewSetting(const std::string& name, const VnSettings& value,
                               const std::string& extra) {
  Setting setting;
  setting.name = name;
  setting.kind = Kind::kSettings;
  setting.children.push_back(value);
  setting.extra = extra;
  settings_.push_back(std::move(setting));
}

void VnSettings::AddNewSetting(const std::string& name, const std::vector<std::string>& values,
                               const std::string& extra) {
  Setting setting;
  setting.name = name;
  setting.kind = Kind::kTextList;
  setting.texts = values;
  setting.extra = extra;
  settings_.push_back(std::move(setting));
}

void VnSettings::AddNewSetting(const std::string& name, const std::vector<VnSettings>& values,
                               const std::string& extra) {
  Setting setting;
  setting.name = name;
  setting.kind = Kind::kSettingsList;
  setting.children = values;
  setting.extra = extra;
  settings_.push_back(std::move(setting));
}

void VnSettings::AddNewSetting(const std::string& name, VnSettings&& value,
                               const std::string& extra) {
  Setting setting;
  setting.name = name;
  setting.kind = Kind::kSettings;
  setting.children.push_back(std::move(value));
  setting.extra = extra;
  settings_.push_back(std::move(setting));
}

void VnSettings::AddNewSetting(const std::string& name, std::vector<VnSettings>&& values,
                               const std::string& extra) {
  Setting setting;
  setting.name = name;
  setting.kind = Kind::kSettingsList;
  setting.children = std::move(values);
  setting.extra = extra;
  settings_.push_back(std::move(setting));
}

const VnSettings::Setting* VnSettings::Find(const std::string& name) const {
  for (const Setting& setting : settings_) {
    if (setting.name == name) return &setting;
  }
  return nullptr;
}

std::string VnSettings::GetText(const std::string& name, const std::string& fallback) const {
  const Setting* setting = Find(name);
  return setting != nullptr && setting->kind == Kind::kText ? setting->text : fallback;
}

const VnSettings* VnSettings::GetSettings(const std::string& name) const {
  const Setting* setting = Find(name);
  return setting != nullptr && setting->kind == Kind::kSettings ? &setting->children.front()
                                                                : nullptr;
}

}  // namespace VnXML_1_2
