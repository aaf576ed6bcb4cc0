#include "cli/terminal_host.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zelvora {
namespace {

// The progress line as last drawn on the terminal.
std::string LastProgressLine(const std::ostringstream& err) {
  const std::string text = err.str();
  const size_t start = text.rfind("\r\033[K");
  return start == std::string::npos ? "" : text.substr(start + 4);
}

TEST(TerminalHostTest, ProgressLineShowsTheRootFilesGaugeAndTheCurrentFilesGauge) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  TerminalHost host(in, out, err, false, true, std::chrono::milliseconds(0));
  host.ShowProgress("index.htm");
  host.SetCurrentFile("/site/index.htm");
  host.SetPercent(30);
  EXPECT_EQ(LastProgressLine(err), "全体 30%  ファイル 30%  /site/index.htm");

  // While a linked page is scanned, the root file's gauge stands still.
  host.SetCurrentFile("/site/sub/page.htm");
  host.SetPercent(10);
  host.SetPercent(80);
  EXPECT_EQ(LastProgressLine(err), "全体 30%  ファイル 80%  /site/sub/page.htm");

  // Back in the root file (named in another letter case), both follow it again.
  host.SetCurrentFile("/SITE/INDEX.HTM");
  host.SetPercent(45);
  EXPECT_EQ(LastProgressLine(err), "全体 45%  ファイル 45%  /SITE/INDEX.HTM");

  // The next run starts both gauges again from its own root file.
  host.HideProgress();
  host.ShowProgress("other.htm");
  host.SetCurrentFile("/site/other.htm");
  EXPECT_EQ(LastProgressLine(err), "全体 0%  ファイル 0%  /site/other.htm");
  EXPECT_TRUE(out.str().empty());
}

}  // namespace
}  // namespace zelvora
