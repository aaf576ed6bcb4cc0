#include "links/tag_tokenizer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zelvora {
namespace {

using std::string_literals::operator""s;

// Every token NextTag yields for `page`, in order.
std::vector<TagToken> AllTags(std::string_view page) {
  std::vector<TagToken> tags;
  for (TagToken tag = NextTag(page, 0); tag.kind != TagKind::tkNone;
       tag = NextTag(page, tag.after())) {
    tags.push_back(tag);
  }
  return tags;
}

struct LinkCase {
  std::string tag;
  TagKind kind;
  bool has_value;
  std::string value;
};

TEST(TagTokenizerTest, ClassifiesTagsAndReadsTheirLinkValue) {
  const std::vector<LinkCase> cases = {
      {R"(<a href="sub/page.htm#top">)", TagKind::tkAnchor, true, "sub/page.htm#top"},
      {"<A HREF=index.htm>", TagKind::tkAnchor, true, "index.htm"},
      {"<A HREF=index.htm TARGET=_top>", TagKind::tkAnchor, true, "index.htm"},
      {R"(<A HREF = "a.htm" >)", TagKind::tkAnchor, true, "a.htm"},
      {R"(<A HREF="a.htm>)", TagKind::tkAnchor, true, ""},
      // Single quotes are quotes too, and each kind of quote may hold the other.
      {"<A HREF='p3.htm'>", TagKind::tkAnchor, true, "p3.htm"},
      {"<A HREF = 'my page.htm' TARGET=_top>", TagKind::tkAnchor, true, "my page.htm"},
      {R"(<A HREF='say "hi".htm'>)", TagKind::tkAnchor, true, R"(say "hi".htm)"},
      {R"(<A HREF="it's.htm">)", TagKind::tkAnchor, true, "it's.htm"},
      {"<A HREF='a.htm>", TagKind::tkAnchor, true, ""},
      {"<A HREF=it's.htm>", TagKind::tkAnchor, true, "it's.htm"},
      {"<A HREF=>", TagKind::tkAnchor, true, ""},
      {"<A HREF>", TagKind::tkAnchor, false, ""},
      // Only a blank ends an unquoted value.
      {"<A HREF=a.htm\tTARGET=x>", TagKind::tkAnchor, true, "a.htm\tTARGET=x"},
      {R"(<FRAME NAME="main" SRC="main.htm">)", TagKind::tkFrame, true, "main.htm"},
      {R"(<frame src=left.htm>)", TagKind::tkFrame, true, "left.htm"},
      {R"(<FRAMESET COLS="50%,*">)", TagKind::tkFrame, false, ""},
      // "SRC" is found anywhere, even inside another attribute's name.
      {R"(<FRAME DATASRC=x.htm>)", TagKind::tkFrame, true, "x.htm"},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.tag);
    const TagToken token = NextTag(c.tag, 0);
    ASSERT_EQ(token.kind, c.kind);
    EXPECT_EQ(token.start, 0u);
    EXPECT_EQ(token.text(), c.tag);
    const char* attribute = c.kind == TagKind::tkFrame ? "SRC" : "A HREF";
    std::string value = "untouched";
    EXPECT_EQ(GetAttributeValue(token.text(), attribute, &value), c.has_value);
    EXPECT_EQ(value, c.has_value ? c.value : "untouched");
  }
}

TEST(TagTokenizerTest, TagsThatAreNoLinks) {
  for (const std::string tag :
       {R"(<A  HREF="x.htm">)", R"(<A NAME="x" HREF="y.htm">)", "<A\nHREF=\"x.htm\">",
        R"(<IFRAME SRC="x.htm">)", R"(<IMG SRC="x.png">)", "<p>", "<>", "</a>"}) {
    SCOPED_TRACE(tag);
    EXPECT_EQ(NextTag(tag, 0).kind, TagKind::tkOther);
  }
  for (const std::string tag : {"<!DOCTYPE html>", "<!-- #ZELV# -->", "<!>"}) {
    EXPECT_EQ(NextTag(tag, 0).kind, TagKind::tkDeclaration) << tag;
  }
}

TEST(TagTokenizerTest, ACommentEndsAtItsFirstGreaterThanAndTheLinkInsideIsFound) {
  const std::string page = R"(<!-- old: x > <a href="old.htm"> -->)";
  const std::vector<TagToken> tags = AllTags(page);
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[0].kind, TagKind::tkDeclaration);
  EXPECT_EQ(tags[0].text(), "<!-- old: x >");
  EXPECT_EQ(tags[1].kind, TagKind::tkAnchor);
  std::string value;
  ASSERT_TRUE(GetAttributeValue(tags[1].text(), "A HREF", &value));
  EXPECT_EQ(value, "old.htm");
}

TEST(TagTokenizerTest, ALessThanWithoutGreaterThanEndsTheScan) {
  EXPECT_EQ(AllTags("<p>one</p><a href=x.htm").size(), 2u);
  EXPECT_EQ(NextTag("text only", 0).kind, TagKind::tkNone);
  EXPECT_EQ(NextTag("<p>", 1).kind, TagKind::tkNone);
  EXPECT_EQ(NextTag("<p>", 99).kind, TagKind::tkNone);
  // A stray "<" runs to the next tag's ">".
  const TagToken stray = NextTag("a < b <i>c</i>", 0);
  EXPECT_EQ(stray.kind, TagKind::tkOther);
  EXPECT_EQ(stray.text(), "< b <i>");
}

TEST(TagTokenizerTest, ALinkIsReportedOnTheLineWhereItsTagEnds) {
  const std::string page = "<html>\r\n<body>\r\n<A HREF=\"x.htm\"\r\nTARGET=_top>\r\n";
  const std::vector<TagToken> tags = AllTags(page);
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(LineNumberAt(page, tags[2].start), 3);
  EXPECT_EQ(LineNumberAt(page, tags[2].after()), 4);
  EXPECT_EQ(LineNumberAt(page, 0), 1);
  EXPECT_EQ(LineNumberAt(page, page.size() + 10), 5);
}

TEST(TagTokenizerTest, BinaryBytesAndNulsAreOrdinaryBytes) {
  const std::string page = "\xFF\x00<\x00>\x80<A HREF=\"a\x00\x95\\.htm\">\x00<frame src=b\x00>"s;
  const std::vector<TagToken> tags = AllTags(page);
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].kind, TagKind::tkOther);
  std::string value;
  ASSERT_TRUE(GetAttributeValue(tags[1].text(), "A HREF", &value));
  EXPECT_EQ(value, "a\x00\x95\\.htm"s);
  ASSERT_TRUE(GetAttributeValue(tags[2].text(), "SRC", &value));
  EXPECT_EQ(value, "b\x00"s);
}

TEST(TagTokenizerTest, HugeTagsAndPagesAreHandledInOnePass) {
  const std::string huge_value(10 * 1024 * 1024, 'x');
  const std::string huge_tag = "<A HREF=" + huge_value + ">";
  std::string value;
  ASSERT_TRUE(GetAttributeValue(huge_tag, "A HREF", &value));
  EXPECT_EQ(value.size(), huge_value.size());
  // A long run of near-misses for the attribute name.
  const std::string near_misses = "<FRAME " + std::string(10 * 1024 * 1024, 'S') + ">";
  EXPECT_FALSE(GetAttributeValue(near_misses, "SRC", &value));

  std::string no_close = "<p>" + std::string(50 * 1024 * 1024, 'a');
  no_close[3] = '<';
  EXPECT_EQ(AllTags(no_close).size(), 1u);
  LineCounter counter(no_close);
  EXPECT_EQ(counter.LineAt(no_close.size()), 1);
}

TEST(TagTokenizerTest, CommentBodies) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<!--#ZELV#-->", "#ZELV#"},
      {"<!-- #ZELV# news.htm,diary -->", " #ZELV# news.htm,diary "},
      {"<!-- old: x >", " old: x "},  // cut at its first ">"
      {"<!DOCTYPE html>", "DOCTYPE html"},
      {"<!x!-- y -->", "x!-- y "},  // the first "!" does not begin "!--"
      {"<!-->", ""},
      {"<!--->", "-"},
      {"<!---->", ""},
      {"<!>", ""},
      {"<!--", ""},
      {"<p>", ""},
      {"", ""},
  };
  for (const auto& [tag, body] : cases) EXPECT_EQ(CommentBody(tag), body) << tag;
}

TEST(TagTokenizerTest, LinesEndAtCrLfLfOrALoneCr) {
  // The same four lines written with each kind of line end.
  for (const std::string text : {"a\r\nb\r\nc\r\nd", "a\nb\nc\nd", "a\rb\rc\rd", "a\rb\nc\r\nd"}) {
    EXPECT_EQ(LineNumberAt(text, text.find('b')), 2) << text;
    EXPECT_EQ(LineNumberAt(text, text.find('d')), 4) << text;
  }
  EXPECT_EQ(LineNumberAt("a\r", 2), 2);          // a CR at the very end ends its line
  EXPECT_EQ(CountLineEnds("a\r\nb", 0, 2), 0u);  // the CR of a pair is no line end itself
  EXPECT_EQ(CountLineEnds("a\r\nb", 2, 3), 1u);
}

TEST(TagTokenizerTest, LineCounterAgreesWithLineNumberAtInAnyOrder) {
  std::mt19937 random(20240103);
  std::string text(20000, 'a');
  for (char& c : text) {
    const auto pick = random() % 14;
    if (pick == 0) c = '\n';
    if (pick == 1) c = '\r';
  }
  std::uniform_int_distribution<size_t> position(0, text.size() + 5);

  std::vector<size_t> rising(300);
  for (size_t& pos : rising) pos = position(random);
  std::sort(rising.begin(), rising.end());
  LineCounter forward(text);
  for (size_t pos : rising) ASSERT_EQ(forward.LineAt(pos), LineNumberAt(text, pos)) << pos;

  LineCounter jumping(text);
  for (int i = 0; i < 1000; ++i) {
    const size_t pos = position(random);
    ASSERT_EQ(jumping.LineAt(pos), LineNumberAt(text, pos)) << pos;
  }
}

}  // namespace
}  // namespace zelvora
