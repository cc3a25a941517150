#include "external/common/VnSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace VnXML_1_2 {
namespace {

TEST(VnSettings, KeepsEverySettingInOrderAndFindsTheFirstOfAName) {
  VnSettings settings;
  EXPECT_TRUE(settings.Empty());
  settings.AddNewSetting("depth", "5", "");
  settings.AddNewSetting("fields", std::vector<std::string>{"a", "b"}, "note");
  settings.AddNewSetting("depth", "7", "");
  ASSERT_EQ(settings.Count(), 3u);
  EXPECT_EQ(settings.At(2).text, "7");
  EXPECT_EQ(settings.GetText("depth"), "5");
  EXPECT_EQ(settings.GetText("fields", "none"), "none");
  EXPECT_EQ(settings.GetText("absent", "dflt"), "dflt");
  const VnSettings::Setting* fields = settings.Find("fields");
  ASSERT_NE(fields, nullptr);
  EXPECT_EQ(fields->kind, VnSettings::Kind::kTextList);
  EXPECT_EQ(fields->texts, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(fields->extra, "note");
  EXPECT_EQ(settings.Find("absent"), nullptr);
}

TEST(VnSettings, NestedTreesAreDeepCopies) {
  VnSettings inner;
  inner.AddNewSetting("leaf", "1", "");
  VnSettings middle;
  middle.AddNewSetting("inner", inner, "");
  VnSettings outer;
  outer.AddNewSetting("middle", middle, "");
  outer.AddNewSetting("list", std::vector<VnSettings>{inner, middle}, "");

  inner.AddNewSetting("late", "x", "");  // does not reach the copies
  const VnSettings* m = outer.GetSettings("middle");
  ASSERT_NE(m, nullptr);
  const VnSettings* i = m->GetSettings("inner");
  ASSERT_NE(i, nullptr);
  EXPECT_EQ(i->GetText("leaf"), "1");
  EXPECT_EQ(i->Count(), 1u);
  const VnSettings::Setting* list = outer.Find("list");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->kind, VnSettings::Kind::kSettingsList);
  ASSERT_EQ(list->children.size(), 2u);
  EXPECT_EQ(list->children[1].GetSettings("inner")->GetText("leaf"), "1");
  EXPECT_EQ(outer.GetSettings("list"), nullptr);

  VnSettings copy = outer;
  outer = VnSettings();
  EXPECT_EQ(copy.GetSettings("middle")->GetSettings("inner")->GetText("leaf"), "1");
}

}  // namespace
}  // namespace VnXML_1_2
