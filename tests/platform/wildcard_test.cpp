#include "platform/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvora {
namespace {

TEST(WildcardTest, HasWildcard) {
  EXPECT_TRUE(HasWildcard("*.htm"));
  EXPECT_TRUE(HasWildcard("a?.htm"));
  EXPECT_FALSE(HasWildcard("index.htm"));
  EXPECT_FALSE(HasWildcard(""));
}

TEST(WildcardTest, Matches) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"*.htm", "index.htm", true},
      {"*.htm", "index.html", false},
      {"*.htm", "INDEX.HTM", true},
      {"*.JPG", "photo.jpg", true},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a?c", "abbc", false},
      {"*", "", true},
      {"", "", true},
      {"", "a", false},
      {"*a*b", "xaxxb", true},
      {"*a*b", "xaxxbx", false},
      {"**", "abc", true},
      {"a*", "a", true},
      {"*.*", "README", true},
      {"*.*", ".hidden", true},
      {"*.*", "a.b.c", true},
      {"a.*", "a", true},
      {"a.*", "a.txt", true},
      {"a.*", "ab", false},
      {"a.*", "b.txt", false},
      {"*.htm", ".htm", true},
      {"index.htm", "Index.Htm", true},
      {"[ab].htm", "[ab].htm", true},
      {"[ab].htm", "a.htm", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches)
        << "pattern " << c.pattern << " name " << c.name;
  }
}

TEST(WildcardTest, QuestionMarkTakesOneWholeCharacter) {
  EXPECT_TRUE(MatchesWildcard("?.htm", "日.htm"));  // three bytes
  EXPECT_TRUE(MatchesWildcard("??.htm", "日本.htm"));
  EXPECT_FALSE(MatchesWildcard("??.htm", "日.htm"));              // never splits a character
  EXPECT_TRUE(MatchesWildcard("?.htm", "\xF0\x9F\x98\x80.htm"));  // four bytes
  EXPECT_TRUE(MatchesWildcard("*?", "日"));
  EXPECT_FALSE(MatchesWildcard("*??", "日"));
  EXPECT_TRUE(MatchesWildcard("*本.htm", "日本.htm"));
  // Invalid bytes count one character each and never crash the matcher.
  EXPECT_TRUE(MatchesWildcard("??", "\xFF\x80"));
  EXPECT_TRUE(MatchesWildcard("?", "\xE6\x97"));  // a truncated character
}

TEST(WildcardTest, ManyStarsDoNotBacktrackExponentially) {
  const std::string name(5000, 'a');
  EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*a*a*a*a*b", name));
  EXPECT_TRUE(MatchesWildcard("*a*a*a*a*a*a*a*a*a*a*", name));
  EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*a*a*a*a*b.*", name));
}

}  // namespace
}  // namespace zelvora
