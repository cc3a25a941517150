#include "settings/VnSettingsFactory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Status.h"
#include "external/hosthelper/HostHelper.h"

namespace VnCommon_1_2 {
namespace {

using VnXML_1_2::VnSettings;

unsigned int Make(const std::string& body, VnSettings& settings) {
  KxCppHelperV1::XMLDocument doc =
      KxCppHelperV1::HostHelper::createFromContents("<Parameters>" + body + "</Parameters>");
  int error = -1;
  const unsigned int status = VnSettingsFactory::MakeModelSettings(doc, settings, &error);
  EXPECT_EQ(error, -1);
  return status;
}

TEST(VnSettingsFactory, PlainValuesAndEmptyDocuments) {
  VnSettings settings;
  EXPECT_EQ(Make("", settings), VnKx_1_2::StatusOk);
  EXPECT_TRUE(settings.Empty());
  EXPECT_EQ(Make("<Parameter name='a' value='1'><StructuredValue/></Parameter>"
                 "<Other name='x' value='y'/>"
                 "<Parameter name='b'><Other/><ListValue><Value value='v'/></ListValue></Parameter>"
                 "<Parameter name='c'/>"
                 "<Parameter name='a' value='2'/>",
                 settings),
            VnKx_1_2::StatusOk);
  ASSERT_EQ(settings.Count(), 2u);
  EXPECT_EQ(settings.At(0).kind, VnSettings::Kind::kText);
  EXPECT_EQ(settings.At(0).text, "1");
  EXPECT_EQ(settings.At(0).extra, "");
  EXPECT_EQ(settings.At(1).text, "2");
}

TEST(VnSettingsFactory, ListsAndStructuresNest) {
  VnSettings settings;
  ASSERT_EQ(Make("<Parameter name='list'><ListValue>"
                 "<Value value='a'/><Value/><Value value='c'/></ListValue></Parameter>"
                 "<Parameter name='mixed'><ListValue><StructuredValue>"
                 "<Attribute name='k' value='1'/></StructuredValue><Value value='t'/>"
                 "<StructuredValue/></ListValue></Parameter>"
                 "<Parameter name='deep'><StructuredValue><Attribute value='skipped'/>"
                 "<Attribute name='l2'><StructuredValue><Attribute name='l3'><StructuredValue>"
                 "<Attribute name='leaf' value='x'/><Attribute name=''/>"
                 "</StructuredValue></Attribute></StructuredValue></Attribute>"
                 "</StructuredValue></Parameter>",
                 settings),
            VnKx_1_2::StatusOk);
  ASSERT_EQ(settings.Count(), 4u);
  EXPECT_EQ(settings.At(0).texts, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(settings.At(1).name, "mixed");
  EXPECT_EQ(settings.At(1).texts, std::vector<std::string>{"t"});
  EXPECT_EQ(settings.At(2).name, "mixed");
  ASSERT_EQ(settings.At(2).kind, VnSettings::Kind::kSettingsList);
  ASSERT_EQ(settings.At(2).children.size(), 2u);
  EXPECT_EQ(settings.At(2).children[0].GetText("k"), "1");
  EXPECT_TRUE(settings.At(2).children[1].Empty());
  const VnSettings* deep = settings.GetSettings("deep");
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(deep->Count(), 1u);
  const VnSettings* l3 = deep->GetSettings("l2")->GetSettings("l3");
  ASSERT_NE(l3, nullptr);
  EXPECT_EQ(l3->GetText("leaf"), "x");
  EXPECT_EQ(l3->Count(), 1u);  // the nameless-but-present attribute adds nothing
}

TEST(VnSettingsFactory, NamelessParameterStopsTheWalk) {
  VnSettings settings;
  EXPECT_EQ(Make("<Parameter name='first' value='1'/><Parameter value='2'/>"
                 "<Parameter name='third' value='3'/>",
                 settings),
            VnKx_1_2::StatusDocumentError);
  ASSERT_EQ(settings.Count(), 1u);
  EXPECT_EQ(settings.At(0).name, "first");
  VnSettings other;
  EXPECT_EQ(Make("<Parameter name='' value='2'/>", other), VnKx_1_2::StatusDocumentError);
}

std::string Nested(int depth) {
  std::string text = "<Parameter name='p'>";
  for (int i = 0; i < depth; ++i) text += "<StructuredValue><Attribute name='a'>";
  text += "<StructuredValue><Attribute name='leaf' value='1'/></StructuredValue>";
  for (int i = 0; i < depth; ++i) text += "</Attribute></StructuredValue>";
  return text + "</Parameter>";
}

TEST(VnSettingsFactory, DeepNestingIsRefusedNotOverflowed) {
  VnSettings settings;
  settings.AddNewSetting("before", "kept", "");
  EXPECT_EQ(Make(Nested(100000), settings), VnKx_1_2::StatusDocumentError);
  EXPECT_EQ(settings.Count(), 1u);
  VnSettings ok;
  EXPECT_EQ(Make(Nested(VnSettingsFactory::kMaxNesting - 1), ok), VnKx_1_2::StatusOk);
  const VnSettings* level = &ok;
  int depth = 0;
  while (level->GetSettings("a") != nullptr || level->GetSettings("p") != nullptr) {
    level = level->GetSettings("a") != nullptr ? level->GetSettings("a") : level->GetSettings("p");
    ++depth;
  }
  EXPECT_EQ(level->GetText("leaf"), "1");
  EXPECT_EQ(depth, VnSettingsFactory::kMaxNesting);
}

}  // namespace
}  // namespace VnCommon_1_2
