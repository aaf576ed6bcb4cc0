#include "engine/date_areas.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvora {
namespace {

constexpr char kBegin[] = "<!-- #ZELV#($BEGIN) -->";
constexpr char kEnd[] = "<!-- #ZELV#($END) -->";

std::string Area(const std::string& date) { return kBegin + date + kEnd; }

TEST(DateAreasTest, AreasRunFromTheBeginMarkToTheEndMarkAfterAKeywordMark) {
  const std::string text = "<p><!--#ZELV#-->" + Area("2024/05/06") + "</p>";
  EXPECT_EQ(FindDateAreas(text, false),
            (std::vector<std::pair<size_t, size_t>>{{16, 16 + Area("2024/05/06").size()}}));
  // Without a keyword mark before them, or abandoned by one inside, marks make no area.
  EXPECT_TRUE(FindDateAreas(Area("x"), false).empty());
  EXPECT_TRUE(
      FindDateAreas(std::string("<!--#ZELV#-->") + kBegin + "<!--#ZELV#-->x", false).empty());
  // A second begin mark lies inside the area; an end mark before the begin mark does not
  // end it.
  const std::string doubled =
      std::string("<!--#ZELV#-->") + kEnd + kBegin + "a" + kBegin + "b" + kEnd;
  EXPECT_EQ(FindDateAreas(doubled, false),
            (std::vector<std::pair<size_t, size_t>>{{13 + sizeof kEnd - 1, doubled.size()}}));
}

TEST(DateAreasTest, TextsThatDifferOnlyInTheirDateAreasAreTheSame) {
  const std::string page = "<html>\n<p>Updated: <!--#ZELV#-->";
  for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
           {page + "</p>", page + Area("2024/05/06") + "</p>"},  // the first stamp
           {page + Area("2024/05/06"), page + Area("<b>2025年1月1日</b>")},
           {page + Area("x") + "\nmore<!--#ZELV#-->" + Area("y"),
            page + Area("1") + "\nmore<!--#ZELV#-->"},
           {"no marks", "no marks"},
       }) {
    EXPECT_TRUE(SameOutsideDateAreas(a, b, false)) << a << " | " << b;
    EXPECT_TRUE(SameOutsideDateAreas(b, a, false)) << a << " | " << b;
  }
  for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
           {page + Area("1") + " by Bob", page + Area("2") + " by Alice"},
           {page + Area("1"), page + Area("1") + " "},
           {"<!--#zelv#-->" + Area("1"), "<!--#zelv#-->" + Area("2")},  // no keyword mark
           {Area("1"), Area("2")},
           {"no marks", "no marks!"},
       }) {
    EXPECT_FALSE(SameOutsideDateAreas(a, b, false)) << a << " | " << b;
  }
}

TEST(DateAreasTest, WithTheModernGrammarAMarkInsideAQuotedValueIsNoMark) {
  // Read classically, the tag ends at "a>" and the comment after it is a keyword mark.
  const std::string before = "<a title=\"a>b <!--#ZELV#-->\">x</a>";
  const std::string after = "<a title=\"a>b <!--#ZELV#-->" + Area("1") + "\">x</a>";
  EXPECT_TRUE(SameOutsideDateAreas(before, after, false));
  EXPECT_FALSE(SameOutsideDateAreas(before, after, true));
  EXPECT_TRUE(MayHoldDateAreas(after));
  EXPECT_FALSE(MayHoldDateAreas(before));
}

}  // namespace
}  // namespace zelvora
