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

TEST(XMLDocumentParse, MalformedTextThrows) {
  for (const char* text :
       {"", "   ", "plain text", "<a>", "<a></b>", "<a x=1/>", "<!-- c -->", "<a><b></a></b>"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(HostHelper::createFromContents(text), XMLException);
  }
  EXPECT_THROW(HostHelper::createFromContents(static_cast<const char*>(nullptr)), XMLException);
  EXPECT_THROW(HostHelper::createNew(""), XMLException);
}

TEST(XMLDocumentParse, MarkupRulesOfWellFormedText) {
  for (const char* text :
       {"<a/><b/>", "<a/>tail", "text<a/>", "<a x='1'y='2'/>", "<a x='1/>", "<a x/>",
        "<a><!-- open </a>", "<a><![CDATA[open</a>", "<a><?pi </a>", "<a/><!DOCTYPE a>",
        "<a></a >x", "<a></ab>", "<ab></a>", "<1a/>", "<a>&lt;", "<a b='&amp;'></a"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(HostHelper::createFromContents(text), XMLException);
  }
  const XMLDocument doc = HostHelper::createFromContents(
      "\xEF\xBB\xBF<?xml version='1.0'?>\n<!DOCTYPE r [<!-- a > b --><!ENTITY e '>'>]>\n"
      "<r a = \"x'y\" b='q\"&lt;&#65;&#x42;&#x20AC;&e;'\tc='1\r\n2\t3'>"
      "<!-- note --><t>x &amp; y\r\nz</t><c><![CDATA[<raw> & ]]></c>  <e   /><?pi x?>"
      "<m>one<i/>two</m><z><![CDATA[]]></z></r >\n<!-- after -->\n");
  EXPECT_EQ(doc.getName(), "r");
  EXPECT_EQ(doc.getAttribute("a"), "x'y");
  EXPECT_EQ(doc.getAttribute("b"), "q\"<AB\xE2\x82\xAC>");
  // Line ends and tabs in attribute values read as spaces; in text a line end reads as "\n".
  EXPECT_EQ(doc.getAttribute("c"), "1 2 3");
  EXPECT_EQ(doc.getElement("t").getText(), "x & y\nz");
  EXPECT_EQ(doc.getElement("c").getText(), "<raw> & ");
  EXPECT_EQ(doc.getElement("m").getText(), "onetwo");
  EXPECT_EQ(Names(doc.getElementsDirect("")), (std::vector<std::string>{"t", "c", "e", "m", "z"}));
  EXPECT_NE(doc.doc2string().find("<z/>"), std::string::npos);
  // Whitespace between elements is not text; text keeps its own spaces.
  EXPECT_EQ(doc.getElement("e").getText(), "");
  EXPECT_EQ(HostHelper::createFromContents("<r>  a b  </r>").getText(), "  a b  ");
  EXPECT_EQ(
      HostHelper::createFromContents(std::string("<r><x/></r>\0<garbage", 20).c_str()).doc2string(),
      "<r><x/></r>");
}

TEST(XMLDocumentParse, TextEndsAtItsFirstZeroByteWhereverItLies) {
  // The zero at every offset around the sixteen- and thirty-two-byte blocks of the first pass.
  for (size_t pad = 0; pad <= 140; ++pad) {
    const std::string document = "<r a='" + std::string(pad, '=') + "'/>";
    const std::string text = document + std::string(1, '\0') + "<garbage " + std::string(pad, '<');
    EXPECT_EQ(HostHelper::createFromContents(text).getAttribute("a"), std::string(pad, '=')) << pad;
  }
}

TEST(XMLDocumentParse, AttributesFarFromTheirNamesAndLongNames) {
  const std::string gap(70000, ' ');
  const XMLDocument far = HostHelper::createFromContents("<r a" + gap + "=" + gap + "'x' b='y'/>");
  EXPECT_EQ(far.getAttribute("a"), "x");
  EXPECT_EQ(far.getAttribute("b"), "y");
  EXPECT_EQ(far.doc2string(), "<r a=\"x\" b=\"y\"/>");
  // Names of any length, parsed and added, each kept once however often it is used.
  const std::string longName(70000, 'n');
  const XMLDocument parsed = HostHelper::createFromContents("<r " + longName + "='1'><" + longName +
                                                            " " + longName + "='2'/></r>");
  EXPECT_EQ(parsed.getAttribute(longName), "1");
  EXPECT_EQ(parsed.getElement(longName).getAttribute(longName), "2");
  XMLDocument doc = HostHelper::createNew("r");
  doc.addAttribute(longName, "v");
  doc.addElement(longName).addAttribute(longName, "w");
  EXPECT_EQ(doc.getAttribute(longName), "v");
  EXPECT_EQ(HostHelper::createFromContents(doc.doc2string()).doc2string(), doc.doc2string());
}

TEST(XMLDocumentParse, SiblingsWithNamesAlikeButNotTheSame) {
  // Like siblings are read by their predecessor's names: names that share a prefix or their
  // first eight bytes, attributes in another order, and a name at the very end must still read
  // as written.
  const XMLDocument doc = HostHelper::createFromContents(
      "<r><item name='1' displayLabelA='a'/><item names='2' displayLabelB='b'/>"
      "<item nam='3' displayLabel='c'/><items name='4'/><item displayLabelA='d' name='5'/>"
      "<itemsAndMore x='6'/><itemsAndMost x='7'/><i/></r>");
  std::vector<std::string> seen;
  for (XMLElementIterator it = doc.getElementsDirect(""); it.hasMore();) {
    const XMLElement e = it.next();
    std::string line = e.getName();
    for (const char* name :
         {"name", "names", "nam", "displayLabel", "displayLabelA", "displayLabelB", "x"}) {
      if (e.hasAttribute(name)) line += std::string(" ") + name + "=" + e.getAttribute(name);
    }
    seen.push_back(line);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "item name=1 displayLabelA=a", "item names=2 displayLabelB=b",
                      "item nam=3 displayLabel=c", "items name=4", "item name=5 displayLabelA=d",
                      "itemsAndMore x=6", "itemsAndMost x=7", "i"}));
  EXPECT_EQ(HostHelper::createFromContents("<a b='1'/>").getAttribute("b"), "1");
  // Names expected from an earlier element of the same shape, which this one departs from.
  const std::string shapes =
      "<r><f><a/><b x=\"1\"/></f><f><a/><bb x=\"2\"/></f><f><a/><b/><c/></f><f><a y=\"3\"/>"
      "</f><g><p/></g><g><pp/><p/></g><g><p/></g></r>";
  EXPECT_EQ(HostHelper::createFromContents(shapes).doc2string(), shapes);
  // Values added to a parsed document move their block; those parsed read the same after.
  XMLDocument grown = HostHelper::createFromContents("<r a='first'><c b='second'/></r>");
  for (int i = 0; i < 1000; ++i) {
    grown.addElement("e").addAttribute("v", std::string(static_cast<size_t>(i % 50), 'x'));
  }
  EXPECT_EQ(grown.getAttribute("a"), "first");
  EXPECT_EQ(grown.getElement("c").getAttribute("b"), "second");
  EXPECT_EQ(HostHelper::createFromContents(grown.doc2string()).doc2string(), grown.doc2string());
}

TEST(XMLDocumentBuild, AdditionsToParsedAndBuiltElementsKeepDocumentOrder) {
  XMLDocument doc = HostHelper::createFromContents("<r><a/><b>t</b></r>");
  XMLElement b = doc.getElement("b");
  doc.addElement("c");
  b.addElement("b1");
  doc.addElement("d").addElement("d1");
  b.addText("u");
  doc.addText("v");
  EXPECT_EQ(doc.doc2string(), "<r><a/><b>t<b1/>u</b><c/><d><d1/></d>v</r>");
}

TEST(XMLDocumentWrite, CompactAndIndentedTextsReadBackTheSame) {
  XMLDocument doc = HostHelper::createNew("root");
  XMLElement a = doc.addElement("a");
  a.addAttribute("v", "tab\there\nline \"q\" <&> \r");
  a.addElement("b");
  XMLElement t = doc.addElement("t");
  t.addText("  keep  <this> & that\r\n");
  t.addElement("inner").addAttribute("k", "1");
  doc.addElement("s").addText(" \t");
  doc.addElement("n").addText("");
  a.addAttribute("w", "late");  // after the child: the attributes move, the order stays
  EXPECT_EQ(doc.doc2string(),
            "<root><a v=\"tab&#9;here&#10;line &quot;q&quot; &lt;&amp;&gt; &#13;\" w=\"late\">"
            "<b/></a><t>  keep  &lt;this&gt; &amp; that&#13;\n<inner "
            "k=\"1\"/></t><s>&#32;\t</s><n/></root>");
  EXPECT_EQ(doc.doc2prettyString(),
            "<root>\n  <a v=\"tab&#9;here&#10;line &quot;q&quot; &lt;&amp;&gt; &#13;\" "
            "w=\"late\">\n    <b />\n  </a>\n"
            "  <t>  keep  &lt;this&gt; &amp; that&#13;\n<inner k=\"1\"/></t>\n  <s>&#32;\t</s>\n  "
            "<n />\n</root>\n");
  // Texts side by side read back as one text: only a run that is all spaces needs a reference.
  const XMLDocument mixed =
      HostHelper::createFromContents("<r>a<![CDATA[  ]]>b<x/><![CDATA[ ]]><![CDATA[ ]]></r>");
  EXPECT_EQ(mixed.doc2string(), "<r>a  b<x/>&#32; </r>");
  EXPECT_EQ(HostHelper::createFromContents(mixed.doc2string()).doc2string(), mixed.doc2string());
  for (const std::string& text : {doc.doc2string(), doc.doc2prettyString()}) {
    const XMLDocument again = HostHelper::createFromContents(text);
    EXPECT_EQ(again.getElement("a").getAttribute("v"), "tab\there\nline \"q\" <&> \r");
    EXPECT_EQ(again.getElement("t").getText(), "  keep  <this> & that\r\n");
    EXPECT_EQ(again.getElement("s").getText(), " \t");
    EXPECT_EQ(again.doc2string(), doc.doc2string());
  }
}

TEST(XMLDocumentParse, ABufferIsFreedOnceParsed) {
  const std::string text = std::string(kNested) + "<!-- trailing -->";
  BufferHelper buffer(text.size() + 10);
  text.copy(buffer.data(), text.size());
  XMLDocument copy;
  {
    const XMLDocument doc = HostHelper::createFromBuffer(buffer);
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.data(), nullptr);
    copy = doc;
  }
  // The last handle still reads the document's names and texts.
  EXPECT_EQ(Names(copy.getElements(XMLElements::Field)),
            (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(copy.doc2string(), HostHelper::createFromContents(text).doc2string());
  // A malformed text: the exception, and the buffer is freed all the same.
  BufferHelper bad(8);
  std::string("<a><b>").copy(bad.data(), 6);
  EXPECT_THROW(HostHelper::createFromBuffer(bad), XMLException);
  EXPECT_EQ(bad.data(), nullptr);
}

TEST(XMLDocumentParse, RoundTripKeepsStructureTextsAndEscapes) {
  XMLDocument doc = HostHelper::createNew("ErrorDetail");
  XMLElement diagnostic = doc.addElement(XMLElements::Diagnostic);
  diagnostic.addAttribute(XMLAttributes::Severity, XMLEntities::Error);
  diagnostic.addAttribute(XMLAttributes::Code, static_cast<std::int64_t>(-240043));
  diagnostic.addElement(XMLElements::Parameter).addText("a < b & \"c\"");
  diagnostic.addAttribute(XMLAttributes::Severity, XMLEntities::Warning);  // replaces

  const std::string text = doc.doc2string();
  const XMLDocument again = HostHelper::createFromContents(text);
  EXPECT_EQ(again.doc2string(), text);
  const XMLElement parsed = again.getElement(XMLElements::Diagnostic);
  EXPECT_EQ(parsed.getAttribute(XMLAttributes::Severity), "warning");
  std::int64_t code = 0;
  EXPECT_TRUE(parsed.getAttribute(XMLAttributes::Code, code));
  EXPECT_EQ(code, -240043);
  EXPECT_EQ(parsed.getElement(XMLElements::Parameter).getText(), "a < b & \"c\"");
  EXPECT_EQ(diagnostic.doc2string(), text);
}

TEST(XMLDocumentHandle, CopiesShareOneDomAndDisposeReleasesOnlyTheHandle) {
  XMLDocument doc = HostHelper::createNew("root");
  XMLDocument copy = doc;
  copy.addElement("child");
  EXPECT_TRUE(doc.getElement("child").isValid());
  doc.dispose();
  EXPECT_FALSE(doc.isValid());
  EXPECT_TRUE(copy.getElement("child").isValid());
  KxXML xml{"<r><x/></r>"};
  EXPECT_TRUE(XMLDocument(&xml).getElement("x").isValid());
  KxXML bad{"<r>"};
  EXPECT_THROW(XMLDocument{&bad}, XMLException);
}

TEST(XMLDocumentHostile, DeepNestingParsesWalksAndReleasesWithoutRecursion) {
  constexpr std::size_t kDepth = 1000000;
  std::string text;
  text.reserve(kDepth * 7);
  for (std::size_t i = 0; i < kDepth; ++i) text += "<a>";
  for (std::size_t i = 0; i < kDepth; ++i) text += "</a>";
  XMLDocument doc = HostHelper::createFromContents(text);
  std::size_t count = 0;
  for (XMLElementIterator it = doc.getElements("a"); it.hasMore(); it.next()) ++count;
  EXPECT_EQ(count, kDepth - 1);
  const std::string written = doc.doc2string();
  EXPECT_GE(written.size(), (kDepth - 1) * 7 + 4);  // "<a>" "</a>" per level, "<a/>" innermost
  EXPECT_LE(written.size(), (kDepth - 1) * 7 + 5);
}

TEST(XMLDocumentHostile, LargeDocumentParses) {
  constexpr std::size_t kElements = 1000000;
  const std::string value(92, 'v');
  std::string text = "<r>";
  text.reserve(kElements * 110);
  for (std::size_t i = 0; i < kElements; ++i) text += "<e v='" + value + "'/>";
  text += "</r>";
  ASSERT_GT(text.size(), 100u * 1000 * 1000);
  XMLDocument doc = HostHelper::createFromContents(text);
  std::size_t count = 0;
  for (XMLElementIterator it = doc.getElementsDirect("e"); it.hasMore(); it.next()) ++count;
  EXPECT_EQ(count, kElements);
}

TEST(XMLDocumentHostile, EntityExpansionIsBounded) {
  std::string text =
      "<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol 'lol'>"
      "<!ENTITY lol1 '&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;'>";
  for (int i = 2; i <= 9; ++i) {
    text += "<!ENTITY lol" + std::to_string(i) + " '";
    for (int j = 0; j < 10; ++j) text += "&lol" + std::to_string(i - 1) + ";";
    text += "'>";
  }
  for (const char* use : {"<lolz>&lol9;</lolz>", "<lolz a='&lol9;'/>"}) {
    SCOPED_TRACE(use);
    try {
      HostHelper::createFromContents(text + "]>" + use);
      ADD_FAILURE() << "a billion laughs accepted";
    } catch (const XMLException& e) {
      EXPECT_NE(std::string(e.what()).find("entities expand past the size limit"),
                std::string::npos)
          << e.what();
    }
  }
  // Nesting is bounded too, whatever the size.
  std::string deep = "<!DOCTYPE r [<!ENTITY e0 'x'>";
  for (int i = 1; i <= 100; ++i) {
    deep += "<!ENTITY e" + std::to_string(i) + " '&e" + std::to_string(i - 1) + ";'>";
  }
  EXPECT_THROW(HostHelper::createFromContents(deep + "]><r>&e100;</r>"), XMLException);
  EXPECT_EQ(HostHelper::createFromContents(deep + "]><r>&e50;</r>").getText(), "x");
}

TEST(XMLDocumentParse, EachRefusalNamesTheRuleAndWhereItIsBroken) {
  struct Case {
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"<r>a\x01"
       "b</r>",
       "offset 4: a control character XML forbids"},
      {"<r>\xEF\xBF\xBF</r>", "offset 3: a character XML forbids (U+FFFF)"},
      {"<r>\xC0\xAF</r>", "offset 3: invalid UTF-8"},
      {"<r a='\xED\xA0\x80'/>", "offset 6: invalid UTF-8"},
      {"<r>&#0;</r>", "offset 3: a character reference to a character XML forbids"},
      {"<r>&#X41;</r>", "offset 3: a malformed character reference"},
      {"<1r/>", "offset 1: a name starts with a character that can only follow its first"},
      {"<a\xC3\x97"
       "b/>",
       "offset 1: a name with a character that XML does not allow in names"},
      {"<r>a & b</r>", "offset 5: '&' not followed by a name (write '&amp;' for '&')"},
      {"<r>&lt</r>", "offset 6: an entity reference without ';'"},
      {"<r>&nbsp;</r>", "offset 3: a reference to an undeclared entity"},
      {"<r a=\"a<b\"/>", "offset 7: '<' in an attribute value (write '&lt;')"},
      {"<r a=\"1\" a=\"2\"/>", "offset 0: the attribute 'a' repeated on one element"},
      {"<r><s b='' a='' c='' a=''/></r>", "offset 3: the attribute 'a' repeated on one element"},
      {"<r>a]]>b</r>", "offset 4: ']]>' in text"},
      {"<r><!-- a -- b --></r>", "offset 10: '--' inside a comment"},
      {"<r><? data?></r>", "offset 5: a processing instruction without a target"},
      {"<r><?XML data?></r>",
       "offset 5: an XML declaration or a target named 'xml' not at the start"},
      {"<?xml encoding=\"UTF-8\"?><r/>", "offset 5: the XML declaration has no version"},
      {"<?xml version=\"2.0\"?><r/>", "offset 19: the XML declaration's version is not 1.x"},
      {"<?xml version=\"1.0\" standalone=\"maybe\"?><r/>",
       "offset 38: the XML declaration's standalone is neither 'yes' nor 'no'"},
      {"<!DOCTYPE r><!DOCTYPE r><r/>", "offset 12: a second document type declaration"},
      {"<r/><!DOCTYPE r>", "offset 4: a document type declaration after the root element"},
      {"<!DOCTYPE r [<!ELEMENT r (a,b|c)>]><r/>",
       "offset 29: '|' and ',' mixed in one content group"},
      {"<!DOCTYPE r [<![INCLUDE[<!ELEMENT r ANY>]]>]><r/>",
       "offset 13: a conditional section in the internal subset"},
      {"<!DOCTYPE r [<!ENTITY e \"x&e;\">]><r>&e;</r>",
       "offset 36: in the text of the entity referenced here, an entity refers to itself"},
      {"<!DOCTYPE r [<!ENTITY e \"</r>\">]><r>&e;</r>",
       "offset 36: in the text of the entity referenced here, an end tag in an entity's text "
       "closes an element opened outside it"},
      {"<!DOCTYPE r [<!ENTITY e SYSTEM \"e.xml\">]><r a=\"&e;\"/>",
       "offset 47: an attribute value refers to an external or unparsed entity"},
      {"<!DOCTYPE r [<!ENTITY % p \"x\"><!ENTITY e \"%p;\">]><r/>",
       "offset 42: a parameter entity reference inside a declaration"},
      {"<![CDATA[x]]><r/>", "offset 0: a CDATA section outside the root element"},
      {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>",
       "offset 0: declared UTF-16 but the text is not UTF-16 (no byte-order mark)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      HostHelper::createFromContents(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const XMLException& e) {
      EXPECT_EQ(e.what(), std::string("malformed document at ") + c.message);
    }
  }
  try {
    HostHelper::createFromContents("<?xml version='1.0' encoding='x-none'?><r/>");
    ADD_FAILURE() << "accepted";
  } catch (const XMLException& e) {
    EXPECT_STREQ(e.what(), "the document's encoding 'x-none' is not one this reader can read");
  }
}

TEST(XMLDocumentParse, InternalEntitiesExpandInTextAndValues) {
  const XMLDocument doc = HostHelper::createFromContents(
      "<!DOCTYPE r [<!ENTITY a 'A'><!ENTITY b '[&a;&a;]'><!ENTITY m '<i k=\"&a;\">x</i>'>"
      "<!ENTITY ws 'x&#10;y'><!ENTITY out SYSTEM 'out.xml'><!ATTLIST r t NMTOKENS #IMPLIED>]>"
      "<r t='  p   q ' v='&b;&ws;'>1&b;2&m;3&out;</r>");
  // Whitespace that an entity brings into a value is normalised as the value's own.
  EXPECT_EQ(doc.getAttribute("v"), "[AA]x y");
  // A value of a token type has its spaces collapsed.
  EXPECT_EQ(doc.getAttribute("t"), "p q");
  EXPECT_EQ(doc.getText(), "1[AA]23");
  EXPECT_EQ(doc.getElement("i").getAttribute("k"), "A");
  EXPECT_EQ(doc.doc2string(), "<r t=\"p q\" v=\"[AA]x y\">1[AA]2<i k=\"A\">x</i>3</r>");
}

TEST(XMLDocumentParse, EncodingsAreTranscodedToUtf8) {
  const std::string expected = "<r a=\"\xC3\xA9\">caf\xC3\xA9 \xE2\x82\xAC</r>";
  const auto utf16 = [](bool little) {
    const char16_t text[] = u"<r a=\"\u00e9\">caf\u00e9 \u20ac</r>";
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t* c = text; *c != 0; ++c) {
      const char low = static_cast<char>(*c & 0xFF);
      const char high = static_cast<char>(*c >> 8);
      bytes += little ? low : high;
      bytes += little ? high : low;
    }
    return bytes;
  };
  for (const std::string& text :
       {std::string("<?xml version='1.0' encoding='windows-1252'?><r a=\"\xE9\">caf\xE9 \x80</r>"),
        utf16(true), utf16(false)}) {
    const XMLDocument doc = XMLDocument::parse(text.data(), text.size());
    EXPECT_EQ(doc.doc2string(), expected);
  }
  // Without a declaration, text is UTF-8 and must be.
  EXPECT_THROW(HostHelper::createFromContents("<r>caf\xE9</r>"), XMLException);
}

TEST(XMLDocumentWrite, RefusesWhatWouldNotReadBackAsXml) {
  XMLDocument doc = HostHelper::createNew("r");
  for (const std::string& name :
       {std::string("1a"), std::string("a b"), std::string("a<"), std::string("-x"),
        std::string("a\0b", 3), std::string("a\xC3\x97"), std::string("a\xFF")}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(doc.addElement(name), XMLException);
    EXPECT_THROW(doc.addAttribute(name, "v"), XMLException);
    EXPECT_THROW(doc.addAttribute(name, std::int64_t{1}), XMLException);
  }
  for (const std::string& text :
       {std::string("x\0y", 3), std::string("\x01"), std::string("\x1F"), std::string("\xFF"),
        std::string("\xC0\xAF"), std::string("\xEF\xBF\xBE"), std::string("\xED\xA0\x80")}) {
    EXPECT_THROW(doc.addText(text), XMLException);
    // A value is refused whole, never cut short at a NUL.
    EXPECT_THROW(doc.addAttribute("a", text), XMLException);
  }
  EXPECT_FALSE(doc.hasAttribute("a"));
  EXPECT_THROW(HostHelper::createNew("1r"), XMLException);
  // What XML allows is written so that it reads back the same.
  XMLElement pupil = doc.addElement("\xC3\xA9l\xC3\xA8ve");
  pupil.addAttribute("\xC3\xA2ge", "\xE2\x82\xAC \t\r\n<&>\"'");
  pupil.addText("]]> & \r\n\t");
  const XMLDocument again = HostHelper::createFromContents(doc.doc2string());
  EXPECT_EQ(again.doc2string(), doc.doc2string());
  EXPECT_EQ(again.getElement("\xC3\xA9l\xC3\xA8ve").getAttribute("\xC3\xA2ge"),
            "\xE2\x82\xAC \t\r\n<&>\"'");
  EXPECT_EQ(again.getElement("\xC3\xA9l\xC3\xA8ve").getText(), "]]> & \r\n\t");
}

TEST(XMLDocumentWrite, IndentedTextOfADeepDocumentStaysLinear) {
  constexpr std::size_t kDepth = 100000;
  XMLDocument doc = HostHelper::createNew("r");
  XMLElement element = doc;
  for (std::size_t i = 0; i < kDepth; ++i) element = element.addElement("e");
  const std::string pretty = doc.doc2prettyString();
  // Two lines per element, each indented by at most 64 spaces.
  EXPECT_LE(pretty.size(), (kDepth + 1) * 2 * (64 + 8));
  EXPECT_EQ(HostHelper::createFromContents(pretty).doc2string(), doc.doc2string());
}

}  // namespace
}  // namespace KxCppHelperV1
