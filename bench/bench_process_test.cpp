// The process and folder helpers the crash test stands on: the environment a child sees, how
// its end is reported, and copies that keep the times the checks compare.
#include "bench/bench_process.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace zelvora::bench {
namespace {

class BenchProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zelvora-bench-process-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { RemoveTree(folder_); }

  std::string folder_;
};

TEST_F(BenchProcessTest, ChildSeesAddedAndReplacedVariables) {
  ::setenv("ZELVORA_BENCH_KEPT", "kept", 1);
  ::setenv("ZELVORA_BENCH_REPLACED", "old", 1);
  const std::string out = folder_ + "/out";
  std::string error;
  const ChildExit exit = RunChild(
      {"sh", "-c", "echo $ZELVORA_BENCH_KEPT $ZELVORA_BENCH_REPLACED $ZELVORA_BENCH_ADDED"},
      {"ZELVORA_BENCH_REPLACED=new", "ZELVORA_BENCH_ADDED=added"}, out, "", error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(DescribeExit(exit), "exit 0");
  EXPECT_EQ(ReadWholeFile(out), "kept new added\n");
}

TEST_F(BenchProcessTest, ReportsHowTheChildEnded) {
  const struct {
    std::vector<std::string> argv;
    const char* described;
  } cases[] = {
      {{"sh", "-c", "exit 3"}, "exit 3"},
      {{"sh", "-c", "kill -9 $$"}, "signal 9"},
      {{"/nonexistent/zelvora-bench-program"}, "not started"},
  };
  for (const auto& c : cases) {
    std::string error;
    const ChildExit exit = RunChild(c.argv, {}, "/dev/null", "/dev/null", error);
    EXPECT_EQ(DescribeExit(exit), c.described) << c.argv.back();
    EXPECT_EQ(error.empty(), exit.exited || exit.signal != 0) << c.argv.back();
  }
}

TEST_F(BenchProcessTest, CopyKeepsContentAndTimes) {
  const std::string site = folder_ + "/site";
  std::filesystem::create_directories(site + "/d");
  std::ofstream(site + "/d/a.html") << "page";
  std::ofstream(site + "/b.jpg") << "image";
  std::filesystem::last_write_time(
      site + "/d/a.html",
      std::filesystem::last_write_time(site + "/d/a.html") - std::chrono::hours(24 * 400));
  ASSERT_EQ(CopyTree(site, folder_ + "/copy"), "");
  const TreeSnapshot original = ReadTree(site);
  ASSERT_EQ(original.size(), 2u);
  EXPECT_EQ(original.at("d/a.html").bytes, "page");
  EXPECT_EQ(ReadTree(folder_ + "/copy"), original);
  EXPECT_NE(CopyTree(folder_ + "/missing", folder_ + "/copy2"), "");
}

TEST(CountLinesWith, CountsLinesNotOccurrences) {
  EXPECT_EQ(CountLinesWith("a x x\nb\nx\n", "x"), 2u);
  EXPECT_EQ(CountLinesWith("x", "x"), 1u);
  EXPECT_EQ(CountLinesWith("", "x"), 0u);
  EXPECT_EQ(CountLinesWith("◎日付を記入しました：a\n◎日付記入開始：b\n", "◎日付を記入しました"),
            1u);
}

}  // namespace
}  // namespace zelvora::bench
