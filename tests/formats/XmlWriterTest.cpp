#include <gtest/gtest.h>

#include "formats/FormatsTestUtil.h"
#include "formats/XmlWriter.h"
#include "support/test_support.h"

TEST(XmlWriterBuild, KmlWithNamespaceAndEmptyChildIsThreeLines) {
  CXmlWriter xml;
  ASSERT_TRUE(xml.AddElement("kml"));
  EXPECT_EQ(xml.GetDocumentText(), "<kml/>\r\n");
  ASSERT_TRUE(xml.SetAttribute("xmlns", "u"));
  EXPECT_EQ(xml.GetDocumentText(), "<kml xmlns=\"u\"/>\r\n");
  ASSERT_TRUE(xml.AddChildElement("Document"));
  EXPECT_EQ(xml.GetDocumentText(), "<kml xmlns=\"u\">\r\n<Document/>\r\n</kml>\r\n");
}

TEST(XmlWriterBuild, ChildrenKeepTheirOrderAndNest) {
  CXmlWriter xml;
  xml.AddElement("a");
  xml.AddChildElement("b", "1");
  xml.AddChildElement("c", "2");
  ASSERT_TRUE(xml.EnterElement());  // into c
  xml.AddChildElement("d");
  xml.EnterElement();
  xml.AddChildElement("e", "3");
  ASSERT_TRUE(xml.LeaveElement());
  ASSERT_TRUE(xml.LeaveElement());
  EXPECT_FALSE(xml.LeaveElement());  // already at the top
  xml.AddChildElement("f", "4");     // after c, the current child
  EXPECT_EQ(xml.GetDocumentText(),
            "<a>\r\n<b>1</b>\r\n<c>2<d>\r\n<e>3</e>\r\n</d>\r\n</c>\r\n<f>4</f>\r\n</a>\r\n");
}

TEST(XmlWriterBuild, RefusesSecondRootAndAddsWithoutPosition) {
  CXmlWriter xml;
  EXPECT_FALSE(xml.AddChildElement("x"));
  EXPECT_FALSE(xml.SetAttribute("a", "b"));
  EXPECT_FALSE(xml.EnterElement());
  xml.AddElement("root");
  const std::string before = xml.GetDocumentText();
  EXPECT_FALSE(xml.AddElement("second"));
  EXPECT_EQ(xml.GetDocumentText(), before);
  EXPECT_FALSE(xml.AddElement(""));
}

TEST(XmlWriterBuild, EscapesValuesAndAttributes) {
  CXmlWriter xml;
  xml.AddElement("r");
  xml.AddChildElement("v", "a&b<c>d'\"");
  xml.SetAttribute("q", "x\"y'z&<>");
  EXPECT_EQ(xml.GetDocumentText(),
            "<r q=\"x&quot;y&apos;z&amp;&lt;&gt;\">\r\n<v>a&amp;b&lt;c&gt;d'\"</v>\r\n</r>\r\n");
  xml.ResetPosition();
  ASSERT_TRUE(xml.FindElement("r"));
  EXPECT_EQ(xml.GetAttribute("q"), "x\"y'z&<>");
  ASSERT_TRUE(xml.FindChildElement("v"));
  EXPECT_EQ(xml.GetChildData(), "a&b<c>d'\"");
}

TEST(XmlWriterBuild, LineFeedInValueBecomesCrLfAndEndsTheLine) {
  CXmlWriter xml;
  xml.AddElement("r");
  xml.AddChildElement("name", "Mon Dec 04 12:00:00 2006\n");
  xml.AddChildElement("n2", "x\r\ny");
  xml.AddChildElement("empty", "");
  EXPECT_EQ(xml.GetDocumentText(),
            "<r>\r\n<name>Mon Dec 04 12:00:00 2006\r\n</name>\r\n<n2>x\r\ny</n2>\r\n<empty/>\r\n"
            "</r>\r\n");
}

TEST(XmlWriterBuild, InsertInTheMiddleAndAttributesKeepIndexRight) {
  CXmlWriter xml;
  xml.AddElement("list");
  for (const char* v : {"one", "two", "three"}) xml.AddChildElement("item", v);
  xml.EnterElement();  // current: three
  xml.AddChildElement("sub", "s");
  xml.LeaveElement();
  // Back to the first item and insert after it.
  xml.ResetPosition();
  xml.FindElement();
  xml.FindChildElement("item");
  xml.EnterElement();  // current: one
  ASSERT_TRUE(xml.AddElement("item", "one-and-a-half"));
  ASSERT_TRUE(xml.SetAttribute("n", "1.5"));
  ASSERT_TRUE(xml.SetAttribute("n", "a much longer value"));
  ASSERT_TRUE(xml.SetAttribute("m", ""));
  EXPECT_EQ(xml.GetDocumentText(),
            "<list>\r\n<item>one</item>\r\n<item n=\"a much longer value\" "
            "m=\"\">one-and-a-half</item>\r\n"
            "<item>two</item>\r\n<item>three<sub>s</sub>\r\n</item>\r\n</list>\r\n");
  // Navigation on the built index reads the shifted elements correctly.
  xml.ResetPosition();
  ASSERT_TRUE(xml.FindElement("list"));
  std::vector<std::string> values;
  while (xml.FindChildElement("item")) values.push_back(xml.GetChildData());
  EXPECT_EQ(values, (std::vector<std::string>{"one", "one-and-a-half", "two", ""}));
  xml.EnterElement();
  EXPECT_EQ(xml.GetTagName(), "item");
  EXPECT_EQ(xml.GetAttribute("n"), "");
  ASSERT_TRUE(xml.FindChildElement("sub"));
  EXPECT_EQ(xml.GetChildData(), "s");

  // The built text parses to the same tree.
  CXmlWriter parsed;
  ASSERT_TRUE(parsed.SetDocument(xml.GetDocumentText().c_str()));
  ASSERT_TRUE(parsed.FindElement("list"));
  ASSERT_TRUE(parsed.FindChildElement());
  ASSERT_TRUE(parsed.FindChildElement());
  EXPECT_EQ(parsed.GetChildAttribute("n"), "a much longer value");
  EXPECT_EQ(parsed.GetChildAttribute("m"), "");
  EXPECT_EQ(parsed.GetChildData(), "one-and-a-half");
}

TEST(XmlWriterBuild, ManyElementsStayWellFormed) {
  CXmlWriter xml;
  xml.AddElement("kml");
  xml.SetAttribute("xmlns", "http://earth.google.com/kml/2.1");
  xml.AddChildElement("Folder");
  xml.EnterElement();
  for (int i = 0; i < 2000; ++i) {
    xml.AddChildElement("Placemark");
    xml.EnterElement();
    xml.AddChildElement("name", ("<p" + std::to_string(i) + ">&\n").c_str());
    xml.AddChildElement("Point");
    xml.EnterElement();
    xml.AddChildElement("coordinates", "1,2,3");
    xml.LeaveElement();
    xml.LeaveElement();
  }
  const std::string text = xml.GetDocumentText();
  EXPECT_TRUE(formatstest::OnlyCrLf(text));
  CXmlWriter parsed;
  ASSERT_TRUE(parsed.SetDocument(text.c_str())) << parsed.GetError();
  parsed.FindElement();
  parsed.EnterElement();
  parsed.FindElement("Folder");
  int count = 0;
  while (parsed.FindChildElement("Placemark")) ++count;
  EXPECT_EQ(count, 2000);

  SKIP_WITHOUT_XMLLINT();
  testsupport::TempDir dir;
  formatstest::WriteAll(dir.path() / "many.kml", text);
  EXPECT_EQ(formatstest::Xmllint(dir.path() / "many.kml"), 0);
}

TEST(XmlWriterParse, ReadsDataAttributesCdataAndSkipsSpecialNodes) {
  CXmlWriter xml;
  ASSERT_TRUE(
      xml.SetDocument("<?xml version=\"1.0\"?>\n<!DOCTYPE x [<!ENTITY a \"b\">]>\n<!-- c <x> -->\n"
                      "<gpx version='1.0' creator=\"A &amp; B\">\n <wpt lat=\"1.5\" lon=\"-2\">"
                      "<name><![CDATA[Point <0>]]></name><time>t&lt;1&gt;</time></wpt>\n"
                      "<wpt lat=\"3\"/></gpx>"));
  EXPECT_EQ(xml.GetError(), "");
  ASSERT_TRUE(xml.FindElement("gpx"));
  EXPECT_EQ(xml.GetAttribute("version"), "1.0");
  EXPECT_EQ(xml.GetAttribute("creator"), "A & B");
  EXPECT_EQ(xml.GetAttribute("missing"), "");
  ASSERT_TRUE(xml.FindChildElement("wpt"));
  EXPECT_EQ(xml.GetChildAttribute("lat"), "1.5");
  xml.EnterElement();
  ASSERT_TRUE(xml.FindChildElement("name"));
  EXPECT_EQ(xml.GetChildData(), "Point <0>");
  ASSERT_TRUE(xml.FindChildElement());
  EXPECT_EQ(xml.GetChildTagName(), "time");
  EXPECT_EQ(xml.GetChildData(), "t<1>");
  EXPECT_FALSE(xml.FindChildElement());
  EXPECT_EQ(xml.GetData(), "");  // an element with children has no data
  ASSERT_TRUE(xml.FindElement("wpt"));
  EXPECT_EQ(xml.GetAttribute("lat"), "3");
  EXPECT_FALSE(xml.FindElement());
  EXPECT_TRUE(xml.LeaveElement());
  EXPECT_EQ(xml.GetTagName(), "gpx");

  // A copy takes the document, index and position along.
  CXmlWriter copy = xml;
  EXPECT_EQ(copy.GetTagName(), "gpx");
  EXPECT_EQ(copy.GetDocumentText(), xml.GetDocumentText());
  EXPECT_EQ(copy.GetChildAttribute("lat"), "3");  // the child left last
  copy.ResetChildPosition();
  ASSERT_TRUE(copy.FindChildElement("wpt"));
  EXPECT_EQ(copy.GetChildAttribute("lon"), "-2");
}

TEST(XmlWriterParse, ErrorTexts) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"just text", "Element tag not found"},
      {"<?xml version=\"1.0\"?>", "Element tag not found"},
      {"<a b=\"1", "Abrupt end within tag"},
      {"<a", "Abrupt end within tag"},
      {"<\"a\">", "Tag starts with quote"},
      {"< a>", "Invalid node"},
      {"<!-- open", "Invalid node"},
      {"<a <b>", "End of tag not found"},
      {"<a><b></b>", "End tag of a element not found"},
      {"<a></>", "Expecting end tag of element a"},
      {"<a><b></a>", "End tag does not correspond to b"},
      {"<a></a", "End tag not completed for element a"},
      // Malformed start tags, on which later edits would go astray.
      {"<a//>", "Invalid node"},
      {"<a b=></a>", "Invalid node"},
      {"<a x=1>", "Invalid node"},
      {"<a b=\"1\"c=\"2\"/>", "Invalid node"},
      {"<a b></a>", "Invalid node"},
      {"<a b=\"1\" /x>", "Invalid node"},
  };
  for (const auto& c : cases) {
    CXmlWriter xml;
    EXPECT_FALSE(xml.SetDocument(c.text)) << c.text;
    EXPECT_EQ(xml.GetError(), c.error) << c.text;
    EXPECT_FALSE(xml.FindElement()) << c.text;
    EXPECT_EQ(xml.GetDocumentText(), c.text);
  }
  CXmlWriter xml;
  EXPECT_FALSE(xml.SetDocument(""));
  EXPECT_EQ(xml.GetError(), "");
  // After a failed parse a fresh document can be built.
  EXPECT_FALSE(xml.SetDocument("<a>"));
  EXPECT_FALSE(xml.SetDocument(nullptr));
  EXPECT_TRUE(xml.AddElement("ok"));
  EXPECT_EQ(xml.GetDocumentText(), "<ok/>\r\n");
}

TEST(XmlWriterParse, AttributesMayHaveSpaceAroundTheirEqualsSign) {
  CXmlWriter xml;
  ASSERT_TRUE(xml.SetDocument("<a b = \"1\"\tc='2' />")) << xml.GetError();
  ASSERT_TRUE(xml.FindElement("a"));
  EXPECT_EQ(xml.GetAttribute("c"), "2");
  ASSERT_TRUE(xml.SetAttribute("b", "v"));
  EXPECT_EQ(xml.GetDocumentText(), "<a b = \"v\"\tc='2' />");
}

TEST(XmlWriterParse, BuildsOnAParsedDocument) {
  CXmlWriter xml;
  ASSERT_TRUE(xml.SetDocument("<a>\r\n<b/>\r\n</a>\r\n"));
  xml.FindElement("a");
  xml.FindChildElement("b");
  xml.EnterElement();
  ASSERT_TRUE(xml.AddChildElement("c", "1"));
  ASSERT_TRUE(xml.AddElement("d"));
  EXPECT_EQ(xml.GetDocumentText(), "<a>\r\n<b>\r\n<c>1</c>\r\n</b>\r\n<d/>\r\n</a>\r\n");
}

TEST(XmlWriterText, EscapeAndUnescapeAreInverse) {
  const std::string text = "a&b<c>d\"e'f&amp;";
  EXPECT_EQ(CXmlWriter::UnescapeText(CXmlWriter::EscapeText(text, true)), text);
  EXPECT_EQ(CXmlWriter::EscapeText("\xe4\xb8\xad&", false), "\xe4\xb8\xad&amp;");
  EXPECT_EQ(CXmlWriter::UnescapeText("&unknown; &amp"), "&unknown; &amp");
}

// Cut and damaged documents are refused or parsed without reading past the
// text; every position the index holds stays inside it.
TEST(XmlWriterParse, SurvivesDamagedDocuments) {
  const std::string good =
      "<?xml version=\"1.0\"?>\r\n<a x=\"1\" y='2'>\r\n<b>t&amp;</b>\r\n<c/>\r\n"
      "<!-- n --><d><![CDATA[<x>]]></d>\r\n</a>\r\n";
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int round = 0; round < 3000; ++round) {
    std::string text = good.substr(0, next() % (good.size() + 1));
    if (!text.empty() && round % 2 == 0) text[next() % text.size()] = "<>/\"'!?="[next() % 8];
    CXmlWriter xml;
    if (!xml.SetDocument(text.c_str())) continue;
    while (xml.FindElement()) {
      xml.GetData();
      xml.GetAttribute("x");
      while (xml.FindChildElement()) xml.GetChildData();
      xml.EnterElement();
    }
    // Building on the parsed document keeps it parseable.
    xml.ResetPosition();
    ASSERT_TRUE(xml.FindElement());
    ASSERT_TRUE(xml.AddChildElement("z", "v"));
    CXmlWriter again;
    EXPECT_TRUE(again.SetDocument(xml.GetDocumentText().c_str())) << again.GetError() << "\n"
                                                                  << xml.GetDocumentText();
  }
}

namespace {
// Every element in document order with its name, data and two attributes,
// read through the navigation calls on the object's own index.
void Walk(CXmlWriter& x, std::vector<std::string>& out) {
  out.push_back(x.GetTagName() + "|" + x.GetData() + "|" + x.GetAttribute("a") + "|" +
                x.GetAttribute("b"));
  x.ResetChildPosition();
  while (x.FindChildElement()) {
    x.EnterElement();
    Walk(x, out);
    x.LeaveElement();
  }
  out.push_back("/");
}
}  // namespace

// Random edits anywhere in the tree: the index the writer keeps while it
// edits must match the index a fresh parse of its text gives.
TEST(XmlWriterBuild, RandomEditsKeepTheIndexInStepWithTheText) {
  static const char* const kNames[] = {"p", "q", "rr"};
  static const char* const kValues[] = {"", "x", "a&b", "<t>", "line\n", "long value 12345"};
  static const char* const kAttrs[] = {"", "1", "x\"y", "a much longer attribute value"};
  for (std::uint32_t seed = 1; seed <= 150; ++seed) {
    std::uint32_t s = seed;
    auto next = [&](int n) {
      s = s * 1103515245u + 12345u;
      return static_cast<int>((s >> 16) % static_cast<std::uint32_t>(n));
    };
    CXmlWriter xml;
    xml.AddElement("root");
    for (int step = 0; step < 60; ++step) {
      switch (next(6)) {
        case 0:
          xml.AddElement(kNames[next(3)], kValues[next(6)]);
          break;
        case 1:
        case 2:
          xml.AddChildElement(kNames[next(3)], kValues[next(6)]);
          break;
        case 3:
          xml.SetAttribute(next(2) == 0 ? "a" : "b", kAttrs[next(4)]);
          break;
        case 4:
          xml.EnterElement();
          break;
        default:
          xml.LeaveElement();
      }
    }
    const std::string text = xml.GetDocumentText();
    CXmlWriter parsed;
    ASSERT_TRUE(parsed.SetDocument(text.c_str())) << parsed.GetError() << "\n" << text;
    std::vector<std::string> built, fresh;
    xml.ResetPosition();
    ASSERT_TRUE(xml.FindElement());
    Walk(xml, built);
    ASSERT_TRUE(parsed.FindElement());
    Walk(parsed, fresh);
    ASSERT_EQ(built, fresh) << "seed " << seed << "\n" << text;
  }
}
