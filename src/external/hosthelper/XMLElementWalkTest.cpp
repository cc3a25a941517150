// The element interface: walks and searches, invalid elements, attribute keys, numbers.

#include "external/hosthelper/XMLDocument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "external/hosthelper/BufferHelper.h"
#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/XMLNames.h"
#include "external/hosthelper/detail/XMLTestSupport.h"

namespace KxCppHelperV1 {
namespace {

using testing::kNested;
using testing::Names;

TEST(XMLElementSearch, AnyDepthWalkIncludesNestedElementsInDocumentOrder) {
  const XMLDocument doc = HostHelper::createFromContents(kNested);
  const XMLElement fields = doc.getElement(XMLElements::Fields);
  EXPECT_EQ(Names(fields.getElements(XMLElements::Field)),
            (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(Names(fields.getElementsDirect(XMLElements::Field)),
            (std::vector<std::string>{"a", "d"}));
  EXPECT_EQ(fields.getElement(XMLElements::Field).getAttribute("name"), "a");
  EXPECT_EQ(Names(fields.getElements("")),
            (std::vector<std::string>{"a", "BaseField", "b", "Other", "c", "d"}));
  EXPECT_EQ(Names(fields.getElementsDirect("")), (std::vector<std::string>{"a", "Other", "d"}));
  // Each walked element's parent: the scope for direct children, a deeper element otherwise.
  for (XMLElementIterator it = fields.getElements(""); it.hasMore();) {
    const XMLElement element = it.next();
    const std::string label =
        element.hasAttribute("name") ? element.getAttribute("name") : element.getName();
    EXPECT_EQ(element.getParent() == fields, label == "a" || label == "Other" || label == "d")
        << label;
  }
  EXPECT_FALSE(XMLElement(doc).getParent().isValid());
  EXPECT_FALSE(XMLElement().getParent().isValid());
}

TEST(XMLElementSearch, WalkStaysInsideItsScope) {
  const XMLDocument doc = HostHelper::createFromContents(kNested);
  XMLElementIterator fields = doc.getElements(XMLElements::Field);
  const XMLElement a = fields.next();
  EXPECT_EQ(Names(a.getElements(XMLElements::Field)), (std::vector<std::string>{"b"}));
  const XMLElement d =
      doc.getElementsDirect(XMLElements::Fields).next().getElementsDirect("Field").next();
  EXPECT_EQ(d.getAttribute("name"), "a");
  EXPECT_FALSE(doc.getElement(XMLElements::Field).getElement("Nothing").isValid());
}

TEST(XMLElementSearch, SkippedChildrenAreLeftOutAndTheNextMatchIsFoundWhenAskedFor) {
  XMLDocument doc = HostHelper::createFromContents(kNested);
  const XMLElement fields = doc.getElement(XMLElements::Fields);
  // Skipping after "a" leaves out "b", its descendant; asking twice changes nothing; skipping
  // before the first element or in a direct walk leaves the walk as it was.
  std::vector<std::string> seen;
  XMLElementIterator it = fields.getElements(XMLElements::Field);
  it.skipChildren();
  while (it.hasMore() && it.hasMore()) {
    const XMLElement field = it.next();
    seen.push_back(field.getAttribute("name"));
    it.skipChildren();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "c", "d"}));
  XMLElementIterator direct = fields.getElementsDirect("");
  direct.next();
  direct.skipChildren();
  EXPECT_EQ(direct.next().getName(), "Other");

  // The match after an element is looked for once asked for, in the tree as it then stands: a
  // child added to the element just returned is walked next.
  XMLElementIterator growing = fields.getElements(XMLElements::Field);
  for (const char* name : {"a", "b", "c"}) EXPECT_EQ(growing.next().getAttribute("name"), name);
  XMLElement last = growing.next();
  EXPECT_EQ(last.getAttribute("name"), "d");
  last.addElement(XMLElements::Field).addAttribute("name", "e");
  ASSERT_TRUE(growing.hasMore());
  EXPECT_EQ(growing.next().getAttribute("name"), "e");
  EXPECT_FALSE(growing.hasMore());
}

TEST(XMLElementSearch, DocumentStandsForItsRootAndSearchesBelowIt) {
  const XMLDocument doc =
      HostHelper::createFromContents("<Field name='root'><Field name='x'/></Field>");
  EXPECT_EQ(doc.getName(), "Field");
  EXPECT_EQ(Names(doc.getElements(XMLElements::Field)), (std::vector<std::string>{"x"}));
  EXPECT_EQ(doc.getAttribute("name"), "root");
}

TEST(XMLElementSearch, IteratorEndsWithInvalidElements) {
  const XMLDocument doc = HostHelper::createFromContents("<r><a/></r>");
  XMLElementIterator it = doc.getElements("a");
  ASSERT_TRUE(it.hasMore());
  EXPECT_TRUE(it.next().isValid());
  EXPECT_FALSE(it.hasMore());
  EXPECT_FALSE(it.next().isValid());
}

TEST(XMLElementSearch, NamesOfEveryLengthAreToldApartAtEachByte) {
  // Element and attribute names are compared a word at a time; a name that differs from one in
  // the document in any single byte, of any length, must not be taken for it.
  for (size_t length = 1; length <= 20; ++length) {
    std::string name;
    for (size_t i = 0; i < length; ++i) name += static_cast<char>('a' + i);
    XMLDocument doc = HostHelper::createFromContents("<r><" + name + " " + name + "='v'/></r>");
    const XMLElement found = doc.getElement(name);
    ASSERT_TRUE(found.isValid()) << name;
    EXPECT_EQ(found.getAttribute(name), "v");
    for (size_t at = 0; at < length; ++at) {
      std::string other = name;
      other[at] = 'Z';
      EXPECT_FALSE(doc.getElement(other).isValid()) << other;
      EXPECT_FALSE(found.hasAttribute(other.c_str())) << other;
    }
    EXPECT_FALSE(doc.getElement(name + "a").isValid());
    EXPECT_FALSE(found.hasAttribute(name.substr(1).c_str()));
    // A name first added after the parse is found by walks started after the addition.
    doc.addElement(name + "Added");
    EXPECT_EQ(doc.getElementsDirect(name + "Added").next().getName(), name + "Added");
  }
}

TEST(XMLElementInvalid, SearchesAreEmptyReadsAndAdditionsThrow) {
  for (const XMLElement& element : {XMLElement(), static_cast<XMLElement>(XMLDocument()),
                                    static_cast<XMLElement>(XMLDocument(nullptr))}) {
    EXPECT_FALSE(element.isValid());
    EXPECT_EQ(element.getName(), "");
    EXPECT_FALSE(element.hasAttribute("name"));
    EXPECT_FALSE(element.getElement("a").isValid());
    EXPECT_FALSE(element.getElements("a").hasMore());
    EXPECT_FALSE(element.getElementsDirect("").hasMore());
    std::string text;
    double number = 0;
    std::int64_t integer = 0;
    EXPECT_THROW(element.getAttribute("name"), XMLException);
    EXPECT_THROW(element.getAttribute("name", text), XMLException);
    EXPECT_THROW(element.getAttribute("name", number), XMLException);
    EXPECT_THROW(element.getAttribute("name", integer), XMLException);
    const XMLElement::AttributeKey key = element.attributeKey("name");
    std::string_view view;
    EXPECT_THROW(element.getAttributes(&key, &view, 1), XMLException);
    XMLElement copy = element;
    EXPECT_THROW(copy.addElement("a"), XMLException);
    EXPECT_THROW(copy.addAttribute("a", "b"), XMLException);
    EXPECT_THROW(copy.addText("t"), XMLException);
    EXPECT_THROW(copy.doc2string(), XMLException);
  }
}

TEST(XMLElementAttributeKeys, OnePassReadsAnswerAsReadsByName) {
  XMLDocument document = HostHelper::createFromContents(
      "<r z0='0'><e b='2' a='1' c='' d='x&amp;y'/><f/><g a='3' b='4'/></r>");
  XMLElement root = document;
  const XMLElement e = root.getElement("e");
  const char* const names[] = {"a", "b", "c", "d", "absent"};
  XMLElement::AttributeKey keys[5];
  for (int i = 0; i < 5; ++i) keys[i] = e.attributeKey(names[i]);
  std::string_view values[5] = {"-", "-", "-", "-", "untouched"};
  EXPECT_EQ(e.getAttributes(keys, values, 5), 0b01111u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(values[i], e.getAttribute(names[i])) << names[i];
  EXPECT_EQ(values[3], "x&y");
  EXPECT_EQ(values[4], "untouched");
  // The keys serve every element of the document.
  EXPECT_EQ(root.getElement("f").getAttributes(keys, values, 5), 0u);
  EXPECT_EQ(root.getElement("g").getAttributes(keys, values, 2), 0b11u);
  EXPECT_EQ(values[0], "3");
  EXPECT_EQ(values[1], "4");
  // Keys of another document, whose names sit at other indexes, and keys made without a
  // document match by text.
  XMLDocument other = HostHelper::createFromContents("<q absent='' d='' a=''/>");
  const XMLElement q = other;
  const XMLElement::AttributeKey byText[] = {q.attributeKey("a"), q.attributeKey("absent"),
                                             XMLElement().attributeKey("d")};
  std::string_view read[3];
  EXPECT_EQ(e.getAttributes(byText, read, 3), 0b101u);
  EXPECT_EQ(read[0], "1");
  EXPECT_EQ(read[2], "x&y");
  // A name the document did not hold when the key was made stays unmatched.
  XMLElement changed = e;
  changed.addAttribute("absent", "now");
  EXPECT_EQ(changed.getAttributes(&keys[4], values, 1), 0u);
  EXPECT_EQ(changed.getAttributes(&byText[1], values, 1), 1u);
  EXPECT_EQ(values[0], "now");
  // The answer is a 32-bit mask: a 33rd key is refused, not read past it.
  std::vector<XMLElement::AttributeKey> many(33, e.attributeKey("a"));
  std::vector<std::string_view> answers(33);
  EXPECT_NO_THROW(e.getAttributes(many.data(), answers.data(), 32));
  EXPECT_THROW(e.getAttributes(many.data(), answers.data(), 33), XMLException);
}

struct NumberCase {
  const char* text;
  bool ok;
  double value;
};

TEST(XMLElementNumbers, DoubleReadsAcceptNumbersOnlyAndKeepInfinitiesAndNaN) {
  const double inf = std::numeric_limits<double>::infinity();
  const NumberCase cases[] = {
      {"12.5", true, 12.5}, {" 7 ", true, 7},       {"+3", true, 3},    {"-0.25e2", true, -25},
      {"1e999", true, inf}, {"-1e999", true, -inf}, {"inf", true, inf}, {"-Infinity", true, -inf},
      {"INF", true, inf},   {"abc", false, 0},      {"", false, 0},     {"12abc", false, 0},
      {"1,5", false, 0},    {"+-1", false, 0},      {"0x10", false, 0},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.text);
    XMLDocument doc = HostHelper::createNew("r");
    doc.addAttribute("v", c.text);
    double value = 99.0;
    EXPECT_EQ(doc.getAttribute("v", value), c.ok);
    EXPECT_EQ(value, c.ok ? c.value : 99.0);
  }
  XMLDocument doc = HostHelper::createFromContents("<r v='nan'/>");
  double value = 0;
  EXPECT_TRUE(doc.getAttribute("v", value));
  EXPECT_TRUE(std::isnan(value));
  value = 5;
  EXPECT_FALSE(doc.getAttribute("absent", value));
  EXPECT_EQ(value, 5);
}

TEST(XMLElementNumbers, IntegerReadsKeepSixtyFourBitsAndTruncateDecimals) {
  struct Case {
    const char* text;
    bool ok;
    std::int64_t value;
  };
  const Case cases[] = {
      {"4294967297", true, 4294967297LL},
      {"-9223372036854775808", true, INT64_MIN},
      {"3.9", true, 3},
      {"-3.9", true, -3},
      {" 12 ", true, 12},
      {"1e30", false, 0},
      {"inf", false, 0},
      {"seven", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    XMLDocument doc = HostHelper::createNew("r");
    doc.addAttribute("v", c.text);
    std::int64_t value = 77;
    EXPECT_EQ(doc.getAttribute("v", value), c.ok);
    EXPECT_EQ(value, c.ok ? c.value : 77);
  }
}

}  // namespace
}  // namespace KxCppHelperV1
