#include "external/common/XMLElement.h"

#include <gtest/gtest.h>

#include <memory>

namespace VnXML_1_2 {
namespace {

TEST(VnXMLElement, BuildsReadsAndWritesATree) {
  EXPECT_EQ(XMLElement::Create(""), nullptr);
  std::unique_ptr<XMLElement> root(XMLElement::Create("FieldFormats"));
  root->AddAttribute("count", "4");
  root->AddAttribute("defaultNumberFormat", "a<b&\"c\"");
  root->AddAttribute("count", "5");
  XMLElement* number = XMLElement::Create("NumberFormat");
  number->AddAttribute("name", "NF1");
  root->AdoptChild(number);
  root->AdoptChild(nullptr);
  ASSERT_EQ(root->GetAttributeCount(), 2u);
  EXPECT_EQ(root->GetAttributeName(0), "count");
  EXPECT_EQ(root->GetAttributeValue(0), "5");
  EXPECT_TRUE(root->HasAttribute("defaultNumberFormat"));
  EXPECT_EQ(root->GetAttribute("absent"), "");
  ASSERT_EQ(root->GetChildCount(), 1u);
  EXPECT_EQ(root->FindChild("NumberFormat"), number);
  EXPECT_EQ(root->FindChild("DateFormat"), nullptr);
  EXPECT_EQ(root->ToString(),
            "<FieldFormats count=\"5\" defaultNumberFormat=\"a&lt;b&amp;&quot;c&quot;\">"
            "<NumberFormat name=\"NF1\"/></FieldFormats>");
}

TEST(VnXMLElement, DuplicateIsSeparateAndDeep) {
  std::unique_ptr<XMLElement> root(XMLElement::Create("a"));
  root->AdoptChild(XMLElement::Create("b"));
  std::unique_ptr<XMLElement> copy(root->Duplicate());
  root->AddAttribute("x", "1");
  root->AdoptChild(XMLElement::Create("c"));
  EXPECT_EQ(copy->ToString(), "<a><b/></a>");
  EXPECT_NE(copy->GetChild(0), root->GetChild(0));
}

TEST(VnXMLElement, DeepTreeIsReleasedWithoutRecursion) {
  std::unique_ptr<XMLElement> root(XMLElement::Create("a"));
  XMLElement* tip = root.get();
  for (int i = 0; i < 1000000; ++i) {
    XMLElement* child = XMLElement::Create("a");
    tip->AdoptChild(child);
    tip = child;
  }
  root.reset();
  SUCCEED();
}

}  // namespace
}  // namespace VnXML_1_2
