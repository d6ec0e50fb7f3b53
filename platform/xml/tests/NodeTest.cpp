// The XML tree: parsing, the written form, escaping, typed values and malformed input.
#include "platform/xml/Node.h"

#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/xml/AttrFactory.h"
#include "platform/xml/Escape.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::xml::Node;

namespace {

// A tree parsed from a text, given back at the end of the scope.
class Tree {
 public:
  explicit Tree(const char16_t* text) : m_node(Node::take()) { m_end = m_node->parse(text); }
  Tree() : m_node(Node::take()) {}
  ~Tree() { m_node->release(); }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  Node* operator->() const { return m_node; }
  Node* get() const { return m_node; }
  const char16_t* end() const { return m_end; }

 private:
  Node* m_node;
  const char16_t* m_end = nullptr;
};

std::u16string xmlOf(const Node* node) {
  StrBuffer* text = node->toXml(nullptr, false);
  std::u16string out(text->getCStr());
  text->release();
  return out;
}

std::u16string stringOf(const Node* node, const char16_t* name) {
  StrBuffer* text = StrBuffer::take();
  node->getString(text, name, u"(default)", false);
  std::u16string out(text->getCStr());
  text->release();
  return out;
}

ArrayU08* utf8(const std::string& bytes) {
  ArrayU08* a = ArrayU08::take();
  a->clear();
  a->add(bytes.data(), static_cast<uint32_t>(bytes.size()));
  return a;
}

bool parsesBytes(Node* node, const std::string& bytes) {
  ArrayU08* a = utf8(bytes);
  const bool ok = node->parseBytes(a);
  a->release();
  return ok;
}

}  // namespace

TEST(XmlNode, ElementTextIsTrimmedOnlyWhereTypedPlainly) {
  Tree a(u"<a>  x y  </a>");
  EXPECT_EQ(std::u16string(a->getText(u"", u"")), u"x y  ");  // stored as it stood
  EXPECT_EQ(stringOf(a.get(), u""), u"x y");
  Tree b;
  b->setName(u"b", -1);
  b->setString(u"", u" a ");
  EXPECT_EQ(std::u16string(b->getText(u"", u"")), u"&#160;a&#160;");
  EXPECT_EQ(stringOf(b.get(), u""), u" a ");
  EXPECT_EQ(xmlOf(b.get()), u"<b>&#160;a&#160;</b>");
  // Appending never trims what was there before.
  StrBuffer* out = StrBuffer::take();
  out->assign(u"keep ");
  s::xml::unescapeText(out, u"  ", true, -1);
  EXPECT_EQ(std::u16string(out->getCStr()), u"keep ");
  s::xml::unescapeText(out, u" &#10;x&#13; \t", false, -1);
  EXPECT_EQ(std::u16string(out->getCStr()), u"\nx\r");
  out->release();
}

TEST(XmlNode, EscapingRoundTripsEveryUnitItTouches) {
  StrBuffer* out = StrBuffer::take();
  s::xml::escapeAttribute(out, u"a \"q\" <&> \r\n");
  EXPECT_EQ(std::u16string(out->getCStr()), u"a &quot;q&quot; &lt;&amp;> &#13;&#10;");
  s::xml::escapeText(out, u"a \"q\" <&>\r\n");
  EXPECT_EQ(std::u16string(out->getCStr()), u"a&#160;\"q\"&#160;&lt;&amp;&gt;&#13;&#10;");
  // Unknown references and bare "&" are copied as they stand; decoding is exact and
  // case-sensitive.
  s::xml::unescapeText(out, u"a &b c &AMP; &#160", false, -1);
  EXPECT_EQ(std::u16string(out->getCStr()), u"a &b c &AMP; &#160");
  s::xml::unescapeAttribute(out, u"&gt;&lt;&quot;&amp;amp;", false, -1);
  EXPECT_EQ(std::u16string(out->getCStr()), u"&gt;<\"&amp;");
  out->release();

  Tree node;
  node->setName(u"n", -1);
  const char16_t* tricky = u"say \"hi\"\nthen <go> & stop";
  node->setString(u"v", tricky);
  EXPECT_EQ(std::u16string(node->getText(u"v", u"")),
            u"say &quot;hi&quot;&#10;then &lt;go> &amp; stop");
  Tree again(xmlOf(node.get()).c_str());
  EXPECT_EQ(stringOf(again.get(), u"v"), tricky);
}

TEST(XmlNode, RepeatedNamesAnswerTheFirstIgnoringCase) {
  Tree a(u"<a b=\"1\" B=\"2\"/>");
  EXPECT_EQ(a->getInt32(u"b", 0), 1);
  a->setInt32(u"b", 3);
  EXPECT_EQ(a->getInt32(u"b", 0), 1) << "setters append";
  a->getAttributes()->remove(u"B");
  EXPECT_EQ(a->getInt32(u"b", 0), 2);
  a->getAttributes()->remove(u"b");
  EXPECT_EQ(a->getInt32(u"b", 0), 3);
  EXPECT_EQ(xmlOf(a.get()), u"<a b=\"3\"></a>");
}

TEST(XmlNode, ChildrenCommentsAndTextRuns) {
  Tree r(u"<r><!-- c --><x/></r>");
  ASSERT_EQ(r->getChildCount(), 1u);
  EXPECT_TRUE(r->getChild(0)->isNamed(u"x", -1));
  EXPECT_EQ(r->getChild(1), nullptr);

  Tree runs(u"<r>t1<x/>t2</r>");
  EXPECT_EQ(runs->getAttributes()->getCount(), 2u);
  EXPECT_EQ(xmlOf(runs.get()), u"<r>t1<x></x></r>");  // only the first run is written

  Tree mismatched(u"<a><b></c></a>");
  ASSERT_NE(mismatched.end(), nullptr);
  EXPECT_EQ(*mismatched.end(), 0);
  ASSERT_EQ(mismatched->getChildCount(), 1u);
  EXPECT_TRUE(mismatched->getChild(0)->isNamed(u"b", 1));

  // A document that starts with a comment yields the comment; parsing on reaches the root.
  const char16_t* doc = u"  <!-- first --> <root a=\"1\"/> trailing";
  Tree comment(doc);
  EXPECT_TRUE(comment->isComment());
  Tree root(comment.end());
  EXPECT_TRUE(root->isNamed(u"ROOT", -1));
  EXPECT_EQ(std::u16string(root.end()), u" trailing");
  // Without any "<" the node is left alone and the end of the text answered.
  Tree none(u"no markup");
  EXPECT_EQ(none->getName(), nullptr);
  EXPECT_EQ(*none.end(), 0);
}

TEST(XmlNode, NamesMatchWholeIgnoringCaseOrExactlyByLength) {
  Tree n;
  EXPECT_FALSE(n->isNamed(u"", -1)) << "a node without a name matches nothing";
  n->setName(u"ABC", -1);
  EXPECT_TRUE(n->isNamed(u"abc", -1));
  EXPECT_FALSE(n->isNamed(u"abc", 3));
  EXPECT_TRUE(n->isNamed(u"ABCD", 3));
  EXPECT_FALSE(n->isNamed(u"AB", 2));
  n->addChild(u"one", -1);
  n->addChild(u"Two", -1);
  uint32_t index = 9;
  EXPECT_TRUE(n->findChildIndex(u"two", &index, -1));
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(n->findChild(u"two", 3), nullptr);
  n->removeChildAt(0);
  n->removeChildAt(5);
  EXPECT_EQ(n->getChildCount(), 1u);
  EXPECT_FALSE(n->isComment());
}

TEST(XmlNode, TypedValuesHaveFixedFormats) {
  Tree n;
  n->setName(u"n", -1);
  n->setUInt64(u"u64", UINT64_MAX);
  n->setInt64(u"s64", INT64_MIN);
  n->setUInt32(u"u32", UINT32_MAX);
  n->setUInt16(u"u16", 0xFFFF);
  n->setInt16(u"s16", -2);
  n->setInt8(u"s8", -128);
  n->setFloat(u"f", 0.5f);
  n->setDouble(u"d", -1.0 / 3);
  n->setDouble(u"big", DBL_MAX);
  const uint8_t bytes[] = {0x0A, 0xFF};
  n->setUInt8Array(u"a8", bytes, 2);
  const int16_t shorts[] = {-1, 2};
  n->setInt16Array(u"a16", shorts, 2);
  const uint32_t words[] = {0xDEADBEEF};
  n->setUInt32Array(u"a32", words, 1);
  const uint64_t longs[] = {1};
  n->setUInt64Array(u"a64", longs, 1);
  const float floats[] = {1.0f};
  n->setFloatArray(u"af", floats, 1);
  const double doubles[] = {1.0};
  n->setDoubleArray(u"ad", doubles, 1);

  auto raw = [&](const char16_t* name) { return std::u16string(n->getText(name, u"(none)")); };
  EXPECT_EQ(raw(u"u64"), u"-1");
  EXPECT_EQ(raw(u"s64"), u"-9223372036854775808");
  EXPECT_EQ(raw(u"u32"), u"4294967295");
  EXPECT_EQ(raw(u"u16"), u"65535");
  EXPECT_EQ(raw(u"s16"), u"-2");
  EXPECT_EQ(raw(u"f"), u"0.500000");
  EXPECT_EQ(raw(u"d"), u"-0.333333");  // six decimals: precision is lost on purpose
  EXPECT_EQ(raw(u"a8"), u"0aff");
  EXPECT_EQ(raw(u"a16"), u"ffff0002");
  EXPECT_EQ(raw(u"a32"), u"deadbeef");
  EXPECT_EQ(raw(u"a64"), u"0000000000000001");
  EXPECT_EQ(raw(u"af"), u"3f800000");
  EXPECT_EQ(raw(u"ad"), u"000000003ff00000");  // low word first
  EXPECT_EQ(raw(u"missing"), u"(none)");

  EXPECT_EQ(n->getUInt64(u"u64", 0), UINT64_MAX);
  EXPECT_EQ(n->getInt64(u"s64", 0), INT64_MIN);
  EXPECT_EQ(n->getUInt32(u"u32", 0), UINT32_MAX);
  EXPECT_EQ(n->getUInt16(u"u16", 0), 0xFFFF);
  EXPECT_EQ(n->getInt16(u"s16", 0), -2);
  EXPECT_EQ(n->getInt8(u"s8", 0), -128);
  EXPECT_EQ(n->getAttributes()->getFloat(u"f", 0), 0.5f);
  // The largest double is written whole and reads back exactly.
  EXPECT_EQ(n->getAttributes()->getDouble(u"big", 0), DBL_MAX);
  EXPECT_EQ(n->getInt32(u"missing", -7), -7);
  EXPECT_EQ(n->getUInt8(u"missing", 200), 200);

  Tree text(u"<t n=\" 42abc\" e=\"\" x=\"-5\" big=\"99999999999\"/>");
  EXPECT_EQ(text->getInt32(u"n", 0), 42);  // leading blanks, up to the first non-digit
  EXPECT_EQ(text->getInt32(u"e", 7), 0);   // present without digits: 0, not the default
  EXPECT_EQ(text->getUInt32(u"x", 0), static_cast<uint32_t>(-5));
  EXPECT_EQ(text->getInt32(u"big", 0), INT32_MAX);  // clamped, as the C run-time does
}

TEST(XmlNode, BooleansAreTrueOnlyForALeadingOneOrTrue) {
  Tree t(u"<t a=\"true\" b=\"1\" c=\"10\" d=\"True\" e=\"yes\" f=\"0\" g=\"\"/>");
  for (const char16_t* name : {u"a", u"b", u"c"}) EXPECT_TRUE(t->getBool(name, false));
  for (const char16_t* name : {u"d", u"e", u"f", u"g"}) EXPECT_FALSE(t->getBool(name, true));
  EXPECT_TRUE(t->getBool(u"missing", true));
}

TEST(XmlNode, TheWrittenFormIsCompactUtf8) {
  Tree root;
  root->setName(u"savedata", -1);
  root->setString(u"Language", u"Ελληνικά");
  root->setString(u"b", u"2");
  Node* child = root->addChild(u"Main", -1);
  child->setString(u"", u"two words");
  root->addChild(u"Empty", -1);
  EXPECT_EQ(xmlOf(root.get()),
            u"<savedata Language=\"Ελληνικά\" b=\"2\"><Main>two&#160;words</Main><Empty></Empty>"
            u"</savedata>");
  ArrayU08* bytes = root->toBytes(nullptr, false);
  const std::string written(reinterpret_cast<const char*>(bytes->getItems()), bytes->getCount());
  EXPECT_EQ(written.rfind("<savedata Language=\"\xCE\x95", 0), 0u) << "UTF-8, no byte-order mark";
  EXPECT_EQ(written.find('\n'), std::string::npos);
  // Round trip: the bytes parse back to the same tree, attribute order kept.
  Tree back;
  ASSERT_TRUE(back->parseBytes(bytes));
  EXPECT_EQ(xmlOf(back.get()), xmlOf(root.get()));
  EXPECT_EQ(stringOf(back->findChild(u"Main", 4), u""), u"two words");
  bytes->release();
}

TEST(XmlNode, ReadableDocumentsParseFromBytes) {
  Tree n;
  // A byte-order mark, a declaration, comments and a document type before the root.
  EXPECT_TRUE(parsesBytes(n.get(),
                          "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c --><!DOCTYPE r>\n"
                          "<r a = \"1\"\t><?pi x?><c/> </r>"));
  EXPECT_TRUE(n->isNamed(u"r", -1));
  EXPECT_EQ(n->getChildCount(), 1u);
  EXPECT_EQ(n->getInt32(u"a", 0), 1);
  // Invalid UTF-8 becomes replacement characters, not a failure.
  EXPECT_TRUE(parsesBytes(n.get(), "<r v=\"\xFF\xFE\"/>"));
  EXPECT_EQ(n->getText(u"v", u"")[0], u'\xFFFD');
  // Well-formed references the decoders do not know stay as they are.
  EXPECT_TRUE(parsesBytes(n.get(), "<r v=\"&apos;&#233;&#x41;\">&unknown;</r>"));
  EXPECT_EQ(stringOf(n.get(), u"v"), u"&apos;&#233;&#x41;");
}

TEST(XmlNode, MalformedInputOfEveryKindIsRefused) {
  std::string deep, deepOk;
  for (uint32_t i = 0; i <= Node::kMaxDepth; ++i) deep += "<a>";
  for (uint32_t i = 0; i <= Node::kMaxDepth; ++i) deep += "</a>";
  for (uint32_t i = 0; i < Node::kMaxDepth; ++i) deepOk += "<a>";
  for (uint32_t i = 0; i < Node::kMaxDepth; ++i) deepOk += "</a>";
  const std::string bad[] = {
      "",           // nothing
      "just text",  // no element
      "<!-- only a comment -->",
      "<",  // ends inside a tag
      "<a",
      "<a b",
      "<a b=",
      "<a b=\"1",  // inside a value
      "<a b=\"1\"",
      "<a/",
      "<a>",  // an unclosed element
      "<a>text",
      "<a><b></b>",
      "<a></a",
      "<a><!-- open </a>",  // an unterminated comment
      "<a b=1/>",           // unquoted
      "<a b='1'/>",         // single quotes are not read
      "<a b/>",             // no value
      "<a b c=\"1\"/>",
      "<a =\"1\"/>",  // no name: it would pass for the element's text
      "< >",          // no name
      "<>",
      "<a<b/>",
      "<a>x & y</a>",  // bare ampersands
      "<a v=\"&;\"/>",
      "<a v=\"&#;\"/>",
      "<a v=\"&#x;\"/>",
      "<a v=\"&#12a;\"/>",
      "<a>&amp</a>",
      std::string("<a>\0</a>", 8),  // a NUL ends the text early
      deep,                         // nesting beyond the bound
  };
  Tree n;
  for (const std::string& input : bad) {
    n->setName(u"stale", -1);
    EXPECT_FALSE(parsesBytes(n.get(), input)) << "input: " << input.substr(0, 40);
    EXPECT_EQ(n->getName(), nullptr) << "refused input leaves the node empty";
    EXPECT_EQ(n->getChildCount(), 0u);
  }
  EXPECT_TRUE(parsesBytes(n.get(), deepOk)) << "nesting at the bound is read";
  // The position-answering form says null.
  Tree direct(u"<a><b>");
  EXPECT_EQ(direct.end(), nullptr);
}

TEST(XmlNode, ReleasingATreeGivesEveryNodeAndRecordBack) {
  Node::take()->release();  // the pools have been used
  Tree warm(u"<w a=\"1\"/>");
  Node* root = Node::take();
  ASSERT_NE(root->parse(u"<r a=\"1\" b=\"2\"><c x=\"1\">t</c><c/></r>"), nullptr);
  const uint32_t nodesFree = Node::pool().getFreeCount();
  const uint32_t recordsFree = s::xml::AttrFactory::instance()->getFreeCount();
  root->release();
  EXPECT_EQ(Node::pool().getFreeCount(), nodesFree + 3);
  EXPECT_EQ(s::xml::AttrFactory::instance()->getFreeCount(), recordsFree + 4);
  Node* reused = Node::take();
  EXPECT_EQ(reused->getName(), nullptr);
  EXPECT_EQ(reused->getAttributes()->getCount(), 0u);
  EXPECT_EQ(std::u16string(reused->getClassName()), u"s_xml_Node");
  reused->walkIndented(u"");
  reused->release();
}
