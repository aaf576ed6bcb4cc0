#include "engine/date_areas.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

constexpr char kBegin[] = "<!-- #ZELV#($BEGIN) -->";
constexpr char kEnd[] = "<!-- #ZELV#($END) -->";

std::string Area(const std::string& content) { return kBegin + content + kEnd; }

TEST(DateAreasTest, OnlyTheContentOfDateAreasIsLeftOut) {
  EXPECT_EQ(WithoutDateAreas("a<!--#ZELV#-->" + Area("1999/01/03") + "b" + Area("<b>x</b>") + "c"),
            "a<!--#ZELV#-->" + Area("") + "b" + Area("") + "c");
  // A second begin mark belongs to its area; an area that never ends is kept whole, and so
  // are end marks without a begin mark and comments without the keyword.
  EXPECT_EQ(WithoutDateAreas(kBegin + std::string("x") + kBegin + "y" + kEnd + "z" + kEnd),
            Area("") + "z" + kEnd);
  EXPECT_EQ(
      WithoutDateAreas("<!-- ($BEGIN) -->d" + std::string(kEnd) + Area("e") + kBegin + "open"),
      "<!-- ($BEGIN) -->d" + std::string(kEnd) + Area("") + kBegin + "open");
}

TEST(DateAreasTest, PagesThatDifferOnlyInTheirDatesAreTheSameOutsideThem) {
  const std::string page = "<p><!--#ZELV#-->" + Area("1999/01/03") + "</p>\r\n";
  EXPECT_TRUE(SameOutsideDateAreas(page, "<p><!--#ZELV#-->" + Area("2002/01/12") + "</p>\r\n"));
  EXPECT_TRUE(SameOutsideDateAreas(page, page));
  // An edit outside the areas, or a date area that one version lacks, is a difference.
  EXPECT_FALSE(SameOutsideDateAreas(page, "<p><!--#ZELV#-->" + Area("1999/01/03") + "</p>\n"));
  EXPECT_FALSE(SameOutsideDateAreas(page, "<p><!--#ZELV#--></p>\r\n"));
}

}  // namespace
}  // namespace zelvora
