// The help page that is installed beside the programs: the sections that the windows open
// by name exist, and the page is well-formed UTF-8 that declares itself so.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "platform/encoding.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

class HelpPageTest : public ::testing::Test {
 protected:
  std::set<std::string> Matches(const std::string& pattern) const {
    std::set<std::string> found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(page.begin(), page.end(), expression);
         it != std::sregex_iterator(); ++it) {
      found.insert((*it)[1].str());
    }
    return found;
  }
  std::string page = testing::ReadBytes(ZELVORA_SOURCE_DIR "/resources/help/Zelvora.htm");
};

TEST_F(HelpPageTest, IsUtf8AndSaysSo) {
  EXPECT_TRUE(IsValidUtf8(page));
  EXPECT_NE(page.find("<meta charset=\"UTF-8\">"), std::string::npos);
  EXPECT_NE(page.find("<html lang=\"ja\">"), std::string::npos);
}

TEST_F(HelpPageTest, EverySectionTheWindowsAskForAndEveryInnerLinkHasItsAnchor) {
  const std::set<std::string> ids = Matches(R"(\bid="([^"]+)\")");
  for (const char* anchor :
       {"Tsukaikata", "Hidukekinyuutab", "Hikinyuusetteitab", "Sonotatab", "Kakuchoutab"}) {
    EXPECT_EQ(ids.count(anchor), 1u) << anchor;
  }
  for (const std::string& target : Matches(R"(href="#([^"]+)\")")) {
    EXPECT_EQ(ids.count(target), 1u) << "#" << target << " leads nowhere";
  }
}

}  // namespace
}  // namespace zelvora
