#include "cli/usage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/command_line.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

// The option as the help writes it: its names and its argument.
std::string Term(const OptionHelp& option) {
  std::string term(option.names);
  if (!option.argument.empty()) term += " " + std::string(option.argument);
  return term;
}

// The standard output of `command`, run by the shell.
std::string OutputOf(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  pclose(pipe);
  return output;
}

TEST(UsageTest, EveryOptionListedIsOneTheCommandLineTakes) {
  ASSERT_FALSE(StampOptions().empty());
  for (const OptionHelp& option : StampOptions()) {
    std::string_view names = option.names;
    while (!names.empty()) {
      const size_t comma = std::min(names.find(", "), names.size());
      const std::string name(names.substr(0, comma));
      names.remove_prefix(std::min(comma + 2, names.size()));
      SCOPED_TRACE(name);
      std::vector<std::string> args = {name};
      if (!option.argument.empty()) args.push_back("WriteFmtIdx=1");
      args.push_back("page.htm");
      const auto line = ParseCommandLine(args);
      EXPECT_TRUE(line.ok() || !line.status().message().starts_with("unknown option"))
          << line.status().message();
    }
  }
}

TEST(UsageTest, HelpListsEveryOptionWithinTheWidthOfATerminal) {
  const std::string help = StampHelpText({"/home/me/.config/MORVID/registry.reg", "/z.log"});
  for (const std::string_view line : StampSynopsis()) {
    EXPECT_NE(help.find(line), std::string::npos) << line;
  }
  for (const OptionHelp& option : StampOptions()) {
    EXPECT_NE(help.find("\n  " + Term(option) + " "), std::string::npos) << Term(option);
  }
  size_t start = 0;
  for (size_t end; (end = help.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_LE(end - start, 79u) << help.substr(start, end - start);
  }
}

TEST(UsageTest, TheBuiltManualPageSaysWhatTheHelpSaysAndIsWellFormed) {
  if (std::string_view(ZELVORA_MAN_PAGE).empty()) GTEST_SKIP() << "no manual page on this system";
  const std::string page = testing::ReadBytes(ZELVORA_MAN_PAGE);
  EXPECT_EQ(page, StampManPage(ZELVORA_VERSION));
  if (OutputOf("command -v groff").empty()) GTEST_SKIP() << "groff is not installed";
  const std::string quoted = std::string("'") + ZELVORA_MAN_PAGE + "'";
  EXPECT_EQ(OutputOf("groff -man -Tascii -ww -z " + quoted + " 2>&1"), "");
  const std::string shown = OutputOf("groff -man -Tascii -P-cbou " + quoted + " 2>/dev/null");
  for (const std::string_view line : StampSynopsis()) {
    EXPECT_NE(shown.find(line), std::string::npos) << line;
  }
  for (const OptionHelp& option : StampOptions()) {
    // A short term has its text on the same line.
    const std::string tag = "\n       " + Term(option);
    EXPECT_TRUE(shown.find(tag + "\n") != std::string::npos ||
                shown.find(tag + " ") != std::string::npos)
        << Term(option);
  }
  for (const char* section : {"EXIT STATUS", "ENVIRONMENT", "FILES", "ZELVORA_REGISTRY",
                              "${XDG_CONFIG_HOME:-~/.config}/MORVID/registry.reg"}) {
    EXPECT_NE(shown.find(section), std::string::npos) << section;
  }
}

}  // namespace
}  // namespace zelvora
