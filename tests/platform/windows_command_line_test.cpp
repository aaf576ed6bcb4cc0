#include "platform/windows_command_line.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace zelvora {
namespace {

TEST(WindowsCommandLineTest, WordsAreQuotedOnlyWhenTheyMustBe) {
  EXPECT_EQ(*WindowsCommandLine({"C:\\Program Files\\Git\\cmd\\git.exe", "log", "-z"}),
            "\"C:\\Program Files\\Git\\cmd\\git.exe\" log -z");
  EXPECT_EQ(*WindowsCommandLine({"git.exe", "", "a b", "C:\\site\\"}),
            "git.exe \"\" \"a b\" C:\\site\\");
}

TEST(WindowsCommandLineTest, BackslashesAreDoubledOnlyBeforeAQuote) {
  EXPECT_EQ(*WindowsCommandLine({"p", "say \"hi\""}), "p \"say \\\"hi\\\"\"");
  EXPECT_EQ(*WindowsCommandLine({"p", "C:\\a b\\"}), "p \"C:\\a b\\\\\"");
  EXPECT_EQ(*WindowsCommandLine({"p", "x\\\"y"}), "p \"x\\\\\\\"y\"");
  EXPECT_EQ(*WindowsCommandLine({"p", "\\\\server\\share x"}), "p \"\\\\server\\share x\"");
}

TEST(WindowsCommandLineTest, WhatNoCommandLineCarriesIsRefused) {
  EXPECT_EQ(WindowsCommandLine({"p", std::string("a\0b", 3)}).status().code(), EINVAL);
  EXPECT_EQ(WindowsCommandLine({"say\"p"}).status().code(), EINVAL);
}

TEST(WindowsCommandLineTest, AssociationPlaceholdersNameTheTarget) {
  EXPECT_EQ(AssociationWords({"C:\\b\\browser.exe", "-osint", "-url", "%1"}, "C:\\a b.htm"),
            (std::vector<std::string>{"C:\\b\\browser.exe", "-osint", "-url", "C:\\a b.htm"}));
  EXPECT_EQ(AssociationWords({"viewer.exe", "/page=%L", "%*", "%I", "100%%"}, "x.htm"),
            (std::vector<std::string>{"viewer.exe", "/page=x.htm", "100%"}));
  EXPECT_EQ(AssociationWords({"viewer.exe", "--new"}, "file:///C:/x.htm#a"),
            (std::vector<std::string>{"viewer.exe", "--new", "file:///C:/x.htm#a"}));
}

}  // namespace
}  // namespace zelvora
