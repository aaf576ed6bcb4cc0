#include "links/any_anchor.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvora {
namespace {

TEST(AnyAnchorTest, AnchorsAndFramesAreKnownByTagNameAndAttribute) {
  struct Case {
    const char* tag;
    TagKind kind;
  };
  for (const Case& c : {
           Case{"<a class=\"nav\" href=\"x.htm\">", TagKind::tkAnchor},
           Case{"<A\r\nHREF=x.htm>", TagKind::tkAnchor},
           Case{"<a\thref='x.htm'>", TagKind::tkAnchor},
           Case{"<A HREF=\"x.htm\">", TagKind::tkAnchor},
           Case{"<a name=\"top\">", TagKind::tkOther},
           Case{"<a data-href=\"x.htm\">", TagKind::tkOther},
           Case{"<a title=\"href=x.htm\">", TagKind::tkOther},
           Case{"<area href=\"x.htm\">", TagKind::tkOther},
           Case{"<abbr title=\"x\">", TagKind::tkOther},
           Case{"<a>", TagKind::tkOther},
           Case{"<frame name=\"x\" src=\"main.htm\">", TagKind::tkFrame},
           Case{"<IFRAME\nSRC=\"x.htm\">", TagKind::tkFrame},
           Case{"<frameset cols=\"50%,*\">", TagKind::tkOther},
           Case{"<img src=\"x.png\">", TagKind::tkOther},
           Case{"<!-- <a href=\"x.htm\"> -->", TagKind::tkDeclaration},
       }) {
    EXPECT_EQ(ClassifyAnyAnchor(c.tag), c.kind) << c.tag;
  }
}

TEST(AnyAnchorTest, ReadsAWholeAttributeByTheMarkupsQuotingRules) {
  struct Case {
    const char* tag;
    const char* name;
    bool found;
    const char* value;
  };
  for (const Case& c : {
           Case{"<a class=\"nav\" href=\"sub/page.htm#top\">", "HREF", true, "sub/page.htm#top"},
           Case{"<a href = 'a b.htm' >", "href", true, "a b.htm"},
           Case{"<a href=index.htm target=_top>", "HREF", true, "index.htm"},
           Case{"<a href=index.htm>", "HREF", true, "index.htm"},
           Case{"<a\nhref=\"x.htm\"\ntitle=\"y\">", "HREF", true, "x.htm"},
           Case{"<a href=\"\">", "HREF", true, ""},
           Case{"<a data-href=\"no.htm\" href=\"yes.htm\">", "HREF", true, "yes.htm"},
           Case{"<a title='href=\"no.htm\"' href=\"yes.htm\">", "HREF", true, "yes.htm"},
           Case{"<a href=\"first.htm\" href=\"second.htm\">", "HREF", true, "first.htm"},
           Case{"<a href>", "HREF", false, ""},
           Case{"<a href=\"open.htm>", "HREF", false, ""},
           Case{"<a name=\"x\">", "HREF", false, ""},
           Case{"<iframe src=\"x.htm\"/>", "SRC", true, "x.htm"},
       }) {
    std::string value = "untouched";
    EXPECT_EQ(GetNamedAttribute(c.tag, c.name, &value), c.found) << c.tag;
    EXPECT_EQ(value, c.found ? c.value : "untouched") << c.tag;
  }
}

TEST(AnyAnchorTest, AStartTagEndsAtAGreaterThanSignOutsideQuotes) {
  struct Case {
    const char* text;
    size_t end;  // offset of the ">" that ends the tag at offset 0
  };
  for (const Case& c : {
           Case{"<a title=\"a>b\" href=\"gt.htm\">x", 28},
           Case{"<a title='1>0'>x", 14},
           Case{"<a href=x>y\">", 9},       // an unquoted value ends at ">"
           Case{"<a b\"c>d\">", 6},         // a quote inside a name is no quote
           Case{"<a title=\"open>x", 14},   // never closed: the first ">"
           Case{"<!-- a=\"1>2\" -->", 9},   // comments keep the first ">"
           Case{"< a title=\"1>2\">", 12},  // no tag name: the first ">"
           Case{"<a title=\"no end\"", std::string_view::npos},
       }) {
    EXPECT_EQ(EndOfStartTag(c.text, 0), c.end) << c.text;
  }
}

}  // namespace
}  // namespace zelvora
